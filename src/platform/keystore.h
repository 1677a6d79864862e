// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A read-only key store in place of the system registry: values under a
// root key and a key path, looked up the way the about box asks for the
// system information tool. The machine's own store answers the two keys
// that name that tool from the programs installed here; tests put a store
// of their own in its place.
#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

enum class KeyRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

struct KeyValue {
    enum class Type { String, DWord, Binary };
    Type type = Type::String;
    QByteArray data;  // as stored: strings in UTF-8, usually NUL-terminated; DWords little-endian

    static KeyValue String(const QString &text);
    static KeyValue DWord(quint32 value);
};

namespace KeyStore {

// A key that does not exist yields no key; an existing key without the
// named value yields a key with no value.
struct Lookup {
    bool keyExists = false;
    std::optional<KeyValue> value;
};
using Source = std::function<Lookup(KeyRoot root, const QString &keyName, const QString &valueName)>;

// An empty source restores the machine's own store.
void SetSource(Source source);
Lookup Find(KeyRoot root, const QString &keyName, const QString &valueName);

// The system information program found on this machine, or empty.
QString SystemInfoProgram();

}  // namespace KeyStore

// Reads one value. A string comes back as stored, without its final NUL;
// a DWord as "&h" followed by its hexadecimal digits ("&h1F4"). False, with
// keyVal emptied, when the key or the value is missing or the value is
// longer than 1024 bytes; other value types leave keyVal as it was.
bool GetKeyValue(KeyRoot keyRoot, const QString &keyName, const QString &subKeyRef, QString &keyVal);
