// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The printed page: one line with the sweep parameters above the picture of
// the drawing surface. The page is laid out in twips from the printable
// area's top-left corner, whatever the printer's resolution.
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

class QPrinter;

namespace Printing {

// Page geometry in twips.
inline constexpr double kLineLeft = 283;
inline constexpr double kLineTop = 1134;
inline constexpr double kPictureLeft = 283;
inline constexpr double kPictureTop = 1701;
inline constexpr double kPictureWidth = 10773;
inline constexpr double kPictureHeight = 8619;

// Sensitivity as the printout names it; empty for no selection. The two
// selectors word the 5 mV step differently.
QString SensitivityTextU1(int listIndex);
QString SensitivityTextU2(int listIndex);

// Milliseconds per division as a single-precision number's text: no
// trailing zeros, the user's decimal separator ("100", "0,05").
QString SweepText(int sweepItemData);

// The parameters line: both sensitivities with two beams; with one, the
// setting of U2, which draws the single trace.
QString ParametersLine(int u1Index, int u2Index, bool twoBeam, int sweepItemData);

// Names of the printers the system offers. Tests replace the source to
// stand for a machine without printers (an empty function restores it).
QStringList SystemPrinterNames();
void SetSystemPrinterNamesSource(std::function<QStringList()> source);

// Raises 482 when the printer cannot take a document: no system printer
// behind a native printer, or a PDF printer with no file to write.
void RequirePrinter(const QPrinter &printer);

// Prints one page as its own document: the line at its print position and
// the picture stretched into its rectangle. Raises 482 when the printer
// will not start the document.
void PrintPage(QPrinter &printer, const QString &line, const QImage &picture);

// The file a PDF copy is written to: the chosen name for the first copy,
// "name-2.pdf", "name-3.pdf"... for the others, so no copy overwrites another.
QString CopyFileName(const QString &fileName, int copy);

}  // namespace Printing
