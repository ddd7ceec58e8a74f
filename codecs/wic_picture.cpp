#include "codecs/wic_picture.h"

#include "disc/picture_file.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objidl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>

#ifndef __IWICBitmapSourceTransform_INTERFACE_DEFINED__
#define __IWICBitmapSourceTransform_INTERFACE_DEFINED__
// What a decoder offers to give its picture already reduced (WIC's JPEG
// decoder at 1/2, 1/4 and 1/8 of its size); the MinGW headers lack it.
MIDL_INTERFACE("3B16811B-6A43-4ec9-B713-3D5A0C13B940")
IWICBitmapSourceTransform : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rectangle, UINT width, UINT height,
                                                 WICPixelFormatGUID* format, WICBitmapTransformOptions transform,
                                                 UINT stride, UINT size, BYTE* pixels) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
__CRT_UUID_DECL(IWICBitmapSourceTransform, 0x3b16811b, 0x6a43, 0x4ec9, 0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40)
#endif

using Microsoft::WRL::ComPtr;

namespace {

// Rows copied at a time, so that a picture given up stops within a band.
constexpr UINT bandRows = 64;

// COM on the calling thread, started once for the thread's life: the disc's
// reading thread decodes every picture.
bool comReady()
{
    struct Apartment {
        HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ~Apartment()
        {
            if (SUCCEEDED(result))
                CoUninitialize();
        }
    };
    thread_local const Apartment apartment;
    // A thread already in another apartment can use COM as it is.
    return SUCCEEDED(apartment.result) || apartment.result == RPC_E_CHANGED_MODE;
}

// The file's bytes, read in place, as a stream for the decoder. Once stop()
// holds every read fails, and the decoder gives up.
class StoppableStream final : public IStream {
public:
    StoppableStream(std::span<const std::byte> bytes, const StopCheck& stop) : bytes_(bytes), stop_(stop) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == __uuidof(IUnknown) || id == __uuidof(ISequentialStream) || id == __uuidof(IStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Read(void* into, ULONG most, ULONG* read) override
    {
        if (stop_())
            return E_ABORT;
        const std::size_t count = std::min<std::size_t>(most, bytes_.size() - position_);
        std::memcpy(into, bytes_.data() + position_, count);
        position_ += count;
        if (read)
            *read = static_cast<ULONG>(count);
        return count == most ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override
    {
        LONGLONG base = 0;
        if (origin == STREAM_SEEK_CUR)
            base = static_cast<LONGLONG>(position_);
        else if (origin == STREAM_SEEK_END)
            base = static_cast<LONGLONG>(bytes_.size());
        else if (origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        const LONGLONG to = base + move.QuadPart;
        if (to < 0 || to > static_cast<LONGLONG>(bytes_.size()))
            return STG_E_INVALIDFUNCTION;
        position_ = static_cast<std::size_t>(to);
        if (now)
            now->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* about, DWORD) override
    {
        *about = STATSTG{};
        about->type = STGTY_STREAM;
        about->cbSize.QuadPart = bytes_.size();
        return S_OK;
    }
    // A read-only stream of one owner.
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    ~StoppableStream() = default;

    std::atomic<ULONG> references_{1};
    std::span<const std::byte> bytes_;
    const StopCheck& stop_;
    std::size_t position_ = 0;
};

} // namespace

PictureArea shownSize(int width, int height, PictureArea area)
{
    if (width <= 0 || height <= 0 || area.width <= 0 || area.height <= 0)
        return {};
    const auto atDpi = [&](int pixels) {
        return static_cast<int>((static_cast<long long>(pixels) * area.dpi + 48) / 96);
    };
    width = atDpi(width);
    height = atDpi(height);
    if (width <= 0 || height <= 0)
        return {};
    if (width <= area.width && height <= area.height)
        return {width, height};
    // The side that limits the reduction fills the area; the other follows.
    const bool widthLimits = static_cast<long long>(width) * area.height >= static_cast<long long>(height) * area.width;
    if (widthLimits)
        return {area.width, static_cast<int>((static_cast<long long>(height) * area.width + width / 2) / width)};
    return {static_cast<int>((static_cast<long long>(width) * area.height + height / 2) / height), area.height};
}

namespace {

// A picture's first frame, opened, with its size.
struct Frame {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;
};

// Opens the picture's decoder over its bytes; with `capped`, refuses it
// beyond the picture caps once its header is read. The outcome says why
// when there is no frame.
std::optional<Frame> openFrame(std::span<const std::byte> file, const StopCheck& stop, bool capped, WicPhotograph& result)
{
    using Outcome = WicPhotograph::Outcome;
    result.outcome = Outcome::notPicture;
    Frame opened;
    if (!comReady() || FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_PPV_ARGS(&opened.factory))))
        return std::nullopt;
    ComPtr<IStream> stream;
    stream.Attach(new StoppableStream(file, stop));
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(opened.factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &opened.frame)) || FAILED(opened.frame->GetSize(&opened.width, &opened.height)) ||
        opened.width == 0 || opened.height == 0)
        return std::nullopt;
    result.storedWidth = static_cast<int>(opened.width);
    result.storedHeight = static_cast<int>(opened.height);
    if (capped && (opened.width > static_cast<UINT>(largestPictureSide) ||
                   opened.height > static_cast<UINT>(largestPictureSide) ||
                   static_cast<std::int64_t>(opened.width) * opened.height > mostPicturePixels)) {
        result.outcome = Outcome::tooLarge;
        return std::nullopt;
    }
    result.outcome = Outcome::damaged;
    return opened;
}

