#pragma once

#include <QString>
#include <vector>

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

    // Opens for reading and writing, creating an empty file when absent. A file that may be read
    // but not written (a read-only folder or disk) is opened for reading: the schedule still runs,
    // writeRefused() tells why, and every write throws that refusal. A record whose writing was cut
    // off (the program killed, the power gone) is completed from the journal beside the file.
    // Throws QcError when the file cannot be read either.
    void open(const QString& path);
    // Why writing was refused at open (an errno value), 0 when the file was opened for writing.
    int writeRefused() const { return writeRefused_; }
    // The process of another program holding a lock on the file when it was opened, else 0.
    long lockHolder() const { return lockHolder_; }
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

    // The records in order from record 1, read a block at a time: a loop over the whole schedule
    // costs a few reads instead of one per record.
    class Scan {
    public:
        explicit Scan(const ScheduleFile& file) : file_(file) {}
        // The next record's RecordLength bytes, valid until the next call; nullptr where read()
        // reports end of file. A failed read throws QcError at the record it failed on, after the
        // records before it, as reading them one by one would.
        const char* next();
        // The number of the record next() returned last.
        qint64 number() const { return number_; }

    private:
        const ScheduleFile& file_;
        QByteArray block_;
        qsizetype at_ = 0;
        qsizetype end_ = 0;
        qint64 number_ = 0;
        bool atEnd_ = false;
    };

    // Writes record n (n = last + 1 extends the file by one record) and waits until it is on the
    // disk. Throws QcError.
    void write(qint64 n, const ScheduleEntry& entry);

    // One whole record's bytes for record n.
    struct RecordBytes {
        qint64 n = 0;
        QByteArray bytes;
    };
    // Writes the records as one change, in the order given (a record past the end only right after
    // the last one): they all reach the disk before this returns, and a power cut on the way leaves
    // the file as it was or, completed at the next opening, with all of them. A write that fails
    // puts back what it had written. Throws QcError.
    void write(const std::vector<RecordBytes>& records);

    // Writes the bytes at the end of the file and waits for the disk; for whole-file copies.
    void writeRaw(qint64 offset, const QByteArray& bytes);

private:
    // The records with the bytes they replace, on the disk; false when there is no journal.
    bool writeJournal(const std::vector<RecordBytes>& records, std::vector<QByteArray>& old);
    void completeJournal();
    void writeAt(qint64 offset, const QByteArray& bytes);
    void flush();

    int fd_ = -1;
    int journalFd_ = -1;
    bool writable_ = false;
    int writeRefused_ = 0;
    long lockHolder_ = 0;
    QString path_;
};

}  // namespace qc
