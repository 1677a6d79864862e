// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Gain and phase of a circuit at one frequency, from the generator's tone
// on two inputs: input 1 after the circuit, input 2 looped straight from
// the generator as the reference. Each input's component at exactly that
// frequency is found by correlating it with a sine and a cosine (a lock-in,
// or a single DFT bin placed anywhere, not on an FFT's grid) over a whole
// number of the tone's periods, so hum, noise and the tone's own harmonics
// fall out.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ToneResponse {

struct Component {
    double amplitude = 0;  // peak, in the samples' unit
    double phase = 0;      // radians, of a cosine at the stretch's first sample
};

// The component at `hz` of x[0], x[stride], … (n samples at `rate`), over
// the longest whole number of periods that fits (all n when none does).
Component At(const int16_t *x, size_t n, size_t stride, double rate, double hz);
Component At(const float *x, size_t n, size_t stride, double rate, double hz);

struct Point {
    double hz = 0;
    double gainDb = 0;        // 20·log10(|input 1| / |input 2|)
    double phaseDegrees = 0;  // input 1 against input 2, in (−180, 180]
    // The reference could not be trusted: a sample at full scale, or the
    // tone lost in the noise (under −60 dBFS), and what was measured.
    bool referenceClipped = false;
    bool referenceSilent = false;
    double referenceDbfs = 0;
};

// From interleaved stereo 16-bit frames: channel 1 the circuit's output,
// channel 2 the reference.
Point Measure(const int16_t *frames, size_t count, double rate, double hz);

// F1 to F2 with `perOctave` points an octave, geometric, both ends included.
std::vector<double> Steps(double f1, double f2, int perOctave);

}  // namespace ToneResponse
