// SPDX-License-Identifier: GPL-3.0-or-later
// Input choice through the private test sound server (scripts/test.sh starts
// it): a second input with another tone, the monitor of an output, and an
// input unplugged while in use.
#include "acquisition/captureengine.h"
#include "acquisition/inputchoice.h"
#include "app/pribor.h"
#include "app/inputtool.h"
#include "app/scopestate.h"
#include "display/ris.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString pactl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Zero crossings of the first trace on screen, with a hysteresis against noise.
int crossings(const Pribor &w)
{
    int n = 0, sign = 0;
    for (int i = 0; i <= w.st.PointCount && size_t(i) < w.st.LeftBuffer.size(); ++i) {
        const int v = w.st.LeftBuffer[size_t(i)];
        const int s = v > 1500 ? 1 : v < -1500 ? -1 : 0;
        if (s != 0 && sign != 0 && s != sign)
            ++n;
        if (s != 0)
            sign = s;
    }
    return n;
}

// Notes whoever opens a FIFO to read it and hands them an empty file, so
// that a fault shows as a failed check rather than a hung test.
class FifoWatch {
public:
    explicit FifoWatch(const QString &path) : path_(QFile::encodeName(path))
    {
        ::unlink(path_.constData());
        made_ = ::mkfifo(path_.constData(), 0600) == 0;
        if (made_)
            thread_ = std::thread([this] {
                while (!done_) {
                    const int fd = ::open(path_.constData(), O_WRONLY | O_CLOEXEC);
                    if (!done_)
                        opened_ = true;
                    if (fd >= 0)
                        ::close(fd);
                }
            });
    }
    ~FifoWatch()
    {
        done_ = true;
        if (thread_.joinable()) {
            // A reader of our own lets the writer's open return.
            const int release = ::open(path_.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            thread_.join();
            ::close(release);
        }
        ::unlink(path_.constData());
    }
    bool Made() const { return made_; }
    bool Opened() const { return opened_; }

private:
    QByteArray path_;
    bool made_ = false;
    std::atomic<bool> opened_{false}, done_{false};
    std::thread thread_;
};

}  // namespace

