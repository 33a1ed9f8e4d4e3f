#pragma once

#include <QString>
#include <exception>

namespace qc {

// The one error type of the program: a number and a description. The numbers are the conventional
// ones of the station's old runtime where one exists, because operators know them from the old PCs.
class QcError : public std::exception {
public:
    enum Number {
        TypeMismatch = 13,
        InternalError = 51,
        BadFileNameOrNumber = 52,
        FileNotFound = 53,
        DeviceIoError = 57,
        DiskFull = 61,
        PermissionDenied = 70,
        PathFileAccessError = 75,
        PathNotFound = 76,
        InvalidPropertyValue = 380,
        InvalidPortNumber = 8002,
        PortAlreadyOpen = 8005,
        HardwareNotAvailable = 8010,
    };

    QcError(int number, QString description);

    // Maps an errno value of a failed file or device call to the error of the program.
    static QcError fromErrno(int err, const QString& what = QString());

    int number() const { return number_; }
    const QString& description() const { return description_; }

    // "number, two blanks, description": the form of errors caught at the top of a procedure.
    QString text() const;
    // "number, one blank, description": the form the serial channel and the logs use.
    QString textOneBlank() const;

    const char* what() const noexcept override { return what_.constData(); }

    // The description the old runtime gave for a number.
    static QString standardDescription(int number);

private:
    int number_;
    QString description_;
    QByteArray what_;
};

// Any exception caught at the top of a tick or an event, as a program error.
QcError toQcError(const std::exception& e);

}  // namespace qc
