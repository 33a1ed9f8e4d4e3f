#pragma once

// What every long run of bench/ needs so that it never outlives itself: its arguments checked before
// it starts anything, and child processes that end with it, also when it is killed (SIGKILL from a
// time limit leaves a process no moment to clean up).
//
// endChildrenWithMe() forks a guard, the leader of a process group of its own, before the program
// starts anything else. Each child started through own() joins that group and gets SIGTERM when this
// program ends (PR_SET_PDEATHSIG). The guard holds the reading end of a pipe whose writing end only
// this program has: when the program ends, however it ends, the guard reads the end of the pipe and
// ends the whole group, the children's own children too (the shell's dd, stress-ng's workers):
// SIGTERM, and two seconds later SIGKILL. Before that it removes the folders named to it through
// removeWithMe() (a killed load run would leave its 256 MB flush file behind).
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QProcess>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace rig {

inline pid_t& guardGroup() {
    static pid_t group = 0;
    return group;
}

inline int& guardPipe() {
    static int fd = -1;
    return fd;
}

// Call first in main, before any thread or child exists.
inline void endChildrenWithMe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        std::exit(1);
    }
    const pid_t guard = ::fork();
    if (guard < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (guard == 0) {
        ::close(fds[1]);
        ::setpgid(0, 0);
        // Out of the terminal's and a harness's way: it holds none of their pipes open.
        const int null = ::open("/dev/null", O_RDWR);
        for (int fd = 0; fd <= 2; ++fd)
            ::dup2(null, fd);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            ::signal(s, SIG_IGN);
        std::string folders;
        for (char buf[512];;) {
            const ssize_t r = ::read(fds[0], buf, sizeof buf);
            if (r > 0) folders.append(buf, static_cast<size_t>(r));
            if (r == 0 || (r < 0 && errno != EINTR)) break;
        }
        ::kill(0, SIGTERM);
        ::sleep(2);
        for (size_t at = 0, end; (end = folders.find('\n', at)) != std::string::npos; at = end + 1) {
            std::error_code ignored;
            std::filesystem::remove_all(folders.substr(at, end - at), ignored);
        }
        ::kill(0, SIGKILL);  // the guard with them
        ::_exit(0);
    }
    ::close(fds[0]);          // fds[1] stays open for the program's life; no child inherits it
    ::setpgid(guard, guard);  // the group exists before the first child joins it
    guardGroup() = guard;
    guardPipe() = fds[1];
}

// The guard removes the folder (a temporary one of this program's) once the program has ended.
inline void removeWithMe(const QString& folder) {
    const QByteArray line = folder.toLocal8Bit() + '\n';
    if (guardPipe() >= 0 && ::write(guardPipe(), line.constData(), line.size()) != line.size())
        std::perror("the run guard");
}

// Makes `process` a child that ends with this program. Call before starting it.
inline void own(QProcess& process) {
    const pid_t parent = ::getpid();
    const pid_t group = guardGroup();
    process.setChildProcessModifier([parent, group] {
        if (group > 0) ::setpgid(0, group);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);  // the program ended before the line above
    });
}

// Reads the arguments: the named flags anywhere, and up to numbers.size() whole numbers in order,
// each within its bounds. Anything else (a harness's --benchmark_list_tests, a typing error) prints
// the usage and ends the program before it starts anything; --help prints it and ends.
struct Number {
    int* value;
    long min;
    long max;
};
struct Flag {
    const char* name;
    bool* value;
};
inline void readArguments(int argc, char** argv, const char* usage, const std::vector<Number>& numbers,
                          const std::vector<Flag>& flags = {}) {
    size_t given = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf("usage: %s\n", usage);
            std::exit(0);
        }
        bool known = false;
        for (const Flag& f : flags)
            if (arg == f.name) known = *f.value = true;
        if (known) continue;
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(arg.c_str(), &end, 10);
        if (given < numbers.size() && !arg.empty() && *end == '\0' && errno == 0 && n >= numbers[given].min &&
            n <= numbers[given].max) {
            *numbers[given++].value = static_cast<int>(n);
            continue;
        }
        std::fprintf(stderr, "%s: unknown or out-of-range argument \"%s\"\nusage: %s\n", argv[0], argv[i],
                     usage);
        std::exit(2);
    }
}

}  // namespace rig
