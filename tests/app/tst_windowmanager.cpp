// SPDX-License-Identifier: GPL-3.0-or-later
// Window bounds under a real window manager: frames, maximizing and closing
// through the manager are what decide where a window ends up, and an
// offscreen test has none of them. Each session is the program itself on a
// private X server running openbox, closed with alt+F4 like a user would,
// its settings in a folder of the test's own.
#include "platform/settings.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

struct Session {
    bool ok = false;
    QString geometry;  // the client area as the X server reports it
};

}  // namespace

class WindowManagerTest : public QObject {
    Q_OBJECT
private:
    QProcess xserver_, manager_;
    QString display_;
    QString xdotool_;

    QString settingsPath() const { return TestEnv::Root() + "/wm/config/sigmalit/settings.ini"; }

    void writeSettings(const QString &text)
    {
        QDir().mkpath(TestEnv::Root() + "/wm/config/sigmalit");
        QFile::remove(settingsPath());
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }

    QString setting(const char *key)
    {
        SettingsStore::SetFilePath(settingsPath());  // read afresh
        return SettingsStore::GetSetting("Sigm", "Setting", key);
    }

    QString xdotool(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        p.setProcessEnvironment(env);
        p.start(xdotool_, args);
        if (!p.waitForFinished(5000))
            p.kill();
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    Session run(const QStringList &extraEnv = {})
    {
        Session s;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", display_);
        env.insert("XDG_CONFIG_HOME", TestEnv::Root() + "/wm/config");
        env.insert("XDG_DATA_HOME", TestEnv::Root() + "/wm/data");
        env.insert("SIGM_INPUT", "demo");
        env.remove("QT_FONT_DPI");
        for (const QString &kv : extraEnv)
            env.insert(kv.section('=', 0, 0), kv.section('=', 1));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(SIGM_PROGRAM), {});
        if (!program.waitForStarted(10000))
            return s;
        QString window;
        QElapsedTimer t;
        t.start();
        while (window.isEmpty() && t.elapsed() < 20000 && program.state() == QProcess::Running) {
            QTest::qWait(200);
            window = xdotool({"search", "--onlyvisible", "--name", "Сигмалит"}).section('\n', 0, 0);
        }
        if (!window.isEmpty()) {
            QTest::qWait(1000);  // let the manager finish placing and decorating it
            s.geometry = xdotool({"getwindowgeometry", window}).simplified();
            // A close through the window manager, as a user's alt+F4.
            xdotool({"windowactivate", "--sync", window, "key", "alt+F4"});
        }
        s.ok = !window.isEmpty() && program.waitForFinished(20000) && program.exitStatus() == QProcess::NormalExit
               && program.exitCode() == 0;
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
        return s;
    }

private slots:
    void initTestCase()
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        const QString openbox = QStandardPaths::findExecutable("openbox");
        xdotool_ = QStandardPaths::findExecutable("xdotool");
        if (xvfb.isEmpty() || openbox.isEmpty() || xdotool_.isEmpty())
            QSKIP("Xvfb, openbox and xdotool are needed (scripts/install-deps.sh installs them)");
        // -displayfd: the server picks a free display and says which.
        xserver_.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        QVERIFY(xserver_.waitForStarted());
        QByteArray number;
        QElapsedTimer t;
        t.start();
        while (!number.contains('\n') && t.elapsed() < 10000) {
            xserver_.waitForReadyRead(200);
            number += xserver_.readAllStandardOutput();
        }
        QVERIFY2(number.contains('\n'), "Xvfb did not start");
        display_ = ":" + QString::fromLatin1(number).trimmed();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        manager_.setProcessEnvironment(env);
        manager_.start(openbox, {"--sm-disable"});
        QVERIFY(manager_.waitForStarted());
        QTest::qWait(1500);
        QCOMPARE(manager_.state(), QProcess::Running);
    }

    void cleanupTestCase()
    {
        for (QProcess *p : {&manager_, &xserver_}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
                p->waitForFinished();
            }
        }
    }

    void boundsRoundTripAndStayOnScreen()
    {
        const QString stored = "[Sigm\\Setting]\nhelp=1\nXPosition=1500\nYPosition=1515\nWidht=9510\nHeight=7125\n"
                               "WindowsState=2\n";
        // Started maximized and closed through the manager, five times: the
        // normal bounds come back exactly as stored, every time.
        writeSettings(stored);
        for (int i = 0; i < 5; ++i) {
            const Session s = run();
            QVERIFY2(s.ok, qPrintable(s.geometry));
            QCOMPARE(setting("WindowsState"), QStringLiteral("2"));
            QCOMPARE(setting("XPosition"), QStringLiteral("1500"));
            QCOMPARE(setting("YPosition"), QStringLiteral("1515"));
            QCOMPARE(setting("Widht"), QStringLiteral("9510"));
            QCOMPARE(setting("Height"), QStringLiteral("7125"));
        }

        // In the normal state the bounds round-trip as well (a frame placed
        // anywhere but where it was asked would be stored where it stood).
        writeSettings(QString(stored).replace("WindowsState=2", "WindowsState=0"));
        for (int i = 0; i < 2; ++i) {
            const Session s = run();
            QVERIFY2(s.ok, qPrintable(s.geometry));
            QVERIFY2(s.geometry.contains("Geometry: 626x"), qPrintable(s.geometry));
            QCOMPARE(setting("XPosition"), QStringLiteral("1500"));
            QCOMPARE(setting("YPosition"), QStringLiteral("1515"));
            QCOMPARE(setting("Widht"), QStringLiteral("9510"));
            QCOMPARE(setting("Height"), QStringLiteral("7125"));
        }

        // At 110 dpi (13.09 twips to a pixel) nothing creeps either, shown
        // in the normal state (client about 718 pixels wide) or maximized.
        writeSettings(QString(stored).replace("1515", "1309.091").replace("WindowsState=2", "WindowsState=0"));
        {
            const Session s = run({"QT_FONT_DPI=110"});
            QVERIFY2(s.ok && s.geometry.contains("Geometry: 71"), qPrintable(s.geometry));  // not 626: 110 dpi
            QCOMPARE(setting("YPosition"), QStringLiteral("1309.091"));
        }
        writeSettings(QString(stored).replace("1515", "1309.091"));
        for (int i = 0; i < 3; ++i) {
            const Session s = run({"QT_FONT_DPI=110"});
            QVERIFY2(s.ok, qPrintable(s.geometry));
            QCOMPARE(setting("XPosition"), QStringLiteral("1500"));
            QCOMPARE(setting("YPosition"), QStringLiteral("1309.091"));
            QCOMPARE(setting("Widht"), QStringLiteral("9510"));
        }

        // A position that puts the title bar above and left of the screen
        // (as a drift, or a monitor that is gone, would) is brought back.
        writeSettings(QString(stored).replace("WindowsState=2", "WindowsState=0")
                          .replace("XPosition=1500", "XPosition=-30000")
                          .replace("YPosition=1515", "YPosition=-4000"));
        const Session s = run();
        QVERIFY2(s.ok, qPrintable(s.geometry));
        QCOMPARE(setting("XPosition"), QStringLiteral("0"));
        QCOMPARE(setting("YPosition"), QStringLiteral("0"));
        QCOMPARE(setting("Widht"), QStringLiteral("9510"));
    }
};

SIGM_TEST(WindowManagerTest)
#include "tst_windowmanager.moc"
