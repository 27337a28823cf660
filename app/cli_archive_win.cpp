#include "app/cli_archive_win.h"

#include <nlohmann/json.hpp>

#include "app/cli_arguments.h"
#include "app/cli_select.h"
#include "app/cli_win.h"
#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "capture/archive_source_win.h"
#include "capture/clipboard_archive_win.h"
#include "capture/format_identity_win.h"
#include "save/publish_win.h"

namespace cw {

namespace {

bool path_exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// One line per format the archive holds no bytes for, so nothing is dropped silently.
std::string unstored_lines(const ClipboardArchive& archive, std::string_view verb)
{
    std::string lines;
    for (const ArchivedFormat& format : archive.formats) {
        if (format.content == ArchiveContent::failed)
            lines += "clipwright-cli: " + std::string(verb) + ": " + format.name + ": " +
                     lf_line_ends(format.error.value_or("")) + "\n";
        for (const ArchivedItem& item : format.items)
            if (!item.bytes)
                lines += "clipwright-cli: " + std::string(verb) + ": " + format.name + " item " +
                         std::to_string(item.lindex) + ": " + item.error.value_or("") + "\n";
    }
    return lines;
}

Result<ClipboardArchive> load_archive(const std::string& archive_path)
{
    auto archive = load_clipboard_archive(cli_full_path(archive_path));
    if (!archive)
        return Error{archive.error().code,
                     "Cannot use the archive " + archive_path + ": " + error_display(archive.error())};
    return archive;
}

}  // namespace

CliOutput run_dump(HWND window, const std::string& archive_path)
{
    const std::wstring destination = cli_full_path(archive_path);
    if (path_exists(destination))
        return cli_failure(CLI_SAVE_FAILED, archive_path + " already exists; nothing was overwritten.");
    Result<ClipboardArchive> archive = dump_clipboard(window);
    if (!archive) return cli_busy(archive.error());
    if (clipboard_sequence_number() != archive->sequence_number)
        return cli_failure(CLI_CLIPBOARD_BUSY, CLI_CLIPBOARD_CHANGED);
    Result<std::vector<std::uint8_t>> bytes = write_clipboard_archive(*archive);
    if (!bytes) return cli_failure(CLI_SAVE_FAILED, bytes.error().message.value_or(error_display(bytes.error())));
    // A full disk or a vanished folder leaves nothing behind: the temporary file is removed.
    if (Status published = publish_file(destination, *bytes); !published)
        return cli_failure(CLI_SAVE_FAILED, published.error().message.value_or(error_display(published.error())));
    return {from_wide(destination) + "\n", unstored_lines(*archive, "not stored"), CLI_SUCCESS};
}

CliOutput run_restore(HWND window, const std::string& archive_path)
{
    Result<ClipboardArchive> archive = load_archive(archive_path);
    if (!archive) return cli_failure(CLI_BAD_ARCHIVE, *archive.error().message);
    if (Status restored = restore_clipboard(window, *archive); !restored) {
        const bool busy = restored.error().win32_code() == ERROR_ACCESS_DENIED;
        return cli_failure(busy ? CLI_CLIPBOARD_BUSY : CLI_SAVE_FAILED,
                           "The clipboard was not restored: " + error_display(restored.error()));
    }
    return {"", unstored_lines(*archive, "not restored"), CLI_SUCCESS};
}

struct FromArchive::State {
    explicit State(ClipboardArchive archive) : source(std::move(archive)), scope(source) {}
    ArchiveSource source;
    ArchiveSourceScope scope;
};

FromArchive::~FromArchive() = default;

std::variant<std::unique_ptr<FromArchive>, CliOutput> FromArchive::open(const std::string& archive_path)
{
    Result<ClipboardArchive> archive = load_archive(archive_path);
    if (!archive) return cli_failure(CLI_BAD_ARCHIVE, *archive.error().message);
    auto from = std::unique_ptr<FromArchive>(new FromArchive());
    from->state_ = std::make_unique<State>(std::move(*archive));
    return from;
}

}  // namespace cw
