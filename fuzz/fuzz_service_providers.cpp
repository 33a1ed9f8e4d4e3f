// SPNames.dat as any bytes: both views list 64 slots of 25-byte names, and storing a name changes
// those 25 bytes and nothing else of the file.
#include "FuzzSupport.h"
#include "platform/Text.h"
#include "review/ServiceProviderNames.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    test::TestProgram& p = fuzz::program();
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 2, static_cast<qsizetype>(size - 2));
    p.writeFile(QStringLiteral("SPNames.dat"), bytes);
    ServiceProviderNames names(p.file(QStringLiteral("SPNames.dat")));
    names.open();
    for (int16_t mode : {0, 1}) {
        names.viewMode = mode;
        names.LoadSPNames();
        fuzz::require(names.lstSerProv.count() == ServiceProviderNames::Slots);
    }
    const int slot = data[0] % ServiceProviderNames::Slots;
    const QByteArray name = bytes.left(data[1] % 40);
    names.writeName(slot, name);
    fuzz::require(names.readName(slot) == fitField(name, ServiceProviderNames::NameLength));
    QByteArray expected = bytes;
    const qsizetype at = qsizetype(slot) * ServiceProviderNames::SlotLength;
    if (expected.size() < at + ServiceProviderNames::NameLength)
        expected.append(at + ServiceProviderNames::NameLength - expected.size(), '\0');
    expected.replace(at, ServiceProviderNames::NameLength, fitField(name, ServiceProviderNames::NameLength));
    fuzz::require(p.readFile(QStringLiteral("SPNames.dat")) == expected);
    return 0;
}
