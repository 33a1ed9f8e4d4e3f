#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "ParallelPort.h"
#include "StationIoSettings.h"

namespace qc {

// How often and how long the module is spoken to.
struct ModbusTiming {
    std::chrono::milliseconds poll{100};        // the inputs, five times and more a second
    std::chrono::milliseconds retry{5000};      // a module that failed is tried again
    std::chrono::milliseconds response{500};    // the limit of every exchange and connection
    std::chrono::milliseconds latchHold{1000};  // an input seen but not yet read by the tick
};

// The station automation's outputs and inputs on a Modbus module (TCP or RTU), behind the parallel
// port's interface: data bits 5 and 6 drive the two remote-start coils, the alarm and clock-reset
// discrete inputs come back as the status register (127 with no input active, less 16 for the alarm,
// less 8 for the clock reset).
//
// Nothing here waits on the module: a worker thread owns the connection. Outp only records the coils
// wanted and wakes it; Inp returns the inputs the worker read last. An input seen active by the
// worker stays active for the next Inp, so a pulse shorter than a tick's delay is not lost.
//
// A module that fails is reported once through `report` (from the worker thread), tried again at
// the retry interval (and at once when an output changes), and reported restored when it answers;
// the outputs wanted are then written again. When the port is stopped every coil is written off.
class ModbusStationPort : public ParallelPort {
public:
    using Report = std::function<void(const QString& line)>;

    // `after`: a port stopped before this one, on what may be the same module; its last writes go
    // first. `data`: the data register the outputs start from, for a port that takes over from
    // another while an output is held (its first write must not turn it off).
    ModbusStationPort(const StationIoSettings& settings, const Paths& paths, Report report,
                      ModbusTiming timing = {}, std::shared_future<void> after = {}, int data = 0);

    struct Inputs {
        bool known = false;  // the module answered the last reading
        bool alarm = false;
        bool clockReset = false;
    };
    // The contacts as a port before this one last read them, until this one reads them: a contact
    // still closed is the same activation, not a new one.
    void carryOver(const Inputs& last);
    ~ModbusStationPort() override;
    ModbusStationPort(const ModbusStationPort&) = delete;
    ModbusStationPort& operator=(const ModbusStationPort&) = delete;

    void Outp(int address, int value) override;
    int Inp(int address) override;

    // The inputs as the worker read them last, for showing; no latch is touched.
    Inputs inputs() const;

    // Writes every coil off (unless `coilsOff` is false: a port that takes over the same coils keeps
    // what they hold) and ends the worker, waiting for it at most `wait`; no report is made after
    // this. The future is ready when the worker has ended.
    std::shared_future<void> stop(std::chrono::milliseconds wait, bool coilsOff = true);

    const QString& deviceText() const;

    // What the worker and the callers share.
    struct Shared;

private:
    static void run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};

}  // namespace qc
