// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A reference trace: one trace of a screen as it was drawn, with the time
// and the volts (or M's unit) per division it was drawn at, kept as a
// small text file. Written all or nothing (AtomicFile); a file that does
// not read as one is refused with a reason, never half taken.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace ReferenceFile {

struct Reference {
    QString trace;  // what it was: "A", "B", "M = A × B"...
    QString unit;   // of the values: "В", "В²"...
    double perDivision = 0.1;       // unit per vertical division
    double position = 0;            // divisions up from the centre line
    double secondsPerDivision = 0;  // across
    double secondsPerPoint = 0;     // signal time between two points (0: not kept, files from before)
    double startSeconds = 0;        // signal time at its left edge
    QString source;                 // the file it was taken from, or the live signal
    QDateTime saved;
    // The points as drawn from the left edge to the right, in `unit`
    // (min/max pairs on the slow sweeps, as the screen drew them).
    std::vector<float> values;
};

// Signal time between two of its points: as kept, or for a file that
// does not say, the screen's ten divisions over its points.
inline double PointSeconds(const Reference &r)
{
    if (r.secondsPerPoint > 0)
        return r.secondsPerPoint;
    return r.values.size() > 1 ? 10 * r.secondsPerDivision / double(r.values.size() - 1) : 0;
}

// At most this many points (the slowest sweep at the highest rate draws
// fewer), so a damaged count cannot ask for gigabytes.
inline constexpr int kMostPoints = 200000;

QByteArray Encode(const Reference &r);
std::optional<Reference> Decode(const QByteArray &bytes, QString *why);

bool Save(const QString &path, const Reference &r, QString *error);
// Empty when there is no file (*why left empty) or it does not read (*why says why).
std::optional<Reference> Load(const QString &path, QString *why);

}  // namespace ReferenceFile
