// QuillornControl.ini and TimeReset.ini as any bytes. Reading never fails on their content, and what
// is read writes back to files that read the same again.
#include "FuzzSupport.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    test::TestProgram& p = fuzz::program();
    fuzz::reset(p);
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    const qsizetype split = std::min<qsizetype>(data[0], bytes.size());
    p.writeFile(QStringLiteral("QuillornControl.ini"), bytes.left(split));
    p.writeFile(QStringLiteral("TimeReset.ini"), bytes.mid(split));
    p.m->ReadTimeReset();
    p.m->ReadSettings();
    fuzz::require(p.m->Rx1Port >= 0 && p.m->Rx1Port <= 9 && p.m->EbNoPerHour <= 9);

    // Write, read and write again: the second writing gives the bytes of the first.
    p.writeFile(QStringLiteral("QuillornControl.ini"), {});
    p.writeFile(QStringLiteral("TimeReset.ini"), {});
    p.m->WriteSettings();
    const QByteArray ini = p.readFile(QStringLiteral("QuillornControl.ini"));
    const QByteArray reset = p.readFile(QStringLiteral("TimeReset.ini"));
    fuzz::require(ini.size() == 9 && reset.size() == 5);
    fuzz::reset(p);
    p.m->ReadTimeReset();
    p.m->ReadSettings();
    p.m->WriteSettings();
    fuzz::require(p.readFile(QStringLiteral("QuillornControl.ini")) == ini);
    fuzz::require(p.readFile(QStringLiteral("TimeReset.ini")) == reset);
    return 0;
}
