// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/fourier.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <system_error>
#include <thread>

namespace Spectrum {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Cosine-sum windows: w[n] = sum over m of (-1)^m a[m] cos(2 pi m n / M).
struct Coefficients {
    double a[5];
    int terms;
    double lobe;  // main-lobe half-width in bins: its first zero
};

const Coefficients &coefficientsOf(WindowKind kind)
{
    static const Coefficients hann {{0.5, 0.5, 0, 0, 0}, 2, 2};
    // Four-term Blackman–Harris: sidelobes below -92 dB.
    static const Coefficients blackmanHarris {{0.35875, 0.48829, 0.14128, 0.01168, 0}, 4, 4};
    // Five-term flat-top: within 0.01 dB across a bin, for reading levels.
    static const Coefficients flatTop {{0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368}, 5, 5};
    switch (kind) {
    case WindowKind::BlackmanHarris: return blackmanHarris;
    case WindowKind::FlatTop: return flatTop;
    case WindowKind::Hann: break;
    }
    return hann;
}

// Transform of the window (length m) at `d` bins from a tone, in bins of
// an m-point transform; |kernel(0)| is the sum of the window.
double kernel(const Coefficients &c, int m, double d)
{
    // The closed form is 0/0 at whole bins; a nudge far below what any
    // readout shows avoids it.
    if (std::abs(d - std::round(d)) < 1e-9)
        d += 1e-9;
    const double sinPd = std::sin(kPi * d);
    std::complex<double> sum = 0;
    for (int k = -(c.terms - 1); k <= c.terms - 1; ++k) {
        const int a = std::abs(k);
        const double ck = a == 0 ? c.a[0] : ((a % 2) ? -0.5 : 0.5) * c.a[a];
        const double x = d - k;
        const double sign = (a % 2) ? -1.0 : 1.0;  // sin(pi (d - k)) = (-1)^k sin(pi d)
        const double dirichlet = sign * sinPd / std::sin(kPi * x / m);
        sum += ck * std::polar(dirichlet, -kPi * x * (m - 1) / m);
    }
    return std::abs(sum);
}

// FFTW's planner may run on one thread at a time, and a plan can take from
// a few milliseconds to over a second on a busy machine: plans are made on
// threads of their own, one at a time, and the window's thread only ever
// runs them (fftw_execute_dft_r2c may run anywhere, on arrays aligned as
// the planner's were). Never destroyed: a plan may still be in the making
// when the program ends.
struct PlanCache {
    std::mutex lock;
    std::condition_variable made;
    std::map<int, fftw_plan> plans;  // made
    std::set<int> making;            // asked for, not made yet
    std::mutex planner;              // held while FFTW plans
    bool held = false;               // HoldPlansForTesting
};

PlanCache &planCache()
{
    static PlanCache *cache = new PlanCache;
    return *cache;
}

// Arrays of our own allocation, all aligned alike, so no call into FFTW but
// running a plan is made outside the planner's lock.
template <class T>
T *allocAligned(size_t count)
{
    constexpr size_t kAlign = 64;
    const size_t bytes = (count * sizeof(T) + kAlign - 1) / kAlign * kAlign;
    void *p = std::aligned_alloc(kAlign, bytes);
    if (!p)
        throw std::bad_alloc();
    return static_cast<T *>(p);
}

fftw_plan makePlan(int size)
{
    PlanCache &cache = planCache();
    std::lock_guard<std::mutex> one(cache.planner);
    double *in = allocAligned<double>(size_t(size));
    auto *out = allocAligned<fftw_complex>(size_t(size / 2 + 1));
    fftw_plan plan = fftw_plan_dft_r2c_1d(size, in, out, FFTW_ESTIMATE);
    std::free(in);
    std::free(out);
    return plan;
}

void planInBackground(int size)
{
    auto make = [size] {
        const fftw_plan plan = makePlan(size);
        PlanCache &cache = planCache();
        {
            std::lock_guard<std::mutex> g(cache.lock);
            cache.plans[size] = plan;
            cache.making.erase(size);
        }
        cache.made.notify_all();
    };
    try {
        std::thread(make).detach();
    } catch (const std::system_error &) {
        make();  // no thread to be had: plan here
    }
}

// Asks for the plan of `size` unless it is made or being made.
void askPlan(int size)
{
    PlanCache &cache = planCache();
    std::lock_guard<std::mutex> g(cache.lock);
    if (cache.plans.count(size) || !cache.making.insert(size).second)
        return;
    planInBackground(size);
}

}  // namespace

