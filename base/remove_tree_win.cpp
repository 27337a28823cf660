#include "base/remove_tree_win.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "base/handles_win.h"

namespace cw {

namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD KIND_BITS = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
// Deeper than any profile WebView2 writes; a deeper tree is left in place rather than risk the stack.
constexpr int MAX_DEPTH = 128;

bool is_missing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

struct Entry {
    std::wstring name;
    DWORD attributes;
};

// The "\\?\" form of an absolute path, so that deep trees are reachable whatever the system's
// long-path setting.
std::optional<std::wstring> verbatim_path(const std::wstring& path)
{
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    const DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (need == 0) return std::nullopt;
    std::wstring full(need, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
    if (got == 0 || got >= need) return std::nullopt;
    full.resize(got);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();  // C:\x\ names the folder x
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::optional<std::wstring> final_path(HANDLE file)
{
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD n = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
        if (n == 0) return std::nullopt;
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n);
    }
    return std::nullopt;
}

std::wstring child_of(const std::wstring& folder, const std::wstring& name)
{
    return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

bool same_path(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Every entry of an open folder, read through the handle we checked rather than by name again.
std::optional<std::vector<Entry>> list_folder(HANDLE folder)
{
    std::vector<Entry> entries;
    std::vector<unsigned char> buffer(64 * 1024);
    FILE_INFO_BY_HANDLE_CLASS query = FileFullDirectoryRestartInfo;
    for (;;) {
        if (!GetFileInformationByHandleEx(folder, query, buffer.data(), static_cast<DWORD>(buffer.size()))) {
            if (GetLastError() == ERROR_NO_MORE_FILES) return entries;
            return std::nullopt;
        }
        query = FileFullDirectoryInfo;
        for (std::size_t offset = 0; offset + sizeof(FILE_FULL_DIR_INFO) <= buffer.size();) {
            const auto* info = reinterpret_cast<const FILE_FULL_DIR_INFO*>(buffer.data() + offset);
            const std::size_t units = std::min<std::size_t>(
                info->FileNameLength / sizeof(wchar_t),
                (buffer.size() - offset - offsetof(FILE_FULL_DIR_INFO, FileName)) / sizeof(wchar_t));
            const std::wstring name(info->FileName, units);
            if (name != L"." && name != L"..") entries.push_back(Entry{name, info->FileAttributes});
            if (info->NextEntryOffset == 0) break;
            offset += info->NextEntryOffset;
        }
    }
}

// A read-only entry refuses deletion until the attribute is cleared, through a second handle to
// the same object (never through the name, which may have changed).
bool clear_read_only(HANDLE file, DWORD attributes)
{
    UniqueFile writable(
        ReOpenFile(file, FILE_WRITE_ATTRIBUTES, SHARE_ALL, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    if (!writable) return false;
    FILE_BASIC_INFO basic{};  // zero times are left unchanged
    basic.FileAttributes = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(writable.get(), FileBasicInfo, &basic, sizeof basic) != FALSE;
}

bool delete_on_close(HANDLE file, DWORD attributes)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) return true;
    if (GetLastError() != ERROR_ACCESS_DENIED || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    return clear_read_only(file, attributes) &&
           SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

RemovalResult remove_entry(const std::wstring& path, const std::wstring& expected_final, DWORD listed, int depth);

bool empty_folder(HANDLE folder, const std::wstring& path, const std::wstring& final, int depth)
{
    const auto entries = list_folder(folder);
    if (!entries) return false;
    bool emptied = true;
    for (const Entry& entry : *entries) {
        const RemovalResult r =
            remove_entry(child_of(path, entry.name), child_of(final, entry.name), entry.attributes, depth + 1);
        if (r == RemovalResult::failed) emptied = false;
    }
    return emptied;
}

// Removes the entry at `path`, which a listing showed with `listed` attributes and which must be
// the object named `expected_final` itself, not whatever a link there leads to.
RemovalResult remove_entry(const std::wstring& path, const std::wstring& expected_final, DWORD listed, int depth)
{
    const bool folder = (listed & KIND_BITS) == FILE_ATTRIBUTE_DIRECTORY;
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE | (folder ? FILE_LIST_DIRECTORY : 0);
    UniqueFile file(CreateFileW(path.c_str(), access, SHARE_ALL, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return is_missing(GetLastError()) ? RemovalResult::not_found : RemovalResult::failed;

    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag)) return RemovalResult::failed;
    // A file system that ignores FILE_FLAG_OPEN_REPARSE_POINT (Wine's) hands back what a link
    // leads to: the handle then disagrees with the listing, or names another object. Deleting
    // through it would delete the target, so the entry is left.
    if ((tag.FileAttributes & KIND_BITS) != (listed & KIND_BITS)) return RemovalResult::failed;
    if (!(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        const auto actual = final_path(file.get());
        if (!actual || !same_path(*actual, expected_final)) return RemovalResult::failed;
    }

    if (folder) {
        if (depth >= MAX_DEPTH) return RemovalResult::failed;
        if (!empty_folder(file.get(), path, expected_final, depth)) return RemovalResult::failed;
    }
    // A link of any kind is deleted here as itself: the handle is the link, never its target.
    return delete_on_close(file.get(), tag.FileAttributes) ? RemovalResult::removed : RemovalResult::failed;
}

}  // namespace

RemovalResult remove_recursively(const std::wstring& path)
{
    const auto verbatim = verbatim_path(path);
    if (!verbatim) return RemovalResult::failed;
    // The path's own attributes: for a link, the link's, not its target's.
    const DWORD attributes = GetFileAttributesW(verbatim->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return is_missing(GetLastError()) ? RemovalResult::not_found : RemovalResult::failed;

    // Links above the tree are the user's business and are followed; only the tree's own name
    // must match the object that is opened.
    const std::size_t split = verbatim->find_last_of(L'\\');
    if (split == std::wstring::npos || split + 1 == verbatim->size()) return RemovalResult::failed;
    const std::wstring parent_path = verbatim->substr(0, split + 1);
    UniqueFile parent(CreateFileW(parent_path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent) return RemovalResult::failed;
    const auto parent_final = final_path(parent.get());
    if (!parent_final) return RemovalResult::failed;
    return remove_entry(*verbatim, child_of(*parent_final, verbatim->substr(split + 1)), attributes, 0);
}

}  // namespace cw
