#pragma once
// Picture files for the save command: the GDI-held pictures read into file bytes, and an image
// encoded again when the typed extension names another picture format.

#include <string>

#include "base/byte_reader.h"
#include "base/error.h"
#include "base/win32.h"
#include "save/conversion.h"
#include "save/image_file_type.h"

namespace cw {

struct FormatEntry;

// CF_BITMAP as a PNG file, CF_ENHMETAFILE as its metafile bits, CF_METAFILEPICT as a placeable
// WMF file; read while `clipboard_owner` holds the clipboard open, which it closes again.
Result<SaveData> read_gdi_picture_for_save(HWND clipboard_owner, const FormatEntry& entry);

// `file` (a PNG, JPEG, GIF, TIFF or BMP file) encoded as `target` with the Windows Imaging
// Component. PNG and TIFF keep the alpha channel; the other formats get the picture over white.
// A 32-bit BMP with an alpha mask keeps its alpha unless it is 0 everywhere.
Result<std::string> encode_image_file(ByteView file, ImageFileType target);

}  // namespace cw
