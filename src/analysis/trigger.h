// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Trigger search on plain sample arrays: where a signal crosses a level in
// the chosen direction, with hysteresis, to a fraction of a sample.
//
// Hysteresis: a crossing counts only when the signal has been at least
// `hysteresis` on the far side of the level since the last crossing that
// counted (below level − h for a rising slope). Noise riding on a slow
// edge then gives one trigger, not a burst.
//
// Positions are sample indexes with a fraction: 12.25 lies a quarter of the
// way from sample 12 to sample 13.
#include <QByteArray>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace Trigger {

enum class Mode { Off, Auto, Normal, Single };
enum class Slope { Rising, Falling };
// Where the trigger point sits on the screen: left edge, one division in,
// centre. The samples before it are shown.
enum class Place { LeftEdge, OneDivision, Centre };

struct Condition {
    double level = 0;       // raw sample units
    double hysteresis = 0;  // raw sample units, not negative
    Slope slope = Slope::Rising;
};

// One channel of interleaved 16-bit little-endian frames (channel 0 or 1).
std::vector<int16_t> Decode(const QByteArray &block, int channels, int channel);

// The first crossing meeting the condition that lies after `after` (the
// signal must arm after `after` too), or none before the end.
std::optional<double> FindNext(std::span<const int16_t> x, const Condition &c, double after);
// The last crossing meeting the condition that lies before `before`.
std::optional<double> FindPrevious(std::span<const int16_t> x, const Condition &c, double before);

// Calls f(position) for every crossing meeting the condition in x, in order.
// Returns how many there were.
template <class F>
size_t ForEachCrossing(std::span<const int16_t> x, const Condition &c, F &&f);

// Frames shown before the trigger point on a screen whose drawn points
// span `screenFrames` frames from the first to the last: the point lies on
// the graticule's line (the first division, the centre), wherever the
// screen's rounding puts that line.
double FramesBefore(Place place, double screenFrames);

// How many of the newest frames a live picture at display rate searches
// for its trigger. A screen needs `framesBefore` frames before its trigger
// and `screenFrames` + `spareFrames` after it; the trigger itself may lie
// anywhere in a stretch long enough for two screens, for two periods of
// the slowest signal a sound card passes (kSlowestHz), and for all that
// came in since the last search (`framesSince`), so a steady signal has
// an event there in every frame and no event goes unseen between frames.
constexpr int kSlowestHz = 20;
int64_t LiveSearchFrames(int32_t screenFrames, double framesBefore, int32_t spareFrames, int32_t sampleRate,
                         int64_t framesSince);

// Where a screen of `screenFrames` frames (plus `spareFrames` more that
// must also have been recorded) starts in `x` so that a trigger lies
// `framesBefore` frames into it; the earliest such screen. Empty when no
// trigger fits.
std::optional<double> PlaceScreen(std::span<const int16_t> x, const Condition &c, double framesBefore,
                                  int32_t screenFrames, int32_t spareFrames);

// Holdoff: after an event, crossings that lie less than `frames` after it
// are not events, and the next one must arm again. 0 takes every crossing,
// as the trigger always did. Live, in paging and in the event index alike.
class Holdoff {
public:
    explicit Holdoff(double frames = 0) : frames_(frames > 0 ? frames : 0) {}
    // Whether the crossing at `position` is an event; if so it starts the
    // next holdoff. Positions come in order.
    bool Take(double position)
    {
        if (position - last_ < frames_)
            return false;
        last_ = position;
        return true;
    }
    double Frames() const { return frames_; }
    double Last() const { return last_; }
    void Forget() { last_ = -std::numeric_limits<double>::infinity(); }

private:
    double frames_;
    double last_ = -std::numeric_limits<double>::infinity();
};

// The events of a live stream, each examined once, however the stream is
// cut into the stretches searched. A stretch is searched as soon as it is
// had; an event whose screen does not fit in it yet (too near its end) is
// left for the next stretch, which overlaps this one, instead of being
// lost between the two. Positions are frames of the stream.
class StreamEvents {
public:
    explicit StreamEvents(double holdoffFrames = 0) : holdoff_(holdoffFrames) {}
    // The events among x (one channel, starting at stream frame `xStart`)
    // not examined before whose screen, as PlaceScreen places it, now lies
    // wholly in x; the holdoff counts across stretches. In order.
    std::vector<double> Examine(std::span<const int16_t> x, int64_t xStart, const Condition &c, double framesBefore,
                                int32_t screenFrames, int32_t spareFrames);
    // The stream frame up to which events have been examined.
    double Examined() const { return examined_; }
    const Holdoff &Hold() const { return holdoff_; }

private:
    Holdoff holdoff_;
    double examined_ = -std::numeric_limits<double>::infinity();
};