bool IsValidSize(int size)
{
    return size >= kMinSize && size <= kMaxSize && (size & (size - 1)) == 0;
}

std::vector<double> WindowSamples(WindowKind kind, int length)
{
    const Coefficients &c = coefficientsOf(kind);
    std::vector<double> w(size_t(std::max(length, 0)));
    for (int n = 0; n < length; ++n) {
        double v = 0;
        for (int k = 0; k < c.terms; ++k)
            v += ((k % 2) ? -1.0 : 1.0) * c.a[k] * std::cos(2 * kPi * k * n / length);
        w[size_t(n)] = v;
    }
    return w;
}

double MainLobeHalfWidth(WindowKind kind)
{
    return coefficientsOf(kind).lobe;
}

// ---- Fft -------------------------------------------------------------------

Fft::Fft(int size) : size_(size)
{
    in_ = allocAligned<double>(size_t(size));
    out_ = allocAligned<fftw_complex>(size_t(size / 2 + 1));
    askPlan(size);
}

Fft::~Fft()
{
    std::free(in_);
    std::free(out_);
}

bool Fft::Ready()
{
    if (plan_)
        return true;
    PlanCache &cache = planCache();
    std::lock_guard<std::mutex> g(cache.lock);
    if (cache.held)
        return false;
    const auto made = cache.plans.find(size_);
    if (made != cache.plans.end())
        plan_ = made->second;
    return plan_ != nullptr;
}

void Fft::HoldPlansForTesting(bool hold)
{
    PlanCache &cache = planCache();
    {
        std::lock_guard<std::mutex> g(cache.lock);
        cache.held = hold;
    }
    cache.made.notify_all();
}

int Fft::PlansMade()
{
    PlanCache &cache = planCache();
    std::lock_guard<std::mutex> g(cache.lock);
    return int(cache.plans.size());
}

void *Fft::plan()
{
    if (Ready())
        return plan_;
    askPlan(size_);
    PlanCache &cache = planCache();
    std::unique_lock<std::mutex> g(cache.lock);
    cache.made.wait(g, [&] { return !cache.held && cache.plans.count(size_) > 0; });
    plan_ = cache.plans[size_];
    return plan_;
}

void Fft::PowerInto(double *power)
{
    auto *out = static_cast<fftw_complex *>(out_);
    fftw_execute_dft_r2c(static_cast<fftw_plan>(plan()), in_, out);
    const int bins = size_ / 2 + 1;
    for (int k = 0; k < bins; ++k)
        power[k] = out[k][0] * out[k][0] + out[k][1] * out[k][1];
}

// ---- Analyzer --------------------------------------------------------------

Analyzer::Analyzer() = default;
Analyzer::~Analyzer() = default;

void Analyzer::Configure(int size, WindowKind window, Averaging averaging, int averages)
{
    if (!IsValidSize(size))
        size = 4096;
    averages = std::clamp(averages, 1, 1000);
    if (size != size_) {
        size_ = size;
        fft_ = std::make_unique<Fft>(size);
        power_.assign(size_t(Bins()), 0);
        frames_ = 0;
    }
    if (window != window_)
        frames_ = 0;  // the window is made again for the next stretch
    window_ = window;
    averaging_ = averaging;
    averages_ = averages;
    Reset();
}

void Analyzer::Reset()
{
    count_ = 0;
    average_.clear();
    held_.clear();
    ring_.clear();
    ringSum_.clear();
    ringNext_ = 0;
}

void Analyzer::AddInterleaved16(const int16_t *samples, int frames, int channels, double sampleRate)
{
    frames = std::clamp(frames, 0, size_);
    std::vector<std::vector<float>> split(size_t(std::max(channels, 0)), std::vector<float>(size_t(frames)));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            split[size_t(c)][size_t(i)] = float(samples[size_t(i) * size_t(channels) + size_t(c)]) / 32768.0f;
    std::vector<const float *> ptrs;
    for (auto &s : split)
        ptrs.push_back(s.data());
    Add(ptrs, frames, sampleRate);
}

