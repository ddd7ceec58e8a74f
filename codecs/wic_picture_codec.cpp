#include "codecs/wic_picture_codec.h"

#include "codecs/wic_picture.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <wincodec.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace codecs {

using namespace sets;


Decoded WicPictureCodec::decodeUpright(std::span<const std::byte> file, int mostWidth, int mostHeight)
{
    // Decoded as stored, at the decoder's own reduced size where it has one,
    // reduced by averaging to the size that fits once turned, then turned.
    // Reduced here rather than by WIC's scaler, whose quality differs
    // between systems (under Wine, nearest-neighbour).
    const int orientation = exifOrientation(file);
    const bool side = liesOnItsSide(orientation);
    const auto fittedAsStored = [&](int width, int height) {
        return side ? fittedSize(width, height, mostHeight, mostWidth) : fittedSize(width, height, mostWidth, mostHeight);
    };
    WicPhotograph photograph = decodeWicPhotograph(file, [&](int width, int height) {
        const PictureSize fitted = fittedAsStored(width, height);
        return PictureArea{fitted.width, fitted.height};
    });
    Decoded decoded;
    decoded.storedWidth = photograph.storedWidth;
    decoded.storedHeight = photograph.storedHeight;
    switch (photograph.outcome) {
    case WicPhotograph::Outcome::decoded:
        break;
    case WicPhotograph::Outcome::notPicture:
        decoded.problem = Decoded::Problem::notPicture;
        return decoded;
    case WicPhotograph::Outcome::tooLarge:
        decoded.problem = Decoded::Problem::tooLarge;
        return decoded;
    case WicPhotograph::Outcome::damaged:
        decoded.problem = Decoded::Problem::damaged;
        return decoded;
    }
    // 32-bit BGR in memory is 0x??RRGGBB: made opaque.
    Pixels stored{photograph.picture.width, photograph.picture.height, std::move(photograph.picture.pixels)};
    for (std::uint32_t& pixel : stored.data)
        pixel |= 0xFF000000u;
    const PictureSize fitted = fittedAsStored(photograph.storedWidth, photograph.storedHeight);
    decoded.pixels = turnedUpright(reduced(stored, fitted.width, fitted.height), orientation);
    return decoded;
}

std::optional<std::vector<std::byte>> WicPictureCodec::encodeJpeg(const Pixels& picture, int quality)
{
    // COM for the time of the call, unless the thread has it already.
    struct Apartment {
        HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ~Apartment()
        {
            if (SUCCEEDED(result))
                CoUninitialize();
        }
    } const apartment;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
        return std::nullopt;
    ComPtr<IStream> stream;
    stream.Attach(SHCreateMemStream(nullptr, 0));
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (!stream || FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, &options)))
        return std::nullopt;
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = static_cast<float>(quality) / 100.0f;
    options->Write(1, &option, &value);
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    const UINT stride = static_cast<UINT>(picture.width) * 4;
    if (FAILED(frame->Initialize(options.Get())) ||
        FAILED(frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height))) ||
        FAILED(frame->SetPixelFormat(&format)))
        return std::nullopt;
    // The encoder may ask for another layout (24-bit BGR): converted then.
    ComPtr<IWICBitmap> bitmap;
    if (FAILED(factory->CreateBitmapFromMemory(
            static_cast<UINT>(picture.width), static_cast<UINT>(picture.height), GUID_WICPixelFormat32bppBGR, stride,
            stride * static_cast<UINT>(picture.height),
            reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.data.data())), &bitmap)))
        return std::nullopt;
    ComPtr<IWICBitmapSource> source = bitmap;
    if (format != GUID_WICPixelFormat32bppBGR) {
        ComPtr<IWICFormatConverter> converter;
        if (FAILED(factory->CreateFormatConverter(&converter)) ||
            FAILED(converter->Initialize(bitmap.Get(), format, WICBitmapDitherTypeNone, nullptr, 0,
                                         WICBitmapPaletteTypeCustom)))
            return std::nullopt;
        source = converter;
    }
    if (FAILED(frame->WriteSource(source.Get(), nullptr)) || FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return std::nullopt;

    STATSTG about{};
    if (FAILED(stream->Stat(&about, STATFLAG_NONAME)))
        return std::nullopt;
    std::vector<std::byte> bytes(static_cast<std::size_t>(about.cbSize.QuadPart));
    const LARGE_INTEGER start{};
    ULONG read = 0;
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
        FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) || read != bytes.size())
        return std::nullopt;
    return bytes;
}

} // namespace codecs
