// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stepped-sine frequency response, as a machine that is handed what the
// inputs captured and says which frequency to play next. It knows nothing
// of the sound server or of windows: the caller plays Frequency() on both
// outputs, feeds every captured block to Feed(), and when Feed() says the
// step moved on, plays the new Frequency(). Each step throws away what came
// in during the settle time (the loop's latency, the circuit's transient),
// then measures gain and phase of input 1 against input 2 over a whole
// number of the tone's periods (ToneResponse::Measure).
#include "analysis/toneresponse.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ResponseSweep {
public:
    struct Settings {
        double from = 20, to = 20000;  // Hz
        int perOctave = 12;
        double levelDbfs = -6;       // what the generator plays at
        double settleSeconds = 0.15; // thrown away after each change of frequency
        double rate = 48000;
        // Each step is measured over at least this long and this many periods.
        double measureSeconds = 0.1;
        int measurePeriods = 10;
    };

    explicit ResponseSweep(const Settings &s);

    const Settings &Config() const { return s_; }
    // Every frequency the sweep will visit, in order.
    const std::vector<double> &Frequencies() const { return steps_; }
    // The frequency to play now; 0 once the sweep is over.
    double Frequency() const;
    size_t StepIndex() const { return step_; }
    size_t StepCount() const { return steps_.size(); }
    bool Done() const { return cancelled_ || step_ >= steps_.size(); }
    bool Cancelled() const { return cancelled_; }
    void Cancel() { cancelled_ = true; }

    // Interleaved stereo frames as captured (channel 1 the circuit's output,
    // channel 2 the reference). True when this block finished a step: a new
    // point is in Points() and Frequency() changed (or the sweep is done).
    // The rest of such a block was captured while the old tone still
    // played, so it is dropped.
    bool Feed(const int16_t *frames, size_t count);

    const std::vector<ToneResponse::Point> &Points() const { return points_; }
    // Any point so far whose reference clipped, or was too quiet to trust;
    // and any that stayed unsteady through every try (see kTries).
    bool AnyClipped() const { return anyClipped_; }
    bool AnySilent() const { return anySilent_; }
    bool AnyUnsteady() const { return anyUnsteady_; }
    // A step whose two halves disagree (a dropout of the stream, a click,
    // a circuit still settling) is measured again, this many times in all.
    static constexpr int kTries = 3;

    // Frames one step takes at `hz`, settle and measurement together.
    size_t SettleFrames() const;
    size_t MeasureFrames(double hz) const;
    // Seconds of capture the whole sweep needs at the least.
    double SecondsNeeded() const;

private:
    Settings s_;
    std::vector<double> steps_;
    size_t step_ = 0;
    size_t settled_ = 0;  // frames of this step thrown away so far
    int tries_ = 0;       // of this step, measured and found unsteady
    std::vector<int16_t> taken_;
    std::vector<ToneResponse::Point> points_;
    bool cancelled_ = false, anyClipped_ = false, anySilent_ = false, anyUnsteady_ = false;
};
