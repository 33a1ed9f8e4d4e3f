#pragma once

#include <QObject>
#include <QPointer>
#include <future>

class QTimer;

#include "core/Module1.h"
#include "platform/ModbusStationPort.h"
#include "platform/StationIoSettings.h"
#include "platform/SwitchableParallelPort.h"

namespace qc {

// The station I/O of the run: the parallel port or a Modbus module, as StationIO.ini says, behind the
// one port object the program holds. Its reports (a module gone, back, a setting refused) reach the
// activity log and the message window on the window thread, whatever thread they come from.
class StationIo : public QObject {
    Q_OBJECT
public:
    explicit StationIo(Paths paths, QObject* parent = nullptr);
    ~StationIo() override;

    // The port to give the program.
    ParallelPort& port() { return port_; }
    // The program whose activity log and message window take the reports.
    void attach(Module1& m) { m_ = &m; }

    // Reads StationIO.ini and puts its device in place. A file the station cannot run on is reported
    // and leaves the station without station I/O.
    void applyFile();
    // Puts the device of the settings in place: the window's Save, once the file is written.
    void apply(const StationIoSettings& settings);
    const StationIoSettings& settings() const { return settings_; }
    // False while a refused file leaves the station without station I/O.
    bool inUse() const { return port_.current() != nullptr; }

    // The inputs as the device shows them now, without taking anything from the clock tick.
    ModbusStationPort::Inputs inputs() const;
    // Holds output 1 or 2 on for a second, beside what the program holds.
    void testOutput(int output);
    // The clean exit: every coil off, waiting for the module at most a couple of seconds.
    void shutdown();

    // How the module is spoken to; tests shorten it.
    ModbusTiming timing;

private:
    void report(const QString& line);
    void setTestBits(int bits);
    void retire(bool keepCoils = false);

    Paths paths_;
    QPointer<Module1> m_;
    SwitchableParallelPort port_;
    StationIoSettings settings_;
    ModbusStationPort* modbus_ = nullptr;  // the port in place, when it is a module
    std::shared_future<void> retired_;     // the module port before it, writing its coils off
    int testBits_ = 0;
    QTimer* test1_ = nullptr;  // the end of each output's test
    QTimer* test2_ = nullptr;
};

}  // namespace qc
