// Source.dat as any bytes on the floppy: loading it makes the data folder's Source.dat, which reads
// back as exactly the fields of the floppy's.
#include <QDir>

#include "FuzzSupport.h"
#include "review/SourceCodes.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::TestProgram& p = fuzz::program();
    static const bool floppy = [&p] {
        QDir().mkpath(p.file(QStringLiteral("floppy")));
        return qputenv("QUILLORN_FLOPPY", p.file(QStringLiteral("floppy")).toLocal8Bit());
    }();
    fuzz::require(floppy);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    p.writeFile(QStringLiteral("floppy/Source.dat"), bytes);
    LoadSourceCodes(*p.m);
    fuzz::require(readSourceCodes(p.file(QStringLiteral("Source.dat"))) == sourceFields(bytes));
    return 0;
}
