// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/signalgen.h"

#include <algorithm>
#include <cmath>

namespace SignalGen {
namespace {

// Paul Kellet's pink filter: six one-pole sections and two direct terms
// over white noise, within ±0.05 dB of −3 dB per octave above 10 Hz.
constexpr double kPole[6] = {0.99886, 0.99332, 0.96900, 0.86650, 0.55000, -0.7616};
constexpr double kGain[6] = {0.0555179, 0.0750759, 0.1538520, 0.3104856, 0.5329522, -0.0168980};
constexpr double kDirect = 0.5362, kDelayed = 0.115926;

// The filter's output variance for white noise of variance 1, exactly:
// the sections' covariances, the direct term's with each section (whose
// newest input it shares) and the delayed term's (the input one sample
// before, which each section holds times its pole).
double pinkVariance()
{
    double v = kDirect * kDirect + kDelayed * kDelayed;
    for (int j = 0; j < 6; ++j) {
        for (int k = 0; k < 6; ++k)
            v += kGain[j] * kGain[k] / (1 - kPole[j] * kPole[k]);
        v += 2 * kDirect * kGain[j] + 2 * kDelayed * kPole[j] * kGain[j];
    }
    return v;
}

// The correction that takes a naive step's aliasing away, for a phase t
// in cycles a distance dt (one sample's advance) from an edge at 0.
double polyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1;
    }
    if (t > 1 - dt) {
        t = (t - 1) / dt;
        return t * t + t + t + 1;
    }
    return 0;
}

double wrap(double phase)
{
    return phase - std::floor(phase);
}

}  // namespace

double AmplitudeOfDbfs(double dbfs)
{
    return std::pow(10.0, dbfs / 20);
}

double DbfsOfAmplitude(double amplitude)
{
    return amplitude > 0 ? 20 * std::log10(amplitude) : -HUGE_VAL;
}

Oscillator::Oscillator(double sampleRate, uint32_t noiseSeed)
    : rate_(sampleRate > 0 ? sampleRate : 48000), noise_(noiseSeed ? noiseSeed : 1)
{
    phase_ = wrap(wave_.phaseDegrees / 360);
}

void Oscillator::Set(const Wave &w)
{
    const double moved = (w.phaseDegrees - wave_.phaseDegrees) / 360;
    const bool sweepChanged = w.shape == Shape::Sweep &&
                              (wave_.shape != Shape::Sweep || w.frequency != wave_.frequency ||
                               w.sweepTo != wave_.sweepTo || w.sweepSeconds != wave_.sweepSeconds ||
                               w.sweepLog != wave_.sweepLog);
    wave_ = w;
    wave_.duty = std::clamp(w.duty, 0.0, 1.0);
    phase_ = wrap(phase_ + moved);
    if (sweepChanged)
        sweepTime_ = 0;
}

double Oscillator::sweepFrequency() const
{
    const double f1 = std::max(0.0, wave_.frequency), f2 = std::max(0.0, wave_.sweepTo);
    const double span = wave_.sweepSeconds > 0 ? wave_.sweepSeconds : 1;
    const double x = std::clamp(sweepTime_ / span, 0.0, 1.0);
    if (wave_.sweepLog && f1 > 0 && f2 > 0)
        return f1 * std::pow(f2 / f1, x);
    return f1 + (f2 - f1) * x;
}

double Oscillator::InstantFrequency() const
{
    switch (wave_.shape) {
    case Shape::Sweep: return sweepFrequency();
    case Shape::Pulses: return wave_.pulsePeriod > 0 ? 1 / wave_.pulsePeriod : 0;
    case Shape::WhiteNoise:
    case Shape::PinkNoise: return 0;
    default: return std::max(0.0, wave_.frequency);
    }
}

double Oscillator::next()
{
    const double nyquist = rate_ / 2;
    double f = std::min(InstantFrequency(), nyquist);
    const double dt = f / rate_;
    const double t = phase_;
    double v = 0;
    switch (wave_.shape) {
    case Shape::Sine:
    case Shape::Sweep: v = std::sin(2 * M_PI * t); break;
    case Shape::Square: {
        const double d = wave_.duty;
        if (d <= 0 || d >= 1) {
            v = d >= 1 ? 1 : -1;
            break;
        }
        v = t < d ? 1 : -1;
        v += polyBlep(t, dt);                // the rising edge at 0
        v -= polyBlep(wrap(t - d + 1), dt);  // the falling edge at d
        break;
    }
    case Shape::Triangle: v = t < 0.5 ? 4 * t - 1 : 3 - 4 * t; break;
    case Shape::Sawtooth: v = 2 * t - 1 - polyBlep(t, dt); break;
    case Shape::WhiteNoise:
    case Shape::PinkNoise: {
        // xorshift64*: uniform in [−1, 1), variance 1/3.
        noise_ ^= noise_ >> 12;
        noise_ ^= noise_ << 25;
        noise_ ^= noise_ >> 27;
        const double white = double((noise_ * 0x2545F4914F6CDD1DULL) >> 11) / double(1ULL << 52) - 1;
        if (wave_.shape == Shape::WhiteNoise) {
            v = white;
            break;
        }
        // Scaled to white's variance, so one level means the same power for both.
        static const double norm = 1 / std::sqrt(pinkVariance());
        double sum = kDirect * white + pink_[6];
        for (int k = 0; k < 6; ++k) {
            pink_[k] = kPole[k] * pink_[k] + kGain[k] * white;
            sum += pink_[k];
        }
        pink_[6] = kDelayed * white;
        v = sum * norm;
        break;
    }
    case Shape::Pulses: {
        // Counted in whole samples: a width of 1 ms is 48 samples every
        // time, not 47 or 49 as a sum of 1/48000 s would make it.
        const int64_t period = std::max<int64_t>(1, std::llround(wave_.pulsePeriod * rate_));
        const int64_t width = std::llround(wave_.pulseWidth * rate_);
        pulseSample_ %= period;
        v = pulseSample_ < width ? 1 : 0;
        ++pulseSample_;
        break;
    }
    }
    phase_ = wrap(phase_ + dt);
    if (wave_.shape == Shape::Sweep) {
        sweepTime_ += 1 / rate_;
        if (wave_.sweepSeconds > 0 && sweepTime_ >= wave_.sweepSeconds)
            sweepTime_ = 0;
    }
    return std::clamp(wave_.offset + wave_.amplitude * v, -1.0, 1.0);
}

void Oscillator::Render(float *out, size_t n, size_t stride)
{
    for (size_t i = 0; i < n; ++i)
        out[i * stride] = float(next());
}

std::vector<float> Oscillator::Render(size_t n)
{
    std::vector<float> out(n);
    Render(out.data(), n, 1);
    return out;
}

}  // namespace SignalGen
