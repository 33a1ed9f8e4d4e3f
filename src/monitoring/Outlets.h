#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QUrl>
#include <deque>
#include <memory>

class QNetworkAccessManager;
class QThread;
class QThreadPool;
class QTimer;

namespace qc {

// The webhook: one POST per alert change, in order, off the clock's thread. A post that fails is
// sent again after a pause that doubles up to five minutes; at most MaxQueued wait, the oldest
// dropped first. Each kind of trouble is said once until the posts go through again.
class WebhookSender : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxQueued = 100;
    static constexpr int TransferTimeoutMs = 10000;

    // From any thread.
    void setUrl(const QUrl& url);
    void enqueue(const QByteArray& body, bool test);
    int queued() const;
    // Pauses between tries; tests shorten them.
    int firstRetryMs = 2000;
    int lastRetryMs = 300000;

signals:
    void said(const QString& text);
    void testDone(const QString& result);

private:
    struct Post {
        quint64 id;
        QByteArray body;
        bool test;
    };
    void poke();
    void pump();  // on the sender's thread
    void done(quint64 id, bool ok, bool permanent, const QString& error);

    mutable QMutex mutex_;
    QUrl url_;
    std::deque<Post> queue_;
    quint64 nextId_ = 1;
    bool poked_ = false;
    bool droppedSaid_ = false;
    // The sender's thread only.
    QNetworkAccessManager* network_ = nullptr;
    QTimer* retry_ = nullptr;
    bool inFlight_ = false;
    int pauseMs_ = 0;
    bool failureSaid_ = false;
};

// Desktop notifications through the freedesktop notification service on the session bus.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxQueued = 20;
    void setEnabled(bool on);
    // `test`: the result is told through testDone, whatever was said before.
    void enqueue(const QString& summary, const QString& body, bool urgent, bool test = false);

signals:
    void said(const QString& text);
    void testDone(const QString& result);

private:
    struct Note {
        QString summary;
        QString body;
        bool urgent;
        bool test;
    };
    void pump();  // on the notifier's thread

    QMutex mutex_;
    bool enabled_ = false;
    std::deque<Note> queue_;
    bool poked_ = false;
    bool troubleSaid_ = false;  // the notifier's thread only
};

// The metrics file, replaced whole on a thread of its own: a write that hangs on a dead file system
// holds nothing else. A newer text waiting replaces an older one. Shared with the write under way, so
// that one still running at the program's end never outlives what it uses.
class MetricsWriter : public QObject, public std::enable_shared_from_this<MetricsWriter> {
    Q_OBJECT
public:
    void setPath(const QString& path);
    bool on() const;
    void write(const QString& text, QThreadPool& pool);

signals:
    void said(const QString& text);

private:
    void loop();  // on the pool's thread

    mutable QMutex mutex_;
    QString path_;
    QString text_;
    bool pending_ = false;
    bool running_ = false;
    bool troubleSaid_ = false;
};

// The outlets that talk to the network, the session bus and the disk, each off the clock's thread:
// the webhook and the desktop on one thread of their own, the metrics file on another. Every call
// returns at once.
class Outlets : public QObject {
    Q_OBJECT
public:
    explicit Outlets(QObject* parent = nullptr);
    ~Outlets() override;

    void configure(const QString& webhookUrl, bool desktop, const QString& metricsPath);
    void post(const QByteArray& json, bool test = false) { webhook_->enqueue(json, test); }
    void notify(const QString& summary, const QString& body, bool urgent, bool test = false) {
        notifier_->enqueue(summary, body, urgent, test);
    }
    // Replaces the metrics file with the text.
    void writeMetrics(const QString& text) { metrics_->write(text, *metricsPool_); }
    bool metricsFileOn() const { return metrics_->on(); }

    // For tests: the writes handed over so far are done.
    bool waitForMetrics(int ms);
    WebhookSender& webhook() { return *webhook_; }

signals:
    void said(const QString& text);
    void testDone(const QString& result);         // of the webhook
    void desktopTestDone(const QString& result);  // of the desktop

private:
    QThread* thread_;
    WebhookSender* webhook_;
    DesktopNotifier* notifier_;
    std::shared_ptr<MetricsWriter> metrics_;
    QThreadPool* metricsPool_;
};

}  // namespace qc
