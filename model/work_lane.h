#pragma once
// A thread that runs the work posted to it, in order, beside the window's
// thread. The thread keeps its own state alive, so that a thread stuck in a
// read or a write of a stalled disc or network folder can be left behind
// safely: the destructor waits a moment for it, then lets it end with the
// process.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class WorkLane {
public:
    // How long the destructor waits for the work under way to end.
    static constexpr std::chrono::seconds endWait{1};

    WorkLane() : state_(std::make_shared<State>())
    {
        std::thread([state = state_] { work(*state); }).detach();
    }
    ~WorkLane()
    {
        std::unique_lock lock(state_->mutex);
        state_->stopping = true;
        state_->wake.notify_all();
        state_->wake.wait_for(lock, endWait, [&] { return state_->finished; });
    }
    WorkLane(const WorkLane&) = delete;
    WorkLane& operator=(const WorkLane&) = delete;

    void post(std::function<void()> work)
    {
        const std::lock_guard lock(state_->mutex);
        state_->work.push_back(std::move(work));
        state_->wake.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::function<void()>> work;
        bool stopping = false;
        bool finished = false;
    };

    static void work(State& s)
    {
        std::unique_lock lock(s.mutex);
        for (;;) {
            s.wake.wait(lock, [&] { return s.stopping || !s.work.empty(); });
            if (s.stopping)
                break;
            std::function<void()> next = std::move(s.work.front());
            s.work.pop_front();
            lock.unlock();
            next();
            lock.lock();
        }
        s.finished = true;
        s.wake.notify_all();
    }

    std::shared_ptr<State> state_;
};
