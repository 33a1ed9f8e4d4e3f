#include "ServiceProviderNames.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>

#include "platform/DurableFile.h"
#include "platform/QcError.h"
#include "platform/Text.h"

namespace qc {

namespace {

QByteArray slotNumber(int slot) {
    return (slot < 10 ? QByteArray(" ") : QByteArray()) + QByteArray::number(slot);
}

void checkSlot(int slot) {
    if (slot < 0 || slot >= ServiceProviderNames::Slots)
        throw QcError(QcError::BadFileNameOrNumber, QStringLiteral("Bad record number %1").arg(slot + 1));
}

}  // namespace

ServiceProviderNames::ServiceProviderNames(QString path) : path_(std::move(path)) {}

ServiceProviderNames::~ServiceProviderNames() {
    close();
}

QByteArray ServiceProviderNames::emptyFile() {
    QByteArray bytes((Slots - 1) * SlotLength + NameLength, '\0');
    for (int slot = 0; slot < Slots; ++slot)
        bytes.replace(slot * SlotLength, NameLength, QByteArray(NameLength, ' '));
    return bytes;
}

void ServiceProviderNames::open() {
    close();
    // Made whole under another name first, so a failure never leaves a part of a table behind.
    if (!QFileInfo::exists(path_)) replaceFileDurably(path_, emptyFile());
    fd_ = ::open(path_.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) throw QcError::fromErrno(errno, path_);
}

void ServiceProviderNames::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

QByteArray ServiceProviderNames::readName(int slot) const {
    checkSlot(slot);
    if (fd_ < 0) throw QcError(QcError::BadFileNameOrNumber, QcError::standardDescription(52));
    char buffer[NameLength];
    qint64 got = 0;
    while (got < NameLength) {
        const ssize_t n = ::pread(fd_, buffer + got, NameLength - got, qint64(slot) * SlotLength + got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw QcError::fromErrno(errno, path_);
        if (n == 0) break;
        got += n;
    }
    return fitField(QByteArray(buffer, got), NameLength);
}

void ServiceProviderNames::writeName(int slot, const QByteArray& text) {
    checkSlot(slot);
    if (fd_ < 0) throw QcError(QcError::BadFileNameOrNumber, QcError::standardDescription(52));
    const QByteArray record = fitField(text, NameLength);
    qint64 done = 0;
    while (done < NameLength) {
        const ssize_t n =
            ::pwrite(fd_, record.constData() + done, NameLength - done, qint64(slot) * SlotLength + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw QcError::fromErrno(errno, path_);
        done += n;
    }
    if (::fdatasync(fd_) != 0) throw QcError::fromErrno(errno, path_);
}

void ServiceProviderNames::LoadSPNames() {
    std::vector<SortedList::Item> lines;
    lines.reserve(Slots);
    for (int slot = 0; slot < Slots; ++slot) {
        const QByteArray name = readName(slot);
        const QByteArray line =
            viewMode == 0 ? slotNumber(slot) + ' ' + name : name + ' ' + slotNumber(slot) + ' ';
        lines.push_back({line, slot});
    }
    lstSerProv.assign(std::move(lines));
}

}  // namespace qc
