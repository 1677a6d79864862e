// SPDX-License-Identifier: GPL-3.0-or-later
#include "acqtestutil.h"
#include "acquisition/capturetables.h"
#include "acquisition/mci.h"
#include "acquisition/savezvuk.h"
#include "analysis/calibration.h"
#include "app/exporttool.h"
#include "app/pribor.h"
#include "app/xytool.h"
#include "display/ris.h"
#include "export/scene.h"
#include "fourier/fourierwindow.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"
#include "platform/wavfile.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QtEndian>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <memory>

namespace {

std::unique_ptr<Pribor> startedWindow()
{
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    return w;
}

// Sign changes of the trace, ignoring a small dead band around zero.
int zeroCrossings(const std::vector<int32_t> &b, int points)
{
    int crossings = 0, sign = 0;
    for (int i = 0; i <= points && i < int(b.size()); ++i) {
        const int s = b[i] > 500 ? 1 : b[i] < -500 ? -1 : 0;
        if (s != 0 && sign != 0 && s != sign)
            ++crossings;
        if (s != 0)
            sign = s;
    }
    return crossings;
}

void runTicks(Pribor &w, int ticks, QStringList *problems)
{
    for (int t = 0; t < ticks; ++t) {
        QTest::qWait(100);  // the shortest refresh period
        w.Timer1_Timer();
        if (QFile::exists(Paths::WorkingFile()))
            *problems << QStringLiteral("tick %1 left the working file behind").arg(t);
    }
}

bool stoppedStates(const Pribor &w)
{
    return w.zapis->isEnabled() && w.SaveBiton->isEnabled() && !w.Stopbiton->isEnabled()
           && !w.StopMenu->isEnabled() && w.SaveFileBiton->isEnabled() && w.PrintBiton->isEnabled()
           && w.OpenWav->isEnabled() && w.OpenBitton->isEnabled() && w.HScroll1->isEnabled()
           && w.Uroven->isEnabled() && !w.Timer1->isActive() && !w.st.CaptureRunning;
}

// The demo generator with its first channel lifted by a constant: a trace
// drawn centred then lies below the raw samples, so a trigger level that
// forgot the centring misses the drawn crossing.
class LiftedDemo : public CaptureSource {
public:
    static constexpr qint16 kLift = 4000;
    QString Description() const override { return demo_->Description(); }
    int Start(const CaptureFormat &format) override
    {
        channels_ = format.channels;
        return demo_->Start(format);
    }
    void Stop() override { demo_->Stop(); }
    bool ReadAvailable(QByteArray &out) override
    {
        const qsizetype at = out.size();
        if (!demo_->ReadAvailable(out))
            return false;
        auto *p = reinterpret_cast<qint16 *>(out.data() + at);
        for (qsizetype i = 0; i < (out.size() - at) / 2; i += channels_)
            p[i] = qint16(p[i] + kLift);
        return true;
    }

private:
    std::unique_ptr<CaptureSource> demo_ = MakeDemoSource();
    int channels_ = 2;
};

// A sine of ToneSource::hz on both channels at half full scale, paced by
// the wall clock as the demo generator is. The frequency may change while
// it runs.
class ToneSource : public CaptureSource {
public:
    static inline double hz = 1000;
    QString Description() const override { return QStringLiteral("Тон"); }
    int Start(const CaptureFormat &format) override
    {
        format_ = format;
        start_ = Clock::now();
        produced_ = 0;
        return 0;
    }
    void Stop() override {}
    bool ReadAvailable(QByteArray &out) override
    {
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count();
        const qint64 due = qint64(us) * format_.sampleRate / 1000000;
        const qsizetype at = out.size();
        out.resize(at + (due - produced_) * format_.BytesPerFrame());
        auto *p = reinterpret_cast<qint16 *>(out.data() + at);
        for (; produced_ < due; ++produced_) {
            const double phase = std::fmod(hz * double(produced_) / format_.sampleRate, 1.0);
            for (int c = 0; c < format_.channels; ++c)
                *p++ = qint16(std::lround(16384 * std::sin(2 * M_PI * phase)));
        }
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    CaptureFormat format_;
    Clock::time_point start_;
    qint64 produced_ = 0;
};

// Where the rising crossing of 0 nearest `slot` lies in b[0..points]; a
// decimated screen holds highs and lows in turn, and their mean is used.
double crossingNear(const std::vector<int32_t> &b, int points, bool decimated, double slot)
{
    const int step = decimated ? 2 : 1;
    auto at = [&](int i) { return decimated ? (b[size_t(i)] + b[size_t(i) + 1]) / 2.0 : double(b[size_t(i)]); };
    double best = 1e9;
    for (int i = step; i + step <= points && i + 1 < int(b.size()); i += step) {
        const double y0 = at(i - step), y1 = at(i);
        if (y0 < 0 && y1 >= 0) {
            const double x = i - step + step * (-y0 / (y1 - y0)) + (decimated ? 0.5 : 0);
            if (std::abs(x - slot) < std::abs(best - slot))
                best = x;
        }
    }
    return best;
}

// Sub-slot position of the first crossing of `level` upwards in b[from..to].
double risingCrossing(const std::vector<int32_t> &b, double level, int from, int to)
{
    for (int i = std::max(1, from); i <= to && i < int(b.size()); ++i) {
        if (b[i - 1] < level && b[i] >= level)
            return i - 1 + (level - b[i - 1]) / double(b[i] - b[i - 1]);
    }
    return -1;
}

}  // namespace

class LiveCaptureTest : public QObject {
    Q_OBJECT
private:
    void liveAtOneMillisecond(const char *input, int expectedLeftCrossings)
    {
        qputenv("SIGM_INPUT", input);
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->RasTime->SetListIndex(6);  // "1 мС": ten periods of 1 kHz per screen
        w->zapis_Click();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(w->st.CaptureRunning);
        QVERIFY(w->Timer1->isActive());
        QVERIFY(!w->zapis->isEnabled() && w->Stopbiton->isEnabled() && !w->HScroll1->isEnabled());
        QVERIFY(!w->OpenWav->isEnabled() && !w->PrintBiton->isEnabled() && w->XminY->isEnabled());
        QCOMPARE(w->st.SampleRate, 44100);
        w->Timer1->stop();  // the test drives the ticks
        QStringList problems;
        for (int t = 0; t < 4; ++t) {
            runTicks(*w, 1, &problems);
            QVERIFY2(w->st.PointCount > 400, qPrintable(QString::number(w->st.PointCount)));
            const int left = zeroCrossings(w->st.LeftBuffer, w->st.PointCount);
            QVERIFY2(std::abs(left - expectedLeftCrossings) <= 2, qPrintable(QString::number(left)));
            const int right = zeroCrossings(w->st.RightBuffer, w->st.PointCount);
            QVERIFY2(right >= 3 && right <= 7, qPrintable(QString::number(right)));  // 250 Hz: 2.5 periods
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));

