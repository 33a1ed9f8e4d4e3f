// receiver-sim: a satellite receiver on a pseudo-terminal, for testing the station program without
// hardware. See usageText() for the options.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <thread>

#include "Responder.h"
#include "SimOptions.h"

namespace fs = std::filesystem;
using namespace receiversim;
using SteadyClock = std::chrono::steady_clock;

namespace {

// About 50 KB/s (a 512-byte chunk per tick): far beyond 9600 baud, and it fills an unread pty queue
// (about 20 KB) within half a second.
constexpr auto kEndlessTick = std::chrono::milliseconds(10);

[[noreturn]] void die(const std::string& what) {
    std::cerr << "receiver-sim: " << what << ": " << std::strerror(errno) << '\n';
    std::exit(1);
}

int speedToBaud(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 0;
    }
}

// Master and slave of a Linux pty share one termios, so the master shows the speed the program set.
int currentLineSpeed(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return 0;
    return speedToBaud(cfgetospeed(&t));
}

// Never blocks: when nobody drains the slave and its queue is full, the rest is dropped, like a
// receiver talking into a disconnected cable.
void writeDropping(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;  // EAGAIN, EIO or nothing accepted
        }
    }
}

struct Pty {
    int master = -1;
    int slave = -1;
    std::string slavePath;
};

Pty openPty() {
    Pty pty;
    pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (pty.master < 0) die("posix_openpt");
    if (grantpt(pty.master) != 0 || unlockpt(pty.master) != 0) die("grantpt/unlockpt");
    char name[128];
    if (ptsname_r(pty.master, name, sizeof name) != 0) die("ptsname_r");
    pty.slavePath = name;
    // Our own slave fd stays open for good: the master then never sees a hangup when the program closes
    // the port, and bytes sent meanwhile stay queued for its next open.
    pty.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.slave < 0) die("open " + pty.slavePath);
    termios t{};
    if (tcgetattr(pty.slave, &t) != 0) die("tcgetattr");
    cfmakeraw(&t);
    if (tcsetattr(pty.slave, TCSANOW, &t) != 0) die("tcsetattr");
    return pty;
}

// Link under a temporary name, then rename: readers never see a missing or half-made COM<N>.
void publishLink(const fs::path& link, const std::string& target) {
    const fs::path tmp =
        link.parent_path() / ("." + link.filename().string() + ".tmp" + std::to_string(getpid()));
    ::unlink(tmp.c_str());
    if (::symlink(target.c_str(), tmp.c_str()) != 0) die("symlink " + tmp.string());
    if (::rename(tmp.c_str(), link.c_str()) != 0) {
        ::unlink(tmp.c_str());
        die("rename to " + link.string());
    }
}

// Another sim may have taken over the name meanwhile; only remove our own link.
void removeLink(const fs::path& link, const std::string& target) {
    std::error_code ec;
    const fs::path current = fs::read_symlink(link, ec);
    if (!ec && current == target) fs::remove(link, ec);
}

struct Pending {
    SteadyClock::time_point due;
    std::string bytes;
    std::uint64_t endlessFor = 0;  // line number whose answer starts the endless stream
};

class Simulator {
public:
    Simulator(const SimOptions& options, int master, int signalFd)
        : options_(options), responder_(options), master_(master), signalFd_(signalFd) {
        if (!options.logFile.empty()) {
            log_.open(options.logFile, std::ios::app | std::ios::binary);
            if (!log_) die("open " + options.logFile);
        }
    }

