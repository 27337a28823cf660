#include "app/cli_win.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>
#include <type_traits>
#include <variant>

#include "app/cli_archive_win.h"
#include "app/cli_arguments.h"
#include "app/cli_output.h"
#include "app/cli_select.h"
#include "app/clipboard_capture_win.h"
#include "app/paste_files_cli.h"
#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "capture/archive_source_win.h"
#include "inspect/dispatcher_win.h"
#include "save/paste_files_win.h"
#include "save/save_command_win.h"
#include "save/save_messages.h"

namespace cw {

namespace {

// One standard stream. A console gets UTF-16 through WriteConsoleW, so the console renders every
// character whatever its code page; a pipe or file gets UTF-8. A reader that went away (a closed
// pipe) ends the writing quietly: nothing is left to tell.
class StandardStream {
public:
    explicit StandardStream(DWORD which) : handle_(GetStdHandle(which))
    {
        DWORD mode = 0;
        console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
    }

    // False once the reader has gone.
    bool write(std::string_view text)
    {
        if (gone_ || handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return false;
        if (console_) {
            write_chunks(std::u16string_view(utf8_to_utf16(text)), [this](const char16_t* data, DWORD n, DWORD* done) {
                return WriteConsoleW(handle_, data, n, done, nullptr);
            });
        } else {
            write_chunks(text, [this](const char* data, DWORD n, DWORD* done) {
                return WriteFile(handle_, data, n, done, nullptr);
            });
        }
        return !gone_;
    }

private:
    static constexpr std::size_t CHUNK = 0x8000;

    template <typename Char, typename WriteChunk>
    void write_chunks(std::basic_string_view<Char> text, WriteChunk write_chunk)
    {
        while (!text.empty() && !gone_) {
            DWORD count = static_cast<DWORD>(std::min(text.size(), CHUNK));
            // A surrogate pair is never split between two console writes.
            if constexpr (std::is_same_v<Char, char16_t>)
                if (count < text.size() && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF) --count;
            DWORD written = 0;
            if (!write_chunk(text.data(), count, &written) || written == 0) gone_ = true;
            text.remove_prefix(std::min<std::size_t>(written, text.size()));
        }
    }

    HANDLE handle_;
    bool console_ = false;
    bool gone_ = false;
};

void emit(const CliOutput& output)
{
    if (!output.out.empty()) StandardStream(STD_OUTPUT_HANDLE).write(output.out);
    if (!output.err.empty()) StandardStream(STD_ERROR_HANDLE).write(output.err);
}

CliOutput failure(int status, std::string_view message)
{
    return {"", "clipwright-cli: " + lf_line_ends(message) + "\n", status};
}

// A hidden message-only window on whose behalf the clipboard is opened.
class ClipboardWindow {
public:
    ClipboardWindow()
    {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = CLASS_NAME;
        RegisterClassExW(&wc);  // a class left registered by an earlier call is just as good
        window_.reset(CreateWindowExW(0, CLASS_NAME, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    }
    HWND get() const { return window_.get(); }

private:
    static constexpr wchar_t CLASS_NAME[] = L"ClipwrightCliClipboardWindow";
    UniqueWindow window_;
};

Result<ClipboardSnapshot> take_snapshot(HWND window, bool with_grouping)
{
    if (ArchiveSource* archived = installed_archive_source()) {
        ClipboardSnapshot snapshot = archive_snapshot(archived->archive());
        snapshot.summary = snapshot_summary(snapshot);
        return snapshot;
    }
    return capture_logged_snapshot(window, with_grouping);
}

CliOutput busy(const Error& error)
{
    return failure(CLI_CLIPBOARD_BUSY, open_clipboard_failed_message(error_display(error)));
}

bool clipboard_changed(const ClipboardSnapshot& snapshot)
{
    return clipboard_sequence_number() != snapshot.sequence_number;
}

// GlobalSize of every flat block; opening the clipboard again fails only when another program holds it.
Result<std::vector<std::optional<std::uint64_t>>> global_sizes(HWND window, const ClipboardSnapshot& snapshot)
{
    std::vector<std::optional<std::uint64_t>> sizes(snapshot.entries.size());
    if (ArchiveSource* archived = installed_archive_source()) return archived_global_sizes(archived->archive());
    ClipboardSession clipboard;
    if (!clipboard.open(window)) return last_error_or_failure();
    if (clipboard_changed(snapshot)) return sizes;  // the caller reports the change
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const FormatEntry& entry = snapshot.entries[i];
        if (!entry.listed_by_win32 || !has_global_memory_block(entry.id)) continue;
        // Borrowed from the clipboard: never freed, used only while it is open.
        HANDLE handle = GetClipboardData(entry.id);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) continue;
        if (const SIZE_T size = GlobalSize(handle); size != 0) sizes[i] = size;
    }
    return sizes;
}

CliOutput run_list(HWND window, bool json)
{
    Result<ClipboardSnapshot> snapshot = take_snapshot(window, true);
    if (!snapshot) return busy(snapshot.error());
    auto sizes = global_sizes(window, *snapshot);
    if (!sizes) return busy(sizes.error());
    if (clipboard_changed(*snapshot)) return failure(CLI_CLIPBOARD_BUSY, CLI_CLIPBOARD_CHANGED);
    return list_output(*snapshot, *sizes, json);
}

CliOutput format_not_found(std::string_view spec)
{
    return failure(CLI_FORMAT_NOT_FOUND, std::string(CLI_NO_SUCH_FORMAT) + "\"" + std::string(spec) + "\".");
}

CliOutput run_show(HWND window, const std::string& spec, bool json)
{
    Result<ClipboardSnapshot> snapshot = take_snapshot(window, false);
    if (!snapshot) return busy(snapshot.error());
    if (snapshot->entries.empty()) return failure(CLI_FORMAT_NOT_FOUND, CLI_CLIPBOARD_EMPTY);
    const auto index = find_format(snapshot->entries, spec);
    if (!index) return format_not_found(spec);
    const FormatEntry& entry = snapshot->entries[*index];
    const DetailReport report = build_detail_report(window, entry);
    if (clipboard_changed(*snapshot)) return failure(CLI_CLIPBOARD_BUSY, CLI_CLIPBOARD_CHANGED);
    const std::string error_text =
        report.kind() == DetailReportKind::Unavailable ? error_display(report.as<UnavailableContent>().error) : "";
    return report_output(entry, report, json, error_text);
}

std::u16string u16_of(const std::wstring& text)
{
    return std::u16string(text.begin(), text.end());
}

// The absolute form of a path as typed, so the printed path says where the file went.
std::u16string full_path(const std::string& typed)
{
    const std::wstring wide = to_wide(typed);
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) break;
        if (n < full.size()) {
            full.resize(n);
            return u16_of(full);
        }
        full.resize(n);
    }
    return u16_of(wide);
}

std::u16string current_folder()
{
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(n, L'\0');
    const DWORD got = GetCurrentDirectoryW(n, folder.data());
    folder.resize(got < n ? got : 0);
    return u16_of(folder);
}

struct SaveDestination {
    std::u16string folder;
    std::string typed_name;
};

// The window's save proposes "untitled" with the data's extension; --to names the file itself.
SaveDestination save_destination(const CliArguments& args)
{
    if (args.to_file) {
        DestinationParts parts = split_destination(full_path(*args.to_file));
        if (parts.folder.empty()) parts.folder = current_folder();
        return {std::move(parts.folder), utf16_to_utf8(parts.name)};
    }
    return {args.in_folder ? full_path(*args.in_folder) : current_folder(), "untitled"};
}

CliOutput run_save(HWND window, const CliArguments& args)
{
    Result<ClipboardSnapshot> snapshot = take_snapshot(window, false);
    if (!snapshot) return busy(snapshot.error());
    if (snapshot->entries.empty()) return failure(CLI_FORMAT_NOT_FOUND, CLI_CLIPBOARD_EMPTY);
    std::optional<std::size_t> index;
    if (args.format) {
        index = find_format(snapshot->entries, *args.format);
        if (!index) return format_not_found(*args.format);
    } else if (const auto found = find_save_format(snapshot->entries, args.as_extension)) {
        index = found;
    } else {
        std::string message(CLI_NO_SAVE_ROW);
        if (args.as_extension) message += " for \"" + *args.as_extension + "\"";
        return failure(CLI_FORMAT_NOT_FOUND, message + ".");
    }
    const SaveDestination destination = save_destination(args);
    const SaveRequest request{destination.folder, &*snapshot, index, destination.typed_name};
    const Result<std::wstring> saved = save_representation(window, request);
    if (!saved) {
        const std::string message = saved.error().message.value_or(error_display(saved.error()));
        return failure(save_failure_status(message), message);
    }
    return {from_wide(*saved) + "\n", "", CLI_SUCCESS};
}

CliOutput run_command(const CliArguments& args)
{
    OleSession ole;
    if (FAILED(ole.result())) return failure(1, "OleInitialize failed: " + error_display(Error{ole.result(), {}}));
    ClipboardWindow window;
    std::unique_ptr<FromArchive> from;
    if (args.from_archive) {
        auto opened = FromArchive::open(*args.from_archive);
        if (auto* refused = std::get_if<CliOutput>(&opened)) return std::move(*refused);
        from = std::move(std::get<0>(opened));
    }
    switch (args.command) {
        case CliCommand::list:
            return run_list(window.get(), args.json);
        case CliCommand::show:
            return run_show(window.get(), *args.format, args.json);
        case CliCommand::save:
            return run_save(window.get(), args);
        case CliCommand::dump:
            return run_dump(window.get(), *args.archive);
        case CliCommand::restore:
            return run_restore(window.get(), *args.archive);
        case CliCommand::watch:
            return run_watch(args.json);
        case CliCommand::help:
            break;
    }
    return {std::string(CLI_USAGE), "", CLI_SUCCESS};
}

CliOutput usage_failure(const CliUsageError& refused)
{
    return {"", "clipwright-cli: " + refused.message + "\n\n" + std::string(CLI_USAGE), CLI_USAGE_ERROR};
}

CliOutput run_paste_files(const std::vector<std::string>& arguments)
{
    auto parsed = parse_paste_files_arguments({arguments.begin() + 1, arguments.end()});
    if (const auto* refused = std::get_if<CliUsageError>(&parsed)) return usage_failure(*refused);
    const PasteFilesArguments& args = std::get<PasteFilesArguments>(parsed);
    OleSession ole;
    if (FAILED(ole.result())) return failure(1, "OleInitialize failed: " + error_display(Error{ole.result(), {}}));
    const std::u16string folder = args.in_folder ? full_path(*args.in_folder) : current_folder();
    const PasteRequest request{utf16_to_utf8(folder), args.mode, args.zip_name, args.listing};
    return paste_files_output(paste_files(request), args.json);
}

}  // namespace

CliOutput cli_failure(int status, std::string_view message)
{
    return failure(status, message);
}

CliOutput cli_busy(const Error& error)
{
    return busy(error);
}

std::wstring cli_full_path(const std::string& typed)
{
    const std::u16string full = full_path(typed);
    return std::wstring(full.begin(), full.end());
}

bool write_standard_output(std::string_view text)
{
    static StandardStream out(STD_OUTPUT_HANDLE);
    return out.write(text);
}

int run_cli(const std::vector<std::string>& arguments)
{
    CliOutput output;
    try {
        if (!arguments.empty() && arguments[0] == PASTE_FILES_COMMAND) {
            emit(output = run_paste_files(arguments));
            return output.status;
        }
        auto parsed = parse_cli_arguments(arguments);
        if (const auto* refused = std::get_if<CliUsageError>(&parsed))
            output = usage_failure(*refused);
        else
            output = run_command(std::get<CliArguments>(parsed));
    } catch (const std::exception& e) {
        // Out of memory and the like: said once, with the general failure status.
        output = failure(1, e.what());
    }
    emit(output);
    return output.status;
}

}  // namespace cw
