#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace qc {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe of the object listening now, -1 for none. Only lock-free atomics are touched in the handler.
std::atomic<int> listening{-1};
// A request written and not yet taken up.
std::atomic<bool> waiting{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

void onSignal(int signal) {
    const int fd = listening.load();
    if (fd < 0 || waiting.exchange(true)) {
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    (void)!::write(fd, &byte, 1);
    errno = saved;
}

void installOnce() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : kSignals)
            sigaction(signal, &action, nullptr);
        return true;
    }();
    (void)installed;
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;  // without it the signals act as by default
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::take);
    listening.store(pipe_[1]);
    installOnce();
}

StopSignals::~StopSignals() {
    // A newer listener keeps its place.
    int mine = pipe_[1];
    listening.compare_exchange_strong(mine, -1);
    delete notifier_;
    for (int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void StopSignals::take() {
    // One request a call: the notifier calls again while more are waiting.
    char byte = 0;
    if (::read(pipe_[0], &byte, 1) != 1) return;
    waiting.store(false);
    emit received(static_cast<unsigned char>(byte));
}

QString StopSignals::name(int signal) {
    switch (signal) {
        case SIGTERM:
            return QStringLiteral("SIGTERM");
        case SIGINT:
            return QStringLiteral("SIGINT");
        case SIGHUP:
            return QStringLiteral("SIGHUP");
    }
    return QStringLiteral("signal %1").arg(signal);
}

}  // namespace qc
