#include "Outlets.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <cerrno>
#include <cstring>

namespace qc {

// ---- Webhook

void WebhookSender::setUrl(const QUrl& url) {
    QMutexLocker lock(&mutex_);
    if (url_ == url) return;
    url_ = url;
    if (url_.isEmpty()) queue_.clear();
    // A new address is tried at once, whatever pause the old one had come to.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (retry_) retry_->stop();
            pauseMs_ = 0;
            failureSaid_ = false;
            pump();
        },
        Qt::QueuedConnection);
}

int WebhookSender::queued() const {
    QMutexLocker lock(&mutex_);
    return static_cast<int>(queue_.size());
}

void WebhookSender::enqueue(const QByteArray& body, bool test) {
    {
        QMutexLocker lock(&mutex_);
        if (url_.isEmpty()) return;
        queue_.push_back({nextId_++, body, test});
        if (queue_.size() > MaxQueued) {
            queue_.pop_front();
            if (!droppedSaid_) {
                droppedSaid_ = true;
                lock.unlock();
                emit said(QStringLiteral("The webhook has %1 alerts waiting; the oldest are dropped until it "
                                         "takes them again.")
                              .arg(MaxQueued));
            }
        }
    }
    poke();
}

void WebhookSender::poke() {
    QMutexLocker lock(&mutex_);
    if (poked_) return;
    poked_ = true;
    QMetaObject::invokeMethod(this, &WebhookSender::pump, Qt::QueuedConnection);
}

void WebhookSender::pump() {
    if (!network_) {
        network_ = new QNetworkAccessManager(this);
        retry_ = new QTimer(this);
        retry_->setSingleShot(true);
        connect(retry_, &QTimer::timeout, this, &WebhookSender::pump);
    }
    QMutexLocker lock(&mutex_);
    poked_ = false;
    if (inFlight_ || retry_->isActive() || queue_.empty()) return;
    const Post post = queue_.front();
    const QUrl url = url_;
    lock.unlock();

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("QuillornControl"));
    request.setTransferTimeout(TransferTimeoutMs);
    inFlight_ = true;
    QNetworkReply* reply = network_->post(request, post.body);
    connect(reply, &QNetworkReply::finished, this, [this, reply, post, url] {
        reply->deleteLater();
        inFlight_ = false;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
        // An endpoint that refuses this body will refuse it again: it is not sent again.
        const bool permanent = status >= 400 && status < 500 && status != 408 && status != 429;
        QString error = reply->errorString();
        if (status)
            error = QStringLiteral("HTTP %1 %2")
                        .arg(status)
                        .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
        if (post.test)
            emit testDone(ok ? QStringLiteral("Test alert delivered to %1.").arg(url.toDisplayString())
                             : QStringLiteral("Test alert not delivered: %1").arg(error));
        done(post.id, ok, permanent, error);
    });
}

void WebhookSender::done(quint64 id, bool ok, bool permanent, const QString& error) {
    QMutexLocker lock(&mutex_);
    if (ok || permanent) {
        if (!queue_.empty() && queue_.front().id == id) queue_.pop_front();
    }
    const QString where = url_.toDisplayString();
    if (ok) {
        pauseMs_ = 0;
        failureSaid_ = false;
        droppedSaid_ = false;
        lock.unlock();
        pump();
        return;
    }
    lock.unlock();
    if (permanent) {
        emit said(
            QStringLiteral("The webhook %1 refused an alert (%2); it is not sent again.").arg(where, error));
        pump();
        return;
    }
    if (!failureSaid_) {
        failureSaid_ = true;
        emit said(QStringLiteral("The webhook %1 cannot be reached (%2); its alerts are kept and sent again.")
                      .arg(where, error));
    }
    pauseMs_ = pauseMs_ == 0 ? firstRetryMs : std::min(pauseMs_ * 2, lastRetryMs);
    retry_->start(pauseMs_);
}

// ---- Desktop notifications

void DesktopNotifier::setEnabled(bool on) {
    QMutexLocker lock(&mutex_);
    enabled_ = on;
    if (!on) queue_.clear();
}

void DesktopNotifier::enqueue(const QString& summary, const QString& body, bool urgent, bool test) {
    QMutexLocker lock(&mutex_);
    if (!enabled_) return;
    queue_.push_back({summary, body, urgent, test});
    if (queue_.size() > MaxQueued) queue_.pop_front();
    if (poked_) return;
    poked_ = true;
    QMetaObject::invokeMethod(this, &DesktopNotifier::pump, Qt::QueuedConnection);
}

