// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/filebrowser.h"

#include "platform/errors.h"
#include "platform/messagebox.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

namespace {

std::function<QStringList()> g_volumeSource;
std::function<bool(const QString &)> g_accessCheck;

constexpr int kPathRole = Qt::UserRole + 1;

QString cleanFolder(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool isBelow(const QString &path, const QString &root)
{
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

// Kernel and runtime file systems are no place for oscillograms.
bool isSystemMount(const QString &root)
{
    static const char *const prefixes[] = {"/proc", "/sys", "/dev", "/run", "/var/run", "/var/lock", "/snap"};
    if (root.startsWith(QLatin1String("/run/media")))
        return false;
    for (const char *p : prefixes)
        if (isBelow(root, QLatin1String(p)))
            return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------- drives

DriveListBox::DriveListBox(QWidget *parent) : QComboBox(parent)
{
    setObjectName(QStringLiteral("Drive1"));
    Refresh();
    connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::Change);
}

void DriveListBox::Refresh()
{
    const QSignalBlocker quiet(this);
    const QString current = Drive();
    clear();
    for (const QString &root : FileBrowser::Volumes()) {
        QString text = root;
        const QString name = QStorageInfo(root).name();
        if (!name.isEmpty())
            text += QStringLiteral(" [") + name + QLatin1Char(']');
        addItem(text, root);
    }
    setCurrentIndex(current.isEmpty() ? -1 : indexOfVolume(current));
}

QString DriveListBox::Drive() const
{
    return currentIndex() < 0 ? QString() : itemData(currentIndex()).toString();
}

int DriveListBox::indexOfVolume(const QString &path) const
{
    const QString p = cleanFolder(path);
    int best = -1, bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (isBelow(p, root) && root.size() > bestLength) {
            best = i;
            bestLength = int(root.size());
        }
    }
    return best;
}

QString DriveListBox::VolumeOf(const QString &path) const
{
    const int i = indexOfVolume(path);
    return i < 0 ? QString() : itemData(i).toString();
}

void DriveListBox::SetDrive(const QString &path)
{
    setCurrentIndex(indexOfVolume(path));
}

void DriveListBox::ShowDriveOf(const QString &path)
{
    const QSignalBlocker quiet(this);
    setCurrentIndex(indexOfVolume(path));
}

// ---------------------------------------------------------------- folders

DirListBox::DirListBox(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("Dir1"));
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        // A folder that cannot be entered leaves the list where it is.
        try {
            SetPath(item->data(kPathRole).toString());
        } catch (const VbError &) {
        }
    });
}

void DirListBox::SetPath(const QString &path)
{
    const QString p = cleanFolder(path);
    if (!QFileInfo(p).isDir())
        RaiseError(Err::PathNotFound);
    if (!FileBrowser::CanRead(p))
        RaiseError(Err::DeviceUnavailable);
    const bool changed = p != path_;
    path_ = p;
    fill();
    if (changed)
        emit Change();
}

QString DirListBox::PathAt(int row) const
{
    const QListWidgetItem *it = item(row);
    return it ? it->data(kPathRole).toString() : QString();
}

void DirListBox::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);

    QStringList chain;
    for (QString p = path_;;) {
        chain.prepend(p);
        if (p == QLatin1String("/"))
            break;
        const QString parent = QFileInfo(p).path();
        if (parent == p || parent.isEmpty())
            break;
        p = parent;
    }
    int depth = 0;
    for (const QString &p : chain) {
        const QString name = p == QLatin1String("/") ? p : QFileInfo(p).fileName();
        auto *it = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, this);
        it->setData(kPathRole, p);
        ++depth;
    }
    const int currentRow = count() - 1;
    const QStringList children =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &c : children) {
        auto *it = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + c, this);
        it->setData(kPathRole, QDir(path_).filePath(c));
    }
    setCurrentRow(currentRow);
}

// ---------------------------------------------------------------- files

FileListBox::FileListBox(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("File1"));
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            emit Click();
    });
    connect(this, &QListWidget::itemActivated, this, [this] { emit DblClick(); });
}

void FileListBox::SetPath(const QString &path)
{
    path_ = cleanFolder(path);
    Refresh();
}

