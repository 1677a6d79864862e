// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of exporting samples as CSV: a one-minute 44.1 kHz stereo recording
// (5.3 million values, made by sox) written whole, through the real writer
// with its progress callback. Prints the wall time, the CSV's size and the
// peak resident memory before and after, which must stay flat.
//
// Usage: bench_export [seconds of recording, default 60]
#include "analysis/cursors.h"
#include "export/csvexport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {
long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    QTemporaryDir dir;
    const QString wav = dir.filePath("minute.wav"), csv = dir.filePath("minute.csv");
    QProcess sox;
    sox.start("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", QString::number(seconds), "sine",
                      "1000", "sine", "250", "vol", "0.5"});
    if (!sox.waitForFinished(120000) || sox.exitCode() != 0) {
        std::fprintf(stderr, "sox failed\n");
        return 1;
    }
    const double vpu[2] = {Cursors::kNominalVoltsPerUnit, Cursors::kNominalVoltsPerUnit};
    const long before = peakKb();
    int calls = 0;
    QElapsedTimer t;
    t.start();
    QString error;
    const auto r = CsvExport::Write(wav, csv, {}, vpu, [&](int64_t, int64_t) { ++calls; return true; }, &error);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (r != CsvExport::Result::Done) {
        std::fprintf(stderr, "export failed: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("CSV export of %d s stereo 44.1 kHz (%lld values): %.0f ms, %.1f MB written, %d progress calls\n",
                seconds, 2LL * 44100 * seconds, ms, QFileInfo(csv).size() / 1e6, calls);
    std::printf("peak resident memory: %.1f MB before, %.1f MB after\n", before / 1024.0, peakKb() / 1024.0);
    return 0;
}
