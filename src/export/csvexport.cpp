// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/csvexport.h"

#include "export/atomicfile.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <sndfile.h>
#include <vector>

namespace CsvExport {

namespace {
// A block's text is made between two looks at the window's events (the
// progress): a few milliseconds' worth.
constexpr int kBlockFrames = 8192;

// Seconds with 9 decimals (nanoseconds: finer than any sample interval);
// volts with 7 significant digits, enough to give every 16-bit sample back.
char *putSeconds(char *p, char *end, double seconds)
{
    return std::to_chars(p, end, seconds, std::chars_format::fixed, 9).ptr;
}
char *putVolts(char *p, char *end, double volts)
{
    return std::to_chars(p, end, volts, std::chars_format::general, 7).ptr;
}
}  // namespace

Span ScreenSpan(double startSeconds, int32_t rate, int sweep)
{
    Span span;
    // (A time worked out from a whole frame may land a hair beside it.)
    span.firstFrame = std::max<int64_t>(0, int64_t(std::ceil(startSeconds * rate - 1e-6)));
    span.frameCount = std::llround(double(rate) / std::max(1, sweep));
    return span;
}

Span SpanBetween(double t1, double t2, int32_t rate)
{
    Span span;
    const double a = std::min(t1, t2), b = std::max(t1, t2);
    span.firstFrame = std::max<int64_t>(0, std::llround(a * rate));
    span.frameCount = std::max<int64_t>(0, std::llround(b * rate) - span.firstFrame + 1);
    return span;
}

double DrawnAt(const Drawn &d, double seconds)
{
    const size_t n = d.values.size();
    if (n < 2 || !(d.stepSeconds > 0))
        return NAN;
    const double last = double(n - 1);
    // (A row's time and the screen's edge, each worked out from frames,
    // may land a hair beside one another.)
    constexpr double slack = 1e-6;
    const double at = (seconds - d.startSeconds) / d.stepSeconds;
    if (!(at >= -slack && at <= last + slack))
        return NAN;
    const double within = std::clamp(at, 0.0, last);
    const size_t k = std::min(size_t(within), n - 2);
    const double frac = within - double(k);
    return double(d.values[k]) + (double(d.values[k + 1]) - double(d.values[k])) * frac;
}

QByteArray Header(int channels)
{
    QByteArray h = QByteArrayLiteral("время_с");
    for (int c = 1; c <= channels; ++c)
        h += QByteArrayLiteral(",канал") + QByteArray::number(c) + QByteArrayLiteral("_В");
    return h;
}

Result Write(const QString &wavPath, const QString &csvPath, Span span, const double voltsPerUnit[2],
             const Progress &progress, QString *error, const Column *extra, const std::vector<Drawn> &drawn)
{
    SF_INFO info{};
    SNDFILE *in = sf_open(QFile::encodeName(wavPath).constData(), SFM_READ, &info);
    if (!in) {
        *error = QCoreApplication::translate("Export", "Не удалось прочитать файл осциллограммы.");
        return Result::Failed;
    }
    struct Closer {
        SNDFILE *f;
        ~Closer() { sf_close(f); }
    } closer{in};
    const int channels = info.channels;
    if (channels < 1 || channels > 2 || info.samplerate <= 0) {
        *error = QCoreApplication::translate("Export", "Файл осциллограммы не одно- и не двухканальный.");
        return Result::Failed;
    }
    const int64_t first = std::clamp<int64_t>(span.firstFrame, 0, info.frames);
    const int64_t total = span.frameCount < 0 ? info.frames - first : std::min(span.frameCount, info.frames - first);
    const Column *column = extra && extra->fill && channels >= extra->needsChannels ? extra : nullptr;
    auto readFailed = [&] {
        *error = QCoreApplication::translate("Export", "Не удалось прочитать файл осциллограммы.");
        return Result::Failed;
    };
    // The column's lead, read and fed before the span.
    std::vector<short> samples(size_t(kBlockFrames + 1) * size_t(channels));
    std::vector<float> values(column ? size_t(kBlockFrames) : 0);
    if (column && column->lead > 0 && first > 0) {
        int64_t at = std::max<int64_t>(0, first - column->lead);
        if (sf_seek(in, at, SEEK_SET) < 0)
            return readFailed();
        while (at < first) {
            const sf_count_t want = sf_count_t(std::min<int64_t>(kBlockFrames, first - at));
            if (sf_readf_short(in, samples.data(), want) != want)
                return readFailed();
            column->fill(samples.data(), want, false, channels, values.data());
            at += want;
        }
    }
    if (sf_seek(in, first, SEEK_SET) < 0)
        return readFailed();

    AtomicFile::Writer out(csvPath);
    QByteArray header = Header(channels);
    if (column)
        header += ',' + column->header;
    for (const Drawn &d : drawn)
        header += ',' + d.header;
    if (!out.Open(error) || !out.Write(header + '\n', error))
        return Result::Failed;

    // A line: the time, the channels, the column and each drawn trace.
    std::vector<char> text(size_t(kBlockFrames) * (96 + 16 * drawn.size()));
    const double rate = info.samplerate;
    int64_t done = 0;
    if (progress && !progress(0, total)) {
        out.Cancel();
        return Result::Cancelled;
    }
    while (done < total) {
        const sf_count_t want = sf_count_t(std::min<int64_t>(kBlockFrames, total - done));
        // With a column, one frame more when the span goes on: it looks ahead.
        const bool ahead = column && done + want < total;
        sf_count_t got = sf_readf_short(in, samples.data(), want + (ahead ? 1 : 0));
        if (got <= 0)
            break;  // the file is shorter than its header says: export what is there
        const bool next = ahead && got > want;
        if (next) {
            got = want;
            if (sf_seek(in, -1, SEEK_CUR) < 0)
                return readFailed();
        }
        if (column)
            column->fill(samples.data(), got, next, channels, values.data());
        char *p = text.data();
        char *const end = text.data() + text.size();
        for (sf_count_t f = 0; f < got; ++f) {
            const double seconds = double(first + done + f) / rate;
            p = putSeconds(p, end, seconds);
            for (int c = 0; c < channels; ++c) {
                *p++ = ',';
                p = putVolts(p, end, samples[size_t(f) * size_t(channels) + size_t(c)] * voltsPerUnit[c]);
            }
            if (column) {
                *p++ = ',';
                p = putVolts(p, end, values[size_t(f)]);
            }
            for (const Drawn &d : drawn) {
                *p++ = ',';
                if (const double v = DrawnAt(d, seconds); !std::isnan(v))
                    p = putVolts(p, end, v);
            }
            *p++ = '\n';
        }
        if (!out.Write(text.data(), p - text.data(), error))
            return Result::Failed;
        done += got;
        if (progress && !progress(done, total)) {
            out.Cancel();
            return Result::Cancelled;
        }
    }
    if (!out.Commit(error))
        return Result::Failed;
    return Result::Done;
}

}  // namespace CsvExport
