// SPDX-License-Identifier: GPL-3.0-or-later
// Live capture start and stop.
#include "acquisition/captureengine.h"
#include "acquisition/capturetables.h"
#include "acquisition/mci.h"
#include "acquisition/streamrecorder.h"
#include "app/pribor.h"
#include "files/openfile.h"
#include "platform/errors.h"
#include "platform/errortable.h"
#include "platform/fileops.h"
#include "platform/messagebox.h"
#include "platform/vbcontrols.h"
#include "platform/language.h"

#include <QAction>
#include <QTimer>

void Pribor::ShowDeviceError(int code)
{
    MsgBox(mciGetErrorString(code), MsgButtons::OK, MsgIcon::None, Language::AppTitle());
}

double Pribor::SecondsNow() const
{
    return captureClock_.isValid() ? captureClock_.nsecsElapsed() / 1e9 : 0.0;
}

void Pribor::MarkPassStart()
{
    // A monotonic clock: the wait for a long enough pass must end even when
    // the time of day jumps (midnight, clock changes).
    if (!captureClock_.isValid())
        captureClock_.start();
    passStartSeconds_ = SecondsNow();
    ++passCount_;
    st.PassStart = float(passStartSeconds_);
}

void Pribor::RecoverFromInvalidFile(int code, TrapSite site)
{
    // The working file was unusable to the device: put a known-good file in
    // its place and start over. A second failure inside the recovery is
    // reported instead of recovering again, so it can never loop.
    if (recovering_) {
        if (code != Err::BadRecordNumber)
            ShowDeviceError(code);
        mciSendString(QStringLiteral("Close Zvuk"));
        EndCaptureAfterFailure();
        return;
    }
    recovering_ = true;
    const QString templatePath = Capture::TemplatePath(QStringLiteral("\\Sound\\sigm-8-16-stereo.wav"));
    const auto copy = [&] { FileOps::FileCopy(templatePath, QStringLiteral("c:\\tmp.wav")); };
    if (!RunTrapped(site, copy, templatePath)) {
        recovering_ = false;
        return;
    }
    LoadAndUnloadOpenFile();
    // Stop without saving: the device is closed or holds nothing usable, and
    // a save would only fail once more with a second message.
    mciSendString(QStringLiteral("Close Zvuk"));
    EndCaptureAfterFailure();
    zapis_Click();
    recovering_ = false;
}

void Pribor::EndCaptureAfterFailure()
{
    // The device is closed and nothing was saved: go back to idle without
    // touching the device again, so the operator can start afresh.
    ++startNumber_;
    startPending_ = false;
    passDue_->stop();
    memoryRecording_ = false;
    UnlockPanelAfterRecording();
    Timer1->stop();
    FrameTimer->stop();
    TimerIndikator->stop();
    CloseSaveZvuk();
    st.CaptureRunning = false;
    nachalo->setEnabled(true);
    konec->setEnabled(true);
    zapis->setEnabled(true);
    SaveBiton->setEnabled(true);
    Stopbiton->setEnabled(false);
    StopMenu->setEnabled(false);
    SigmMenu->setEnabled(true);
    RunMenu->setEnabled(true);
    HScroll1->setEnabled(true);
    OpenBitton->setEnabled(true);
    OpenWav->setEnabled(true);
    Uroven->setEnabled(true);
}

void Pribor::zapis_Click()
{
    if (deviceLeftOpen_) {
        mciSendString(QStringLiteral("Close Zvuk"));
        deviceLeftOpen_ = false;
    }
    // What is on show, should the start fail before capture replaces it.
    ++startNumber_;
    startPending_ = false;
    const QString shownName = st.FlName;
    const QString shownAs = st.ShownAs;
    const auto shownRate = st.SampleRate;
    const bool shownTwoBeam = st.TwoBeam;
    st.FlName = QStringLiteral("c:\\tmp.wav");
    st.ShownAs.clear();
    ShowTitle();
    int index = RasTime->ListIndex();
    st.CaptureRunning = true;
    if (index == -1) {
        st.SweepForced = true;
        RasTime->SetListIndex(6);
        index = RasTime->ListIndex();
    }
    const Capture::Format format = Capture::LiveFormat(index, Ster->isChecked(), Globals::Sample48k);
    st.SampleRate = format.sampleRate;
    // The recording takes its channels from the check mark; the display must
    // read it the same way, even after a file with other channels was shown.
    st.TwoBeam = Ster->isChecked();
    const QString templatePath = Capture::TemplatePath(format.templateName);
    int failed = 0;
    const auto copy = [&] { FileOps::FileCopy(templatePath, QStringLiteral("c:\\zvuk.wav")); };
    if (!RunTrapped(TrapSite::CaptureStart, copy, templatePath, &failed)) {
        // Nothing runs after a failed start, whatever the failure: left set,
        // the flag would make the next sweep change start capture by itself.
        // The view goes on showing what it showed, so a later redraw reads
        // the file it belongs to.
        st.CaptureRunning = false;
        st.FlName = shownName;
        st.ShownAs = shownAs;
        ShowTitle();
        st.SampleRate = shownRate;
        st.TwoBeam = shownTwoBeam;
        if (failed == Err::FileNotFound)
            Stopbiton_Click();
        return;
    }

    Uroven->setEnabled(true);
    XminY->setEnabled(true);
    nachalo->setEnabled(false);
    konec->setEnabled(false);
    zapis->setEnabled(false);
    SaveBiton->setEnabled(false);
    Stopbiton->setEnabled(true);
    StopMenu->setEnabled(true);
    SigmMenu->setEnabled(false);
    OpenWav->setEnabled(false);
    RunMenu->setEnabled(false);
    U1->setEnabled(true);
    U2->setEnabled(true);
    RasTime->setEnabled(true);
    OpenBitton->setEnabled(false);
    PrintBiton->setEnabled(false);
    PrintMenu->setEnabled(false);

    if (const int r = mciSendString(QStringLiteral("open c:\\zvuk.wav type waveaudio alias Zvuk")); r != 0) {
        captureStartFailed(r);
        return;
    }
    // The first pass is recorded while the window goes on: the refresh and
    // the frames wait for it (refreshTick, frameTick), and a failure is
    // reported when it is known, as a start that waited would report it.
    const int n = Capture::FirstPassMs(RasTime->ItemData(RasTime->ListIndex()));
    const quint64 start = ++startNumber_;
    const int r = mciSendNotify(QStringLiteral("Record Zvuk from 0 to %1 notify").arg(n), [this, start](int error) {
        if (start == startNumber_ && startPending_)
            firstPassDone(error);
    });
    if (r != 0) {
        captureStartFailed(r);
        return;
    }
    startPending_ = true;
    HScroll1->setEnabled(false);
    Timer1->start();
    if (Globals::DisplayRate)
        FrameTimer->start();
    MarkPassStart();
    keepLiveEvents(true);
    st.CaptureLengthFactor = 1.2f;
}

