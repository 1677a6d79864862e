// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pribor.h"
#include "display/ris.h"
#include "platform/errors.h"
#include "platform/messagebox.h"
#include "platform/vbcontrols.h"
#include "print/printing.h"
#include "testenv.h"
#include "testregistry.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(program, QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pageCount(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    for (const QString &line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The printed line as its words' boxes place it. The line is set in a
// fixed-pitch face, so each gap between two words is a whole number of
// character cells: the blanks as printed.
QString pageText(const QString &pdf)
{
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\" yMax=\"[0-9.]+\">([^<]*)</word>"));
    QString text;
    double lastEnd = 0, cell = 0;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const double start = m.captured(1).toDouble(), end = m.captured(2).toDouble();
        QString w = m.captured(3);
        w.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        w.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        if (cell == 0)
            cell = (end - start) / w.size();
        else
            text += QString(qRound((start - lastEnd) / cell), QLatin1Char(' '));
        text += w;
        lastEnd = end;
    }
    return text;
}

QImage renderPage(const QString &pdf, const QString &pngBase, int dpi)
{
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), pdf, pngBase});
    return QImage(pngBase + QStringLiteral(".png"));
}

// A window whose surface holds a known picture: a thick red trace across
// the middle and a blue one along the upper quarter.
std::unique_ptr<Pribor> windowWithTraces()
{
    auto w = std::make_unique<Pribor>();
    w->RisBox->resize(592, 345);
    w->RisBox->ScaleLeft = 0;
    w->RisBox->ScaleTop = 0;
    w->RisBox->ScaleWidth = 100;
    w->RisBox->ScaleHeight = 100;
    w->RisBox->Cls();
    w->RisBox->DrawWidth = 9;
    w->RisBox->Line(0, 50, 100, 50, QColor(255, 0, 0));
    w->RisBox->Line(0, 25, 100, 25, QColor(0, 0, 255));
    return w;
}

void printToPdf(Pribor &w, const QString &file)
{
    QPrinter &printer = w.CommonDialog1.Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
}

// Where a point of the picture (fractions of its width and height) lands
// on a page rendered at dpi, page origin at the paper's corner.
QPoint onPage(const QPrinter &printer, double fx, double fy, int dpi)
{
    const QRectF paper = printer.paperRect(QPrinter::Inch);
    const QRectF printable = printer.pageRect(QPrinter::Inch);
    const double x = printable.left() - paper.left() + (Printing::kPictureLeft + fx * Printing::kPictureWidth) / 1440;
    const double y = printable.top() - paper.top() + (Printing::kPictureTop + fy * Printing::kPictureHeight) / 1440;
    return QPoint(int(x * dpi), int(y * dpi));
}

bool near(QRgb c, int r, int g, int b)
{
    return std::abs(qRed(c) - r) < 40 && std::abs(qGreen(c) - g) < 40 && std::abs(qBlue(c) - b) < 40;
}

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT
    QTemporaryDir out;

