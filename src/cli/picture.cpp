// SPDX-License-Identifier: GPL-3.0-or-later
// `sigmalit export --png/--svg`: one screen of a file, read, built and
// drawn by the window's own code on the window's own surface (a widget
// never shown, on the offscreen platform), then written as the window's
// export writes it.
#include "app/layout.h"
#include "cli/cli.h"
#include "cli/clicommon.h"
#include "display/paneltables.h"
#include "display/ris.h"
#include "display/screen.h"
#include "display/screenpicture.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "export/atomicfile.h"
#include "export/scene.h"
#include "files/wavopen.h"
#include "platform/errors.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

namespace Cli {

std::optional<int> SweepIndex(const QString &text)
{
    const std::optional<double> perDivision = ParseSeconds(text);
    for (size_t i = 0; i < Panel::kSweep.size(); ++i)
        if (perDivision && std::abs(*perDivision * 10 * Panel::kSweep[i].itemData - 1) < 1e-6)
            return int(i);
    return std::nullopt;
}

std::optional<int> SensitivityIndex(const QString &text)
{
    const std::optional<double> perDivision = ParseVolts(text);
    for (size_t i = 0; i < Panel::kSensitivityU1.size(); ++i) {
        const double entry = ParseVolts(QString::fromUtf8(Panel::kSensitivityU1[i].text)).value_or(0);
        if (perDivision && std::abs(*perDivision / entry - 1) < 1e-6)
            return int(i);
    }
    return std::nullopt;
}

int ExportPicture(const Command &c, const WavStream &wav, const QString &path, const PictureRequest &r)
{
    // main() gives this command a widget application on the offscreen
    // platform; without one there is nothing to draw with.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return fail(c.name, kExitUnavailable, QCoreApplication::translate("Cli", "рисунок не нарисовать без платформы Qt"));
    if (const QString refusal = AtomicFile::Refusal(r.target); !refusal.isEmpty())
        return fail(c.name, kExitIoErr, refusal);

    // The file as the window's open sees it (OpenWorkingFile): the samples
    // are read from the tag in the first 100 bytes where there is one.
    const WavLayout::Layout &layout = wav.Layout();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(c.name, kExitNoInput, QCoreApplication::translate("Cli", "не удалось открыть «%1»").arg(ShownName(path)));
    const QByteArray head = file.read(100);
    file.close();
    ScopeState st;
    st.FlName = path;
    st.FileLength = layout.fileSize;
    st.DataStart = WavOpen::FindDataStart(head, -1);
    const int64_t walked = layout.dataOffset + 1;
    if (st.DataStart < 1)
        st.DataStart = int32_t(walked);
    st.SampleEnd = st.DataStart == walked ? layout.dataOffset + layout.dataBytes : st.FileLength;
    st.SampleOrigin = walked <= st.DataStart ? walked : st.DataStart;
    st.Channels = uint8_t(wav.Channels());
    st.TwoBeam = wav.Channels() == 2;
    st.SampleRate = wav.SampleRate();

    // The drawing area of the window at its first-run size, on a screen of
    // 96 dots per inch.
    const auto placement = Layout::Compute(9510, 7125, Layout::Sizes{});
    const QSize size(Twips::ToPixels(double(placement->risWidth)), Twips::ToPixels(double(placement->risHeight)));

    const int sweep = Panel::kSweep[size_t(r.sweepIndex)].itemData;
    ScreenPicture::Beams beams;
    for (int ch = 0; ch < 2; ++ch)
        beams.sensitivity[ch] = Panel::kSensitivityU1[size_t(r.sensitivityIndex[ch])].itemData;
    Ris ris;
    ris.resize(size);
    int64_t readFrom = 0;
    try {
        // RedrawTraces for a stopped file, from the screen's first frame.
        const int32_t wordCount = ScreenRead::SizeFor(st.SampleRate, sweep, st.Channels).wordCount;
        const ScreenRead::ReadPlan plan =
            ScreenRead::PlanRead(st, st.DataStart + r.firstFrame * layout.FrameBytes(), wordCount);
        readFrom = plan.position;
        const Traces::Plan traces = Traces::PlanFor(wordCount, st.Channels, st.SampleRate, sweep);
        const QByteArray block = ScreenRead::ReadBlock(path, plan.position, plan.length);
        Traces::Build(traces, block, st.Channels, st);
        // Beams centred, as the window has them unless told otherwise.
        Traces::Centre(st, st.Channels);
        // PrepareScreen.
        ScreenPicture::SetScale(ris, st.PointCount);
        ScreenPicture::DrawGraticule(ris, st.PointCount, sweep, st.SampleRate, true);
        ScreenPicture::DrawTraces(ris, st, st.PointCount, beams);
    } catch (const VbError &e) {
        return fail(c.name, kExitIoErr,
                    QCoreApplication::translate("Cli", "не удалось прочитать экран из «%1» (ошибка %2)").arg(ShownName(path)).arg(e.Number));
    }

    PictureExport::CaptionText t;
    t.mode = st.TwoBeam ? PictureExport::CaptionText::Mode::TwoBeams : PictureExport::CaptionText::Mode::OneBeam;
    t.sensitivity1 = Panel::Shown(Panel::kSensitivityU1[size_t(r.sensitivityIndex[0])]);
    t.sensitivity2 = Panel::Shown(Panel::kSensitivityU1[size_t(r.sensitivityIndex[1])]);
    t.sweep = Panel::Shown(Panel::kSweep[size_t(r.sweepIndex)]);
    const Screen::TimeCaptions times = Screen::TimesFor(readFrom, st.DataStart, st.SampleRate, st.Channels, sweep);
    t.start = times.start;
    t.end = times.end;
    const QStringList caption = PictureExport::Caption(t);

    QString error;
    bool written = false;
    if (r.svg) {
        Scene scene = ScreenPicture::TracesScene(ris, st, st.PointCount, sweep, beams);
        scene.caption = caption;
        written = PictureExport::WriteSvg(r.target, scene, &error);
    } else {
        written = PictureExport::WritePng(r.target, ris.Image(), caption, &error);
    }
    if (!written)
        return fail(c.name, kExitIoErr, error);
    return kExitOk;
}

}  // namespace Cli
