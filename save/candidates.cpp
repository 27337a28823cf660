#include "save/candidates.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "base/text.h"
#include "capture/clipboard_formats.h"

namespace cw {

namespace {

bool is_one_of(std::string_view lowered_name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), lowered_name) != names.end();
}

bool is_rich_text_name(std::string_view lowered_name)
{
    return lowered_name.starts_with("rich text format");
}

bool is_one_of(std::uint32_t id, std::initializer_list<std::uint32_t> ids)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

constexpr SaveableFormat HTML_DOCUMENT{"html", "HTML document", ".html", 10, 5};
constexpr SaveableFormat FORMATTED_TEXT{"rtf", "Formatted text", ".rtf", 15, 5};
constexpr SaveableFormat INTERNET_SHORTCUT{"url", "Internet shortcut", ".url", 18, 5};
constexpr SaveableFormat ANSI_TEXT{"text", "Plain text", ".txt", 20, 2};
constexpr SaveableFormat WAVE_AUDIO{"audio", "Wave audio", ".wav", 20, 5};
constexpr SaveableFormat UNICODE_TEXT{"text", "Plain text", ".txt", 20, 5};
constexpr SaveableFormat PNG_IMAGE{"image", "PNG image", ".png", 12, 8};
constexpr SaveableFormat GIF_IMAGE{"image", "GIF image", ".gif", 12, 7};
constexpr SaveableFormat JPEG_IMAGE{"image", "JPEG image", ".jpg", 12, 7};
constexpr SaveableFormat TIFF_IMAGE{"image", "TIFF image", ".tiff", 12, 6};
constexpr SaveableFormat DIBV5_IMAGE{"image", "Bitmap image", ".bmp", 12, 5};
constexpr SaveableFormat DIB_IMAGE{"image", "Bitmap image", ".bmp", 12, 4};
constexpr SaveableFormat CSV_TABLE{"table", "Comma-separated table", ".csv", 22, 5};
constexpr SaveableFormat SYLK_TABLE{"table", "SYLK spreadsheet", ".slk", 22, 4};
constexpr SaveableFormat DIF_TABLE{"table", "DIF spreadsheet", ".dif", 22, 4};
constexpr SaveableFormat BIFF_WORKBOOK{"workbook", "Excel workbook", ".xls", 22, 5};
constexpr SaveableFormat BIFF12_WORKBOOK{"workbook", "Excel workbook", ".xlsb", 22, 6};
constexpr SaveableFormat XML_SPREADSHEET{"table", "XML spreadsheet", ".xml", 22, 5};

}  // namespace

std::optional<SaveableFormat> classify_saveable_format(const FormatEntry& entry)
{
    const std::string name = ascii_lower(entry.name);
    const std::uint32_t id = entry.id;
    // Order matters: the first three name rules beat every id, and the ids beat the later names.
    if (is_one_of(name, {"text/html", "html format"})) return HTML_DOCUMENT;
    if (is_rich_text_name(name)) return FORMATTED_TEXT;
    if (is_one_of(name, {"uniformresourcelocatorw", "uniformresourcelocator"})) return INTERNET_SHORTCUT;
    if (is_one_of(id, {CF_TEXT_ID, CF_OEMTEXT_ID, CF_DSPTEXT_ID})) return ANSI_TEXT;
    if (is_one_of(id, {CF_RIFF_ID, CF_WAVE_ID})) return WAVE_AUDIO;
    if (id == CF_UNICODETEXT_ID) return UNICODE_TEXT;
    if (is_one_of(name, {"png", "image/png"})) return PNG_IMAGE;
    if (is_one_of(name, {"gif", "image/gif"})) return GIF_IMAGE;
    if (is_one_of(name, {"jfif", "image/jpeg"})) return JPEG_IMAGE;
    if (id == CF_TIFF_ID || is_one_of(name, {"image/tiff", "tiff"})) return TIFF_IMAGE;
    if (id == CF_DIBV5_ID) return DIBV5_IMAGE;
    if (id == CF_DIB_ID) return DIB_IMAGE;
    if (is_one_of(name, {"text/csv", "csv"})) return CSV_TABLE;
    if (id == CF_SYLK_ID) return SYLK_TABLE;
    if (id == CF_DIF_ID) return DIF_TABLE;
    if (is_one_of(name, {"biff5", "biff8"})) return BIFF_WORKBOOK;
    if (name == "biff12") return BIFF12_WORKBOOK;
    if (name == "xml spreadsheet") return XML_SPREADSHEET;
    return std::nullopt;
}

