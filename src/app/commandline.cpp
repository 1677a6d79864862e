// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
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
    r.message = QStringLiteral("sigmalit: ") + text + QCoreApplication::translate("CommandLine", " (см. sigmalit --help)");
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
    QCommandLineParser parser;
    // Qt's options are single-dash words (-platform xcb); so are ours then
    // (-help), and a word is never read as a cluster of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    // Qt's own options are accepted here and left in argv for QApplication.
    for (const QString &o : kQtOptionsWithValue)
        parser.addOption(QCommandLineOption(o.mid(1), QString(), QStringLiteral("value")));
    for (const QString &o : kQtOptions)
        parser.addOption(QCommandLineOption(o.mid(1)));
    QStringList all{QStringLiteral("sigmalit")};
    all += args;
    if (!parser.parse(all)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty())
            return error(parser.errorText());
        return error(QCoreApplication::translate("CommandLine", "неизвестный параметр «%1»").arg(TypedOption(args, unknown.first())));
    }
    Request r;
    if (parser.isSet(help)) {
        r.action = Request::Help;
        return r;
    }
    if (parser.isSet(version)) {
        r.action = Request::Version;
        return r;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return error(QCoreApplication::translate("CommandLine", "открывается только один файл, лишний: «%1»").arg(files.at(1)));
    if (!files.isEmpty())
        r.file = files.first();
    return r;
}

QString TypedOption(const QStringList &args, const QString &name)
{
    for (const QString &a : args) {
        const QString option = a.section(QLatin1Char('='), 0, 0);
        if (option.startsWith(QLatin1Char('-')) && QString(option).remove(QRegularExpression(QStringLiteral("^--?"))) == name)
            return option;
    }
    return QStringLiteral("--") + name;
}

QString HelpText()
{
    return QCoreApplication::translate("CommandLine", "Использование: sigmalit [ФАЙЛ.wav]\n"
        "       sigmalit measure|spectrum|export ФАЙЛ.wav [ПАРАМЕТРЫ]\n"
        "Сигмалит — запоминающий осциллограф на звуковой карте.\n"
        "\n"
        "  ФАЙЛ.wav     открыть осциллограмму (16-разрядный WAV, один или два канала),\n"
        "               как это сделала бы команда «Открыть wav»\n"
        "  -h, --help   показать эту справку и выйти\n"
        "  --version    показать версию и выйти\n"
        "\n"
        "Команды без окна (графический сеанс не нужен; справка: sigmalit КОМАНДА --help):\n"
        "  measure      измерения строки показаний по каналам, в вольтах\n"
        "  spectrum     спектр, пик, КНИ и КНИ+Ш\n"
        "  export       отсчёты в таблицу CSV\n"
        "Файл с именем команды открывается так: sigmalit ./measure\n"
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
    return QStringLiteral("sigmalit " SIGM_VERSION "\n")
           + QCoreApplication::translate("CommandLine", "Лицензия GPL-3.0-or-later: GNU GPL версии 3 или более поздней "
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
