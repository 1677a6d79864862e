#pragma once
// The open dialog "Открытие wav файла": the shared browsing lists showing
// *.wav files, starting in Mem, with " Открыть" and "Отмена". Its open
// action copies the chosen file over the working file and points the main
// window at it; the open command then shows that file.
#include "app/scopestate.h"
#include "files/filebrowser.h"

#include <QDialog>

class QPushButton;

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

    // Double-click in File1 and the Open button: copy the chosen file to the
    // working file, set FlName and close. Failures are reported and leave
    // the dialog open for another choice.
    void OpenAction();
    void Esk_Click();

private:
    ScopeState &st_;
};
