// SPDX-License-Identifier: GPL-3.0-or-later
// Memory recording: up to one minute straight into the working file.
#include "acquisition/captureengine.h"
#include "acquisition/capturetables.h"
#include "acquisition/mci.h"
#include "acquisition/savezvuk.h"
#include "acquisition/streamrecorder.h"
#include "app/pribor.h"
#include "app/timemen.h"
#include "platform/errors.h"
#include "platform/errortable.h"
#include "platform/fileops.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"
#include "platform/wavfile.h"
#include "platform/language.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

void Pribor::LockPanelForRecording()
{
    // Each of these would restart capture, or put another file in place of
    // the working file, and so end the recording without a word.
    UnlockPanelAfterRecording();
    const auto keep = [this](auto *control) {
        const bool was = control->isEnabled();
        control->setEnabled(false);
        panelRestore_.push_back([control, was] { control->setEnabled(was); });
    };
    keep(RasTime);
    keep(HScroll1);
    keep(XminY);
    keep(OpenBitton);
    keep(Ster);
    keep(TimeMenu);
}

void Pribor::UnlockPanelAfterRecording()
{
    for (const auto &restore : panelRestore_)
        restore();
    panelRestore_.clear();
}

QString Pribor::RescueFileName()
{
    // Never an existing file: two programs may rescue in the same second,
    // and the later one must not take the earlier one's recording.
    QString base = Paths::MemFolder() + QStringLiteral("/sigm-")
                   + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    if (Paths::Instance() > 1)
        base += QLatin1Char('-') + QString::number(Paths::Instance());
    QString name = base + QStringLiteral(".wav");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("(%1).wav").arg(n);
    return name;
}

void Pribor::KeepMemoryRecording(int cause)
{
    // The recording's end failed (the input went away, or the working file
    // could not be written). The device still holds every sample: put them
    // in the first place that takes them and show them.
    TimerIndikator->stop();
    CloseSaveZvuk();
    memoryRecording_ = false;
    if (st.StopRecordingOnClose) {
        // The brief recording shut-down runs on its way out holds nothing
        // anyone recorded: nothing to keep.
        mciSendString(QStringLiteral("Close Zvuk"));
        EndCaptureAfterFailure();
        return;
    }
    const qint64 recorded = CaptureEngine::Instance().RecordedFrames();
    const auto written = [](int r) { return r != MciErr::NotSaved && r != MciErr::DeviceNotOpen; };
    const QString working = Paths::WorkingFile();
    QString kept;
    if (written(cause)) {
        kept = working;  // only the input failed; the save wrote the file
    } else {
        const QString rescue = RescueFileName();
        QDir().mkpath(QFileInfo(rescue).path());
        if (written(mciSendString(QStringLiteral("Save Zvuk ") + rescue))) {
            kept = rescue;
        } else {
            // A full disk keeps what fitted: the longer of the two parts.
            qint64 best = 0;
            for (const QString &path : {working, rescue}) {
                WavInfo info;
                if (ReadWavInfo(path, &info) == 0 && info.frames > best) {
                    best = info.frames;
                    kept = path;
                }
            }
        }
    }
    mciSendString(QStringLiteral("Close Zvuk"));

    const QString causeText = mciGetErrorString(cause);
    if (kept.isEmpty()) {
        EndCaptureAfterFailure();
        MsgBox(causeText + QCoreApplication::translate("Capture", "\n\nОсциллограмму не удалось записать ни в рабочий файл, ни в папку ")
                       + QDir::toNativeSeparators(Paths::MemFolder()) + QCoreApplication::translate("Capture", ": запись потеряна."),
                   MsgButtons::OK, MsgIcon::Critical, Language::AppTitle());
        return;
    }

    WavInfo info;
    ReadWavInfo(kept, &info);
    const auto seconds = [&info](qint64 frames) {
        return QString::number(info.sampleRate > 0 ? double(frames) / info.sampleRate : 0.0, 'f', 1);
    };
    QString where;
    if (info.frames < recorded)
        where = QCoreApplication::translate("Capture", "Места хватило только на часть осциллограммы (%1 с из %2 с); она сохранена в файле %3")
                    .arg(seconds(info.frames), seconds(recorded), QDir::toNativeSeparators(kept));
    else if (kept == working)
        where = QCoreApplication::translate("Capture", "Записанная до этого осциллограмма (%1 с) сохранена в рабочем файле")
                    .arg(seconds(info.frames));
    else
        where = QCoreApplication::translate("Capture", "Рабочий файл записать не удалось. Осциллограмма (%1 с) сохранена в файле %2")
                    .arg(seconds(info.frames), QDir::toNativeSeparators(kept));

    // As after the operator's stop: the recording is shown and can be saved
    // and printed.
    st.CaptureRunning = false;
    UnlockPanelAfterRecording();
    EnableStoppedPanel();
    Uroven->setEnabled(true);
    st.FlName = kept == working ? QStringLiteral("c:\\tmp.wav") : kept;
    st.ForceReposition = true;
    if (st.Unloading)
        return;
    OpenWorkingFile();
    ReselectSweep();
    MsgBox(causeText + QStringLiteral("\n\n") + where + QCoreApplication::translate("Capture", " и показана на экране."), MsgButtons::OK,
               MsgIcon::Exclamation, Language::AppTitle());
}

