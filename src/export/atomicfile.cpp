// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/atomicfile.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace AtomicFile {

namespace {

// The system's reason in the user's words; `errnoValue` is read right after
// the failing call, the file's own error is the fallback.
QString reason(int errnoValue, QFileDevice::FileError fileError)
{
    switch (errnoValue) {
    case ENOSPC:
        return QCoreApplication::translate("Files", "на диске нет места");
    case EDQUOT:
        return QCoreApplication::translate("Files", "исчерпана дисковая квота");
    case EFBIG:
        return QCoreApplication::translate("Files", "файл слишком велик для этого диска");
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("Files", "нет прав на запись");
    case EROFS:
        return QCoreApplication::translate("Files", "диск доступен только для чтения");
    case ENOENT:
    case ENOTDIR:
        return QCoreApplication::translate("Files", "такой папки нет");
    case ENAMETOOLONG:
        return QCoreApplication::translate("Files", "слишком длинное имя");
    case EIO:
        return QCoreApplication::translate("Files", "ошибка ввода-вывода");
    case 0:
        break;
    default:
        return QString::fromLocal8Bit(std::strerror(errnoValue));
    }
    switch (fileError) {
    case QFileDevice::ResourceError:
        return QCoreApplication::translate("Files", "на диске нет места");
    case QFileDevice::PermissionsError:
        return QCoreApplication::translate("Files", "нет прав на запись");
    case QFileDevice::RenameError:
        return QCoreApplication::translate("Files", "не удалось заменить прежний файл");
    default:
        return QCoreApplication::translate("Files", "ошибка записи");
    }
}

QString failed(bool creating, const QString &path, const QString &why)
{
    const QString text = creating ? QCoreApplication::translate("Files", "Не удалось создать файл %1: %2.")
                                  : QCoreApplication::translate("Files", "Не удалось записать файл %1: %2.");
    return text.arg(path, why);
}

}  // namespace

QString Refusal(const QString &path)
{
    struct stat st {};
    // stat, not open, and through a symbolic link: what would be written is
    // what it points to.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    QString what;
    if (S_ISDIR(st.st_mode))
        what = QCoreApplication::translate("Files", "это папка");
    else if (S_ISFIFO(st.st_mode))
        what = QCoreApplication::translate("Files", "это канал (FIFO), а не файл");
    else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        what = QCoreApplication::translate("Files", "это устройство, а не файл");
    else if (S_ISSOCK(st.st_mode))
        what = QCoreApplication::translate("Files", "это сокет, а не файл");
    else
        what = QCoreApplication::translate("Files", "это не обычный файл");
    return failed(false, path, what);
}

Writer::Writer(const QString &path) : path_(path), file_(path) {}

Writer::~Writer() = default;

bool Writer::Open(QString *error)
{
    if (const QString refused = Refusal(path_); !refused.isEmpty()) {
        *error = refused;
        return false;
    }
    errno = 0;
    if (!file_.open(QIODevice::WriteOnly)) {
        *error = failed(true, path_, reason(errno, file_.error()));
        return false;
    }
    return true;
}

bool Writer::Write(const char *data, qint64 size, QString *error)
{
    errno = 0;
    // Flushed at once, so a full disk is seen here with its reason.
    if (file_.write(data, size) != size || !file_.flush()) {
        *error = failed(false, path_, reason(errno, file_.error()));
        Cancel();
        return false;
    }
    return true;
}

bool Writer::Commit(QString *error)
{
    errno = 0;
    if (!file_.commit()) {
        *error = failed(false, path_, reason(errno, file_.error()));
        return false;
    }
    return true;
}

void Writer::Cancel()
{
    if (!file_.isOpen())
        return;
    file_.cancelWriting();
    file_.commit();  // removes the new file now, not when this writer goes
}

bool Write(const QString &path, const QByteArray &bytes, QString *error)
{
    Writer w(path);
    return w.Open(error) && w.Write(bytes, error) && w.Commit(error);
}

}  // namespace AtomicFile
