#pragma once
// What the window shows for one selected format: one of eight kinds, each with its payload.
// Analysers and preview producers return into this model; the window owns what it shows.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"

namespace cw {

enum class DetailReportKind { Text, Image, RichText, Html, Table, Audio, Report, Unavailable };

struct PropertyTable {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::string raw_text;
    std::string table_caption = "Decoded";
    std::string text_caption = "Raw bytes";
};

// The document a browser control renders and the clipboard text behind it.
struct HtmlPreview {
    std::string document;
    std::string source;
};

// A decoded picture. The Win32 layer derives from it and deletes its bitmap in the destructor,
// so whoever holds the last reference owns the GDI object.
class ImageBitmap {
public:
    virtual ~ImageBitmap() = default;
    virtual void* native_handle() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

struct WaveAudio;  // a parsed RIFF/WAVE payload, defined with the audio preview

struct DetailReport {
    DetailReportKind kind = DetailReportKind::Report;
    std::string text;                          // Text and Report; the RTF as text for RichText
    std::string rtf_bytes;                     // RichText
    HtmlPreview html;                          // Html
    PropertyTable table;                       // Table
    std::shared_ptr<ImageBitmap> image;        // Image
    std::shared_ptr<const WaveAudio> audio;    // Audio
    Error error;                               // Unavailable
    std::string text_encoding;                 // 8-bit text: the code page it was read in

    static DetailReport make_text(std::string t) { return with_text(DetailReportKind::Text, std::move(t)); }
    static DetailReport make_report(std::string t) { return with_text(DetailReportKind::Report, std::move(t)); }
    static DetailReport make_rich_text(std::string rtf)
    {
        DetailReport r = with_text(DetailReportKind::RichText, rtf);
        r.rtf_bytes = std::move(rtf);
        return r;
    }
    static DetailReport make_html(HtmlPreview preview)
    {
        DetailReport r;
        r.kind = DetailReportKind::Html;
        r.html = std::move(preview);
        return r;
    }
    static DetailReport make_table(PropertyTable t)
    {
        DetailReport r;
        r.kind = DetailReportKind::Table;
        r.table = std::move(t);
        return r;
    }
    static DetailReport make_image(std::shared_ptr<ImageBitmap> bitmap)
    {
        DetailReport r;
        r.kind = DetailReportKind::Image;
        r.image = std::move(bitmap);
        return r;
    }
    static DetailReport make_audio(std::shared_ptr<const WaveAudio> wave)
    {
        DetailReport r;
        r.kind = DetailReportKind::Audio;
        r.audio = std::move(wave);
        return r;
    }
    static DetailReport make_unavailable(Error e)
    {
        DetailReport r;
        r.kind = DetailReportKind::Unavailable;
        r.error = std::move(e);
        return r;
    }

private:
    static DetailReport with_text(DetailReportKind kind, std::string t)
    {
        DetailReport r;
        r.kind = kind;
        r.text = std::move(t);
        return r;
    }
};

}  // namespace cw