void Analyzer::Add(const std::vector<const float *> &channels, int frames, double sampleRate)
{
    if (!fft_)
        Configure(4096, window_, averaging_, averages_);
    frames = std::clamp(frames, 0, size_);
    if (frames < 2 || channels.empty() || sampleRate <= 0)
        return;
    if (sampleRate != rate_ || channels.size() != average_.size()) {
        Reset();
        rate_ = sampleRate;
    }
    // Stretches of another length (live passes vary by a few frames) keep
    // the averages: only the window is made again.
    if (frames != frames_) {
        frames_ = frames;
        windowed_ = WindowSamples(window_, frames);
        coherentSum_ = 0;
        powerSum_ = 0;
        for (double v : windowed_) {
            coherentSum_ += v;
            powerSum_ += v * v;
        }
    }
    if (average_.empty()) {
        average_.assign(channels.size(), std::vector<double>(size_t(Bins()), 0));
        held_.assign(channels.size(), std::vector<double>(size_t(Bins()), 0));
        if (averaging_ == Averaging::Linear) {
            ring_.assign(channels.size(), {});
            ringSum_.assign(channels.size(), std::vector<double>(size_t(Bins()), 0));
        }
    }
    double *in = fft_->Input();
    for (size_t ch = 0; ch < channels.size(); ++ch) {
        const float *x = channels[ch];
        // The offset is taken out before the transform and put back into
        // 0 Hz alone. Left in, its window's sidelobes (and, on a stretch
        // shorter than the transform, its whole widened lobe) stand above a
        // small tone and are read as the peak, its harmonics and noise.
        double offset = 0;
        for (int n = 0; n < frames; ++n)
            offset += double(x[n]) * windowed_[size_t(n)];
        offset /= coherentSum_;
        for (int n = 0; n < frames; ++n)
            in[n] = (double(x[n]) - offset) * windowed_[size_t(n)];
        std::fill(in + frames, in + size_, 0.0);
        addChannelPower(ch, offset);
    }
    ++count_;
    if (averaging_ == Averaging::Linear)
        ringNext_ = (ringNext_ + 1) % averages_;
}

void Analyzer::addChannelPower(size_t ch, double offset)
{
    fft_->PowerInto(power_.data());
    const int bins = Bins();
    // One-sided amplitude of a sine: twice the bin over the window's sum.
    // 0 Hz and half the sample rate have no mirror half to add: there the
    // bin over the sum is the level itself.
    const double scale = 4.0 / (coherentSum_ * coherentSum_);
    for (int k = 0; k < bins; ++k)
        power_[size_t(k)] *= scale;
    power_[0] = offset * offset;
    power_[size_t(bins - 1)] *= 0.25;

    std::vector<double> &avg = average_[ch];
    switch (averaging_) {
    case Averaging::Off:
        std::copy(power_.begin(), power_.end(), avg.begin());
        break;
    case Averaging::Exponential:
        if (count_ == 0) {
            std::copy(power_.begin(), power_.end(), avg.begin());
        } else {
            const double a = 1.0 / averages_;
            for (int k = 0; k < bins; ++k)
                avg[size_t(k)] += a * (power_[size_t(k)] - avg[size_t(k)]);
        }
        break;
    case Averaging::Linear: {
        // Mean of the last `averages_` spectra: the newest replaces the oldest
        // in a ring and in the running sum.
        auto &ring = ring_[ch];
        std::vector<double> &sum = ringSum_[ch];
        if (int(ring.size()) < averages_) {
            ring.emplace_back(power_.begin(), power_.end());
            for (int k = 0; k < bins; ++k)
                sum[size_t(k)] += double(ring.back()[size_t(k)]);
        } else {
            std::vector<float> &slot = ring[size_t(ringNext_)];
            for (int k = 0; k < bins; ++k) {
                const float v = float(power_[size_t(k)]);
                sum[size_t(k)] += double(v) - double(slot[size_t(k)]);
                slot[size_t(k)] = v;
            }
            if (ringNext_ == averages_ - 1) {
                // Once per turn of the ring the sum is made afresh, so
                // rounding cannot pile up over hours of capture.
                std::fill(sum.begin(), sum.end(), 0.0);
                for (const auto &s : ring)
                    for (int k = 0; k < bins; ++k)
                        sum[size_t(k)] += double(s[size_t(k)]);
            }
        }
        const double n = double(ring.size());
        for (int k = 0; k < bins; ++k)
            avg[size_t(k)] = std::max(sum[size_t(k)], 0.0) / n;
        break;
    }
    }
    std::vector<double> &held = held_[ch];
    for (int k = 0; k < bins; ++k)
        held[size_t(k)] = std::max(held[size_t(k)], avg[size_t(k)]);
}