private slots:
    void init()
    {
        TestEnv::Reset();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        Printing::SetSystemPrinterNamesSource({});
        UiSeam::SetModalHandler({});
    }

    void parametersLineFollowsTheBeamsAndTheSweep()
    {
        // One beam: the sensitivity that draws it, U2's.
        QCOMPARE(Printing::ParametersLine(0, 7, false, 1),
                 QStringLiteral("Параметры развёртки:    Вольт/Деление = 500 мкВольтВремя/Деление = 100 мСек"));
        // The 5 mV step is worded differently for the two selectors.
        QCOMPARE(Printing::ParametersLine(4, 4, true, 20),
                 QStringLiteral("Параметры развёртки:  Вольт/Деление 1 = 5 мВольт   Вольт/Деление 2 = 5 мВольта"
                                "   Время/Деление = 5 мСек"));
        QCOMPARE(Printing::ParametersLine(11, 5, true, 2000),
                 QStringLiteral("Параметры развёртки:  Вольт/Деление 1 = 20 мкВольт   Вольт/Деление 2 = 2 мВольта"
                                "   Время/Деление = 0,05 мСек"));
        // No selection leaves the sensitivity out.
        QCOMPARE(Printing::ParametersLine(-1, -1, false, 200),
                 QStringLiteral("Параметры развёртки:    Вольт/Деление = Время/Деление = 0,5 мСек"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(Printing::SweepText(2000), QStringLiteral("0.05"));
        QCOMPARE(Printing::SweepText(500), QStringLiteral("0.2"));
        QCOMPARE(Printing::CopyFileName(QStringLiteral("/a.b/page.pdf"), 3), QStringLiteral("/a.b/page-3.pdf"));
        QCOMPARE(Printing::CopyFileName(QStringLiteral("/a.b/page"), 2), QStringLiteral("/a.b/page-2"));
    }

    void buttonPrintsOnePageWithLineAndTraces()
    {
        auto w = windowWithTraces();
        w->st.TwoBeam = false;
        w->U1->SetListIndex(0);
        w->U2->SetListIndex(3);
        w->RasTime->SetListIndex(0);  // item data 1
        const QString pdf = out.filePath(QStringLiteral("one.pdf"));
        printToPdf(*w, pdf);
        ScriptedMessages messages;
        w->PrintBiton_Click();
        QVERIFY(messages.Shown().empty());
        QCOMPARE(pageCount(pdf), 1);
        QCOMPARE(pageText(pdf),
                 QStringLiteral("Параметры развёртки:    Вольт/Деление = 10 мВольтВремя/Деление = 100 мСек"));

        const int dpi = 72;
        const QImage page = renderPage(pdf, out.filePath(QStringLiteral("one")), dpi);
        QVERIFY(!page.isNull());
        const QPrinter &printer = w->CommonDialog1.Printer();
        // The traces are on the page where the stretched picture puts them,
        // with the surface's background between them.
        QVERIFY(near(page.pixel(onPage(printer, 0.5, 0.5, dpi)), 255, 0, 0));
        QVERIFY(near(page.pixel(onPage(printer, 0.1, 0.5, dpi)), 255, 0, 0));
        QVERIFY(near(page.pixel(onPage(printer, 0.9, 0.25, dpi)), 0, 0, 255));
        QVERIFY(near(page.pixel(onPage(printer, 0.5, 0.75, dpi)), 0xE0, 0xE0, 0xE0));
        // Nothing of the picture above its rectangle, where the line is.
        QVERIFY(near(page.pixel(onPage(printer, 0.5, -0.02, dpi)), 255, 255, 255));
    }

    void twoBeamsNameBothSensitivities()
    {
        auto w = windowWithTraces();
        w->st.TwoBeam = true;
        w->U1->SetListIndex(4);
        w->U2->SetListIndex(4);
        w->RasTime->SetListIndex(10);  // item data 2000
        const QString pdf = out.filePath(QStringLiteral("two.pdf"));
        printToPdf(*w, pdf);
        w->PrintBiton_Click();
        QCOMPARE(pageCount(pdf), 1);
        QCOMPARE(pageText(pdf), QStringLiteral("Параметры развёртки:  Вольт/Деление 1 = 5 мВольт   Вольт/Деление 2 = "
                                               "5 мВольта   Время/Деление = 0,05 мСек"));
    }

    void withoutPrinterTheButtonReportsIt()
    {
        Printing::SetSystemPrinterNamesSource([] { return QStringList(); });
        auto w = windowWithTraces();
        w->RasTime->SetListIndex(3);
        QPrinter &printer = w->CommonDialog1.Printer();
        printer.setOutputFormat(QPrinter::NativeFormat);
        ScriptedMessages messages;
        w->PrintBiton_Click();
        QCOMPARE(messages.Shown().size(), size_t(1));
        QCOMPARE(messages.Shown()[0].text,
                 QStringLiteral("Ошибка принтера! В операционной системе не установлен ни один драйвер принтера!"));
        QCOMPARE(messages.Shown()[0].title, QStringLiteral("Сигмалит"));
        QCOMPARE(messages.Shown()[0].icon, MsgIcon::Critical);
        QCOMPARE(messages.Shown()[0].buttons, MsgButtons::OK);
        // A PDF printer without a file to write is no printer either.
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString());
        w->PrintBiton_Click();
        QCOMPARE(messages.Shown().size(), size_t(2));
    }

    // The real printer dialog, on a machine without printers: choose a PDF
    // file and three copies as a user would, in the dialog's own widgets.
    void menuPrintsEachCopyAsItsOwnDocumentThroughTheDialog()
    {
        Printing::SetSystemPrinterNamesSource([] { return QStringList(); });
        auto w = windowWithTraces();
        w->RasTime->SetListIndex(6);
        const QString pdf = out.filePath(QStringLiteral("copies.pdf"));
        QList<int> copiesOffered;
        bool selectionOffered = true;
        UiSeam::SetModalHandler([&](QDialog *d) {
            auto *dialog = qobject_cast<QPrintDialog *>(d);
            if (!dialog)
                return int(QDialog::Rejected);
            // Showing fills the dialog's lists as running it would.
            dialog->show();
            copiesOffered << dialog->findChild<QSpinBox *>(QStringLiteral("copies"))->value();
            selectionOffered = dialog->testOption(QAbstractPrintDialog::PrintSelection);
            auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
            const int pdfEntry = printers->findText(QStringLiteral("PDF"), Qt::MatchContains);
            if (pdfEntry < 0)
                return int(QDialog::Rejected);
            printers->setCurrentIndex(pdfEntry);
            dialog->findChild<QLineEdit *>(QStringLiteral("filename"))->setText(pdf);
            dialog->findChild<QSpinBox *>(QStringLiteral("copies"))->setValue(3);
            dialog->accept();
            return dialog->result();
        });
        ScriptedMessages messages;
        w->PrintMenu_Click();
        QVERIFY(messages.Shown().empty());
        QVERIFY(!selectionOffered);
        for (const QString &f : {pdf, out.filePath(QStringLiteral("copies-2.pdf")),
                                 out.filePath(QStringLiteral("copies-3.pdf"))}) {
            QVERIFY2(QFile::exists(f), qPrintable(f));
            QCOMPARE(pageCount(f), 1);
            QVERIFY(pageText(f).endsWith(QStringLiteral("Время/Деление = 1 мСек")));
        }
        QVERIFY(!QFile::exists(out.filePath(QStringLiteral("copies-4.pdf"))));
        QCOMPARE(w->CommonDialog1.Copies, 1);
        // The button now prints on the chosen PDF printer, one copy.
        QFile::remove(pdf);
        w->PrintBiton_Click();
        QCOMPARE(pageCount(pdf), 1);
        // The dialog offers one copy again next time.
        w->PrintMenu_Click();
        QCOMPARE(copiesOffered, (QList<int>{1, 1}));
    }

    void cancellingTheDialogPrintsNothing()
    {
        auto w = windowWithTraces();
        w->RasTime->SetListIndex(6);
        const QString pdf = out.filePath(QStringLiteral("cancelled.pdf"));
        printToPdf(*w, pdf);
        UiSeam::SetModalHandler([](QDialog *) { return int(QDialog::Rejected); });
        ScriptedMessages messages;
        w->PrintMenu_Click();
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(messages.Shown().empty());
    }
};
SIGM_TEST(PrintTest)

#include "tst_print.moc"