void Pribor::CloseSaveZvuk()
{
    if (!saveZvuk_)
        return;
    SaveZvuk *window = saveZvuk_;
    saveZvuk_ = nullptr;
    window->OnStop = nullptr;
    window->hide();
    window->deleteLater();
}

void Pribor::SaveBiton_Click()
{
    CloseSaveZvuk();
    if (deviceLeftOpen_) {
        mciSendString(QStringLiteral("Close Zvuk"));
        deviceLeftOpen_ = false;
    }
    // The shut-down's brief recording is always the classic one.
    if (!st.StopRecordingOnClose) {
        if (const int length = StoredRecordingSeconds(); length != 60) {
            StartStreamRecording(length);
            return;
        }
    }
    saveZvuk_ = new SaveZvuk(this);
    saveZvuk_->OnStop = [this] { OperatorStopsRecording(); };

    const Capture::Format format = Capture::MemoryFormat(Ster->isChecked(), Globals::Sample48k);
    const QString templatePath = Capture::TemplatePath(format.templateName);
    int failed = 0;
    const auto copy = [&] { FileOps::FileCopy(templatePath, QStringLiteral("c:\\tmp.wav")); };
    if (!RunTrapped(TrapSite::MemoryStart, copy, templatePath, &failed)) {
        CloseSaveZvuk();
        // Without its templates the program cannot record at all.
        if (failed == Err::FileNotFound && !st.Unloading)
            close();
        return;
    }

    int r = mciSendString(QStringLiteral("open c:\\tmp.wav type waveaudio alias Zvuk"));
    if (r == 0)
        r = mciSendString(QStringLiteral("Record Zvuk"));
    if (r != 0) {
        if (r == 296) {
            CloseSaveZvuk();
            RecoverFromInvalidFile(r, TrapSite::MemoryStart);
            return;
        }
        if (!st.StopRecordingOnClose)
            ShowDeviceError(r);
        if (r == 326) {
            deviceLeftOpen_ = true;
            Stopbiton->setEnabled(false);
            CloseSaveZvuk();
            EndCaptureAfterFailure();
            return;
        }
        if (const int c = mciSendString(QStringLiteral("Close Zvuk")); c != 0)
            ShowDeviceError(c);
        EndCaptureAfterFailure();
        return;
    }

    st.FlName = QStringLiteral("c:\\tmp.wav");
    EnterRecordingPanel();
    if (!st.StopRecordingOnClose)
        saveZvuk_->show();
    TimerIndikator->start();
}

void Pribor::OperatorStopsRecording()
{
    if (stream_ && stream_->Current() == StreamRecorder::State::Running) {
        FinishStreamRecording();
        return;
    }
    TimerIndikator->stop();
    Stopbiton_Click();
    CloseSaveZvuk();
}

void Pribor::TimerIndikator_Timer()
{
    if (stream_ && stream_->Current() == StreamRecorder::State::Running) {
        TickStreamRecording();
        return;
    }
    if (!saveZvuk_) {
        TimerIndikator->stop();
        return;
    }
    saveZvuk_->ProgressBar1->setValue(std::min(saveZvuk_->ProgressBar1->value() + 1, 60));
    saveZvuk_->repaint();
    if (saveZvuk_->ProgressBar1->value() <= 59)
        return;

    TimerIndikator->stop();
    int r = mciSendString(QStringLiteral("Save Zvuk c:\\tmp.wav"));
    if (r != 0 && memoryRecording_) {
        KeepMemoryRecording(r);
        return;
    }
    if (r == 0)
        r = mciSendString(QStringLiteral("Close Zvuk"));
    if (r != 0) {
        ShowDeviceError(r);
        mciSendString(QStringLiteral("Close Zvuk"));
        // The device is closed: end without trying to save once more.
        if (Stopbiton->isEnabled())
            EndCaptureAfterFailure();
        return;
    }
    memoryRecording_ = false;
    UnlockPanelAfterRecording();
    SaveWav->setEnabled(true);
    st.ForceReposition = true;
    st.CaptureRunning = false;
    HScroll1->setEnabled(true);
    zapis->setEnabled(true);
    SaveBiton->setEnabled(true);
    Stopbiton->setEnabled(false);
    StopMenu->setEnabled(false);
    SigmMenu->setEnabled(true);
    RunMenu->setEnabled(true);
    SaveBiton->setEnabled(true);
    PrintBiton->setEnabled(true);
    PrintMenu->setEnabled(true);
    SaveFileBiton->setEnabled(true);
    OpenWorkingFile();
    ReselectSweep();
    CloseSaveZvuk();
}

// The panel while a recording runs, in memory or streamed: only Стоп works,
// and a lost input ends the recording at once rather than letting the
// progress count on through silence.
void Pribor::EnterRecordingPanel()
{
    zapis->setEnabled(false);
    SaveBiton->setEnabled(false);
    Stopbiton->setEnabled(true);
    StopMenu->setEnabled(true);
    SigmMenu->setEnabled(false);
    RunMenu->setEnabled(false);
    OpenWav->setEnabled(false);
    st.CaptureRunning = true;
    memoryRecording_ = true;
    // A new recording, not the file shown before it.
    st.ShownAs.clear();
    ShowTitle();
    LockPanelForRecording();
    QPointer<Pribor> self(this);
    mciSetLossListener([self] {
        if (self && self->memoryRecording_)
            self->OperatorStopsRecording();
    });
}
