// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/errors.h"

#include <cerrno>

VbError::VbError(int number, const QString &description)
    : std::runtime_error("error " + std::to_string(number)), Number(number), Description(description)
{
}

void RaiseError(int number, const QString &description)
{
    throw VbError(number, description);
}

int ErrorNumberFromErrno(int e)
{
    switch (e) {
    case ENOENT:
        return Err::FileNotFound;
    case ENOTDIR:
        return Err::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return Err::PermissionDenied;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
        return Err::FileAlreadyOpen;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Err::DiskFull;
    case EIO:
        return Err::DeviceIO;
    case ENOMEM:
        return Err::OutOfMemory;
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
        return Err::DiskNotReady;
    case EMFILE:
    case ENFILE:
        return Err::TooManyFiles;
    case ENAMETOOLONG:
    case EINVAL:
        return Err::BadFileName;
    case EISDIR:
        return Err::PathFileAccess;
    case EEXIST:
        return Err::FileExists;
    default:
        return Err::DeviceIO;
    }
}

int ErrorNumberFromFileError(QFileDevice::FileError error, int errnoValue)
{
    // Qt folds most causes into a few codes; errno, when the caller captured
    // it right after the failing call, tells them apart.
    if (errnoValue != 0)
        return ErrorNumberFromErrno(errnoValue);
    switch (error) {
    case QFileDevice::NoError:
        return 0;
    case QFileDevice::ReadError:
    case QFileDevice::WriteError:
    case QFileDevice::FatalError:
        return Err::DeviceIO;
    case QFileDevice::ResourceError:
        return Err::DiskFull;
    case QFileDevice::OpenError:
        return Err::FileNotFound;
    case QFileDevice::PermissionsError:
        return Err::PermissionDenied;
    case QFileDevice::PositionError:
        return Err::BadRecordNumber;
    case QFileDevice::RemoveError:
    case QFileDevice::RenameError:
    case QFileDevice::CopyError:
        return Err::PathFileAccess;
    default:
        return Err::DeviceIO;
    }
}
