#pragma once
// The window's timer Timer1. The classic window timer (SetTimer) ticks on
// the system's 15.6 ms clock, so an interval of 500 ms comes as 500 or
// 515 ms; a high-resolution waitable timer, waited on in the message loop,
// holds the pace within a millisecond. Where Windows has no high-resolution
// timer (before Windows 10, version 1803) an ordinary waitable timer is
// used, and the window timer only where neither can be made.

#include <chrono>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class PaceTimer {
public:
    enum class Kind { highResolution, waitable, windowTimer };

    // The window timer, when it has to be used, sends WM_TIMER with the id to
    // the window. The best kind that can be made, from the one asked for down.
    PaceTimer(HWND window, UINT_PTR id, Kind wanted = Kind::highResolution);
    ~PaceTimer();
    PaceTimer(const PaceTimer&) = delete;
    PaceTimer& operator=(const PaceTimer&) = delete;

    Kind kind() const { return kind_; }
    // Ticks every interval from now on. Asked again for the interval it
    // already has, it keeps its time, so that the pace does not drift by
    // the moment of the asking.
    void start(std::chrono::milliseconds interval);
    void stop();
    bool active() const { return active_; }
    std::chrono::milliseconds interval() const { return interval_; }

    // What the message loop waits on beside the messages; null when the
    // ticks come as WM_TIMER messages instead.
    HANDLE handle() const { return kind_ == Kind::windowTimer ? nullptr : handle_; }
    // The handle was signalled: true when that is a tick, and the next one
    // is then due one interval after this one (after now, when the thread
    // was held so long that ticks were missed: they are not made up for).
    bool signalled();

private:
    using Clock = std::chrono::steady_clock;
    void arm();

    HWND window_;
    UINT_PTR id_;
    Kind kind_;
    HANDLE handle_ = nullptr;
    bool active_ = false;
    std::chrono::milliseconds interval_{0};
    Clock::time_point due_;
};
