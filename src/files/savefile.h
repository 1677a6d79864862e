// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The save dialog "Сохранение осциллограммы": the shared browsing lists
// showing every file, starting in Mem, a name box and "Сохранить". Its save
// action copies the working file, byte for byte, to the folder and name
// chosen. Closing the window cancels.
#include "files/filebrowser.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

enum class TrapAction;

namespace SaveRules {
// The name the file is saved under: ".wav" is appended unless the name's
// last three characters are exactly "wav" (so "test.WAV" becomes
// "test.WAV.wav" and "testwav" stays as it is).
QString WithWavExtension(const QString &name);
// Copies `from` over `to`, replacing it only once the copy is complete, so a
// failed save leaves no half-written file and keeps the old one. Failures
// raise VbError with the program's error numbers.
void CopyReplacing(const QString &from, const QString &to);
// Moves `from` to `to` without copying when both lie on one filesystem (a
// rename, which replaces `to` whole). Across filesystems the copy goes to a
// temporary name beside `to`, is put in place only when complete, and then
// `from` is removed. `progress` is told the bytes copied and the total and
// answers false to cancel: a cancelled move returns false and leaves `from`
// and any old `to` as they were. Failures raise VbError.
bool MoveReplacing(const QString &from, const QString &to,
                   const std::function<bool(qint64 done, qint64 total)> &progress);
// Shows the save action's message for `number` and says what its trap does
// next. `saveFolder` is the folder the 55, 57 and 71 messages name.

}  // namespace SaveRules

class SaveFile : public QDialog {
    Q_OBJECT
public:
    // Constructing the dialog is loading it: the lists start in Mem.
    explicit SaveFile(QWidget *parent = nullptr);

    FileBrowser *Browser;
    DriveListBox *Drive1;
    DirListBox *Dir1;
    FileListBox *File1;
    QLabel *Label1;
    QLineEdit *Text1;
    QPushButton *SaveFl;

    // The destination folder, always ending with one "/".
    QString SaveFolder;

    // What is saved: the working file unless set. A file that is moved
    // (a long recording still in the working folder) is not copied.
    void SetSource(const QString &path, bool move);
    // Where the file went, once saved.
    QString SavedPath;

    // A click on a file takes over its folder and its name.
    void File1_Click();
    // The save action; the dialog closes only when the file was written.
    void SaveFl_Click();

private:
    QString source_;
    bool move_ = false;
};
