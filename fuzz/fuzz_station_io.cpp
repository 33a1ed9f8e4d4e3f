// StationIO.ini as any bytes. Reading never fails on its content; what it takes is what a module
// can be run with, and written back into the same file it reads as the same settings.
#include "FuzzSupport.h"
#include "platform/StationIoSettings.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::TestProgram& p = fuzz::program();
    const Paths paths{p.home()};
    const QString path = paths.file(StationIoFile::fileName());
    test::writeBytes(path, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    // QSettings knows a file it has read again by its size and time: each input gets a time of its own.
    static qint64 inputs = 0;
    QFile(path).setFileTime(QDateTime::fromMSecsSinceEpoch(++inputs), QFileDevice::FileModificationTime);
    const StationIoFile read = StationIoFile::read(paths);
    if (!read.error.isEmpty()) {
        fuzz::require(read.error.startsWith(QStringLiteral("Station I/O: StationIO.ini: ")));
        return 0;
    }
    const StationIoSettings& s = read.settings;
    fuzz::require(s.port >= 1 && s.port <= 65535 && s.unit >= 0 && s.unit <= 255 && s.dataBits >= 5 &&
                  s.dataBits <= 8 && (s.stopBits == 1 || s.stopBits == 2));
    if (s.device != StationIoSettings::Device::Parallel)
        fuzz::require(s.remoteStart1Coil != s.remoteStart2Coil && s.alarmInput != s.clockResetInput);
    if (s.device == StationIoSettings::Device::ModbusTcp) fuzz::require(!s.host.isEmpty());

    StationIoFile::write(paths, s);
    const StationIoFile again = StationIoFile::read(paths);
    fuzz::require(again.error.isEmpty() && again.settings == s);
    return 0;
}

// QSettings allocates deep inside Qt's own code, built without frame pointers, where the address
// sanitizer's fast unwinding reads whatever the stack holds: every allocation's stack comes out new,
// and the store of them grows by about a kilobyte an input. Two frames of each are kept.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=2";
}
