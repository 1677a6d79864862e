// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The language the program speaks. Russian is the program's own: its texts
// are the source strings, shown as they are when no translation is
// installed. English comes from the translation built into the program
// (translations/sigmalit_en.ts). The choice is made once, before the first
// window, from the stored setting and the system's locale; numbers follow it
// (a decimal comma in Russian, a dot in English).
#include <QString>

class QLocale;

namespace Language {

enum class Choice { Auto, Russian, English };
enum class Lang { Russian, English };

// [Interface] Language: auto, ru or en; anything else reads as auto.
Choice StoredChoice();
void StoreChoice(Choice choice);

// Russian under ru_* and under the C/POSIX locale (the classic program),
// English under every other.
Lang ForLocale(const QLocale &system);
// A choice resolved against the locale messages are shown in (LC_ALL,
// LC_MESSAGES, LANG).
Lang Resolve(Choice choice);
// The stored choice resolved.
Lang Chosen();

// Installs the translations of the language (the program's and Qt's own
// dialogs') and the locale numbers are shown and read in. Russian under a
// Russian or C locale leaves everything as the classic program had it.
void Apply(Lang lang);
Lang Current();

// The program's name as the windows' titles show it.
QString AppTitle();

}  // namespace Language
