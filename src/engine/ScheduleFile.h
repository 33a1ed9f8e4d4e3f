#pragma once

#include <QString>

#include "ScheduleEntry.h"

namespace qc {

// A file of ScheduleEntry records back to back, record n (from 1) at (n - 1) * 113. Used for
// SwitchList.dat, open for the whole run, and for the transfer copy switchlist.dat.
class ScheduleFile {
public:
    ScheduleFile() = default;
    ~ScheduleFile();
    ScheduleFile(const ScheduleFile&) = delete;
    ScheduleFile& operator=(const ScheduleFile&) = delete;

    // Opens for reading and writing, creating an empty file when absent. Throws QcError.
    void open(const QString& path);
    // Opens an existing file for reading only. Throws QcError.
    void openForReading(const QString& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const QString& path() const { return path_; }

    // Whole records in the file; an incomplete last record does not count.
    qint64 recordCount() const;

    // Reads record n. Returns false at end of file: record n does not exist or is incomplete.
    // A file that could not be opened reads as empty.
    bool read(qint64 n, ScheduleEntry& entry) const;

    // Writes record n (n = last + 1 extends the file by one record) and waits until it is on the
    // disk. Throws QcError.
    void write(qint64 n, const ScheduleEntry& entry);

    // Writes the bytes at the end of the file and waits for the disk; for whole-file copies.
    void writeRaw(qint64 offset, const QByteArray& bytes);

private:
    int fd_ = -1;
    QString path_;
};

}  // namespace qc
