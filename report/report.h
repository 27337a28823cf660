#pragma once
// What the window shows for one selected format: one of eight kinds, each with its payload.
// Analysers and preview producers return into this model; the window owns what it shows.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "base/error.h"

namespace cw {

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

enum class DetailReportKind { Text, Image, RichText, Html, Table, Audio, Report, Unavailable };

// One payload per kind, in the order of DetailReportKind.
struct TextContent {
    static constexpr DetailReportKind kind = DetailReportKind::Text;
    std::string text;
};
struct ImageContent {
    static constexpr DetailReportKind kind = DetailReportKind::Image;
    std::shared_ptr<ImageBitmap> image;
};
struct RichTextContent {
    static constexpr DetailReportKind kind = DetailReportKind::RichText;
    std::string rtf_bytes;  // what the rich edit control reads
    std::string text;       // the same bytes shown as text
};
struct HtmlContent {
    static constexpr DetailReportKind kind = DetailReportKind::Html;
    HtmlPreview html;
};
struct TableContent {
    static constexpr DetailReportKind kind = DetailReportKind::Table;
    PropertyTable table;
};
struct AudioContent {
    static constexpr DetailReportKind kind = DetailReportKind::Audio;
    std::shared_ptr<const WaveAudio> audio;
};
struct ReportContent {
    static constexpr DetailReportKind kind = DetailReportKind::Report;
    std::string text;
};
struct UnavailableContent {
    static constexpr DetailReportKind kind = DetailReportKind::Unavailable;
    Error error;
};

// Whoever shows a report visits its content (with Overloaded), so a kind added here fails to
// compile until every consumer handles it.
using DetailContent = std::variant<TextContent, ImageContent, RichTextContent, HtmlContent, TableContent, AudioContent,
                                   ReportContent, UnavailableContent>;

template <std::size_t... I>
constexpr bool kinds_follow_content_order(std::index_sequence<I...>)
{
    return ((std::variant_alternative_t<I, DetailContent>::kind == static_cast<DetailReportKind>(I)) && ...);
}
static_assert(kinds_follow_content_order(std::make_index_sequence<std::variant_size_v<DetailContent>>{}));
static_assert(std::variant_size_v<DetailContent> == static_cast<std::size_t>(DetailReportKind::Unavailable) + 1);

struct DetailReport {
    DetailContent content = ReportContent{};
    std::string text_encoding;  // 8-bit text, shown as text or as a table: the code page it was read in
    // An embedded object read whole: whether its container holds a Photoshop document, as a save
    // would take it out. None when the object was not read whole, so the save reads for itself.
    std::optional<bool> holds_photoshop_document;

    DetailReportKind kind() const { return static_cast<DetailReportKind>(content.index()); }
    // The payload of kind K; throws std::bad_variant_access for another kind.
    template <class K>
    const K& as() const
    {
        return std::get<K>(content);
    }

    static DetailReport make_text(std::string t) { return with(TextContent{std::move(t)}); }
    static DetailReport make_report(std::string t) { return with(ReportContent{std::move(t)}); }
    static DetailReport make_rich_text(std::string rtf) { return make_rich_text(rtf, rtf); }
    static DetailReport make_rich_text(std::string rtf, std::string text)
    {
        return with(RichTextContent{std::move(rtf), std::move(text)});
    }
    static DetailReport make_html(HtmlPreview preview) { return with(HtmlContent{std::move(preview)}); }
    static DetailReport make_table(PropertyTable t) { return with(TableContent{std::move(t)}); }
    static DetailReport make_image(std::shared_ptr<ImageBitmap> bitmap)
    {
        return with(ImageContent{std::move(bitmap)});
    }
    static DetailReport make_audio(std::shared_ptr<const WaveAudio> wave)
    {
        return with(AudioContent{std::move(wave)});
    }
    static DetailReport make_unavailable(Error e) { return with(UnavailableContent{std::move(e)}); }

private:
    static DetailReport with(DetailContent content)
    {
        DetailReport r;
        r.content = std::move(content);
        return r;
    }
};

}  // namespace cw
