// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the trigger search and the automatic measurements per screen.
//
// A live pass at the slowest sweep (100 мС per division) is 1.2 s of 48 kHz
// stereo: the screen is 48000 frames per channel. Per pass: both channels
// decoded from the bytes as the file holds them, a rising trigger placed
// (one division of pre-trigger) on channel 1, then every measurement of
// both channels over the screen. Signals: 1000 Hz / 250 Hz sines with noise
// (a trigger early in the pass) and a flat line (no trigger: the whole pass
// is searched, the worst case). Median and maximum over many passes.
//
// Then the same in the window (offscreen, shown): a 1.2 s 48 kHz stereo
// pass as the live refresh leaves it in the working file, placed by the
// live trigger hook (file read included); a redraw of one screen of a 60 s
// file at 100 мС with the readouts off and on; paging to the next trigger.
//
// Usage: bench_analysis [passes, default 500]
#include "analysis/measure.h"
#include "analysis/trigger.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"
#include "platform/wavfile.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

QByteArray pass(int rate, double seconds, bool flat)
{
    const int frames = int(rate * seconds);
    QByteArray b(frames * 4, Qt::Uninitialized);
    std::mt19937 gen(1);
    std::normal_distribution<double> noise(0, 40);
    auto *p = reinterpret_cast<uint8_t *>(b.data());
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const int16_t l = flat ? int16_t(3) : int16_t(std::lround(16384 * std::sin(2 * M_PI * 1000 * t) + noise(gen)));
        const int16_t r = flat ? int16_t(-2) : int16_t(std::lround(8192 * std::sin(2 * M_PI * 250 * t) + noise(gen)));
        p[4 * i] = uint8_t(l);
        p[4 * i + 1] = uint8_t(uint16_t(l) >> 8);
        p[4 * i + 2] = uint8_t(r);
        p[4 * i + 3] = uint8_t(uint16_t(r) >> 8);
    }
    return b;
}

QByteArray wav(const QByteArray &data)
{
    return Wav16Header(48000, 2, data.size()) + data;
}

void summary(const char *what, std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    std::printf("  %-44s min %8.1f us   median %8.1f us   max %8.1f us\n", what, us.front(), us[us.size() / 2],
                us.back());
}

int windowPart(int passes)
{
    QTemporaryDir dir;
    SettingsStore::SetFilePath(dir.path() + QStringLiteral("/settings.ini"));
    Paths::SetWorkingFolder(dir.path() + QStringLiteral("/work"));
    Paths::SetMemFolder(dir.path() + QStringLiteral("/Mem"));
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
    SettingsStore::SaveSetting("Sigm", "Trigger", "Mode", "1");
    Pribor w;
    w.Form_Load();
    w.show();
    QApplication::processEvents();
    {
        const QSignalBlocker a(w.RasTime);
        w.RasTime->SetListIndex(0);  // 100 мС: a screen is 48000 frames
    }
    std::printf("in the window (Ris %d x %d px):\n", w.RisBox->width(), w.RisBox->height());

    // The live hook on a pass as the refresh leaves it.
    auto put = [&](const QByteArray &bytes) {
        QFile f(Paths::WorkingFile());
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    };
    if (!put(wav(pass(48000, 1.2, false))))
        return 1;
    w.st.FlName = QStringLiteral("c:\\tmp.wav");
    w.st.SampleRate = 48000;
    w.st.TwoBeam = true;
    w.st.Channels = 2;
    std::vector<double> us;
    for (int k = 0; k < passes; ++k) {
        int64_t from = 51 + 640;
        int32_t extra = 0;
        double shift = 0;
        QElapsedTimer t;
        t.start();
        w.PlaceLiveTrigger(from, 2 * 48000 + 4, 1, extra, shift);
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    summary("live trigger hook, 1.2 s pass (read + search):", us);

    // Readouts on a 60 s file, one screen after another.
    QByteArray minute;
    for (int s = 0; s < 50; ++s)
        minute += pass(48000, 1.2, false);
    if (!put(wav(minute)))
        return 1;
    w.st.ForceReposition = true;
    w.OpenWorkingFile();
    w.PrintBiton->setEnabled(true);  // as the open command leaves it
    for (bool shown : {false, true}) {
        if (w.MeasureShown != shown)
            w.MeasureMenu_Click();
        us.clear();
        for (int k = 0; k < std::min(passes, 50); ++k) {
            w.HScroll1->SetValue(1 + (k * 97) % 50 * w.HScroll1->maximum() / 50);
            QElapsedTimer t;
            t.start();
            w.st.LastSweepIndex = -1;
            w.RedrawTraces(w.HScroll1->Value());
            us.push_back(double(t.nsecsElapsed()) / 1000.0);
        }
        summary(shown ? "redraw of a screen, readouts on:" : "redraw of a screen, readouts off:", us);
    }
    us.clear();
    std::vector<double> strip;
    for (int k = 0; k < std::min(passes, 50); ++k) {
        QElapsedTimer t;
        t.start();
        w.MeasureScreen(QByteArray(minute.constData() + k * 4 * 48000, 4 * 48000 + 8), 1);
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
        t.restart();
        w.DrawScreenExtras();
        strip.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    summary("  of which: measuring both channels:", us);
    summary("  of which: drawing the strip:", strip);
    us.clear();
    w.HScroll1->SetValue(1);
    const int64_t firstView = w.st.ViewStart;
    for (int k = 0; k < std::min(passes, 200); ++k) {
        QElapsedTimer t;
        t.start();
        w.TrigNext_Click();
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    summary("next trigger (search + redraw):", us);
    std::printf("  (%d triggers paged: %.1f ms of the file)\n", int(us.size()),
                double(w.st.ViewStart - firstView) / 4 / 48.0);
    w.close();
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, atoi(argv[1])) : 500;
    const int rate = 48000, screen = 48000;
    std::printf("trigger + measurements, %d Hz stereo, screen of %d frames, %d passes\n", rate, screen, passes);
    for (bool flat : {false, true}) {
        const QByteArray block = pass(rate, 1.2, flat);
        std::vector<double> us;
        double sink = 0;
        for (int k = 0; k < passes; ++k) {
            QElapsedTimer t;
            t.start();
            const std::vector<int16_t> ch1 = Trigger::Decode(block, 2, 0);
            const std::vector<int16_t> ch2 = Trigger::Decode(block, 2, 1);
            const Trigger::Condition c{0, 819, Trigger::Slope::Rising};
            const double before = Trigger::FramesBefore(Trigger::Place::OneDivision, screen);
            const double start = Trigger::PlaceScreen(ch1, c, before, screen, 1).value_or(0);
            const size_t s = size_t(start);
            const Measure::Readings m1 = Measure::Of(std::span<const int16_t>(ch1).subspan(s, screen), rate);
            const Measure::Readings m2 = Measure::Of(std::span<const int16_t>(ch2).subspan(s, screen), rate);
            us.push_back(double(t.nsecsElapsed()) / 1000.0);
            sink += start + m1.rms + m2.rms;
        }
        std::sort(us.begin(), us.end());
        std::printf("  %-28s min %7.1f us   median %7.1f us   99%% %7.1f us   max %7.1f us   (checksum %.0f)\n",
                    flat ? "flat line (no trigger):" : "1000 Hz / 250 Hz + noise:", us.front(), us[us.size() / 2], us[us.size() * 99 / 100], us.back(),
                    sink / passes);
    }
    return windowPart(passes);
}
