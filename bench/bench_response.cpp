// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response through the sound server, 20 Hz to 20 kHz at 12
// points an octave with the window's defaults, the generator's sink looped
// to its own monitor: how long it takes against the capture the steps
// themselves need (settle and measurement, the least any run can take),
// and how far the straight loop reads from 0 dB and 0°. Then the
// generator's sine measured by the program's own spectrum: as computed,
// and as the server hands it back in 16 bits.
//
// Needs a sound server where it may add a sink (scripts/test-audio-server.sh).
// Usage: build/bench_response [points per octave]   (default 12)
#include "acquisition/capturesource.h"
#include "acquisition/responserun.h"
#include "acquisition/soundoutput.h"
#include "analysis/fourier.h"
#include "analysis/signalgen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

QString pactl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(5000);
    return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()).trimmed() : QString();
}

double thdDb(const float *x, int n, double rate)
{
    Spectrum::Analyzer a;
    a.Configure(65536, Spectrum::WindowKind::BlackmanHarris, Spectrum::Averaging::Off, 1);
    a.Add({x}, std::min(n, 65536), rate);
    const Spectrum::Distortion d = a.DistortionOf(0);
    return d.valid && d.thd > 0 ? 20 * std::log10(d.thd) : -HUGE_VAL;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int perOctave = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    const QString module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                  QStringLiteral("sink_name=benchresp"), QStringLiteral("rate=48000"),
                                  QStringLiteral("channels=2"), QStringLiteral("norewinds=1")});
    if (module.isEmpty()) {
        std::printf("no sound server to add a sink to (source scripts/test-audio-server.sh first)\n");
        return 1;
    }
    int rc = 0;
    {
        int err = 0;
        std::unique_ptr<CaptureSource> input;
        for (int i = 0; i < 50 && !input; ++i, QThread::msleep(100))
            input = MakeSoundInput(QStringLiteral("benchresp.monitor"), &err);
        ResponseSweep::Settings s;
        s.perOctave = perOctave;
        ResponseRun run(s, std::move(input), QStringLiteral("benchresp"));
        QString error;
        if (!run.Start(&error)) {
            std::printf("could not start: %s\n", qPrintable(error));
            rc = 1;
        } else {
            while (run.Poll())
                QThread::msleep(5);
            double worstDb = 0, worstDeg = 0;
            for (const ToneResponse::Point &p : run.Sweep().Points()) {
                worstDb = std::max(worstDb, std::abs(p.gainDb));
                worstDeg = std::max(worstDeg, std::abs(p.phaseDegrees));
            }
            std::printf("response 20 Hz-20 kHz, %d an octave: %zu steps in %.1f s; capture needed %.1f s; ratio %.2f\n",
                        perOctave, run.Sweep().Points().size(), run.ElapsedSeconds(), run.Sweep().SecondsNeeded(),
                        run.ElapsedSeconds() / run.Sweep().SecondsNeeded());
            std::printf("straight loop: worst |gain| %.4f dB, worst |phase| %.3f deg%s\n", worstDb, worstDeg,
                        run.Failed().isEmpty() ? "" : qPrintable(QStringLiteral(" (failed: ") + run.Failed() + ')'));
        }
    }
    // The sine as computed, and back from the server's monitor in 16 bits.
    for (double hz : {1000.0, 997.0}) {
        SignalGen::Oscillator osc(48000);
        SignalGen::Wave w;
        w.frequency = hz;
        w.amplitude = SignalGen::AmplitudeOfDbfs(-6);
        osc.Set(w);
        const std::vector<float> x = osc.Render(65536);
        std::printf("sine %.0f Hz at -6 dBFS, as computed: THD %.1f dB\n", hz, thdDb(x.data(), 65536, 48000));

        int err = 0;
        auto input = MakeSoundInput(QStringLiteral("benchresp.monitor"), &err);
        SoundOutput out(48000);
        out.SetBoth(w);
        QString error;
        if (!input || !out.Start(QStringLiteral("benchresp"), &error) || input->Start(CaptureFormat{48000, 2, 16}) != 0) {
            std::printf("could not loop the sine: %s\n", qPrintable(error));
            rc = 1;
            continue;
        }
        QByteArray got, block;
        QElapsedTimer t;
        t.start();
        while (got.size() < (65536 + 24000) * 4 && t.elapsed() < 10000) {
            QThread::msleep(10);
            block.clear();
            input->ReadAvailable(block);
            if (out.Playing())
                got += block;
        }
        input->Stop();
        out.Stop();
        if (got.size() < (65536 + 24000) * 4) {
            std::printf("the loop gave too little\n");
            rc = 1;
            continue;
        }
        const auto *s16 = reinterpret_cast<const int16_t *>(got.constData()) + 2 * 24000;
        std::vector<float> left(65536);
        for (int i = 0; i < 65536; ++i)
            left[size_t(i)] = float(s16[2 * i] / 32768.0);
        std::printf("sine %.0f Hz at -6 dBFS, through the server in 16 bits: THD %.1f dB\n", hz,
                    thdDb(left.data(), 65536, 48000));
    }
    pactl({QStringLiteral("unload-module"), module});
    return rc;
}
