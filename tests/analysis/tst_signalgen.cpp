// SPDX-License-Identifier: GPL-3.0-or-later
// The generator's waveforms against their closed forms, its phase running
// on through changes, and the lock-in's gain and phase of a known circuit.
#include "analysis/mathtrace.h"
#include "analysis/responsesweep.h"
#include "analysis/signalgen.h"
#include "analysis/toneresponse.h"
#include "testregistry.h"

#include <QTest>
#include <cmath>
#include <complex>
#include <deque>
#include <vector>

namespace {

constexpr double kRate = 48000;

double mean(const std::vector<float> &x)
{
    double s = 0;
    for (float v : x)
        s += v;
    return s / double(x.size());
}

double rms(const std::vector<float> &x, size_t from = 0)
{
    double s = 0;
    for (size_t i = from; i < x.size(); ++i)
        s += double(x[i]) * x[i];
    return std::sqrt(s / double(x.size() - from));
}

// Power in the octave band around `hz` (constant-Q band-pass), in dB.
double bandDb(const std::vector<float> &x, double hz)
{
    MathTrace::StreamFilter f;
    f.Set(MathTrace::Design(MathTrace::Function::BandPass, hz, kRate, std::sqrt(2.0)));
    std::vector<float> y(x.size());
    f.Run(0, x.data(), int64_t(x.size()), 0, y.data());
    return 20 * std::log10(rms(y, x.size() / 10));
}

std::vector<int16_t> stereo(size_t n, auto left, auto right)
{
    std::vector<int16_t> s(2 * n);
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        s[2 * i] = int16_t(std::lround(left(t)));
        s[2 * i + 1] = int16_t(std::lround(right(t)));
    }
    return s;
}

}  // namespace

