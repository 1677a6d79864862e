// SPDX-License-Identifier: GPL-3.0-or-later
// Trigger search, the event index, measurements and calibration on plain
// arrays, synthetic and made by sox.
#include "analysis/calibration.h"
#include "analysis/eventindex.h"
#include "analysis/measure.h"
#include "analysis/measurestream.h"
#include "analysis/options.h"
#include "analysis/trigger.h"
#include "platform/settings.h"
#include "testenv.h"
#include "testregistry.h"

#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cmath>
#include <random>
#include <vector>

namespace {

std::vector<int16_t> sine(size_t n, double cyclesPerSample, double amplitude, double phase = 0, double offset = 0)
{
    std::vector<int16_t> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = int16_t(std::lround(offset + amplitude * std::sin(2 * M_PI * cyclesPerSample * double(i) + phase)));
    return x;
}

std::vector<double> crossings(const std::vector<int16_t> &x, const Trigger::Condition &c)
{
    std::vector<double> out;
    Trigger::ForEachCrossing(x, c, [&](double p) { out.push_back(p); });
    return out;
}

// The samples of a 16-bit WAV made by sox (data chunk found by walking the chunks).
std::vector<int16_t> soxChannel(const QStringList &args, const QString &path, int channels, int channel)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), args);
    if (!sox.waitForFinished(30000) || sox.exitCode() != 0)
        qFatal("sox failed: %s", sox.readAllStandardError().constData());
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no sox output");
    const QByteArray all = f.readAll();
    int at = 12;
    while (at + 8 <= all.size()) {
        const quint32 size = qFromLittleEndian<quint32>(all.constData() + at + 4);
        if (all.mid(at, 4) == "data")
            return Trigger::Decode(all.mid(at + 8, int(size)), channels, channel);
        at += 8 + int(size) + int(size & 1);
    }
    qFatal("no data chunk");
}

}  // namespace

class TriggerSearch : public QObject {
    Q_OBJECT
private slots:
    void slopesHysteresisAndPaging()
    {
        // A sine of 20.5 samples per period: rising zero crossings at whole
        // periods, falling ones half a period later.
        const double perSample = 1 / 20.5;
        const auto x = sine(205, perSample, 10000);
        Trigger::Condition rising{0, 500, Trigger::Slope::Rising};
        Trigger::Condition falling{0, 500, Trigger::Slope::Falling};
        const auto up = crossings(x, rising);
        const auto down = crossings(x, falling);
        // The first rising crossing at sample 0 has nothing before it to arm.
        QCOMPARE(up.size(), size_t(9));
        QCOMPARE(down.size(), size_t(10));
        for (size_t k = 0; k < up.size(); ++k)
            QVERIFY2(std::abs(up[k] - 20.5 * double(k + 1)) < 0.05, qPrintable(QString::number(up[k])));
        for (size_t k = 0; k < down.size(); ++k)
            QVERIFY(std::abs(down[k] - 20.5 * (double(k) + 0.5)) < 0.05);

        // Paging forward and back walks the same crossings, one by one.
        std::vector<double> forward;
        for (auto p = Trigger::FindNext(x, rising, -1); p; p = Trigger::FindNext(x, rising, *p))
            forward.push_back(*p);
        QCOMPARE(forward, up);
        std::vector<double> backward;
        for (auto p = Trigger::FindPrevious(x, rising, 1e9); p; p = Trigger::FindPrevious(x, rising, *p))
            backward.insert(backward.begin(), *p);
        QCOMPARE(backward, up);

        // A slow edge with noise of ±300 units: one trigger with hysteresis
        // wider than the noise, several without.
        std::mt19937 gen(7);
        std::uniform_int_distribution<int> noise(-300, 300);
        std::vector<int16_t> edge(4000);
        for (size_t i = 0; i < edge.size(); ++i)
            edge[i] = int16_t(-8000 + 4 * int(i) + noise(gen));
        QCOMPARE(crossings(edge, {0, 1000, Trigger::Slope::Rising}).size(), size_t(1));
        QVERIFY(crossings(edge, {0, 0, Trigger::Slope::Rising}).size() > 3);
        QCOMPARE(crossings(edge, {0, 1000, Trigger::Slope::Falling}).size(), size_t(0));
        std::vector<int16_t> backEdge(edge.rbegin(), edge.rend());
        QCOMPARE(Trigger::FindPrevious(backEdge, {0, 1000, Trigger::Slope::Falling}, 1e9).has_value(), true);
        QCOMPARE(crossings(backEdge, {0, 1000, Trigger::Slope::Falling}).size(), size_t(1));

        // No edge: nothing to place a screen on (auto then free-runs,
        // normal keeps the last picture); a signal that does cross gets
        // the earliest screen with the trigger where it was asked for.
        const std::vector<int16_t> flat(3000, 120);
        QVERIFY(!Trigger::PlaceScreen(flat, rising, 50, 1000, 2));
        const auto s = Trigger::PlaceScreen(x, rising, 30, 100, 2);
        QVERIFY(s);
        QVERIFY(std::abs(*s + 30 - 41.0) < 0.05);  // the first crossing at or after 30 frames
        QVERIFY(!Trigger::PlaceScreen(x, rising, 30, 200, 2));  // no room for a whole screen
    }

