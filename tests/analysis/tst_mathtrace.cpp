// SPDX-License-Identifier: GPL-3.0-or-later
// The computed trace on plain arrays: every function against its closed
// form, the filters' gain at their corners, and a filter run screen by
// screen against the same filter run over the whole stream. Persistence
// of a jittering edge.
#include "analysis/mathtrace.h"
#include "analysis/persistence.h"
#include "platform/settings.h"
#include "testenv.h"
#include "testregistry.h"

#include <QLocale>
#include <QTest>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kRate = 48000;

std::vector<float> wave(size_t n, auto f)
{
    std::vector<float> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = float(f(double(i) / kRate));
    return x;
}

// Gain in dB of a filter for a sine at `hz`, measured on its output after a second.
double measuredGainDb(MathTrace::Function f, double corner, double q, double hz)
{
    MathTrace::StreamFilter filter;
    filter.Set(MathTrace::Design(f, corner, kRate, q));
    const size_t n = size_t(2 * kRate);
    const std::vector<float> x = wave(n, [&](double t) { return std::sin(2 * M_PI * hz * t); });
    std::vector<float> y(n);
    filter.Run(0, x.data(), int64_t(n), 0, y.data());
    double squares = 0;
    for (size_t i = n / 2; i < n; ++i)
        squares += double(y[i]) * y[i];
    return 20 * std::log10(std::sqrt(2 * squares / double(n - n / 2)));
}

}  // namespace

