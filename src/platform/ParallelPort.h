#pragma once

#include <QString>
#include <cstdint>

namespace qc {

// The station automation's parallel port: data register 888 (outputs), status register 889
// (inputs). Outp and Inp throw QcError when the port cannot be reached.
class ParallelPort {
public:
    static constexpr int DataRegister = 888;
    static constexpr int StatusRegister = 889;

    virtual ~ParallelPort() = default;
    virtual void Outp(int address, int value) = 0;
    virtual int Inp(int address) = 0;
};

// The port named by a path: a ppdev character device (or a link to one), or, when the path is a
// regular file, a simulated port in that file: byte 0 holds the data register as last written,
// byte 1 is read as the status register (a missing byte reads as 127, no input active).
//
// A port that cannot be opened is tried again at the next call. The data register's last value is
// kept, and written again when the port comes back, so the outputs are what the program last set.
class DeviceParallelPort : public ParallelPort {
public:
    explicit DeviceParallelPort(QString path);
    ~DeviceParallelPort() override;
    DeviceParallelPort(const DeviceParallelPort&) = delete;
    DeviceParallelPort& operator=(const DeviceParallelPort&) = delete;

    void Outp(int address, int value) override;
    int Inp(int address) override;

    const QString& path() const { return path_; }

private:
    void ensureOpen();
    void closePort();
    void writeData(unsigned char value);
    [[noreturn]] void fail(int err, const char* action);

    QString path_;
    int fd_ = -1;
    bool simulated_ = false;
    // The simulated port file that fd_ is open on.
    std::uint64_t fileDev_ = 0;
    std::uint64_t fileIno_ = 0;
    unsigned char data_ = 0;
    bool dataKnown_ = false;
};

// A port in memory, for tests: records the data register, returns a settable status.
class MemoryParallelPort : public ParallelPort {
public:
    void Outp(int address, int value) override;
    int Inp(int address) override;

    int data = 0;
    int status = 127;
    int writes = 0;
    int reads = 0;
    bool fails = false;  // every call throws, as with a missing port
};

}  // namespace qc