    void eventIndexInBlocksFindsWhatTheWholeArraySearchFinds()
    {
        // The event index of a long recording takes interleaved frames a
        // block at a time; its events are the crossings a search over the
        // whole array finds (less those within the hold-off of the last
        // event), to the last bit, and each carries the readings of the
        // samples from it to the next event.
        std::mt19937 rng(11);
        std::normal_distribution<double> noise(0, 400);
        std::vector<std::vector<int16_t>> inputs;
        auto noisy = sine(30000, 1 / 37.3, 12000, 0.4, 500);
        for (auto &v : noisy)
            v = int16_t(std::clamp(v + std::lround(noise(rng)), -32768L, 32767L));
        inputs.push_back(noisy);
        inputs.push_back(sine(3000, 1 / 5.3, 32767, 1.0));
        const auto shortOne = sine(6, 0.3, 1000);
        for (size_t n = 2; n <= shortOne.size(); ++n)
            inputs.emplace_back(shortOne.begin(), shortOne.begin() + long(n));
        struct Case {
            Trigger::Condition c;
            double holdoff;
        };
        const Case cases[] = {{{0, 800, Trigger::Slope::Rising}, 0},      {{3000.5, 0, Trigger::Slope::Falling}, 0},
                              {{500, 2000, Trigger::Slope::Rising}, 100.5}, {{0, 0, Trigger::Slope::Falling}, 1},
                              {{-32768, 0, Trigger::Slope::Rising}, 0},   {{40000, 0, Trigger::Slope::Rising}, 0}};
        size_t seen = 0;
        for (size_t s = 0; s < inputs.size(); ++s) {
            const auto &x = inputs[s];
            for (size_t k = 0; k < std::size(cases); ++k) {
                const Case &c = cases[k];
                std::vector<double> expected;
                for (double p : crossings(x, c.c))
                    if (expected.empty() || p - expected.back() >= c.holdoff)
                        expected.push_back(p);
                for (int ch = 0; ch < 2; ++ch) {
                    std::vector<int16_t> frames(2 * x.size());
                    for (size_t i = 0; i < x.size(); ++i) {
                        frames[2 * i + size_t(ch)] = x[i];
                        frames[2 * i + size_t(1 - ch)] = int16_t(rng());
                    }
                    for (size_t block : {size_t(1), size_t(2), size_t(3), size_t(7), size_t(1000), x.size()}) {
                        const QString where =
                            QStringLiteral("signal %1, case %2, channel %3, blocks of %4").arg(s).arg(k).arg(ch).arg(block);
                        Events::Index index(c.c, c.holdoff);
                        std::vector<Events::Event> got;
                        for (size_t at = 0; at < x.size(); at += block) {
                            index.Add(frames.data() + 2 * at, std::min(block, x.size() - at), 2, ch);
                            for (const Events::Event &e : index.Take())
                                got.push_back(e);
                        }
                        index.Finish();
                        for (const Events::Event &e : index.Take())
                            got.push_back(e);
                        QVERIFY2(got.size() == expected.size(),
                                 qPrintable(where + QStringLiteral(": %1 events, %2 expected").arg(got.size()).arg(expected.size())));
                        for (size_t e = 0; e < got.size(); ++e) {
                            QVERIFY2(got[e].position == expected[e], qPrintable(where));
                            const bool last = e + 1 == got.size();
                            QVERIFY2(last ? std::isnan(got[e].interval) : got[e].interval == expected[e + 1] - expected[e],
                                     qPrintable(where));
                            const size_t from = size_t(std::lround(expected[e]));
                            const size_t to = last ? x.size() : size_t(std::lround(expected[e + 1]));
                            int64_t sum = 0, squares = 0;
                            for (size_t i = from; i < to; ++i) {
                                sum += x[i];
                                squares += int64_t(x[i]) * x[i];
                            }
                            const Events::Event &g = got[e];
                            QVERIFY2(g.count == int64_t(to - from)
                                         && g.minimum == *std::min_element(x.begin() + long(from), x.begin() + long(to))
                                         && g.maximum == *std::max_element(x.begin() + long(from), x.begin() + long(to))
                                         && g.mean == double(sum) / double(to - from)
                                         && g.rms == std::sqrt(double(squares) / double(to - from)),
                                     qPrintable(where + QStringLiteral(", event %1 of %2: %3 samples, %4 expected")
                                                           .arg(e).arg(got.size()).arg(g.count).arg(to - from)));
                        }
                        seen += got.size();
                    }
                }
            }
        }
        QVERIFY(seen > 1000);
    }

