// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/inputchoice.h"

#include "acquisition/mci.h"
#include "platform/settings.h"

namespace InputChoice {

QList<SoundInputInfo> List()
{
    return ListSoundInputs(nullptr, true);
}

QString Stored()
{
    return SettingsStore::GetSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Source"))
        .trimmed();
}

void Store(const QString &choice)
{
    SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Source"), choice);
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
        *notice = QStringLiteral("Выбранный звуковой вход «%1» не найден. Используется вход по умолчанию.")
                      .arg(choice);
    }
    return MakeSoundInput(QString(), error);
}

}  // namespace InputChoice
