// SPDX-License-Identifier: GPL-3.0-or-later
// Memory recording longer than the classic minute: streamed to a file of its
// own in the working folder, never held in memory, shown and saved from
// there once it ends.
#include "acquisition/captureengine.h"
#include "acquisition/capturetables.h"
#include "acquisition/mci.h"
#include "acquisition/savezvuk.h"
#include "acquisition/streamrecorder.h"
#include "app/overviewtool.h"
#include "app/pribor.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>

namespace {

// The stream is taken from the device this often; the header follows
// within StreamRecorder's period.
constexpr int kStreamTickMs = 200;

QString clockText(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString sizeText(qint64 bytes)
{
    const QLocale locale;
    if (bytes >= (qint64(1) << 30))
        return locale.toString(double(bytes) / double(qint64(1) << 30), 'f', 1) + QCoreApplication::translate("Capture", " ГБ");
    return locale.toString(double(bytes) / double(1 << 20), 'f', 0) + QCoreApplication::translate("Capture", " МБ");
}

QString streamFileName()
{
    // A name of its own per recording: an earlier one not yet saved stays.
    QString base = Paths::WorkingFolder() + QStringLiteral("/zapis-")
                   + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    if (Paths::Instance() > 1)
        base += QLatin1Char('-') + QString::number(Paths::Instance());
    QString name = base + QStringLiteral(".wav");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("(%1).wav").arg(n);
    return name;
}

}  // namespace

bool Pribor::StartStreamRecording(int lengthSeconds)
{
    const Capture::Format chosen = Capture::MemoryFormat(Ster->isChecked(), Globals::Sample48k);
    CaptureFormat format;
    format.sampleRate = chosen.sampleRate;
    format.channels = Ster->isChecked() ? 2 : 1;
    auto recorder = std::make_shared<StreamRecorder>(CaptureEngine::Instance());
    const QString path = streamFileName();
    const int rc = recorder->Start(path, format, lengthSeconds > 0 ? qint64(lengthSeconds) * format.sampleRate : -1);
    if (rc != 0) {
        if (rc == MciErr::NotSaved)
            MsgBox(QCoreApplication::translate("Capture", "Не удалось создать файл записи ") + QDir::toNativeSeparators(path)
                       + QStringLiteral(".\n\n") + recorder->Problem(),
                   MsgButtons::OK, MsgIcon::Critical, Language::AppTitle());
        else
            ShowDeviceError(rc);
        EndCaptureAfterFailure();
        return false;
    }
    stream_ = recorder;
    streamSeconds_ = lengthSeconds;

    saveZvuk_ = new SaveZvuk(this);
    saveZvuk_->ShowLongRecording(lengthSeconds);
    saveZvuk_->OnStop = [this] { OperatorStopsRecording(); };
    EnterRecordingPanel();
    TickStreamRecording();
    saveZvuk_->show();
    TimerIndikator->setInterval(kStreamTickMs);
    TimerIndikator->start();
    return true;
}

void Pribor::TickStreamRecording()
{
    if (!stream_)
        return;
    if (stream_->Poll() != StreamRecorder::State::Running) {
        FinishStreamRecording();
        return;
    }
    if (!saveZvuk_)
        return;
    const qint64 seconds = stream_->Frames() / std::max(1, stream_->Format().sampleRate);
    const qint64 free = StreamRecorder::FreeBytes(stream_->Path());
    QString text = QCoreApplication::translate("Capture", "Записано %1").arg(clockText(seconds));
    text += streamSeconds_ > 0 ? QCoreApplication::translate("Capture", " из %1").arg(clockText(streamSeconds_))
                               : QCoreApplication::translate("Capture", " (до остановки)");
    if (free >= 0) {
        text += QCoreApplication::translate("Capture", "\nНа диске свободно %1").arg(sizeText(free));
        const qint64 perSecond = qint64(stream_->Format().sampleRate) * stream_->Format().BytesPerFrame();
        if (perSecond > 0)
            text += QCoreApplication::translate("Capture", ", это ещё %1").arg(clockText(free / perSecond));
    }
    saveZvuk_->Label2->setText(text);
    if (streamSeconds_ > 0)
        saveZvuk_->ProgressBar1->setValue(int(std::min<qint64>(seconds, streamSeconds_)));
}

void Pribor::FinishStreamRecording()
{
    TimerIndikator->stop();
    TimerIndikator->setInterval(1000);
    CloseSaveZvuk();
    const StreamRecorder::State end = stream_->Stop();
    memoryRecording_ = false;
    st.CaptureRunning = false;
    UnlockPanelAfterRecording();

    QString problem = stream_->Problem();
    if (end == StreamRecorder::State::InputLost)
        problem = mciGetErrorString(stream_->InputError());
    const qint64 frames = stream_->Frames();
    if (frames == 0) {
        // Nothing came: no empty file to show or to leave behind.
        QFile::remove(stream_->Path());
        stream_.reset();
        EndCaptureAfterFailure();
        if (!problem.isEmpty() && !st.Unloading)
            MsgBox(problem + QCoreApplication::translate("Capture", "\n\nНичего записать не успело."), MsgButtons::OK, MsgIcon::Exclamation,
                   Language::AppTitle());
        return;
    }
    EnableStoppedPanel();
    Uroven->setEnabled(true);
    const double seconds = double(frames) / std::max(1, stream_->Format().sampleRate);
    st.FlName = stream_->Path();
    st.ForceReposition = true;
    if (st.Unloading)
        return;
    // The overview was built as the samples were written: the strip has it at once.
    if (Overview)
        Overview->TakeRecorded(stream_->Path(), stream_->Overview());
    OpenWorkingFile();
    ReselectSweep();
    if (!problem.isEmpty()) {
        MsgBox(problem + QCoreApplication::translate("Capture", "\n\nВсё, что успело записаться (%1), сохранено в файле %2 и показано на экране.")
                             .arg(clockText(qint64(seconds)), QDir::toNativeSeparators(stream_->Path())),
               MsgButtons::OK, MsgIcon::Exclamation, Language::AppTitle());
    }
}
