// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/eventlist.h"

#include "export/atomicfile.h"
#include "platform/fileops.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace EventList {
namespace {

// Numbers for scripts: a dot whatever the locale, `digits` significant.
char *put(char *at, double v, int digits)
{
    return std::to_chars(at, at + 48, v, std::chars_format::general, digits).ptr;
}

// Seconds to the nanosecond from whole nanoseconds, as the command writes them.
char *putSeconds(char *at, double seconds)
{
    const int64_t ns = std::llround(seconds * 1e9);
    const int64_t whole = ns / 1000000000, part = std::abs(ns % 1000000000);
    if (ns < 0 && whole == 0)
        *at++ = '-';
    at = std::to_chars(at, at + 24, whole).ptr;
    *at++ = '.';
    for (int64_t scale = 100000000; scale > 0; scale /= 10)
        *at++ = char('0' + part / scale % 10);
    return at;
}

}  // namespace

Row RowOf(const Events::Event &e)
{
    Row r;
    r.position = e.position;
    r.interval = float(e.interval);
    r.minimum = int16_t(e.minimum);
    r.maximum = int16_t(e.maximum);
    r.mean = float(e.mean);
    r.rms = float(e.rms);
    return r;
}

bool ReadFrames(const Source &s, const Progress &progress, const Take &take, QString *error)
{
    error->clear();
    const int fd = ::open(QFile::encodeName(s.path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = FileOps::ErrnoText(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    const int frameBytes = 2 * std::max(1, s.channels);
    ::posix_fadvise(fd, off_t(s.dataOffset), off_t(s.frames * frameBytes), POSIX_FADV_SEQUENTIAL);
    // Blocks small enough to be still in the processor's cache when they
    // are gone over after the read: 128 KiB in stereo measured a little
    // better than the overview's 256 KiB (bench_events), 64 KiB worse.
    const int64_t blockFrames = 32768;
    std::vector<int16_t> block(size_t(blockFrames) * size_t(std::max(1, s.channels)));
    for (int64_t done = 0; done < s.frames;) {
        const int64_t want = std::min(blockFrames, s.frames - done);
        errno = 0;
        if (!FileOps::ReadAt(fd, reinterpret_cast<char *>(block.data()), want * frameBytes,
                             s.dataOffset + done * frameBytes)) {
            *error = errno ? FileOps::ErrnoText(errno) : QCoreApplication::translate("Files", "файл стал короче");
            return false;
        }
        done += want;
        if (!take(block.data(), size_t(want)))
            return true;
        if (progress && !progress(done, s.frames))
            return false;
    }
    return true;
}

bool Scan(const Source &s, const Trigger::Condition &c, double holdoffFrames, const Progress &progress,
          const Found &found, bool *full, QString *error)
{
    *full = false;
    Events::Index index(c, holdoffFrames);
    std::vector<Events::Event> events;
    std::vector<Row> rows;
    size_t given = 0;
    auto hand = [&] {
        index.Take(&events);
        rows.clear();
        for (const Events::Event &e : events) {
            if (given == kMostRows) {
                *full = true;
                break;
            }
            rows.push_back(RowOf(e));
            ++given;
        }
        if (!rows.empty())
            found(rows);
        return !*full;
    };
    const bool read = ReadFrames(
        s, progress,
        [&](const int16_t *x, size_t frames) {
            index.Add(x, frames, s.channels, s.channel);
            return hand();
        },
        error);
    if (!read || *full)
        return read;
    index.Finish();
    hand();
    return true;
}

bool TrendScan(const Source &s, Trend::Quantity q, int sampleRate, const Progress &progress,
               const std::function<void(const std::vector<double> &)> &found, QString *error)
{
    Trend::Builder trend(q, sampleRate, s.channels, s.channel);
    std::vector<double> values;
    const bool read = ReadFrames(
        s, progress,
        [&](const int16_t *x, size_t frames) {
            trend.Add(x, frames);
            trend.Take(&values);
            if (!values.empty())
                found(values);
            return true;
        },
        error);
    if (!read)
        return false;
    trend.Finish();
    trend.Take(&values);
    if (!values.empty())
        found(values);
    return true;
}

bool WriteTrendCsv(const QString &path, const std::vector<double> &values, const char *column, double scale,
                   QString *error)
{
    AtomicFile::Writer w(path);
    if (!w.Open(error))
        return false;
    QByteArray out("time_s,");
    out += column;
    out += '\n';
    for (size_t i = 0; i < values.size(); ++i) {
        char line[96];
        char *at = std::to_chars(line, line + 24, int64_t(i)).ptr;
        *at++ = ',';
        if (std::isfinite(values[i]))
            at = put(at, values[i] * scale, 9);
        *at++ = '\n';
        out.append(line, at - line);
    }
    return w.Write(out, error) && w.Commit(error);
}

bool WriteCsv(const QString &path, const std::vector<Row> &rows, double rate, double voltsPerUnit,
              double leadFrames, QString *error)
{
    AtomicFile::Writer w(path);
    if (!w.Open(error))
        return false;
    QByteArray out("event,time_s,interval_s,frequency_Hz,peak_to_peak_V,maximum_V,minimum_V,mean_V,rms_V\n");
    const double v = voltsPerUnit;
    int64_t number = 0;
    for (const Row &r : rows) {
        char line[512];
        char *at = std::to_chars(line, line + 24, ++number).ptr;
        *at++ = ',';
        at = putSeconds(at, (r.position + leadFrames) / rate);
        *at++ = ',';
        if (std::isfinite(r.interval)) {
            const double interval = double(r.interval) / rate;
            at = put(at, interval, 9);
            *at++ = ',';
            at = put(at, 1.0 / interval, 9);
        } else {
            *at++ = ',';
        }
        for (double x : {double(r.maximum - r.minimum) * v, r.maximum * v, r.minimum * v, r.mean * v, r.rms * v}) {
            *at++ = ',';
            at = put(at, x, 7);
        }
        *at++ = '\n';
        out.append(line, at - line);
        if (out.size() > (1 << 20)) {
            if (!w.Write(out, error))
                return false;
            out.clear();
        }
    }
    return w.Write(out, error) && w.Commit(error);
}

ptrdiff_t After(const std::vector<Row> &rows, double after)
{
    const auto it =
        std::upper_bound(rows.begin(), rows.end(), after, [](double a, const Row &r) { return a < r.position; });
    return it == rows.end() ? -1 : it - rows.begin();
}

ptrdiff_t Before(const std::vector<Row> &rows, double before)
{
    const auto it =
        std::lower_bound(rows.begin(), rows.end(), before, [](const Row &r, double b) { return r.position < b; });
    return it == rows.begin() ? -1 : (it - rows.begin()) - 1;
}

}  // namespace EventList
