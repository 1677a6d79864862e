// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's subcommands: the instrument without a window. They run
// under a plain QCoreApplication, so they need no display, print results on
// stdout and a one-line diagnostic on stderr, and end with the exit codes of
// sysexits.h that the manual page lists.
#include <QString>
#include <QStringList>
#include <optional>

namespace Cli {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 64;       // EX_USAGE: a mistake on the command line
constexpr int kExitDataErr = 65;     // EX_DATAERR: the file is refused or corrupt
constexpr int kExitNoInput = 66;     // EX_NOINPUT: no such file, or it cannot be read
constexpr int kExitUnavailable = 69; // EX_UNAVAILABLE: no sound input (or display)
constexpr int kExitIoErr = 74;       // EX_IOERR: reading or writing failed part way

// Whether `word` (the first argument) names a subcommand.
bool IsSubcommand(const QString &word);
// Whether the subcommand draws a picture: it needs a widget application
// (on the offscreen platform, so still no display).
bool NeedsPainter(const QStringList &args);
// Runs the subcommand args[0] with the rest of args; the exit code.
int Run(const QStringList &args);

// Seconds from "1.5", "1,5", "250ms", "250 мС", "100us", "100 мкС", "2 с";
// empty when it is none of these or negative.
std::optional<double> ParseSeconds(const QString &text);
// Volts from "0.1", "-0,25", "100mV", "100 мВ", "50uV", "50 мкВ", "1 В";
// empty when it is none of these.
std::optional<double> ParseVolts(const QString &text);
// Numbers for scripts: a dot whatever the locale, `digits` significant.
QByteArray Number(double v, int digits = 7);
// The same written at `at` (room for 64 characters); the end of it.
char *PutNumber(char *at, double v, int digits = 7);

}  // namespace Cli