// Decodes the picture reduced to fit the area, in bands between which
// stop() is asked.
void decodeInto(std::span<const std::byte> file, PictureArea area, const StopCheck& stop, WicPhotograph& result)
{
    const std::optional<Frame> opened = openFrame(file, stop, false, result);
    if (!opened)
        return;
    const auto& [factory, frame, width, height] = *opened;
    const PictureArea shown = shownSize(static_cast<int>(width), static_cast<int>(height), area);
    if (shown.width == 0 || stop())
        return;

    // Every format the decoders give becomes 32-bit BGR first, which the
    // scaler and the screen both take as it stands.
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return;
    ComPtr<IWICBitmapSource> source = converter;
    if (shown.width != static_cast<int>(width) || shown.height != static_cast<int>(height)) {
        ComPtr<IWICBitmapScaler> scaler;
        if (FAILED(factory->CreateBitmapScaler(&scaler)) ||
            FAILED(scaler->Initialize(converter.Get(), static_cast<UINT>(shown.width),
                                      static_cast<UINT>(shown.height), WICBitmapInterpolationModeFant)))
            return;
        source = scaler;
    }

    WicPicture& picture = result.picture;
    picture.width = shown.width;
    picture.height = shown.height;
    picture.pixels.resize(static_cast<std::size_t>(shown.width) * static_cast<std::size_t>(shown.height));
    const UINT stride = static_cast<UINT>(shown.width) * 4;
    for (UINT top = 0; top < static_cast<UINT>(shown.height); top += bandRows) {
        const UINT rows = std::min(bandRows, static_cast<UINT>(shown.height) - top);
        const WICRect band{0, static_cast<INT>(top), shown.width, static_cast<INT>(rows)};
        auto* into = reinterpret_cast<BYTE*>(picture.pixels.data() + static_cast<std::size_t>(top) * shown.width);
        if (stop() || FAILED(source->CopyPixels(&band, stride, stride * rows, into)))
            return;
    }
    result.outcome = WicPhotograph::Outcome::decoded;
}

} // namespace

