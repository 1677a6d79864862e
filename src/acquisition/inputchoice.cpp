// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/inputchoice.h"

#include "acquisition/mci.h"
#include "platform/settings.h"

#include <QCoreApplication>
#include <algorithm>

namespace InputChoice {

QList<SoundInputInfo> List(bool waitForAnswer)
{
    return ListSoundInputs(nullptr, true, waitForAnswer);
}

QString Stored()
{
    return SettingsStore::GetSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Source"))
        .trimmed();
}

QString StoredDescription()
{
    return SettingsStore::GetSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Description"))
        .trimmed();
}

QString Caption(const SoundInputInfo &i)
{
    return i.monitor ? QCoreApplication::translate("Capture", "Звук компьютера: ") + i.description : i.description;
}

QString DescriptionOf(const QString &choice)
{
    for (const SoundInputInfo &i : List())
        if (i.name == choice)
            return Caption(i);
    return QString();
}

void Store(const QString &choice)
{
    SettingsStore::Batch batch;
    // A choice that is not listed now keeps the name it was stored with.
    const QString description = DescriptionOf(choice);
    if (!description.isEmpty() || choice != Stored())
        SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Description"),
                                   description);
    SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Source"), choice);
}

QString OneLine(const QString &name, int maxChars)
{
    QString line = name;
    for (QChar &c : line)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    if (line.size() <= maxChars)
        return line;
    qsizetype head = std::max(1, maxChars / 2 - 1), tail = std::max(1, maxChars - int(head) - 1);
    // Never half of a character outside the basic plane.
    if (line[head - 1].isHighSurrogate())
        --head;
    if (line[line.size() - tail].isLowSurrogate())
        --tail;
    return line.left(head) + QChar(0x2026) + line.right(tail);
}

QString MenuText(const QString &name)
{
    return OneLine(name, 100).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::unique_ptr<CaptureSource> Make(const QString &choice, int *error, QString *notice)
{
    *error = 0;
    if (choice.compare(QLatin1String(kDemo), Qt::CaseInsensitive) == 0)
        return MakeDemoSource();
    if (!choice.isEmpty()) {
        bool listed = false;
        for (const SoundInputInfo &i : List())
            listed = listed || i.name == choice;
        if (listed) {
            if (auto input = MakeSoundInput(choice, error))
                return input;
        }
        *error = 0;
        const QString described = choice == Stored() ? StoredDescription() : QString();
        *notice = QCoreApplication::translate("Capture", "Выбранный звуковой вход «%1» не найден. Используется вход по умолчанию.")
                      .arg(described.isEmpty() ? choice : described);
    }
    return MakeSoundInput(QString(), error);
}

}  // namespace InputChoice
