#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "engine/SortedList.h"

namespace qc {

// SPNames.dat, the operator's numbered list of service provider names: 64 slots of 128 bytes, the
// 25 name bytes first, blank-padded; 25 blanks is an empty slot. The rest of a slot means nothing
// and is left as it is. The file stays open while its window is open; every write reaches the disk
// before the call returns.
class ServiceProviderNames {
public:
    static constexpr int Slots = 64;
    static constexpr int SlotLength = 128;
    static constexpr int NameLength = 25;

    explicit ServiceProviderNames(QString path);
    ~ServiceProviderNames();
    ServiceProviderNames(const ServiceProviderNames&) = delete;
    ServiceProviderNames& operator=(const ServiceProviderNames&) = delete;

    // Opens the file, creating it with 64 empty slots when it is missing. Throws QcError.
    void open();
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // The 25 name bytes of slot 0..63 as stored; a file that ends early reads as blanks. Throws.
    QByteArray readName(int slot) const;
    // Stores the text cut or blank-padded to 25 bytes in slot 0..63. Throws QcError.
    void writeName(int slot, const QByteArray& text);

    // The bytes of a newly made file: 64 blank names at their slots, the last one ending the file.
    static QByteArray emptyFile();

    // Fills lstSerProv from the file, one line per slot with the slot as item data: view mode 0
    // "Names" lists by number (" 5 name"), mode 1 "Number" by name ("name  5 ").
    void LoadSPNames();
    int16_t viewMode = 0;
    SortedList lstSerProv{true};

private:
    QString path_;
    int fd_ = -1;
};

}  // namespace qc
