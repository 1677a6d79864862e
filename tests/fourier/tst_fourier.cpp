// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrum: arithmetic on arrays and sox-made files, and the window on
// a stored file and on the live test signal.
#include "../display/testwav.h"
#include "acquisition/mci.h"
#include "analysis/fourier.h"
#include "app/pribor.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"
#include "fourier/fourierplot.h"
#include "fourier/fourierwindow.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QScreen>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <thread>
#include <memory>
#include <random>

using Spectrum::Analyzer;
using Spectrum::Averaging;
using Spectrum::WindowKind;

namespace {

constexpr WindowKind kWindows[] = {WindowKind::Hann, WindowKind::BlackmanHarris, WindowKind::FlatTop};

// Samples of a 16-bit WAV file, interleaved, found by its "data" chunk.
std::vector<int16_t> wavSamples(const QString &path, int *rate, int *channels)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    *channels = qFromLittleEndian<quint16>(b.constData() + 22);
    *rate = int(qFromLittleEndian<quint32>(b.constData() + 24));
    int at = 12;
    while (at + 8 <= b.size() && b.mid(at, 4) != "data")
        at += 8 + int(qFromLittleEndian<quint32>(b.constData() + at + 4));
    std::vector<int16_t> s;
    for (int i = at + 8; i + 1 < b.size(); i += 2)
        s.push_back(qFromLittleEndian<qint16>(b.constData() + i));
    return s;
}

std::vector<float> tones(int n, double rate, std::initializer_list<std::pair<double, double>> hzAndAmplitude,
                         double noiseRms = 0, unsigned seed = 1)
{
    std::vector<float> x(size_t(n), 0.0f);
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, noiseRms > 0 ? noiseRms : 1);
    for (int i = 0; i < n; ++i) {
        double v = 0;
        for (const auto &[hz, a] : hzAndAmplitude)
            v += a * std::sin(2 * M_PI * hz * i / rate + 0.3);
        if (noiseRms > 0)
            v += noise(rng);
        x[size_t(i)] = float(v);
    }
    return x;
}

void add(Analyzer &a, const std::vector<float> &x, double rate, int frames = -1)
{
    a.Add({x.data()}, frames < 0 ? int(x.size()) : frames, rate);
}

double db(double power)
{
    return 10 * std::log10(power);
}

std::unique_ptr<Pribor> mainWindow()
{
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    return w;
}

SpectrumWindow *openSpectrum(Pribor &w)
{
    w.Spektr->trigger();  // through the menu, as a user would
    return w.SpektrWindow;
}

QString spectrumSetting(const char *key)
{
    return SettingsStore::GetSetting("Sigm", "Spectrum", key, "<absent>");
}

}  // namespace

