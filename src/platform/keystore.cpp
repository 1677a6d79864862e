// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/keystore.h"

#include <QStandardPaths>
#include <QStringList>

namespace {

KeyStore::Source g_source;

// The key under which the system information tool's full path is kept.
const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSysInfoValue = QStringLiteral("PATH");

// Desktop programs that show the machine's hardware and system, best first.
const QStringList kSysInfoPrograms = {
    QStringLiteral("hardinfo2"),   QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
    QStringLiteral("lshw-gtk"),    QStringLiteral("gnome-system-monitor"),
    QStringLiteral("mate-system-monitor"),
};

KeyStore::Lookup machineStore(KeyRoot root, const QString &keyName, const QString &valueName)
{
    KeyStore::Lookup found;
    if (root != KeyRoot::LocalMachine || keyName.compare(kSysInfoKey, Qt::CaseInsensitive) != 0)
        return found;
    const QString program = KeyStore::SystemInfoProgram();
    if (program.isEmpty())
        return found;
    found.keyExists = true;
    if (valueName.compare(kSysInfoValue, Qt::CaseInsensitive) == 0)
        found.value = KeyValue::String(program);
    return found;
}

}  // namespace

KeyValue KeyValue::String(const QString &text)
{
    KeyValue v;
    v.type = Type::String;
    v.data = text.toUtf8();
    v.data.append('\0');
    return v;
}

KeyValue KeyValue::DWord(quint32 value)
{
    KeyValue v;
    v.type = Type::DWord;
    for (int i = 0; i < 4; ++i)
        v.data.append(char((value >> (8 * i)) & 0xFF));
    return v;
}

namespace KeyStore {

void SetSource(Source source)
{
    g_source = std::move(source);
}

Lookup Find(KeyRoot root, const QString &keyName, const QString &valueName)
{
    return g_source ? g_source(root, keyName, valueName) : machineStore(root, keyName, valueName);
}

QString SystemInfoProgram()
{
    for (const QString &name : kSysInfoPrograms) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

}  // namespace KeyStore

bool GetKeyValue(KeyRoot keyRoot, const QString &keyName, const QString &subKeyRef, QString &keyVal)
{
    constexpr int kBufferSize = 1024;
    const KeyStore::Lookup found = KeyStore::Find(keyRoot, keyName, subKeyRef);
    if (!found.keyExists || !found.value || found.value->data.size() > kBufferSize) {
        keyVal.clear();
        return false;
    }
    QByteArray data = found.value->data;
    if (data.endsWith('\0'))
        data.chop(1);
    switch (found.value->type) {
    case KeyValue::Type::String:
        keyVal = QString::fromUtf8(data);
        break;
    case KeyValue::Type::DWord: {
        // The whole number in hexadecimal: dropping the leading zero of
        // every byte, not only the first, would turn 0x0105 into "15".
        quint32 value = 0;
        for (int i = int(data.size()) - 1; i >= 0; --i)
            value = (value << 8) | quint8(data[i]);
        keyVal = QStringLiteral("&h") + QString::number(value, 16).toUpper();
        break;
    }
    case KeyValue::Type::Binary:
        break;
    }
    return true;
}