Peak Analyzer::StrongestPeak(int channel) const
{
    Peak r;
    if (channel < 0 || channel >= Channels() || frames_ < 2)
        return r;
    const std::vector<double> &p = average_[size_t(channel)];
    const Coefficients &c = coefficientsOf(window_);
    const double binsPerWindowBin = double(size_) / frames_;
    const double lobeBins = c.lobe * binsPerWindowBin;
    // What leaks from 0 Hz lies within the main lobe there: not a tone.
    const int first = int(std::ceil(lobeBins)) + 1;
    const int nyquist = Bins() - 1;
    // The bin at half the sample rate has no mirror half added (see
    // addChannelPower): counted four times it stands on the same footing
    // as the others, so a tone there is found there.
    auto level = [&](int k) { return k == nyquist ? 4 * p[size_t(k)] : p[size_t(k)]; };
    int best = -1;
    for (int k = first; k <= nyquist; ++k)
        if (level(k) > 0 && (best < 0 || level(k) > level(best)))
            best = k;
    if (best < 0)
        return r;
    r.found = true;
    if (best == nyquist) {
        // A tone at half the sample rate and its mirror image are one line;
        // its level is that bin as it stands. Nearer to it than the main
        // lobe, a tone merges with its image and reads only roughly.
        r.bin = nyquist;
        r.frequency = r.bin * BinWidth();
        r.amplitude = std::sqrt(p[size_t(nyquist)]);
        return r;
    }

    // The window's transform, slid along the bins of the main lobe, is
    // fitted to their magnitudes; the best fit gives the tone's place and
    // level. Two bins alone are not enough: on a stretch shorter than the
    // transform the flat-top's crest spans many bins and is not quite flat,
    // so its strongest bin lies up to a few bins from the tone.
    const int reach = std::max(1, int(std::floor(lobeBins - 1e-9)));
    const int stride = std::max(1, reach / 24);  // enough points for the shape
    std::vector<int> at;
    std::vector<double> magnitude;
    for (int k = best - reach / stride * stride; k <= best + reach; k += stride) {
        if (k >= 1 && k < nyquist) {
            at.push_back(k);
            magnitude.push_back(std::sqrt(p[size_t(k)]));
        }
    }
    // For a place `nu` (in bins), the amplitude that fits best is
    // sum(m K) / sum(K^2), and the fit is better the larger (sum m K)^2 / sum K^2.
    auto fit = [&](double nu, double *amplitude) {
        double mk = 0, kk = 0;
        for (size_t i = 0; i < at.size(); ++i) {
            const double k = kernel(c, frames_, (at[i] - nu) / binsPerWindowBin);
            mk += magnitude[i] * k;
            kk += k * k;
        }
        if (amplitude)
            *amplitude = kk > 0 ? mk / kk * coherentSum_ : 0;
        return kk > 0 ? mk * mk / kk : 0;
    };
    // The strongest bin lies within one window bin of the tone for every
    // window here: a coarse look over that span, then a golden-section
    // search around the best point of it.
    const double span = std::max(1.0, binsPerWindowBin);
    constexpr int kSteps = 16;
    double centre = best, bestFit = -1;
    for (int i = -kSteps; i <= kSteps; ++i) {
        const double nu = best + span * i / kSteps;
        const double f = fit(nu, nullptr);
        if (f > bestFit) {
            bestFit = f;
            centre = nu;
        }
    }
    const double g = (std::sqrt(5.0) - 1) / 2;
    double lo = centre - span / kSteps, hi = centre + span / kSteps;
    double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
    double f1 = fit(x1, nullptr), f2 = fit(x2, nullptr);
    for (int i = 0; i < 50 && hi - lo > 1e-5; ++i) {
        if (f1 < f2) {
            lo = x1;
            x1 = x2;
            f1 = f2;
            x2 = lo + g * (hi - lo);
            f2 = fit(x2, nullptr);
        } else {
            hi = x2;
            x2 = x1;
            f2 = f1;
            x1 = hi - g * (hi - lo);
            f1 = fit(x1, nullptr);
        }
    }
    r.bin = std::clamp((lo + hi) / 2, 0.0, double(nyquist));
    r.frequency = r.bin * BinWidth();
    fit(r.bin, &r.amplitude);
    return r;
}

