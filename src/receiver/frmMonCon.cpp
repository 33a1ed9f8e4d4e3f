#include "frmMonCon.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "MonitorTerminal.h"
#include "core/Module1.h"
#include "core/WindowAccess.h"
#include "platform/SerialLine.h"
#include "platform/Text.h"

namespace qc {

namespace {

QPointer<frmMonCon> openTerminal;

// A receiver's answer as lines on screen: CR LF and lone CRs both end a line.
QString shownAnswer(const QByteArray& reply) {
    QByteArray text = reply;
    text.replace("\r\n", "\n").replace('\r', '\n');
    return fromCp1252(text);
}

}  // namespace

frmMonCon::frmMonCon(Module1& m, SerialLine& line, QWidget* parent)
    : QWidget(parent, Qt::Window), m_(m), terminal_(std::make_unique<MonitorTerminal>(m, line)) {
    buildControls();
}

frmMonCon::frmMonCon(Module1& m, QWidget* parent)
    : QWidget(parent, Qt::Window), m_(m), ownLine_(std::make_unique<DeviceSerialLine>(m.paths())) {
    terminal_ = std::make_unique<MonitorTerminal>(m, *ownLine_);
    buildControls();
}

frmMonCon::~frmMonCon() = default;

void frmMonCon::buildControls() {
    setObjectName(QStringLiteral("frmMonCon"));
    setWindowTitle(QStringLiteral("Quillorn Monitor and Control"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* bar = new QMenuBar(this);
    QMenu* mnuFiles = bar->addMenu(QStringLiteral("&Files"));
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    QAction* mnuExit = mnuFiles->addAction(QStringLiteral("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    QMenu* mnuHotKey = bar->addMenu(QStringLiteral("&Hot Keys"));
    mnuHotKey->setObjectName(QStringLiteral("mnuHotKey"));
    auto hot = [this, mnuHotKey](const QString& caption, const QString& name, const QByteArray& command) {
        QAction* action = mnuHotKey->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, command] { hotKey(command); });
    };
    // "Port E" and "Port F" share their letters with "EB" and "Fade Counter": the letter goes from
    // one to the other and Enter chooses.
    hot(QStringLiteral("&EB"), QStringLiteral("mnuEB"), "EB");
    hot(QStringLiteral("&Fade Counter"), QStringLiteral("mnuFC"), "FC");
    for (int i = 1; i <= 6; ++i) {
        const QByteArray command = "Port " + QByteArray(1, static_cast<char>(64 + i));
        hot(QStringLiteral("Port &") + QChar(64 + i), QStringLiteral("mnuPort_%1").arg(i), command);
    }
    openMenuOnF10(this, bar);

    // A box rather than a label, so a screen reader reads the answer itself; a long answer scrolls
    // inside the upper part rather than growing the window.
    lblMonitor_ = readOnlyText(this, QStringLiteral("lblMonitor"), QStringLiteral("Receiver answer"));
    lblMonitor_->setFont(QFont(QStringLiteral("Courier New")));
    lblMonitor_->setMinimumSize(480, 272);

    optRec1_ = new QRadioButton(QStringLiteral("Receiver 1"), this);
    optRec1_->setObjectName(QStringLiteral("optRec_1"));
    optRec2_ = new QRadioButton(QStringLiteral("Receiver 2"), this);
    optRec2_->setObjectName(QStringLiteral("optRec_2"));
    cmdSend_ = new QPushButton(QStringLiteral("Send"), this);
    cmdSend_->setObjectName(QStringLiteral("cmdSend"));
    cmdSend_->setAutoDefault(true);
    txtCommand_ = new QLineEdit(this);
    txtCommand_->setObjectName(QStringLiteral("txtCommand"));
    txtCommand_->setAccessibleName(QStringLiteral("Command"));
    txtCommand_->installEventFilter(this);
    cmdDisplayReceiverExit_ = new QPushButton(QStringLiteral("E&xit"), this);
    cmdDisplayReceiverExit_->setObjectName(QStringLiteral("cmdDisplayReceiverExit"));
    cmdDisplayReceiverExit_->setAutoDefault(true);

    // Receiver 2 can be chosen only while two receivers are in use.
    const bool two = m_.TwoReceivers == 1;
    optRec1_->setVisible(two);
    optRec2_->setVisible(two);
    if (two) optRec1_->setChecked(true);

    auto* receivers = new QVBoxLayout;
    receivers->addWidget(optRec1_);
    receivers->addWidget(optRec2_);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(receivers);
    bottom->addWidget(cmdSend_);
    bottom->addWidget(txtCommand_, 1);
    bottom->addWidget(cmdDisplayReceiverExit_);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(lblMonitor_, 1);
    layout->addLayout(bottom);

    setTabOrder(txtCommand_, cmdSend_);
    setTabOrder(cmdSend_, lblMonitor_);
    setTabOrder(lblMonitor_, cmdDisplayReceiverExit_);
    setTabOrder(cmdDisplayReceiverExit_, optRec1_);
    setTabOrder(optRec1_, optRec2_);
    setFocusProxy(txtCommand_);
    txtCommand_->setFocus();  // where the window opens, ahead of the answer above it

    connect(txtCommand_, &QLineEdit::textChanged, this, &frmMonCon::txtCommand_Change);
    connect(txtCommand_, &QLineEdit::returnPressed, this, &frmMonCon::SendCommand);
    connect(cmdSend_, &QPushButton::clicked, this, &frmMonCon::SendCommand);
    connect(cmdDisplayReceiverExit_, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

void frmMonCon::txtCommand_Change() {
    m_.MonitorCommand = trimBlanks(toCp1252(txtCommand_->text()));
}

void frmMonCon::hotKey(const QByteArray& command) {
    m_.MonitorCommand = command;
    SendCommand();
}

void frmMonCon::SendCommand() {
    lblMonitor_->clear();
    lblMonitor_->viewport()->repaint();
    // The exchange holds the window for its full second, as it holds the clock.
    const std::optional<QByteArray> reply = terminal_->SendCommand(optRec2_->isChecked());
    if (reply) lblMonitor_->setPlainText(shownAnswer(*reply));
    lblMonitor_->viewport()->repaint();
}

void frmMonCon::recall(bool older) {
    const std::optional<QByteArray> command =
        older ? terminal_->older(toCp1252(txtCommand_->text())) : terminal_->newer();
    if (!command) return;
    txtCommand_->setText(fromCp1252(*command));
    // A recalled command becomes the one to send, also when the box already showed its text.
    txtCommand_Change();
}

bool frmMonCon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtCommand_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            recall(key == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

frmMonCon* frmMonCon::showTerminal(Module1& m, QWidget* owner) {
    if (!openTerminal) openTerminal = new frmMonCon(m, owner);
    openTerminal->show();
    openTerminal->raise();
    openTerminal->activateWindow();
    return openTerminal;
}

}  // namespace qc