class SignalGenTest : public QObject {
    Q_OBJECT
private slots:
    void waveformsAgainstTheirClosedForms()
    {
        using SignalGen::Shape;
        SignalGen::Wave w;
        w.amplitude = SignalGen::AmplitudeOfDbfs(-6);
        QVERIFY(std::abs(w.amplitude - 0.501187) < 1e-6);

        // A sine: its level and frequency as the lock-in finds them, its mean none.
        SignalGen::Oscillator sine(kRate);
        w.frequency = 997;
        sine.Set(w);
        std::vector<float> x = sine.Render(48000);
        ToneResponse::Component c = ToneResponse::At(x.data(), x.size(), 1, kRate, 997);
        QVERIFY2(std::abs(c.amplitude - w.amplitude) < 1e-4, qPrintable(QString::number(c.amplitude)));
        QVERIFY(std::abs(mean(x)) < 1e-4);
        QVERIFY(std::abs(rms(x) - w.amplitude / std::sqrt(2.0)) < 1e-4);

        // A change of frequency mid-stream (mid-period too): no step larger
        // than the faster tone's own largest step from one sample to the next.
        x = sine.Render(7);
        w.frequency = 3000;
        sine.Set(w);
        const std::vector<float> after = sine.Render(480);
        double largest = std::abs(after[0] - x.back());
        for (size_t i = 1; i < after.size(); ++i)
            largest = std::max(largest, double(std::abs(after[i] - after[i - 1])));
        QVERIFY2(largest <= w.amplitude * 2 * M_PI * 3000 / kRate * 1.001, qPrintable(QString::number(largest)));

        // A square of duty d: its mean is A·(2d − 1), its fundamental 4A/π·sin(πd).
        for (double d : {0.5, 0.25}) {
            SignalGen::Oscillator sq(kRate);
            SignalGen::Wave s = w;
            s.shape = Shape::Square;
            s.frequency = 750;  // 64 samples a period: the edges fall on no grid
            s.duty = d;
            sq.Set(s);
            x = sq.Render(48000);
            QVERIFY2(std::abs(mean(x) - s.amplitude * (2 * d - 1)) < 2e-3, qPrintable(QString::number(mean(x))));
            c = ToneResponse::At(x.data(), x.size(), 1, kRate, 750);
            const double fundamental = 4 * s.amplitude / M_PI * std::sin(M_PI * d);
            QVERIFY2(std::abs(c.amplitude - fundamental) < 2e-3 * fundamental, qPrintable(QString::number(c.amplitude)));
        }

        // Triangle and sawtooth: fundamentals 8A/π² and 2A/π; the triangle's RMS A/√3.
        for (Shape shape : {Shape::Triangle, Shape::Sawtooth}) {
            SignalGen::Oscillator o(kRate);
            SignalGen::Wave s = w;
            s.shape = shape;
            s.frequency = 500;
            o.Set(s);
            x = o.Render(48000);
            // (The sawtooth's band-limited edge takes a little of its RMS.)
            if (shape == Shape::Triangle)
                QVERIFY2(std::abs(rms(x) - s.amplitude / std::sqrt(3.0)) < 1e-3, qPrintable(QString::number(rms(x))));
            c = ToneResponse::At(x.data(), x.size(), 1, kRate, 500);
            const double fundamental = shape == Shape::Triangle ? 8 * s.amplitude / (M_PI * M_PI) : 2 * s.amplitude / M_PI;
            QVERIFY2(std::abs(c.amplitude - fundamental) < 2e-3 * fundamental, qPrintable(QString::number(c.amplitude)));
        }

        // Noise: white and pink at one level have one RMS (A/√3); across
        // four octaves an octave band of white gains 12 dB, of pink nothing.
        std::vector<float> noise[2];
        for (int k = 0; k < 2; ++k) {
            SignalGen::Oscillator o(kRate, 7);
            SignalGen::Wave s = w;
            s.shape = k == 0 ? Shape::WhiteNoise : Shape::PinkNoise;
            s.amplitude = 0.3;
            o.Set(s);
            noise[k] = o.Render(size_t(20 * kRate));
            QVERIFY2(std::abs(rms(noise[k]) / (0.3 / std::sqrt(3.0)) - 1) < 0.01, qPrintable(QString::number(rms(noise[k]))));
        }
        const double whiteRise = bandDb(noise[0], 3200) - bandDb(noise[0], 200);
        const double pinkRise = bandDb(noise[1], 3200) - bandDb(noise[1], 200);
        QVERIFY2(std::abs(whiteRise - 12.04) < 1, qPrintable(QString::number(whiteRise)));
        QVERIFY2(std::abs(pinkRise) < 1, qPrintable(QString::number(pinkRise)));

        // A log sweep: 100 Hz to 10 kHz in a second is at 1 kHz halfway.
        SignalGen::Oscillator sweep(kRate);
        SignalGen::Wave s = w;
        s.shape = Shape::Sweep;
        s.frequency = 100;
        s.sweepTo = 10000;
        s.sweepSeconds = 1;
        sweep.Set(s);
        sweep.Render(24000);
        QVERIFY(std::abs(sweep.InstantFrequency() - 1000) < 1);

        // Pulses: 1 ms every 10 ms, at offset −A/2, are high a tenth of the time.
        SignalGen::Oscillator pulses(kRate);
        s.shape = Shape::Pulses;
        s.pulseWidth = 0.001;
        s.pulsePeriod = 0.01;
        s.offset = -s.amplitude / 2;
        pulses.Set(s);
        x = pulses.Render(48000);
        const auto high = std::count_if(x.begin(), x.end(), [&](float v) { return v > 0; });
        QCOMPARE(high, 100 * 48);

        // The second channel's phase against the first: 90° after.
        SignalGen::Oscillator a(kRate), b(kRate);
        s = w;
        s.frequency = 1000;
        a.Set(s);
        s.phaseDegrees = -90;
        b.Set(s);
        const std::vector<float> xa = a.Render(4800), xb = b.Render(4800);
        const double lag = (ToneResponse::At(xb.data(), 4800, 1, kRate, 1000).phase
                            - ToneResponse::At(xa.data(), 4800, 1, kRate, 1000).phase) * 180 / M_PI;
        QVERIFY2(std::abs(lag + 90) < 0.01, qPrintable(QString::number(lag)));
    }

