// Pictures decoded with Windows Imaging Component at the size they are
// shown, and shown through the window: reduced to fit, never enlarged;
// cut, corrupt and oversized files refused and the background cleared.

#include "win32_fixture.h"

#include "engine/next_picture.h"
#include "codecs/wic_picture.h"

#include <objidl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>
#include <fstream>

using Microsoft::WRL::ComPtr;

namespace {

constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t blue = 0x0000FF;

// A picture whose left half is red and right half blue, encoded by WIC in
// the container given (GUID_ContainerFormatJpeg, ...Bmp).
std::vector<std::byte> encode(const GUID& container, UINT width, UINT height)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) ||
        FAILED(factory->CreateEncoder(container, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, nullptr)) || FAILED(frame->Initialize(nullptr)) ||
        FAILED(frame->SetSize(width, height)))
        return {};
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    frame->SetPixelFormat(&format);
    const UINT bytesPerPixel = IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) ? 3 : 4;
    std::vector<BYTE> pixels(static_cast<std::size_t>(width) * height * bytesPerPixel);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            BYTE* p = &pixels[(static_cast<std::size_t>(y) * width + x) * bytesPerPixel];
            const std::uint32_t rgb = x < width / 2 ? red : blue;
            p[0] = static_cast<BYTE>(rgb);
            p[1] = static_cast<BYTE>(rgb >> 8);
            p[2] = static_cast<BYTE>(rgb >> 16);
        }
    }
    if (FAILED(frame->WritePixels(height, width * bytesPerPixel, static_cast<UINT>(pixels.size()), pixels.data())) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return {};
    HGLOBAL memory = nullptr;
    GetHGlobalFromStream(stream.Get(), &memory);
    STATSTG about{};
    stream->Stat(&about, STATFLAG_NONAME);
    const auto* bytes = static_cast<const std::byte*>(GlobalLock(memory));
    std::vector<std::byte> file(bytes, bytes + about.cbSize.QuadPart);
    GlobalUnlock(memory);
    return file;
}

std::uint32_t rgbAt(const WicPicture& p, int x, int y)
{
    return p.pixels[static_cast<std::size_t>(y) * p.width + x] & 0xFFFFFF;
}

// Near enough to the colour for a JPEG.
bool similar(std::uint32_t a, std::uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 40)
            return false;
    }
    return true;
}

const StopCheck never = [] { return false; };

std::shared_ptr<const WicPicture> decode(const std::vector<std::byte>& file, PictureArea area,
                                         const StopCheck& stop = never)
{
    return std::dynamic_pointer_cast<const WicPicture>(decodeWicPicture(file, area, stop));
}

std::string write(const TempFolder& folder, const std::string& name, const std::vector<std::byte>& bytes)
{
    const std::filesystem::path file = folder.path() / widen(name);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return narrow(file.wstring());
}

} // namespace

TEST(WicPictureTest, ShownSizeFitsTheAreaKeepingTheAspectNeverEnlarging)
{
    EXPECT_EQ(shownSize(1600, 1200, {744, 525}), (PictureArea{700, 525}));
    EXPECT_EQ(shownSize(2000, 500, {744, 525}), (PictureArea{744, 186}));
    EXPECT_EQ(shownSize(640, 480, {744, 525}), (PictureArea{640, 480}));
    EXPECT_EQ(shownSize(744, 525, {744, 525}), (PictureArea{744, 525}));
    EXPECT_EQ(shownSize(640, 480, {0, 525}), PictureArea{});
    EXPECT_EQ(shownSize(0, 480, {744, 525}), PictureArea{});
    // At 144 dpi a picture's pixel is one and a half of the screen's.
    EXPECT_EQ(shownSize(640, 480, {1116, 788, 144}), (PictureArea{960, 720}));
    EXPECT_EQ(shownSize(1600, 1200, {1116, 788, 144}), (PictureArea{1051, 788}));
    EXPECT_EQ(shownSize(640, 480, {1116, 788, 120}), (PictureArea{800, 600}));
}

TEST(WicPictureTest, JpegReducedAndBitmapAtItsOwnSize)
{
    const auto jpeg = encode(GUID_ContainerFormatJpeg, 1600, 1200);
    ASSERT_FALSE(jpeg.empty());
    const auto large = decode(jpeg, {744, 525});
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->width, 700);
    EXPECT_EQ(large->height, 525);
    EXPECT_TRUE(similar(rgbAt(*large, 100, 260), red)) << std::hex << rgbAt(*large, 100, 260);
    EXPECT_TRUE(similar(rgbAt(*large, 600, 260), blue)) << std::hex << rgbAt(*large, 600, 260);

    const auto bmp = encode(GUID_ContainerFormatBmp, 120, 80);
    ASSERT_FALSE(bmp.empty());
    const auto small = decode(bmp, {744, 525});
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->width, 120);
    EXPECT_EQ(small->height, 80);
    EXPECT_EQ(rgbAt(*small, 0, 0), red);
    EXPECT_EQ(rgbAt(*small, 119, 79), blue);
}

