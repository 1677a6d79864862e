// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How long the window's thread goes without handling events. A thread of
// the monitor's own posts a call to the window's thread, waits until it has
// run, and posts the next one a millisecond later: how long a call waited is
// how long the event loop was busy (or not running) when it came. A nested
// event loop (a message box, a progress window) answers: the window is not
// frozen there. Unlike a timer on the window's thread, it also sees the time
// before the event loop first runs, and it takes no turn in the loop itself
// beyond the answer.
#include <QObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace Bench {

class StallMonitor {
public:
    using Clock = std::chrono::steady_clock;
    struct Stall {
        double atMs;  // when it began, since the last Restart
        double ms;
    };

    // Made on the window's thread once the application object exists.
    StallMonitor()
    {
        restarted_ = Clock::now();
        thread_ = std::thread([this] { run(); });
    }
    ~StallMonitor()
    {
        {
            std::lock_guard<std::mutex> g(lock_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    StallMonitor(const StallMonitor &) = delete;
    StallMonitor &operator=(const StallMonitor &) = delete;

    // Forgets what was seen; a wait under way counts from now.
    void Restart()
    {
        std::lock_guard<std::mutex> g(lock_);
        restarted_ = Clock::now();
        longest_ = 0;
        stalls_.clear();
    }

    // The longest wait since the restart, the one under way included.
    double LongestMs()
    {
        std::lock_guard<std::mutex> g(lock_);
        double longest = longest_;
        if (answered_ < sent_)
            longest = std::max(longest, ms(Clock::now() - std::max(sentAt_, restarted_)));
        return longest;
    }

    // The waits over `overMs` since the restart, in order.
    std::vector<Stall> Over(double overMs)
    {
        std::lock_guard<std::mutex> g(lock_);
        std::vector<Stall> out;
        for (const Stall &s : stalls_)
            if (s.ms > overMs)
                out.push_back(s);
        return out;
    }

private:
    static double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

    void run()
    {
        std::unique_lock<std::mutex> g(lock_);
        while (!stop_) {
            const std::uint64_t call = ++sent_;
            sentAt_ = Clock::now();
            g.unlock();
            QMetaObject::invokeMethod(
                &anchor_,
                [this, call] {
                    {
                        std::lock_guard<std::mutex> a(lock_);
                        answered_ = call;
                        answeredAt_ = Clock::now();
                    }
                    cv_.notify_all();
                },
                Qt::QueuedConnection);
            g.lock();
            cv_.wait(g, [&] { return stop_ || answered_ >= call; });
            if (stop_)
                break;
            const Clock::time_point from = std::max(sentAt_, restarted_);
            if (answeredAt_ > from) {
                const double waited = ms(answeredAt_ - from);
                longest_ = std::max(longest_, waited);
                if (waited > 5)
                    stalls_.push_back({ms(from - restarted_), waited});
            }
            cv_.wait_for(g, std::chrono::milliseconds(1), [&] { return stop_; });
        }
    }

    QObject anchor_;  // lives on the window's thread: the calls run there
    std::mutex lock_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::uint64_t sent_ = 0, answered_ = 0;
    Clock::time_point sentAt_, answeredAt_, restarted_;
    double longest_ = 0;
    std::vector<Stall> stalls_;  // those over 5 ms
    std::thread thread_;
};

}  // namespace Bench