    void subSampleCrossingOfASine()
    {
        // 9.37 samples per period, level at 70 % of the amplitude, many
        // phases: where the straight line between two samples is off by a
        // tenth of a sample, the position must be within 0.05.
        const double perSample = 1 / 9.37;
        const double amplitude = 20000, level = 0.7 * amplitude;
        double worst = 0;
        for (int k = 0; k < 20; ++k) {
            const double phase = 0.31 * k;
            const auto x = sine(200, perSample, amplitude, phase);
            Trigger::Condition c{level, 1000, Trigger::Slope::Rising};
            for (double p : crossings(x, c)) {
                // Exact crossings: sin(2π f t + phase) = 0.7 on a rising part.
                const double base = (std::asin(0.7) - phase) / (2 * M_PI * perSample);
                const double periods = std::round((p - base) * perSample);
                worst = std::max(worst, std::abs(p - (base + periods / perSample)));
            }
        }
        QVERIFY2(worst < 0.05, qPrintable(QString::number(worst)));

        // Shifting a display buffer by a fraction of a slot moves a ramp by
        // that fraction; the tail keeps the last value.
        std::vector<int32_t> ramp{0, 10, 20, 30, 40};
        Trigger::ShiftLeft(ramp, 1.5);
        QCOMPARE(ramp, (std::vector<int32_t>{15, 25, 35, 40, 40}));
    }

