#include "QcError.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace qc {

QcError::QcError(int number, QString description)
    : number_(number), description_(std::move(description)), what_(text().toUtf8()) {}

QString QcError::standardDescription(int number) {
    switch (number) {
        case TypeMismatch:
            return QStringLiteral("Type mismatch");
        case InternalError:
            return QStringLiteral("Internal error");
        case BadFileNameOrNumber:
            return QStringLiteral("Bad file name or number");
        case FileNotFound:
            return QStringLiteral("File not found");
        case DeviceIoError:
            return QStringLiteral("Device I/O error");
        case DiskFull:
            return QStringLiteral("Disk full");
        case PermissionDenied:
            return QStringLiteral("Permission denied");
        case PathFileAccessError:
            return QStringLiteral("Path/File access error");
        case PathNotFound:
            return QStringLiteral("Path not found");
        case InvalidPropertyValue:
            return QStringLiteral("Invalid property value");
        case InvalidPortNumber:
            return QStringLiteral("Invalid port number");
        case PortAlreadyOpen:
            return QStringLiteral("Port already open");
        case HardwareNotAvailable:
            return QStringLiteral("The hardware is not available");
        default:
            return QStringLiteral("Application-defined or object-defined error");
    }
}

QcError QcError::fromErrno(int err, const QString& what) {
    int number;
    switch (err) {
        case ENOENT:
            // A file in a folder that is not there is a missing path, as the old runtime said.
            number = !what.isEmpty() && !QFileInfo(what).absoluteDir().exists() ? PathNotFound : FileNotFound;
            break;
        case ENOTDIR:
            number = PathNotFound;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            number = PermissionDenied;
            break;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:  // a file size limit: no more room all the same
            number = DiskFull;
            break;
        case EIO:
        case ENXIO:
        case ENODEV:
            number = DeviceIoError;
            break;
        case EBADF:
            number = BadFileNameOrNumber;
            break;
        default:
            number = PathFileAccessError;
            break;
    }
    QString description = standardDescription(number);
    if (!what.isEmpty())
        description += QStringLiteral(": %1 (%2)").arg(what, QString::fromLocal8Bit(std::strerror(err)));
    return QcError(number, description);
}

QString QcError::text() const {
    return QStringLiteral("%1  %2").arg(number_).arg(description_);
}

QString QcError::textOneBlank() const {
    return QStringLiteral("%1 %2").arg(number_).arg(description_);
}

QcError toQcError(const std::exception& e) {
    if (auto* qe = dynamic_cast<const QcError*>(&e)) return *qe;
    return QcError(QcError::InternalError, QString::fromLocal8Bit(e.what()));
}

}  // namespace qc
