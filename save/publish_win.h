#pragma once
// Publishing a saved file: the bytes go into a new temporary sibling of the destination, are
// forced to disk, and the sibling is renamed to the destination by a rename that never replaces.
// A reader of the folder sees no file or the whole file, and no existing file is overwritten.

#include <functional>
#include <string>

#include "base/byte_reader.h"
#include "base/error.h"
#include "base/handles_win.h"

namespace cw {

// On failure the error's message is the text to show; nothing this call created is left behind.
Status publish_file(const std::wstring& destination, ByteView data);

// publish_file for bytes that arrive in pieces: begin() creates the temporary sibling, append()
// writes the next piece, finish() flushes, closes and renames. A publication dropped before it
// finished removes its temporary file, so any failure on the way leaves nothing behind.
class FilePublication {
public:
    static Result<FilePublication> begin(const std::wstring& destination);
    FilePublication(FilePublication&& other) noexcept;
    FilePublication& operator=(FilePublication&&) = delete;
    ~FilePublication() { abandon(); }

    // From one thread at a time.
    Status append(ByteView data);
    Status finish();

private:
    FilePublication(std::wstring destination, std::wstring temporary, UniqueFile file);
    void abandon();

    std::wstring destination_;
    std::wstring temporary_;  // empty once renamed or removed
    UniqueFile file_;
};

// Called with the finished, closed temporary file just before the rename. Tests use it to act at
// that moment (create the destination from another process, take the temporary file away); the
// program never sets it.
using BeforeRenameHook = std::function<void(const std::wstring& temporary, const std::wstring& destination)>;
// Returns the hook it replaces.
BeforeRenameHook set_before_rename_hook(BeforeRenameHook hook);

}  // namespace cw