// The latest such screen: the last trigger whose screen, with its
// `framesBefore` frames before the trigger and the spare frames after it,
// lies wholly in x. The live picture at display rate searches the newest
// samples this way, so it shows the newest event and not the first one.
std::optional<double> PlaceLatestScreen(std::span<const int16_t> x, const Condition &c, double framesBefore,
                                        int32_t screenFrames, int32_t spareFrames);

// How a screen that should start `start` frames in is read: from a whole
// frame, and shifted left by `shiftFrames` after it is built. A screen
// that draws every frame (upsampled or one point a frame) reads from the
// frame below and shifts by the fraction (it needs one frame more read),
// so its trigger stands still to a fraction of a point; a decimated one,
// whose points are minima and maxima of many frames, takes the nearest.
struct ScreenStart {
    int64_t frame = 0;
    double shiftFrames = 0;
    bool shifted = false;  // read one frame more and shift by shiftFrames
};
ScreenStart SplitStart(double start, bool everyFrameDrawn);

// Where a stopped view goes to show a screen starting `start` frames after
// the first sample read (`frameBytes` a frame), when reads start on
// `alignBytes` boundaries: the aligned byte offset at or below it, and the
// frames left to shift the drawn screen by (less than alignBytes / frameBytes).
// Without `everyFrameDrawn` the nearest aligned offset and no shift.
struct AlignedStart {
    int64_t offsetBytes = 0;
    double shiftFrames = 0;
};
AlignedStart AlignStart(double start, int frameBytes, int alignBytes, bool everyFrameDrawn);

// Shifts a display buffer left by `by` slots (not negative, may be
// fractional), interpolating linearly between neighbouring slots; slots
// left without a source keep the last value.
void ShiftLeft(std::vector<int32_t> &buf, double by);

// The crossing position between samples i - 1 and i (x[i-1] on the near
// side of the level, x[i] on or beyond it): linear between the two, then
// refined on the cubic through the four samples around them.
double CrossingBetween(std::span<const int16_t> x, size_t i, double level);
// The same as a fraction of the way from sample i - 1 to i. It depends only
// on the four samples around the crossing, so a stream read in blocks finds
// the very positions the whole array gives.
double CrossingFraction(std::span<const int16_t> x, size_t i, double level);

// The hysteresis rule of a condition on whole samples, carried from one
// block of a stream to the next: which samples are crossings that count.
// Every search here and the event index of a long recording go through it.
// A falling slope is the rising one of the negated signal; the level and
// the arming point become whole bounds, so a sample is compared with two
// integers and the search loops stay tight.
class Arming {
public:
    explicit Arming(const Condition &c);

    // The index of the first crossing that counts among the n samples
    // x[0], x[stride], …, x[(n − 1)·stride], or n when there is none; the
    // rule stands where the search stopped (just after the crossing).
    size_t Next(const int16_t *x, size_t n, size_t stride);
    bool Armed() const { return armed_; }

    // The two conditions on x itself: x below `edge` (or above it), or,
    // for a bound beyond 16 bits, never or always.
    struct Test {
        enum Kind : uint8_t { Compare, Never, Always } kind = Compare;
        bool below = true;
        int16_t edge = 0;
        void Set(bool isBelow, int bound);
        bool Holds(int16_t v) const
        {
            return kind == Always || (kind == Compare && (below ? v < edge : v > edge));
        }
    };

private:
    template <size_t Stride>
    size_t next(const int16_t *x, size_t n, size_t stride);

    Test arms_, crosses_;
    bool armed_ = false;
};

// --- implementation of the templates ---
namespace detail {
// Scans x from sample `first` (arming counts only from there) and calls
// f(position); f returns true to stop the scan.
template <class F>
void Scan(std::span<const int16_t> x, const Condition &c, size_t first, F &&f)
{
    Arming arming(c);
    for (size_t i = first; i < x.size(); ++i) {
        i += arming.Next(x.data() + i, x.size() - i, 1);
        if (i >= x.size())
            return;
        if (f(CrossingBetween(x, i, c.level)))
            return;
    }
}
}  // namespace detail

template <class F>
size_t ForEachCrossing(std::span<const int16_t> x, const Condition &c, F &&f)
{
    size_t n = 0;
    detail::Scan(x, c, 0, [&](double p) {
        ++n;
        f(p);
        return false;
    });
    return n;
}

}  // namespace Trigger