    void gainAndPhaseOfAKnownCircuit()
    {
        // A first-order low-pass at its corner: −3.01 dB, −45°; the
        // reference carries hum and its own harmonic, the output noise.
        const double hz = 1234.5, amp = 12000;
        uint32_t lcg = 3;
        const std::vector<int16_t> frames = stereo(
            9600,
            [&](double t) {
                lcg = lcg * 1664525u + 1013904223u;
                return amp / std::sqrt(2.0) * std::cos(2 * M_PI * hz * t - M_PI / 4) + double(int(lcg >> 26) - 32);
            },
            [&](double t) {
                return amp * std::cos(2 * M_PI * hz * t) + 800 * std::sin(2 * M_PI * 50 * t)
                       + 500 * std::cos(2 * M_PI * 2 * hz * t);
            });
        ToneResponse::Point p = ToneResponse::Measure(frames.data(), 9600, kRate, hz);
        QVERIFY2(std::abs(p.gainDb + 3.0103) < 0.02, qPrintable(QString::number(p.gainDb)));
        QVERIFY2(std::abs(p.phaseDegrees + 45) < 0.2, qPrintable(QString::number(p.phaseDegrees)));
        QVERIFY(!p.referenceClipped && !p.referenceSilent);

        // An inverting stage: 180° comes out as 180, not −180; a reference
        // at full scale is flagged, and one of −70 dBFS is silent.
        const std::vector<int16_t> inverted =
            stereo(4800, [&](double t) { return -20000 * std::sin(2 * M_PI * 1000 * t); },
                   [&](double t) { return std::clamp(40000 * std::sin(2 * M_PI * 1000 * t), -32768.0, 32767.0); });
        p = ToneResponse::Measure(inverted.data(), 4800, kRate, 1000);
        QVERIFY2(std::abs(p.phaseDegrees - 180) < 0.5 && p.phaseDegrees <= 180, qPrintable(QString::number(p.phaseDegrees)));
        QVERIFY(p.referenceClipped);
        const std::vector<int16_t> quiet =
            stereo(4800, [&](double t) { return 1000 * std::sin(2 * M_PI * 1000 * t); },
                   [&](double t) { return 10.4 * std::sin(2 * M_PI * 1000 * t); });
        p = ToneResponse::Measure(quiet.data(), 4800, kRate, 1000);
        QVERIFY(p.referenceSilent && !p.referenceClipped);

        // Steps: three an octave from 20 Hz to 20 kHz, both ends, geometric.
        const std::vector<double> f = ToneResponse::Steps(20, 20000, 3);
        QCOMPARE(f.front(), 20.0);
        QCOMPARE(f.back(), 20000.0);
        QCOMPARE(int(f.size()), 31);  // 9.97 octaves: 30 steps, then 20 kHz itself
        QVERIFY(std::abs(f[3] / f[0] - 2) < 1e-12);
    }
    void steppedResponseThroughASimulatedLoop()
    {
        // The sweep driven as the window drives it, through a loop that
        // hands back 10 ms blocks 100 ms late (the server's buffers), with
        // the left path through a second-order low-pass at 1 kHz (the
        // audio cookbook's, as sox's `lowpass` is) and a converter's
        // dither on both inputs; and every 1.5 s the circuit's output
        // drops out for 10 ms, as through a loose contact or a busy
        // machine's stream. Then a straight loop.
        const double w0 = 2 * M_PI * 1000 / kRate, alpha = std::sin(w0) / (2 / std::sqrt(2.0));
        const double a0 = 1 + alpha;
        const double b0 = (1 - std::cos(w0)) / 2 / a0, b1 = (1 - std::cos(w0)) / a0, b2 = b0;
        const double a1 = -2 * std::cos(w0) / a0, a2 = (1 - alpha) / a0;
        auto closedForm = [&](double hz) {
            const std::complex<double> z = std::polar(1.0, -2 * M_PI * hz / kRate);
            return (b0 + b1 * z + b2 * z * z) / (1.0 + a1 * z + a2 * z * z);
        };
        auto run = [&](bool filtered, ResponseSweep &sweep) {
            SignalGen::Oscillator osc(kRate);
            SignalGen::Wave w;
            w.amplitude = SignalGen::AmplitudeOfDbfs(sweep.Config().levelDbfs);
            w.frequency = sweep.Frequency();
            osc.Set(w);
            std::deque<float> inFlight(4800, 0.0f);
            double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
            uint32_t lcg = 7;
            auto dither = [&] {
                lcg = lcg * 1664525u + 1013904223u;
                const double a = double(lcg >> 8) / double(1 << 24);
                lcg = lcg * 1664525u + 1013904223u;
                return a - double(lcg >> 8) / double(1 << 24);
            };
            std::vector<int16_t> block(2 * 480);
            int blocks = 0;
            while (!sweep.Done() && ++blocks < 100000) {
                const std::vector<float> played = osc.Render(480);
                inFlight.insert(inFlight.end(), played.begin(), played.end());
                for (size_t i = 0; i < 480; ++i) {
                    const double x = inFlight.front() * 32767.0;
                    inFlight.pop_front();
                    double y = x;
                    if (filtered) {
                        y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
                        x2 = x1, x1 = x, y2 = y1, y1 = y;
                    }
                    block[2 * i] = int16_t(std::lround(y + dither()));
                    block[2 * i + 1] = int16_t(std::lround(x + dither()));
                }
                if (filtered && blocks % 150 == 0) {
                    for (size_t i = 0; i < 480; ++i)
                        block[2 * i] = 0;
                }
                if (sweep.Feed(block.data(), 480) && !sweep.Done()) {
                    w.frequency = sweep.Frequency();
                    osc.Set(w);
                }
            }
        };

        ResponseSweep::Settings s;
        s.perOctave = 12;
        ResponseSweep sweep(s);
        QCOMPARE(int(sweep.StepCount()), 121);
        QVERIFY2(sweep.SecondsNeeded() < 50, qPrintable(QString::number(sweep.SecondsNeeded())));
        run(true, sweep);
        QCOMPARE(sweep.Points().size(), sweep.StepCount());
        double worstDb = 0, worstDeg = 0;
        for (const ToneResponse::Point &p : sweep.Points()) {
            const std::complex<double> h = closedForm(p.hz);
            const double db = p.gainDb - 20 * std::log10(std::abs(h));
            double deg = std::remainder(p.phaseDegrees - std::arg(h) * 180 / M_PI, 360.0);
            worstDb = std::max(worstDb, std::abs(db));
            worstDeg = std::max(worstDeg, std::abs(deg));
            QVERIFY(!p.referenceClipped && !p.referenceSilent);
        }
        QVERIFY2(worstDb < 0.2 && worstDeg < 2, qPrintable(QStringLiteral("%1 dB %2°").arg(worstDb).arg(worstDeg)));
        QVERIFY(!sweep.AnyUnsteady());
        // The curve was not flat: the filter really was in the path.
        QVERIFY(sweep.Points().back().gainDb < -50);

        ResponseSweep straight(s);
        run(false, straight);
        QCOMPARE(straight.Points().size(), straight.StepCount());
        for (const ToneResponse::Point &p : straight.Points()) {
            QVERIFY2(std::abs(p.gainDb) < 0.05, qPrintable(QStringLiteral("%1 Hz: %2 dB").arg(p.hz).arg(p.gainDb)));
            QVERIFY2(std::abs(p.phaseDegrees) < 0.5, qPrintable(QStringLiteral("%1 Hz: %2°").arg(p.hz).arg(p.phaseDegrees)));
        }

        // Cancelled halfway: what was measured stays, nothing more is asked.
        ResponseSweep cut(s);
        std::vector<int16_t> quiet(2 * 48000, 0);
        cut.Feed(quiet.data(), 48000);
        QCOMPARE(cut.Points().size(), size_t(1));
        QVERIFY(cut.AnySilent());
        cut.Cancel();
        QVERIFY(cut.Done() && cut.Frequency() == 0);
        QVERIFY(!cut.Feed(quiet.data(), 48000));
        QCOMPARE(cut.Points().size(), size_t(1));
    }
};

SIGM_TEST(SignalGenTest)
#include "tst_signalgen.moc"
