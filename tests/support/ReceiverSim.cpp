#include "ReceiverSim.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace qc::test {

ReceiverSim::ReceiverSim(QString home, int port, QStringList options)
    : home_(std::move(home)), port_(port), options_(std::move(options)) {
    logPath_ = home_ + QStringLiteral("/rx%1.log").arg(port_);
    start();
}

ReceiverSim::~ReceiverSim() {
    stop();
}

void ReceiverSim::start() {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(
        QStringLiteral(RECEIVER_SIM_BINARY),
        QStringList{"--home", home_, "--port", QString::number(port_), "--log", logPath_} + options_);
    QElapsedTimer t;
    t.start();
    while (!process_.canReadLine() && t.elapsed() < 10000 && process_.state() != QProcess::NotRunning)
        process_.waitForReadyRead(100);
    ready_ = process_.readLine().startsWith("ready ");
}

void ReceiverSim::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

std::vector<Received> ReceiverSim::received() const {
    QFile f(logPath_);
    std::vector<Received> out;
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& row : f.readAll().split('\n')) {
        const QList<QByteArray> fields = row.split('\t');
        if (fields.size() == 3)
            out.push_back({fields[1], fields[2],
                           QDateTime::fromString(QString::fromLatin1(fields[0]), "yyyy-MM-dd HH:mm:ss.zzz")});
    }
    return out;
}

std::vector<Received> ReceiverSim::waitForLines(size_t n) const {
    QElapsedTimer t;
    t.start();
    while (received().size() < n && t.elapsed() < 5000)
        QThread::msleep(10);
    QThread::msleep(200);
    return received();
}

std::vector<QByteArray> ReceiverSim::lines() const {
    std::vector<QByteArray> out;
    for (const Received& r : received())
        out.push_back(r.line);
    return out;
}

RawPty::RawPty(const QString& home, int port) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) return;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    const QByteArray link = QStringLiteral("%1/COM%2").arg(home).arg(port).toLocal8Bit();
    ok_ = slave_ >= 0 && ::symlink(name, link.constData()) == 0;
}

RawPty::~RawPty() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

QByteArray RawPty::drain() {
    QByteArray out;
    for (;;) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, 300) <= 0) return out;
        char buf[256];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return out;
        out.append(buf, n);
    }
}

unsigned RawPty::speed() const {
    termios t{};
    tcgetattr(slave_, &t);
    return cfgetospeed(&t);
}

}  // namespace qc::test
