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
// Usage: bench_analysis [passes, default 500]
#include "analysis/measure.h"
#include "analysis/trigger.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
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

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
        std::printf("  %-28s median %7.1f us   99%% %7.1f us   max %7.1f us   (checksum %.0f)\n",
                    flat ? "flat line (no trigger):" : "1000 Hz / 250 Hz + noise:", us[us.size() / 2], us[us.size() * 99 / 100], us.back(),
                    sink / passes);
    }
    return 0;
}
