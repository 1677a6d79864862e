// SPDX-License-Identifier: GPL-3.0-or-later
// Picture probe: prints a hash of the drawing surface's image, of the
// whole window grab and of the screen as the SVG export draws it for every
// sweep of a stereo file (plain, with cursors and the readout strip,
// triggered, subtracted, X-Y, the level and spectrum windows), for live
// screens read from a pass file, and for frames at display rate from an
// input whose signal repeats exactly in every burst it delivers. Run it
// before and after a change that must not alter a pixel; the two listings
// must be the same line for line.
//
// Usage: QT_QPA_PLATFORM=offscreen build/probe_screens > hashes.txt
// It uses only the window's own members and named menu actions, so the
// same source builds on either side of such a change.
#include "acquisition/captureengine.h"
#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "app/exporttool.h"
#include "app/pribor.h"
#include "benchutil.h"
#include "display/ris.h"
#include "fourier/fourierwindow.h"
#include "levelmeter/scala.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>
#include <QtEndian>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kRate = 44100;
constexpr int kPeriod = 4410;  // every component repeats after this many frames

qint16 sampleAt(qint64 frame, int channel)
{
    const double t = double(frame % kPeriod) / kRate;
    if (channel == 0)
        return qint16(std::lround(9000 * std::sin(2 * M_PI * 440 * t) + 2500 * std::sin(2 * M_PI * 1320 * t)));
    return qint16(std::lround(24000 * (std::fmod(100 * t, 1.0) - 0.5)));
}

bool writeStereo(const QString &path, qint64 frames)
{
    QByteArray data;
    data.reserve(int(frames * 4));
    for (qint64 f = 0; f < frames; ++f)
        for (int c = 0; c < 2; ++c) {
            const qint16 v = qToLittleEndian(sampleAt(f, c));
            data.append(reinterpret_cast<const char *>(&v), 2);
        }
    auto le32 = [](quint32 v) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char *>(&v), 4); };
    auto le16 = [](quint16 v) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char *>(&v), 2); };
    QByteArray h = "RIFF" + le32(quint32(36 + data.size())) + "WAVEfmt " + le32(16) + le16(1) + le16(2)
                   + le32(kRate) + le32(kRate * 4) + le16(4) + le16(16) + "data" + le32(quint32(data.size()));
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(h + data) == h.size() + data.size();
}

// Delivers the periodic signal in whole periods only, so the newest samples
// always end at the same phase.
class PeriodicSource : public CaptureSource {
public:
    QString Description() const override { return QStringLiteral("probe"); }
    int Start(const CaptureFormat &format) override
    {
        format_ = format;
        start_ = std::chrono::steady_clock::now();
        produced_ = 0;
        return 0;
    }
    void Stop() override {}
    bool ReadAvailable(QByteArray &out) override
    {
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        qint64 due = qint64(secs * format_.sampleRate);
        due -= due % kPeriod;
        for (qint64 f = produced_; f < due; ++f)
            for (int c = 0; c < format_.channels; ++c) {
                const qint16 v = sampleAt(f, c);
                out.append(reinterpret_cast<const char *>(&v), 2);
            }
        produced_ = std::max(produced_, due);
        return true;
    }

private:
    CaptureFormat format_;
    std::chrono::steady_clock::time_point start_;
    qint64 produced_ = 0;
};

QByteArray md5(const QImage &image)
{
    const QImage i = image.convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash h(QCryptographicHash::Md5);
    for (int y = 0; y < i.height(); ++y)
        h.addData(QByteArrayView(reinterpret_cast<const char *>(i.constScanLine(y)), i.width() * 4));
    return h.result().toHex().left(16);
}

void print(Pribor &w, const QString &tag)
{
    QApplication::processEvents();
    std::fflush(stdout);
    const QByteArray svg = PictureExport::SvgOf(w.Exports->CurrentScene());
    std::printf("%-28s %s %s %s\n", qPrintable(tag), md5(w.RisBox->Image()).constData(),
                md5(w.grab().toImage()).constData(),
                QCryptographicHash::hash(svg, QCryptographicHash::Md5).toHex().left(16).constData());
}