class SpectrumMathTest : public QObject {
    Q_OBJECT
private slots:
    // A sox-made sine: frequency within 0.1 bin and level within 0.1 dB
    // with the flat-top window, at every size, for a stretch that fills the
    // transform and one that does not; the figure (1000 Hz at
    // 44.1 kHz and 4096 points reads 1000.0) with every window.
    void soxToneReadsItsFrequencyAndLevel()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("tones.wav");
        QVERIFY(TestWav::Sox({"-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed-integer", file, "synth", "2",
                              "sine", "1000", "sine", "1234.5", "vol", "0.5"}));
        int rate = 0, channels = 0;
        const std::vector<int16_t> s = wavSamples(file, &rate, &channels);
        QCOMPARE(rate, 44100);
        QCOMPARE(channels, 2);
        const double expectedDb = 20 * std::log10(0.5);
        const int plansBefore = Spectrum::Fft::PlansMade();
        for (int size = Spectrum::kMinSize; size <= Spectrum::kMaxSize; size *= 2) {
            for (int frames : {size, size * 3 / 4}) {
                Analyzer a;
                a.Configure(size, WindowKind::FlatTop, Averaging::Off, 1);
                a.AddInterleaved16(s.data(), frames, 2, rate);
                const double bin = a.BinWidth();
                for (int ch = 0; ch < 2; ++ch) {
                    const Spectrum::Peak p = a.StrongestPeak(ch);
                    const double hz = ch == 0 ? 1000 : 1234.5;
                    const QString what = QStringLiteral("size %1, %2 frames, channel %3: %4 Hz, %5 dBFS")
                                             .arg(size).arg(frames).arg(ch).arg(p.frequency, 0, 'f', 3)
                                             .arg(Spectrum::ToDbfs(p.amplitude), 0, 'f', 3);
                    QVERIFY2(p.found && std::abs(p.frequency - hz) < 0.1 * bin, qPrintable(what));
                    QVERIFY2(std::abs(Spectrum::ToDbfs(p.amplitude) - expectedDb) < 0.1, qPrintable(what));
                }
            }
        }
        // Plans are made once per size: the second analyser of a size adds none.
        QVERIFY(Spectrum::Fft::PlansMade() <= plansBefore + 7);
        const int plans = Spectrum::Fft::PlansMade();
        for (WindowKind w : kWindows) {
            Analyzer a;
            a.Configure(4096, w, Averaging::Off, 1);
            a.AddInterleaved16(s.data(), 4096, 2, rate);
            const Spectrum::Peak p = a.StrongestPeak(0);
            QVERIFY2(std::abs(p.frequency - 1000) < 0.05, qPrintable(QString::number(p.frequency, 'f', 3)));
            QVERIFY2(std::abs(Spectrum::ToDbfs(p.amplitude) - expectedDb) < 0.1,
                     qPrintable(QString::number(Spectrum::ToDbfs(p.amplitude))));
            // dBV: a sine of half the nominal 0.4 V full scale is 0.2 V peak.
            QVERIFY(std::abs(Spectrum::ToDbv(p.amplitude, 0.4) - 20 * std::log10(0.2 / std::sqrt(2.0))) < 0.1);
        }
        QCOMPARE(Spectrum::Fft::PlansMade(), plans);
    }

    // A tone 60 dB below a strong one, six bins away: Blackman–Harris
    // shows it where it is, at its level.
    void twoTonesSixtyDecibelsApart()
    {
        const double rate = 44100;
        const double weak = 1000 + 6 * rate / 4096;
        Analyzer a;
        a.Configure(4096, WindowKind::BlackmanHarris, Averaging::Off, 1);
        add(a, tones(4096, rate, {{1000, 0.5}, {weak, 0.0005}}), rate);
        const std::vector<double> &p = a.Power(0);
        const int k = int(std::lround(weak / a.BinWidth()));
        int best = k;
        for (int j = k - 1; j <= k + 1; ++j)
            if (p[size_t(j)] > p[size_t(best)])
                best = j;
        QVERIFY2(p[size_t(best)] > p[size_t(best - 1)] && p[size_t(best)] > p[size_t(best + 1)], "no peak of its own");
        QVERIFY2(std::abs(db(p[size_t(best)]) - (20 * std::log10(0.0005))) < 1.0,
                 qPrintable(QString::number(db(p[size_t(best)]))));
    }

    // THD of known harmonic levels within 0.5 dB with every window; THD+N
    // of a tone in known noise within 0.5 dB.
    void distortionReadouts()
    {
        const double rate = 48000;
        const double h2 = 0.005, h3 = 0.0015, h5 = 0.0005;
        const double expected = 20 * std::log10(std::sqrt(h2 * h2 + h3 * h3 + h5 * h5) / 0.5);
        for (WindowKind w : kWindows) {
            Analyzer a;
            a.Configure(16384, w, Averaging::Off, 1);
            add(a, tones(16384, rate, {{997, 0.5}, {2 * 997, h2}, {3 * 997, h3}, {5 * 997, h5}}), rate);
            const Spectrum::Distortion d = a.DistortionOf(0);
            QVERIFY(d.valid);
            QCOMPARE(d.harmonics, 9);
            QVERIFY2(std::abs(20 * std::log10(d.thd) - expected) < 0.5, qPrintable(QString::number(20 * std::log10(d.thd))));
            // No noise: THD+N is the THD.
            QVERIFY2(std::abs(20 * std::log10(d.thdPlusNoise) - expected) < 0.5,
                     qPrintable(QString::number(20 * std::log10(d.thdPlusNoise))));

            const double sigma = 1e-3;
            Analyzer n;
            n.Configure(65536, w, Averaging::Off, 1);
            add(n, tones(65536, rate, {{1000, 0.5}}, sigma), rate);
            const Spectrum::Distortion dn = n.DistortionOf(0);
            const double noiseRatio = 20 * std::log10(sigma / (0.5 / std::sqrt(2.0)));
            QVERIFY2(std::abs(20 * std::log10(dn.thdPlusNoise) - noiseRatio) < 0.5,
                     qPrintable(QString::number(20 * std::log10(dn.thdPlusNoise))));
            QVERIFY(20 * std::log10(dn.thd) < noiseRatio - 15);  // the harmonics hold a sliver of the noise
        }
        // A fundamental whose second harmonic is above half the sample rate has none.
        Analyzer high;
        high.Configure(4096, WindowKind::Hann, Averaging::Off, 1);
        add(high, tones(4096, rate, {{15000, 0.5}}), rate);
        QCOMPARE(high.DistortionOf(0).harmonics, 0);
    }

    // The edges of what the readouts see: a stretch much shorter than the
    // transform (the flat-top's crest then spans bins and is not quite
    // flat), an offset far above a small tone (its leakage is no tone, no
    // harmonic and no noise; 0 Hz still shows the offset), and a
    // full-scale tone at half the sample rate (no mirror half to add).
    void edgesOfTheSpectrum()
    {
        const double rate = 44100;
        for (WindowKind w : kWindows) {
            for (int size : {4096, 65536}) {
                for (int frames : {size / 2, size / 4, size / 16}) {
                    Analyzer a;
                    a.Configure(size, w, Averaging::Off, 1);
                    for (double hz : {1000.0, 1003.7, 5432.1}) {
                        add(a, tones(frames, rate, {{hz, 0.5}}), rate);
                        const Spectrum::Peak p = a.StrongestPeak(0);
                        const QString what = QStringLiteral("window %1, %2 of %3: %4 Hz reads %5 Hz, %6 dBFS")
                                                 .arg(int(w)).arg(frames).arg(size).arg(hz)
                                                 .arg(p.frequency, 0, 'f', 3).arg(Spectrum::ToDbfs(p.amplitude));
                        QVERIFY2(p.found && std::abs(p.frequency - hz) < 0.05 * a.BinWidth(), qPrintable(what));
                        QVERIFY2(std::abs(Spectrum::ToDbfs(p.amplitude) - 20 * std::log10(0.5)) < 0.05,
                                 qPrintable(what));
                    }
                }

                const int frames = size / 4;
                std::vector<float> x = tones(frames, rate, {{1000, 0.01}});
                for (float &v : x)
                    v += 0.3f;
                Analyzer a;
                a.Configure(size, w, Averaging::Off, 1);
                add(a, x, rate);
                const Spectrum::Peak p = a.StrongestPeak(0);
                const Spectrum::Distortion d = a.DistortionOf(0);
                const QString what = QStringLiteral("window %1, %2 of %3 with an offset: %4 Hz %5 dBFS, THD %6, THD+N %7")
                                         .arg(int(w)).arg(frames).arg(size).arg(p.frequency)
                                         .arg(Spectrum::ToDbfs(p.amplitude)).arg(d.thd).arg(d.thdPlusNoise);
                QVERIFY2(std::abs(p.frequency - 1000) < 0.05 * a.BinWidth(), qPrintable(what));
                QVERIFY2(std::abs(Spectrum::ToDbfs(p.amplitude) + 40) < 0.05, qPrintable(what));
                QVERIFY2(d.valid && d.thd < 1e-3 && d.thdPlusNoise < 1e-3, qPrintable(what));
                QVERIFY2(std::abs(std::sqrt(a.Power(0)[0]) - 0.3) < 1e-4, qPrintable(what));
            }

            // 32767 is just under full scale (32768): -0.0003 dBFS.
            for (int frames : {4096, 3072}) {
                std::vector<int16_t> s(static_cast<size_t>(frames));
                for (int i = 0; i < frames; ++i)
                    s[size_t(i)] = (i % 2) ? -32767 : 32767;
                Analyzer a;
                a.Configure(4096, w, Averaging::Off, 1);
                a.AddInterleaved16(s.data(), frames, 1, rate);
                const Spectrum::Peak p = a.StrongestPeak(0);
                const QString what = QStringLiteral("window %1, %2 frames at half the rate: %3 Hz %4 dBFS")
                                         .arg(int(w)).arg(frames).arg(p.frequency).arg(Spectrum::ToDbfs(p.amplitude));
                QVERIFY2(p.found && p.frequency == rate / 2, qPrintable(what));
                QVERIFY2(std::abs(Spectrum::ToDbfs(p.amplitude)) < 0.01, qPrintable(what));
                QVERIFY(std::abs(db(a.Power(0).back())) < 0.01);
                QCOMPARE(a.DistortionOf(0).harmonics, 0);
            }
        }
    }

    // Averaged white noise of known density reads its floor within 1 dB.
    void noiseFloorMatchesItsDensity()
    {
        const double rate = 48000, sigma = 0.01;
        for (WindowKind w : kWindows) {
            Analyzer a;
            a.Configure(8192, w, Averaging::Linear, 16);
            for (unsigned i = 0; i < 16; ++i)
                add(a, tones(8192, rate, {}, sigma, 100 + i), rate);
            QCOMPARE(a.SpectraAveraged(), 16);
            const std::vector<double> &p = a.Power(0);
            double mean = 0;
            int bins = 0;
            for (size_t k = 50; k + 50 < p.size(); ++k, ++bins)
                mean += p[k];
            mean /= bins;
            const double expected = a.FloorForDensity(2 * sigma * sigma / rate);
            QVERIFY2(std::abs(db(mean) - db(expected)) < 1.0,
                     qPrintable(QStringLiteral("%1 against %2").arg(db(mean)).arg(db(expected))));
        }
    }

    // Linear averaging over the last N, exponential with weight 1/N, none,
    // and peak hold, on a tone that goes silent.
    void averagingAndPeakHold()
    {
        const double rate = 44100;
        const std::vector<float> tone = tones(4096, rate, {{1000, 0.5}});
        const std::vector<float> silence(4096, 0.0f);
        auto toneBin = [&](const Analyzer &a, const std::vector<double> &p) {
            return p[size_t(std::lround(1000 / a.BinWidth()))];
        };
        Analyzer a;
        a.Configure(4096, WindowKind::Hann, Averaging::Linear, 4);
        for (int i = 0; i < 4; ++i)
            add(a, tone, rate);
        const double full = toneBin(a, a.Power(0));
        add(a, silence, rate);
        add(a, silence, rate);
        QVERIFY(std::abs(toneBin(a, a.Power(0)) / full - 0.5) < 1e-6);
        add(a, silence, rate);
        add(a, silence, rate);
        QVERIFY(toneBin(a, a.Power(0)) < full * 1e-9);
        QVERIFY(std::abs(toneBin(a, a.Held(0)) / full - 1) < 1e-6);  // the peak is held
        // A stretch of another length keeps averaging; another rate starts afresh.
        add(a, tone, rate, 3000);
        QCOMPARE(a.SpectraAveraged(), 9);
        add(a, tone, 48000);
        QCOMPARE(a.SpectraAveraged(), 1);

        a.Configure(4096, WindowKind::Hann, Averaging::Exponential, 4);
        QCOMPARE(a.SpectraAveraged(), 0);
        add(a, tone, rate);
        add(a, silence, rate);
        QVERIFY(std::abs(toneBin(a, a.Power(0)) / full - 0.75) < 1e-6);

        a.Configure(4096, WindowKind::Hann, Averaging::Off, 4);
        add(a, tone, rate);
        add(a, silence, rate);
        QVERIFY(toneBin(a, a.Power(0)) < full * 1e-9);
        QVERIFY(std::abs(toneBin(a, a.Held(0)) / full - 1) < 1e-6);
        // Silence has no peak to read.
        a.Reset();
        add(a, silence, rate);
        QVERIFY(!a.StrongestPeak(0).found);
        QVERIFY(!a.DistortionOf(0).valid);
    }
};

class SpectrumWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TestEnv::Reset();
        Globals::Sample48k = false;
    }
    void cleanup() { mciSendString("Close Zvuk"); }

    // Opened from the menu once there is something to show, fed by the
    // redraws of a stored file, choices and place kept in a section of
    // their own (bad values fall back), closed with the main window.
    void storedFileAndSettings()
    {
        SettingsStore::SaveSetting("Sigm", "Spectrum", "Size", "99");
        SettingsStore::SaveSetting("Sigm", "Spectrum", "Window", "Ханна");
        auto w = mainWindow();
        QVERIFY(!w->Spektr->isEnabled());

        QTemporaryDir dir;
        const QString file = dir.filePath("two.wav");
        QVERIFY(TestWav::Sox({"-n", "-r", "22050", "-c", "2", "-b", "16", "-e", "signed-integer", file, "synth", "3",
                              "sine", "440", "sine", "3000", "vol", "0.25"}));
        QFile::remove(Paths::WorkingFile());
        QVERIFY(QFile::copy(file, Paths::WorkingFile()));
        w->st.FlName = QStringLiteral("c:\\tmp.wav");
        w->st.ForceReposition = true;
        w->OpenWorkingFile();
        w->Uroven->setEnabled(true);  // as the open command does
        QVERIFY(w->Spektr->isEnabled());

        // The transform is planned off the window's thread: the window opens
        // at once, empty, and the screen shown is analysed once the plan is
        // made. (Should anything wait for the plan, the hold ends after 3 s
        // and the open is seen to take that long.)
        Spectrum::Fft::HoldPlansForTesting(true);
        std::thread release([] {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            Spectrum::Fft::HoldPlansForTesting(false);
        });
        QElapsedTimer opening;
        opening.start();
        SpectrumWindow *s = openSpectrum(*w);
        const qint64 openMs = opening.elapsed();
        QVERIFY(s && s->isVisible() && w->Spektr->isChecked());
        QCOMPARE(s->windowTitle(), QStringLiteral("Спектр сигнала"));
        QCOMPARE(s->SizeBox->currentText(), QStringLiteral("4096"));  // the fallback
        QCOMPARE(s->WindowBox->currentIndex(), 0);
        QTest::qWait(100);
        const int whileHeld = s->Analyzer.SpectraAveraged();
        Spectrum::Fft::HoldPlansForTesting(false);
        release.join();
        QVERIFY2(openMs < 2000 && whileHeld == 0, qPrintable(QStringLiteral("%1 ms, %2").arg(openMs).arg(whileHeld)));
        // Both tones, each in its channel.
        QTRY_COMPARE(s->Analyzer.SpectraAveraged(), 1);
        QVERIFY(std::abs(s->Analyzer.StrongestPeak(0).frequency - 440) < 0.5);
        QVERIFY(std::abs(s->Analyzer.StrongestPeak(1).frequency - 3000) < 0.5);
        QVERIFY2(s->ReadoutLeft->text().contains(QStringLiteral("440")), qPrintable(s->ReadoutLeft->text()));
        // Paging the file feeds it again.
        w->HScroll1->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(s->Analyzer.SpectraAveraged(), 2);
        // The curves are drawn in the traces' colours.
        s->UnitsBox->setCurrentIndex(1);
        s->ScaleBox->setCurrentIndex(0);
        const QImage img = s->Plot->Picture();
        const int x440 = int(s->Plot->XOf(440));
        bool blue = false, red = false;
        for (int dx = -2; dx <= 2; ++dx)
            for (int y = 0; y < img.height(); ++y)
                blue = blue || img.pixelColor(x440 + dx, y) == QColor(0, 0, 255);
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                red = red || img.pixelColor(x, y) == QColor(255, 0, 0);
        QVERIFY(blue && red);

        s->SizeBox->setCurrentIndex(6);
        s->WindowBox->setCurrentIndex(2);
        s->PeakHoldBox->setChecked(true);
        s->move(300, 200);
        s->close();
        QVERIFY(!w->SpektrWindow && !w->Spektr->isChecked());
        QCOMPARE(spectrumSetting("Size"), QStringLiteral("6"));
        QCOMPARE(spectrumSetting("Units"), QStringLiteral("1"));
        QCOMPARE(spectrumSetting("PeakHold"), QStringLiteral("1"));
        QVERIFY(spectrumSetting("XPosition") != QStringLiteral("<absent>"));

        s = openSpectrum(*w);
        QCOMPARE(s->SizeBox->currentText(), QStringLiteral("65536"));
        QCOMPARE(s->WindowBox->currentIndex(), 2);
        QVERIFY(s->PeakHoldBox->isChecked());
        QCOMPARE(s->pos(), QPoint(300, 200));  // a place on the screen is kept
        // A place and size from a bigger or another screen: brought onto
        // this one, no larger than it.
        s->close();
        SettingsStore::SaveSetting("Sigm", "Spectrum", "XPosition", "-200000");
        SettingsStore::SaveSetting("Sigm", "Spectrum", "YPosition", "150000");
        SettingsStore::SaveSetting("Sigm", "Spectrum", "Width", "3900");
        s = openSpectrum(*w);
        const QRect screen = s->screen()->availableGeometry();
        QVERIFY2(screen.contains(QRect(s->pos(), s->size())), qPrintable(QStringLiteral("%1,%2 %3x%4 on %5,%6 %7x%8")
                                                                .arg(s->x()).arg(s->y()).arg(s->width()).arg(s->height())
                                                                .arg(screen.x()).arg(screen.y()).arg(screen.width()).arg(screen.height())));
        SettingsStore::SaveSetting("Sigm", "Spectrum", "Size", "0");
        w->close();  // shut-down closes it and stores its choices
        QCOMPARE(spectrumSetting("Size"), QStringLiteral("6"));
    }

    // The live window on the test server: 1000 Hz left, 250 Hz right, at
    // the server's half scale; the refresh cycle goes on as before.
    void liveTestSignal()
    {
        if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
            QSKIP("no test sound server (scripts/test.sh starts one)");
        qputenv("SIGM_INPUT", qgetenv("SIGM_TEST_PULSE_SOURCE"));
        ScriptedMessages boxes;
        auto w = mainWindow();
        w->RasTime->SetListIndex(6);
        w->zapis_Click();
        QVERIFY(w->st.CaptureRunning);
        w->Timer1->stop();  // the test drives the ticks
        SpectrumWindow *s = openSpectrum(*w);
        QVERIFY(s);
        s->WindowBox->setCurrentIndex(2);  // flat-top, for the levels
        for (int t = 0; t < 4; ++t) {
            QTest::qWait(100);
            w->Timer1_Timer();
            QVERIFY(!QFile::exists(Paths::WorkingFile()));
        }
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        QVERIFY(s->Analyzer.SpectraAveraged() >= 3);
        const Spectrum::Peak left = s->Analyzer.StrongestPeak(0), right = s->Analyzer.StrongestPeak(1);
        const QString what = QStringLiteral("%1 Hz %2 dBFS, %3 Hz %4 dBFS")
                                 .arg(left.frequency).arg(Spectrum::ToDbfs(left.amplitude))
                                 .arg(right.frequency).arg(Spectrum::ToDbfs(right.amplitude));
        QVERIFY2(std::abs(left.frequency - 1000) < 2 && std::abs(right.frequency - 250) < 2, qPrintable(what));
        QVERIFY2(std::abs(Spectrum::ToDbfs(left.amplitude) + 6) < 1.5, qPrintable(what));
        QVERIFY2(std::abs(Spectrum::ToDbfs(right.amplitude) + 6) < 1.5, qPrintable(what));
        w->Stopbiton_Click();
        w->close();
        qunsetenv("SIGM_INPUT");
    }
};

SIGM_TEST(SpectrumMathTest)
SIGM_TEST(SpectrumWindowTest)

#include "tst_fourier.moc"
