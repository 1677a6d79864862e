// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a file the user named, all or nothing: the bytes go to a new file
// beside the target, every write and the close are checked, and the target
// is replaced by a rename only when the whole file is there. A failure
// leaves the old file as it was and gives a text that says what failed.
// The target is looked at, never opened: a FIFO would block the window, a
// device would be clobbered or fill the disk.
#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace AtomicFile {

// Why `path` cannot take a file (a folder, a FIFO, a device or a socket is
// there), or empty when it can (nothing there yet, or a regular file).
QString Refusal(const QString &path);

// A file written in parts (a long export streamed block by block).
class Writer {
public:
    explicit Writer(const QString &path);
    ~Writer();  // an uncommitted file is dropped
    bool Open(QString *error);
    bool Write(const char *data, qint64 size, QString *error);
    bool Write(const QByteArray &bytes, QString *error) { return Write(bytes.constData(), bytes.size(), error); }
    // Puts the file in place; false (and nothing replaced) when it could not.
    bool Commit(QString *error);
    // Drops what was written; the target stays as it was.
    void Cancel();

private:
    QString path_;
    QSaveFile file_;
};

// The whole file at once.
bool Write(const QString &path, const QByteArray &bytes, QString *error);

}  // namespace AtomicFile
