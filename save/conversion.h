#pragma once
// Turning the bytes of one clipboard representation into the bytes of a file. Every conversion
// takes the copied block by value and makes at most one further copy of it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/byte_reader.h"
#include "base/error.h"
#include "base/utf16_stream.h"
#include "preview/dib.h"

namespace cw {

struct FormatEntry;

// How a block read from global memory becomes file bytes, in the order the rules are tried.
enum class SaveConversion {
    Bitmap,                // CF_DIB, CF_DIBV5: a BMP file header in front of the DIB
    UnicodeText,           // CF_UNICODETEXT: UTF-8 without a byte-order mark
    NarrowText,            // CF_TEXT, CF_OEMTEXT, CF_DSPTEXT: the bytes before the first zero
    HtmlDocument,          // "text/html", "HTML Format": the document of build_html_document
    RichText,              // "Rich Text Format...": the bytes before the first zero
    EmbeddedObject,        // "Embed Source", "Native": a Photoshop document inside, or the bytes
    InternetShortcutWide,  // "UniformResourceLocatorW"
    InternetShortcut,      // "UniformResourceLocator"
    Unchanged,             // everything else: the whole block
};

SaveConversion choose_save_conversion(const FormatEntry& entry);

// An OLE stream is saved as it came, except an embedded object, whose Photoshop document is taken
// out of its container as it is when the object arrives through global memory.
SaveConversion choose_stream_save_conversion(const FormatEntry& entry);

// The extension of a saved embedded object: "psd" for the Photoshop document taken out of it.
std::string embedded_object_extension(bool holds_photoshop_document);

// What is written, and the extension (without dot) used when the typed name has none.
struct SaveData {
    std::string bytes;
    std::string extension;
};

// Reads a stream in the root storage of a compound file completely; none when the bytes are not
// a compound file, hold no such stream, or it cannot be read whole.
using RootStreamReader = std::function<std::optional<std::string>(ByteView file, std::string_view stream)>;

// `bytes` is the copied block, `default_extension` the format's usual one. Without a reader an
// embedded object is saved unchanged. Fails only for a DIB that cannot form a BMP file.
Result<SaveData> convert_for_save(SaveConversion conversion, std::string bytes, std::string default_extension,
                                  const RootStreamReader& read_root_stream = {});

inline constexpr std::size_t BMP_FILE_HEADER_SIZE = 14;
inline constexpr std::string_view DIB_TOO_SHORT = "The DIB is too short to form a BMP file.";
// The preview and the BMP conversion judge a DIB's header alike, in the same words.
inline constexpr std::string_view DIB_HEADER_INVALID = DIB_HEADER_INVALID_TEXT;
inline constexpr std::string_view DIB_PIXEL_OFFSET_INVALID = DIB_PIXEL_OFFSET_INVALID_TEXT;
inline constexpr std::string_view BMP_TOO_LARGE = "The BMP is too large.";

// The BITMAPFILEHEADER for a DIB of `dib_size` bytes whose first bytes are `dib_start` (at least
// the 40-byte header when the DIB is that long).
Result<std::array<std::uint8_t, BMP_FILE_HEADER_SIZE>> bmp_file_header(ByteView dib_start, std::uint64_t dib_size);

// A BMP file: the file header followed by the DIB unchanged.
Result<std::string> dib_to_bmp_file(ByteView dib);

// The conversions that need no sight of the whole block: a header in front (a DIB), a cut at
// the first terminator, UTF-16 to UTF-8, or nothing. The others build their file from the whole.
bool converts_piece_by_piece(SaveConversion conversion);

// One of those conversions applied to a block that arrives in pieces: the file bytes come out
// in order, exactly as convert_for_save makes them from the whole block.
class PieceConversion {
public:
    // `prefix` goes in front of the first piece (the BMP file header of a DIB).
    explicit PieceConversion(SaveConversion conversion, std::string prefix = {});
    // Appends the file bytes of the next piece; false once the data has ended at its terminator
    // and the rest of the block is not needed.
    bool append(ByteView piece, std::string& out);
    // The block has ended.
    void finish(std::string& out);

private:
    SaveConversion conversion_;
    std::string prefix_;
    Utf16leToUtf8Stream text_;
    bool ended_ = false;
};

// "[InternetShortcut]\r\nURL={url}\r\n"
std::string internet_shortcut_file(std::string_view url);

}  // namespace cw
