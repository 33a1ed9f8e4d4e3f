// How the program stops. On an unattended station a stop is dead air until someone starts the
// program again, so one click never does it: Exit and the close box ask first. The service manager,
// the system and the session stop it without a question. Each stop is logged with its cause.
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "Module1.h"
#include "mnuMenu.h"
#include "platform/StopSignals.h"

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace qc {

namespace {
const QString kSessionStop = QStringLiteral("Stopped by the desktop session");
}  // namespace

void mnuMenu::connectStopRequests() {
    stopSignals_ = new StopSignals(this);
    connect(stopSignals_, &StopSignals::received, this,
            [this](int signal) { stopBy(QStringLiteral("Stopped by ") + StopSignals::name(signal)); });
#if QT_CONFIG(sessionmanager)
    // A logout closes the windows without anyone to answer a question.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { sessionEnding_ = true; });
#endif
    // Whatever else ends the event loop (the session's last word) is logged too.
    connect(qApp, &QCoreApplication::aboutToQuit, this,
            [this] { logStop(stopCause_.isEmpty() ? kSessionStop : stopCause_); });
}

void mnuMenu::askToStop() {
    if (stopQuestion_) {
        stopQuestion_->raise();
        stopQuestion_->activateWindow();
        return;
    }
    // Window-modal and not waited for: the clock and the switching go on while it is on screen.
    auto* box = new QMessageBox(
        QMessageBox::Question, QStringLiteral("QuillornControl"),
        QStringLiteral("Stop QuillornControl? Scheduled switching stops until it is started again."),
        QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(QStringLiteral("stopQuestion"));
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this](int answer) {
        if (answer == QMessageBox::Yes) stopBy(QStringLiteral("Stopped by the operator"));
    });
    stopQuestion_ = box;
    box->open();
}

void mnuMenu::stopBy(const QString& cause) {
    if (stopCause_.isEmpty()) stopCause_ = cause;
    close();
}

void mnuMenu::logStop(const QString& cause) {
    if (stopLogged_) return;
    stopLogged_ = true;
    m_.ActivityText = cause.toLatin1();
    try {
        m_.WriteActivityLog();
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).text());
    }
}

}  // namespace qc
