// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/printing.h"

#include "platform/errors.h"
#include "platform/vbrt.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <array>

namespace Printing {
namespace {

constexpr std::array<const char *, 12> kU1Texts{
    QT_TRANSLATE_NOOP("Print", "100 мВольт"), QT_TRANSLATE_NOOP("Print", "50 мВольт"), QT_TRANSLATE_NOOP("Print", "20 мВольт"),
    QT_TRANSLATE_NOOP("Print", "10 мВольт"), QT_TRANSLATE_NOOP("Print", "5 мВольт"), QT_TRANSLATE_NOOP("Print", "2 мВольта"),
    QT_TRANSLATE_NOOP("Print", "1 мВольт"), QT_TRANSLATE_NOOP("Print", "500 мкВольт"), QT_TRANSLATE_NOOP("Print", "200 мкВольт"),
    QT_TRANSLATE_NOOP("Print", "100 мкВольт"), QT_TRANSLATE_NOOP("Print", "50 мкВольт"), QT_TRANSLATE_NOOP("Print", "20 мкВольт"),
};
constexpr std::array<const char *, 12> kU2Texts{
    QT_TRANSLATE_NOOP("Print", "100 мВольт"), QT_TRANSLATE_NOOP("Print", "50 мВольт"), QT_TRANSLATE_NOOP("Print", "20 мВольт"),
    QT_TRANSLATE_NOOP("Print", "10 мВольт"), QT_TRANSLATE_NOOP("Print", "5 мВольта"), QT_TRANSLATE_NOOP("Print", "2 мВольта"),
    QT_TRANSLATE_NOOP("Print", "1 мВольт"), QT_TRANSLATE_NOOP("Print", "500 мкВольт"), QT_TRANSLATE_NOOP("Print", "200 мкВольт"),
    QT_TRANSLATE_NOOP("Print", "100 мкВольт"), QT_TRANSLATE_NOOP("Print", "50 мкВольт"), QT_TRANSLATE_NOOP("Print", "20 мкВольт"),
};

QString tableText(const std::array<const char *, 12> &table, int index)
{
    if (index < 0 || index >= int(table.size()))
        return QString();
    return QCoreApplication::translate("Print", table[size_t(index)]);
}

std::function<QStringList()> g_printerNames;

}  // namespace

QString SensitivityTextU1(int listIndex) { return tableText(kU1Texts, listIndex); }
QString SensitivityTextU2(int listIndex) { return tableText(kU2Texts, listIndex); }

QString SweepText(int sweepItemData)
{
    if (sweepItemData == 0)
        RaiseError(Err::DivisionByZero);
    const float msPerDivision = 100.0f / float(sweepItemData);
    // A single holds about seven significant digits; showing more would
    // print its binary noise (0.05 is stored as 0.0500000007...).
    return vb::FormatGeneral(QString::number(double(msPerDivision), 'g', 7).toDouble());
}

QString ParametersLine(int u1Index, int u2Index, bool twoBeam, int sweepItemData)
{
    const QString sweep = SweepText(sweepItemData);
    const QString text1 = SensitivityTextU1(u1Index);
    if (twoBeam) {
        return QCoreApplication::translate("Print", "Параметры развёртки: ")
               + QCoreApplication::translate("Print", " Вольт/Деление 1 = ") + text1
               + QCoreApplication::translate("Print", "   Вольт/Деление 2 = ") + SensitivityTextU2(u2Index)
               + QCoreApplication::translate("Print", "   Время/Деление = ") + sweep
               + QCoreApplication::translate("Print", " мСек");
    }
    // One trace: it is drawn at U2's sensitivity (U1 is disabled then),
    // worded as the single line has always worded it.
    return QCoreApplication::translate("Print", "Параметры развёртки:  ")
           + QCoreApplication::translate("Print", "  Вольт/Деление = ") + SensitivityTextU1(u2Index)
           + QCoreApplication::translate("Print", "Время/Деление = ") + sweep + QCoreApplication::translate("Print", " мСек");
}

QStringList SystemPrinterNames()
{
    if (g_printerNames)
        return g_printerNames();
    return QPrinterInfo::availablePrinterNames();
}

void SetSystemPrinterNamesSource(std::function<QStringList()> source)
{
    g_printerNames = std::move(source);
}

void RequirePrinter(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        if (printer.outputFileName().isEmpty())
            RaiseError(Err::PrinterError);
        return;
    }
    if (SystemPrinterNames().isEmpty() || printer.printerName().isEmpty() || !printer.isValid())
        RaiseError(Err::PrinterError);
}

void PrintPage(QPrinter &printer, const QString &line, const QImage &picture)
{
    RequirePrinter(printer);
    QPainter p;
    if (!p.begin(&printer)) {
        // A PDF file that cannot be written is a file failure, not a
        // missing printer driver.
        if (printer.outputFormat() == QPrinter::PdfFormat)
            RaiseError(Err::PathFileAccess);
        RaiseError(Err::PrinterError);
    }
    const double perTwip = printer.resolution() / 1440.0;

    // A fixed-pitch face keeps each run of blanks between the pieces of the
    // line as wide as it is written; at 8 points the two-beam line stays
    // within the picture's width.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(8);
    p.setFont(font);
    p.setPen(Qt::black);
    const QFontMetricsF fm(p.font(), &printer);
    const QPointF at(kLineLeft * perTwip, kLineTop * perTwip);
    p.drawText(QRectF(at, QSizeF(fm.horizontalAdvance(line) + fm.height(), fm.height() * 1.5)),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);

    const QRectF target(kPictureLeft * perTwip, kPictureTop * perTwip, kPictureWidth * perTwip,
                        kPictureHeight * perTwip);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(target, picture);
    // Ending the painter ends the document and sends the page.
    p.end();
}

QString CopyFileName(const QString &fileName, int copy)
{
    if (copy <= 1)
        return fileName;
    const QFileInfo fi(fileName);
    const QString suffix = fi.suffix();
    const QString stem = suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
    return stem + QStringLiteral("-%1").arg(copy) + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

}  // namespace Printing
