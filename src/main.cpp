// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"
#include "app/pribor.h"
#include "cli/cli.h"
#include "platform/exitnow.h"
#include "platform/language.h"
#include "files/openpath.h"
#include "platform/messagebox.h"
#include "platform/settings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QTimer>
#include <QStyleFactory>

#include <algorithm>
#include <memory>

int main(int argc, char *argv[])
{
    // The command line is read before any window exists: --help, --version
    // and a mistyped option need no graphical session.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // The subcommands are the instrument without a window: a core
    // application only, created before any widget code, so they run with no
    // display at all.
    if (!args.isEmpty() && Cli::IsSubcommand(args.first())) {
        // Stderr carries the one line a run ends with: Qt's own notes (no
        // XDG_RUNTIME_DIR, a font substituted) would make it several.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        });
        if (Cli::NeedsPainter(args)) {
            // A picture is drawn on the window's own surface, a widget that
            // is never shown: the offscreen platform gives it fonts and
            // images without any display.
            qputenv("QT_QPA_PLATFORM", "offscreen");
            QApplication app(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("Сигмалит"));
            QCoreApplication::setOrganizationName(QStringLiteral("sigmalit"));
            Language::Apply(Language::Chosen());
            return Cli::Run(args);
        }
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Сигмалит"));
        QCoreApplication::setOrganizationName(QStringLiteral("sigmalit"));
        Language::Apply(Language::Chosen());
        return Cli::Run(args);
    }
    CommandLine::Request request = CommandLine::Parse(args);
    // What is printed instead of a window speaks the chosen language: a
    // core application carries the translation while it is said.
    std::unique_ptr<QCoreApplication> core;
    if (request.action != CommandLine::Request::Run) {
        core = std::make_unique<QCoreApplication>(argc, argv);
        Language::Apply(Language::Chosen());
        request = CommandLine::Parse(args);
    }
    switch (request.action) {
    case CommandLine::Request::Help:
        std::fputs(CommandLine::HelpText().toUtf8().constData(), stdout);
        return 0;
    case CommandLine::Request::Version:
        std::fputs(CommandLine::VersionText().toUtf8().constData(), stdout);
        return 0;
    case CommandLine::Request::Error:
        std::fprintf(stderr, "%s\n", request.message.toUtf8().constData());
        return CommandLine::kExitUsage;
    case CommandLine::Request::Run:
        break;
    }

    CommandLine::GuardDisplayStart();
    QApplication app(argc, argv);
    CommandLine::DisplayOpened();
    // The X window class is the application name: Latin, so window rules,
    // task bars and the desktop entry's StartupWMClass can name it. The
    // caption stays "Сигмалит".
    QApplication::setApplicationName(QStringLiteral("Sigmalit"));
    QApplication::setOrganizationName(QStringLiteral("sigmalit"));
    QApplication::setDesktopFileName(QStringLiteral(SIGM_APP_ID));
    // The installed icon, where the icon theme has it.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(SIGM_APP_ID)));
    // The panel is laid out in twips for one look, and Fusion draws it the
    // same on every desktop (the combo boxes' and buttons' heights, the
    // scroll bars' width). A style the user asks for (-style, or
    // QT_STYLE_OVERRIDE) still wins.
    const bool styleAsked = qEnvironmentVariableIsSet("QT_STYLE_OVERRIDE") ||
                            std::any_of(args.cbegin(), args.cend(), [](const QString &a) {
                                return a == QLatin1String("-style") || a.startsWith(QLatin1String("-style=")) ||
                                       a == QLatin1String("--style") || a.startsWith(QLatin1String("--style="));
                            });
    if (!styleAsked)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The program's texts and Qt's own dialogs (printer, file chooser) in
    // the chosen language.
    Language::Apply(Language::Chosen());
    // Settings that could not be stored are said once in a box; a failure
    // that repeats in the same run (a full disk) goes to stderr only.
    SettingsStore::SetFailureHandler([](const QString &what) {
        static bool told = false;
        std::fprintf(stderr, "%s: %s\n", Language::AppTitle().toUtf8().constData(), what.toUtf8().constData());
        if (told || what.isEmpty())
            return;
        told = true;
        MsgBox(what.left(1).toUpper() + what.mid(1) + QLatin1Char('.'), MsgButtons::OK, MsgIcon::Exclamation,
               Language::AppTitle());
    });
    int rc = 0;
    {
        Pribor window;
        window.Form_Load();
        OpenPath::AcceptDrops(window);
        window.show();
        // A file named on the command line opens once the window is up, so
        // its messages have a window to stand over.
        if (!request.file.isEmpty())
            QTimer::singleShot(0, &window, [&window, &request] { OpenPath::OpenGivenFile(window, request.file); });
        rc = app.exec();
    }
    // libpulse may crash in Qt's global audio engine destructor after main
    // returns; every file is closed by now, so leave without running it.
    ExitNow(rc);
}
