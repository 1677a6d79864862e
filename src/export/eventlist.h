// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The list of every trigger event of a recording read from its file (the
// window's «Указатель запусков»): analysis/eventindex over the samples, in
// blocks, with progress and cancel, the events kept as compact rows (an
// hour of a kilohertz tone is millions of them), and the list written out
// as CSV all or nothing. The same index the command `sigmalit events` runs.
#include "analysis/eventindex.h"
#include "analysis/trend.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace EventList {

// One event, raw units; frames counted from the first frame read.
struct Row {
    double position = 0;
    float interval = NAN;  // frames to the next event; NaN for the last one
    int16_t minimum = 0, maximum = 0;
    float mean = 0, rms = 0;  // rms with the mean, as the readings strip's
};
Row RowOf(const Events::Event &e);

// A list past this many rows stops there (and says so): the rows of more
// would outgrow the memory a recording of any length is read in.
constexpr size_t kMostRows = 1'500'000;

struct Source {
    QString path;
    int64_t dataOffset = 0;  // 0-based byte of the first frame read
    int64_t frames = 0;
    int channels = 1;
    int channel = 0;  // the one indexed
};

// Reads the source and hands the rows found to `found` as they complete.
// `progress` is told the frames read and the total after each block and
// returns false to cancel. False, with *error, when the file could not be
// read (a cancel is not an error: *error stays empty). *full: stopped at
// kMostRows.
using Progress = std::function<bool(int64_t done, int64_t total)>;
using Found = std::function<void(const std::vector<Row> &rows)>;
bool Scan(const Source &s, const Trigger::Condition &c, double holdoffFrames, const Progress &progress,
          const Found &found, bool *full, QString *error);

// The source's frames a block at a time: `take` returns false to stop
// there (not an error). False, with *error, when the file could not be
// read, and on a cancel (*error empty then).
using Take = std::function<bool(const int16_t *samples, size_t frames)>;
bool ReadFrames(const Source &s, const Progress &progress, const Take &take, QString *error);

// One measurement a second of the source's channel (analysis/trend), the
// values handed to `found` as the seconds complete.
bool TrendScan(const Source &s, Trend::Quantity q, int sampleRate, const Progress &progress,
               const std::function<void(const std::vector<double> &)> &found, QString *error);
// The values as CSV: "time_s,<column>", a row a second (the second's
// start), the values times `scale` (volts a raw unit, or 1 for hertz); an
// empty field where a second has no value.
bool WriteTrendCsv(const QString &path, const std::vector<double> &values, const char *column, double scale,
                   QString *error);

// The rows as CSV, the columns of `sigmalit events --csv` (times in
// seconds from `rate`, counted from `leadFrames` before the rows' first
// frame; volts from `voltsPerUnit`), written all or nothing.
bool WriteCsv(const QString &path, const std::vector<Row> &rows, double rate, double voltsPerUnit,
              double leadFrames, QString *error);

// The first row after `after` (frames) and the last one before `before`;
// -1 when there is none. Rows are in order of position.
ptrdiff_t After(const std::vector<Row> &rows, double after);
ptrdiff_t Before(const std::vector<Row> &rows, double before);

}  // namespace EventList