        const QImage before = w->RisBox->Image();
        w->Stopbiton->click();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(stoppedStates(*w));
        QVERIFY(QFile::exists(Paths::WorkingFile()));  // the last pass, for paging and saving
        QVERIFY(w->st.PointCount > 400);
        // The stopped screen can be paged.
        const int32_t view = w->st.ViewStart;
        w->HScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QVERIFY(w->st.ViewStart > view);
        QVERIFY(!before.isNull());
        w->close();
        qunsetenv("SIGM_INPUT");
    }

private slots:
    void init()
    {
        TestEnv::Reset();
        Globals::Sample48k = false;
        Globals::DisplayRate = false;
    }
    // A test that failed half-way must not leave the device open for the next.
    void cleanup() { mciSendString("Close Zvuk"); }

    void demoGeneratorRunsLive() { liveAtOneMillisecond("demo", 20); }

    void realSoundServerRunsLive()
    {
        if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
            QSKIP("no test sound server (scripts/test.sh starts one)");
        liveAtOneMillisecond(qgetenv("SIGM_TEST_PULSE_SOURCE").constData(), 20);
    }

    void displayRateDrawsTheStreamWithoutPassesAndStopKeepsTheLatestStretch()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        Globals::DisplayRate = true;
        w->RasTime->SetListIndex(6);  // "1 мС"
        w->MeasureMenu_Click();
        w->Spektr_Click();
        w->zapis_Click();
        QVERIFY(w->FrameTimer->isActive() && w->Timer1->isActive());
        // Frames come from the stream: no pass is saved for them, and a
        // refresh tick that comes meanwhile leaves the device alone.
        QTest::qWait(150);
        w->Timer1_Timer();
        QVERIFY(!QFile::exists(Paths::WorkingFile()));
        QVERIFY2(w->st.PointCount > 400, qPrintable(QString::number(w->st.PointCount)));
        QVERIFY2(std::abs(zeroCrossings(w->st.LeftBuffer, w->st.PointCount) - 20) <= 2,
                 qPrintable(QString::number(zeroCrossings(w->st.LeftBuffer, w->st.PointCount))));
        // Later frames show later samples; nothing on screen repeats for ever.
        const std::vector<int32_t> earlier = w->st.LeftBuffer;
        QTRY_VERIFY_WITH_TIMEOUT(w->st.LeftBuffer != earlier, 2000);
        // The frames feed the readings under the screen and the spectrum
        // window as a refresh from the file does: the demo's 1000 Hz.
        QVERIFY(w->ReadingsShown[0]);
        QVERIFY2(std::abs(w->Readings[0].frequency - 1000) < 1, qPrintable(QString::number(w->Readings[0].frequency)));
        QVERIFY(w->SpektrWindow && w->SpektrWindow->Analyzer.SpectraAveraged() > 0);
        const double tone = w->SpektrWindow->Analyzer.StrongestPeak(0).frequency;
        QVERIFY2(std::abs(tone - 1000) < w->SpektrWindow->Analyzer.BinWidth(), qPrintable(QString::number(tone)));
        // And the X-Y figure: drawn from each frame's samples, so it moves
        // on (the demo's 1000 Hz against 250 Hz), not from a screen read before.
        w->XYView->XYMenu->setChecked(true);
        auto figure = [&] {
            const Scene scene = w->Exports->CurrentScene();
            return scene.strokes.empty() ? QPolygonF() : scene.strokes.back().points;
        };
        QTRY_VERIFY_WITH_TIMEOUT(figure().size() > 100, 2000);
        const QPolygonF first = figure();
        QTRY_VERIFY_WITH_TIMEOUT(figure() != first, 2000);
        w->XYView->XYMenu->setChecked(false);
        // Over a second of frames the recording behind them stays short.
        QTest::qWait(1100);
        w->Stopbiton->click();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(stoppedStates(*w));
        QVERIFY(!w->FrameTimer->isActive());
        WavInfo info;
        QCOMPARE(ReadWavInfo(Paths::WorkingFile(), &info), 0);
        // At least two screens and the pass the refresh would keep, not the whole run.
        QVERIFY2(info.frames >= 2 * 445 / 2 && info.frames <= 44100 / 2, qPrintable(QString::number(info.frames)));
        QVERIFY(w->st.PointCount > 400);
        Globals::DisplayRate = false;
        w->close();
        qunsetenv("SIGM_INPUT");
    }

    void displayRateTriggerHoldsTheCrossingWaitsAndStopsOnSingle()
    {
        CaptureEngine::Instance().SetSourceFactory(
            [](int *) { return std::unique_ptr<CaptureSource>(new LiftedDemo); });
        struct Restore {
            ~Restore()
            {
                AcqTest::UseFake::restore();
                Globals::DisplayRate = false;
                Globals::CenterBeams = true;
            }
        } restore;
        SettingsStore::SaveSetting("Sigm", "Trigger", "Mode", "1");  // auto, channel 1, rising, one division in
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->show();
        QVERIFY(w->TrigAuto->isChecked() && w->TrigCh1->isChecked() && w->TrigRise->isChecked()
                && w->TrigOneDiv->isChecked());
        Globals::DisplayRate = true;
        Globals::CenterBeams = true;
        // Channel 1 calibrated at twice the nominal scale: 0.1 V is 4096
        // units, a quarter of the way up the sine from its centre line.
        w->CalFactor[0] = 2;
        w->Trig.levelVolts = 0.1;
        const double level = Calibration::ToUnits(0.1, 2);
        QVERIFY(std::abs(level - 4096) < 1);

        // "100 мкС": one period of 1 kHz on a screen of 44 frames, five
        // points a frame. Free running, the crossing would wander over the
        // whole screen from frame to frame; triggered, it stands one
        // division in, within a pixel, frame after frame.
        w->RasTime->SetListIndex(9);
        w->zapis_Click();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(w->FrameTimer->isActive());
        QTest::qWait(200);  // the recording holds a search's worth of samples
        const double framesPerScreen = 44;
        std::vector<double> pixels;
        for (int f = 0; f < 40; ++f) {
            QTest::qWait(20);
            w->st.PointCount = -1;
            w->FrameTimer_Timer();
            const int points = w->st.PointCount;
            QVERIFY2(points > 200, qPrintable(QStringLiteral("frame %1 drew %2 points").arg(f).arg(points)));
            const double at = framesPerScreen / 10 * points / (framesPerScreen + 1);
            const double x = risingCrossing(w->st.LeftBuffer, level, int(at) - 8, int(at) + 8);
            QVERIFY2(x >= 0 && std::abs(x - at) <= 2,
                     qPrintable(QStringLiteral("frame %1: crossing at slot %2, trigger at %3").arg(f).arg(x).arg(at)));
            pixels.push_back(x * w->RisBox->width() / points);
        }
        QVERIFY(!QFile::exists(Paths::WorkingFile()));  // frames, not passes
        const auto [lo, hi] = std::minmax_element(pixels.begin(), pixels.end());
        QVERIFY2(*hi - *lo <= 1.0, qPrintable(QStringLiteral("crossing wanders over %1 px").arg(*hi - *lo)));

        // Normal with the level above the signal: no event, no new picture,
        // however many frames pass; the capture runs on.
        w->Trig.levelVolts = 5;
        w->TrigNormal->trigger();
        const QImage held = w->RisBox->Image();
        for (int f = 0; f < 10; ++f) {
            QTest::qWait(20);
            w->FrameTimer_Timer();
        }
        QCOMPARE(w->RisBox->Image(), held);
        QVERIFY(w->st.CaptureRunning && w->FrameTimer->isActive());

        // Single: the first event stops the capture, and the stopped
        // recording is shown at the triggered screen, which the saved
        // recording holds whole.
        w->Trig.levelVolts = 0.1;
        w->TrigSingle->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!w->st.CaptureRunning, 2000);
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(stoppedStates(*w));
        QVERIFY(!w->FrameTimer->isActive());
        const int points = w->st.PointCount;
        const double at = framesPerScreen / 10 * points / (framesPerScreen + 1);
        const double x = risingCrossing(w->st.LeftBuffer, level, int(at) - 8, int(at) + 8);
        QVERIFY2(x >= 0 && std::abs(x - at) <= 3,
                 qPrintable(QStringLiteral("stopped screen: crossing at slot %1, trigger at %2").arg(x).arg(at)));
        WavInfo info;
        QCOMPARE(ReadWavInfo(Paths::WorkingFile(), &info), 0);
        const qint64 shownFrame = (w->st.ViewStart - w->st.DataStart) / 4;
        QVERIFY2(shownFrame >= 0 && info.frames >= shownFrame + framesPerScreen && info.frames >= 2 * framesPerScreen,
                 qPrintable(QStringLiteral("screen at frame %1 of %2").arg(shownFrame).arg(info.frames)));
        w->close();
    }

    // At display rate the trigger finds a steady signal's event in every
    // frame, and puts it on the first division's line within a pixel, at
    // the fastest sweep (half a period of 1001.7 Hz on screen), at "1 мС"
    // and at the slowest (a few periods of 3.7 Hz over a second).
    void displayRateTriggerHoldsEveryFrameFromTheFastestToTheSlowestSweep()
    {
        CaptureEngine::Instance().SetSourceFactory([](int *) { return std::unique_ptr<CaptureSource>(new ToneSource); });
        struct Restore {
            ~Restore()
            {
                AcqTest::UseFake::restore();
                Globals::DisplayRate = false;
                Globals::CenterBeams = true;
            }
        } restore;
        SettingsStore::SaveSetting("Sigm", "Trigger", "Mode", "1");  // auto, channel 1, rising, one division in
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->show();
        Globals::DisplayRate = true;
        Globals::CenterBeams = false;  // (half a period has a mean of its own)
        w->Trig.levelVolts = 0;
        QStringList off;
        for (const auto &[index, hz] : {std::pair{10, 1001.7}, std::pair{6, 1001.7}, std::pair{0, 3.7}}) {
            ToneSource::hz = hz;
            w->RasTime->SetListIndex(index);
            if (!w->st.CaptureRunning)
                w->zapis_Click();
            QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
            QTest::qWait(index == 0 ? 3300 : 300);  // the stream holds a search's worth
            std::vector<double> pixels;
            for (int f = 0; f < 24; ++f) {
                QTest::qWait(20);
                w->st.PointCount = -1;
                w->FrameTimer_Timer();
                const int points = w->st.PointCount;
                QVERIFY2(points > 100, qPrintable(QStringLiteral("frame %1 drew %2 points").arg(f).arg(points)));
                const double line = points / 10.0;
                const double x = crossingNear(w->st.LeftBuffer, points, w->st.Decimated, line);
                const double px = (x - line) * w->RisBox->width() / points;
                pixels.push_back(px);
                if (!(std::abs(px) <= 1.0))
                    off << QStringLiteral("sweep %1, frame %2: %3 px off").arg(index).arg(f).arg(px);
            }
            const auto [lo, hi] = std::minmax_element(pixels.begin(), pixels.end());
            if (*hi - *lo > 1.0)
                off << QStringLiteral("sweep %1: the event wanders over %2 px").arg(index).arg(*hi - *lo);
        }
        QVERIFY2(off.isEmpty(), qPrintable(off.mid(0, 12).join('\n') + QStringLiteral("\n(%1 in all)").arg(off.size())));
        QVERIFY(w->st.CaptureRunning);
        w->close();
    }

    // Normal mode catches a lone 1 ms pulse every time it comes: at a slow,
    // a middle and a fast sweep of the refresh (whose passes cut the
    // stream wherever the timer falls) and at display rate (whose stream
    // may come in bursts longer than a frame). Each pulse stands at its
    // own height, so the screens tell which pulse they hold: the pulses
    // shown follow one another without a gap, and each stands on the
    // trigger's line. With a holdoff longer than their spacing, every
    // second pulse is shown, live and at display rate.
    void normalTriggerShowsEveryLonePulse()
    {
        struct Restore {
            ~Restore()
            {
                AcqTest::UseFake::restore();
                Globals::DisplayRate = false;
                Globals::CenterBeams = true;
            }
        } restore;
        SettingsStore::SaveSetting("Sigm", "Trigger", "Mode", "2");  // normal, channel 1, rising, one division in
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->show();
        Globals::CenterBeams = false;
        w->Trig.levelVolts = Calibration::ToVolts(4000, w->CalFactor[0]);
        struct Run {
            int sweepIndex;
            bool displayRate;
            double everySeconds;
            double burstSeconds;
            int runMs;
            double holdoffSeconds = 0;  // longer than the spacing: every second pulse
        };
        QStringList wrong;
        for (const Run &r : {Run{1, false, 0.9, 0, 6500}, Run{3, false, 0.6, 0, 5000}, Run{8, false, 0.6, 0, 5000},
                             Run{3, true, 0.6, 0.4, 5000}, Run{8, true, 0.6, 0.4, 5000},
                             Run{3, false, 0.6, 0, 6000, 1.0}, Run{8, true, 0.6, 0.4, 6000, 1.0}}) {
            AcqTest::FakeScript script;
            script.mode = AcqTest::FakeScript::Mode::Pulses;
            script.pulseEverySeconds = r.everySeconds;
            // From once the refresh runs: the stretch between the start's
            // timed first pass and the first refresh is never recorded.
            script.pulseFirstSeconds = 1.5;
            script.burstFrames = int(r.burstSeconds * Capture::LiveFormat(r.sweepIndex, w->Ster->isChecked(), Globals::Sample48k).sampleRate);
            AcqTest::UseFake fake(script, 3000, 2000);
            Globals::DisplayRate = r.displayRate;
            w->Trig.holdoffSeconds = r.holdoffSeconds;
            w->RasTime->SetListIndex(r.sweepIndex);
            w->zapis_Click();
            QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
            // The test drives the refresh and the frames; the timers run
            // (the frames go on only while they do) but say nothing.
            w->Timer1->blockSignals(true);
            w->FrameTimer->blockSignals(true);
            const QString run = QStringLiteral("sweep %1%2%3")
                                    .arg(r.sweepIndex)
                                    .arg(r.displayRate ? ", display rate" : "")
                                    .arg(r.holdoffSeconds > 0 ? ", holdoff" : "");
            const int step = r.holdoffSeconds > 0 ? 2 : 1;
            std::vector<int> shown;
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < r.runMs) {
                QTest::qWait(20);
                w->st.PointCount = -1;
                if (r.displayRate)
                    w->FrameTimer_Timer();
                else
                    w->Timer1_Timer();
                const int points = w->st.PointCount;
                if (points <= 0)
                    continue;
                const auto &b = w->st.LeftBuffer;
                const double line = points / 10.0;
                int first = -1, height = 0;
                for (int i = 0; i <= points && i < int(b.size()); ++i) {
                    if (first < 0 && b[size_t(i)] >= 4000)
                        first = i;
                    if (first >= 0 && i <= first + points / 10)
                        height = std::max(height, int(b[size_t(i)]));
                }
                if (first < 0 || std::abs(first - line) > 2 + points / 200.0) {
                    wrong << run + QStringLiteral(": a screen with its pulse at slot %1, the trigger at %2").arg(first).arg(line);
                    continue;
                }
                const int k = AcqTest::FakeScript::pulseNumber(height);
                if (shown.empty() || shown.back() != k)
                    shown.push_back(k);
            }
            w->Timer1->blockSignals(false);
            w->FrameTimer->blockSignals(false);
            w->Stopbiton->click();
            QVERIFY(!w->st.CaptureRunning);
            QStringList order;
            for (int k : shown)
                order << QString::number(k);
            const int expected = int((r.runMs / 1000.0 - script.pulseFirstSeconds) / r.everySeconds / step) - 1;
            if (int(shown.size()) < expected)
                wrong << run + QStringLiteral(": %1 pulses shown (%2), at least %3 came").arg(shown.size()).arg(order.join(' ')).arg(expected);
            for (size_t i = 1; i < shown.size(); ++i) {
                if ((shown[i] - shown[i - 1] + 4) % 4 != step)
                    wrong << run + QStringLiteral(": pulses shown %1: one missed or not held off").arg(order.join(' '));
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 12).join('\n')));
        w->close();
    }

    void monoAtTenMillisecondsUsesTheSixteenKilohertzTemplate()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->Ster_Click();  // single beam
        w->RasTime->SetListIndex(3);
        w->st.TwoBeam = true;  // as a stereo file just shown would leave it
        w->zapis_Click();
        QVERIFY(!w->st.TwoBeam);
        QCOMPARE(w->st.SampleRate, 16000);
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QString answer;
        QCOMPARE(mciSendString("status Zvuk channels", &answer), 0);
        QCOMPARE(answer.toInt(), 1);
        w->Timer1->stop();
        w->Stopbiton_Click();
        QFile f(Paths::WorkingFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray header = f.read(44);
        QCOMPARE(qFromLittleEndian<quint16>(header.constData() + 22), quint16(1));
        QCOMPARE(qFromLittleEndian<quint32>(header.constData() + 24), quint32(16000));
        QVERIFY(boxes.Shown().empty());
        w->close();
    }

    void noSweepSelectedStartsAtOneMillisecondWithoutRestart()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        {
            const QSignalBlocker quiet(w->RasTime);
            w->RasTime->SetListIndex(-1);
        }
        w->zapis_Click();
        QCOMPARE(w->RasTime->ListIndex(), 6);
        QVERIFY(!w->st.SweepForced);
        QVERIFY(w->st.CaptureRunning);
        QCOMPARE(w->st.SampleRate, 44100);
        w->Stopbiton_Click();
        w->close();
    }

    void missingTemplateIsReportedWithItsPathAndLeavesCaptureStopped()
    {
        qputenv("SIGM_INPUT", "demo");
        const QString name = Paths::ProgramFolder() + "/Sound/sigm-44-16-stereo.wav";
        QVERIFY(QFile::rename(name, name + ".away"));
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->RasTime->SetListIndex(6);
        w->zapis_Click();
        QFile::rename(name + ".away", name);
        QCOMPARE(boxes.Shown().size(), size_t(1));
        QCOMPARE(boxes.Shown()[0].text,
                 "Отсутствует файл " + name + ", необходимо заново установить программу.");
        QCOMPARE(boxes.Shown()[0].title, QStringLiteral("Сигмалит"));
        QVERIFY(!w->st.CaptureRunning);
        QVERIFY(w->zapis->isEnabled() && !w->Stopbiton->isEnabled() && !w->Timer1->isActive());
        QVERIFY(w->OpenWav->isEnabled() && w->Uroven->isEnabled());
        w->close();
    }

    void memoryRecordingOfThreeSecondsIsPagedAfterwards()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->SaveBiton->click();
        auto *window = w->findChild<SaveZvuk *>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Индикатор запоминания"));
        QVERIFY(w->st.CaptureRunning && w->TimerIndikator->isActive());
        QVERIFY(!w->zapis->isEnabled() && w->Stopbiton->isEnabled() && !w->OpenWav->isEnabled());
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(window->ProgressBar1->value(), 3, 6000);
        QTest::keyClick(window, Qt::Key_Space);
        const qint64 ms = clock.elapsed();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(!w->TimerIndikator->isActive());
        QTRY_VERIFY(w->findChild<SaveZvuk *>() == nullptr);
        QVERIFY(stoppedStates(*w));
        const qint64 bytes = QFileInfo(Paths::WorkingFile()).size() - kWav16HeaderBytes;
        const double expected = ms / 1000.0 * 176400;
        QVERIFY2(std::abs(bytes - expected) < 0.1 * expected, qPrintable(QString("%1 vs %2").arg(bytes).arg(expected)));
        QCOMPARE(w->st.SampleRate, 44100);
        QVERIFY(w->st.TwoBeam);
        w->close();
    }

    void shutdownOpensAndClosesTheDeviceSilently()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->show();
        w->close();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(w->findChild<SaveZvuk *>() == nullptr || !w->findChild<SaveZvuk *>()->isVisible());
        // The device is closed again.
        QVERIFY(mciSendString("status Zvuk length") != 0);
        QVERIFY(!QFile::exists(Paths::WorkingFile()));
    }

    void sweepChangeWhileCapturingRestartsAtTheNewRate()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->RasTime->SetListIndex(6);
        w->zapis_Click();
        QCOMPARE(w->st.SampleRate, 44100);
        w->RasTime->SetListIndex(3);
        QVERIFY(w->st.CaptureRunning);
        QCOMPARE(w->st.SampleRate, 16000);
        QString rate;
        QCOMPARE(mciSendString("status Zvuk samplespersec", &rate), 0);
        QCOMPARE(rate, QStringLiteral("16000"));
        // Sensitivity and position changes leave the capture alone.
        w->U2->SetListIndex(3);
        w->VScroll2->SetValue(8192);
        QVERIFY(w->st.CaptureRunning && w->Timer1->isActive());
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        w->close();
    }

    void subtractionWhileCapturingSingleBeamTurnsTwoBeamOn()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->Ster_Click();
        QVERIFY(!w->st.TwoBeam);
        w->zapis_Click();
        w->XminY->click();
        QVERIFY(w->st.SubtractMode);
        QVERIFY(w->Ster->isChecked() && w->st.TwoBeam);
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Stereo"), QStringLiteral("True"));
        QVERIFY(w->st.CaptureRunning);
        QString channels;
        QCOMPARE(mciSendString("status Zvuk channels", &channels), 0);
        QCOMPARE(channels, QStringLiteral("2"));
        w->XminY->click();
        QVERIFY(!w->st.SubtractMode);
        QVERIFY(w->st.TwoBeam);  // turning subtraction off keeps both beams
        QCOMPARE(w->XminY->text(), QStringLiteral("X-Y"));
        QVERIFY(w->st.CaptureRunning);
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        w->close();
    }

    void parametersDialogRestartsCaptureWithItsNewRate()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->RasTime->SetListIndex(7);
        w->zapis_Click();
        QCOMPARE(w->st.SampleRate, 44100);
        bool wasStopped = false;
        UiSeam::SetModalHandler([&](QDialog *d) {
            wasStopped = !w->st.CaptureRunning;
            d->findChild<QCheckBox *>("Dis48")->click();
            d->close();  // the close box: nothing stored, the change still acts
            return int(QDialog::Rejected);
        });
        w->TimeMenu->trigger();
        UiSeam::SetModalHandler({});
        QVERIFY(wasStopped);
        QVERIFY(w->st.CaptureRunning);
        QCOMPARE(w->st.SampleRate, 48000);
        QVERIFY(Globals::Sample48k);
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Disktet48", "<absent>"), QStringLiteral("<absent>"));
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        w->close();
    }

    void memoryRecordingEndsByItselfOnTheSixtiethTick()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->SaveBiton_Click();
        auto *window = w->SaveZvukWindow();
        QVERIFY(window);
        w->TimerIndikator->stop();  // the test drives the seconds
        for (int tick = 1; tick < 60; ++tick) {
            w->TimerIndikator_Timer();
            QCOMPARE(window->ProgressBar1->value(), tick);
            QVERIFY(w->st.CaptureRunning);
        }
        QTest::qWait(1000);  // long enough for the opening to measure the rate
        w->TimerIndikator_Timer();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(!w->st.CaptureRunning);
        QVERIFY(w->SaveZvukWindow() == nullptr);
        // After the automatic end the menu item stays off, the button is on.
        QVERIFY(!w->OpenWav->isEnabled());
        QVERIFY(w->OpenBitton->isEnabled());
        QVERIFY(w->SaveWav->isEnabled() && w->PrintBiton->isEnabled() && w->zapis->isEnabled());
        QVERIFY(!w->Stopbiton->isEnabled());
        QVERIFY(QFileInfo(Paths::WorkingFile()).size() > kWav16HeaderBytes);
        QCOMPARE(w->st.SampleRate, 44100);
        w->close();
    }

    void mainWindowStopEndsAMemoryRecordingAndItsWindow()
    {
        qputenv("SIGM_INPUT", "demo");
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->SigmMenu->trigger();
        QVERIFY(w->SaveZvukWindow() && w->TimerIndikator->isActive());
        QTest::qWait(200);
        w->StopMenu->trigger();
        QVERIFY(!w->TimerIndikator->isActive());
        QVERIFY(w->SaveZvukWindow() == nullptr);
        QVERIFY(!w->st.CaptureRunning);
        QVERIFY(w->OpenWav->isEnabled() && w->OpenBitton->isEnabled());
        // A tick arriving late finds nothing to talk to.
        w->TimerIndikator_Timer();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        w->close();
    }

    void anUnreadableTemplateIsRecoveredFromOnceWithoutLooping()
    {
        qputenv("SIGM_INPUT", "demo");
        const QString name = Paths::ProgramFolder() + "/Sound/sigm-44-16-stereo.wav";
        QFile::rename(name, name + ".good");
        {
            QFile bad(name);
            QVERIFY(bad.open(QIODevice::WriteOnly));
            bad.write("this is not a sound file at all, not even close to one");
        }
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->RasTime->SetListIndex(6);
        w->zapis_Click();
        QFile::remove(name);
        QFile::rename(name + ".good", name);
        // The recovery starts once more, meets the same file and reports it.
        QCOMPARE(boxes.Shown().size(), size_t(1));
        QCOMPARE(boxes.Shown()[0].text, mciGetErrorString(296));
        QVERIFY(!w->st.CaptureRunning);
        QVERIFY(w->zapis->isEnabled() && !w->Stopbiton->isEnabled() && !w->Timer1->isActive());
        QVERIFY(mciSendString("status Zvuk length") != 0);  // nothing left open
        // With the template back, capture starts normally.
        w->zapis_Click();
        QVERIFY(w->st.CaptureRunning);
        QCOMPARE(boxes.Shown().size(), size_t(1));
        w->close();
    }
};

SIGM_TEST(LiveCaptureTest)
#include "tst_livecapture.moc"
