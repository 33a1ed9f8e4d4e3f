#pragma once

#include <QByteArray>
#include <QString>

namespace qc {

// A log file opened for appending (created when missing), written and closed again. The file is held
// with an exclusive lock while it is open, so a line is never interleaved with another writer's.
class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile() { close(); }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Throws QcError; a missing folder is 76 "Path not found".
    void open(const QString& path);
    // Writes all bytes or, failing that (a full disk), none: the file keeps whole lines. Throws.
    void write(const QByteArray& bytes);
    void close();
    // The size of the open file, -1 when it cannot be told: 0 for a file new or left empty.
    qint64 size() const;

    // Opens, appends and closes.
    static void append(const QString& path, const QByteArray& bytes);

private:
    int fd_ = -1;
    bool locked_ = false;
    QString path_;
};

}  // namespace qc
