#include "ParallelPort.h"

#include "QcError.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qc {

DeviceParallelPort::DeviceParallelPort(QString path) : path_(std::move(path)) {}

DeviceParallelPort::~DeviceParallelPort() {
    closePort();
}

void DeviceParallelPort::closePort() {
    if (fd_ < 0) return;
    if (!simulated_) ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
}

void DeviceParallelPort::fail(int err, const char* action) {
    closePort();
    throw QcError(QcError::HardwareNotAvailable,
                  QStringLiteral("The hardware is not available: parallel port %1 could not be %2 (%3)")
                      .arg(path_, QString::fromLatin1(action), QString::fromLocal8Bit(std::strerror(err))));
}

void DeviceParallelPort::ensureOpen() {
    const QByteArray p = path_.toLocal8Bit();
    struct stat st {};
    if (fd_ >= 0) {
        if (!simulated_) return;
        // A port file that was deleted or put in place anew (as an editor or a script saves it) would
        // leave us on the old file for good: follow the name, and take the new file like a port that
        // came back.
        if (::stat(p.constData(), &st) != 0) fail(errno, "opened");
        if (st.st_dev == fileDev_ && st.st_ino == fileIno_) return;
        closePort();
    }
    if (::stat(p.constData(), &st) != 0) fail(errno, "opened");
    simulated_ = S_ISREG(st.st_mode);
    fd_ = ::open(p.constData(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) fail(errno, "opened");
    struct stat opened {};
    if (::fstat(fd_, &opened) != 0) fail(errno, "opened");
    fileDev_ = opened.st_dev;
    fileIno_ = opened.st_ino;
    if (!simulated_ && ioctl(fd_, PPCLAIM) != 0) fail(errno, "claimed");
    // A port that comes back gets the outputs the program last set.
    if (dataKnown_) writeData(data_);
}

void DeviceParallelPort::writeData(unsigned char value) {
    if (simulated_) {
        if (::pwrite(fd_, &value, 1, 0) != 1) fail(errno, "written");
    } else if (ioctl(fd_, PPWDATA, &value) != 0) {
        fail(errno, "written");
    }
}

void DeviceParallelPort::Outp(int address, int value) {
    if (address != DataRegister) return;
    data_ = static_cast<unsigned char>(value);
    dataKnown_ = true;
    ensureOpen();
    writeData(data_);
}

int DeviceParallelPort::Inp(int address) {
    ensureOpen();
    if (address != StatusRegister) return 0;
    unsigned char status = 127;
    if (simulated_) {
        const ssize_t n = ::pread(fd_, &status, 1, 1);
        if (n < 0) fail(errno, "read");
        if (n == 0) status = 127;
    } else if (ioctl(fd_, PPRSTATUS, &status) != 0) {
        fail(errno, "read");
    }
    return status;
}

void MemoryParallelPort::Outp(int address, int value) {
    if (fails) throw QcError(QcError::HardwareNotAvailable, QStringLiteral("The hardware is not available"));
    if (address == DataRegister) {
        data = value;
        ++writes;
    }
}

int MemoryParallelPort::Inp(int address) {
    ++reads;
    if (fails) throw QcError(QcError::HardwareNotAvailable, QStringLiteral("The hardware is not available"));
    return address == StatusRegister ? status : 0;
}

}  // namespace qc
