// The help document as any bytes: the reader gives a document for every input, and its HTML and
// plain text can be made from it.
#include "viewers/RtfReader.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RtfDocument document =
        readRtf(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    (void)document.toHtml();
    (void)document.plainText();
    return 0;
}
