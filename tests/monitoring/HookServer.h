#pragma once

#include <QByteArrayList>
#include <QTcpServer>

namespace qc::test {

// A webhook endpoint on 127.0.0.1: keeps the body of every POST and answers 200, or, when `hang`,
// takes the request and never answers.
class HookServer : public QTcpServer {
public:
    explicit HookServer(bool hang = false);
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/hook").arg(serverPort()); }
    QByteArrayList bodies;

private:
    bool hang_;
};

// Runs the event loop until `done` or the time is up; true when done.
bool waitFor(const std::function<bool()>& done, int ms = 10000);

}  // namespace qc::test
