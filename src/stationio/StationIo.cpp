#include "StationIo.h"

#include <QTimer>

#include "core/Module1.h"
#include "platform/Text.h"

namespace qc {

StationIo::StationIo(Paths paths, QObject* parent) : QObject(parent), paths_(std::move(paths)) {}

StationIo::~StationIo() {
    shutdown();
}

void StationIo::report(const QString& line) {
    // Delivered on the window thread, after the events already waiting: the program's shared state
    // is only ever touched there.
    QMetaObject::invokeMethod(
        this,
        [this, line] {
            if (!m_) return;
            m_->ActivityText = toCp1252(line);
            try {
                m_->WriteActivityLog();
            } catch (const std::exception& e) {
                m_->ShowMessage(toQcError(e).text());
            }
            m_->ShowMessage(line);
        },
        Qt::QueuedConnection);
}

void StationIo::retire(bool keepCoils) {
    std::unique_ptr<ParallelPort> old = port_.release();
    if (modbus_) retired_ = modbus_->stop(std::chrono::milliseconds(0), !keepCoils);
    modbus_ = nullptr;
}

namespace {

// The same coils of the same module: a remote start under way is carried over without going off.
bool sameOutputs(StationIoSettings a, const StationIoSettings& b) {
    a.alarmInput = b.alarmInput;
    a.clockResetInput = b.clockResetInput;
    a.inputsActiveLow = b.inputsActiveLow;
    return a == b && a.device != StationIoSettings::Device::Parallel;
}

}  // namespace

void StationIo::applyFile() {
    const StationIoFile file = StationIoFile::read(paths_);
    if (!file.error.isEmpty()) {
        retire();
        settings_ = file.settings;
        report(file.error);
        return;
    }
    apply(file.settings);
}

void StationIo::apply(const StationIoSettings& settings) {
    const ModbusStationPort::Inputs last = modbus_ ? modbus_->inputs() : ModbusStationPort::Inputs{};
    retire(sameOutputs(settings_, settings));
    settings_ = settings;
    std::unique_ptr<ParallelPort> next;
    if (settings.device == StationIoSettings::Device::Parallel) {
        next = std::make_unique<DeviceParallelPort>(paths_.parallelPort());
    } else {
        auto modbus = std::make_unique<ModbusStationPort>(
            settings, paths_, [this](const QString& line) { report(line); }, timing, retired_, port_.data());
        modbus_ = modbus.get();
        modbus_->carryOver(last);
        next = std::move(modbus);
    }
    try {
        port_.replace(std::move(next));
    } catch (const std::exception& e) {
        // A parallel port that is not there: an error, as the program's own writes report it.
        if (m_) m_->ShowMessage(toQcError(e).text());
    }
}

ModbusStationPort::Inputs StationIo::inputs() const {
    if (modbus_) return modbus_->inputs();
    ModbusStationPort::Inputs shown;
    if (!port_.current()) return shown;
    try {
        const int v = port_.current()->Inp(ParallelPort::StatusRegister);
        const int s = v > 127 ? 0 : (127 - v) % 32;  // the two top lines are not used
        shown = {true, (s & 16) != 0, (s & 8) != 0};
    } catch (const std::exception&) {
    }
    return shown;
}

void StationIo::setTestBits(int bits) {
    testBits_ = bits;
    try {
        port_.setTestBits(bits);
    } catch (const std::exception& e) {
        if (m_) m_->ShowMessage(toQcError(e).text());
    }
}

void StationIo::testOutput(int output) {
    const int bit = output == 1 ? 32 : 64;
    setTestBits(testBits_ | bit);
    // A second press within the second lets the first one's end pass.
    auto*& timer = output == 1 ? test1_ : test2_;
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, bit] { setTestBits(testBits_ & ~bit); });
    }
    timer->start(1000);
}

void StationIo::shutdown() {
    for (QTimer* timer : {test1_, test2_})
        if (timer) timer->stop();
    testBits_ = 0;
    std::unique_ptr<ParallelPort> last = port_.release();
    if (modbus_) modbus_->stop(std::chrono::milliseconds(2000));
    modbus_ = nullptr;
    if (retired_.valid()) retired_.wait_for(std::chrono::milliseconds(2000));
}

}  // namespace qc
