// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/toneresponse.h"

#include <algorithm>
#include <cstdlib>

namespace ToneResponse {
namespace {

template <class T>
Component at(const T *x, size_t n, size_t stride, double rate, double hz)
{
    Component c;
    if (n == 0 || rate <= 0 || hz <= 0)
        return c;
    // Whole periods: the correlation with a sine over them has no leakage
    // from a constant or from any multiple of the tone.
    const double perPeriod = rate / hz;
    const double periods = std::floor(double(n) / perPeriod);
    const size_t m = periods >= 1 ? std::max<size_t>(1, size_t(std::lround(periods * perPeriod))) : n;
    // The oscillator turned by a rotation each sample, renormalised now and
    // then, rather than sin/cos per sample.
    const double w = 2 * M_PI * hz / rate;
    const double cw = std::cos(w), sw = std::sin(w);
    double re = 0, im = 0, co = 1, si = 0;
    for (size_t i = 0; i < m; ++i) {
        const double v = double(x[i * stride]);
        re += v * co;
        im -= v * si;
        const double c2 = co * cw - si * sw;
        si = si * cw + co * sw;
        co = c2;
        if ((i & 1023) == 1023) {
            const double r = 1 / std::hypot(co, si);
            co *= r;
            si *= r;
        }
    }
    c.amplitude = 2 * std::hypot(re, im) / double(m);
    c.phase = std::atan2(im, re);
    return c;
}

}  // namespace

Component At(const int16_t *x, size_t n, size_t stride, double rate, double hz)
{
    return at(x, n, stride, rate, hz);
}

Component At(const float *x, size_t n, size_t stride, double rate, double hz)
{
    return at(x, n, stride, rate, hz);
}

Point Measure(const int16_t *frames, size_t count, double rate, double hz)
{
    Point p;
    p.hz = hz;
    const Component out = At(frames, count, 2, rate, hz);
    const Component ref = At(frames + 1, count, 2, rate, hz);
    for (size_t i = 0; i < count; ++i) {
        const int v = frames[2 * i + 1];
        if (v >= 32767 || v <= -32768) {
            p.referenceClipped = true;
            break;
        }
    }
    p.referenceDbfs = ref.amplitude > 0 ? 20 * std::log10(ref.amplitude / 32768) : -HUGE_VAL;
    p.referenceSilent = p.referenceDbfs < -60;
    p.gainDb = out.amplitude > 0 && ref.amplitude > 0 ? 20 * std::log10(out.amplitude / ref.amplitude) : -HUGE_VAL;
    double d = (out.phase - ref.phase) * 180 / M_PI;
    d = std::fmod(d, 360.0);
    if (d <= -180)
        d += 360;
    if (d > 180)
        d -= 360;
    p.phaseDegrees = d;
    return p;
}

std::vector<double> Steps(double f1, double f2, int perOctave)
{
    std::vector<double> f;
    if (!(f1 > 0) || !(f2 >= f1) || perOctave < 1)
        return f;
    const double octaves = std::log2(f2 / f1);
    const int n = int(std::floor(octaves * perOctave + 1e-9));
    for (int k = 0; k <= n; ++k)
        f.push_back(f1 * std::exp2(double(k) / perOctave));
    if (f.back() < f2 * (1 - 1e-9))
        f.push_back(f2);
    return f;
}

}  // namespace ToneResponse
