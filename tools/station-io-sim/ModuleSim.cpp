#include "ModuleSim.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace stationiosim {

namespace {
constexpr int kBits = 16;
}

ModuleSim::ModuleSim(bool tcp, int unit) : tcp_(tcp), unit_(unit) {
    map_ = modbus_mapping_new(kBits, kBits, 0, 0);
}

std::unique_ptr<ModuleSim> ModuleSim::tcp(const std::string& host, int port, int unit) {
    std::unique_ptr<ModuleSim> sim(new ModuleSim(true, unit));
    sim->host_ = host;
    sim->port_ = port;
    sim->listen();
    if (sim->listenFd_ < 0)
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port) + ": " +
                                 std::strerror(errno));
    sim->thread_ = std::thread(&ModuleSim::run, sim.get());
    return sim;
}

std::unique_ptr<ModuleSim> ModuleSim::rtu(int fd, int unit) {
    std::unique_ptr<ModuleSim> sim(new ModuleSim(false, unit));
    sim->rtuFd_ = fd;
    sim->ctx_ = modbus_new_rtu("/dev/null", 9600, 'N', 8, 1);
    modbus_set_slave(sim->ctx_, unit);
    modbus_set_socket(sim->ctx_, fd);
    sim->listening_ = true;
    sim->thread_ = std::thread(&ModuleSim::run, sim.get());
    return sim;
}

ModuleSim::~ModuleSim() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (int fd : clients_)
        ::close(fd);
    if (listenFd_ >= 0) ::close(listenFd_);
    if (ctx_) modbus_free(ctx_);
    modbus_mapping_free(map_);
}

void ModuleSim::listen() {
    if (ctx_) modbus_free(ctx_);
    ctx_ = modbus_new_tcp(host_.c_str(), port_);
    listenFd_ = modbus_tcp_listen(ctx_, 4);
    listening_ = listenFd_ >= 0;
    if (!listening_ || port_ != 0) return;
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) port_ = ntohs(addr.sin_port);
}

void ModuleSim::setInput(int address, bool on) {
    const std::lock_guard lock(mu_);
    map_->tab_input_bits[address] = on ? 1 : 0;
}

bool ModuleSim::coil(int address) const {
    const std::lock_guard lock(mu_);
    return map_->tab_bits[address] != 0;
}

std::vector<ModuleSim::CoilWrite> ModuleSim::writes() const {
    const std::lock_guard lock(mu_);
    return writes_;
}

void ModuleSim::setPowered(bool on) {
    powered_ = on;
    while (listening_ != on && thread_.joinable())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void ModuleSim::run() {
    while (!stop_) {
        if (powered_ != listening_) {
            if (!powered_) {
                // Off: every connection drops, nobody is listening, and the coils forget their state.
                for (int fd : clients_)
                    ::close(fd);
                clients_.clear();
                if (listenFd_ >= 0) ::close(listenFd_);
                listenFd_ = -1;
                listening_ = false;
                const std::lock_guard lock(mu_);
                std::memset(map_->tab_bits, 0, kBits);
            } else if (tcp_) {
                listen();
            } else {
                listening_ = true;
            }
        }
        std::vector<pollfd> fds;
        if (!tcp_) fds.push_back({rtuFd_, POLLIN, 0});
        if (listenFd_ >= 0) fds.push_back({listenFd_, POLLIN, 0});
        for (int fd : clients_)
            fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
        for (const pollfd& p : fds) {
            if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            // A pseudo-terminal with nobody on its other side reports a hang-up until someone opens it.
            if (p.fd == rtuFd_ && !(p.revents & POLLIN)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            if (p.fd == listenFd_) {
                const int fd = ::accept(listenFd_, nullptr, nullptr);
                if (fd >= 0) clients_.push_back(fd);
            } else {
                serve(p.fd);
            }
        }
    }
}

void ModuleSim::serve(int fd) {
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    modbus_set_socket(ctx_, fd);
    const int n = modbus_receive(ctx_, query);
    if (n >= 0) ++requests_;
    if (n < 0 && tcp_) {
        ::close(fd);
        std::erase(clients_, fd);
    }
    if (n <= 0 || !listening_) return;  // another unit's request on a serial bus, or switched off
    const int header = modbus_get_header_length(ctx_);
    if (tcp_ && query[header - 1] != unit_) {
        modbus_reply_exception(ctx_, query, MODBUS_EXCEPTION_GATEWAY_TARGET);
        return;
    }
    const std::lock_guard lock(mu_);
    const uint8_t* pdu = query + header;
    const int address = (pdu[1] << 8) | pdu[2];
    const auto now = std::chrono::steady_clock::now();
    if (pdu[0] == MODBUS_FC_WRITE_SINGLE_COIL) writes_.push_back({address, pdu[3] == 0xFF, now});
    if (pdu[0] == MODBUS_FC_WRITE_MULTIPLE_COILS)
        for (int i = 0; i < ((pdu[3] << 8) | pdu[4]) && 6 + i / 8 < n - header; ++i)
            writes_.push_back({address + i, ((pdu[6 + i / 8] >> (i % 8)) & 1) != 0, now});
    modbus_reply(ctx_, query, n, map_);
}

}  // namespace stationiosim
