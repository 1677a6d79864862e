// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program is asked to do from its command line, decided before any
// window exists, so --help and --version work without a graphical session.
#include <QString>
#include <QStringList>

namespace CommandLine {

// Exit codes the manual page documents.
constexpr int kExitUsage = 64;      // unknown option or a second file (EX_USAGE)
constexpr int kExitNoDisplay = 69;  // no graphical session (EX_UNAVAILABLE)

struct Request {
    enum Action { Run, Help, Version, Error } action = Run;
    QString file;     // the oscillogram to open at start, may be empty
    QString message;  // the one-line error for Error
};

// `args` without the program name. Qt's own options (-platform, -style …)
// are let through for QApplication to take.
Request Parse(const QStringList &args);

// An unknown option as it was typed (QCommandLineParser gives it without
// its dashes).
QString TypedOption(const QStringList &args, const QString &name);

QString HelpText();
QString VersionText();
// One line, Russian and English, naming xvfb-run for headless use.
QString NoDisplayText();

// Until DisplayOpened(), a fatal failure to open the display ends the
// program with kExitNoDisplay instead of an abort: with NoDisplayText() alone
// when there is no display to connect to, else with Qt's own messages.
void GuardDisplayStart();
void DisplayOpened();

}  // namespace CommandLine
