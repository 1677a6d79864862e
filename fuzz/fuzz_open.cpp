// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and drawing a WAV oscillogram from arbitrary bytes, without a
// window: the same functions the main window calls, in the same order. The
// program's error numbers (VbError) are answers, not findings; anything the
// sanitizers or libFuzzer see (crash, overflow, leak, hang) is.
#include "app/scopestate.h"
#include "display/paneltables.h"
#include "display/screen.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "files/wavlayout.h"
#include "files/wavopen.h"
#include "platform/errors.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

QString scratchFile()
{
    // One file per fuzzing process; /dev/shm keeps the disk out of it.
    const char *dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return QStringLiteral("%1/sigm-fuzz-%2.wav").arg(QLatin1String(dir)).arg(::getpid());
}

template <class Step>
bool step(Step &&s)
{
    try {
        s();
        return true;
    } catch (const VbError &) {
        return false;
    }
}

// One screen at a sweep, read from `start`, built and measured for drawing.
void drawScreen(ScopeState &st, int sweepIndex, int64_t start)
{
    const int w = Panel::kSweep[size_t(sweepIndex)].itemData;
    ScreenRead::ScreenSize size;
    Traces::Plan plan;
    ScreenRead::ReadPlan read;
    QByteArray block;
    if (!step([&] { size = ScreenRead::SizeFor(st.SampleRate, w, st.Channels); })
        || !step([&] { plan = Traces::PlanFor(size.wordCount, st.Channels, st.SampleRate, w); })
        || !step([&] { read = ScreenRead::PlanRead(st, start, size.wordCount); })
        || !step([&] { block = ScreenRead::ReadBlock(st.FlName, read.position, read.length); })
        || !step([&] { Traces::Build(plan, block, st.Channels, st); }))
        return;
    step([&] {
        Traces::RemoveMean(st.LeftBuffer, st.PointCount);
        if (st.Channels == 2)
            Traces::RemoveMean(st.RightBuffer, st.PointCount);
    });
    step([&] { Screen::VerticalLines(st.PointCount, w, st.SampleRate); });
    step([&] { Screen::TimesFor(read.position, st.DataStart, st.SampleRate, st.Channels, w); });
    for (int32_t i = 0; i <= st.PointCount && size_t(i) < st.LeftBuffer.size(); ++i)
        if (!step([&] { Screen::Ordinate(st.LeftBuffer[size_t(i)], 5000, 32767); }))
            break;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = scratchFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    // What the window's OpenWorkingFile does, in its order.
    WavLayout::Layout layout;
    if (WavLayout::InspectFile(path, &layout) != WavLayout::Verdict::Ok)
        return 0;
    ScopeState st;
    st.FlName = path;
    st.FileLength = layout.fileSize;
    st.DataStart = WavOpen::FindDataStart(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(std::min<size_t>(size, 100))), -1);
    const int64_t walked = layout.dataOffset + 1;
    if (st.DataStart < 1)
        st.DataStart = int32_t(walked);
    st.SampleEnd = st.DataStart == walked ? layout.dataOffset + layout.dataBytes : st.FileLength;
    WavOpen::ScrollRange range;
    if (!step([&] { range = WavOpen::ScrollRangeFor(st.FileLength); }))
        return 0;
    st.ScrollUnit = range.scrollUnit;
    st.ViewStart = st.DataStart;
    st.Channels = layout.channels == 2 ? 2 : 1;
    st.TwoBeam = st.Channels == 2;
    st.SampleRate = layout.sampleRate;

    // The first screen at three sweeps (decimated, direct, upsampled), then
    // the last screen of the file at the slowest.
    for (int sweep : {0, 6, 10})
        drawScreen(st, sweep, st.DataStart);
    drawScreen(st, 0, st.FileLength);
    return 0;
}
