// Memory recording: up to one minute straight into the working file.
#include "acquisition/capturetables.h"
#include "acquisition/errortable.h"
#include "acquisition/mci.h"
#include "acquisition/savezvuk.h"
#include "app/pribor.h"
#include "platform/errors.h"
#include "platform/fileops.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QProgressBar>
#include <QTimer>

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
    zapis->setEnabled(false);
    SaveBiton->setEnabled(false);
    Stopbiton->setEnabled(true);
    StopMenu->setEnabled(true);
    SigmMenu->setEnabled(false);
    RunMenu->setEnabled(false);
    OpenWav->setEnabled(false);
    st.CaptureRunning = true;
    if (!st.StopRecordingOnClose)
        saveZvuk_->show();
    TimerIndikator->start();
}

void Pribor::OperatorStopsRecording()
{
    TimerIndikator->stop();
    Stopbiton_Click();
    CloseSaveZvuk();
}

void Pribor::TimerIndikator_Timer()
{
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
