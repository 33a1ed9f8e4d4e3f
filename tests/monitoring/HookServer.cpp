#include "HookServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QThread>

namespace qc::test {

HookServer::HookServer(bool hang) : hang_(hang) {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0) return;
                const qsizetype at = buffer->toLower().indexOf("content-length:");
                const int length =
                    at < 0 ? 0 : buffer->mid(at + 15, buffer->indexOf('\r', at) - at - 15).trimmed().toInt();
                if (buffer->size() < end + 4 + length) return;
                bodies << buffer->mid(end + 4, length);
                buffer->remove(0, end + 4 + length);
                if (!hang_) socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool waitFor(const std::function<bool()>& done, int ms) {
    for (QDeadlineTimer deadline(ms); !done();) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace qc::test
