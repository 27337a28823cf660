#pragma once
// An archive read in place of the clipboard. While one is installed on a thread, the two doors
// every reader goes through (ClipboardHandle and read_ole_stream) serve the archive's bytes as
// the handles and streams the clipboard would give, so every report, preview and save works on
// an archived clipboard exactly as on the live one, and the clipboard is never touched.

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "base/error.h"
#include "base/win32.h"
#include "capture/clipboard_archive.h"
#include "capture/retrieval.h"

namespace cw {

class ArchiveSource {
public:
    explicit ArchiveSource(ClipboardArchive archive);
    ~ArchiveSource();
    ArchiveSource(const ArchiveSource&) = delete;
    ArchiveSource& operator=(const ArchiveSource&) = delete;

    const ClipboardArchive& archive() const { return archive_; }
    // What GetClipboardData would return for the archived identifier; made on first use and
    // owned by the source. An error for a format the archive does not hold bytes for.
    Result<HANDLE> handle(std::uint32_t id);
    // What an IStream offer would read.
    Result<StreamRead> stream(std::uint32_t id, std::int32_t lindex) const;

private:
    const ArchivedFormat* find(std::uint32_t id) const;
    const ArchivedFormat* stored(std::uint32_t id) const;
    std::optional<ArchivedFormat> synthesise(const ArchivedFormat& format) const;

    ClipboardArchive archive_;
    std::map<std::uint32_t, std::pair<HANDLE, ArchiveEncoding>> handles_;
};

// Installs `source` for this thread until the scope ends.
class ArchiveSourceScope {
public:
    explicit ArchiveSourceScope(ArchiveSource& source);
    ~ArchiveSourceScope();
    ArchiveSourceScope(const ArchiveSourceScope&) = delete;
    ArchiveSourceScope& operator=(const ArchiveSourceScope&) = delete;

private:
    ArchiveSource* previous_;
};

// The archive installed on this thread, or null for the live clipboard.
ArchiveSource* installed_archive_source();

// GetClipboardSequenceNumber, or the archived number while an archive is installed (it never changes).
std::uint32_t clipboard_sequence_number();

// Reads and checks an archive file; the error message says why it cannot be used.
Result<ClipboardArchive> load_clipboard_archive(const std::wstring& path);

std::string archived_format_unavailable_message(const ArchivedFormat& format);

}  // namespace cw