std::string default_extension(const FormatEntry& entry)
{
    const std::uint32_t id = entry.id;
    if (is_one_of(id, {CF_TEXT_ID, CF_OEMTEXT_ID, CF_UNICODETEXT_ID, CF_DSPTEXT_ID})) return "txt";
    if (id == CF_SYLK_ID) return "slk";
    if (id == CF_DIF_ID) return "dif";
    if (id == CF_TIFF_ID) return "tiff";
    if (id == CF_DIB_ID || id == CF_DIBV5_ID) return "bmp";
    if (id == CF_BITMAP_ID) return "png";  // encoded when saved
    if (id == CF_METAFILEPICT_ID) return "wmf";  // with a placeable header
    if (id == CF_ENHMETAFILE_ID) return "emf";
    if (id == CF_RIFF_ID || id == CF_WAVE_ID) return "wav";

    const std::string name = ascii_lower(entry.name);
    if (is_one_of(name, {"text/html", "html format"})) return "html";
    if (is_one_of(name, {"image/png", "png"})) return "png";
    if (is_one_of(name, {"image/gif", "gif"})) return "gif";
    if (is_one_of(name, {"image/jpeg", "jfif"})) return "jpg";
    if (is_one_of(name, {"image/tiff", "tiff"})) return "tiff";
    if (is_rich_text_name(name)) return "rtf";
    if (is_one_of(name, {"csv", "text/csv"})) return "csv";
    if (is_one_of(name, {"biff5", "biff8"})) return "xls";
    if (name == "biff12") return "xlsb";
    // An OLE container is a PSD only when the document found inside is one (proposed_extension).
    if (is_one_of(name, {"native", "embed source"})) return "ole";
    if (name == "adobe photoshop image") return "psd";
    if (name == "xml spreadsheet") return "xml";
    if (is_one_of(name, {"uniformresourcelocator", "uniformresourcelocatorw"})) return "url";
    return "bin";
}

std::vector<SaveCandidate> build_save_candidates(std::span<const FormatEntry> entries)
{
    std::vector<SaveCandidate> candidates;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const std::optional<SaveableFormat> format = classify_saveable_format(entries[index]);
        if (!format) continue;
        auto same_kind = std::find_if(candidates.begin(), candidates.end(),
                                      [&](const SaveCandidate& c) { return c.kind == format->kind; });
        SaveCandidate winner{std::string(format->kind),
                             std::string(format->label),
                             std::string(format->extension),
                             format->order,
                             format->score,
                             index};
        if (same_kind == candidates.end())
            candidates.push_back(std::move(winner));
        else if (same_kind->score < format->score)
            *same_kind = std::move(winner);  // keeps its place: rows of equal order stay first-met first
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const SaveCandidate& a, const SaveCandidate& b) { return a.order < b.order; });
    return candidates;
}

std::u16string join_folder_and_name(std::u16string_view folder, std::u16string_view name)
{
    std::u16string path(folder);
    const bool ends_with_separator = !folder.empty() && (folder.back() == u'\\' || folder.back() == u'/');
    // "C:" alone means the current directory of drive C; a separator would make it the root.
    const bool bare_drive = folder.size() == 2 && folder[1] == u':' &&
                            ((folder[0] >= u'A' && folder[0] <= u'Z') || (folder[0] >= u'a' && folder[0] <= u'z'));
    if (!folder.empty() && !ends_with_separator && !bare_drive) path += u'\\';
    path += name;
    return path;
}

std::string suggest_file_name(std::u16string_view folder, std::string_view extension, const PathProbe& exists)
{
    const std::string suffix = std::string(".").append(extension);
    std::string name = "untitled" + suffix;
    // No upper bound: each further try needs one more file that really exists.
    for (std::uint64_t n = 1; exists && exists(join_folder_and_name(folder, utf8_to_utf16(name))); ++n)
        name = "untitled_" + std::to_string(n) + suffix;
    return name;
}

std::string simple_view_detail_title(const FormatEntry& entry)
{
    if (const std::optional<SaveableFormat> format = classify_saveable_format(entry))
        return "Preview: " + std::string(format->label) + " (" + std::string(format->extension) + ")";
    return "Preview: " + entry.name;
}

}  // namespace cw
