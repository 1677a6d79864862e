// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line and its start without a display, run as the
// real executable.
#include "app/commandline.h"
#include "testregistry.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run run(const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SIGM_PROGRAM_PATH), args);
    Run r;
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void optionsAreAnsweredWithoutAWindow()
    {
        // No display at all: --help and --version must not need one.
        QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
        bare.remove(QStringLiteral("DISPLAY"));
        bare.remove(QStringLiteral("WAYLAND_DISPLAY"));
        bare.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

        const Run version = run({QStringLiteral("--version")}, bare);
        QCOMPARE(version.code, 0);
        QVERIFY2(version.out.startsWith(QStringLiteral("sigmalit " SIGM_VERSION "\n")), qPrintable(version.out));
        QVERIFY(version.out.contains(QStringLiteral("GPL-3.0-or-later")));

        const Run help = run({QStringLiteral("-h")}, bare);
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains(QStringLiteral("--version")) && help.out.contains(QStringLiteral("ФАЙЛ.wav")));

        const Run unknown = run({QStringLiteral("--frobnicate"), QStringLiteral("x.wav")}, bare);
        QCOMPARE(unknown.code, CommandLine::kExitUsage);
        QVERIFY(unknown.out.isEmpty());
        QCOMPARE(unknown.err.count(QLatin1Char('\n')), 1);
        QVERIFY(unknown.err.contains(QStringLiteral("«--frobnicate»")));

        const Run two = run({QStringLiteral("a.wav"), QStringLiteral("b.wav")}, bare);
        QCOMPARE(two.code, CommandLine::kExitUsage);
        QCOMPARE(two.err.count(QLatin1Char('\n')), 1);

        // Qt's own options are left for Qt; a file after them is still the file.
        const CommandLine::Request r = CommandLine::Parse(
            {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse"), QStringLiteral("--"),
             QStringLiteral("-odd name.wav")});
        QCOMPARE(r.action, CommandLine::Request::Run);
        QCOMPARE(r.file, QStringLiteral("-odd name.wav"));
    }

    void noDisplayGivesOneLineAndItsOwnCode()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("SIGM_INPUT"), QStringLiteral("demo"));
        // No display named, and one named that nobody serves.
        for (const QString &display : {QString(), QStringLiteral(":97")}) {
            if (display.isEmpty())
                env.remove(QStringLiteral("DISPLAY"));
            else
                env.insert(QStringLiteral("DISPLAY"), display);
            const Run r = run({}, env);
            QCOMPARE(r.code, CommandLine::kExitNoDisplay);
            QCOMPARE(r.err, CommandLine::NoDisplayText() + QLatin1Char('\n'));
            QVERIFY(r.err.contains(QStringLiteral("xvfb-run")) && r.err.contains(QStringLiteral("графический")));
        }
    }
};

SIGM_TEST(CommandLineTest)
#include "tst_commandline.moc"
