// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The generator's waveforms, sample by sample, for one output channel.
//
// Every waveform is read off a phase that only ever advances: a change of
// frequency, shape or level takes effect at the next sample without a jump
// in phase, so turning the frequency knob does not click. Square and
// sawtooth are band-limited at their edges (PolyBLEP), so that their
// spectra show harmonics, not aliases folded back from above Nyquist.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace SignalGen {

enum class Shape { Sine, Square, Triangle, Sawtooth, WhiteNoise, PinkNoise, Sweep, Pulses };

struct Wave {
    Shape shape = Shape::Sine;
    double frequency = 1000;  // Hz (sine, square, triangle, sawtooth)
    double amplitude = 0.5;   // peak, in full scale (1.0 = the largest sample)
    double offset = 0;        // DC, in full scale
    double duty = 0.5;        // square: the part of a period spent high
    // Sweep: from `frequency` to `sweepTo` over `sweepSeconds`, then again.
    double sweepTo = 20000;
    double sweepSeconds = 10;
    bool sweepLog = true;
    // Pulses: `pulseWidth` seconds high every `pulsePeriod` seconds, low otherwise.
    double pulseWidth = 0.001;
    double pulsePeriod = 0.01;
    // Where this channel's cycle starts against the other's, in degrees.
    double phaseDegrees = 0;
};

// Full scale from dBFS and back (0 dBFS: a sine whose peaks reach full scale).
double AmplitudeOfDbfs(double dbfs);
double DbfsOfAmplitude(double amplitude);

class Oscillator {
public:
    explicit Oscillator(double sampleRate, uint32_t noiseSeed = 1);

    // Takes effect at the next sample; the phase runs on. A new phase
    // between the channels moves the phase once, by the difference.
    void Set(const Wave &w);
    const Wave &Current() const { return wave_; }

    // n samples into out[0], out[stride], …, clipped to ±1.
    void Render(float *out, size_t n, size_t stride = 1);
    std::vector<float> Render(size_t n);

    // The frequency the waveform has at the next sample (a sweep's moves).
    double InstantFrequency() const;

private:
    double next();
    double sweepFrequency() const;

    double rate_;
    Wave wave_;
    double phase_ = 0;        // cycles, in [0, 1)
    double sweepTime_ = 0;    // seconds into the sweep
    int64_t pulseSample_ = 0; // samples into the pulse period
    uint64_t noise_;
    double pink_[7] = {0, 0, 0, 0, 0, 0, 0};
};

}  // namespace SignalGen