class InputChoiceTest : public QObject {
    Q_OBJECT
private slots:
    // Any program can name a sound input, and paths and error texts come
    // from outside too: they are shown as text. An image tag pointing at a
    // FIFO is never opened (it would hang the window at every start), '&'
    // is no shortcut, and line breaks or a huge name do not break the menu.
    void hostileNamesAreShownAsText()
    {
        TestEnv::Reset();
        const QString fifo = TestEnv::Temp("image.fifo");
        FifoWatch watch(fifo);
        QVERIFY(watch.Made());
        const QString image = QStringLiteral("<img src=\"%1\">").arg(fifo);
        const QString hostile =
            QStringLiteral("R&D ") + image + QStringLiteral("\nline two\tx ") + QString(3000, QLatin1Char('W'));
        SettingsStore::SaveSetting("Sigm", "Input", "Source", "hostile.source");
        SettingsStore::SaveSetting("Sigm", "Input", "Description", hostile);
        SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");  // no first-start hint

        QStringList texts;
        {
            ScriptedMessages box;
            Pribor w;
            w.Form_Load();
            w.resize(800, 600);
            w.show();
            QLabel *label = w.Input->InputLabel;
            QTRY_VERIFY_WITH_TIMEOUT(label->text().contains(image), 2000);  // once the resized area is seen
            label->grab();
            QVERIFY(label->width() <= w.RisBox->width());
            emit w.Input->InputMenu->aboutToShow();
            int named = 0;
            for (QAction *a : w.Input->InputMenu->actions()) {
                const QString t = a->text();
                if (!t.contains(QStringLiteral("<img src=")))
                    continue;
                ++named;
                QVERIFY2(QKeySequence::mnemonic(t).isEmpty(), qPrintable(t.left(80)));
                QVERIFY(t.contains(QStringLiteral("R&&D")));
                QVERIFY(!t.contains(QLatin1Char('\n')) && !t.contains(QLatin1Char('\t')));
                QVERIFY2(t.size() < 200, qPrintable(QString::number(t.size())));
            }
            QCOMPARE(named, 2);  // in use, and the chosen one not in the system
            w.Input->InputMenu->grab();
            texts = box.Texts();
            w.close();
        }
        // Through the real box: the notices shown, a path and an error text.
        texts << QStringLiteral("Файл «%1.wav» не найден, выберите файл ещё раз!").arg(hostile)
              << QStringLiteral("<b>Ошибка</b> %1").arg(image);
        int boxes = 0;
        for (const QString &text : texts) {
            QTimer poll;
            poll.setInterval(10);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (auto *m = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    m->grab();
                    ++boxes;
                    m->done(QMessageBox::Ok);
                }
            });
            poll.start();
            MsgBox(text, MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Сигмалит"));
        }
        QCOMPARE(boxes, int(texts.size()));
        QVERIFY2(!watch.Opened(), "an image named in a text was loaded");
    }

    // A server that vanishes while the input menu is open is one failure,
    // told once: while the user reads the box (its event loop runs the
    // timers), neither the refresh, the frame nor the level meter may find
    // it again, and capture has ended.
    void aVanishedServerIsToldOnce()
    {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulseaudio.isEmpty())
            QSKIP("pulseaudio is not installed: cannot start a server to lose");
        TestEnv::Reset();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString socket = dir.path() + QStringLiteral("/native");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir.path());
        QProcess server;
        server.setProcessEnvironment(env);
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start(pulseaudio, {"--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
                                  "--load=module-native-protocol-unix socket=" + socket,
                                  "--load=module-null-sink sink_name=gone rate=48000 channels=2",
                                  "--load=module-remap-source master=gone.monitor source_name=gonein"});
        QVERIFY(server.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 5000);
        const QByteArray before = qgetenv("PULSE_SERVER");
        const QByteArray chosen = qgetenv("SIGM_INPUT");
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
        qunsetenv("SIGM_INPUT");
        // Neither an input from an earlier test nor one chosen there is looked up.
        CaptureEngine::Instance().Shutdown();
        CaptureEngine::Instance().SetPreferredInput(QString());
        const auto restore = qScopeGuard([&] {
            qputenv("PULSE_SERVER", before);
            if (before.isEmpty())
                qunsetenv("PULSE_SERVER");
            if (!chosen.isEmpty())
                qputenv("SIGM_INPUT", chosen);
            server.kill();
            server.waitForFinished(5000);
        });

        ScriptedMessages box;
        box.ReadFor(1500);
        Pribor w;
        w.Timer1->setInterval(100);
        // At display rate the frame reads the stream as well as the refresh.
        Globals::DisplayRate = true;
        const auto classic = qScopeGuard([] { Globals::DisplayRate = false; });
        w.zapis_Click();
        QVERIFY(w.st.CaptureRunning);
        w.Uroven_Click();  // the level meter reads the device too
        QTest::qWait(400);
        QVERIFY(!CaptureEngine::Instance().InputIsDemo());
        QVERIFY2(box.Texts().isEmpty(), qPrintable(box.Texts().join('|')));
        bool open = false;
        QTimer::singleShot(0, w.Input->InputMenu, [&] {
            QTimer::singleShot(300, [&] {
                open = w.Input->InputMenu->isVisible();
                server.kill();
            });
            QTimer::singleShot(5000, w.Input->InputMenu, &QMenu::close);
            w.Input->InputMenu->exec(QPoint(0, 0));
        });
        QTRY_VERIFY_WITH_TIMEOUT(open && !w.Input->InputMenu->isVisible(), 10000);
        QTest::qWait(1000);
        QVERIFY(open);
        QCOMPARE(box.Texts().size(), 1);
        QVERIFY(!w.st.CaptureRunning);
        CaptureEngine::Instance().Shutdown();
    }

    void choosingSwitchesCaptureAndAGoneInputFallsBack()
    {
        if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        if (!qEnvironmentVariableIsEmpty("SIGM_INPUT"))
            QSKIP("SIGM_INPUT is set and wins over the choice");
        TestEnv::Reset();
        // A second input carrying 440 Hz.
        const QString sink = pactl({"load-module", "module-null-sink", "sink_name=scope2", "rate=48000", "channels=2"});
        const QString remap =
            pactl({"load-module", "module-remap-source", "master=scope2.monitor", "source_name=scopein2"});
        QVERIFY(!sink.isEmpty() && !remap.isEmpty());
        QProcess tone, feed;
        tone.setStandardOutputProcess(&feed);
        tone.start(QStringLiteral("sox"), {"-q", "-n", "-r", "48000", "-c", "2", "-b", "16", "-e", "signed", "-t", "raw",
                                           "-", "synth", "120", "sine", "440", "sine", "440", "vol", "0.5"});
        feed.start(QStringLiteral("pacat"), {"--playback", "--raw", "-d", "scope2", "--rate=48000", "--channels=2",
                                             "--format=s16le", "--latency-msec=20"});
        QVERIFY(tone.waitForStarted() && feed.waitForStarted());

        const QList<SoundInputInfo> inputs = InputChoice::List();
        auto listed = [&](const QString &id, bool monitor) {
            for (const SoundInputInfo &i : inputs)
                if (i.name == id)
                    return i.monitor == monitor;
            return false;
        };
        QVERIFY(listed("scopein2", false));
        QVERIFY(listed("scope.monitor", true));

        ScriptedMessages box;
        Pribor w;
        {
            const QSignalBlocker a(w.U1), b(w.U2), c(w.RasTime);
            w.U1->SetListIndex(0);
            w.U2->SetListIndex(0);
            w.RasTime->SetListIndex(6);  // 10 ms a screen
        }
        w.Timer1->setInterval(100);
        w.Input->ChooseInput(QStringLiteral("scopein2"));
        w.zapis_Click();
        QVERIFY(w.st.CaptureRunning);
        QTRY_VERIFY2_WITH_TIMEOUT(crossings(w) >= 7 && crossings(w) <= 10, qPrintable(QString::number(crossings(w))),
                                  4000);

        // The monitor of the first output, taken at once while capturing.
        w.Input->ChooseInput(QStringLiteral("scope.monitor"));
        QVERIFY(w.st.CaptureRunning);
        QTRY_VERIFY2_WITH_TIMEOUT(crossings(w) >= 18 && crossings(w) <= 22, qPrintable(QString::number(crossings(w))),
                                  4000);
        QCOMPARE(InputChoice::Stored(), QStringLiteral("scope.monitor"));
        QVERIFY(w.Input->InputLabel->isVisible() || !w.isVisible());

        // Back to the second input, then it is unplugged: capture goes on
        // from the default input and the user is told.
        w.Input->ChooseInput(QStringLiteral("scopein2"));
        QTRY_VERIFY_WITH_TIMEOUT(crossings(w) <= 10, 4000);
        pactl({"unload-module", remap});
        // (It is named as the menu names it, not by the server's id.)
        QString described;
        for (const SoundInputInfo &i : inputs)
            if (i.name == QLatin1String("scopein2"))
                described = i.description;
        QVERIFY(!described.isEmpty() && described != QLatin1String("scopein2"));
        QTRY_VERIFY2_WITH_TIMEOUT(box.Texts().join('\n').contains(QStringLiteral("«%1» не найден").arg(described)),
                                  qPrintable(box.Texts().join('|') + QString::number(w.st.CaptureRunning)), 10000);
        QTRY_VERIFY2_WITH_TIMEOUT(w.st.CaptureRunning && crossings(w) >= 18 && crossings(w) <= 22,
                                  qPrintable(QString::number(crossings(w))), 4000);
        // Told once: the watch that looks for the input every 1.5 s does
        // not restart capture (and say it again) while it stays away.
        QTest::qWait(3500);
        QCOMPARE(box.Texts().size(), 1);
        QVERIFY(w.st.CaptureRunning);
        // Plugged in again: capture goes back to it without a word.
        const QString again =
            pactl({"load-module", "module-remap-source", "master=scope2.monitor", "source_name=scopein2"});
        QVERIFY(!again.isEmpty());
        QTRY_VERIFY2_WITH_TIMEOUT(w.st.CaptureRunning && crossings(w) >= 7 && crossings(w) <= 10,
                                  qPrintable(QString::number(crossings(w))), 6000);
        QCOMPARE(box.Texts().size(), 1);
        QCOMPARE(w.Input->InputInUse(), described);
        pactl({"unload-module", again});

        w.Stopbiton_Click();
        w.Input->ChooseInput(QString());
        CaptureEngine::Instance().Shutdown();
        tone.kill();
        feed.kill();
        tone.waitForFinished();
        feed.waitForFinished();
        pactl({"unload-module", sink});
    }

    // The server itself tells of inputs coming and going: a menu left open
    // lists an input plugged in (and an output's monitor) and drops one
    // unplugged without being opened again, and a server started again
    // after the window is heard from too.
    void anOpenMenuFollowsTheServer()
    {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulseaudio.isEmpty())
            QSKIP("pulseaudio is not installed: cannot start a server of our own");
        TestEnv::Reset();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString socket = dir.path() + QStringLiteral("/native");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir.path());
        QProcess server;
        server.setProcessEnvironment(env);
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        auto start = [&](const QStringList &more) {
            server.start(pulseaudio, QStringList{"--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
                                                 "--load=module-native-protocol-unix socket=" + socket,
                                                 "--load=module-null-sink sink_name=watched rate=48000 channels=2"}
                                         + more);
            return server.waitForStarted(5000);
        };
        QVERIFY(start({}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 5000);
        const QByteArray before = qgetenv("PULSE_SERVER");
        const QByteArray chosen = qgetenv("SIGM_INPUT");
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
        qunsetenv("SIGM_INPUT");
        CaptureEngine::Instance().Shutdown();
        CaptureEngine::Instance().SetPreferredInput(QString());
        auto back = [&] {
            qputenv("PULSE_SERVER", before);
            if (before.isEmpty())
                qunsetenv("PULSE_SERVER");
            if (!chosen.isEmpty())
                qputenv("SIGM_INPUT", chosen);
            server.kill();
            server.waitForFinished(5000);
        };
        auto restore = qScopeGuard(back);

        ScriptedMessages box;
        Pribor w;
        QMenu *menu = w.Input->InputMenu;
        auto lists = [&](const QString &name) {
            for (const QAction *a : menu->actions())
                if (a->data().toString() == name)
                    return true;
            return false;
        };
        menu->popup(QPoint(0, 0));
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(lists(QStringLiteral("watched.monitor")) && !lists(QStringLiteral("plugged")));
        const QString sink = pactl({"load-module", "module-null-sink", "sink_name=plug", "rate=48000", "channels=2"});
        const QString remap =
            pactl({"load-module", "module-remap-source", "master=plug.monitor", "source_name=plugged"});
        QVERIFY(!sink.isEmpty() && !remap.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(lists(QStringLiteral("plugged")) && lists(QStringLiteral("plug.monitor")), 3000);
        pactl({"unload-module", remap});
        QTRY_VERIFY_WITH_TIMEOUT(!lists(QStringLiteral("plugged")), 3000);
        QVERIFY(lists(QStringLiteral("plug.monitor")));
        pactl({"unload-module", sink});
        QTRY_VERIFY_WITH_TIMEOUT(!lists(QStringLiteral("plug.monitor")), 3000);

        // The server goes and comes back with an input it did not have.
        server.kill();
        QVERIFY(server.waitForFinished(5000));
        QFile::remove(socket);
        QVERIFY(start({"--load=module-remap-source master=watched.monitor source_name=plugged"}));
        QTRY_VERIFY_WITH_TIMEOUT(lists(QStringLiteral("plugged")), 8000);
        QVERIFY(menu->isVisible());
        menu->close();
        // Nothing was captured: nothing to tell.
        QVERIFY2(box.Texts().isEmpty(), qPrintable(box.Texts().join('|')));
        // The next look at the inputs must not be taken for this server's.
        restore.dismiss();
        back();
        auto gone = [] {
            const QList<SoundInputInfo> inputs = InputChoice::List();
            return std::none_of(inputs.cbegin(), inputs.cend(),
                                [](const SoundInputInfo &i) { return i.name == QLatin1String("plugged"); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(gone(), 5000);
    }
};

SIGM_TEST(InputChoiceTest)
#include "tst_input.moc"
