#include "save/publish_win.h"

#include <optional>
#include <utility>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "save/publish.h"

namespace cw {

namespace {

BeforeRenameHook& before_rename_hook()
{
    static BeforeRenameHook hook;
    return hook;
}

std::u16string_view utf16_of(const std::wstring& text)
{
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

std::wstring wide_of(const std::u16string& text)
{
    return std::wstring(text.begin(), text.end());
}

Error file_failure(std::uint32_t code, std::string message)
{
    return Error{hresult_from_win32(code), std::move(message)};
}

struct TemporaryFile {
    UniqueFile file;
    std::wstring path;
};

// The first free attempt number wins; names that exist belong to another save or an earlier one.
Result<TemporaryFile> create_temporary(const std::wstring& destination, const std::string& final_name)
{
    const DWORD pid = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < MAX_TEMP_ATTEMPTS; ++attempt) {
        std::wstring path = wide_of(temporary_sibling_path(utf16_of(destination), final_name, pid, attempt));
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return TemporaryFile{std::move(file), std::move(path)};
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
        return file_failure(code, temp_create_failed_message(file_error_text(code)));
    }
    return file_failure(ERROR_FILE_EXISTS, std::string(TEMP_NAMES_EXHAUSTED));
}

std::optional<Error> write_all(HANDLE file, ByteView data)
{
    const auto failure = write_whole_buffer(data, [file](const std::uint8_t* bytes, std::size_t count) {
        DWORD written = 0;
        if (!WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr))
            return WriteCall{0, static_cast<std::uint32_t>(GetLastError())};
        return WriteCall{written, 0};
    });
    if (!failure) return std::nullopt;
    if (failure->win32_code == 0) return Error::invalid_data(temp_write_failed_message(WRITE_ZERO_BYTES));
    return file_failure(failure->win32_code, temp_write_failed_message(file_error_text(failure->win32_code)));
}

std::optional<Error> flush(HANDLE file)
{
    if (FlushFileBuffers(file)) return std::nullopt;
    const DWORD code = GetLastError();
    return file_failure(code, temp_write_failed_message(file_error_text(code)));
}

bool path_has_metadata(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info) != FALSE;
}

}  // namespace

BeforeRenameHook set_before_rename_hook(BeforeRenameHook hook)
{
    return std::exchange(before_rename_hook(), std::move(hook));
}

Status publish_file(const std::wstring& destination, ByteView data)
{
    auto publication = FilePublication::begin(destination);
    if (!publication) return publication.error();
    if (Status written = publication->append(data); !written) return written;
    return publication->finish();
}

FilePublication::FilePublication(std::wstring destination, std::wstring temporary, UniqueFile file)
    : destination_(std::move(destination)), temporary_(std::move(temporary)), file_(std::move(file))
{
}

FilePublication::FilePublication(FilePublication&& other) noexcept
    : destination_(std::move(other.destination_)),
      temporary_(std::exchange(other.temporary_, {})),
      file_(std::move(other.file_))
{
}

Result<FilePublication> FilePublication::begin(const std::wstring& destination)
{
    auto final_name = destination_file_name(utf16_of(destination));
    if (!final_name) return final_name.error();
    auto temporary = create_temporary(destination, *final_name);
    if (!temporary) return temporary.error();
    return FilePublication(destination, std::move(temporary->path), std::move(temporary->file));
}

void FilePublication::abandon()
{
    file_.reset();
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());  // the save has failed already; nothing more to report
    temporary_.clear();
}

Status FilePublication::append(ByteView data)
{
    if (std::optional<Error> unwritten = write_all(file_.get(), data)) {
        abandon();
        return *unwritten;
    }
    return ok_status();
}

Status FilePublication::finish()
{
    if (std::optional<Error> unflushed = flush(file_.get())) {
        abandon();
        return *unflushed;
    }
    file_.reset();

    if (before_rename_hook()) before_rename_hook()(temporary_, destination_);
    // Without MOVEFILE_REPLACE_EXISTING the rename fails when the destination exists.
    if (MoveFileExW(temporary_.c_str(), destination_.c_str(), MOVEFILE_WRITE_THROUGH)) {
        temporary_.clear();
        return ok_status();
    }
    const DWORD code = GetLastError();
    abandon();
    if (path_has_metadata(destination_)) return Error{hresult_from_win32(code), std::string(DESTINATION_TAKEN)};
    return Error{hresult_from_win32(code), publish_failed_message(error_display(Error::from_win32(code)))};
}

}  // namespace cw
