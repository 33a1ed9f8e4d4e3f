// The main window's items for the station engineer: hidden in normal use, shown in engineering mode.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "Module1.h"
#include "mnuMenu.h"
#include "receiver/frmRelay.h"
#include "receiver/frmSetReceiver.h"
#include "review/SourceCodes.h"
#include "review/frmServiceProvider.h"

namespace qc {

namespace {

const QString kTitle = QStringLiteral("QuillornControl");
const QString kEngineeringTitle = QStringLiteral("QuillornControl - Engineering Mode");

// The window of that kind while it is open, brought to the front.
template <typename Window>
bool raiseOpen(QWidget* owner) {
    auto* open = owner->findChild<Window*>(QString(), Qt::FindDirectChildrenOnly);
    if (!open) return false;
    open->showNormal();
    open->raise();
    open->activateWindow();
    return true;
}

}  // namespace

void mnuMenu::setEngineeringMode(bool on) {
    engineering_ = on;
    setWindowTitle(on ? kEngineeringTitle : kTitle);
    for (QAction* item :
         {mnuLoadSourceCodes, mnuServiceProviders, mnuMPEG, mnuSetReceiver, mnuReceiverStatus_->menuAction()})
        item->setVisible(on);
    // Inside "Receiver Status", "EB" is the one item not hidden of its own.
    for (QAction* item : mnuReceiverStatus_->actions())
        item->setVisible(on || item->objectName() == QLatin1String("mnuReadEB"));
    // The longer menu stays whole on the bar rather than folding its last items away.
    if (on) resize(std::max(width(), menuBar()->sizeHint().width() + 16), height());
}

void mnuMenu::connectEngineeringCommands() {
    connect(mnuServiceProviders, &QAction::triggered, this, [this] {
        if (raiseOpen<frmServiceProvider>(this)) return;
        auto* w = new frmServiceProvider(m_, this);
        if (w->load())
            w->show();
        else
            delete w;
    });
    connect(mnuLoadSourceCodes, &QAction::triggered, this, [this] { LoadSourceCodes(m_); });
    connect(mnuSetReceiver, &QAction::triggered, this, [this] {
        if (raiseOpen<frmSetReceiver>(this)) return;
        auto* w = new frmSetReceiver(m_, this);
        w->Form_Load();
        w->show();
    });

    // The relay panel takes its mode when it opens, so a panel open in the other mode makes way.
    auto relays = [this](const QByteArray& mode) {
        delete findChild<frmRelay*>(QString(), Qt::FindDirectChildrenOnly);
        // Before anything has been sent the port to ask is receiver 1's.
        if (m_.CommandPort < 1) m_.CommandPort = m_.Rx1Port;
        m_.MonitorCommand = mode;
        auto* w = new frmRelay(m_, nullptr, this);
        w->Form_Load();
        w->show();
    };
    if (auto* item = findChild<QAction*>(QStringLiteral("mnuRelayStatus")))
        connect(item, &QAction::triggered, this, [relays] { relays("R R"); });
    if (auto* item = findChild<QAction*>(QStringLiteral("mnuExtendedRelays")))
        connect(item, &QAction::triggered, this, [relays] { relays("R ER"); });
    // The panel's two are the only items of Receiver Status with a command; the others show so.
    for (QAction* item : mnuReceiverStatus_->actions())
        item->setEnabled(item->objectName() == QLatin1String("mnuRelayStatus") ||
                         item->objectName() == QLatin1String("mnuExtendedRelays"));
}

}  // namespace qc
