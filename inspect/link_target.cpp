#include "inspect/link_target.h"

#include "base/text.h"
#include "inspect/file_probe.h"

namespace cw {

namespace {

constexpr std::uint32_t IO_REPARSE_TAG_MOUNT_POINT = 0xA0000003U;
constexpr std::uint32_t IO_REPARSE_TAG_SYMLINK = 0xA000000CU;
constexpr std::uint32_t SYMLINK_FLAG_RELATIVE = 1;
constexpr std::uint64_t REPARSE_HEADER = 8;

// A name inside the path buffer: whole UTF-16 units, no NUL (no Win32 path holds one).
std::optional<std::string> buffer_name(const ByteReader& buffer, std::uint16_t offset, std::uint16_t length)
{
    if (length % 2 != 0) return std::nullopt;
    const auto bytes = buffer.slice(offset, length);
    if (!bytes) return std::nullopt;
    std::u16string units(length / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>((*bytes)[2 * i] | ((*bytes)[2 * i + 1] << 8));
        if (units[i] == u'\0') return std::nullopt;
    }
    return utf16_to_utf8(units);
}

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

}  // namespace

std::optional<LinkTarget> parse_link_target(ByteView reparse_data)
{
    const ByteReader reader(reparse_data);
    const auto tag = reader.u32le(0);
    const auto data_length = reader.u16le(4);
    if (!tag || !data_length || (*tag != IO_REPARSE_TAG_SYMLINK && *tag != IO_REPARSE_TAG_MOUNT_POINT))
        return std::nullopt;
    // The header's own length wins over trailing bytes; a header claiming more than arrived is cut.
    const auto data = reader.slice(REPARSE_HEADER, *data_length);
    if (!data) return std::nullopt;
    const ByteReader fields(*data);
    const auto substitute_offset = fields.u16le(0);
    const auto substitute_length = fields.u16le(2);
    const auto print_offset = fields.u16le(4);
    const auto print_length = fields.u16le(6);
    if (!substitute_offset || !substitute_length || !print_offset || !print_length) return std::nullopt;
    LinkTarget target;
    std::uint64_t path_buffer = 8;
    if (*tag == IO_REPARSE_TAG_SYMLINK) {
        const auto flags = fields.u32le(8);
        if (!flags) return std::nullopt;
        target.relative = (*flags & SYMLINK_FLAG_RELATIVE) != 0;
        path_buffer = 12;
    }
    const ByteReader buffer(fields.tail(path_buffer));
    auto substitute = buffer_name(buffer, *substitute_offset, *substitute_length);
    auto print = buffer_name(buffer, *print_offset, *print_length);
    if (!substitute || !print || substitute->empty()) return std::nullopt;
    target.substitute_name = std::move(*substitute);
    target.print_name = std::move(*print);
    return target;
}

std::optional<std::string> followable_link_target(std::string_view link_path, const LinkTarget& target)
{
    const std::string& name = target.substitute_name;
    if (name.empty() || is_device_path(name) || (!target.print_name.empty() && is_device_path(target.print_name)))
        return std::nullopt;
    std::string next;
    if (!target.relative) {
        // Absolute targets are NT names; only those under \??\ have a Win32 spelling.
        if (name.size() < 5 || name.compare(0, 4, "\\??\\") != 0) return std::nullopt;
        next = "\\\\?\\" + name.substr(4);
    } else {
        // A name relative to the drive's root, or carrying its own drive, is not relative to the
        // link's folder; Windows' reading of those is not worth guessing at.
        if (is_separator(name[0]) || name.find(':') != std::string::npos) return std::nullopt;
        std::size_t folder_end = link_path.size();
        while (folder_end > 0 && !is_separator(link_path[folder_end - 1])) --folder_end;
        next = std::string(link_path.substr(0, folder_end)) + name;
    }
    if (is_device_path(next)) return std::nullopt;
    return next;
}

}  // namespace cw
