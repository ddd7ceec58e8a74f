#include "ui/win32/dpi.h"

namespace {

// Calls of user32 that Windows 10 brought; looked up by name so that the
// program still starts on an older Windows.
template <typename Function>
Function user32Function(const char* name)
{
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

} // namespace

UINT dpiOf(HWND window)
{
    static const auto getDpiForWindow = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow)
        return getDpiForWindow(window);
    const HDC screen = GetDC(window);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(window, screen);
    return static_cast<UINT>(dpi);
}

SIZE windowSizeFor(int clientWidth, int clientHeight, DWORD style, UINT dpi)
{
    using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<Adjust>("AdjustWindowRectExForDpi");
    RECT r{0, 0, clientWidth, clientHeight};
    if (adjustForDpi)
        adjustForDpi(&r, style, FALSE, 0, dpi);
    else
        AdjustWindowRectEx(&r, style, FALSE, 0);
    return {r.right - r.left, r.bottom - r.top};
}
