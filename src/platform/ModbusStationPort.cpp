#include "ModbusStationPort.h"

#include <modbus/modbus.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>

namespace qc {

using SteadyClock = std::chrono::steady_clock;

struct ModbusStationPort::Shared {
    // Fixed for the port's life.
    StationIoSettings settings;
    QString device;  // as the messages name it
    QByteArray serialPath;
    ModbusTiming timing;
    std::shared_future<void> after;
    std::promise<void> ended;
    std::shared_future<void> endedFuture = ended.get_future().share();

    mutable std::mutex mu;
    std::condition_variable wake;
    Report report;  // cleared when the port is stopped
    bool stopping = false;
    bool coilsOff = true;  // at the stop
    bool wanted[2] = {false, false};
    bool outputsChanged = false;
    Inputs inputs;
    bool latched[2] = {false, false};
    SteadyClock::time_point latchedAt[2];

    void emitReport(const QString& line) {
        const std::lock_guard lock(mu);
        if (report) report(line);
    }
};

namespace {

// The worker's side: the connection and what was last written to it. Used on the worker thread only.
class Link {
public:
    explicit Link(ModbusStationPort::Shared& s) : s_(s) {}
    ~Link() { close(); }

    bool connected() const { return ctx_ != nullptr; }
    bool mustWrite(const bool (&want)[2]) const {
        return !writtenKnown_ || want[0] != written_[0] || want[1] != written_[1];
    }
    void forgetCoils() { writtenKnown_ = false; }

    bool connect() {
        const StationIoSettings& c = s_.settings;
        if (c.device == StationIoSettings::Device::ModbusTcp)
            ctx_ = modbus_new_tcp_pi(c.host.toUtf8().constData(), QByteArray::number(c.port).constData());
        else
            ctx_ = modbus_new_rtu(s_.serialPath.constData(), c.baud, c.parity, c.dataBits, c.stopBits);
        if (!ctx_) return failed(errno);
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(s_.timing.response).count();
        modbus_set_response_timeout(ctx_, static_cast<uint32_t>(us / 1000000),
                                    static_cast<uint32_t>(us % 1000000));
        if (modbus_set_slave(ctx_, c.unit) != 0 || modbus_connect(ctx_) != 0) return failed(errno);
        writtenKnown_ = false;  // a module that was away may have lost its coils
        return true;
    }

    // Writes the coils that differ from what the module holds (all of them after a connection).
    bool writeCoils(const bool (&want)[2]) {
        const int address[2] = {s_.settings.remoteStart1Coil, s_.settings.remoteStart2Coil};
        const bool change[2] = {!writtenKnown_ || want[0] != written_[0],
                                !writtenKnown_ || want[1] != written_[1]};
        bool ok = true;
        if (change[0] && change[1] && std::abs(address[0] - address[1]) == 1) {
            // Side by side: one request, so both change together.
            const int low = address[0] < address[1] ? 0 : 1;
            const uint8_t bits[2] = {want[low], want[1 - low]};
            ok = modbus_write_bits(ctx_, address[low], 2, bits) == 2;
        } else {
            for (int i = 0; i < 2 && ok; ++i)
                if (change[i]) ok = modbus_write_bit(ctx_, address[i], want[i]) == 1;
        }
        if (!ok) return failed(errno);
        written_[0] = want[0];
        written_[1] = want[1];
        writtenKnown_ = true;
        // Not yet a module that works: one that takes the coils but refuses the inputs (none there,
        // or an address beyond its range) would be tried again at once, for ever, and never told.
        return true;
    }

    bool readInputs() {
        const int address[2] = {s_.settings.alarmInput, s_.settings.clockResetInput};
        uint8_t raw[2] = {0, 0};
        bool ok = true;
        if (std::abs(address[0] - address[1]) == 1) {
            const int low = address[0] < address[1] ? 0 : 1;
            uint8_t bits[2] = {0, 0};
            ok = modbus_read_input_bits(ctx_, address[low], 2, bits) == 2;
            raw[low] = bits[0];
            raw[1 - low] = bits[1];
        } else {
            for (int i = 0; i < 2 && ok; ++i)
                ok = modbus_read_input_bits(ctx_, address[i], 1, &raw[i]) == 1;
        }
        if (!ok) return failed(errno);
        const bool active[2] = {(raw[0] != 0) != s_.settings.inputsActiveLow,
                                (raw[1] != 0) != s_.settings.inputsActiveLow};
        {
            const std::lock_guard lock(s_.mu);
            s_.inputs = {true, active[0], active[1]};
            const SteadyClock::time_point now = SteadyClock::now();
            for (int i = 0; i < 2; ++i)
                if (active[i]) {
                    s_.latched[i] = true;
                    s_.latchedAt[i] = now;
                }
        }
        return answered();
    }

    // A connection that had been working (its inputs were read) gets one new try at once before the
    // module counts as gone: a module that closed an idle connection or lost one frame is back before
    // anyone notices.
    bool retryAtOnce() const { return lost_; }

    void close() {
        if (!ctx_) return;
        modbus_close(ctx_);
        modbus_free(ctx_);
        ctx_ = nullptr;
    }

private:
    bool answered() {
        established_ = true;
        lost_ = false;
        if (reportedDown_) {
            reportedDown_ = false;
            s_.emitReport(QStringLiteral("Station I/O restored"));
        }
        return true;
    }

    bool failed(int err) {
        const QString reason = QString::fromLocal8Bit(modbus_strerror(err));
        close();
        {
            // Unknown now, but the engine goes on from the contacts as last read: a contact still
            // closed when the module is back is the same activation, not a new one to log again.
            const std::lock_guard lock(s_.mu);
            s_.inputs.known = false;
        }
        lost_ = established_;
        if (established_) {
            established_ = false;
        } else if (!reportedDown_) {
            reportedDown_ = true;
            s_.emitReport(QStringLiteral("Station I/O: %1: %2").arg(s_.device, reason));
        }
        return false;
    }

