#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace qc {

// The stop requests of the service manager, the system and the terminal (SIGTERM, SIGINT, SIGHUP),
// delivered as a Qt signal on the window thread. The handler only writes the signal's number to a
// pipe; everything else happens in the event loop. While no object is listening, or when a second
// request comes before the first was taken up (a program that hangs), a request ends the program at
// once as it would without a handler.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    // "SIGTERM", "SIGINT", "SIGHUP".
    static QString name(int signal);

signals:
    void received(int signal);

private:
    void take();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qc