void DesktopNotifier::pump() {
    std::deque<Note> notes;
    {
        QMutexLocker lock(&mutex_);
        poked_ = false;
        notes.swap(queue_);
    }
    if (notes.empty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto trouble = [this](const QString& why) {
        if (troubleSaid_) return;
        troubleSaid_ = true;
        emit said(QStringLiteral("Desktop notifications cannot be shown (%1); the alerts go to the other "
                                 "outlets.")
                      .arg(why));
    };
    auto tested = [this](const QString& why) {
        emit testDone(why.isEmpty() ? QStringLiteral("Test alert handed to the desktop's notifications.")
                                    : QStringLiteral("Test alert not shown on the desktop: %1").arg(why));
    };
    if (!bus.isConnected()) {
        trouble(QStringLiteral("no session bus"));
        for (const Note& note : notes)
            if (note.test) tested(QStringLiteral("no session bus"));
        return;
    }
    for (const Note& note : notes) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
        QVariantMap hints;
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(note.urgent ? 2 : 1));
        hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("quillorncontrol"));
        call << QStringLiteral("QuillornControl") << 0u << QStringLiteral("quillorncontrol") << note.summary
             << note.body << QStringList() << hints << -1;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, trouble, tested, test = note.test](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    if (w->isError())
                        trouble(w->error().message());
                    else
                        troubleSaid_ = false;
                    if (test) tested(w->isError() ? w->error().message() : QString());
                });
    }
}

// ---- The outlets together

Outlets::Outlets(QObject* parent)
    : QObject(parent),
      thread_(new QThread),
      webhook_(new WebhookSender),
      notifier_(new DesktopNotifier),
      metrics_(std::make_shared<MetricsWriter>()),
      metricsPool_(new QThreadPool) {
    thread_->setObjectName(QStringLiteral("outlets"));
    webhook_->moveToThread(thread_);
    notifier_->moveToThread(thread_);
    connect(webhook_, &WebhookSender::said, this, &Outlets::said, Qt::QueuedConnection);
    connect(webhook_, &WebhookSender::testDone, this, &Outlets::testDone, Qt::QueuedConnection);
    connect(notifier_, &DesktopNotifier::said, this, &Outlets::said, Qt::QueuedConnection);
    connect(notifier_, &DesktopNotifier::testDone, this, &Outlets::desktopTestDone, Qt::QueuedConnection);
    connect(metrics_.get(), &MetricsWriter::said, this, &Outlets::said, Qt::QueuedConnection);
    metricsPool_->setMaxThreadCount(1);
    thread_->start();
}

Outlets::~Outlets() {
    // The objects of the outlets' thread are deleted there. A thread or a write that hangs (a dead
    // network file system) is left behind rather than holding the program's end.
    QMetaObject::invokeMethod(
        webhook_,
        [w = webhook_, n = notifier_] {
            delete w;
            delete n;
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (thread_->wait(3000)) delete thread_;
    if (metricsPool_->waitForDone(3000)) delete metricsPool_;
}

void Outlets::configure(const QString& webhookUrl, bool desktop, const QString& metricsPath) {
    webhook_->setUrl(QUrl(webhookUrl));
    notifier_->setEnabled(desktop);
    metrics_->setPath(metricsPath);
}

bool Outlets::waitForMetrics(int ms) {
    return metricsPool_->waitForDone(ms);
}

// ---- Metrics file

void MetricsWriter::setPath(const QString& path) {
    QMutexLocker lock(&mutex_);
    if (path_ != path) troubleSaid_ = false;
    path_ = path;
}

bool MetricsWriter::on() const {
    QMutexLocker lock(&mutex_);
    return !path_.isEmpty();
}

void MetricsWriter::write(const QString& text, QThreadPool& pool) {
    QMutexLocker lock(&mutex_);
    if (path_.isEmpty()) return;
    text_ = text;
    pending_ = true;
    if (running_) return;
    running_ = true;
    pool.start([self = shared_from_this()] { self->loop(); });
}

void MetricsWriter::loop() {
    for (;;) {
        QMutexLocker lock(&mutex_);
        if (!pending_) {
            running_ = false;
            return;
        }
        pending_ = false;
        const QString path = path_;
        const QByteArray bytes = text_.toUtf8();
        lock.unlock();
        // A reader sees the old file or the new one, never a part: the text goes to a name the
        // collector passes over (it reads *.prom) and then takes the file's name.
        const QByteArray target = QFile::encodeName(path);
        const QByteArray temp = target + ".new";
        QString failure;
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            failure = QString::fromLocal8Bit(std::strerror(errno));
        } else {
            qint64 done = 0;
            while (done < bytes.size()) {
                const ssize_t w = ::write(fd, bytes.constData() + done, bytes.size() - done);
                if (w < 0 && errno == EINTR) continue;
                if (w < 0) break;
                done += w;
            }
            if (done < bytes.size()) failure = QString::fromLocal8Bit(std::strerror(errno));
            if (::close(fd) != 0 && failure.isEmpty()) failure = QString::fromLocal8Bit(std::strerror(errno));
            if (failure.isEmpty() && ::rename(temp.constData(), target.constData()) != 0)
                failure = QString::fromLocal8Bit(std::strerror(errno));
            if (!failure.isEmpty()) ::unlink(temp.constData());
        }
        lock.relock();
        if (failure.isEmpty()) {
            troubleSaid_ = false;
        } else if (!troubleSaid_) {
            troubleSaid_ = true;
            lock.unlock();
            emit said(QStringLiteral("The metrics file %1 cannot be written (%2); it is tried again.")
                          .arg(path, failure));
        }
    }
}

}  // namespace qc
