// The window of tavrel-patient.exe with its real controls under Wine, used
// through the system's input as a user would: photographs dropped on it as
// the shell drops files, a photograph clicked in the list, its side and set
// chosen in the two lists with the mouse and the keyboard, the write button
// clicked and the question answered; then the sets on the disc, the
// thumbnails' list and the four sets' state.

#include "patient/win32/patient_window.h"
#include "codecs/wic_picture_codec.h"
#include "support/temp_folder.h"
#include "codecs/wic_picture.h"
#include "ui/win32/wide_text.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string textOf(HWND w)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return narrow(text);
}

// The child of the class given, the nth of its class, or with the text given.
HWND childOf(HWND parent, const wchar_t* kind, int nth = 0, const std::string& text = {})
{
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(c, name, 64);
        if (lstrcmpiW(name, kind) == 0 && (text.empty() ? nth-- == 0 : textOf(c) == text))
            return c;
    }
    return nullptr;
}

// Runs the thread's messages until done() holds or the limit, which only
// catches a hang, has passed.
bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(10);
    }
    return done();
}

// A click of the left button at the point of the screen given, through the
// system's input.
void clickAt(POINT p)
{
    SetCursorPos(p.x, p.y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

void clickOn(HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    clickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

void pressKey(WORD key)
{
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = key;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

// A photograph of one colour with a white band along its right quarter, so
// that a mirror image is told from the photograph as it was taken.
void savePhotograph(const fs::path& file, std::uint32_t colour)
{
    sets::Pixels picture{400, 300, std::vector<std::uint32_t>(400 * 300, colour)};
    for (int y = 0; y < 300; ++y)
        std::fill_n(picture.data.begin() + y * 400 + 300, 100, 0xFFFFFFFFu);
    codecs::WicPictureCodec codec;
    const auto jpeg = codec.encodeJpeg(picture, 95);
    ASSERT_TRUE(jpeg);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(jpeg->data()), static_cast<std::streamsize>(jpeg->size()));
}

// Whether the picture shows that colour with the band on the right (as
// taken) or on the left (mirrored).
bool shows(const fs::path& file, std::uint32_t colour, bool mirrored)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    const WicPhotograph decoded = decodeWicPhotograph(std::as_bytes(std::span(bytes)));
    if (decoded.outcome != WicPhotograph::Outcome::decoded)
        return false;
    const auto& p = decoded.picture;
    const auto alike = [](std::uint32_t a, std::uint32_t b) {
        for (int shift : {0, 8, 16}) {
            if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 24)
                return false;
        }
        return true;
    };
    const std::uint32_t left = p.pixels[static_cast<std::size_t>(p.height / 2) * p.width + p.width / 20];
    const std::uint32_t right = p.pixels[static_cast<std::size_t>(p.height / 2) * p.width + p.width * 19 / 20];
    return alike(mirrored ? left : right, 0xFFFFFF) && alike(mirrored ? right : left, colour);
}

// What the shell posts when files are dropped on a window.
void dropFiles(HWND window, const std::vector<fs::path>& files)
{
    std::wstring names;
    for (const fs::path& file : files)
        names += file.wstring() + L'\0';
    names += L'\0';
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(memory);
    PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

// Clicks the button of the next box titled "Tavrel" from inside its own
// message loop.
void answerNextBox(const std::string& button)
{
    static std::string caption;
    caption = button;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
        const HWND box = FindWindowW(L"#32770", L"Tavrel");
        if (!box || !IsWindowVisible(box))
            return;
        const HWND found = childOf(box, L"Button", 0, caption);
        if (!found)
            return;
        KillTimer(nullptr, timer);
        clickOn(found);
    });
}

} // namespace

TEST(PatientWindowWin32, PhotographsDroppedTheirSideAndSetChosenByClicksAndTheSetsWritten)
{
    TempFolder folder;
    const fs::path disc = folder.path() / "disque";
    folder.makeFile("disque/bravo.bmp", "BM");
    const fs::path red = folder.path() / "rouge.jpg";
    const fs::path blue = folder.path() / "bleu.jpg";
    savePhotograph(red, 0xFFC81E1E);
    savePhotograph(blue, 0xFF1E1EC8);

    PatientWindow window;
    ShowWindow(window.handle(), SW_SHOWNORMAL);
    SetForegroundWindow(window.handle());
    window.openDiscFolder(disc);
    const HWND list = childOf(window.handle(), WC_LISTVIEWW);
    const HWND side = childOf(window.handle(), WC_COMBOBOXW, 0);
    const HWND set = childOf(window.handle(), WC_COMBOBOXW, 1);
    ASSERT_TRUE(list && side && set);

    dropFiles(window.handle(), {red, blue, folder.makeFile("notes.jpg", "pas une image")});
    answerNextBox("OK");
    ASSERT_TRUE(pumpUntil([&] { return !window.busy() && ListView_GetItemCount(list) == 2; }));
    EXPECT_TRUE(ListView_GetImageList(list, LVSIL_SMALL) && ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_SMALL)) == 2)
        << "a thumbnail for each photograph";

    // The blue photograph, clicked in the list, shows a right hand and goes
    // to the last set.
    RECT row{};
    ListView_GetItemRect(list, 1, &row, LVIR_LABEL);
    MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&row), 2);
    clickAt({(row.left + row.right) / 2, (row.top + row.bottom) / 2});
    ASSERT_TRUE(pumpUntil([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) == 1; }, std::chrono::seconds(10)));
    clickOn(side);
    pumpUntil([] { return false; }, std::chrono::seconds(1));
    pressKey(VK_DOWN);
    pressKey(VK_RETURN);
    clickOn(set);
    pumpUntil([] { return false; }, std::chrono::seconds(1));
    pressKey(VK_END);
    pressKey(VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] {
        wchar_t text[64] = {};
        ListView_GetItemText(list, 1, 2, text, 64);
        return narrow(text) == "mouvement, normal (PatientMvt)";
    }, std::chrono::seconds(10)));

    answerNextBox("&Écrire");
    clickOn(childOf(window.handle(), L"Button", 0, "Écrire les &jeux dans le dossier"));
    ASSERT_TRUE(pumpUntil([&] { return fs::exists(disc / "PatientMvt" / "20.jpg") && !window.busy(); }));
    pumpUntil([] { return false; }, std::chrono::seconds(1));

    EXPECT_TRUE(shows(disc / "PatientDGfacile" / "1.jpg", 0xC81E1E, false));
    EXPECT_TRUE(shows(disc / "PatientDGfacile" / "11.jpg", 0xC81E1E, true)) << "the exact mirror of picture 1";
    EXPECT_TRUE(shows(disc / "PatientMvt" / "11.jpg", 0x1E1EC8, false)) << "a right photograph as it is";
    EXPECT_TRUE(shows(disc / "PatientMvt" / "1.jpg", 0x1E1EC8, true));
    EXPECT_FALSE(fs::exists(disc / "PatientDG"));
    std::string states;
    for (int i = 0; const HWND label = childOf(window.handle(), L"Static", i); ++i)
        states += textOf(label) + "\n";
    EXPECT_NE(states.find("identifier, facile (PatientDGfacile) : rempli, 20 images"), std::string::npos) << states;
    EXPECT_NE(states.find("mouvement, normal (PatientMvt) : rempli, 20 images"), std::string::npos) << states;
    EXPECT_NE(states.find("Jeux écrits : PatientDGfacile, PatientMvt."), std::string::npos) << states;
}
