// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace CommandLine {
namespace {

// QApplication's own options; the first group takes a value.
const QStringList kQtOptionsWithValue = {
    QStringLiteral("-platform"), QStringLiteral("-platformpluginpath"), QStringLiteral("-platformtheme"),
    QStringLiteral("-plugin"),   QStringLiteral("-display"),            QStringLiteral("-style"),
    QStringLiteral("-stylesheet"), QStringLiteral("-geometry"),         QStringLiteral("-qwindowgeometry"),
    QStringLiteral("-qwindowtitle"), QStringLiteral("-qwindowicon"),    QStringLiteral("-session"),
};
const QStringList kQtOptions = {
    QStringLiteral("-reverse"), QStringLiteral("-nograb"), QStringLiteral("-dograb"),
    QStringLiteral("-sync"),    QStringLiteral("-widgetcount"),
};

Request error(const QString &text)
{
    Request r;
    r.action = Request::Error;
    r.message = QStringLiteral("sigmalit: ") + text + QStringLiteral(" (см. sigmalit --help)");
    return r;
}

QtMessageHandler g_previous = nullptr;
std::vector<std::pair<QtMsgType, QString>> *g_held = nullptr;

bool displayMissing()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    for (const auto &held : *g_held)
        if (held.second.contains(QLatin1String("could not connect to display"), Qt::CaseInsensitive))
            return true;
    return false;
}

void guardHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtFatalMsg) {
        g_held->emplace_back(type, text);
        return;
    }
    // A display that is there but cannot be used (a plugin missing, say) is
    // not what the one-line message is about: Qt's own words explain it.
    QString said;
    if (displayMissing()) {
        said = NoDisplayText();
    } else {
        for (const auto &held : *g_held)
            said += held.second + QLatin1Char('\n');
        said += text;
    }
    std::fprintf(stderr, "%s\n", said.toUtf8().constData());
    std::fflush(stderr);
    std::_Exit(kExitNoDisplay);
}

}  // namespace

Request Parse(const QStringList &args)
{
    Request r;
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            if (a == QLatin1String("--")) {
                optionsEnded = true;
            } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
                r.action = Request::Help;
                return r;
            } else if (a == QLatin1String("--version")) {
                r.action = Request::Version;
                return r;
            } else if (kQtOptionsWithValue.contains(a)) {
                ++i;
            } else if (!kQtOptions.contains(a)) {
                return error(QStringLiteral("неизвестный параметр «%1»").arg(a));
            }
            continue;
        }
        if (!r.file.isEmpty())
            return error(QStringLiteral("открывается только один файл, лишний: «%1»").arg(a));
        r.file = a;
    }
    return r;
}

QString HelpText()
{
    return QStringLiteral(
        "Использование: sigmalit [ФАЙЛ.wav]\n"
        "Сигмалит — запоминающий осциллограф на звуковой карте.\n"
        "\n"
        "  ФАЙЛ.wav     открыть осциллограмму (16-разрядный WAV, один или два канала),\n"
        "               как это сделала бы команда «Открыть wav»\n"
        "  -h, --help   показать эту справку и выйти\n"
        "  --version    показать версию и выйти\n"
        "\n"
        "Коды завершения: 0 — успешно, %1 — ошибка в командной строке,\n"
        "%2 — нет графического сеанса (без экрана: xvfb-run -a sigmalit).\n"
        "Переменная SIGM_INPUT=demo включает встроенный генератор вместо звукового входа.\n"
        "Подробнее: man sigmalit\n")
        .arg(kExitUsage)
        .arg(kExitNoDisplay);
}

QString VersionText()
{
    return QStringLiteral("sigmalit " SIGM_VERSION "\n"
                          "Лицензия GPL-3.0-or-later: GNU GPL версии 3 или более поздней "
                          "<https://www.gnu.org/licenses/gpl-3.0.html>\n");
}

QString NoDisplayText()
{
    return QStringLiteral("sigmalit: нужен графический сеанс (X11 или Wayland); без экрана запускайте "
                          "«xvfb-run -a sigmalit» / sigmalit needs a graphical session (X11 or Wayland); "
                          "without a screen run \"xvfb-run -a sigmalit\"");
}

void GuardDisplayStart()
{
    if (!g_held)
        g_held = new std::vector<std::pair<QtMsgType, QString>>;
    g_previous = qInstallMessageHandler(guardHandler);
}

void DisplayOpened()
{
    qInstallMessageHandler(g_previous);
    // The display opened after all: what the plugin said on the way is shown
    // as usual.
    if (g_held) {
        for (const auto &[type, text] : *g_held)
            qt_message_output(type, QMessageLogContext(), text);
        delete g_held;
        g_held = nullptr;
    }
}

}  // namespace CommandLine