QAction *action(Pribor &w, const char *name)
{
    auto *a = w.findChild<QAction *>(QLatin1String(name));
    if (!a) {
        std::fprintf(stderr, "no action %s\n", name);
        std::exit(2);
    }
    return a;
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Bench::UseScratchFolders(dir.path());
    // Messages are part of what is seen: listed, and answered with their first button.
    UiSeam::SetMessageHandler([](const MsgRequest &m) {
        std::printf("message: %s\n", qPrintable(m.text));
        return m.buttons == MsgButtons::YesNo || m.buttons == MsgButtons::YesNoCancel ? MsgAnswer::Yes
               : m.buttons == MsgButtons::AbortRetryIgnore                          ? MsgAnswer::Abort
               : m.buttons == MsgButtons::RetryCancel                               ? MsgAnswer::Retry
                                                                                    : MsgAnswer::OK;
    });
    UiSeam::SetModalHandler([](QDialog *) { return 0; });
    const QString file = dir.filePath(QStringLiteral("probe.wav"));
    if (!writeStereo(file, 3 * kRate))
        return 1;
    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    w->show();
    if (!w->st.TwoBeam)
        w->Ster_Click();
    if (!w->OpenOscillogram(file))
        return 1;

    auto sweeps = [&](const QString &config) {
        for (int i = 0; i < w->RasTime->ListCount(); ++i) {
            w->RasTime->SetListIndex(i);
            print(*w, QStringLiteral("%1 sweep %2").arg(config).arg(i));
            w->HScroll1->SetValue(w->HScroll1->Max() / 3);
            print(*w, QStringLiteral("%1 sweep %2 paged").arg(config).arg(i));
            w->HScroll1->SetValue(0);
        }
    };
    sweeps(QStringLiteral("plain"));
    action(*w, "CursorsMenu")->setChecked(true);
    w->MeasureMenu_Click();
    sweeps(QStringLiteral("cursors+strip"));
    w->TrigAuto->trigger();
    sweeps(QStringLiteral("triggered"));
    w->TrigOff->trigger();
    w->XminY_Click();
    sweeps(QStringLiteral("subtracted"));
    w->XminY_Click();
    action(*w, "XYMenu")->setChecked(true);
    sweeps(QStringLiteral("x-y"));
    action(*w, "XYMenu")->setChecked(false);

    // The level and spectrum windows over every sweep: their pictures, where
    // they appear, and the refresh period the level window sets and gives back.
    action(*w, "Uroven")->trigger();
    action(*w, "Spektr")->trigger();
    if (!w->ScalaWindow || !w->SpektrWindow)
        return 1;
    {
        // The spectrum's transform may be planned in the background: the
        // screen shown on opening is analysed once it is.
        QEventLoop wait;
        QTimer::singleShot(300, &wait, &QEventLoop::quit);
        wait.exec();
    }
    for (int i = 0; i < w->RasTime->ListCount(); ++i) {
        w->RasTime->SetListIndex(i);
        QApplication::processEvents();
        std::printf("level+spectrum sweep %-6d %s %s %d,%d %d,%d %d\n", i,
                    md5(w->ScalaWindow->grab().toImage()).constData(),
                    md5(w->SpektrWindow->grab().toImage()).constData(), w->ScalaWindow->x(), w->ScalaWindow->y(),
                    w->SpektrWindow->x(), w->SpektrWindow->y(), w->Timer1->interval());
    }
    action(*w, "Uroven")->trigger();
    action(*w, "Spektr")->trigger();
    QApplication::processEvents();
    std::printf("level+spectrum closed %d %d %d %d %d\n", w->ScalaWindow != nullptr, w->SpektrWindow != nullptr,
                action(*w, "Uroven")->isChecked(), action(*w, "Spektr")->isChecked(), w->Timer1->interval());

    // Live screens as the refresh draws them, each read from a pass file.
    for (int i = 0; i < w->RasTime->ListCount(); ++i) {
        const QSignalBlocker quiet(w->RasTime);
        w->RasTime->SetListIndex(i);
        QFile::remove(Paths::WorkingFile());
        if (!QFile::copy(file, Paths::WorkingFile()))
            return 1;
        w->st.FlName = QStringLiteral("c:\\tmp.wav");
        w->st.CaptureRunning = true;
        w->st.CaptureLengthFactor = 1.2f;
        w->RedrawTraces(51 + 4 * 441);
        w->st.CaptureRunning = false;
        print(*w, QStringLiteral("live pass sweep %1").arg(i));
    }

    QFile::copy(file, Paths::WorkingFile());
    if (!w->OpenOscillogram(file))
        return 1;

    // Frames at display rate.
    CaptureEngine::Instance().SetSourceFactory([](int *) { return std::unique_ptr<CaptureSource>(new PeriodicSource); });
    Globals::DisplayRate = true;
    w->RasTime->SetListIndex(6);
    w->zapis_Click();
    if (!w->st.CaptureRunning)
        return 1;
    w->Timer1->stop();
    w->FrameTimer->stop();
    {
        QEventLoop wait;
        QTimer::singleShot(2500, &wait, &QEventLoop::quit);
        wait.exec();
    }
    for (int i = 0; i < w->RasTime->ListCount(); ++i) {
        const QSignalBlocker quiet(w->RasTime);
        w->RasTime->SetListIndex(i);
        w->Timer1->start();  // the frame draws only while the refresh timer runs
        w->FrameTimer_Timer();
        w->Timer1->stop();
        print(*w, QStringLiteral("frame sweep %1").arg(i));
    }
    w->Timer1->start();
    w->Stopbiton_Click();
    Globals::DisplayRate = false;
    mciSendString(QStringLiteral("close all"));
    CaptureEngine::Instance().SetSourceFactory({});
    w->close();
    return 0;
}
