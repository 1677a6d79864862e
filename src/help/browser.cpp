// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/browser.h"

#include "platform/messagebox.h"
#include "platform/paths.h"

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
    return QUrl::fromLocalFile(Paths::ProgramFolder() + QStringLiteral("/help.htm"));
}

void Open()
{
    const QUrl url = Url();
    // A browser handed a missing page shows an error page of its own (or
    // nothing): name the missing file instead.
    if (!QFileInfo(url.toLocalFile()).isFile()) {
        MsgBox(QStringLiteral("Файл справки не найден: ") + QDir::toNativeSeparators(url.toLocalFile())
                   + QStringLiteral("\r\nПереустановите программу."),
               MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Сигмалит"));
        return;
    }
    if (!Browser::Open(url))
        MsgBox(QStringLiteral("Не удалось запустить веб-браузер. Справка находится в файле ")
                   + QDir::toNativeSeparators(url.toLocalFile()),
               MsgButtons::OK, MsgIcon::Information, QStringLiteral("Сигмалит"));
}

}  // namespace HelpPage
