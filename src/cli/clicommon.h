// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the subcommands share: their output, their one-line diagnostics and
// the options several of them take.
#include "cli/wavstream.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace Cli {

// Results on stdout, as they are.
void out(const QByteArray &text);
// The one diagnostic line a run ends with; gives `code`.
int fail(const QString &command, int code, const QString &text);
// The same for a mistake on the command line, with a pointer to --help.
int usage(const QString &command, const QString &text);
// A number for CSV: an empty field where there is none.
QByteArray csvNumber(double v, int digits = 7);

struct Command {
    QString name;
    QCommandLineParser parser;
    QString help;  // the whole --help text
};

QCommandLineOption valueOption(const QString &name, const QString &valueName);
// Parses; on --help prints it and gives 0, on a mistake the usage code;
// -1 to go on. `files`: how many names must follow the command.
int parse(Command &c, const QStringList &args, int files);
// The file opened as the window would open it; the exit code of a
// refusal, or -1 to go on.
int open(const Command &c, WavStream &wav, const QString &path);
// --calibration K1[,K2], or the factors the window uses.
bool calibration(const Command &c, std::array<double, 2> *factors, QString *error);
// A time option in frames from the start of the file: none when not
// given, −1 (with *error) for a bad value.
std::optional<int64_t> frameOption(const Command &c, const QString &name, int rate, QString *error);
// --from/--to as a span of frames within the file.
bool span(const Command &c, const WavStream &wav, int64_t *first, int64_t *count, QString *error);
// --channel 1|2: the channels to report, 0-based.
bool channels(const Command &c, const WavStream &wav, std::vector<int> *list, QString *error);

// The end of every subcommand's --help: times, output, exit codes.
extern const char *const kCommonHelp;

// The subcommands beyond measure, spectrum and export --csv.
int Events(const QStringList &args);
int Record(const QStringList &args);

// The front panel's sweep (index into Panel::kSweep) given as time per
// division ("1 мС", 1ms), and its volts per division (Panel::kSensitivityU1).
std::optional<int> SweepIndex(const QString &text);
std::optional<int> SensitivityIndex(const QString &text);

struct PictureRequest {
    QString target;
    bool svg = false;
    int64_t firstFrame = 0;  // from the first sample the window reads
    int sweepIndex = 6;
    int sensitivityIndex[2] = {0, 0};
};
// One screen of the opened `wav` as PNG or SVG.
int ExportPicture(const Command &c, const WavStream &wav, const QString &path, const PictureRequest &r);

}  // namespace Cli
