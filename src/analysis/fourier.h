// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Spectrum of sampled signals: window, FFT (FFTW 3), averaging, peak hold,
// and the readouts an operator reads off an analyser: the strongest peak
// with its frequency interpolated between bins, THD and THD+N.
//
// Nothing here knows about widgets. Samples come in as plain numbers in
// full-scale units (a 16-bit sample divided by 32768); levels go out as
// the amplitude of a sine: a full-scale sine reads 1 (0 dBFS) whatever the
// window, so a tone's level can be read straight off the graph.
#include <cstdint>
#include <memory>
#include <vector>

namespace Spectrum {

enum class WindowKind { Hann = 0, BlackmanHarris = 1, FlatTop = 2 };
enum class Averaging { Off = 0, Linear = 1, Exponential = 2 };

constexpr int kMinSize = 1024;
constexpr int kMaxSize = 65536;
// Powers of two from kMinSize to kMaxSize.
bool IsValidSize(int size);

// The window's samples (periodic form, `length` points) and its figures.
std::vector<double> WindowSamples(WindowKind kind, int length);
// Half the width of the window's main lobe, in bins of a transform as long
// as the window: everything of a pure tone lies within it but the sidelobes.
double MainLobeHalfWidth(WindowKind kind);

// One real-to-complex transform of one size. The FFTW plan of a size is
// made once and shared by every transform of that size; it is made on a
// thread of its own as soon as the first transform of the size is made.
class Fft {
public:
    explicit Fft(int size);
    ~Fft();
    Fft(const Fft &) = delete;
    Fft &operator=(const Fft &) = delete;
    int Size() const { return size_; }
    double *Input() { return in_; }
    // The plan is made: PowerInto runs at once.
    bool Ready();
    // Squared magnitudes of bins 0..size/2 of the input's transform; waits
    // for the plan when it is not made yet.
    void PowerInto(double *power);
    // Plans made so far in this process (one per size).
    static int PlansMade();
    // While held, a transform that has not run yet is not ready and waits,
    // as if its plan were still being made (tests of what waits for one).
    static void HoldPlansForTesting(bool hold);

private:
    void *plan();
    int size_;
    double *in_;
    void *out_;
    void *plan_ = nullptr;
};

struct Peak {
    bool found = false;
    double bin = 0;        // interpolated position, in bins of the transform
    double frequency = 0;  // Hz
    double amplitude = 0;  // amplitude of the sine, full-scale units
};

struct Distortion {
    bool valid = false;
    int harmonics = 0;     // harmonics 2..10 below half the sample rate
    double thd = 0;        // ratio to the fundamental's amplitude
    double thdPlusNoise = 0;
};

// Spectra of one or two channels with averaging and peak hold. Results are
// powers (amplitude squared, full-scale units) per bin 0..size/2.
class Analyzer {
public:
    Analyzer();
    ~Analyzer();

    // Any change restarts averaging and peak hold. A new size's transform
    // is planned in the background: Add waits for it, unless Ready says so.
    void Configure(int size, WindowKind window, Averaging averaging, int averages);
    int Size() const { return size_; }
    // Add will not wait for the transform's plan.
    bool Ready() const { return fft_ && fft_->Ready(); }
    WindowKind Window() const { return window_; }
    int Bins() const { return size_ / 2 + 1; }
    // Starts averaging and peak hold again (also done when the sample rate,
    // the channel count or the length of the stretch changes).
    void Reset();

    // Takes up to Size() samples of each channel (the same number for all);
    // a shorter stretch is windowed over its own length and padded with
    // zeros, so levels stay right and only the resolution suffers. A
    // stretch's offset shows at 0 Hz only, without the window's leakage.
    void Add(const std::vector<const float *> &channels, int frames, double sampleRate);
    // Interleaved 16-bit samples as read from a WAV file.
    void AddInterleaved16(const int16_t *samples, int frames, int channels, double sampleRate);

    int Channels() const { return int(average_.size()); }
    int FramesUsed() const { return frames_; }
    double SampleRate() const { return rate_; }
    double BinWidth() const { return size_ > 0 ? rate_ / size_ : 0; }
    int SpectraAveraged() const { return count_; }
    const std::vector<double> &Power(int channel) const { return average_[size_t(channel)]; }
    const std::vector<double> &Held(int channel) const { return held_[size_t(channel)]; }

    // Strongest tone of a channel's averaged spectrum, away from 0 Hz. A
    // tone at half the sample rate reads there; one nearer to it than the
    // window's main lobe merges with its mirror image and reads roughly.
    Peak StrongestPeak(int channel) const;
    // THD and THD+N of the strongest tone, over harmonics 2 to 10.
    Distortion DistortionOf(int channel) const;
    // Power per bin of white noise of one-sided density `density`
    // (full-scale units squared per Hz): what its floor reads.
    double FloorForDensity(double density) const;

private:
    void addChannelPower(size_t ch, double offset);

    int size_ = 0;
    WindowKind window_ = WindowKind::Hann;
    Averaging averaging_ = Averaging::Off;
    int averages_ = 1;
    std::unique_ptr<Fft> fft_;
    std::vector<double> windowed_;  // window for frames_ samples
    double coherentSum_ = 0;        // sum of the window
    double powerSum_ = 0;           // sum of its squares
    int frames_ = 0;
    double rate_ = 0;
    int count_ = 0;
    std::vector<double> power_;                // this spectrum, scratch
    std::vector<std::vector<double>> average_;
    std::vector<std::vector<double>> held_;
    // Linear averaging: the last `averages_` spectra and their running sum.
    std::vector<std::vector<std::vector<float>>> ring_;
    std::vector<std::vector<double>> ringSum_;
    int ringNext_ = 0;
};

// Level of a sine of amplitude `amplitude` (full-scale units) in dBFS, or
// in dBV (RMS volts) given the volts a channel's full scale stands for.
double ToDbfs(double amplitude);
double ToDbv(double amplitude, double voltsPerFullScale);

}  // namespace Spectrum
