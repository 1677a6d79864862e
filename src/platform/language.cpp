// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/language.h"

#include "platform/settings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace Language {
namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("Interface");
const QString kKey = QStringLiteral("Language");

Lang current = Lang::Russian;
// Installed while their language is the one spoken; removed when it changes.
std::unique_ptr<QTranslator> program;
std::unique_ptr<QTranslator> qtOwn;

void drop(std::unique_ptr<QTranslator> &t)
{
    if (t && QCoreApplication::instance())
        QCoreApplication::removeTranslator(t.get());
    t.reset();
}

void install(std::unique_ptr<QTranslator> &t, const QString &name, const QString &folder)
{
    auto fresh = std::make_unique<QTranslator>();
    if (fresh->load(name, folder) && QCoreApplication::installTranslator(fresh.get()))
        t = std::move(fresh);
}

// The locale messages are shown in, as the C library takes it: LC_ALL, then
// LC_MESSAGES, then LANG ("en_US.UTF-8" → en_US; "C", "POSIX" or none → C).
// Numbers may follow another one (LC_NUMERIC): the language goes by this.
QLocale messagesLocale()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString v = QString::fromLocal8Bit(qgetenv(name)).section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
        if (v.isEmpty())
            continue;
        if (v == QLatin1String("C") || v == QLatin1String("POSIX"))
            return QLocale::c();
        return QLocale(v);
    }
    return QLocale::c();
}

}  // namespace

Choice StoredChoice()
{
    const QString v = SettingsStore::GetSetting(kApp, kSection, kKey, QStringLiteral("auto")).trimmed().toLower();
    if (v == QLatin1String("ru"))
        return Choice::Russian;
    if (v == QLatin1String("en"))
        return Choice::English;
    return Choice::Auto;
}

void StoreChoice(Choice choice)
{
    const char *text = choice == Choice::Russian ? "ru" : choice == Choice::English ? "en" : "auto";
    SettingsStore::SaveSetting(kApp, kSection, kKey, QString::fromLatin1(text));
}

Lang ForLocale(const QLocale &system)
{
    if (system.language() == QLocale::Russian || system.language() == QLocale::C)
        return Lang::Russian;
    return Lang::English;
}

Lang Resolve(Choice choice)
{
    switch (choice) {
    case Choice::Russian: return Lang::Russian;
    case Choice::English: return Lang::English;
    case Choice::Auto: break;
    }
    return ForLocale(messagesLocale());
}

Lang Chosen()
{
    return Resolve(StoredChoice());
}

void Apply(Lang lang)
{
    drop(program);
    drop(qtOwn);
    current = lang;
    const QLocale system = QLocale::system();
    if (lang == Lang::English) {
        install(program, QStringLiteral("sigmalit_en"), QStringLiteral(":/i18n"));
        // Numbers with a decimal dot: the system's own English, or the C
        // locale's, else American English.
        if (system.language() == QLocale::English || system.language() == QLocale::C)
            QLocale::setDefault(system);
        else
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        return;
    }
    // Qt's own dialogs (printer, file chooser) speak Russian too.
    install(qtOwn, QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (system.language() == QLocale::Russian || system.language() == QLocale::C)
        QLocale::setDefault(system);
    else
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

Lang Current()
{
    return current;
}

QString AppTitle()
{
    return QCoreApplication::translate("Sigmalit", "Сигмалит");
}

}  // namespace Language
