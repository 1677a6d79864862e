// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/savezvuk.h"
#include "analysis/cursors.h"
#include "analysis/mathtrace.h"
#include "analysis/measure.h"
#include "app/commandline.h"
#include "app/cursortool.h"
#include "app/exporttool.h"
#include "app/mathtool.h"
#include "app/pribor.h"
#include "app/referencetool.h"
#include "files/openpath.h"
#include "files/savefile.h"
#include "fourier/fourierwindow.h"
#include "generator/generatorwindow.h"
#include "help/prhelp.h"
#include "levelmeter/scala.h"
#include "platform/errortable.h"
#include "platform/language.h"
#include "platform/settings.h"
#include "print/printing.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>
#include <memory>

namespace {

// The language menu is named in both languages on purpose, each language by
// its own name, and so is the note that the change comes with a restart.
const QStringList kBilingual = {
    QStringLiteral("Язык / Language"),
    QStringLiteral("Русский"),
    QStringLiteral("Язык сменится при следующем запуске программы.\n"
                   "The language changes when the program is started again."),
};

void collect(QObject *root, QStringList &out)
{
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    auto *top = qobject_cast<QWidget *>(root);
    if (top)
        widgets.prepend(top);
    for (QWidget *w : widgets) {
        // Windows of their own (level, spectrum) are read on their own.
        if (top && w->window() != top && !qobject_cast<QMenu *>(w))
            continue;
        out << w->windowTitle() << w->toolTip();
        if (auto *l = qobject_cast<QLabel *>(w))
            out << l->text();
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            out << b->text();
        if (auto *c = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < c->count(); ++i)
                out << c->itemText(i);
        if (auto *g = qobject_cast<QGroupBox *>(w))
            out << g->title();
        if (auto *p = qobject_cast<QProgressBar *>(w))
            out << p->format();
        if (auto *m = qobject_cast<QMenu *>(w))
            out << m->title();
    }
    for (QAction *a : root->findChildren<QAction *>())
        out << a->text() << a->toolTip();
}

QStringList russianLeft(const QStringList &texts)
{
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    QStringList left;
    for (const QString &t : texts)
        if (t.contains(cyrillic) && !kBilingual.contains(t) && !left.contains(t))
            left << t;
    return left;
}

// Opens every window and dialog the tests can reach and reads every text
// on them, message boxes included. The level, spectrum and generator
// windows' texts, which follow what comes in as it comes, go to `live`.
QStringList walk(QStringList &live)
{
    TestEnv::Reset();
    QStringList texts;
    ScriptedMessages boxes;
    UiSeam::SetModalHandler([&](QDialog *d) {
        collect(d, texts);
        return int(QDialog::Rejected);
    });
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
    {
        auto w = std::make_unique<Pribor>();
        w->Form_Load();
        // Before a file: the boxes that refuse for want of a screen.
        w->References->StoreAct[0]->trigger();
        w->TimeMenu->trigger();
        w->CalibMenu->trigger();
        w->OProgMenu->trigger();
        w->OpenWav->trigger();
        const QString demo = QFINDTESTDATA("../../data/Mem/demo.wav");
        if (!OpenPath::OpenGivenFile(*w, demo))
            texts << QStringLiteral("<demo.wav did not open>");
        OpenPath::OpenGivenFile(*w, TestEnv::Temp(QStringLiteral("nowhere.wav")));
        for (const char *name : {"MathLowPass", "MeasureMenu", "CursorsMenu"})
            if (auto *a = w->findChild<QAction *>(QLatin1String(name)))
                a->trigger();
        if (auto *a = w->findChild<QAction *>(QStringLiteral("MathCorner")))
            a->trigger();
        w->References->StoreAct[1]->trigger();
        w->Uroven_Click();
        w->Spektr->trigger();
        w->LangAuto->trigger();
        collect(w.get(), texts);
        if (w->ScalaWindow)
            collect(w->ScalaWindow, live);
        else
            texts << QStringLiteral("<no level window>");
        if (w->SpektrWindow)
            collect(w->SpektrWindow, live);
        else
            texts << QStringLiteral("<no spectrum window>");
        w->Uroven_Click();
        w->Spektr->trigger();
        // The generator plays nothing until an output is turned on.
        if (auto *menu = w->findChild<QAction *>(QStringLiteral("GeneratorMenu"))) {
            menu->trigger();
            if (auto *generator = w->findChild<GeneratorWindow *>())
                collect(generator, live);
            else
                texts << QStringLiteral("<no generator window>");
            menu->trigger();
        }
    }
    // The windows no menu above opens while tests run.
    SaveZvuk recording;
    collect(&recording, texts);
    SaveFile saving;
    collect(&saving, texts);
    PrHelp hint;
    collect(&hint, texts);
    ReportFileError(TrapSite::Save, 71, QStringLiteral("x.wav"));
    ReportFileError(TrapSite::MemoryTick, 55);
    ReportFileError(TrapSite::Redraw, 53);
    for (const MsgRequest &r : boxes.Shown())
        texts << r.text << r.title;
    UiSeam::SetModalHandler({});
    Measure::Readings r;
    r.count = 100;
    r.frequency = 1000;
    r.period = 1e-3;
    r.peakToPeak = 2000;
    texts << Measure::Line(1, Measure::Readings{}, 1e-3) << Measure::Line(2, r, 1e-3) << Measure::Seconds(0.0025) << Measure::Volts(0.5)
          << Measure::Hertz(1500) << Cursors::SecondsText(2.5e-5) << Cursors::VoltsText(0.012)
          << MathTrace::ValueText(0.002, MathTrace::Unit(MathTrace::Function::Derivative))
          << Printing::ParametersLine(0, 5, true, 100) << Printing::ParametersLine(0, 5, false, 100)
          << CommandLine::HelpText() << CommandLine::VersionText();
    return texts;
}

}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }
    void cleanup() { Language::Apply(Language::Lang::Russian); }

    // English leaves no Russian on any window, menu, dialog or message the
    // tests can reach; the units and numbers follow it. Russian, chosen back,
    // is the program's own texts again, byte for byte.
    void englishLeavesNoRussianAndRussianStaysAsItWas()
    {
        // As the program starts under the C locale: Russian, with Qt's own
        // dialogs in Russian too.
        Language::Apply(Language::Lang::Russian);
        QStringList russianLive, englishLive, againLive;
        const QStringList russian = walk(russianLive);
        QVERIFY(russian.contains(QStringLiteral("Файл")));
        QVERIFY(russian.contains(QStringLiteral("1 мС")));
        QVERIFY(russian.contains(QStringLiteral("Вольт/Дел.(1)")));

        Language::Apply(Language::Lang::English);
        QCOMPARE(Language::Current(), Language::Lang::English);
        const QStringList english = walk(englishLive);
        for (const char *missing : {"<demo.wav did not open>", "<no level window>", "<no spectrum window>",
                                    "<no generator window>"})
            QVERIFY2(!russian.contains(QLatin1String(missing)) && !english.contains(QLatin1String(missing)), missing);
        const QStringList left = russianLeft(english + englishLive);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QStringLiteral("\n----\n"))));
        // The translation is there at all, and speaks an instrument's words.
        QVERIFY(english.contains(QStringLiteral("File")));
        QVERIFY(english.contains(QStringLiteral("1 ms")));
        QVERIFY(english.contains(QStringLiteral("500 µs")));
        QVERIFY(english.contains(QStringLiteral("Volts/div (1)")));
        QVERIFY(english.contains(QStringLiteral("Single")));
        QVERIFY(englishLive.contains(QStringLiteral("Blackman-Harris")));
        QVERIFY(englishLive.contains(QStringLiteral("Pink Noise")));
        QCOMPARE(Language::AppTitle(), QStringLiteral("Sigmalit"));
        QCOMPARE(Measure::Seconds(0.0025), QStringLiteral("2.500 ms"));
        QCOMPARE(Cursors::SecondsText(2.5e-5), QStringLiteral("25 µs"));
        // The walk met the bilingual note of the language menu.
        QVERIFY(english.contains(kBilingual.at(2)));

        Language::Apply(Language::Lang::Russian);
        QCOMPARE(walk(againLive), russian);
        QVERIFY(russianLive.contains(QStringLiteral("Уровень сигнала (дБ)")));
        QVERIFY(englishLive.contains(QStringLiteral("Signal Level (dB)")));
        QCOMPARE(Language::AppTitle(), QStringLiteral("Сигмалит"));
    }

    // Russian under ru_* and the C locale, English under any other; the
    // stored choice wins, and a value it does not know reads as automatic.
    void choiceFollowsLocaleUnlessTheMenuSaysOtherwise()
    {
        using Language::Lang;
        QCOMPARE(Language::ForLocale(QLocale::c()), Lang::Russian);
        QCOMPARE(Language::ForLocale(QLocale(QLocale::Russian, QLocale::Russia)), Lang::Russian);
        QCOMPARE(Language::ForLocale(QLocale(QLocale::Russian, QLocale::Ukraine)), Lang::Russian);
        QCOMPARE(Language::ForLocale(QLocale(QLocale::English, QLocale::UnitedStates)), Lang::English);
        QCOMPARE(Language::ForLocale(QLocale(QLocale::German, QLocale::Germany)), Lang::English);
        QCOMPARE(Language::StoredChoice(), Language::Choice::Auto);
        SettingsStore::SaveSetting("Sigm", "Interface", "Language", "en");
        QCOMPARE(Language::Chosen(), Lang::English);
        SettingsStore::SaveSetting("Sigm", "Interface", "Language", " RU ");
        QCOMPARE(Language::Chosen(), Lang::Russian);
        SettingsStore::SaveSetting("Sigm", "Interface", "Language", "klingon");
        QCOMPARE(Language::StoredChoice(), Language::Choice::Auto);

        // The menu stores the choice and marks it; a change that takes a
        // restart is said, one that changes nothing is not.
        ScriptedMessages boxes;
        SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
        Pribor w;
        QVERIFY(w.LangAuto->isChecked());
        w.LangEnglish->trigger();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Interface", "Language"), QStringLiteral("en"));
        QVERIFY(w.LangEnglish->isChecked() && !w.LangAuto->isChecked());
        QCOMPARE(boxes.Shown().size(), size_t(1));
        QCOMPARE(boxes.Shown().front().text, kBilingual.at(2));
        w.LangRussian->trigger();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Interface", "Language"), QStringLiteral("ru"));
        QCOMPARE(boxes.Shown().size(), size_t(1));
    }
};

SIGM_TEST(LanguageTest)
#include "tst_language.moc"
