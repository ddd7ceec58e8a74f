#pragma once
// The window procedure of a window whose C++ object handles its messages:
// the object comes with WM_NCCREATE (the last argument of CreateWindowEx),
// is kept in the window's user data, and is let go at WM_NCDESTROY. The
// object's class declares this function its friend and has a member hwnd_
// and a member function handle(message, wParam, lParam).

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

template <typename Owner>
LRESULT CALLBACK ownedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        owner->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (owner && message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        owner->hwnd_ = nullptr;
        owner = nullptr;
    }
    return owner ? owner->handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}
