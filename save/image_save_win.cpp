#include "save/image_save_win.h"

#include <wincodec.h>

#include <cstring>
#include <utility>
#include <vector>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "capture/retrieval.h"
#include "capture/retrieval_win.h"
#include "capture/snapshot.h"
#include "preview/dib.h"
#include "preview/image_decode.h"
#include "preview/image_decode_win.h"
#include "preview/metafile.h"
#include "save/candidates.h"
#include "save/save_messages.h"

namespace cw {

namespace {

Error failure(std::string message)
{
    return Error::invalid_data(std::move(message));
}

Error com_failure(HRESULT hr)
{
    return Error{static_cast<std::int32_t>(hr), std::nullopt};
}

Error unreadable(const Error& error)
{
    return failure(representation_unreadable_message(error_display(error)));
}

const GUID& container_of(ImageFileType type)
{
    switch (type) {
        case ImageFileType::Png: return GUID_ContainerFormatPng;
        case ImageFileType::Jpeg: return GUID_ContainerFormatJpeg;
        case ImageFileType::Bmp: return GUID_ContainerFormatBmp;
        case ImageFileType::Gif: return GUID_ContainerFormatGif;
        case ImageFileType::Tiff: return GUID_ContainerFormatTiff;
    }
    return GUID_ContainerFormatPng;
}

bool keeps_alpha(ImageFileType type)
{
    return type == ImageFileType::Png || type == ImageFileType::Tiff;
}

std::string stream_bytes(IStream* stream)
{
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return {};
    GlobalLockGuard lock(memory);
    if (!lock) return {};
    return std::string(static_cast<const char*>(lock.data()), static_cast<std::size_t>(stat.cbSize.QuadPart));
}

// Straight-alpha pixels of a picture file: a BMP with alpha through the same reading as its
// preview (WIC would take an unfilled alpha channel at its word), anything else through WIC.
Result<DecodedPixels> picture_pixels(ByteView file)
{
    if (file.size() > BMP_FILE_HEADER_SIZE && file[0] == 'B' && file[1] == 'M') {
        const ByteView dib = file.subspan(BMP_FILE_HEADER_SIZE);
        if (Result<DibLayout> layout = check_dib_for_preview(dib, dib.size()); layout && layout->has_alpha())
            return DecodedPixels{layout->width, static_cast<int>(layout->rows()), dib_alpha_pixels(dib, *layout)};
    }
    return decode_image_pixels(file, std::nullopt);
}

Result<std::string> encode_pixels(DecodedPixels image, ImageFileType target)
{
    const bool alpha = keeps_alpha(target);
    if (!alpha) composite_over_background(image.bgra, 0xFFFFFF);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> bitmap;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    ComPtr<IWICPalette> palette;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr)) return com_failure(hr);
    const UINT stride = 4 * static_cast<UINT>(image.width);
    hr = factory->CreateBitmapFromMemory(static_cast<UINT>(image.width), static_cast<UINT>(image.height),
                                         alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat32bppBGR, stride,
                                         static_cast<UINT>(image.bgra.size()), image.bgra.data(), bitmap.put());
    if (FAILED(hr)) return com_failure(hr);
    hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (FAILED(hr)) return com_failure(hr);
    hr = factory->CreateEncoder(container_of(target), nullptr, encoder.put());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.put(), options.put());
    if (SUCCEEDED(hr)) hr = frame->Initialize(options.get());
    if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height));
    WICPixelFormatGUID format = alpha ? GUID_WICPixelFormat32bppBGRA
                                : target == ImageFileType::Gif ? GUID_WICPixelFormat8bppIndexed
                                                               : GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && format == GUID_WICPixelFormat8bppIndexed) {
        // An indexed frame needs its colours chosen from the picture first.
        hr = factory->CreatePalette(palette.put());
        if (SUCCEEDED(hr)) hr = palette->InitializeFromBitmap(bitmap.get(), 256, FALSE);
        if (SUCCEEDED(hr)) hr = frame->SetPalette(palette.get());
    }
    // The frame converts the pixels to the format it settled on.
    if (SUCCEEDED(hr)) hr = frame->WriteSource(bitmap.get(), nullptr);
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    if (FAILED(hr)) return com_failure(hr);
    std::string bytes = stream_bytes(stream.get());
    if (bytes.empty()) return Error::from_win32(ERROR_INVALID_DATA);
    return bytes;
}

