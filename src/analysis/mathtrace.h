// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The computed trace M: the sum, difference and product of the two
// channels, a channel negated, the derivative and integral of the first,
// and second-order filters of either channel. Arrays of volts in, arrays
// in M's own unit out; no widgets.
//
// The filters are RBJ biquads run over the signal as it was recorded, not
// screen by screen: StreamFilter remembers where the last screen stopped
// and goes on from there, so a screen joins the one before it without the
// step a filter starting afresh would put at every left edge.
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace MathTrace {

enum class Function { Off, Sum, Difference, Product, NegateA, NegateB, Derivative, Integral, LowPass, HighPass, BandPass };
inline constexpr int kFunctionCount = 11;

bool IsFilter(Function f);
// Whether M needs the second channel (a filter needs it when it filters B).
bool NeedsB(Function f, bool filterB);
// As the menu and the captions name it: "A + B", "dA/dt", "ФНЧ (B)"...
QString Name(Function f, bool filterB);
// The unit of M's values: "В", "В²", "В/с", "В·с".
QString Unit(Function f);
// The settings' word for a function ("sum", "lowpass"...), and back
// (Off for anything else).
QString Key(Function f);
Function FromKey(const QString &key);

// The pointwise functions, the derivative and the integral over one screen
// of A and B (volts) at `rate` frames per second, into `out` (as long as
// `a`). The derivative takes central differences (one-sided at the two
// ends), the integral adds trapezoids from 0 at the screen's first sample.
// `b` is read only by the functions that need it. Filters are left to
// StreamFilter: `out` is left as it is for them.
void Compute(Function f, std::span<const float> a, std::span<const float> b, double rate, std::span<float> out);

struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;  // a0 normalised to 1
};
// The low-pass and high-pass at `cornerHz` are Butterworth (Q = 1/√2, so
// −3 dB at the corner); the band-pass peaks at 0 dB at `cornerHz` and its
// width is set by `q`. The corner is kept below Nyquist.
Biquad Design(Function f, double cornerHz, double rate, double q);
// |H| at `hz`.
double Gain(const Biquad &c, double hz, double rate);

// One biquad run over a stream of frames numbered from the stream's start.
// Outputs of the recent frames are kept, so a screen that overlaps the
// last one gets the same values back, and one that follows within the
// frames handed before it goes on from the last state.
class StreamFilter {
public:
    // New coefficients forget the stream.
    void Set(const Biquad &c);
    void Reset() { valid_ = false; }

    // Of `available` frames before frame `first`, how many a run there
    // wants: none when the stream reaches `first` already, those since
    // the last run when it can go on through them, otherwise up to
    // `settle` to let a fresh start settle.
    int64_t LeadWanted(int64_t first, int64_t available, int64_t settle) const;
    // Filters frames [first, first + n): x[0] is frame `first`, and the
    // `lead` frames before it (x[-lead] .. x[-1]) may be read. A fresh
    // start begins at x[-lead] as if the signal had stood at that value
    // for ever.
    void Run(int64_t first, const float *x, int64_t n, int64_t lead, float *out);

private:
    void step(float x);
    Biquad c_;
    bool valid_ = false;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
    int64_t next_ = 0;       // the frame the state stands before
    int64_t histStart_ = 0;  // the frame of hist_[0]; hist_ runs up to next_
    std::vector<float> hist_;
    size_t keep_ = 1 << 16;
};

// M over a long stretch given block after block (the CSV export of a
// whole file): the same values Compute and a StreamFilter give over one
// screen of the stretch's length, the integral from 0 at its first frame.
class Stream {
public:
    Stream(Function f, bool filterB, double cornerHz, double q, double rate);
    // `n` frames of A and B in volts, and when `next` is true the frame
    // after them too (a[n], b[n]), which the derivative looks ahead to; it
    // comes again at the head of the next block. `b` may be null when M
    // does not need it.
    void Feed(const float *a, const float *b, int64_t n, bool next, float *out);

private:
    Function f_;
    bool filterB_;
    double rate_;
    StreamFilter filter_;
    int64_t frame_ = 0;
    bool started_ = false;
    float previous_ = 0;
    double integral_ = 0;
};

// M's scale: one division is ScaleStep(i) of its unit, steps of 1, 2, 5
// in every decade (index 0 is 1, 1 is 2, 2 is 5, 3 is 10, −1 is 0.5).
inline constexpr int kMinScale = -36, kMaxScale = 36;
double ScaleStep(int index);
// The finest scale that keeps |values| up to `peak` within three divisions.
int FitScale(double peak);
// A value with the prefix that suits it and the unit: "12,5 мВ²", "3,14 кВ/с".
QString ValueText(double v, const QString &unit);

// The choices of the menu, kept in section "Math" of the settings; each
// key falls back to its default when absent or unreadable.
struct Settings {
    Function function = Function::Off;
    bool filterB = false;
    double cornerHz = 1000;
    double q = 5;  // band-pass only
    int scale = 0;
    double position = 0;  // divisions up from the centre line
};
Settings Load();
void Save(const Settings &s);

}  // namespace MathTrace
