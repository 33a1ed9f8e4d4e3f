// Log lines are appended whole, and a file held by someone else never stops the program.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "platform/AppendFile.h"
#include "platform/QcError.h"

namespace qc {
namespace {

TEST(AppendFile, AFileLockedByAnotherProgramIsStillWrittenAfterAShortWait) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("AL261207.log"));
    AppendFile::append(path, "14:00:00  first\r\n");

    QFile holder(path);
    ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
    ASSERT_EQ(::flock(holder.handle(), LOCK_EX), 0);  // a backup tool holding the file
    QElapsedTimer t;
    t.start();
    AppendFile::append(path, "14:00:01  second\r\n");
    EXPECT_LT(t.elapsed(), 5000);  // a bound on waiting, not a speed figure

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("14:00:00  first\r\n14:00:01  second\r\n"));
}

TEST(AppendFile, AMissingFolderIsPathNotFound) {
    QTemporaryDir dir;
    try {
        AppendFile::append(dir.filePath(QStringLiteral("logs/AL261207.log")), "x\r\n");
        FAIL() << "no error";
    } catch (const QcError& e) {
        EXPECT_EQ(e.number(), QcError::PathNotFound);
    }
}

}  // namespace
}  // namespace qc
