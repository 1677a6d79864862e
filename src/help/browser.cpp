// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/browser.h"

#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace Browser {
namespace {
Opener g_opener;
}

bool Open(const QUrl &url)
{
    if (g_opener)
        return g_opener(url);
    return QDesktopServices::openUrl(url);
}

void SetOpener(Opener opener)
{
    g_opener = std::move(opener);
}

}  // namespace Browser

namespace HelpPage {

QUrl Url()
{
    // The English page where it is installed; the Russian one is the
    // program's own and always there.
    if (Language::Current() == Language::Lang::English) {
        const QString english = Paths::ProgramFolder() + QStringLiteral("/help-en.htm");
        if (QFileInfo(english).isFile())
            return QUrl::fromLocalFile(english);
    }
    return QUrl::fromLocalFile(Paths::ProgramFolder() + QStringLiteral("/help.htm"));
}

void Open()
{
    const QUrl url = Url();
    // A browser handed a missing page shows an error page of its own (or
    // nothing): name the missing file instead.
    if (!QFileInfo(url.toLocalFile()).isFile()) {
        MsgBox(QCoreApplication::translate("Help", "Файл справки не найден: ") + QDir::toNativeSeparators(url.toLocalFile())
                   + QCoreApplication::translate("Help", "\r\nПереустановите программу."),
               MsgButtons::OK, MsgIcon::Exclamation, Language::AppTitle());
        return;
    }
    if (!Browser::Open(url))
        MsgBox(QCoreApplication::translate("Help", "Не удалось запустить веб-браузер. Справка находится в файле ")
                   + QDir::toNativeSeparators(url.toLocalFile()),
               MsgButtons::OK, MsgIcon::Information, Language::AppTitle());
}

}  // namespace HelpPage
