// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open dialog "Открытие wav файла": the shared browsing lists showing
// *.wav files, starting in Mem, with " Открыть" and "Отмена". Its open
// action copies the chosen file over the working file and points the main
// window at it; the open command then shows that file.
#include "app/scopestate.h"
#include "files/filebrowser.h"

#include <QDialog>

class QPushButton;
class QWidget;

namespace OpenCheck {
// Puts the oscillogram at `source` into the working file, as the open
// dialog and the command line do: the file is inspected first and a file
// the display cannot show is refused with one message, before the working
// file is touched; then copied with a progress window (parented to
// `parent`) should it take over half a second. True when the working file
// now holds it; false when refused, failed (reported) or cancelled.
// `shown` gets the name to show it under: the working file, or for a file
// too big to copy in a moment (kShownInPlaceBytes and over) the file
// itself, read where it lies and never written.
constexpr qint64 kShownInPlaceBytes = qint64(256) << 20;
bool PrepareWorkingFile(QWidget *parent, const QString &source, QString *shown);
}  // namespace OpenCheck

class OpenFile : public QDialog {
    Q_OBJECT
public:
    // Constructing the dialog is loading it: the lists start in Mem.
    explicit OpenFile(ScopeState &st, QWidget *parent = nullptr);

    FileBrowser *Browser;
    DriveListBox *Drive1;
    DirListBox *Dir1;
    FileListBox *File1;
    QPushButton *Open;
    QPushButton *Esk;

    // Double-click in File1 and the Open button: check the chosen file, copy
    // it to the working file, set FlName and close. Refusals and failures
    // are reported and leave the dialog open for another choice.
    void OpenAction();
    void Esk_Click();
    // The file chosen, once the dialog is accepted.
    QString ChosenPath;

private:
    ScopeState &st_;
};