std::shared_ptr<const DecodedPicture> decodeWicPicture(std::span<const std::byte> file, PictureArea area,
                                                       const StopCheck& stop)
{
    WicPhotograph result;
    decodeInto(file, area, stop, result);
    if (result.outcome != WicPhotograph::Outcome::decoded)
        return nullptr;
    return std::make_shared<WicPicture>(std::move(result.picture));
}

namespace {

// The picture at the smallest size its decoder makes by itself that is not
// below the size given, where the decoder offers one; false where it offers
// none, or failed.
bool decodeReduced(const Frame& opened, int leastWidth, int leastHeight, WicPicture& picture)
{
    ComPtr<IWICBitmapSourceTransform> transform;
    if (FAILED(opened.frame.As(&transform)))
        return false;
    UINT width = opened.width;
    UINT height = opened.height;
    for (UINT scale = 2; scale <= 8; scale *= 2) {
        UINT w = (opened.width + scale - 1) / scale;
        UINT h = (opened.height + scale - 1) / scale;
        if (w < static_cast<UINT>(leastWidth) || h < static_cast<UINT>(leastHeight) ||
            FAILED(transform->GetClosestSize(&w, &h)) || w < static_cast<UINT>(leastWidth) ||
            h < static_cast<UINT>(leastHeight))
            break;
        width = w;
        height = h;
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    BOOL plain = FALSE;
    if ((width == opened.width && height == opened.height) || FAILED(transform->GetClosestPixelFormat(&format)) ||
        format != GUID_WICPixelFormat32bppBGR ||
        FAILED(transform->DoesSupportTransform(WICBitmapTransformRotate0, &plain)) || !plain)
        return false;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    return SUCCEEDED(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0, width * 4,
                                          width * height * 4, reinterpret_cast<BYTE*>(picture.pixels.data())));
}

// The picture decoded whole, in one call: JPEG's own 24-bit BGR widened
// here, any other format through WIC's converter.
bool decodeWhole(const Frame& opened, WicPicture& picture)
{
    const UINT width = opened.width;
    const UINT height = opened.height;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    WICPixelFormatGUID format{};
    if (SUCCEEDED(opened.frame->GetPixelFormat(&format)) && format == GUID_WICPixelFormat24bppBGR) {
        const UINT stride = (width * 3 + 3) / 4 * 4;
        std::vector<BYTE> bgr(static_cast<std::size_t>(stride) * height);
        if (FAILED(opened.frame->CopyPixels(nullptr, stride, static_cast<UINT>(bgr.size()), bgr.data())))
            return false;
        for (UINT y = 0; y < height; ++y) {
            const BYTE* from = bgr.data() + static_cast<std::size_t>(y) * stride;
            std::uint32_t* to = picture.pixels.data() + static_cast<std::size_t>(y) * width;
            for (UINT x = 0; x < width; ++x, from += 3)
                to[x] = std::uint32_t{from[2]} << 16 | std::uint32_t{from[1]} << 8 | from[0];
        }
        return true;
    }
    ComPtr<IWICFormatConverter> converter;
    return SUCCEEDED(opened.factory->CreateFormatConverter(&converter)) &&
           SUCCEEDED(converter->Initialize(opened.frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                           nullptr, 0, WICBitmapPaletteTypeCustom)) &&
           SUCCEEDED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                           reinterpret_cast<BYTE*>(picture.pixels.data())));
}

} // namespace

WicPhotograph decodeWicPhotograph(std::span<const std::byte> file, const ReducedSize& reducedTo)
{
    WicPhotograph result;
    const StopCheck never = [] { return false; };
    const std::optional<Frame> opened = openFrame(file, never, true, result);
    if (!opened)
        return result;
    const PictureArea least = reducedTo ? reducedTo(result.storedWidth, result.storedHeight) : PictureArea{};
    if ((reducedTo && decodeReduced(*opened, least.width, least.height, result.picture)) ||
        decodeWhole(*opened, result.picture))
        result.outcome = WicPhotograph::Outcome::decoded;
    return result;
}