Distortion Analyzer::DistortionOf(int channel) const
{
    Distortion r;
    const Peak fundamental = StrongestPeak(channel);
    if (!fundamental.found || fundamental.amplitude <= 0)
        return r;
    const std::vector<double> &p = average_[size_t(channel)];
    const Coefficients &c = coefficientsOf(window_);
    const int lobe = int(std::ceil(c.lobe * size_ / frames_));
    const int bins = Bins();
    // A tone's power is spread over its main lobe; summed there, it is the
    // tone's whole power times the window's noise bandwidth.
    const double enbw = size_ * powerSum_ / (coherentSum_ * coherentSum_);
    auto lobeSum = [&](double at) {
        const int centre = int(std::lround(at));
        double s = 0;
        for (int k = std::max(centre - lobe, 0); k <= std::min(centre + lobe, bins - 1); ++k)
            s += p[size_t(k)];
        return s;
    };
    std::vector<char> excluded(size_t(bins), 0);
    for (int k = 0; k <= std::min(lobe, bins - 1); ++k)
        excluded[size_t(k)] = 1;  // 0 Hz and what leaks from it
    // The fundamental is notched out wider than its main lobe: a Hann
    // window's sidelobes alone would otherwise read as noise 34 dB down.
    // Twenty bins either side leave its leakage below -80 dB.
    const int notch = int(std::ceil(std::max(c.lobe, 20.0) * size_ / frames_));
    const int centre = int(std::lround(fundamental.bin));
    for (int k = std::max(centre - notch, 0); k <= std::min(centre + notch, bins - 1); ++k)
        excluded[size_t(k)] = 1;

    double harmonics = 0;
    for (int h = 2; h <= 10; ++h) {
        const double at = fundamental.bin * h;
        if (at + lobe > bins - 1)
            break;
        harmonics += lobeSum(at) / enbw;
        ++r.harmonics;
    }
    // The noise under the notch is taken to be like the noise around it.
    double rest = 0;
    int counted = 0, notched = 0;
    for (int k = lobe + 1; k < bins; ++k) {
        if (excluded[size_t(k)]) {
            ++notched;
        } else {
            rest += p[size_t(k)];
            ++counted;
        }
    }
    if (counted > 0)
        rest *= double(counted + notched) / counted;
    rest /= enbw;
    r.valid = true;
    r.thd = std::sqrt(harmonics) / fundamental.amplitude;
    r.thdPlusNoise = std::sqrt(rest) / fundamental.amplitude;
    return r;
}

double Analyzer::FloorForDensity(double density) const
{
    if (frames_ < 2 || size_ <= 0)
        return 0;
    // Mean square in one bin's noise bandwidth, as a sine's amplitude squared.
    const double enbw = size_ * powerSum_ / (coherentSum_ * coherentSum_);
    return 2.0 * density * enbw * BinWidth();
}

double ToDbfs(double amplitude)
{
    return 20.0 * std::log10(std::max(amplitude, 1e-15));
}

double ToDbv(double amplitude, double voltsPerFullScale)
{
    return 20.0 * std::log10(std::max(amplitude * voltsPerFullScale / std::sqrt(2.0), 1e-15));
}

}  // namespace Spectrum
