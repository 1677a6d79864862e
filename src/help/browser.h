// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opens pages in the user's web browser. Tests put an opener of their own
// in place of the desktop's, so no browser starts.
#include <QUrl>
#include <functional>

namespace Browser {

// True when the desktop took the page.
bool Open(const QUrl &url);

using Opener = std::function<bool(const QUrl &)>;
// An empty opener restores the desktop's.
void SetOpener(Opener opener);

}  // namespace Browser

namespace HelpPage {

// help.htm in the program folder.
QUrl Url();
// Opens the help page; tells the user where the page is when no browser
// would take it.
void Open();

}  // namespace HelpPage