    void run() {
        for (;;) {
            sendDue();
            pollfd fds[2] = {{master_, POLLIN, 0}, {signalFd_, POLLIN, 0}};
            if (::poll(fds, 2, timeoutMs()) < 0) {
                if (errno == EINTR) continue;
                die("poll");
            }
            if (fds[1].revents & POLLIN) return;
            if (fds[0].revents & POLLIN) {
                readMaster();
            } else if (fds[0].revents & (POLLHUP | POLLERR)) {
                // Only possible if the slave were closed everywhere; don't spin on it.
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }

private:
    int timeoutMs() const {
        std::optional<SteadyClock::time_point> next;
        if (!pending_.empty()) next = pending_.front().due;
        if (streaming_ && (!next || nextChunk_ < *next)) next = nextChunk_;
        if (!next) return -1;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - SteadyClock::now()).count();
        return static_cast<int>(std::max<decltype(left)>(left, 0));
    }

    void readMaster() {
        char buf[4096];
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return;  // EAGAIN / EIO: nothing to do
        const auto arrival = std::chrono::system_clock::now();
        for (const std::string& line : splitter_.feed(std::string_view(buf, static_cast<std::size_t>(n)))) {
            handleLine(line, arrival);
        }
    }

    void handleLine(const std::string& line, std::chrono::system_clock::time_point arrival) {
        ++lineCount_;
        streaming_ = false;  // any new line ends an endless answer
        const int speed = currentLineSpeed(master_);
        if (log_.is_open()) {
            log_ << formatLogLine(arrival, line, speed);
            log_.flush();
        }
        if (!options_.vanishOn.empty() && line == options_.vanishOn) std::_Exit(0);
        std::optional<Reply> reply = responder_.respond(line, speed);
        if (!reply) return;

        // Lines are worked off one after another, so a delayed answer still comes before the next echo.
        const auto now = SteadyClock::now();
        const auto echoAt = std::max(now, lastDue_);
        const auto answerAt = echoAt + std::chrono::milliseconds(options_.delayMs);
        pending_.push_back({echoAt, std::move(reply->echo), 0});
        pending_.push_back({answerAt, std::move(reply->answer), reply->endless ? lineCount_ : 0});
        lastDue_ = answerAt;
    }

    void sendDue() {
        auto now = SteadyClock::now();
        while (!pending_.empty() && pending_.front().due <= now) {
            writeDropping(master_, pending_.front().bytes);
            if (pending_.front().endlessFor != 0 && pending_.front().endlessFor == lineCount_) {
                streaming_ = true;
                nextChunk_ = now;
            }
            pending_.pop_front();
        }
        if (streaming_ && nextChunk_ <= now) {
            writeDropping(master_, responder_.endlessChunk());
            nextChunk_ = now + kEndlessTick;
        }
    }

    SimOptions options_;
    Responder responder_;
    int master_;
    int signalFd_;
    std::ofstream log_;
    LineSplitter splitter_;
    std::deque<Pending> pending_;
    SteadyClock::time_point lastDue_{};
    std::uint64_t lineCount_ = 0;
    bool streaming_ = false;
    SteadyClock::time_point nextChunk_{};
};

}  // namespace

int main(int argc, char** argv) {
    const std::string program = fs::path(argc > 0 ? argv[0] : "receiver-sim").filename().string();
    const ParsedArgs parsed = parseArgs(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (parsed.action == ParsedArgs::Action::Help) {
        std::cout << usageText(program);
        return 0;
    }
    if (parsed.action == ParsedArgs::Action::Error) {
        std::cerr << program << ": " << parsed.error << "\n\n" << usageText(program);
        return 2;
    }
    const SimOptions& options = parsed.options;

    // Signals arrive through a descriptor so the link is removed from normal code, not a handler.
    sigset_t mask;
    sigemptyset(&mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&mask, sig);
    if (sigprocmask(SIG_BLOCK, &mask, nullptr) != 0) die("sigprocmask");
    const int signalFd = signalfd(-1, &mask, SFD_CLOEXEC);
    if (signalFd < 0) die("signalfd");
    ::signal(SIGPIPE, SIG_IGN);

    const Pty pty = openPty();
    std::error_code ec;
    fs::create_directories(options.home, ec);
    const fs::path link = fs::path(options.home) / ("COM" + std::to_string(options.port));
    Simulator simulator(options, pty.master, signalFd);  // opens the log before the link appears
    publishLink(link, pty.slavePath);
    std::cout << "ready " << link.string() << " -> " << pty.slavePath << std::endl;

    simulator.run();

    removeLink(link, pty.slavePath);
    return 0;
}