void FileListBox::SetPattern(const QString &pattern)
{
    pattern_ = pattern;
    Refresh();
}

void FileListBox::Refresh()
{
    const QSignalBlocker quiet(this);
    clear();
    if (path_.isEmpty())
        return;
    QDir dir(path_);
    if (!pattern_.isEmpty())
        dir.setNameFilters(pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    // Name filters match regardless of case, so "DEMO.WAV" is listed too.
    addItems(dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
    setCurrentRow(-1);
}

QString FileListBox::FileName() const
{
    const QListWidgetItem *it = currentItem();
    return it && currentRow() >= 0 ? it->text() : QString();
}

bool FileListBox::SelectFile(const QString &name)
{
    const QList<QListWidgetItem *> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    setCurrentItem(found.first());
    return true;
}

// ---------------------------------------------------------------- browser

FileBrowser::FileBrowser(const QString &pattern, QWidget *parent) : QWidget(parent)
{
    Drive1 = new DriveListBox(this);
    Dir1 = new DirListBox(this);
    File1 = new FileListBox(this);
    File1->SetPattern(pattern);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(File1, 0, 0, 2, 1);
    grid->addWidget(Drive1, 0, 1);
    grid->addWidget(Dir1, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    connect(Drive1, &DriveListBox::Change, this, [this] { Drive1_Change(); });
    connect(Dir1, &DirListBox::Change, this, [this] { Dir1_Change(); });
}

void FileBrowser::Form_Load()
{
    // Paths::MemFolder() creates the folder when it is missing, so the
    // dialogs always open somewhere the user can save to.
    const QString mem = Paths::MemFolder();
    try {
        Dir1->SetPath(mem);
    } catch (const VbError &) {
        // Mem unreadable after all: start in the home folder instead of nowhere.
        try {
            Dir1->SetPath(QDir::homePath());
        } catch (const VbError &) {
        }
    }
    Dir1_Change();
}

void FileBrowser::Dir1_Change()
{
    File1->SetPath(Dir1->Path());
    Drive1->ShowDriveOf(Dir1->Path());
}

void FileBrowser::Drive1_Change()
{
    const QString oldPath = Dir1->Path();
    for (;;) {
        try {
            Dir1->SetPath(Drive1->Drive());
            return;
        } catch (const VbError &e) {
            if (e.Number != Err::DeviceUnavailable) {
                // Any other failure ends quietly; the drive shown stays the folder's.
                Drive1->ShowDriveOf(oldPath);
                return;
            }
        }
        const QString text = QCoreApplication::translate("Files", "    Нет доступа к  ") + WithSeparator(Drive1->Drive())
                             + QCoreApplication::translate("Files", "\r\nУстройство не готово!");
        if (MsgBox(text, MsgButtons::RetryCancel, MsgIcon::Critical, QStringLiteral("Kofra-Text"))
            == MsgAnswer::Retry)
            continue;
        try {
            if (!oldPath.isEmpty())
                Dir1->SetPath(oldPath);
        } catch (const VbError &) {
        }
        Drive1->ShowDriveOf(oldPath);
        return;
    }
}

QString FileBrowser::WithSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString FileBrowser::JoinPath(const QString &folder, const QString &name)
{
    return WithSeparator(folder) + name;
}

void FileBrowser::SetVolumeSource(std::function<QStringList()> source)
{
    g_volumeSource = std::move(source);
}

void FileBrowser::SetAccessCheck(std::function<bool(const QString &)> check)
{
    g_accessCheck = std::move(check);
}

QStringList FileBrowser::Volumes()
{
    if (g_volumeSource)
        return g_volumeSource();
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo &v : QStorageInfo::mountedVolumes()) {
        const QString root = v.rootPath();
        // Bind-mounted single files are mounts too, but no drive.
        if (root.isEmpty() || !QFileInfo(root).isDir() || isSystemMount(root))
            continue;
        if (!roots.contains(root))
            roots << root;
    }
    std::sort(roots.begin() + 1, roots.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return roots;
}

bool FileBrowser::CanRead(const QString &folder)
{
    if (g_accessCheck)
        return g_accessCheck(folder);
    const QFileInfo fi(folder);
    return fi.isDir() && fi.isReadable() && fi.isExecutable() && QStorageInfo(folder).isReady();
}
