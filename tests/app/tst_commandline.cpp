// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line and its start without a display, run as the
// real executable.
#include "platform/wavfile.h"
#include "app/commandline.h"
#include "app/pribor.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QTest>

#include <memory>
#include <vector>

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

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One second of a steady level, so two files differ in every sample.
bool writeLevel(const QString &path, int16_t level)
{
    const std::vector<int16_t> samples(8000, level);
    return WriteWav16(path, 8000, 1, reinterpret_cast<const char *>(samples.data()),
                      qint64(samples.size() * sizeof(int16_t))) == 0;
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void twoProgramsOpenTwoFiles()
    {
        // "Open with" on two files: the program already running and a second
        // one (this test process) must each show and delete only their own
        // working file.
        const QString root = TestEnv::Temp("instances");
        const QString work = root + "/work";
        QVERIFY(QDir().mkpath(work));
        const QString a = root + "/a.wav", b = root + "/b.wav";
        QVERIFY(writeLevel(a, 1000));
        QVERIFY(writeLevel(b, -3000));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("SIGM_INPUT", "demo");
        env.insert("SIGM_WORK_DIR", work);
        env.insert("XDG_CONFIG_HOME", root + "/config");
        env.insert("XDG_DATA_HOME", root + "/data");
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QStringLiteral(SIGM_PROGRAM_PATH), {a});
        QVERIFY(first.waitForStarted(10000));
        const auto cleanup = qScopeGuard([&] {
            first.kill();
            first.waitForFinished();
            Paths::SetWorkingFolder(TestEnv::Root() + "/work");
        });
        QElapsedTimer t;
        t.start();
        while (bytesOf(work + "/tmp.wav") != bytesOf(a) && t.elapsed() < 30000
               && first.state() == QProcess::Running)
            QTest::qWait(100);
        QCOMPARE(bytesOf(work + "/tmp.wav"), bytesOf(a));

        // This process starts second: the classic names are taken.
        Paths::SetWorkingFolder(work);
        QCOMPARE(Paths::Instance(), 2);
        QCOMPARE(Paths::WorkingFile(), work + "/tmp-2.wav");
        QCOMPARE(Paths::MapPath("c:\\zvuk.wav"), work + "/zvuk-2.wav");
        {
            ScriptedMessages box;
            auto w = std::make_unique<Pribor>();
            w->Form_Load();
            QVERIFY(w->OpenOscillogram(b));
            for (int sweep = 0; sweep <= 10; ++sweep)
                w->RasTime->SetListIndex(sweep);
            QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
            QCOMPARE(bytesOf(Paths::WorkingFile()), bytesOf(b));
            // The first program's file is as it opened it.
            QCOMPARE(bytesOf(work + "/tmp.wav"), bytesOf(a));
            w->close();
        }
        // Closing the second removes its own file only; the first runs on.
        QVERIFY(!QFile::exists(work + "/tmp-2.wav"));
        QCOMPARE(bytesOf(work + "/tmp.wav"), bytesOf(a));
        QTest::qWait(300);
        QCOMPARE(first.state(), QProcess::Running);

        // A program that ended without closing leaves its names to the next.
        first.kill();
        QVERIFY(first.waitForFinished(10000));
        Paths::SetWorkingFolder(work);
        QCOMPARE(Paths::Instance(), 1);
        QCOMPARE(Paths::WorkingFile(), work + "/tmp.wav");
    }

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
