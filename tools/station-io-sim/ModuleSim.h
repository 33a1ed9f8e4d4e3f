#pragma once

#include <modbus/modbus.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace stationiosim {

// A Modbus I/O module of 16 coils and 16 discrete inputs, served by libmodbus's own server side on
// a thread of its own: over TCP on a local port, or over RTU on a file descriptor (the master side of
// a pseudo-terminal whose other side the station program opens).
class ModuleSim {
public:
    struct CoilWrite {
        int address;
        bool on;
        std::chrono::steady_clock::time_point at;
    };

    // Listens on host:port (port 0: a free one, see port()). Throws std::runtime_error.
    static std::unique_ptr<ModuleSim> tcp(const std::string& host, int port, int unit);
    // Answers the requests that arrive on fd; the fd stays the caller's.
    static std::unique_ptr<ModuleSim> rtu(int fd, int unit);
    ~ModuleSim();
    ModuleSim(const ModuleSim&) = delete;
    ModuleSim& operator=(const ModuleSim&) = delete;

    int port() const { return port_; }
    void setInput(int address, bool on);
    bool coil(int address) const;
    // Every coil written, in order, also when it kept its value.
    std::vector<CoilWrite> writes() const;
    // Requests received, for this unit or another.
    int requests() const { return requests_; }

    // A module switched off and on again: off, it drops its connections and refuses new ones (over
    // RTU it stays silent); on, it listens again on the same port with its coils off. Returns once
    // the module is so.
    void setPowered(bool on);
    // Requests for another unit are refused as a gateway does (TCP) or go unanswered (RTU).
    int unit() const { return unit_; }

private:
    ModuleSim(bool tcp, int unit);
    void run();
    void listen();
    void serve(int fd);

    const bool tcp_;
    const int unit_;
    std::string host_;
    int port_ = 0;
    int rtuFd_ = -1;
    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* map_ = nullptr;
    int listenFd_ = -1;
    std::vector<int> clients_;
    mutable std::mutex mu_;
    std::vector<CoilWrite> writes_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> powered_{true};
    std::atomic<bool> listening_{false};  // powered_ as the server thread has put it in place
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace stationiosim
