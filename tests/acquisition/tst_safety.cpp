// SPDX-License-Identifier: GPL-3.0-or-later
// A memory recording is never thrown away, and capture always finds its
// input again: front-panel actions while recording, a working folder that
// cannot be written or fills up, a sound server that dies and comes back or
// freezes, starts that fail, and an error box raised from a pressed scroll
// bar.
#include "acqtestutil.h"
#include "acquisition/savezvuk.h"
#include "app/inputtool.h"
#include "app/pribor.h"
#include "files/savefile.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QTimer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace AcqTest;

namespace {

std::unique_ptr<Pribor> startedWindow()
{
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    return w;
}

// The frames of a recording of the scripted input follow each other.
bool unbrokenCounter(const QString &path, qint64 *frames)
{
    const QByteArray f = readFile(path);
    const int channels = le16(f, 22);
    *frames = (f.size() - kWav16HeaderBytes) / (2 * channels);
    if (le32(f, 42) != quint32(f.size() - kWav16HeaderBytes) || le32(f, 4) != quint32(f.size() - 8))
        return false;  // the header must say exactly what the file holds
    for (qint64 i = 1; i < *frames; ++i) {
        const qint64 a = counterFrame(sampleAt(f, i - 1, 0, channels), sampleAt(f, i - 1, 1, channels));
        const qint64 b = counterFrame(sampleAt(f, i, 0, channels), sampleAt(f, i, 1, channels));
        if (b != a + 1)
            return false;
    }
    return true;
}

// Left-channel zero crossings per second and peak of a 16-bit WAV.
void toneOf(const QString &path, double *hz, int *peak)
{
    const QByteArray f = readFile(path);
    const int channels = le16(f, 22), rate = int(le32(f, 24));
    const qint64 n = (f.size() - kWav16HeaderBytes) / (2 * channels);
    int crossings = 0, sign = 0;
    qint64 voiced = 0;
    *peak = 0;
    for (qint64 i = 0; i < n; ++i) {
        const int v = sampleAt(f, i, 0, channels);
        *peak = std::max(*peak, std::abs(v));
        const int s = v > 2000 ? 1 : v < -2000 ? -1 : 0;
        if (s != 0) {
            ++voiced;
            crossings += sign != 0 && s != sign;
            sign = s;
        }
    }
    // Silence before the server's first data does not count.
    *hz = voiced ? crossings / 2.0 / (double(voiced) / rate / 0.87) : 0;
}

// A small tmpfs of our own: a real full disk and a real read-only folder.
struct SmallDisk {
    QString path;
    bool mounted = false;
    explicit SmallDisk(const QString &at, int kilobytes) : path(at)
    {
        QDir().mkpath(at);
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        mounted = ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0,
                                              options.constData()) == 0;
    }
    bool ReadOnly()
    {
        return ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
};

struct Folders {
    QString work = Paths::WorkingFolder(), mem = Paths::MemFolder();
    ~Folders()
    {
        Paths::SetWorkingFolder(work);
        Paths::SetMemFolder(mem);
    }
};

// Records a memory recording of the scripted input for `ms`, breaks the
// working folder with `breakIt`, then stops as the operator does.
void recordAndBreak(Pribor &w, int ms, const std::function<void()> &breakIt)
{
    w.SaveBiton->click();
    QVERIFY(w.MemoryRecordingRuns());
    QTest::qWait(ms);
    breakIt();
    w.SaveZvukWindow()->Stop->click();
    QVERIFY(!w.MemoryRecordingRuns() && !w.st.CaptureRunning);
}

// A private sound server with the test signal (1000 Hz left, 250 Hz right)
// on its input "lostin", that can be killed and started again on the same socket.
struct PrivateServer {
    QTemporaryDir dir;
    QProcess server, feed;
    QString socket() const { return dir.path() + "/native"; }
    bool Start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_SERVER", "unix:" + socket());
        env.insert("PULSE_RUNTIME_PATH", dir.path());
        server.setProcessEnvironment(env);
        server.start("pulseaudio", {"--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
                                    "--load=module-native-protocol-unix socket=" + socket(),
                                    "--load=module-null-sink sink_name=lost rate=48000 channels=2",
                                    "--load=module-remap-source master=lost.monitor source_name=lostin"});
        if (!server.waitForStarted(5000))
            return false;
        QElapsedTimer wait;
        wait.start();
        while (!QFile::exists(socket()) && wait.elapsed() < 5000)
            QTest::qWait(20);
        feed.setProcessEnvironment(env);
        feed.start("bash", {"-c", "exec sox -q -n -r 48000 -c 2 -b 16 -e signed -t raw - synth 600 sine 1000 sine 250 "
                                  "vol 0.5 | pacat --playback --raw -d lost --rate=48000 --channels=2 --format=s16le "
                                  "--latency-msec=20"});
        return QFile::exists(socket()) && feed.waitForStarted(5000);
    }
    void Kill()
    {
        ::kill(pid_t(server.processId()), SIGKILL);
        server.waitForFinished(5000);
        feed.kill();
        feed.waitForFinished(5000);
        QFile::remove(socket());
    }
    ~PrivateServer() { Kill(); }
};

}  // namespace

class RecordingSafetyTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TestEnv::Reset();
        UseFake::restore();
    }
    void cleanup() { UseFake::restore(); }

    void aMemoryRecordingSurvivesEveryFrontPanelAction()
    {
        UseFake fake;
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->show();
        QWidget *widgets[] = {w->RasTime, w->HScroll1, w->XminY, w->OpenBitton};
        QAction *actions[] = {w->Ster, w->TimeMenu};
        std::vector<bool> before;
        for (QWidget *c : widgets)
            before.push_back(c->isEnabled());
        for (QAction *a : actions)
            before.push_back(a->isEnabled());

        QElapsedTimer clock;
        clock.start();
        w->SaveBiton->click();
        QVERIFY(w->MemoryRecordingRuns() && w->TimerIndikator->isActive());
        for (QWidget *c : widgets)
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        for (QAction *a : actions)
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        // What a user can do to the front panel meanwhile.
        QTest::mouseClick(w->XminY, Qt::LeftButton);
        QTest::mouseClick(w->HScroll1, Qt::LeftButton, {}, QPoint(w->HScroll1->width() - 30, 5));
        QTest::keyClick(w->RasTime, Qt::Key_Down);
        QTest::mouseClick(w->OpenBitton, Qt::LeftButton);
        w->Ster->trigger();
        w->TimeMenu->trigger();
        w->U1->SetListIndex((w->U1->ListIndex() + 1) % w->U1->count());
        w->U2->SetListIndex((w->U2->ListIndex() + 1) % w->U2->count());
        w->VScroll1->SetValue(w->VScroll1->Value() + 100);
        w->VScroll2->SetValue(w->VScroll2->Value() - 100);
        QTest::qWait(1200);
        QVERIFY(w->MemoryRecordingRuns() && w->SaveZvukWindow() && w->TimerIndikator->isActive());
        w->SaveZvukWindow()->Stop->click();
        const double seconds = clock.elapsed() / 1000.0;

        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        qint64 frames = 0;
        QVERIFY(unbrokenCounter(Paths::WorkingFile(), &frames));
        QVERIFY2(frames > (seconds - 0.15) * 44100 && frames <= seconds * 44100,
                 qPrintable(QString("%1 frames in %2 s").arg(frames).arg(seconds)));
        // Each control has its state back; the stop then enables the bar and
        // the open button, and opening the recording sets X-Y by its channels.
        const bool stereo = le16(readFile(Paths::WorkingFile()), 22) == 2;
        int i = 0;
        for (QWidget *c : widgets) {
            const bool expected = c == w->HScroll1 || c == w->OpenBitton ? true : c == w->XminY ? stereo : before[i];
            QVERIFY2(c->isEnabled() == expected, qPrintable(c->objectName()));
            ++i;
        }
        for (QAction *a : actions)
            QVERIFY2(a->isEnabled() == before[i++], qPrintable(a->objectName()));

        // Leaving the program while a recording runs keeps it in Mem.
        const QStringList earlier = QDir(Paths::MemFolder()).entryList({"sigm-*.wav"}, QDir::Files);
        w->SaveBiton->click();
        QTest::qWait(400);
        w->close();
        QStringList kept = QDir(Paths::MemFolder()).entryList({"sigm-*.wav"}, QDir::Files);
        for (const QString &name : earlier)
            kept.removeAll(name);
        QCOMPARE(kept.size(), 1);
        QVERIFY(unbrokenCounter(Paths::MemFolder() + "/" + kept.first(), &frames));
        QVERIFY2(frames > 0.3 * 44100, qPrintable(QString::number(frames)));
        QVERIFY(!QFile::exists(Paths::WorkingFile()));
    }

    void aRecordingWhoseEndFailsIsKeptInAReadableFile()
    {
        UseFake fake;
        Folders restore;
        ScriptedMessages boxes;
        auto w = startedWindow();
        const QString root = TestEnv::Root() + "/safety";
        QDir(root).removeRecursively();
        Paths::SetMemFolder(root + "/Mem");

        // The working folder vanishes and a file takes its place, so it
        // cannot be created again: the recording goes to Mem and is shown.
        Paths::SetWorkingFolder(root + "/work");
        QDir().mkpath(root + "/work");
        recordAndBreak(*w, 700, [&] {
            QDir(root + "/work").removeRecursively();
            writeFile(root + "/work", "not a folder");
        });
        QCOMPARE(boxes.Shown().size(), size_t(1));
        const QStringList kept = QDir(root + "/Mem").entryList({"sigm-*.wav"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        const QString rescued = root + "/Mem/" + kept.first();
        QVERIFY2(boxes.Texts().first().contains(QDir::toNativeSeparators(rescued)), qPrintable(boxes.Texts().first()));
        qint64 frames = 0;
        QVERIFY(unbrokenCounter(rescued, &frames));
        QVERIFY2(frames > 0.6 * 44100, qPrintable(QString::number(frames)));
        QCOMPARE(w->st.FlName, rescued);
        QCOMPARE(w->st.SampleRate, 44100);
        QVERIFY(w->SaveWav->isEnabled() && w->PrintBiton->isEnabled() && w->zapis->isEnabled());
        QVERIFY(!w->Stopbiton->isEnabled() && w->OpenWav->isEnabled());
        // Leaving the program deletes the working file, never the kept one.
        QFile::remove(root + "/work");
        w->close();
        QVERIFY(QFile::exists(rescued));

        SmallDisk disk(root + "/small", 96);
        if (!disk.mounted)
            QSKIP("a small tmpfs needs root: the full and read-only disk cases are not run");
        // A working folder that fills up: the whole recording goes to Mem,
        // and the working file holds a valid part, never a header that
        // claims more than it holds.
        QDir(root + "/Mem").removeRecursively();
        Paths::SetWorkingFolder(disk.path);
        w = startedWindow();
        size_t shown = boxes.Shown().size();
        recordAndBreak(*w, 900, [] {});
        QCOMPARE(boxes.Shown().size(), ++shown);
        QVERIFY(unbrokenCounter(Paths::WorkingFile(), &frames));
        QVERIFY2(frames > 0 && frames < 0.6 * 44100, qPrintable(QString::number(frames)));
        const QString full = root + "/Mem/" + QDir(root + "/Mem").entryList({"sigm-*.wav"}, QDir::Files).value(0);
        QVERIFY(unbrokenCounter(full, &frames));
        QVERIFY2(frames > 0.8 * 44100, qPrintable(QString::number(frames)));
        QVERIFY2(boxes.Texts().last().contains(QDir::toNativeSeparators(full)), qPrintable(boxes.Texts().last()));
        QCOMPARE(w->st.FlName, full);

        // Mem on the same full disk: the part that fitted is kept and shown,
        // and the message says it is only a part.
        Paths::SetMemFolder(disk.path + "/Mem");
        QFile::remove(Paths::WorkingFile());
        recordAndBreak(*w, 900, [] {});
        QCOMPARE(boxes.Shown().size(), ++shown);
        QVERIFY2(boxes.Texts().last().contains(QStringLiteral("только на часть")), qPrintable(boxes.Texts().last()));
        QVERIFY(unbrokenCounter(Paths::MapPath(w->st.FlName), &frames));
        QVERIFY(frames > 0);
        QVERIFY(w->SaveWav->isEnabled());

        // A working folder that turns read-only: kept in Mem.
        Paths::SetMemFolder(root + "/Mem2");
        recordAndBreak(*w, 500, [&] { QVERIFY(disk.ReadOnly()); });
        QCOMPARE(boxes.Shown().size(), ++shown);
        QVERIFY(w->st.FlName.startsWith(root + "/Mem2/"));
        QVERIFY(unbrokenCounter(w->st.FlName, &frames));
        QVERIFY2(frames > 0.4 * 44100, qPrintable(QString::number(frames)));
        w->close();
    }

    void aLostSoundServerKeepsTheRecordingAndCaptureComesBack()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty() || QStandardPaths::findExecutable("pacat").isEmpty())
            QSKIP("pulseaudio and pacat are needed for a server to lose");
        const QByteArray oldServer = qgetenv("PULSE_SERVER");
        PrivateServer pulse;
        QVERIFY(pulse.Start());
        qputenv("PULSE_SERVER", "unix:" + pulse.socket().toUtf8());
        qputenv("SIGM_INPUT", "lostin");
        struct Back {
            QByteArray server;
            ~Back()
            {
                if (server.isEmpty())
                    qunsetenv("PULSE_SERVER");
                else
                    qputenv("PULSE_SERVER", server);
            }
        } back{oldServer};
        ScriptedMessages boxes;
        auto w = startedWindow();

        // The null sink's monitor delivers its first data about 2 s after
        // the server started: record past that, then lose the server.
        w->SaveBiton->click();
        QVERIFY(w->MemoryRecordingRuns());
        QTRY_VERIFY_WITH_TIMEOUT(w->SaveZvukWindow() && w->SaveZvukWindow()->ProgressBar1->value() >= 4, 8000);
        pulse.Kill();
        QElapsedTimer sinceKill;
        sinceKill.start();
        QTRY_VERIFY_WITH_TIMEOUT(!w->MemoryRecordingRuns(), 3000);
        const qint64 endedAfter = sinceKill.elapsed();
        QVERIFY2(endedAfter < 1500, qPrintable(QString::number(endedAfter)));
        QVERIFY(!w->SaveZvukWindow() && !w->TimerIndikator->isActive());
        QCOMPARE(boxes.Shown().size(), size_t(1));
        QVERIFY2(boxes.Texts().first().startsWith(mciGetErrorString(MciErr::DeviceLost))
                     && boxes.Texts().first().contains(QStringLiteral("в рабочем файле")),
                 qPrintable(boxes.Texts().first()));
        double hz = 0;
        int peak = 0;
        toneOf(Paths::WorkingFile(), &hz, &peak);
        QVERIFY2(peak > 14000 && std::abs(hz - 1000) < 60, qPrintable(QString("%1 Hz, peak %2").arg(hz).arg(peak)));
        QVERIFY(w->SaveWav->isEnabled() && w->zapis->isEnabled());

        // No server: said plainly, and no demo signal in its place.
        w->zapis_Click();
        QCOMPARE(boxes.Shown().size(), size_t(2));
        QCOMPARE(boxes.Texts().last(), mciGetErrorString(MciErr::InputUnavailable));
        QVERIFY(!w->st.CaptureRunning && w->zapis->isEnabled() && !w->Timer1->isActive());
        QVERIFY(!CaptureEngine::Instance().InputIsDemo());

        // The server comes back: the next start captures its signal (its
        // null sink passes sound on 2 s after it was made).
        QVERIFY(pulse.Start());
        QTest::qWait(2500);
        w->zapis_Click();
        QVERIFY2(boxes.Shown().size() == 2, qPrintable(boxes.Texts().join('|')));
        QVERIFY(w->Timer1->isActive() && !CaptureEngine::Instance().InputIsDemo());
        QTest::qWait(2000);  // refreshes run on their own
        QVERIFY2(boxes.Shown().size() == 2 && w->Timer1->isActive(), qPrintable(boxes.Texts().join('|')));
        w->Timer1->stop();
        QTest::qWait(300);  // the last pass, which the stop saves
        w->Stopbiton_Click();
        QVERIFY2(boxes.Shown().size() == 2, qPrintable(boxes.Texts().join('|')));
        QVERIFY2(QFileInfo(Paths::WorkingFile()).size() > 4410 * 4, qPrintable(QString::number(QFileInfo(Paths::WorkingFile()).size())));
        toneOf(Paths::WorkingFile(), &hz, &peak);
        QVERIFY2(peak > 14000 && std::abs(hz - 1000) < 60, qPrintable(QString("%1 Hz, peak %2").arg(hz).arg(peak)));

        // The server freezes: the input menu holds the window up for a
        // moment the first time, and not at all once the server is found
        // frozen; when it runs again its inputs are listed and capture
        // comes back.
        const pid_t serverPid = pid_t(pulse.server.processId());
        struct Thaw {
            pid_t pid;
            ~Thaw() { ::kill(pid, SIGCONT); }
        } thaw{serverPid};
        CaptureEngine::Instance().Shutdown();  // the next start looks its input up
        ::kill(serverPid, SIGSTOP);
        QMenu *menu = w->Input->InputMenu;
        auto menuLists = [&] {
            for (const QAction *a : menu->actions())
                if (a->data().toString() == QLatin1String("lostin"))
                    return true;
            return false;
        };
        QElapsedTimer held;
        held.start();
        Q_EMIT menu->aboutToShow();
        const qint64 firstHeld = held.restart();
        QTest::qWait(2500);  // the look at the frozen server gives up
        held.restart();
        Q_EMIT menu->aboutToShow();
        const qint64 againHeld = held.elapsed();
        QVERIFY2(firstHeld < 500 && againHeld < 500,  // (bounds loose enough for a sanitized build under load)
                 qPrintable(QString("first %1 ms, again %2 ms").arg(firstHeld).arg(againHeld)));
        // A start on the frozen server returns at once; that no sound comes
        // is told when the first pass's wait is up, in the words a start
        // that waited used, and capture is back to idle.
        held.restart();
        w->zapis_Click();
        const qint64 startHeld = held.elapsed();
        QVERIFY2(startHeld < 500 && w->CaptureStarting() && boxes.Shown().size() == 2,
                 qPrintable(QString("%1 ms; %2").arg(startHeld).arg(boxes.Texts().join('|'))));
        QTRY_VERIFY_WITH_TIMEOUT(!w->CaptureStarting(), 8000);
        QVERIFY2(boxes.Shown().size() == 3 && boxes.Texts().last() == mciGetErrorString(MciErr::DeviceLost),
                 qPrintable(boxes.Texts().join('|')));
        QVERIFY(!w->st.CaptureRunning && w->zapis->isEnabled() && !w->Timer1->isActive());
        ::kill(serverPid, SIGCONT);
        QTRY_VERIFY_WITH_TIMEOUT((Q_EMIT menu->aboutToShow(), menuLists()), 5000);
        w->zapis_Click();
        QTest::qWait(1500);
        QVERIFY2(boxes.Shown().size() == 3 && w->Timer1->isActive(), qPrintable(boxes.Texts().join('|')));
        w->Timer1->stop();
        QTest::qWait(300);
        w->Stopbiton_Click();
        QVERIFY2(boxes.Shown().size() == 3, qPrintable(boxes.Texts().join('|')));
        toneOf(Paths::WorkingFile(), &hz, &peak);
        QVERIFY2(peak > 14000 && std::abs(hz - 1000) < 60, qPrintable(QString("%1 Hz, peak %2").arg(hz).arg(peak)));
        w->close();
    }

    void failedStartsLeaveATrueState()
    {
        Folders restore;
        auto w = startedWindow();
        {
            // A working folder that cannot be created: a write failure of the
            // folder, start stays available, a sweep change does nothing more.
            UseFake fake;
            ScriptedMessages boxes;
            const QString blocked = TestEnv::Root() + "/blocked";
            writeFile(blocked, "a file where the folder should be");
            Paths::SetWorkingFolder(blocked + "/work");
            w->zapis_Click();
            QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("У вас нет прав для работы с файлом tmp.wav или файл "
                                                               "блокирован другим процессом.")});
            QVERIFY(!w->st.CaptureRunning && w->zapis->isEnabled() && !w->Timer1->isActive());
            w->RasTime->SetListIndex(w->RasTime->ListIndex() == 3 ? 4 : 3);
            QVERIFY2(boxes.Shown().size() == 1, qPrintable(boxes.Texts().join('|')));
            QVERIFY(!w->st.CaptureRunning && !w->Timer1->isActive());
            QCOMPARE(fake.stats->starts, 0);
            // The memory button says the same and the program goes on.
            w->show();
            w->SaveBiton_Click();
            QCOMPARE(boxes.Shown().size(), size_t(2));
            QCOMPARE(boxes.Texts().last(), boxes.Texts().first());
            QVERIFY(w->isVisible() && !w->MemoryRecordingRuns() && w->SaveBiton->isEnabled());
            QFile::remove(blocked);
            Paths::SetWorkingFolder(restore.work);
        }
        {
            // No input takes the format: the device stays open, but the next
            // start closes it and runs.
            FakeScript refuses;
            refuses.startError = MciErr::NoSuitableInput;
            UseFake fake(refuses);
            ScriptedMessages boxes;
            w->zapis_Click();
            QCOMPARE(boxes.Texts(), QStringList{mciGetErrorString(MciErr::NoSuitableInput)});
            QVERIFY(!w->st.CaptureRunning && w->zapis->isEnabled());
            auto stats = std::make_shared<FakeStats>();
            CaptureEngine::Instance().SetSourceFactory(
                [stats](int *) { return std::unique_ptr<CaptureSource>(new FakeSource({}, stats)); });
            w->zapis_Click();
            QVERIFY2(boxes.Shown().size() == 1, qPrintable(boxes.Texts().join('|')));
            QVERIFY(w->st.CaptureRunning && w->Timer1->isActive());
            w->Stopbiton_Click();
        }
        w->close();
    }

    void anErrorFromAPressedScrollBarShowsOneBoxAndLetsGo()
    {
        UseFake fake;
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->show();
        w->SaveBiton->click();
        QTest::qWait(500);
        w->SaveZvukWindow()->Stop->click();
        QVERIFY(boxes.Shown().empty() && w->HScroll1->isEnabled());
        QFile::remove(Paths::WorkingFile());
        const QPoint trough(w->HScroll1->width() - 40, w->HScroll1->height() / 2);
        // Held down past the bar's repeat delay.
        QTest::mousePress(w->HScroll1, Qt::LeftButton, {}, trough);
        QTest::qWait(900);
        QCOMPARE(boxes.Shown().size(), size_t(1));
        QTest::mouseRelease(w->HScroll1, Qt::LeftButton, {}, trough);
        // The bar is not left repeating, and the next click is taken, once.
        // The failure would only repeat, so the held display says nothing
        // more until a file is opened or capture starts.
        const int before = w->HScroll1->Value();
        QTest::mouseClick(w->HScroll1, Qt::LeftButton, {}, trough);
        QTest::qWait(300);
        QCOMPARE(w->HScroll1->Value(), std::min(before + w->HScroll1->LargeChange(), w->HScroll1->maximum()));
        QCOMPARE(boxes.Shown().size(), size_t(1));
        w->close();
    }

    void aLongRecordingStreamsToItsOwnFileEndsOnAFullDiskAndIsSavedByMoving()
    {
        SettingsStore::SaveSetting("Sigm", "Recording", "Length", "600");
        Folders restore;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScriptedMessages boxes;
        auto w = startedWindow();
        w->show();
        {
            // The progress window tells the time, the length and the room
            // left; its Стоп keeps everything and shows it from its own file.
            FakeScript fast;
            fast.speed = 20;
            UseFake fake(fast);
            Paths::SetWorkingFolder(dir.path() + "/work");
            w->SaveBiton->click();
            QVERIFY(w->MemoryRecordingRuns() && w->SaveZvukWindow() && w->SaveZvukWindow()->Label2);
            QTest::qWait(1500);
            const QString told = w->SaveZvukWindow()->Label2->text();
            QVERIFY2(told.contains(QStringLiteral(" из 0:10:00")) && told.contains(QStringLiteral("свободно")),
                     qPrintable(told));
            QVERIFY2(w->SaveZvukWindow()->ProgressBar1->value() >= 10, qPrintable(told));  // 20 s of sound a second
            QCOMPARE(w->SaveZvukWindow()->ProgressBar1->maximum(), 600);
            w->SaveZvukWindow()->Stop->click();
            QVERIFY(!w->MemoryRecordingRuns() && !w->st.CaptureRunning && w->SaveBiton->isEnabled());
            QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
            QVERIFY(w->st.FlName.startsWith(dir.path() + "/work/zapis-"));
            QVERIFY(QFileInfo(w->st.FlName).size() > 20 * 44100 * 4);
            QCOMPARE(w->st.SampleRate, 44100);
        }
        {
            // Saved on the same disk, the file is moved, not copied; shown
            // from its new place, and a second save copies it from there.
            const QString recorded = w->st.FlName;
            struct stat before {};
            QCOMPARE(::stat(QFile::encodeName(recorded).constData(), &before), 0);
            Paths::SetMemFolder(dir.path() + "/mem");
            const auto saveAs = [&](const QString &name) {
                UiSeam::SetModalHandler([&](QDialog *d) {
                    if (auto *save = qobject_cast<SaveFile *>(d)) {
                        save->Text1->setText(name);
                        save->SaveFl->click();
                    }
                    return d->result();
                });
                w->SaveWav_Click();
                UiSeam::SetModalHandler({});
            };
            saveAs("long");
            const QString saved = Paths::MemFolder() + "/long.wav";
            struct stat after {};
            QCOMPARE(::stat(QFile::encodeName(saved).constData(), &after), 0);
            QCOMPARE(after.st_ino, before.st_ino);
            QVERIFY(!QFile::exists(recorded));
            QCOMPARE(w->st.FlName, saved);
            saveAs("again");
            QCOMPARE(readFile(Paths::MemFolder() + "/again.wav"), readFile(saved));
            QVERIFY(QFile::exists(saved));
        }
        {
            // A disk that fills ends the recording by itself, keeps all that
            // fitted, shows it and says so.
            SmallDisk small(dir.path() + "/small", 2048);
            if (!small.mounted)
                QSKIP("cannot mount a small disk here (the recorder's own test covers a size limit)");
            FakeScript fast;
            fast.speed = 20;
            UseFake fake(fast);
            Paths::SetWorkingFolder(small.path);
            const size_t earlier = boxes.Shown().size();
            w->SaveBiton->click();
            QVERIFY(w->MemoryRecordingRuns());
            QTRY_VERIFY_WITH_TIMEOUT(!w->MemoryRecordingRuns(), 10000);
            QCOMPARE(boxes.Shown().size(), earlier + 1);
            const QString text = boxes.Texts().last();
            QVERIFY2(text.startsWith(QStringLiteral("На диске кончилось место, запись остановлена.")), qPrintable(text));
            QVERIFY2(text.contains(QDir::toNativeSeparators(w->st.FlName)), qPrintable(text));
            QVERIFY(w->st.FlName.startsWith(small.path + "/zapis-"));
            WavInfo info;
            QCOMPARE(ReadWavInfo(w->st.FlName, &info), 0);
            QVERIFY(info.frames * 4 > 2000 * 1024 - 200 * 1024);
            QVERIFY(w->SaveBiton->isEnabled() && !w->st.CaptureRunning);
        }
        w->close();
    }
};

SIGM_TEST(RecordingSafetyTest)
#include "tst_safety.moc"
