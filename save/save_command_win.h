#pragma once
// Saving one representation: reads it again, converts it, checks the typed file name and
// publishes the file. The window's "&Save and Close" is one caller; it passes what it shows.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/error.h"
#include "base/win32.h"
#include "capture/snapshot.h"

namespace cw {

struct SaveRequest {
    std::u16string_view target_folder;
    const ClipboardSnapshot* snapshot = nullptr;
    std::optional<std::size_t> selected_format;  // into the snapshot's entries
    std::string typed_name;                      // UTF-8, as the user typed it
};

// Never changes the clipboard; `clipboard_owner` is the window that opens it. Logs the "save"
// event with its result either way and returns the path written.
Result<std::wstring> save_representation(HWND clipboard_owner, const SaveRequest& request);

// A large block goes from the clipboard to the file in chunks of this many bytes (SAVE_CHUNK_SIZE
// unless changed), copied on one thread while another writes. Tests make it small so that a block
// needs many chunks. Returns the size it replaces.
inline constexpr std::size_t SAVE_CHUNK_SIZE = 4 * 1024 * 1024;
std::size_t set_save_chunk_size(std::size_t bytes);

// The extension a save of `entry` gives a name typed without one. For an embedded object it comes
// from the verdict of the report that read it whole, or else from reading the current bytes as the
// save does: "psd" only for a Photoshop document inside.
std::string proposed_extension(HWND clipboard_owner, const FormatEntry& entry,
                               std::optional<bool> holds_photoshop_document = std::nullopt);

}  // namespace cw
