// station-io-sim: a Modbus I/O module (16 coils, 16 discrete inputs) for trying the station I/O
// without hardware. Over TCP it listens on a port; over RTU it makes a pseudo-terminal and links it
// where the program is told to look (for example DIR/COM3). Each coil written is printed as a line;
// lines on standard input set the discrete inputs: "input ADDRESS 0|1".
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "ModuleSim.h"

using stationiosim::ModuleSim;

namespace {

volatile std::sig_atomic_t stopping = 0;

[[noreturn]] void usage() {
    std::cerr << "usage: station-io-sim [--host ADDRESS] --port N [--unit U]\n"
                 "       station-io-sim --rtu LINK [--unit U]\n";
    std::exit(2);
}

std::string timeOfDay() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    char text[32];
    std::strftime(text, sizeof text, "%H:%M:%S", std::localtime(&t));
    return std::string(text) + "." + std::to_string(1000 + ms).substr(1);
}

}  // namespace

int main(int argc, char** argv) {
    std::string host = "127.0.0.1";
    std::string link;
    int port = -1;
    int unit = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) usage();
        const std::string value = argv[++i];
        if (arg == "--host")
            host = value;
        else if (arg == "--port")
            port = std::atoi(value.c_str());
        else if (arg == "--unit")
            unit = std::atoi(value.c_str());
        else if (arg == "--rtu")
            link = value;
        else
            usage();
    }
    if ((port < 0) == link.empty()) usage();
    std::signal(SIGINT, [](int) { stopping = 1; });
    std::signal(SIGTERM, [](int) { stopping = 1; });

    std::unique_ptr<ModuleSim> sim;
    int master = -1;
    try {
        if (link.empty()) {
            sim = ModuleSim::tcp(host, port, unit);
            std::cout << "listening on " << host << ":" << sim->port() << ", unit " << unit << std::endl;
        } else {
            master = ::posix_openpt(O_RDWR | O_NOCTTY);
            if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
                throw std::runtime_error("no pty");
            std::filesystem::remove(link);
            std::filesystem::create_symlink(::ptsname(master), link);
            sim = ModuleSim::rtu(master, unit);
            std::cout << "serving on " << link << " -> " << ::ptsname(master) << ", unit " << unit
                      << std::endl;
        }
    } catch (const std::exception& e) {
        std::cerr << "station-io-sim: " << e.what() << '\n';
        return 1;
    }

    size_t shown = 0;
    std::string pending;
    bool input = true;  // standard input still open
    while (!stopping) {
        pollfd in{input ? STDIN_FILENO : -1, POLLIN, 0};
        if (::poll(&in, 1, 10) > 0) {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n > 0) pending.append(buffer, n);
            if (n == 0) input = false;
            for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
                std::istringstream line(pending.substr(0, end));
                std::string word;
                int address = -1;
                int on = 0;
                if (line >> word >> address >> on && word == "input" && address >= 0 && address < 16) {
                    sim->setInput(address, on != 0);
                    std::cout << timeOfDay() << " input " << address << " = " << on << std::endl;
                }
            }
        }
        const auto writes = sim->writes();
        for (; shown < writes.size(); ++shown)
            std::cout << timeOfDay() << " coil " << writes[shown].address << " = " << writes[shown].on
                      << std::endl;
    }
    sim.reset();
    if (master >= 0) {
        ::close(master);
        std::filesystem::remove(link);
    }
    return 0;
}