void Pribor::firstPassDone(int error)
{
    startPending_ = false;
    if (error != 0) {
        // Nothing may tick against the failed device while the box is up.
        Timer1->stop();
        FrameTimer->stop();
        captureStartFailed(error);
        return;
    }
    // Passes are counted from the end of the first one.
    MarkPassStart();
}

void Pribor::FinishCaptureStart()
{
    if (!startPending_)
        return;
    const quint64 start = startNumber_;
    const int error = CaptureEngine::Instance().WaitForLimit();
    if (start == startNumber_ && startPending_)
        firstPassDone(error);
}

void Pribor::captureStartFailed(int r)
{
    if (r == 296) {
        RecoverFromInvalidFile(r, TrapSite::CaptureStart);
        return;
    }
    ShowDeviceError(r);
    if (r == 326) {
        // The device stays open as it is, but the window must not be left
        // with neither start nor stop available.
        deviceLeftOpen_ = true;
        Stopbiton->setEnabled(false);
        EndCaptureAfterFailure();
        return;
    }
    if (const int c = mciSendString(QStringLiteral("Close Zvuk")); c != 0)
        ShowDeviceError(c);
    EndCaptureAfterFailure();
}

void Pribor::Stopbiton_Click()
{
    if (!st.CaptureRunning) {
        OpenWav->setEnabled(true);
        Uroven->setEnabled(true);
        return;
    }
    // Stopped before the first pass was complete: what it holds so far is
    // saved and shown, as for any stop.
    ++startNumber_;
    startPending_ = false;
    Timer1->stop();
    FrameTimer->stop();
    passDue_->stop();
    // A memory recording ends here too; its progress window must not go on
    // ticking against a closed device.
    TimerIndikator->stop();
    CloseSaveZvuk();
    if (stream_ && stream_->Current() == StreamRecorder::State::Running) {
        FinishStreamRecording();
        return;
    }

    int r = mciSendString(QStringLiteral("Save Zvuk c:\\tmp.wav"));
    if (r != 0 && memoryRecording_) {
        KeepMemoryRecording(r);
        return;
    }
    if (r == 0)
        r = mciSendString(QStringLiteral("Close Zvuk"));
    if (r != 0) {
        if (r == 296) {
            RecoverFromInvalidFile(r, TrapSite::RefreshTick);
            return;
        }
        if (!st.StopRecordingOnClose) {
            ShowDeviceError(r);
            if (const int c = mciSendString(QStringLiteral("Close Zvuk")); c != 0)
                ShowDeviceError(c);
        } else {
            mciSendString(QStringLiteral("Close Zvuk"));
        }
        // Ends once: the save is never tried again on the closed device.
        EndCaptureAfterFailure();
        return;
    }

    st.CaptureRunning = false;
    memoryRecording_ = false;
    UnlockPanelAfterRecording();
    EnableStoppedPanel();

    OpenWorkingFile();
    ReselectSweep();
    Uroven->setEnabled(true);
}

// The panel of a stopped recording that is shown: it can be paged, saved,
// printed, and capture started again.
void Pribor::EnableStoppedPanel()
{
    nachalo->setEnabled(true);
    konec->setEnabled(true);
    zapis->setEnabled(true);
    SaveBiton->setEnabled(true);
    Stopbiton->setEnabled(false);
    StopMenu->setEnabled(false);
    SaveFileBiton->setEnabled(true);
    SigmMenu->setEnabled(true);
    RunMenu->setEnabled(true);
    HScroll1->setEnabled(true);
    OpenBitton->setEnabled(true);
    SaveBiton->setEnabled(true);
    SaveWav->setEnabled(true);
    PrintBiton->setEnabled(true);
    PrintMenu->setEnabled(true);
    OpenWav->setEnabled(true);
}

void Pribor::ReselectSweep()
{
    // Selecting another sweep and back makes the sweep handler redraw.
    const int i = RasTime->ListIndex();
    RasTime->SetListIndex(i == 10 ? 9 : 10);
    RasTime->SetListIndex(i);
}

void Pribor::LoadAndUnloadOpenFile()
{
    // Loading the open dialog puts its lists on the Mem folder (creating it
    // when missing); nothing is shown.
    OpenFile dialog(st, this);
}
