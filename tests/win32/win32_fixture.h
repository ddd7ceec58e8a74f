#pragma once
// The Win32 window for tests: a real MainWindow with real controls, made as
// the program makes it, the load handler's work done by hand (the disc on
// the drive tools/test-windows.sh names, or E:), and the means to drive it
// as a user would: messages through the window's own loop, and answers to
// the modal boxes given from inside their own message loops.

#include "support/temp_folder.h"
#include "ui/win32/main_window.h"
#include "ui/win32/wide_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// The text of a window, in UTF-8.
inline std::string textOf(HWND w)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return narrow(text);
}

inline std::string classOf(HWND w)
{
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return narrow(name);
}

// The child windows of a window, in the order they are stacked.
inline std::vector<HWND> childrenOf(HWND parent)
{
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

// Answers the next modal box of this thread, titled "Tavrel" or as given,
// from inside the box's own message loop, through a timer of the thread.
class BoxResponder {
public:
    explicit BoxResponder(std::function<void(HWND box)> answer, std::wstring title = L"Tavrel")
    {
        action() = std::move(answer);
        BoxResponder::title() = std::move(title);
        timer_ = SetTimer(nullptr, 0, 50, &BoxResponder::look);
    }
    ~BoxResponder()
    {
        KillTimer(nullptr, timer_);
        action() = nullptr;
    }
    BoxResponder(const BoxResponder&) = delete;
    BoxResponder& operator=(const BoxResponder&) = delete;

    // Clicks the box's button with the caption given.
    static void click(HWND box, const std::string& caption)
    {
        for (HWND c : childrenOf(box)) {
            if (classOf(c) == "Button" && textOf(c) == caption)
                SendMessageW(c, BM_CLICK, 0, 0);
        }
    }

private:
    static std::function<void(HWND)>& action()
    {
        static std::function<void(HWND)> a;
        return a;
    }
    static std::wstring& title()
    {
        static std::wstring t;
        return t;
    }
    static void CALLBACK look(HWND, UINT, UINT_PTR, DWORD)
    {
        const HWND box = FindWindowW(L"#32770", title().c_str());
        if (!box || !IsWindowVisible(box) || !action())
            return;
        const auto answer = std::exchange(action(), nullptr);
        answer(box);
    }

    UINT_PTR timer_ = 0;
};

class Win32WindowTest : public ::testing::Test {
protected:
    Win32WindowTest()
    {
        setInitialValues(window.state());
        const char* drive = std::getenv("TAVREL_TEST_DISC_DRIVE");
        window.state().driveLetter = std::string(drive && *drive ? drive : "E");
    }
    ~Win32WindowTest() override
    {
        // A test that ended the program leaves its WM_QUIT behind.
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }

    void showWindow()
    {
        window.show();
        pump(std::chrono::milliseconds(200));
    }

    // Runs the window's loop for the time given.
    void pump(std::chrono::milliseconds time)
    {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end && window.runOnce(10)) {
        }
    }

    // Runs the window's loop until done() holds; false after the limit,
    // which only catches a hang.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(10))
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end || !window.runOnce(10))
                return done();
        }
        return true;
    }

    // A key pressed on the control that has the focus, through the window's loop.
    void key(WPARAM virtualKey, UINT message = WM_KEYDOWN)
    {
        MSG m{GetFocus(), message, virtualKey, 1, GetTickCount(), {}};
        if (!window.preTranslate(m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }

    // The control's place in the client area, in pixels.
    RECT placeOf(Control c) const
    {
        RECT r{};
        GetWindowRect(window.control(c), &r);
        MapWindowPoints(HWND_DESKTOP, window.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    bool checked(Control c) const { return SendMessageW(window.control(c), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    MainWindow window;
};