Result<DecodedPixels> bitmap_pixels(HBITMAP handle)
{
    BITMAP info{};
    if (!GetObjectW(handle, sizeof info, &info)) return last_error_or_failure();
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (info.bmWidth <= 0 || height <= 0) return Error::from_win32(ERROR_INVALID_DATA);
    if (Status size = check_decoded_size({static_cast<std::uint32_t>(info.bmWidth), static_cast<std::uint32_t>(height)});
        !size)
        return size.error();
    DecodedPixels image{info.bmWidth, height,
                        std::vector<std::uint8_t>(4 * static_cast<std::size_t>(info.bmWidth) * height)};
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    if (!screen) return last_error_or_failure();
    const int rows = GetDIBits(screen, handle, 0, static_cast<UINT>(height), image.bgra.data(), &format, DIB_RGB_COLORS);
    const Error error = last_error_or_failure();
    ReleaseDC(nullptr, screen);
    if (rows != height) return error;
    // A device bitmap's fourth byte is no alpha channel.
    for (std::size_t i = 3; i < image.bgra.size(); i += 4) image.bgra[i] = 255;
    return image;
}

Result<std::string> enhanced_metafile_file(HENHMETAFILE metafile)
{
    const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
    if (size == 0) return unreadable(last_error_or_failure());
    if (auto refused = check_block_size(size)) return failure(std::move(*refused));
    std::string bits(size, '\0');
    if (GetEnhMetaFileBits(metafile, size, reinterpret_cast<BYTE*>(bits.data())) != size)
        return unreadable(last_error_or_failure());
    return bits;
}

Result<std::string> placeable_metafile_file(HANDLE handle)
{
    if (GlobalSize(handle) < METAFILE_PICT_SIZE) return unreadable(Error::from_win32(ERROR_INVALID_DATA));
    std::optional<MetafilePicture> picture;
    {
        GlobalLockGuard lock(handle);
        if (!lock) return unreadable(last_error_or_failure());
        picture = read_metafile_picture(ByteView(static_cast<const std::uint8_t*>(lock.data()), METAFILE_PICT_SIZE));
    }
    const auto metafile = reinterpret_cast<HMETAFILE>(static_cast<std::uintptr_t>(picture->metafile));
    const UINT size = GetMetaFileBitsEx(metafile, 0, nullptr);
    if (size == 0) return unreadable(last_error_or_failure());
    if (auto refused = check_block_size(size)) return failure(std::move(*refused));
    std::string file(PLACEABLE_HEADER_SIZE + size, '\0');
    auto* bits = reinterpret_cast<std::uint8_t*>(file.data()) + PLACEABLE_HEADER_SIZE;
    if (GetMetaFileBitsEx(metafile, size, bits) != size) return unreadable(last_error_or_failure());
    const auto header = placeable_metafile_header(*picture, ByteView(bits, size));
    std::memcpy(file.data(), header.data(), header.size());
    return file;
}

}  // namespace

Result<std::string> encode_image_file(ByteView file, ImageFileType target)
{
    Result<DecodedPixels> pixels = picture_pixels(file);
    if (!pixels) return pixels.error();
    return encode_pixels(std::move(*pixels), target);
}

Result<SaveData> read_gdi_picture_for_save(HWND clipboard_owner, const FormatEntry& entry)
{
    auto clipboard = ClipboardHandle::open(clipboard_owner);
    if (!clipboard) return failure(open_clipboard_failed_message(error_display(clipboard.error())));
    Result<HANDLE> handle = (*clipboard)->get(entry.id);
    if (!handle) return failure(representation_unavailable_message(error_display(handle.error())));
    Result<std::string> file = std::string();
    if (entry.id == CF_ENHMETAFILE) {
        file = enhanced_metafile_file(static_cast<HENHMETAFILE>(*handle));
    } else if (entry.id == CF_METAFILEPICT) {
        file = placeable_metafile_file(*handle);
    } else {
        Result<DecodedPixels> pixels = bitmap_pixels(static_cast<HBITMAP>(*handle));
        // The pixels are copied: the clipboard can be given back before the encoding.
        clipboard->reset();
        if (!pixels) return unreadable(pixels.error());
        file = encode_pixels(std::move(*pixels), ImageFileType::Png);
        if (!file) return failure(image_encoding_failed_message(ImageFileType::Png, error_display(file.error())));
    }
    if (!file) return file.error();
    return SaveData{std::move(*file), default_extension(entry)};
}

}  // namespace cw