class TraceArithmetic : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void functionsAgainstClosedForms()
    {
        using MathTrace::Function;
        const size_t n = 4800;
        const double w = 2 * M_PI * 500;
        const std::vector<float> a = wave(n, [&](double t) { return 0.3 * std::sin(w * t) + 0.05; });
        const std::vector<float> b = wave(n, [&](double t) { return 0.2 * std::cos(w * t + 0.3); });
        std::vector<float> m(n);
        auto worst = [&](Function f, auto closed, size_t from, size_t to) {
            std::fill(m.begin(), m.end(), NAN);
            MathTrace::Compute(f, a, b, kRate, m);
            double e = 0;
            for (size_t i = from; i < to; ++i)
                e = std::max(e, std::abs(m[i] - closed(double(i) / kRate, i)));
            return e;
        };
        QVERIFY(worst(Function::Sum, [&](double, size_t i) { return double(a[i]) + b[i]; }, 0, n) < 1e-6);
        QVERIFY(worst(Function::Difference, [&](double, size_t i) { return double(a[i]) - b[i]; }, 0, n) < 1e-6);
        QVERIFY(worst(Function::Product, [&](double, size_t i) { return double(a[i]) * b[i]; }, 0, n) < 1e-6);
        QVERIFY(worst(Function::NegateA, [&](double, size_t i) { return -double(a[i]); }, 0, n) == 0);
        QVERIFY(worst(Function::NegateB, [&](double, size_t i) { return -double(b[i]); }, 0, n) == 0);
        // Against the calculus, to a small part of the amplitude (942 V/s;
        // 95 µV·s): central differences inside, one-sided at the ends.
        const double slope = 0.3 * w;
        auto derivative = [&](double t, size_t) { return slope * std::cos(w * t); };
        QVERIFY(worst(Function::Derivative, derivative, 1, n - 1) < 2e-3 * slope);
        QVERIFY(worst(Function::Derivative, derivative, 0, n) < 5e-2 * slope);
        auto integral = [&](double t, size_t) { return 0.3 * (1 - std::cos(w * t)) / w + 0.05 * t; };
        QVERIFY(worst(Function::Integral, integral, 0, n) < 1e-3 * 0.3 / w);
        QCOMPARE(m[0], 0.0f);  // from 0 at the screen's start

        // The Butterworth sections are 3 dB down at the corner, the
        // band-pass flat at its centre and 3 dB down at its edges.
        for (double corner : {50.0, 1000.0, 12000.0}) {
            for (Function f : {Function::LowPass, Function::HighPass}) {
                const double db = measuredGainDb(f, corner, 5, corner);
                QVERIFY2(std::abs(db + 3.0103) < 0.1, qPrintable(QStringLiteral("%1 Hz: %2 dB").arg(corner).arg(db)));
            }
        }
        QVERIFY(measuredGainDb(Function::LowPass, 1000, 5, 100) > -0.1);
        QVERIFY(measuredGainDb(Function::HighPass, 1000, 5, 100) < -35);
        const double q = 5, centre = 1000;
        QVERIFY(std::abs(measuredGainDb(Function::BandPass, centre, q, centre)) < 0.1);
        const double half = std::sqrt(1 + 1 / (4 * q * q)), offset = 1 / (2 * q);
        for (double edge : {centre * (half - offset), centre * (half + offset)})
            QVERIFY(std::abs(measuredGainDb(Function::BandPass, centre, q, edge) + 3.0103) < 0.1);
    }

    // Screens that follow one another, overlap, or come with the frames of
    // the gap before them give what one run over the stream gives, to the
    // last bit: no step at any screen's edge. A fresh start with its
    // settling frames ends within a hair of it.
    void filterRunsOnAcrossScreens()
    {
        using MathTrace::Function;
        const size_t n = 48000;
        // Hum with an offset, and a tone: a high-pass starting afresh on
        // each screen would jump by the offset there.
        const std::vector<float> x = wave(n, [](double t) {
            return 0.2 + 0.3 * std::sin(2 * M_PI * 50 * t) + 0.05 * std::sin(2 * M_PI * 1700 * t);
        });
        for (Function f : {Function::LowPass, Function::HighPass, Function::BandPass}) {
            const MathTrace::Biquad c = MathTrace::Design(f, 400, kRate, 3);
            MathTrace::StreamFilter whole;
            whole.Set(c);
            std::vector<float> reference(n);
            whole.Run(0, x.data(), int64_t(n), 0, reference.data());

            MathTrace::StreamFilter screens;
            screens.Set(c);
            std::vector<float> out(480);
            // (start, frames): contiguous, overlapping, inside the last,
            // and after gaps of 300 and 2000 frames.
            const int64_t starts[] = {0, 480, 960, 1200, 1300, 1980, 4460};
            int64_t end = 0;
            for (int64_t start : starts) {
                const int64_t lead = screens.LeadWanted(start, start, 0);
                QCOMPARE(lead, start > end ? start - end : 0);
                screens.Run(start, x.data() + start, 480, lead, out.data());
                for (int64_t i = 0; i < 480; ++i)
                    QCOMPARE(out[size_t(i)], reference[size_t(start + i)]);
                end = std::max(end, start + 480);
            }
            // Too far to bridge: a fresh start, settled over the frames before.
            const int64_t far = 30000;
            const int64_t lead = screens.LeadWanted(far, 1000, 9600);
            QCOMPARE(lead, int64_t(1000));
            screens.Run(far, x.data() + far, 480, lead, out.data());
            double e = 0;
            for (int64_t i = 0; i < 480; ++i)
                e = std::max(e, double(std::abs(out[size_t(i)] - reference[size_t(far + i)])));
            QVERIFY2(e < 1e-3, qPrintable(QString::number(e)));
        }
    }

    // A long stretch given block by block (the CSV of a whole file) gets
    // what one screen of the same length gets, across the blocks' borders.
    void streamInBlocksAsOneScreen()
    {
        using MathTrace::Function;
        const size_t n = 5000;
        const std::vector<float> a = wave(n, [](double t) { return 0.1 + 0.3 * std::sin(2 * M_PI * 440 * t); });
        const std::vector<float> b = wave(n, [](double t) { return 0.2 * std::cos(2 * M_PI * 97 * t); });
        for (Function f : {Function::Sum, Function::Product, Function::Derivative, Function::Integral,
                           Function::HighPass, Function::BandPass}) {
            std::vector<float> whole(n), blocks(n);
            if (MathTrace::IsFilter(f)) {
                MathTrace::StreamFilter filter;
                filter.Set(MathTrace::Design(f, 300, kRate, 2));
                filter.Run(0, b.data(), int64_t(n), 0, whole.data());
            } else {
                MathTrace::Compute(f, a, b, kRate, whole);
            }
            MathTrace::Stream stream(f, true, 300, 2, kRate);
            for (size_t at = 0; at < n; at += 777) {
                const size_t k = std::min<size_t>(777, n - at);
                stream.Feed(a.data() + at, b.data() + at, int64_t(k), at + k < n, blocks.data() + at);
            }
            for (size_t i = 0; i < n; ++i)
                QVERIFY2(std::abs(blocks[i] - whole[i]) <= 1e-6f * (1 + std::abs(whole[i])),
                         qPrintable(QStringLiteral("function %1, frame %2").arg(int(f)).arg(i)));
        }
    }

    void scalesTextsAndSettings()
    {
        QCOMPARE(MathTrace::ScaleStep(0), 1.0);
        QCOMPARE(MathTrace::ScaleStep(4), 20.0);
        QVERIFY(std::abs(MathTrace::ScaleStep(-3) - 0.1) < 1e-15);
        QVERIFY(std::abs(MathTrace::ScaleStep(-1) - 0.5) < 1e-15);
        // Three divisions hold the peak, at the finest such step.
        QCOMPARE(MathTrace::FitScale(0.29), -3);
        QCOMPARE(MathTrace::FitScale(0.31), -2);
        QCOMPARE(MathTrace::FitScale(1500), 8);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(MathTrace::ValueText(0.0125, QStringLiteral("В²")), QStringLiteral("12,5 мВ²"));
        QCOMPARE(MathTrace::ValueText(-3140, QStringLiteral("В/с")), QStringLiteral("−3,14 кВ/с"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(MathTrace::ValueText(0.0125, QStringLiteral("В²")), QStringLiteral("12.5 мВ²"));

        // Off by default; stored in a section of its own and read back;
        // what does not read falls back to the default.
        QCOMPARE(MathTrace::Load().function, MathTrace::Function::Off);
        MathTrace::Settings s;
        s.function = MathTrace::Function::BandPass;
        s.filterB = true;
        s.cornerHz = 50.5;
        s.q = 7;
        s.scale = -4;
        s.position = -1.5;
        MathTrace::Save(s);
        const MathTrace::Settings r = MathTrace::Load();
        QCOMPARE(r.function, s.function);
        QCOMPARE(r.filterB, true);
        QCOMPARE(r.cornerHz, 50.5);
        QCOMPARE(r.q, 7.0);
        QCOMPARE(r.scale, -4);
        QCOMPARE(r.position, -1.5);
        SettingsStore::SaveSetting("Sigm", "Math", "Corner", "-3");
        SettingsStore::SaveSetting("Sigm", "Math", "Scale", "2.5");
        SettingsStore::SaveSetting("Sigm", "Math", "Function", "cube");
        QCOMPARE(MathTrace::Load().cornerHz, 1000.0);
        QCOMPARE(MathTrace::Load().scale, 0);
        QCOMPARE(MathTrace::Load().function, MathTrace::Function::Off);
    }

    // An edge that stands at column 40 in three screens of four and at 60
    // in the fourth: its rising part lights those two columns only, three
    // times as bright at 40; the levels before and between light their
    // rows as often as the screens pass there. Time fades it all alike,
    // "clear" empties it, and the drawing leaves the traces on top alone.
    void persistenceOfAJitteringEdge()
    {
        Persistence::Buffer p;
        p.Resize(100, 50, 2);
        for (int s = 0; s < 400; ++s) {
            const double edge = s % 4 == 3 ? 60.5 : 40.5;
            const double x[] = {0, edge, edge, 99.5}, y[] = {40.5, 40.5, 10.5, 10.5};
            p.Add(0, x, y, 4);
            p.EndScreen();
        }
        QCOMPARE(p.Screens(), 400.0);
        std::vector<int> lit;
        for (int x = 0; x < 100; ++x)
            if (p.Weight(0, x, 25) > 0)
                lit.push_back(x);
        QCOMPARE(lit, (std::vector<int>{40, 60}));
        QCOMPARE(p.Weight(0, 40, 25), 300.0);
        QCOMPARE(p.Weight(0, 60, 25), 100.0);
        QCOMPARE(p.Weight(0, 20, 40), 400.0);  // before either edge: every screen
        QCOMPARE(p.Weight(0, 50, 10), 300.0);  // after the early edge, high
        QCOMPARE(p.Weight(0, 50, 40), 100.0);  // and low when it came late
        QCOMPARE(p.Weight(0, 80, 10), 400.0);
        QCOMPARE(p.Weight(0, 50, 25), 0.0);
        QCOMPARE(p.Weight(1, 40, 25), 0.0);  // the other trace's layer

        const double tau = Persistence::TimeConstant(1);
        p.Age(tau, tau);
        QVERIFY(std::abs(p.Weight(0, 40, 25) - 300 / M_E) < 1e-3);
        QVERIFY(std::abs(p.Screens() - 400 / M_E) < 1e-3);
        p.Age(5, std::numeric_limits<double>::infinity());
        QVERIFY(std::abs(p.Weight(0, 40, 25) - 300 / M_E) < 1e-3);

        const uint32_t back = 0xE0E0E0, trace = 0x0000FF, drawn = 0x123456;
        std::vector<uint32_t> pixels(100 * 50, 0xFF000000u | back);
        pixels[20 * 100 + 40] = 0xFF000000u | drawn;
        const uint32_t colours[] = {trace, 0xFF0000};
        p.Render(pixels.data(), 100, colours, &back, 1);
        auto blueness = [&](int x, int y) { return int(pixels[size_t(y * 100 + x)] & 0xFF) - int(back & 0xFF); };
        QVERIFY(blueness(40, 25) > blueness(60, 25));
        QVERIFY(blueness(60, 25) > 0);
        QCOMPARE(pixels[25 * 100 + 50], 0xFF000000u | back);
        QCOMPARE(pixels[20 * 100 + 40], 0xFF000000u | drawn);

        p.Clear();
        QVERIFY(p.Empty());
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 100; ++x)
                QCOMPARE(p.Weight(0, x, y), 0.0);
    }
};
SIGM_TEST(TraceArithmetic)

#include "tst_mathtrace.moc"
