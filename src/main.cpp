#include "app/pribor.h"
#include "platform/exitnow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QStyleFactory>


int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Сигмалит"));
    QApplication::setOrganizationName(QStringLiteral("sigmalit"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The program speaks Russian; so should Qt's own dialogs (printer, message box buttons).
    QTranslator qtRussian;
    if (qtRussian.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtRussian);
    int rc = 0;
    {
        Pribor window;
        window.Form_Load();
        window.show();
        rc = app.exec();
    }
    // libpulse may crash in Qt's global audio engine destructor after main
    // returns; every file is closed by now, so leave without running it.
    ExitNow(rc);
}