TEST(WicPictureTest, CutCorruptOrGivenUpGivesNoPicture)
{
    const auto jpeg = encode(GUID_ContainerFormatJpeg, 800, 600);
    ASSERT_FALSE(jpeg.empty());
    EXPECT_EQ(decode({jpeg.begin(), jpeg.begin() + 20}, {744, 525}), nullptr);
    std::vector<std::byte> noise(jpeg.size(), std::byte{0x5A});
    EXPECT_EQ(decode(noise, {744, 525}), nullptr);
    EXPECT_EQ(decode(jpeg, {744, 525}, [] { return true; }), nullptr);
    // Given up while it is read: the stream fails from then on.
    int asked = 0;
    EXPECT_EQ(decode(jpeg, {744, 525}, [&] { return ++asked > 2; }), nullptr);
    EXPECT_NE(decode(jpeg, {744, 525}), nullptr);
}

TEST_F(Win32WindowTest, PictureShownAtTheTopLeftAndClearedWhenItCannotBeLoaded)
{
    TempFolder folder;
    const auto jpeg = encode(GUID_ContainerFormatJpeg, 1600, 1200);
    ASSERT_FALSE(jpeg.empty());
    // A name that no ANSI code page holds whole: the path goes to the system in UTF-16.
    const std::string good = write(folder, "bonne-\u00e9-\u0153-\u4e00.jpg", jpeg);

    std::vector<std::byte> huge = jpeg;
    // The frame header's height and width, claimed 30000 by 30000.
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == std::byte{0xFF} && huge[i + 1] == std::byte{0xC0}) {
            for (std::size_t at : {i + 5, i + 7}) {
                huge[at] = std::byte{30000 >> 8};
                huge[at + 1] = std::byte{30000 & 0xFF};
            }
            break;
        }
    }
    const std::vector<std::string> bad = {
        write(folder, "huge.jpg", huge),
        write(folder, "cut.jpg", {jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2)}),
        write(folder, "noise.bmp", std::vector<std::byte>(5000, std::byte{0x42})),
        narrow((folder.path() / "missing.jpg").wstring()),
    };
    showWindow();
    for (const std::string& file : bad) {
        SCOPED_TRACE(file);
        window.services().showPicture(good);
        ASSERT_TRUE(pumpUntil([&] { return window.backgroundPicture() != nullptr; }));
        EXPECT_EQ(window.backgroundPicture()->width, 700);
        window.services().showPicture(file);
        EXPECT_EQ(window.backgroundPicture(), nullptr) << "cleared at once, never left stale";
        pump(std::chrono::milliseconds(300));
        EXPECT_EQ(window.backgroundPicture(), nullptr);
    }
    // Painted at the top left, the window's colour beside it.
    window.services().showPicture(good);
    ASSERT_TRUE(pumpUntil([&] { return window.backgroundPicture() != nullptr; }));
    UpdateWindow(window.hwnd());
    const HDC dc = GetDC(window.hwnd());
    const COLORREF left = GetPixel(dc, 5, 100);
    const COLORREF right = GetPixel(dc, 600, 150);
    const COLORREF beside = GetPixel(dc, 710, 455); // between the settings and the buttons
    ReleaseDC(window.hwnd(), dc);
    EXPECT_TRUE(similar(left, 0x0000FF)) << std::hex << left; // COLORREF is 0x00BBGGRR
    EXPECT_TRUE(similar(right, 0xFF0000)) << std::hex << right;
    EXPECT_EQ(beside, GetSysColor(COLOR_WINDOW));
}

// On a screen of 144 dpi the window is half as large again, and so is the
// picture: decoded at that size and painted whole.
TEST_F(Win32WindowTest, PictureAt144DpiCoversWhatTheWindowGivesIt)
{
    TempFolder folder;
    const std::string bitmap = write(folder, "640x480.bmp", encode(GUID_ContainerFormatBmp, 640, 480));
    showWindow();
    RECT suggested{};
    GetWindowRect(window.hwnd(), &suggested);
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    window.services().showPicture(bitmap);
    ASSERT_TRUE(pumpUntil([&] { return window.backgroundPicture() != nullptr; }));
    EXPECT_EQ(window.backgroundPicture()->width, 960);
    EXPECT_EQ(window.backgroundPicture()->height, 720);
    UpdateWindow(window.hwnd());
    const HDC dc = GetDC(window.hwnd());
    const COLORREF nearItsRightEdge = GetPixel(dc, 950, 300);
    ReleaseDC(window.hwnd(), dc);
    EXPECT_TRUE(similar(nearItsRightEdge, 0xFF0000)) << std::hex << nearItsRightEdge;
}

// The next tick's picture is decoded during the feedback wait of this one,
// not only in the 0.2 s between the wait's end and the next tick.
TEST_F(Win32WindowTest, NextPictureDecodedDuringTheFeedbackWait)
{
    const char* demo = std::getenv("TAVREL_TEST_DEMO_DRIVE");
    if (!demo || !*demo)
        GTEST_SKIP() << "TAVREL_TEST_DEMO_DRIVE names no drive holding the demo disc: tools/test-windows.sh sets it";
    window.state().driveLetter = std::string(demo);
    showWindow();
    SendMessageW(window.control(Control::OptTresDiff), BM_CLICK, 0, 0); // 1000 ms: a wait of 0.8 s
    window.form().clicked(Control::cmdOnOff);
    window.timer1Tick();
    ASSERT_EQ(window.state().shownCount, 1);
    // No message handled since the tick: what is ready was made during its wait.
    const ProbeAhead probe = [&](const std::string& path) { return window.services().disc().probeAhead(path); };
    const auto next = nextPicturePaths(window.state(), window.services().randomSequence(), window.services(), probe);
    ASSERT_EQ(next.size(), 1u);
    RECT client{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_NE(window.services().disc().show(next[0], {client.right, client.bottom}), nullptr) << next[0];
}