    ModbusStationPort::Shared& s_;
    modbus_t* ctx_ = nullptr;
    bool written_[2] = {false, false};
    bool writtenKnown_ = false;
    bool established_ = false;  // the inputs were read since the connection was made
    bool lost_ = false;
    bool reportedDown_ = false;
};

}  // namespace

ModbusStationPort::ModbusStationPort(const StationIoSettings& settings, const Paths& paths, Report report,
                                     ModbusTiming timing, std::shared_future<void> after, int data)
    : shared_(std::make_shared<Shared>()) {
    shared_->wanted[0] = (data & 32) != 0;
    shared_->wanted[1] = (data & 64) != 0;
    shared_->settings = settings;
    shared_->device = settings.deviceText(paths);
    shared_->serialPath = settings.serialPath(paths).toLocal8Bit();
    shared_->timing = timing;
    shared_->after = std::move(after);
    shared_->report = std::move(report);
    worker_ = std::thread(&ModbusStationPort::run, shared_);
}

ModbusStationPort::~ModbusStationPort() {
    stop(std::chrono::milliseconds(0));
}

const QString& ModbusStationPort::deviceText() const {
    return shared_->device;
}

void ModbusStationPort::run(std::shared_ptr<Shared> shared) {
    Shared& s = *shared;
    // The port before, on what may be the same module, writes its coils off first.
    if (s.after.valid()) s.after.wait_for(std::chrono::seconds(3));
    Link link(s);
    std::unique_lock lock(s.mu);
    SteadyClock::time_point nextPoll = SteadyClock::now();
    SteadyClock::time_point nextTry = nextPoll;
    while (!s.stopping) {
        const SteadyClock::time_point now = SteadyClock::now();
        if (!link.connected()) {
            // A changed output is worth a try before the interval is over: it may be on time yet.
            if (now < nextTry && !s.outputsChanged && !link.retryAtOnce()) {
                s.wake.wait_until(lock, nextTry);
                continue;
            }
            s.outputsChanged = false;
            lock.unlock();
            link.connect();
            lock.lock();
            // Counted from this try, also when it connected: a module (or a gateway, or an RTU
            // adapter whose module is off) that takes the connection and then answers nothing waits
            // for the interval like one that refuses it. Only a connection that had worked is tried
            // again at once, above.
            nextTry = SteadyClock::now() + s.timing.retry;
            nextPoll = SteadyClock::now();
            continue;
        }
        s.outputsChanged = false;
        const bool want[2] = {s.wanted[0], s.wanted[1]};
        if (link.mustWrite(want)) {
            lock.unlock();
            link.writeCoils(want);
            lock.lock();
            continue;
        }
        if (now >= nextPoll) {
            lock.unlock();
            link.readInputs();
            lock.lock();
            nextPoll = std::max(nextPoll + s.timing.poll, SteadyClock::now());
            continue;
        }
        s.wake.wait_until(lock, nextPoll);
    }
    const bool coilsOff = s.coilsOff;
    lock.unlock();
    // The safe state: every coil off, also when the module was away (one try within the limit).
    link.forgetCoils();
    if (coilsOff && (link.connected() || link.connect())) link.writeCoils({false, false});
    link.close();
    s.ended.set_value();
}

void ModbusStationPort::Outp(int address, int value) {
    if (address != DataRegister) return;
    const bool want[2] = {(value & 32) != 0, (value & 64) != 0};
    const std::lock_guard lock(shared_->mu);
    if (want[0] == shared_->wanted[0] && want[1] == shared_->wanted[1]) return;
    shared_->wanted[0] = want[0];
    shared_->wanted[1] = want[1];
    shared_->outputsChanged = true;
    shared_->wake.notify_one();
}

int ModbusStationPort::Inp(int address) {
    if (address != StatusRegister) return 0;
    Shared& s = *shared_;
    const std::lock_guard lock(s.mu);
    const SteadyClock::time_point now = SteadyClock::now();
    bool active[2];
    for (int i = 0; i < 2; ++i) {
        // An activation the tick has not seen yet counts once, unless it is too old to act on.
        active[i] = (i == 0 ? s.inputs.alarm : s.inputs.clockReset) ||
                    (s.latched[i] && now - s.latchedAt[i] <= s.timing.latchHold);
        s.latched[i] = false;
    }
    return 127 - (active[0] ? 16 : 0) - (active[1] ? 8 : 0);
}

void ModbusStationPort::carryOver(const Inputs& last) {
    const std::lock_guard lock(shared_->mu);
    if (shared_->inputs.known) return;
    shared_->inputs.alarm = last.alarm;
    shared_->inputs.clockReset = last.clockReset;
}

ModbusStationPort::Inputs ModbusStationPort::inputs() const {
    const std::lock_guard lock(shared_->mu);
    return shared_->inputs;
}

std::shared_future<void> ModbusStationPort::stop(std::chrono::milliseconds wait, bool coilsOff) {
    {
        const std::lock_guard lock(shared_->mu);
        shared_->coilsOff = shared_->coilsOff && coilsOff;
        shared_->stopping = true;
        shared_->report = nullptr;
        shared_->wake.notify_one();
    }
    if (worker_.joinable()) {
        // A worker still busy with the module finishes on its own; it holds what it uses.
        if (shared_->endedFuture.wait_for(wait) == std::future_status::ready)
            worker_.join();
        else
            worker_.detach();
    }
    return shared_->endedFuture;
}

}  // namespace qc
