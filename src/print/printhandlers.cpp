// SPDX-License-Identifier: GPL-3.0-or-later
// The print commands of the main window.
#include "app/pribor.h"

#include "display/ris.h"
#include "platform/errors.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/vbcontrols.h"
#include "print/printing.h"

#include <QCoreApplication>
#include <QPrinter>

void Pribor::PrintBiton_Click()
{
    try {
        QString line = Printing::ParametersLine(U1->ListIndex(), U2->ListIndex(), st.TwoBeam,
                                                 RasTime->ItemData(RasTime->ListIndex()));
        // What the features drew besides the traces is named after them.
        if (const QStringList notes = Readers.CaptionNotes(); !notes.isEmpty())
            line += QStringLiteral("   ") + notes.join(QStringLiteral("   "));
        Printing::PrintPage(CommonDialog1.Printer(), line, RisBox->Image());
    } catch (const VbError &e) {
        if (e.Number == Err::PrinterError)
            MsgBox(QCoreApplication::translate("Print", "Ошибка принтера! В операционной системе не установлен ни один драйвер принтера!"),
                   MsgButtons::OK, MsgIcon::Critical, Language::AppTitle());
    } catch (...) {
    }
}

void Pribor::PrintMenu_Click()
{
    try {
        CommonDialog1.Flags = PrinterCommonDialog::kNoSelection;
        // Cancelling the dialog prints nothing.
        if (!CommonDialog1.ShowPrinter(this))
            return;
        const int copies = CommonDialog1.Copies;
        CommonDialog1.Copies = 1;
        QPrinter &printer = CommonDialog1.Printer();
        // Each copy is a document of its own; the printer must not multiply them again.
        printer.setCopyCount(1);
        const QString pdf = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
        for (int copy = 1; copy <= copies; ++copy) {
            if (!pdf.isEmpty())
                printer.setOutputFileName(Printing::CopyFileName(pdf, copy));
            PrintBiton_Click();
        }
        if (!pdf.isEmpty())
            printer.setOutputFileName(pdf);
    } catch (...) {
    }
}
