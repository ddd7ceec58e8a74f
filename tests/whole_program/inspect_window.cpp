// What the whole-program test under Wine cannot read from the X screen: the
// texts and states of a window's controls, through the window system as any
// program may read another's. Printed in UTF-8, one line each, fields
// separated by tabs.
//
//   inspect_window window TITLE   the first visible top-level window with
//                                 that title: its client area on the screen,
//                                 then each child control
//   inspect_window layout         the controls of the window's description,
//                                 in pixels at 96 dots per inch, and the
//                                 system's window and button-face colours
//
// Exit status 1 when no such window is open.

#include "model/window_layout.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const std::wstring& text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
    // One line per control: line breaks of a caption written as \n.
    std::string escaped;
    for (const char c : out) {
        if (c == '\n')
            escaped += "\\n";
        else if (c != '\r')
            escaped += c;
    }
    return escaped;
}

// The text through WM_GETTEXT: GetWindowText does not ask a control of
// another process for its text.
std::wstring textOf(HWND w)
{
    DWORD_PTR length = 0;
    SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

void printColour(const char* name, int index)
{
    const COLORREF c = GetSysColor(index);
    std::printf("%s\t%02x%02x%02x\n", name, GetRValue(c), GetGValue(c), GetBValue(c));
}

int layout()
{
    for (const ControlLayout& row : controlLayouts()) {
        const auto px = [](int twips) { return twipsToPixels(twips, 96); };
        std::printf("control\t%s\t%d\t%d\t%d\t%d\t%d\t%d\n", std::string(controlName(row.control)).c_str(),
                    static_cast<int>(row.kind), px(row.left), px(row.top), px(row.width), px(row.height),
                    row.start == StartState::hidden ? 0 : 1);
    }
    printColour("window-colour", COLOR_WINDOW);
    printColour("button-face", COLOR_BTNFACE);
    return 0;
}

int window(const wchar_t* title)
{
    const HWND found = FindWindowW(nullptr, title);
    if (!found || !IsWindowVisible(found))
        return 1;
    POINT origin{0, 0};
    ClientToScreen(found, &origin);
    RECT client{};
    GetClientRect(found, &client);
    std::printf("client\t%ld\t%ld\t%ld\t%ld\n", origin.x, origin.y, client.right, client.bottom);
    for (HWND c = GetWindow(found, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t kind[64] = {};
        GetClassNameW(c, kind, 64);
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(HWND_DESKTOP, found, reinterpret_cast<POINT*>(&r), 2);
        const LRESULT check = SendMessageW(c, BM_GETCHECK, 0, 0);
        std::printf("child\t%s\t%ld\t%ld\t%ld\t%ld\t%d\t%d\t%s\n", utf8(kind).c_str(), r.left, r.top,
                    r.right - r.left, r.bottom - r.top, IsWindowVisible(c) ? 1 : 0,
                    lstrcmpiW(kind, L"Button") == 0 && check == BST_CHECKED ? 1 : 0, utf8(textOf(c)).c_str());
    }
    return 0;
}

} // namespace

int main()
{
    // The arguments as typed, whatever the system's code page.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 2 && std::wstring(argv[1]) == L"layout")
        return layout();
    if (argc == 3 && std::wstring(argv[1]) == L"window")
        return window(argv[2]);
    std::fprintf(stderr, "usage: inspect_window layout | window TITLE\n");
    return 2;
}
