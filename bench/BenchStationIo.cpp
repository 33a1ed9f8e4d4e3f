// Coil lateness of the Modbus station I/O: 100 remote starts through the port against a module
// served by libmodbus on 127.0.0.1, each edge (on and off) timed from the Outp that asks for it to
// the module's receipt of the write. The starts come at uneven moments, so they meet the worker
// idle, waking, and in the middle of its input readings (five and more a second). The goal: 50 ms.
//
// usage: bench_station_io [starts (100)] [--rtu]   (--rtu: over a pseudo-terminal, no line delay)
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>

#include "ModuleSim.h"
#include "RunGuard.h"
#include "platform/ModbusStationPort.h"

using namespace std::chrono;
using stationiosim::ModuleSim;

int main(int argc, char** argv) {
    int starts = 100;
    bool rtu = false;
    rig::readArguments(argc, argv, "bench_station_io [starts (100)] [--rtu]", {{&starts, 1, 100000}},
                       {{"--rtu", &rtu}});
    const QTemporaryDir home;
    qc::StationIoSettings settings;
    std::unique_ptr<ModuleSim> module;
    int master = -1;
    if (rtu) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return 1;
        settings.device = qc::StationIoSettings::Device::ModbusRtu;
        settings.serialDevice = QString::fromLocal8Bit(::ptsname(master));
        module = ModuleSim::rtu(master, 1);
    } else {
        module = ModuleSim::tcp("127.0.0.1", 0, 1);
        settings.device = qc::StationIoSettings::Device::ModbusTcp;
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = module->port();
    }
    qc::ModbusStationPort port(settings, qc::Paths{home.path()},
                               [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); });
    while (!port.inputs().known)
        std::this_thread::sleep_for(milliseconds(10));

    std::mt19937 random(20);
    std::uniform_int_distribution<int> pause(50, 450);
    std::vector<double> lateness;  // ms
    for (int k = 0; k < starts; ++k) {
        for (const bool on : {true, false}) {
            std::this_thread::sleep_for(milliseconds(pause(random)));
            const size_t before = module->writes().size();
            const auto asked = steady_clock::now();
            port.Outp(qc::ParallelPort::DataRegister, on ? 32 : 0);
            std::vector<ModuleSim::CoilWrite> writes;
            while ((writes = module->writes()).size() == before)
                std::this_thread::sleep_for(microseconds(200));
            lateness.push_back(duration<double, std::milli>(writes[before].at - asked).count());
        }
    }
    port.stop(milliseconds(2000));
    if (master >= 0) ::close(master);

    std::sort(lateness.begin(), lateness.end());
    const size_t p99 = std::min(lateness.size() - 1, static_cast<size_t>(lateness.size() * 0.99));
    std::printf(
        "%s: %d remote starts, %zu coil edges; lateness median %.2f ms, p99 %.2f ms, worst %.2f ms "
        "(goal 50 ms)\n",
        rtu ? "Modbus RTU (pty)" : "Modbus TCP (127.0.0.1)", starts, lateness.size(),
        lateness[lateness.size() / 2], lateness[p99], lateness.back());
    return lateness.back() <= 50 ? 0 : 1;
}
