// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pribor.h"
#include "help/about.h"
#include "help/browser.h"
#include "help/prhelp.h"
#include "platform/keystore.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "testenv.h"
#include "testregistry.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

QString helpSetting()
{
    return SettingsStore::GetSetting("Sigm", "Setting", "help", "<absent>");
}

// Starts the program's window and lets its start-up hint come up, answered
// by `answer`; returns whether the hint was shown.
bool startAndAnswerHint(const std::function<void(PrHelp *)> &answer)
{
    bool shown = false;
    UiSeam::SetModalHandler([&](QDialog *d) {
        if (auto *hint = qobject_cast<PrHelp *>(d)) {
            shown = true;
            answer(hint);
        }
        return d->result();
    });
    Pribor w;
    w.Form_Load();
    // The hint comes 300 ms after the window; wait well past that.
    QTest::qWait(700);
    UiSeam::SetModalHandler({});
    return shown;
}

}  // namespace

class HintTest : public QObject {
    Q_OBJECT
    QList<QUrl> opened;

private slots:
    void init()
    {
        TestEnv::Reset();
        opened.clear();
        Browser::SetOpener([this](const QUrl &url) {
            opened << url;
            return true;
        });
    }
    void cleanup()
    {
        Browser::SetOpener({});
        UiSeam::SetModalHandler({});
    }

    void hintHasItsTexts()
    {
        PrHelp hint;
        QCOMPARE(hint.windowTitle(), QStringLiteral("Помощь Сигмалит"));
        QCOMPARE(hint.Label1->text(), QStringLiteral("   Для обучения работе с программой нажми ОК"));
        QCOMPARE(hint.Check1->text(), QStringLiteral("Не  показывать больше это окно."));
        QCOMPARE(hint.Command1->text(), QStringLiteral("OK"));
        QVERIFY(!hint.Check1->isChecked());
    }

    void tickingAndOkOpensHelpAndHidesTheHintForGood()
    {
        QVERIFY(startAndAnswerHint([](PrHelp *hint) {
            hint->Check1->setChecked(true);
            QTest::mouseClick(hint->Command1, Qt::LeftButton);
        }));
        QCOMPARE(helpSetting(), QStringLiteral("1"));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(Paths::ProgramFolder() + "/help.htm")});
        QVERIFY(QFile::exists(opened.first().toLocalFile()));
        // Next start: no hint, and the timer never runs.
        Pribor next;
        next.Form_Load();
        QVERIFY(!next.Timer3->isActive());
        QVERIFY(!startAndAnswerHint([](PrHelp *) {}));
    }

    void closingWithTheBoxTickedAlsoHidesItWithoutOpeningHelp()
    {
        QVERIFY(startAndAnswerHint([](PrHelp *hint) {
            hint->Check1->setChecked(true);
            hint->close();
        }));
        QCOMPARE(helpSetting(), QStringLiteral("1"));
        QVERIFY(opened.isEmpty());
        QVERIFY(!startAndAnswerHint([](PrHelp *) {}));
    }

    void okWithoutTickingShowsTheHintAgainNextTime()
    {
        QVERIFY(startAndAnswerHint([](PrHelp *hint) { QTest::mouseClick(hint->Command1, Qt::LeftButton); }));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(helpSetting(), QStringLiteral("<absent>"));
        QVERIFY(startAndAnswerHint([](PrHelp *hint) { hint->reject(); }));
    }

    void timerTicksOnce()
    {
        int shown = 0;
        UiSeam::SetModalHandler([&](QDialog *d) {
            shown += qobject_cast<PrHelp *>(d) != nullptr;
            return int(QDialog::Rejected);
        });
        Pribor w;
        w.Form_Load();
        QTest::qWait(1100);
        QCOMPARE(shown, 1);
        QVERIFY(!w.Timer3->isActive());
    }

    void helpMenuOpensTheHelpPage()
    {
        Pribor w;
        w.SpravMenu->trigger();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(Paths::ProgramFolder() + "/help.htm")});
        // Without a browser the user learns where the page is.
        Browser::SetOpener([](const QUrl &) { return false; });
        ScriptedMessages messages;
        w.SpravMenu_Click();
        QCOMPARE(messages.Shown().size(), size_t(1));
        QVERIFY(messages.Shown()[0].text.endsWith(Paths::ProgramFolder() + "/help.htm"));
        // The about box's link says the same instead of failing silently.
        {
            frmAbout about;
            about.Label1_Click();
        }
        QCOMPARE(messages.Shown().size(), size_t(2));
        QCOMPARE(messages.Shown()[1].text, messages.Shown()[0].text);
        // A missing page is named as missing, not handed to a browser.
        bool asked = false;
        Browser::SetOpener([&](const QUrl &) { return asked = true; });
        const QString page = Paths::ProgramFolder() + "/help.htm";
        QVERIFY(QFile::rename(page, page + ".away"));
        w.SpravMenu_Click();
        QVERIFY(QFile::rename(page + ".away", page));
        QVERIFY(!asked);
        QCOMPARE(messages.Shown().size(), size_t(3));
        QVERIFY(messages.Shown()[2].text.startsWith(QStringLiteral("Файл справки не найден: ") + page));
    }
};
SIGM_TEST(HintTest)