    // The live trigger examines every event of the stream once, however
    // the stream is cut into the stretches it searches: the refresh's
    // passes with the end of the pass before, the display rate's windows
    // over the newest samples. A lone short pulse near a cut is not lost
    // between two stretches nor counted twice. Holdoff longer than the
    // spacing of a pulse train takes every second pulse, live as in the
    // event index of a recording; the setting falls back to none.
    void liveStretchesExamineEveryEventOnceAndHoldoffSkipsEverySecond()
    {
        std::mt19937 rng(5);
        std::vector<int16_t> x(60000, -200);
        std::vector<size_t> pulses;
        for (size_t at = 150; at + 50 < x.size(); at += 700 + rng() % 13) {
            pulses.push_back(at);
            for (size_t i = at; i < at + 5; ++i)
                x[i] = 12000;
        }
        const Trigger::Condition c{5000, 300, Trigger::Slope::Rising};
        const std::vector<double> all = crossings(x, c);
        QCOMPARE(all.size(), pulses.size());
        const int32_t screen = 400, spare = 3;
        const double before = 40;
        // (A stretch's positions count from its own start: equal to the
        // whole array's but for the rounding of that sum.)
        auto same = [](const std::vector<double> &a, const std::vector<double> &b) {
            return a.size() == b.size()
                   && std::equal(a.begin(), a.end(), b.begin(), [](double p, double q) { return std::abs(p - q) < 1e-6; });
        };
        for (const double holdoff : {0.0, 1050.0}) {
            std::vector<double> expected;
            for (double p : all)
                if (p >= before && p + screen + spare + 1 - before <= double(x.size())
                    && (expected.empty() || p - expected.back() >= holdoff))
                    expected.push_back(p);
            QVERIFY(expected.size() > 40);
            if (holdoff > 0) {
                QCOMPARE(expected.size(), (all.size() + 1) / 2);
                Events::Index index(c, holdoff);
                index.Add(x.data(), x.size(), 1, 0);
                index.Finish();
                const std::vector<Events::Event> indexed = index.Take();
                QVERIFY(indexed.size() >= expected.size());
                for (size_t e = 0; e < expected.size(); ++e)
                    QCOMPARE(indexed[e].position, expected[e]);
            }
            // Passes of the refresh, each searched with the end of the one before.
            for (int round = 0; round < 20; ++round) {
                Trigger::StreamEvents live(holdoff);
                std::vector<double> got;
                size_t end = 0;
                size_t tail = 0;
                while (end < x.size()) {
                    const size_t pass = std::min(x.size() - end, size_t(round == 0 ? 701 : 300 + rng() % 1500));
                    const size_t from = end - tail;
                    const std::span<const int16_t> joined(x.data() + from, end + pass - from);
                    for (double p : live.Examine(joined, int64_t(from), c, before, screen, spare))
                        got.push_back(p);
                    end += pass;
                    tail = std::min(end, size_t(screen + spare + 2 + int(std::ceil(before))));
                }
                QVERIFY2(same(got, expected), qPrintable(QStringLiteral("holdoff %1, round %2: %3 events of %4")
                                                         .arg(holdoff).arg(round).arg(got.size()).arg(expected.size())));
            }
            // Windows over the newest samples, as long as LiveSearchFrames
            // makes them for what came since the last one.
            for (int round = 0; round < 20; ++round) {
                Trigger::StreamEvents live(holdoff);
                std::vector<double> got;
                size_t end = 0;
                while (end < x.size()) {
                    const size_t since = std::min(x.size() - end, size_t(1 + rng() % (round < 10 ? 40 : 3000)));
                    end += since;
                    const size_t length = std::min<size_t>(
                        end, size_t(Trigger::LiveSearchFrames(screen, before, spare, 400, int64_t(since))));
                    const std::span<const int16_t> window(x.data() + end - length, length);
                    for (double p : live.Examine(window, int64_t(end - length), c, before, screen, spare))
                        got.push_back(p);
                }
                QVERIFY2(same(got, expected), qPrintable(QStringLiteral("windows, holdoff %1, round %2: %3 events of %4")
                                                         .arg(holdoff).arg(round).arg(got.size()).arg(expected.size())));
            }
        }

        // The setting: kept in the trigger's section, none when absent or unreadable.
        Options::TriggerOptions t;
        QCOMPARE(Options::LoadTrigger().holdoffSeconds, 0.0);
        t.holdoffSeconds = 0.5;
        Options::SaveTrigger(t);
        QCOMPARE(Options::LoadTrigger().holdoffSeconds, 0.5);
        for (const char *bad : {"-1", "x", "1e9", ""}) {
            SettingsStore::SaveSetting("Sigm", "Trigger", "Holdoff", QString::fromLatin1(bad));
            QCOMPARE(Options::LoadTrigger().holdoffSeconds, 0.0);
        }
    }
};
SIGM_TEST(TriggerSearch)

