// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Run-time errors carry the program's error numbers so that every error trap
// maps them to its message in one table, whatever raised them.
#include <QFileDevice>
#include <QString>
#include <stdexcept>

namespace Err {
constexpr int InvalidCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int DivisionByZero = 11;
constexpr int TypeMismatch = 13;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyOpen = 55;
constexpr int DeviceIO = 57;
constexpr int FileExists = 58;
constexpr int DiskFull = 61;
constexpr int InputPastEnd = 62;
constexpr int BadRecordNumber = 63;
constexpr int TooManyFiles = 67;
constexpr int DeviceUnavailable = 68;
constexpr int PermissionDenied = 70;
constexpr int DiskNotReady = 71;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int PrinterError = 482;
}  // namespace Err

class VbError : public std::runtime_error {
public:
    explicit VbError(int number, const QString &description = QString());
    int Number;
    QString Description;
};

[[noreturn]] void RaiseError(int number, const QString &description = QString());

// The one place where the system's failures become error numbers.
int ErrorNumberFromErrno(int errnoValue);
int ErrorNumberFromFileError(QFileDevice::FileError error, int errnoValue);
