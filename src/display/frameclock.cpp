// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/frameclock.h"

#include <QScreen>

#include <cmath>

namespace {
double g_testRate = 0;
// A screen that reports no usable rate is taken for the common one.
constexpr double kFallbackHz = 60;
}  // namespace

FrameClock::FrameClock(std::function<const QScreen *()> screen, QObject *parent)
    : QObject(parent), screen_(std::move(screen))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

void FrameClock::SetRefreshRateForTesting(double hz)
{
    g_testRate = hz;
}

double FrameClock::PeriodMs() const
{
    double hz = g_testRate;
    if (hz <= 0) {
        const QScreen *s = screen_ ? screen_() : nullptr;
        hz = s ? s->refreshRate() : 0;
    }
    if (!(hz >= 10 && hz <= 1000))
        hz = kFallbackHz;
    return 1000.0 / hz;
}

void FrameClock::start()
{
    due_ = std::chrono::steady_clock::now();
    schedule();
}

void FrameClock::stop()
{
    timer_.stop();
}

void FrameClock::tick()
{
    // The next tick is set before this one is handled, so the time the
    // handler takes does not move the pace; the handler may still stop it.
    schedule();
    Q_EMIT timeout();
}

void FrameClock::schedule()
{
    using namespace std::chrono;
    const auto period = duration_cast<steady_clock::duration>(duration<double, std::milli>(PeriodMs()));
    const auto now = steady_clock::now();
    due_ += period;
    if (due_ <= now) {
        // Behind by a refresh or more (a long frame, a busy machine): the
        // missed ones are skipped, not made up in a burst.
        due_ += period * ((now - due_) / period + 1);
    }
    timer_.start(int(std::lround(duration<double, std::milli>(due_ - now).count())));
}