class Measurements : public QObject {
    Q_OBJECT
private slots:
    void soxFilesAtEveryRate()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("m.wav"));
        struct Case {
            int rate;
            double hz;
        };
        const Case cases[] = {{8000, 440}, {11025, 1000}, {22050, 997}, {44100, 1000}, {44100, 52.5}, {48000, 1000},
                              {48000, 3150}};
        for (const Case &c : cases) {
                        const QStringList left{QStringLiteral("-n"), QStringLiteral("-r"), QString::number(c.rate),
                                   QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"),
                                   QStringLiteral("1"), path, QStringLiteral("synth"), QStringLiteral("0.5"),
                                   QStringLiteral("sine"), QString::number(c.hz), QStringLiteral("vol"),
                                   QStringLiteral("0.5"), QStringLiteral("dcshift"), QStringLiteral("0.1")};
            const auto all = soxChannel(left, path, 1, 0);
            // A screen of 0.2 s from the middle of the file.
            const std::span<const int16_t> screen(all.data() + c.rate / 10, size_t(c.rate / 5));
            const Measure::Readings r = Measure::Of(screen, c.rate);
            const QString where = QStringLiteral("%1 Hz at %2").arg(c.hz).arg(c.rate);
            QVERIFY2(std::abs(r.frequency / c.hz - 1) < 0.001, qPrintable(where + QString::number(r.frequency)));
            QVERIFY2(std::abs(r.period * c.hz - 1) < 0.001, qPrintable(where));
            QVERIFY2(r.periods >= int(c.hz * 0.2) - 2, qPrintable(where + QString::number(r.periods)));
            const double amplitude = 0.5 * 32768, offset = 0.1 * 32768;
            QVERIFY2(std::abs(r.peakToPeak / (2 * amplitude) - 1) < 0.005, qPrintable(where + QString::number(r.peakToPeak)));
            QVERIFY2(std::abs(r.maximum - (offset + amplitude)) < 0.005 * amplitude, qPrintable(where));
            QVERIFY2(std::abs(r.minimum - (offset - amplitude)) < 0.005 * amplitude, qPrintable(where));
            QVERIFY2(std::abs(r.mean - offset) < 0.005 * amplitude, qPrintable(where + QString::number(r.mean)));
            QVERIFY2(std::abs(r.rmsAc / (amplitude / std::sqrt(2)) - 1) < 0.005, qPrintable(where + QString::number(r.rmsAc)));
            const double rms = std::sqrt(amplitude * amplitude / 2 + offset * offset);
            QVERIFY2(std::abs(r.rms / rms - 1) < 0.005, qPrintable(where));
        }

        // Less than one period, or nothing but a flat line: no frequency.
        const auto shortPiece = sine(30, 1 / 40.0, 10000);
        QVERIFY(std::isnan(Measure::Of(shortPiece, 48000).frequency));
        const std::vector<int16_t> flat(1000, -5);
        const Measure::Readings f = Measure::Of(flat, 48000);
        QVERIFY(std::isnan(f.frequency));
        QCOMPARE(f.mean, -5.0);
        QCOMPARE(f.rmsAc, 0.0);
        QCOMPARE(Measure::Of({}, 48000).count, size_t(0));
    }

    void streamedInBlocksGivesTheWholeStretchReadings()
    {
        // Whatever the blocks, a file measured as a stream reads exactly as
        // the same samples measured at once; a wrong guess at the extremes
        // is owned up to, not measured with.
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0, 300);
        std::vector<std::vector<int16_t>> inputs;
        auto noisy = sine(20000, 1 / 48.3, 9000, 0.3, 1200);
        for (auto &v : noisy)
            v = int16_t(std::clamp(v + std::lround(noise(rng)), -32768L, 32767L));
        inputs.push_back(noisy);
        inputs.push_back(sine(5000, 1 / 7.1, 32767, 1.0));
        std::vector<int16_t> square(3000);
        for (size_t i = 0; i < square.size(); ++i)
            square[i] = (i / 13) % 2 ? -20000 : 20000;
        inputs.push_back(square);
        inputs.push_back(std::vector<int16_t>(777, -5));
        const auto shortOne = sine(6, 0.3, 1000);
        for (size_t n = 1; n <= shortOne.size(); ++n)
            inputs.emplace_back(shortOne.begin(), shortOne.begin() + long(n));
        auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
        for (size_t s = 0; s < inputs.size(); ++s) {
            const auto &x = inputs[s];
            const Measure::Readings whole = Measure::Of(x, 48000);
            const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
            // The same samples as either channel of interleaved frames, the
            // other channel upside down.
            std::vector<int16_t> frames[2];
            for (int ch = 0; ch < 2; ++ch) {
                frames[ch].resize(2 * x.size());
                for (size_t i = 0; i < x.size(); ++i) {
                    frames[ch][2 * i + size_t(ch)] = x[i];
                    frames[ch][2 * i + size_t(1 - ch)] = int16_t(-1 - x[i]);
                }
            }
            for (size_t block : {size_t(1), size_t(2), size_t(3), size_t(5), size_t(1000), x.size()}) {
                for (int from = -1; from < 2; ++from) {
                    const QString where = QStringLiteral("signal %1, blocks of %2, %3")
                                              .arg(s)
                                              .arg(block)
                                              .arg(from < 0 ? QStringLiteral("alone") : QStringLiteral("channel %1").arg(from + 1));
                    Measure::Stream stream(48000, *lo, *hi);
                    for (size_t at = 0; at < x.size(); at += block) {
                        const size_t n = std::min(block, x.size() - at);
                        if (from < 0)
                            stream.Add(std::span<const int16_t>(x).subspan(at, n));
                        else
                            stream.Add(frames[from].data() + 2 * at + size_t(from), n, 2);
                    }
                    QVERIFY2(stream.Exact(), qPrintable(where));
                    const Measure::Readings r = stream.Finish();
                    QCOMPARE(r.count, whole.count);
                    QCOMPARE(r.periods, whole.periods);
                    for (auto [a, b] : {std::pair{r.frequency, whole.frequency}, {r.period, whole.period},
                                        {r.minimum, whole.minimum}, {r.maximum, whole.maximum},
                                        {r.peakToPeak, whole.peakToPeak}, {r.mean, whole.mean}, {r.rms, whole.rms},
                                        {r.rmsAc, whole.rmsAc}})
                        QVERIFY2(same(a, b),
                                 qPrintable(where + QStringLiteral(": %1 vs %2").arg(a, 0, 'g', 17).arg(b, 0, 'g', 17)));
                }
            }
            Measure::Stream guessed(48000, *lo + 1, *hi);
            guessed.Add(x);
            QVERIFY(!guessed.Exact());
            QCOMPARE(guessed.Lowest(), int(*lo));
        }
    }

    void textsAndCalibration()
    {
        const QString dp = QLocale().decimalPoint();
        auto t = [&](const char *s) { return QString::fromUtf8(s).replace(QLatin1Char('.'), dp); };
        QCOMPARE(Measure::Volts(0.4), t("400.0 мВ"));
        QCOMPARE(Measure::Volts(1.23456), t("1.235 В"));
        QCOMPARE(Measure::Volts(-0.00005678), t("−56.78 мкВ"));
        QCOMPARE(Measure::Hertz(999.874), t("999.87 Гц"));
        QCOMPARE(Measure::Hertz(12345.6), t("12.346 кГц"));
        QCOMPARE(Measure::Seconds(0.001), t("1.000 мС"));
        QCOMPARE(Measure::Hertz(std::nan("")), QStringLiteral("—"));

        // Nominal scale: full scale is ±400 mV, 8192 units a 100 mV division.
        QCOMPARE(Calibration::ToVolts(32768, 1), 0.4);
        QCOMPARE(Calibration::ToVolts(8192, 2.5), 0.25);
        QCOMPARE(Calibration::ToUnits(0.25, 2.5), 8192.0);
        const auto k = Calibration::FactorFor(16384, 1.0);  // 200 mV nominal p-p is really 1 V
        QVERIFY(k);
        QCOMPARE(*k, 5.0);
        QVERIFY(!Calibration::FactorFor(0, 1.0));
        QVERIFY(!Calibration::FactorFor(100, -1.0));

        // Stored per channel in a section of its own; what does not read
        // as a sane factor is the nominal one.
        TestEnv::Reset();
        QCOMPARE(Calibration::StoredFactor(1), 1.0);
        Calibration::StoreFactor(2, 1.0 / 3);
        QVERIFY(std::abs(Calibration::StoredFactor(2) - 1.0 / 3) < 1e-9);
        QCOMPARE(Calibration::StoredFactor(1), 1.0);
        QVERIFY(!Calibration::IsNominal(Calibration::StoredFactor(2)));
        for (const char *bad : {"abc", "-2", "0", "1e9", "nan"}) {
            SettingsStore::SaveSetting("Sigm", "Calibration", "Channel1", QString::fromLatin1(bad));
            QCOMPARE(Calibration::StoredFactor(1), 1.0);
        }
        SettingsStore::SaveSetting("Sigm", "calibration", "CHANNEL1", QStringLiteral(" 2.5"));
        QCOMPARE(Calibration::StoredFactor(1), 2.5);
    }
};
SIGM_TEST(Measurements)

#include "tst_analysis.moc"
