#include "ui/win32/pace_timer.h"

#include <algorithm>

namespace {

// Windows 10, version 1803 and later; older headers do not name it.
constexpr DWORD highResolutionFlag = 0x00000002; // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION

} // namespace

PaceTimer::PaceTimer(HWND window, UINT_PTR id, Kind wanted) : window_(window), id_(id), kind_(wanted)
{
    if (kind_ == Kind::highResolution) {
        handle_ = CreateWaitableTimerExW(nullptr, nullptr, highResolutionFlag, TIMER_ALL_ACCESS);
        if (!handle_)
            kind_ = Kind::waitable;
    }
    if (kind_ == Kind::waitable) {
        handle_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        if (!handle_)
            kind_ = Kind::windowTimer;
    }
}

PaceTimer::~PaceTimer()
{
    stop();
    if (handle_)
        CloseHandle(handle_);
}

void PaceTimer::start(std::chrono::milliseconds interval)
{
    if (active_ && interval == interval_)
        return;
    stop();
    interval_ = interval;
    active_ = true;
    if (kind_ == Kind::windowTimer) {
        SetTimer(window_, id_, static_cast<UINT>(interval.count()), nullptr);
        return;
    }
    due_ = Clock::now() + interval;
    arm();
}

void PaceTimer::stop()
{
    if (!active_)
        return;
    active_ = false;
    if (kind_ == Kind::windowTimer) {
        KillTimer(window_, id_);
        return;
    }
    CancelWaitableTimer(handle_);
    // A tick signalled and not yet taken goes too.
    WaitForSingleObject(handle_, 0);
}

bool PaceTimer::signalled()
{
    if (!active_)
        return false;
    const Clock::time_point now = Clock::now();
    due_ += interval_;
    if (due_ <= now)
        due_ += ((now - due_) / interval_ + 1) * interval_;
    arm();
    return true;
}

// Due times are given relative to now, in units of 100 ns, so that a change
// of the system's time of day moves no tick.
void PaceTimer::arm()
{
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(due_ - Clock::now());
    LARGE_INTEGER due{};
    due.QuadPart = -std::max<LONGLONG>(1, wait.count() / 100);
    SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE);
}
