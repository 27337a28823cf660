#include "preview/image_decode_win.h"

#include <shlwapi.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/error_win.h"

namespace cw {

namespace {

// The version-1 factory: decoding needs nothing the later one adds.
constexpr GUID IMAGING_FACTORY_CLSID = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID IMAGING_FACTORY_IID = {0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
// Straight alpha: compositing needs the colour and its coverage apart.
constexpr GUID PIXEL_FORMAT_32BPP_BGRA = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};

Error com_failure(HRESULT hr)
{
    return Error{static_cast<std::int32_t>(hr), std::nullopt};
}

BITMAPINFO top_down_32bit(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

Result<DecodedPixels> decode_image_pixels(ByteView bytes, std::optional<ImageSize> target_size)
{
    if (Status length = check_encoded_image_length(bytes.size()); !length) return length.error();

    // Released in the reverse order: converter, scaler, frame, decoder, factory, stream.
    ComPtr<IStream> stream;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapScaler> scaler;
    ComPtr<IWICFormatConverter> converter;

    stream.reset(SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
    if (!stream) return Error::invalid_data(std::string(IMAGE_STREAM_FAILED_TEXT));
    HRESULT hr = CoCreateInstance(IMAGING_FACTORY_CLSID, nullptr, CLSCTX_INPROC_SERVER, IMAGING_FACTORY_IID,
                                  reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr)) return com_failure(hr);
    hr = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad, decoder.put());
    if (FAILED(hr)) return com_failure(hr);
    // Only the first frame: an animated GIF or a multi-page TIFF shows its first picture.
    hr = decoder->GetFrame(0, frame.put());
    if (FAILED(hr)) return com_failure(hr);
    hr = factory->CreateFormatConverter(converter.put());
    if (FAILED(hr)) return com_failure(hr);

    IWICBitmapSource* source = frame.get();
    if (target_size) {
        if (Status target = check_target_size(*target_size); !target) return target.error();
        hr = factory->CreateBitmapScaler(scaler.put());
        if (FAILED(hr)) return com_failure(hr);
        hr = scaler->Initialize(frame.get(), target_size->width, target_size->height, WICBitmapInterpolationModeFant);
        if (FAILED(hr)) return com_failure(hr);
        source = scaler.get();
    }
    hr = converter->Initialize(source, PIXEL_FORMAT_32BPP_BGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                               WICBitmapPaletteTypeCustom);
    if (FAILED(hr)) return com_failure(hr);

    UINT width = 0, height = 0;
    hr = converter->GetSize(&width, &height);
    if (FAILED(hr)) return com_failure(hr);
    if (Status size = check_decoded_size({width, height}); !size) return size.error();

    // The checks above bound these: the stride below 2^32 and the whole buffer at most 256 MiB.
    const UINT stride = 4 * width;
    const UINT buffer_size = stride * height;
    DecodedPixels decoded{static_cast<int>(width), static_cast<int>(height), std::vector<std::uint8_t>(buffer_size)};
    const WICRect whole{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    hr = converter->CopyPixels(&whole, stride, buffer_size, decoded.bgra.data());
    if (FAILED(hr)) return com_failure(hr);
    return decoded;
}

Result<UniqueGdiObject> decode_image(ByteView bytes, std::optional<ImageSize> target_size, COLORREF background)
{
    Result<DecodedPixels> decoded = decode_image_pixels(bytes, target_size);
    if (!decoded) return decoded.error();
    composite_over_background(decoded->bgra, background);
    return create_top_down_bitmap(decoded->width, decoded->height, decoded->bgra);
}

Result<UniqueGdiObject> create_top_down_bitmap(int width, int height, const std::vector<std::uint8_t>& bgrx)
{
    const BITMAPINFO info = top_down_32bit(width, height);
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return last_error_or_failure();
    std::memcpy(bits, bgrx.data(), std::min(bgrx.size(), 4 * static_cast<std::size_t>(width) * height));
    return bitmap;
}

CanvasBitmap::CanvasBitmap(UniqueGdiObject bitmap, HDC dc, HGDIOBJ previous)
    : bitmap_(std::move(bitmap)), dc_(dc), previous_(previous)
{
}

CanvasBitmap::CanvasBitmap(CanvasBitmap&& other) noexcept
    : bitmap_(std::move(other.bitmap_)),
      dc_(std::exchange(other.dc_, nullptr)),
      previous_(std::exchange(other.previous_, nullptr))
{
}

CanvasBitmap::~CanvasBitmap()
{
    release_dc();
}

void CanvasBitmap::release_dc()
{
    // The bitmap must leave the DC before either can be deleted.
    if (!dc_) return;
    if (previous_) SelectObject(dc_, previous_);
    DeleteDC(dc_);
    dc_ = nullptr;
    previous_ = nullptr;
}

UniqueGdiObject CanvasBitmap::finish()
{
    release_dc();
    return std::move(bitmap_);
}

Result<CanvasBitmap> create_canvas_bitmap(int width, int height)
{
    // A negative height would silently make a bottom-up bitmap and a wrong fill size.
    if (width <= 0 || height <= 0) return Error::from_win32(ERROR_INVALID_PARAMETER);
    const BITMAPINFO info = top_down_32bit(width, height);
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return last_error_or_failure();
    std::memset(bits, 0xFF, 4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return last_error_or_failure();
    const HGDIOBJ previous = SelectObject(dc, bitmap.get());
    if (!previous || previous == HGDI_ERROR) {
        Error error = last_error_or_failure();
        DeleteDC(dc);
        return error;
    }
    return CanvasBitmap(std::move(bitmap), dc, previous);
}

}  // namespace cw
