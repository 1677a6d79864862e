// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The browsing part shared by the open and save dialogs: a drive list, a
// folder list and a file list, linked so that choosing a drive moves the
// folder list there and the file list always shows the folder list's folder.
//
// Paths are native ("/home/user/Mem"); a folder path never ends with "/"
// except the root "/" itself.
//
// Usage in a dialog:
//     auto *browser = new FileBrowser(QStringLiteral("*.wav"), this);
//     layout->addWidget(browser);
//     browser->Form_Load();                  // starts in the Mem folder
//     connect(browser->File1, &FileListBox::DblClick, ...);
//     QString chosen = FileBrowser::JoinPath(browser->File1->Path(), browser->File1->FileName());
//
// Linking:
//  - Drive1 Change  -> Drive1_Change(): Dir1 moves to the chosen volume's root;
//    an unreadable volume asks "Нет доступа ..." (Retry / Cancel, title
//    "Kofra-Text"); Cancel puts both lists back where they were.
//  - Dir1 Change    -> Dir1_Change(): File1 follows Dir1, and Drive1 quietly
//    shows the volume that holds the folder (folders of one tree may lie on
//    several mounted volumes here).
//  - Activating (double-click / Enter) a folder in Dir1 moves into it.
#include <QComboBox>
#include <QListWidget>
#include <QStringList>
#include <QWidget>
#include <functional>

// The mounted volumes, shown by their root paths. Drive() is the root path
// of the selected volume, the text that messages about the drive quote.
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget *parent = nullptr);
    QString Drive() const;
    // Selects the volume that holds `path` (a root or any path below it);
    // raises Change when the selection changes.
    void SetDrive(const QString &path);
    // The same without raising Change.
    void ShowDriveOf(const QString &path);
    // Re-reads the volume list.
    void Refresh();
    // Root of the listed volume that holds `path` (the longest matching root).
    QString VolumeOf(const QString &path) const;
signals:
    void Change();

private:
    int indexOfVolume(const QString &path) const;
};

// The current folder with its ancestors above it and its subfolders below.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget *parent = nullptr);
    QString Path() const { return path_; }
    // Moves to `path` and raises Change. Raises VbError 76 when the folder
    // does not exist and 68 when it cannot be read (volume not ready, no
    // access); the list then stays where it was.
    void SetPath(const QString &path);
    // Folder shown in row `row` (ancestors, the current folder, subfolders).
    QString PathAt(int row) const;
signals:
    void Change();

private:
    void fill();
    QString path_;
};

// The files of one folder that match the pattern ("*.wav"; empty = all).
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);
    QString Path() const { return path_; }
    void SetPath(const QString &path);
    QString Pattern() const { return pattern_; }
    void SetPattern(const QString &pattern);
    // The selected file's name (no folder), empty with no selection.
    QString FileName() const;
    int ListIndex() const { return currentRow(); }
    void SetListIndex(int row) { setCurrentRow(row); }
    // Selects the file called `name`; false when it is not listed.
    bool SelectFile(const QString &name);
    void Refresh();
signals:
    void Click();     // the selection moved to a file
    void DblClick();  // a file was activated (double-click or Enter)

private:
    QString path_;
    QString pattern_;
};

class FileBrowser : public QWidget {
    Q_OBJECT
public:
    // `pattern` filters the file list: "*.wav" for opening, empty for saving.
    explicit FileBrowser(const QString &pattern, QWidget *parent = nullptr);

    DriveListBox *Drive1;
    DirListBox *Dir1;
    FileListBox *File1;

    // Shows the Mem folder (created when missing). Call once when the dialog loads.
    void Form_Load();

    void Drive1_Change();
    void Dir1_Change();

    // folder + "/" + name, without doubling the separator after a root.
    static QString JoinPath(const QString &folder, const QString &name);
    // folder with exactly one trailing "/".
    static QString WithSeparator(const QString &folder);

    // Test seams (an empty function restores the real behaviour):
    // the volumes offered in Drive1, as root paths;
    static void SetVolumeSource(std::function<QStringList()> source);
    // whether a folder can be read; false makes it "not ready" (error 68).
    static void SetAccessCheck(std::function<bool(const QString &folder)> check);

    // Used by the lists themselves.
    static QStringList Volumes();
    static bool CanRead(const QString &folder);

private:
    bool inDriveChange_ = false;
};
