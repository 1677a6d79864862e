// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Samples of a WAV oscillogram as CSV: a header line, then one line per
// frame with the time in seconds and each channel in volts. Numbers always
// use a dot, whatever the locale, so spreadsheets and scripts read them
// alike. The file is streamed in blocks: memory stays flat however long the
// recording.
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace CsvExport {

struct Span {
    int64_t firstFrame = 0;
    int64_t frameCount = -1;  // < 0: to the end of the file
};

// The frames of a screen whose first point lies `startSeconds` into the
// file (frames at whole multiples of 1/rate; a point between two frames
// starts at the later) and that lasts 1/sweep seconds.
Span ScreenSpan(double startSeconds, int32_t rate, int sweep);
// The frames whose times lie between two cursor times, both included.
Span SpanBetween(double t1, double t2, int32_t rate);

// Told the frames written so far and the total; returns false to cancel.
using Progress = std::function<bool(int64_t done, int64_t total)>;

enum class Result { Done, Cancelled, Failed };

// A column worked out from the samples (the computed trace), written
// after the channels when the file has the channels it needs.
struct Column {
    QByteArray header;  // its name in the header line
    int needsChannels = 1;
    int64_t lead = 0;   // frames before the span it is fed first, not written
    // Called block after block with `frames` frames of interleaved 16-bit
    // samples and, when `next` is true, the frame after them (which comes
    // again at the head of the next block); one value a frame into `out`.
    std::function<void(const short *samples, int64_t frames, bool next, int channels, float *out)> fill;
};

// A trace kept as it was drawn (a reference trace): `values` a point every
// `stepSeconds`, the first at `startSeconds` of the file (the left edge of
// the screen it is shown over). Written after the computed column, at
// each row's time, and left empty where the row lies outside its points.
struct Drawn {
    QByteArray header;
    std::vector<float> values;
    double startSeconds = 0;
    double stepSeconds = 0;
};

// The drawn trace's value at `seconds` of the file: on the line between
// the two points around that time, as it was drawn (on the slow sweeps
// that line runs between each group's highest and lowest sample); NaN
// outside its points, or when it has fewer than two or no step.
double DrawnAt(const Drawn &d, double seconds);

// Writes `span` of `wavPath` to `csvPath` (replaced only when complete, and
// never when a folder, FIFO or device is there; a cancelled or failed export
// leaves no file). voltsPerUnit[c] turns a sample of channel c into volts.
// *error gets a text on failure.
Result Write(const QString &wavPath, const QString &csvPath, Span span, const double voltsPerUnit[2],
             const Progress &progress, QString *error, const Column *extra = nullptr,
             const std::vector<Drawn> &drawn = {});

// The header line (without the line end) for `channels` channels.
QByteArray Header(int channels);

}  // namespace CsvExport