class AboutTest : public QObject {
    Q_OBJECT
    QTemporaryDir bin;
    QByteArray savedPath;

    // A stand-in system information program that leaves a mark when started.
    QString makeTool(const QString &name)
    {
        const QString path = bin.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n/usr/bin/touch \"$0.started\"\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

private slots:
    void initTestCase() { savedPath = qgetenv("PATH"); }
    void init() { TestEnv::Reset(); }
    void cleanup()
    {
        qputenv("PATH", savedPath);
        KeyStore::SetSource({});
        Browser::SetOpener({});
        UiSeam::SetModalHandler({});
    }

    // A real capture, from the demo generator so no sound server is needed.
    void aboutBoxStopsARunningCaptureFirst()
    {
        qputenv("SIGM_INPUT", "demo");
        SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
        ScriptedMessages messages;
        Pribor w;
        w.Form_Load();
        w.zapis_Click();
        QVERIFY(w.st.CaptureRunning);
        QVERIFY(w.Stopbiton->isEnabled());
        QString caption;
        bool runningWhenShown = true;
        UiSeam::SetModalHandler([&](QDialog *d) {
            caption = d->windowTitle();
            runningWhenShown = w.st.CaptureRunning || w.Timer1->isActive();
            return int(QDialog::Accepted);
        });
        w.OProgMenu->trigger();
        QCOMPARE(caption, QStringLiteral("О программе Сигмалит"));
        QVERIFY(!runningWhenShown);
        // It stays stopped after the box closes; the last pass is on show.
        QVERIFY(!w.st.CaptureRunning);
        QVERIFY(!w.Stopbiton->isEnabled());
        QVERIFY(w.zapis->isEnabled());
        QVERIFY(QFile::exists(Paths::WorkingFile()));
        // Idle: the box simply opens.
        caption.clear();
        w.OProgMenu_Click();
        QCOMPARE(caption, QStringLiteral("О программе Сигмалит"));
        QVERIFY(messages.Shown().empty());
        qunsetenv("SIGM_INPUT");
    }

    void aboutBoxControls()
    {
        QList<QUrl> opened;
        Browser::SetOpener([&](const QUrl &url) {
            opened << url;
            return true;
        });
        frmAbout about;
        QCOMPARE(about.cmdSysInfo->text(), QStringLiteral("&Информация  о системе"));
        QCOMPARE(about.cmdOK->text(), QStringLiteral("OK"));
        QVERIFY(QRegularExpression(QStringLiteral("^Версия \\d+\\.\\d+\\.\\d+$")).match(about.lblVersion->text()).hasMatch());
        QVERIFY(about.Label1->text().contains(QStringLiteral("help.htm")));
        about.Label1_Click();
        QCOMPARE(opened, QList<QUrl>{About::WebPage()});
        QVERIFY(QFile::exists(About::WebPage().toLocalFile()));
    }

    void sysInfoStartsTheProgramFoundOnThisMachine()
    {
        const QString tool = makeTool(QStringLiteral("hardinfo"));
        qputenv("PATH", QFile::encodeName(bin.path()));
        QString value;
        QVERIFY(GetKeyValue(KeyRoot::LocalMachine, "software\\microsoft\\shared tools\\msinfo", "Path", value));
        QCOMPARE(value, tool);
        ScriptedMessages messages;
        frmAbout about;
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tool + ".started"), 5000);
        QVERIFY(messages.Shown().empty());
    }

    void sysInfoUnavailableWithoutAProgram()
    {
        qputenv("PATH", QFile::encodeName(bin.path() + "/empty"));
        QString value = QStringLiteral("old");
        QVERIFY(!GetKeyValue(KeyRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value));
        QVERIFY(value.isEmpty());
        ScriptedMessages messages;
        frmAbout about;
        about.cmdSysInfo_Click();
        // A recorded path that will not start is reported the same way.
        KeyStore::SetSource([](KeyRoot, const QString &, const QString &) {
            return KeyStore::Lookup{true, KeyValue::String("/nonexistent/sysinfo")};
        });
        about.cmdSysInfo_Click();
        QCOMPARE(messages.Shown().size(), size_t(2));
        for (const MsgRequest &r : messages.Shown()) {
            QCOMPARE(r.text, QStringLiteral("System Information Is Unavailable At This Time"));
            QCOMPARE(r.icon, MsgIcon::None);
            QCOMPARE(r.buttons, MsgButtons::OK);
            QCOMPARE(r.title, QStringLiteral("Сигмалит"));
        }
    }

    void sysInfoFallsBackToTheToolsFolder()
    {
        QDir(bin.path()).mkpath("tools");
        const QString tool = makeTool(QStringLiteral("tools/MSINFO32.EXE"));
        KeyStore::SetSource([this](KeyRoot root, const QString &key, const QString &name) {
            KeyStore::Lookup l;
            if (root == KeyRoot::LocalMachine && key == "SOFTWARE\\Microsoft\\Shared Tools Location") {
                l.keyExists = true;
                if (name == "MSINFO")
                    l.value = KeyValue::String(bin.filePath("tools"));
            }
            return l;
        });
        ScriptedMessages messages;
        About::StartSysInfo();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tool + ".started"), 5000);
        QVERIFY(messages.Shown().empty());
    }

    void keyValuesComeBackAsStored()
    {
        KeyStore::SetSource([](KeyRoot root, const QString &key, const QString &name) {
            KeyStore::Lookup l;
            if (root != KeyRoot::CurrentUser || key != "K")
                return l;
            l.keyExists = true;
            if (name == "s")
                l.value = KeyValue::String("текст");
            else if (name == "nonul")
                l.value = KeyValue{KeyValue::Type::String, QByteArray("abc")};
            else if (name == "d")
                l.value = KeyValue::DWord(0x00010203);
            else if (name == "zero")
                l.value = KeyValue::DWord(0);
            else if (name == "bin")
                l.value = KeyValue{KeyValue::Type::Binary, QByteArray("\x01\x02", 2)};
            else if (name == "long")
                l.value = KeyValue::String(QString(1024, 'x'));
            return l;
        });
        QString v;
        QVERIFY(GetKeyValue(KeyRoot::CurrentUser, "K", "s", v));
        QCOMPARE(v, QStringLiteral("текст"));
        QVERIFY(GetKeyValue(KeyRoot::CurrentUser, "K", "nonul", v));
        QCOMPARE(v, QStringLiteral("abc"));
        QVERIFY(GetKeyValue(KeyRoot::CurrentUser, "K", "d", v));
        QCOMPARE(v, QStringLiteral("&h10203"));
        QVERIFY(GetKeyValue(KeyRoot::CurrentUser, "K", "zero", v));
        QCOMPARE(v, QStringLiteral("&h0"));
        v = QStringLiteral("kept");
        QVERIFY(GetKeyValue(KeyRoot::CurrentUser, "K", "bin", v));
        QCOMPARE(v, QStringLiteral("kept"));
        // Missing value, missing key, and a value too long for the buffer.
        QVERIFY(!GetKeyValue(KeyRoot::CurrentUser, "K", "none", v));
        QVERIFY(v.isEmpty());
        v = QStringLiteral("x");
        QVERIFY(!GetKeyValue(KeyRoot::LocalMachine, "K", "s", v));
        QVERIFY(v.isEmpty());
        QVERIFY(!GetKeyValue(KeyRoot::CurrentUser, "K", "long", v));
    }
};
SIGM_TEST(AboutTest)

#include "tst_help.moc"
