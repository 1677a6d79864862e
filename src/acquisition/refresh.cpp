// SPDX-License-Identifier: GPL-3.0-or-later
// The live refresh: each tick shows the pass recorded since the last one.
#include "acquisition/captureengine.h"
#include "acquisition/capturetables.h"
#include "acquisition/mci.h"
#include "app/pribor.h"
#include "platform/errortable.h"
#include "platform/vbcontrols.h"

#include <QThread>
#include <QTimer>

#include <cmath>

namespace {
// A refresh that finds the stream behind the clock comes back this soon.
constexpr int kCatchUpPollMs = 5;
}  // namespace

double Pribor::passRemainingMs() const
{
    const int limit = Capture::PassLimitMs(st.CaptureLengthFactor, RasTime->ItemData(RasTime->ListIndex()));
    return limit - (SecondsNow() - passStartSeconds_) * 1000.0;
}

void Pribor::refreshTick()
{
    // The timer's way into the refresh, which never waits on the window's
    // thread: until the first pass is recorded, the pass is long enough and
    // the stream has caught up with the clock, it comes back when it may go
    // on. The refresh itself then runs as it always did.
    if (startPending_ || FrameTimer->isActive() || !st.CaptureRunning)
        return;
    const double remainingMs = passRemainingMs();
    if (remainingMs > 1) {
        if (!passDue_->isActive())
            passDue_->start(int(std::ceil(remainingMs)));
        return;
    }
    if (CaptureEngine::Instance().CatchingUp()) {
        passDue_->start(kCatchUpPollMs);
        return;
    }
    passDue_->stop();
    Timer1_Timer();
}

void Pribor::Timer1_Timer()
{
    // At display rate the frames show the stream as it grows: no passes.
    if (FrameTimer->isActive())
        return;
    FinishCaptureStart();
    if (!st.CaptureRunning)
        return;
    st.DataStart = 51;
    const int i = RasTime->ListIndex();

    // Wait, without handling window events, until the pass is long enough
    // (the timer's refreshTick comes only when it is, give or take a
    // millisecond). Nothing can enable or disable Stopbiton meanwhile, so one
    // sleep for the time that remains does it; polling only burned the CPU.
    for (;;) {
        const double remainingMs = passRemainingMs();
        if (remainingMs <= 0)
            break;
        if (!Stopbiton->isEnabled())
            return;
        QThread::usleep(qulonglong(std::ceil(remainingMs * 1000.0)));
    }

    static const QString commands[] = {
        QStringLiteral("Save Zvuk c:\\tmp.wav"),
        QStringLiteral("delete Zvuk"),
        QStringLiteral("Close Zvuk"),
        QStringLiteral("open c:\\zvuk.wav type waveaudio alias Zvuk"),
        QStringLiteral("Record Zvuk"),
    };
    for (const QString &command : commands) {
        const int r = mciSendString(command);
        if (r == 0)
            continue;
        EndTickAfterDeviceFailure(r);
        return;
    }

    const int offset = Capture::ReadOffset(RasTime->ItemData(i), st.TwoBeam);
    MarkPassStart();
    RedrawTraces(51 + offset);
}

void Pribor::EndTickAfterDeviceFailure(int r)
{
    if (r == 296) {
        RecoverFromInvalidFile(r, TrapSite::RefreshTick);
        return;
    }
    // An input chosen in the window that was unplugged: go on from the default one.
    if (CaptureEngine::Instance().RaiseInputLost(r))
        return;
    // Capture ends before the box is shown: while it is up, nothing that
    // still believed capture ran (the refresh, the frame timer, the input
    // watch) may find the same failure and say it again.
    const int c = mciSendString(QStringLiteral("Close Zvuk"));
    EndCaptureAfterFailure();
    ShowDeviceError(r);
    if (c != 0)
        ShowDeviceError(c);
}
