// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/commondialog.h"

#include "platform/messagebox.h"

#include <QPrintDialog>
#include <QPrinter>

PrinterCommonDialog::PrinterCommonDialog() = default;
PrinterCommonDialog::~PrinterCommonDialog() = default;

QPrinter &PrinterCommonDialog::Printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

bool PrinterCommonDialog::ShowPrinter(QWidget *parent)
{
    QPrinter &printer = Printer();
    printer.setCopyCount(Copies);
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, (Flags & kNoSelection) == 0);
    if (ShowModal(&dialog) != QDialog::Accepted)
        return false;
    Copies = printer.copyCount();
    return true;
}
