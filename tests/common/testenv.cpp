// SPDX-License-Identifier: GPL-3.0-or-later
#include "testenv.h"

#include "platform/paths.h"
#include "platform/settings.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

namespace {
QTemporaryDir *g_root = nullptr;

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDir src(from);
    for (const QFileInfo &fi : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (fi.isDir())
            copyTree(fi.filePath(), to + QLatin1Char('/') + fi.fileName());
        else
            QFile::copy(fi.filePath(), to + QLatin1Char('/') + fi.fileName());
    }
}
}  // namespace

namespace TestEnv {

void Isolate()
{
    QStandardPaths::setTestModeEnabled(true);
    if (!g_root) {
        g_root = new QTemporaryDir();
        g_root->setAutoRemove(true);
    }
    const QString root = g_root->path();
    QString data = QString::fromLocal8Bit(qgetenv("SIGM_TEST_DATA"));
    if (data.isEmpty())
        data = QStringLiteral(SIGM_TEST_DATA_DIR);
    copyTree(data, root + QStringLiteral("/program"));
    Paths::SetProgramFolder(root + QStringLiteral("/program"));
    Paths::SetWorkingFolder(root + QStringLiteral("/work"));
    Paths::SetMemFolder(root + QStringLiteral("/program/Mem"));
    Paths::SetReferenceFolder(root + QStringLiteral("/references"));
    Paths::SetCacheFolder(root + QStringLiteral("/cache"));
    SettingsStore::SetFilePath(root + QStringLiteral("/config/settings.ini"));
}

QString Root()
{
    return g_root ? g_root->path() : QString();
}

QString Temp(const QString &name)
{
    return Root() + QStringLiteral("/") + name;
}

void Reset()
{
    QFile::remove(SettingsStore::FilePath());
    SettingsStore::Reload();
    QDir work(Paths::WorkingFolder());
    for (const QString &f : work.entryList(QDir::Files))
        work.remove(f);
    QDir references(Paths::ReferenceFolder());
    for (const QString &f : references.entryList(QDir::Files))
        references.remove(f);
}

}  // namespace TestEnv

ScriptedMessages::ScriptedMessages()
{
    UiSeam::SetMessageHandler([this](const MsgRequest &r) {
        shown_.push_back(r);
        if (readMs_ > 0) {
            QEventLoop reading;
            QTimer::singleShot(readMs_, &reading, &QEventLoop::quit);
            reading.exec();
        }
        if (!answers_.empty()) {
            const MsgAnswer a = answers_.front();
            answers_.pop_front();
            return a;
        }
        switch (r.buttons) {
        case MsgButtons::RetryCancel: return MsgAnswer::Cancel;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return MsgAnswer::No;
        default: return MsgAnswer::OK;
        }
    });
}

ScriptedMessages::~ScriptedMessages()
{
    UiSeam::SetMessageHandler({});
}

QStringList ScriptedMessages::Texts() const
{
    QStringList out;
    for (const MsgRequest &r : shown_)
        out << r.text;
    return out;
}
