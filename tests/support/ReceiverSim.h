#pragma once

#include <QDateTime>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <vector>

namespace qc::test {

// One line as the receiver simulator received it, and the line speed it saw at its arrival.
struct Received {
    QByteArray line;
    QByteArray speed;
    QDateTime at;  // local time of its arrival
};

// The receiver simulator (tools/receiver-sim) as a child process on a pseudo-terminal, linked as
// <home>/COM<port>. Extra options are the simulator's own (--delay, --silent, --garbage, ...).
class ReceiverSim {
public:
    ReceiverSim(QString home, int port, QStringList options = {});
    ~ReceiverSim();
    ReceiverSim(const ReceiverSim&) = delete;
    ReceiverSim& operator=(const ReceiverSim&) = delete;

    void start();
    void stop();
    bool ready() const { return ready_; }
    qint64 pid() const { return process_.processId(); }

    // The lines received so far, from the simulator's wire log.
    std::vector<Received> received() const;
    // Waits until n lines have arrived, then a little longer so that an unexpected extra line shows.
    std::vector<Received> waitForLines(size_t n) const;
    // The received lines alone.
    std::vector<QByteArray> lines() const;

private:
    QString home_;
    int port_;
    QStringList options_;
    QString logPath_;
    QProcess process_;
    bool ready_ = false;
};

// A bare pseudo-terminal linked as <home>/COM<port>: the test holds the master and reads exactly the
// bytes the program wrote. Its own slave descriptor stays open, so nothing is lost when the program
// closes the port.
class RawPty {
public:
    RawPty(const QString& home, int port);
    ~RawPty();
    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;

    bool ok() const { return ok_; }
    // Everything that arrives until the line has been quiet for a while.
    QByteArray drain();
    // The output speed the line is set to now (a termios speed_t).
    unsigned speed() const;

private:
    int master_ = -1;
    int slave_ = -1;
    bool ok_ = false;
};

}  // namespace qc::test
