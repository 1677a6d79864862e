// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's printer dialog control and the current printer it sets
// up. The printer is the one every print command paints on: the system's
// default until the dialog chooses another (or a PDF file).
#include <memory>

class QPrinter;
class QWidget;

class PrinterCommonDialog {
public:
    PrinterCommonDialog();
    ~PrinterCommonDialog();
    PrinterCommonDialog(const PrinterCommonDialog &) = delete;
    PrinterCommonDialog &operator=(const PrinterCommonDialog &) = delete;

    // Dialog options: 4 hides the choice to print only a selection.
    static constexpr int kNoSelection = 4;
    int Flags = 0;
    // Copies chosen in the dialog; the program prints them one by one.
    int Copies = 1;

    // Created on first use, since asking the system for printers is slow.
    QPrinter &Printer();

    // Shows the printer dialog (through ShowModal). False when cancelled;
    // otherwise Copies holds the chosen number and the printer the choice.
    bool ShowPrinter(QWidget *parent);

private:
    std::unique_ptr<QPrinter> printer_;
};
