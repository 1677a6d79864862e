// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/screenread.h"

#include "platform/errors.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ScreenRead {
namespace {
int g_reads = 0;
}

ScreenSize SizeFor(int32_t sampleRate, int screensPerSecond, int channels)
{
    if (screensPerSecond == 0)
        RaiseError(Err::DivisionByZero);
    ScreenSize s;
    s.framesPerScreen = vb::CLng(double(sampleRate) / screensPerSecond);
    s.wordCount = vb::Add32(vb::Mul32(channels, s.framesPerScreen), 4);
    return s;
}

int64_t EndOfSamples(const ScopeState &st)
{
    return st.SampleEnd > 0 ? std::min(st.SampleEnd, st.FileLength) : st.FileLength;
}

Position PositionView(ScopeState &st, int32_t wordCount, int screensPerSecond, int sweepIndex, VbScrollBar &bar)
{
    if (st.SuppressScroll) {
        st.SuppressScroll = false;
        return {Outcome::Swallowed, 0};
    }

    int64_t start;
    if (bar.Value() == st.LastScrollValue && !st.ForceReposition) {
        start = st.ViewStart;
        if (sweepIndex == st.LastSweepIndex)
            return {Outcome::RepaintOnly, st.ViewStart};
    } else {
        st.ForceReposition = false;
        const int moved = bar.Value() - st.LastScrollValue;
        if (moved == 1) {
            start = vb::CPos(double(st.ViewStart) + double(wordCount) / 5);
        } else if (moved == -1) {
            start = vb::CPos(double(st.ViewStart) - double(wordCount) / 5);
            if (screensPerSecond == 2000 && st.SampleRate < 20000)
                start -= 2;
        } else if (moved == 10) {
            start = vb::Add64(st.ViewStart, 2 * int64_t(wordCount));
        } else if (moved == -10) {
            start = vb::Sub64(st.ViewStart, 2 * int64_t(wordCount));
        } else if (bar.Value() <= 1) {
            // The bar's first step is the file's first screen, however many
            // bytes a step stands for.
            start = st.DataStart;
        } else {
            start = vb::Mul64(st.ScrollUnit, bar.Value());
        }
    }

    const int64_t end = EndOfSamples(st);
    if (start > end)
        start = end;
    if (start < st.DataStart)
        start = st.DataStart;
    st.LastScrollValue = vb::Check16(bar.Value());

    if (st.ScrollUnit == 0)
        RaiseError(Err::DivisionByZero);
    const double steps = double(start) / st.ScrollUnit;
    const int value = (steps >= 1 && start != st.DataStart) ? int(std::min<int64_t>(vb::CPos(steps), INT32_MAX)) : 1;
    if (bar.Value() != value) {
        const int before = bar.Value();
        st.SuppressScroll = true;
        bar.SetValue(value);
        // A value the bar cannot take raises no change event to swallow.
        if (bar.Value() == before)
            st.SuppressScroll = false;
    }
    st.LastScrollValue = vb::Check16(bar.Value());
    st.ViewStart = start;
    return {Outcome::Read, start};
}

ReadPlan PlanRead(const ScopeState &st, int64_t start, int32_t wordCount)
{
    ReadPlan plan;
    plan.length = vb::Mul32(2, wordCount);
    const int64_t end = EndOfSamples(st);
    if (vb::Add64(start, plan.length) > end)
        plan.length = int32_t(std::clamp<int64_t>(end - start, 0, plan.length));
    if (start >= st.DataStart) {
        const int64_t offset = start - st.DataStart;
        plan.position = st.DataStart + (offset + 3) / 4 * 4;
    } else {
        plan.position = st.DataStart;
    }
    return plan;
}

QByteArray ReadBlock(const QString &path, int64_t position, int32_t length)
{
    if (position < 1)
        RaiseError(Err::BadRecordNumber);
    // Straight to the system: every page of a file reads one screen here,
    // and QFile's engine, path handling and read-ahead buffer cost more
    // than the read itself.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (!QFile::exists(path))
            RaiseError(Err::FileNotFound);
        RaiseError(ErrorNumberFromErrno(e));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        RaiseError(ErrorNumberFromErrno(errno));
    if (S_ISDIR(info.st_mode))
        RaiseError(Err::FileNotFound);  // not a file to read, as QFile has it
    ++g_reads;
    // Never ask for more than the file holds: the request sizes the buffer.
    const qint64 available = std::max<qint64>(0, qint64(info.st_size) - (position - 1));
    const qint64 wanted = std::min<qint64>(std::max(0, length), available);
    if (wanted == 0)
        return QByteArray();
    QByteArray block(qsizetype(wanted), Qt::Uninitialized);
    qint64 got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(fd, block.data() + got, size_t(wanted - got), off_t(position - 1 + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            RaiseError(ErrorNumberFromErrno(errno));
        if (n == 0)
            break;  // the file was cut short meanwhile
        got += n;
    }
    block.truncate(qsizetype(got));
    return block;
}

int ReadCount()
{
    return g_reads;
}

}  // namespace ScreenRead
