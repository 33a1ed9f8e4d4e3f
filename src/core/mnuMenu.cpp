#include "mnuMenu.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "FolderTree.h"
#include "Module1.h"
#include "WindowAccess.h"
#include "asrun/frmAsRun.h"
#include "engine/ScheduleTransfer.h"
#include "frmError.h"
#include "inbox/ScheduleInbox.h"
#include "monitoring/HealthLabel.h"
#include "monitoring/Monitoring.h"
#include "monitoring/frmMonitoring.h"
#include "receiver/frmMonCon.h"
#include "receiver/frmSetUp.h"
#include "review/frmWeeklySchedule.h"
#include "schedule_ui/frmSchedule.h"
#include "stationio/frmStationIO.h"
#include "viewers/frmAbout.h"
#include "viewers/frmActivityLog.h"
#include "viewers/frmHelp.h"
#include "viewers/frmMPEGLog.h"

namespace qc {

namespace {

// The designed form, in pixels. Left positions that the resize handler sets are in twips below.
constexpr int kMargin = 8;
constexpr int kListWidth = 400;
constexpr int kClockTop = 8;
constexpr int kClockHeight = 34;
constexpr int kCaptionHeight = 20;  // "Receiver 1" / "Receiver 2"
constexpr int kNextHeight = 24;     // the "Next to Switch:" lines and their START marks
constexpr int kStartWidth = 70;
constexpr int kHealthWidth = 220;  // at least, when the window is narrow
constexpr int kGap = 4;
constexpr int kBlockGap = 14;
constexpr int kMinListHeight = 60;
constexpr int kPanelWidth = 300;
constexpr int kButtonHeight = 30;
const QString kWidestClock = QStringLiteral("Wednesday  12/30/2026  23:59:59");

// Left positions of the two window states, in twips.
struct Lefts {
    int lists;     // lstNextToSwitch, lstNextToSwitch2, label1, Label3
    int captions;  // Label5, Label6
    int clock;     // lblClock
};
constexpr Lefts kNormalLefts{1, 1750, 1800};
constexpr Lefts kMaximizedLefts{3720, 5640, 9240};

QFont listFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(10);
    return font;
}

QListView* weekList(QWidget* parent, const QString& name, QAbstractItemModel* model) {
    auto* list = new QListView(parent);
    list->setObjectName(name);
    list->setModel(model);
    list->setFont(listFont());
    // Every line is the same height, so a week of tens of thousands of lines is laid out at once.
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setAlternatingRowColors(true);
    return list;
}

QLabel* captionLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* nextLabel(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* startLabel(QWidget* parent, const QString& name) {
    auto* label = new QLabel(QStringLiteral("START"), parent);
    label->setObjectName(name);
    label->setAccessibleDescription(label->text());
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    label->setStyleSheet(QStringLiteral("background-color: #1b7f2a; color: white; border-radius: 3px;"));
    label->hide();
    return label;
}

// Runs a procedure of the logic from an event handler: nothing may escape into the event loop and
// end the program.
void guarded(Module1& m, void (Module1::*procedure)()) {
    try {
        (m.*procedure)();
    } catch (const std::exception& e) {
        m.ShowMessage(toQcError(e).text());
    }
}

// Where the file panel opens when no folder was chosen yet: the floppy folder when there is one,
// else the operator's home. Never the root of the file system, which counts only when chosen.
QString defaultTransferFolder() {
    for (const QString& folder : {Paths::floppyFolder(), QDir::homePath()})
        if (QFileInfo(folder).isDir() && QDir::cleanPath(folder) != QLatin1String("/"))
            return QDir::cleanPath(folder);
    return {};
}

bool isBelow(const QString& folder, const QString& root) {
    return folder == root || folder.startsWith(root == QLatin1String("/") ? root : root + QLatin1Char('/'));
}

QString entries(qint64 count) {
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
}

// A question before a command that replaces a schedule: Yes goes on; No, the default, and Escape or
// the close box leave everything as it was. Window-modal and not waited for: the clock runs on.
void askFirst(QWidget* window, const QString& title, const QString& text, const std::function<void()>& yes) {
    auto* box =
        new QMessageBox(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, window);
    box->setObjectName(QStringLiteral("msgReplaceSchedule"));
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, window, [yes](int answer) {
        if (answer == QMessageBox::Yes) yes();
    });
    box->open();
}

}  // namespace

mnuMenu::mnuMenu(Module1& m, QWidget* parent) : QMainWindow(parent), m_(m) {
    setObjectName(QStringLiteral("mnuMenu"));
    setWindowTitle(QStringLiteral("QuillornControl"));

    connect(&m_, &Module1::messageShown, this, &mnuMenu::showMessage);
    connect(&m_, &Module1::viewChanged, this, &mnuMenu::refreshView);

    buildControls();
    buildMenu();
    connectEngineeringCommands();
    connectStopRequests();
    buildTimers();

    resize(800, 600);
    Form_Resize();
    refreshView();
}

mnuMenu::~mnuMenu() = default;

void mnuMenu::buildControls() {
    // The form's controls stand at their designed positions inside a narrow border, so the lists
    // at Left 1 do not touch the window's edge.
    auto* frame = new QWidget(this);
    auto* border = new QVBoxLayout(frame);
    border->setContentsMargins(10, 6, 10, 4);
    form_ = new QWidget(frame);
    form_->setObjectName(QStringLiteral("form"));
    border->addWidget(form_);
    setCentralWidget(frame);
    form_->installEventFilter(this);

    lblClock_ = new QLabel(form_);
    lblClock_->setObjectName(QStringLiteral("lblClock"));
    QFont clockFont = lblClock_->font();
    clockFont.setBold(true);
    clockFont.setPointSizeF(clockFont.pointSizeF() * 1.5);
    lblClock_->setFont(clockFont);
    clockFont_ = clockFont;
    lblClock_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    lblPort_ = new QLabel(form_);
    lblPort_->setObjectName(QStringLiteral("lblPort"));
    QFont portFont = lblPort_->font();
    portFont.setBold(true);
    portFont.setPointSizeF(portFont.pointSizeF() * 1.3);
    lblPort_->setFont(portFont);
    lblPort_->setStyleSheet(QStringLiteral("color: #b00000;"));
    lblPort_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    lblPlayTime_ = new QLabel(form_);
    lblPlayTime_->setObjectName(QStringLiteral("lblPlayTime"));

    Label5_ = captionLabel(form_, QStringLiteral("Label5"), QStringLiteral("Receiver 1"));
    Label6_ = captionLabel(form_, QStringLiteral("Label6"), QStringLiteral("Receiver 2"));
    label1_ = nextLabel(form_, QStringLiteral("label1"));
    Label3_ = nextLabel(form_, QStringLiteral("Label3"));
    Label2_ = startLabel(form_, QStringLiteral("Label2"));
    Label4_ = startLabel(form_, QStringLiteral("Label4"));
    lstNextToSwitch_ = weekList(form_, QStringLiteral("lstNextToSwitch"), &m_.lstNextToSwitch);
    lstNextToSwitch2_ = weekList(form_, QStringLiteral("lstNextToSwitch2"), &m_.lstNextToSwitch2);
    // Receiver 2's controls appear when start-up finds two receivers in use.
    for (QWidget* w : {static_cast<QWidget*>(Label5_), static_cast<QWidget*>(Label6_),
                       static_cast<QWidget*>(Label3_), static_cast<QWidget*>(lstNextToSwitch2_)})
        w->hide();

    List1_ = new QListView(form_);
    List1_->setObjectName(QStringLiteral("List1"));
    List1_->setModel(&m_.List1);
    List1_->setUniformItemSizes(true);
    List1_->hide();

    // The file panel for loading and saving the schedule; shown by the File menu's two commands.
    Drive1_ = new QComboBox(form_);
    Drive1_->setObjectName(QStringLiteral("Drive1"));
    dirModel_ = new FolderTree(this);
    Dir1_ = new QTreeView(form_);
    Dir1_->setObjectName(QStringLiteral("Dir1"));
    Dir1_->setModel(dirModel_);
    Dir1_->setHeaderHidden(true);
    Dir1_->setUniformRowHeights(true);
    Dir1_->setSelectionMode(QAbstractItemView::SingleSelection);
    Dir1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cmdSave_ = new QPushButton(QStringLiteral("Save"), form_);
    cmdSave_->setObjectName(QStringLiteral("cmdSave"));
    ProgressBar1_ = new QProgressBar(form_);
    ProgressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1_->setRange(0, 2);
    ProgressBar1_->setValue(0);
    ProgressBar1_->hide();
    lblDrive_ = new QLabel(QStringLiteral("&Drive:"), form_);
    lblDrive_->setObjectName(QStringLiteral("lblDrive"));
    lblDrive_->setBuddy(Drive1_);
    Dir1_->setAccessibleName(QStringLiteral("Transfer folder"));
    ProgressBar1_->setAccessibleName(QStringLiteral("Save progress"));
    fillDrives();
    // The folder the panel opens on, once its way down is read: opened, in view and selected.
    connect(dirModel_, &FolderTree::revealed, this, [this](const QModelIndex& folder) {
        if (!folder.isValid()) return;
        Dir1_->scrollTo(folder);
        Dir1_->selectionModel()->setCurrentIndex(folder, QItemSelectionModel::ClearAndSelect);
    });
    // Choosing the drive shown again takes its root again.
    connect(Drive1_, &QComboBox::currentIndexChanged, this, &mnuMenu::Drive1_Change);
    connect(Drive1_, &QComboBox::activated, this, &mnuMenu::Drive1_Change);
    // The selected folder is the chosen one; the item the tree marks as current on getting the focus
    // is not selected and not chosen.
    connect(Dir1_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &mnuMenu::Dir1_Change);
    connect(cmdSave_, &QPushButton::clicked, this, &mnuMenu::cmdSave_Click);
    hideFilePanel();
    // Escape puts the panel away again, as opening the File menu does.
    new QShortcut(QKeySequence(Qt::Key_Escape), form_, this, &mnuMenu::hideFilePanel,
                  Qt::WidgetWithChildrenShortcut);

    // Screen readers name each control after what it shows.
    const std::pair<QWidget*, const char*> names[] = {
        {lblClock_, "Clock"},
        {lblPort_, "Port status"},
        {label1_, "Receiver 1 next switch"},
        {Label3_, "Receiver 2 next switch"},
        {Label2_, "Receiver 1 remote start"},
        {Label4_, "Receiver 2 remote start"},
        {lstNextToSwitch_, "Receiver 1 coming switches"},
        {lstNextToSwitch2_, "Receiver 2 coming switches"},
    };
    for (const auto& [widget, name] : names)
        widget->setAccessibleName(QString::fromLatin1(name));

    // Health at a glance: each receiver's beside its next event, the station's under the lists; shown
    // when there is a monitoring.
    lblHealth1_ = new QLabel(form_);
    lblHealth2_ = new QLabel(form_);
    lblStationHealth_ = new QLabel(form_);
    for (const auto& [label, name, accessible] :
         {std::tuple{lblHealth1_, "lblHealth1", "Receiver 1 health"},
          std::tuple{lblHealth2_, "lblHealth2", "Receiver 2 health"},
          std::tuple{lblStationHealth_, "lblStationHealth", "Station health"}}) {
        label->setObjectName(QString::fromLatin1(name));
        label->setAccessibleName(QString::fromLatin1(accessible));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->hide();
    }
    // A receiver's line goes on below, beside its list, when the window is too narrow for it.
    for (QLabel* label : {lblHealth1_, lblHealth2_}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    Command1_ = new QPushButton(QStringLiteral("Command1"), form_);
    Command1_->setObjectName(QStringLiteral("Command1"));
    Command1_->hide();
    connect(Command1_, &QPushButton::clicked, this, [this] { guarded(m_, &Module1::Command1_Click); });
}

void mnuMenu::buildMenu() {
    QMenuBar* bar = menuBar();
    auto item = [](QAction* action, const char* name, bool visible = true) {
        action->setObjectName(QString::fromLatin1(name));
        action->setVisible(visible);
        return action;
    };

    mnuFile_ = bar->addMenu(QStringLiteral("&File"));
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    connect(mnuFile_, &QMenu::aboutToShow, this, &mnuMenu::hideFilePanel);
    mnuLoadSchedules_ = item(mnuFile_->addAction(QStringLiteral("&Load Schedules")), "mnuLoadSchedules");
    mnuLoadSourceCodes = item(mnuFile_->addAction(QStringLiteral("Load Source &Codes from Floppy")),
                              "mnuLoadSourceCodes", false);
    mnuSaveFiles_ = item(mnuFile_->addAction(QStringLiteral("&Save Schedules")), "mnuSaveFiles");
    mnuFile_->addSeparator();
    mnuFileExit_ = item(mnuFile_->addAction(QStringLiteral("E&xit")), "mnuFileExit");
    connect(mnuLoadSchedules_, &QAction::triggered, this, [this] { showFilePanel(QStringLiteral("Load")); });
    connect(mnuSaveFiles_, &QAction::triggered, this, [this] { showFilePanel(QStringLiteral("Save")); });
    connect(mnuFileExit_, &QAction::triggered, this, &mnuMenu::mnuFileExit_Click);

    QMenu* setUpMenu = bar->addMenu(QStringLiteral("&SetUp"));
    setUpMenu->setObjectName(QStringLiteral("mnuSetUpMenu"));
    mnuSetUp = item(setUpMenu->addAction(QStringLiteral("&SetUp")), "mnuSetUp");
    mnuStationIO = item(setUpMenu->addAction(QStringLiteral("Station &I/O")), "mnuStationIO");
    mnuStationIO->setEnabled(false);
    connect(mnuStationIO, &QAction::triggered, this, [this] {
        if (stationIo_) frmStationIO::showWindow(*stationIo_, m_, this);
    });
    mnuServiceProviders =
        item(bar->addAction(QStringLiteral("Service&Providers")), "mnuServiceProviders", false);
    mnuSchedule = item(bar->addAction(QStringLiteral("S&chedules")), "mnuSchedule");
    connect(mnuSchedule, &QAction::triggered, this, [this] { frmSchedule::showEditor(m_, this); });
    mnuSetReceiver = item(bar->addAction(QStringLiteral("Set &Receiver")), "mnuSetReceiver", false);
    mnuSwitchSchedule = item(bar->addAction(QStringLiteral("S&witch Schedule")), "mnuSwitchSchedule");

    // Receiver Status is kept for the receivers' older front panels and has no commands.
    mnuReceiverStatus_ = bar->addMenu(QStringLiteral("Receiver S&tatus"));
    mnuReceiverStatus_->setObjectName(QStringLiteral("mnuReceiverStatus"));
    mnuReceiverStatus_->menuAction()->setVisible(false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("&EB")), "mnuReadEB");
    item(mnuReceiverStatus_->addAction(QStringLiteral("&Carrier")), "mnuCarrierStatus", false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("&MPEG")), "mnuMPEGStatus", false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("&Relays")), "mnuRelayStatus", false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("E&xtended Relays")), "mnuExtendedRelays", false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("Receiver Serial  &Port")), "mnuReceiverSerialPort",
         false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("&Settings")), "mnuSettings", false);

    mnuHistory_ = bar->addMenu(QStringLiteral("H&istory"));
    mnuHistory_->setObjectName(QStringLiteral("mnuHistory"));
    ActivityLog = item(mnuHistory_->addAction(QStringLiteral("&Activity Log")), "ActivityLog");
    mnuEB = item(mnuHistory_->addAction(QStringLiteral("&EB")), "mnuEB");
    mnuMPEG = item(mnuHistory_->addAction(QStringLiteral("&MPEG")), "mnuMPEG", false);
    // The as-run record of what went to air, for programme suppliers.
    connect(item(mnuHistory_->addAction(QStringLiteral("As-&run report")), "mnuAsRun"), &QAction::triggered,
            this, [this] { frmAsRun::showReport(m_, this); });

    mnuMonCon = item(bar->addAction(QStringLiteral("&Monitor and Control")), "mnuMonCon");
    mnuHelp = item(bar->addAction(QStringLiteral("&Help")), "mnuHelp");
    mnuAbout = item(bar->addAction(QStringLiteral("&About")), "mnuAbout");

    connect(mnuSetUp, &QAction::triggered, this, [this] { frmSetUp::showSetUp(m_, this); });
    connect(mnuSwitchSchedule, &QAction::triggered, this, [this] { frmWeeklySchedule::showWeek(m_, this); });
    connect(mnuMonCon, &QAction::triggered, this, [this] { frmMonCon::showTerminal(m_, this); });
    // The log viewers, help and about: non-modal; a second command only brings the window forward.
    // A viewer reads LogKind, which its command sets just before.
    connect(ActivityLog, &QAction::triggered, this, [this] {
        m_.LogKind = "AL";
        frmActivityLog::showViewer(m_, this);
    });
    connect(mnuEB, &QAction::triggered, this, [this] {
        m_.LogKind = "EB";
        frmActivityLog::showViewer(m_, this);
    });
    connect(mnuMPEG, &QAction::triggered, this, [this] {
        m_.LogKind = "MP";
        frmMPEGLog::showViewer(m_, this);
    });
    connect(mnuHelp, &QAction::triggered, this, [this] { frmHelp::showHelp(this); });
    connect(mnuAbout, &QAction::triggered, this, [this] { frmAbout::showAbout(this); });
    openMenuOnF10(this, bar);
}

void mnuMenu::setMonitoring(Monitoring* monitoring) {
    monitoring_ = monitoring;
    if (!mnuMonitoring) {
        auto* setUpMenu = menuBar()->findChild<QMenu*>(QStringLiteral("mnuSetUpMenu"));
        mnuMonitoring = setUpMenu->addAction(QStringLiteral("&Monitoring"));
        mnuMonitoring->setObjectName(QStringLiteral("mnuMonitoring"));
        connect(mnuMonitoring, &QAction::triggered, this, [this] {
            if (monitoring_) frmMonitoring::showWindow(*monitoring_, m_, this);
        });
        connect(monitoring_, &Monitoring::healthChanged, this, &mnuMenu::refreshHealth);
    }
    lblHealth1_->show();
    lblStationHealth_->show();
    arrangeControls();
    refreshHealth();
}

void mnuMenu::refreshHealth() {
    if (!monitoring_) return;
    const HealthModel& health = monitoring_->health();
    showHealthLine(lblHealth1_, receiverHealthLine(health, 1));
    showHealthLine(lblHealth2_, receiverHealthLine(health, 2));
    showHealthLine(lblStationHealth_, stationHealthLine(health));
}

void mnuMenu::setStationIo(StationIo* io) {
    stationIo_ = io;
    mnuStationIO->setEnabled(io != nullptr);
}

void mnuMenu::buildTimers() {
    tmrClock_ = new QTimer(this);
    tmrClock_->setObjectName(QStringLiteral("tmrClock"));
    tmrClock_->setInterval(50);
    tmrClock_->setTimerType(Qt::PreciseTimer);
    connect(tmrClock_, &QTimer::timeout, this, [this] {
        guarded(m_, &Module1::tmrClock_Timer);
        refreshView();
        watchdog_.pet();
    });

    auto repeater = [this](SwitchTimer& logic, const char* name, void (Module1::*cycle)()) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(name));
        timer->setInterval(SwitchTimer::IntervalMs);
        timer->setTimerType(Qt::PreciseTimer);
        // Enabling restarts the interval, so the first tick of a cycle comes two seconds after it.
        connect(&logic, &SwitchTimer::enabledChanged, timer, [timer](bool on) {
            if (on)
                timer->start(SwitchTimer::IntervalMs);
            else
                timer->stop();
        });
        connect(timer, &QTimer::timeout, this, [this, cycle] {
            guarded(m_, cycle);
            refreshView();
        });
        if (logic.Enabled()) timer->start();
        return timer;
    };
    Timer1_ = repeater(m_.Timer1, "Timer1", &Module1::Timer1_Timer);
    Timer2_ = repeater(m_.Timer2, "Timer2", &Module1::Timer2_Timer);
}

void mnuMenu::load() {
    guarded(m_, &Module1::InitializeProgram);
    // Monitoring.ini is read once the messages can be shown.
    if (monitoring_) monitoring_->start();
    refreshView();
    refreshHealth();
    tmrClock_->start();
    // Schedules a traffic office drops in the inbox, applied between switch cycles. A refusal is an
    // alert for whoever watches the station; the inbox logs and shows it itself.
    auto* inbox = new ScheduleInbox(m_, this);
    if (monitoring_) {
        connect(inbox, &ScheduleInbox::scheduleRejected, monitoring_, [m = monitoring_](const QString& why) {
            m->raiseStationAlert(QStringLiteral("schedule_rejected"),
                                 QStringLiteral("ALERT Schedule from inbox refused: ") + why, true);
        });
        const auto publish = [m = monitoring_](int entries, qint64 utcSecs) {
            m->setGauge(QStringLiteral("quillorn_schedule_applied_timestamp_seconds"),
                        QStringLiteral("When the last schedule from the inbox was applied."),
                        double(utcSecs));
            m->setGauge(QStringLiteral("quillorn_schedule_entries"),
                        QStringLiteral("Entries of the schedule last applied from the inbox."), entries);
        };
        // After a restart, from the delivery kept in applied/: a "schedule is stale" rule has its
        // figure at once.
        if (const auto last = inbox->lastApplied()) publish(last->entries, last->utcSecs);
        connect(inbox, &ScheduleInbox::scheduleApplied, monitoring_,
                [m = monitoring_, publish](int entries, int, qint64 utcSecs) {
                    m->clearStationAlert(QStringLiteral("schedule_rejected"),
                                         QStringLiteral("RESTORED Schedule from inbox applied"));
                    publish(entries, utcSecs);
                });
    }
    inbox->start();
    watchdog_.ready();
}

void mnuMenu::fillDrives() {
    const QString current = Drive1_->currentData().toString();
    QStringList roots;
    const QString floppy = Paths::floppyFolder();
    if (QFileInfo(floppy).isDir()) roots << QDir::cleanPath(floppy);
    for (const QString& root : Paths::mountedVolumes())
        if (!roots.contains(root)) roots << root;
    const QSignalBlocker block(Drive1_);
    Drive1_->clear();
    for (const QString& root : roots)
        Drive1_->addItem(root, root);
    const int keep = Drive1_->findData(current);
    Drive1_->setCurrentIndex(keep >= 0 ? keep : 0);
}

void mnuMenu::refreshView() {
    const MainView& v = m_.view;
    showValue(lblClock_, v.lblClock);
    showValue(label1_, v.label1);
    showValue(Label3_, v.Label3);
    showValue(lblPort_, v.lblPort);
    Label2_->setVisible(v.Label2Visible);
    Label4_->setVisible(v.Label4Visible);
    if (lstNextToSwitch2_->isHidden() == v.Receiver2Visible) {
        for (QWidget* w : {static_cast<QWidget*>(lstNextToSwitch2_), static_cast<QWidget*>(Label3_),
                           static_cast<QWidget*>(Label5_), static_cast<QWidget*>(Label6_)})
            w->setVisible(v.Receiver2Visible);
        showHealthLines();
        arrangeControls();
    }
}

void mnuMenu::Form_Resize() {
    if (windowState() & Qt::WindowMinimized) return;
    const Lefts& lefts = (windowState() & Qt::WindowMaximized) ? kMaximizedLefts : kNormalLefts;
    auto left = [](QWidget* w, int twips) { w->move(twipsToPixels(twips), w->y()); };
    for (QWidget* w : {static_cast<QWidget*>(lstNextToSwitch_), static_cast<QWidget*>(lstNextToSwitch2_),
                       static_cast<QWidget*>(label1_), static_cast<QWidget*>(Label3_)})
        left(w, lefts.lists);
    left(Label5_, lefts.captions);
    left(Label6_, lefts.captions);
    left(lblClock_, lefts.clock);
    arrangeControls();
}

void mnuMenu::arrangeControls() {
    // Left positions belong to Form_Resize; this fits tops, sizes and the controls that go with
    // them to the window.
    if (windowState() & Qt::WindowMinimized) return;
    const int width = form_->width();
    // The station's health line takes the last row, when there is one.
    const int stationRow = monitoring_ ? kNextHeight + kGap : 0;
    const int bottom = form_->height() - kMargin - stationRow;

    // The clock runs to the right edge; on a screen too narrow for it at its Left the type gets
    // smaller rather than the time being cut off.
    const int clockLeft = lblClock_->x();
    const int clockWidth = std::max(80, width - clockLeft);
    QFont clockFont = clockFont_;
    const int needed = QFontMetrics(clockFont).horizontalAdvance(kWidestClock) + kMargin;
    if (needed > clockWidth)
        clockFont.setPointSizeF(std::max(7.0, clockFont.pointSizeF() * clockWidth / needed));
    if (lblClock_->font() != clockFont) lblClock_->setFont(clockFont);
    lblClock_->setGeometry(clockLeft, kClockTop, clockWidth, kClockHeight);
    lblPort_->setGeometry(kMargin, kClockTop, 110, kClockHeight);
    lblPlayTime_->setGeometry(kMargin, kClockTop + kClockHeight, 110, kCaptionHeight);

    // Each receiver: its caption, centred over the list, then its next event with the START mark
    // beside it, then its week.
    const int captionWidth = std::max(2 * (kListWidth / 2 - Label5_->x() + lstNextToSwitch_->x()), 120);
    const int healthLeft = lstNextToSwitch_->x() + kListWidth + kMargin + kStartWidth + kMargin;
    const int healthWidth = std::max(kHealthWidth, width - healthLeft);
    // Three lines at most, the first level with the next event's.
    const int lineSpacing = lblHealth1_->fontMetrics().lineSpacing();
    const int healthHeight = 3 * lineSpacing + 2;
    auto block = [&](int top, QLabel* caption, QLabel* next, QLabel* start, QListView* list, int height) {
        caption->setGeometry(caption->x(), top, captionWidth, kCaptionHeight);
        next->setGeometry(next->x(), top + kCaptionHeight + kGap, kListWidth, kNextHeight);
        start->setGeometry(next->x() + kListWidth + kMargin, next->y(), kStartWidth, kNextHeight);
        (next == label1_ ? lblHealth1_ : lblHealth2_)
            ->setGeometry(healthLeft, next->y() + std::max(0, (kNextHeight - lineSpacing) / 2), healthWidth,
                          healthHeight);
        list->setGeometry(list->x(), next->y() + kNextHeight + kGap, kListWidth, height);
        return list->y() + height;
    };
    const int top1 = kClockTop + kClockHeight + kGap;
    const int header = kCaptionHeight + kGap + kNextHeight + kGap;
    if (m_.view.Receiver2Visible) {
        const int listHeight = std::max(kMinListHeight, (bottom - top1 - 2 * header - kBlockGap) / 2);
        const int end1 = block(top1, Label5_, label1_, Label2_, lstNextToSwitch_, listHeight);
        block(end1 + kBlockGap, Label6_, Label3_, Label4_, lstNextToSwitch2_, listHeight);
    } else {
        const int end1 = block(top1, Label5_, label1_, Label2_, lstNextToSwitch_,
                               std::max(kMinListHeight, bottom - top1 - header));
        block(end1 + kBlockGap, Label6_, Label3_, Label4_, lstNextToSwitch2_, kMinListHeight);
    }

    // The file panel stands at the right edge, beside the lists.
    const int panelLeft = std::max(width - kPanelWidth, Label2_->x() + kStartWidth + 2 * kMargin);
    const int panelWidth = std::max(200, width - panelLeft);
    // Below the health line when there is one, so the panel never covers it.
    const int panelTop = monitoring_ ? lblHealth1_->geometry().bottom() + 1 + kGap : label1_->y();
    lblDrive_->setGeometry(panelLeft, panelTop, 50, 28);
    Drive1_->setGeometry(panelLeft + 55, panelTop, panelWidth - 55, 28);
    const int buttonTop = bottom - kButtonHeight;
    lblStationHealth_->setGeometry(lstNextToSwitch_->x(), bottom + kGap,
                                   std::max(kListWidth, width - kMargin), kNextHeight);
    Dir1_->setGeometry(panelLeft, panelTop + 28 + kGap, panelWidth,
                       std::max(kMinListHeight, buttonTop - kGap - (panelTop + 28 + kGap)));
    cmdSave_->setGeometry(panelLeft, buttonTop, 100, kButtonHeight);
    ProgressBar1_->setGeometry(panelLeft + 100 + kMargin, buttonTop, panelWidth - 100 - kMargin,
                               kButtonHeight);
    Command1_->setGeometry(panelLeft, kClockTop, 100, kButtonHeight);
}

bool mnuMenu::event(QEvent* event) {
    // A message raised while the operator was elsewhere must not stay hidden behind this window.
    if (event->type() == QEvent::WindowActivate) frmError::bringToFront();
    return QMainWindow::event(event);
}

bool mnuMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ && event->type() == QEvent::Resize) arrangeControls();
    return QMainWindow::eventFilter(watched, event);
}

void mnuMenu::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void mnuMenu::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void mnuMenu::closeEvent(QCloseEvent* event) {
    // A stray click must not stop the switching: the operator is asked first (askToStop).
    if (stopCause_.isEmpty() && sessionEnding_) stopCause_ = QStringLiteral("Stopped by the desktop session");
    if (stopCause_.isEmpty()) {
        event->ignore();
        askToStop();
        return;
    }
    logStop(stopCause_);
    // Then the program ends: the timers stop, the message window goes with it, and nothing is saved
    // (settings and schedule entries were written when made).
    if (stopQuestion_) stopQuestion_->close();
    watchdog_.stopping();
    tmrClock_->stop();
    Timer1_->stop();
    Timer2_->stop();
    frmError::unload();
    event->accept();
    QCoreApplication::quit();
}

void mnuMenu::showFilePanel(const QString& caption) {
    cmdSave_->setText(caption);
    cmdSave_->setAccessibleName(caption + QStringLiteral(" schedules"));
    fillDrives();  // a stick put in since the last time shows up
    // The panel opens on the folder chosen before while it is still there, else on the floppy or
    // the home folder; either way what it shows is what Save and Load use. Its folders are read
    // afresh, so one made since shows up.
    const QString chosen = QDir::cleanPath(m_.TransferFolder);
    showFolder(!m_.TransferFolder.isEmpty() && QFileInfo(chosen).isDir() ? chosen : defaultTransferFolder());
    cmdSave_->show();
    lblDrive_->show();
    Drive1_->show();
    Dir1_->show();
    showHealthLines();
    Drive1_->setFocus();
}

void mnuMenu::hideFilePanel() {
    cmdSave_->hide();
    lblDrive_->hide();
    Drive1_->hide();
    Dir1_->hide();
    showHealthLines();
}

void mnuMenu::showHealthLines() {
    // The file panel, while it is open, stands where receiver 2's line is.
    if (!lblHealth2_) return;  // not made yet
    lblHealth2_->setVisible(monitoring_ && m_.view.Receiver2Visible && Dir1_->isHidden());
}

void mnuMenu::showFolder(const QString& folder) {
    // Its drive is the deepest one it lies on (the floppy folder is a drive of its own).
    int drive = 0;
    for (int i = 0; i < Drive1_->count(); ++i) {
        const QString root = Drive1_->itemData(i).toString();
        if (isBelow(folder, root) && root.size() > Drive1_->itemData(drive).toString().size()) drive = i;
    }
    if (!isBelow(folder, Drive1_->itemData(drive).toString())) drive = 0;
    {
        const QSignalBlocker block(Drive1_);
        Drive1_->setCurrentIndex(drive);
    }
    const QString root = Drive1_->itemData(drive).toString();
    panelFolder_ = folder.isEmpty() && root != QLatin1String("/") ? root : folder;
    dirModel_->setRoot(root);
    if (!folder.isEmpty() && folder != root) dirModel_->reveal(folder);
    takeShownFolder();
}

void mnuMenu::Drive1_Change() {
    const QString root = Drive1_->currentData().toString();
    if (root.isEmpty()) return;
    // Choosing a drive makes its root the folder of the next load or save.
    panelFolder_ = root;
    dirModel_->setRoot(root);
    takeShownFolder();
}

void mnuMenu::Dir1_Change() {
    // A folder the operator selects wins over the one the panel was still opening on.
    if (Dir1_->selectionModel()->hasSelection()) dirModel_->cancelReveal();
    takeShownFolder();
}

void mnuMenu::takeShownFolder() {
    m_.TransferFolder = shownFolder();
    cmdSave_->setEnabled(!m_.TransferFolder.isEmpty());
}

QString mnuMenu::shownFolder() const {
    const QModelIndexList selected = Dir1_->selectionModel()->selectedRows();
    return selected.isEmpty() ? panelFolder_ : dirModel_->filePath(selected.first());
}

void mnuMenu::cmdSave_Click() {
    const bool loading = cmdSave_->text() == QLatin1String("Load");
    takeShownFolder();
    auto transfer = [this, loading] {
        try {
            if (loading) {
                m_.LoadSchedules();
            } else {
                m_.SaveFiles();
                ProgressBar1_->setValue(2);
            }
        } catch (const std::exception& e) {
            m_.ShowMessage(toQcError(e).text());
            if (!loading) ProgressBar1_->hide();
        }
        hideFilePanel();
        refreshView();
    };
    // Either way a whole schedule is replaced: the operator is asked first, with what is at stake.
    TransferPlan plan;
    try {
        plan = planTransfer(m_, loading);
    } catch (const std::exception& e) {
        // A transfer file that cannot be read is neither loaded nor replaced unasked.
        m_.ShowMessage(toQcError(e).text());
        hideFilePanel();
        return;
    }
    const QString folder = QDir::cleanPath(m_.TransferFolder);
    if (loading && plan.recordsIn > 0)
        askFirst(
            this, QStringLiteral("Load Schedules"),
            QStringLiteral("Load %1 from %2, replacing the %3 of this station's schedule?\n\nThe schedule "
                           "replaced is kept as SwitchList.dat.bak.")
                .arg(entries(plan.entriesIn), folder, entries(plan.entriesHere)),
            transfer);
    else if (!loading && plan.exists)
        askFirst(this, QStringLiteral("Save Schedules"),
                 QStringLiteral("%1 holds a switchlist.dat already (%2). Replace it with the %3 of this "
                                "station's schedule?")
                     .arg(folder, entries(plan.entriesIn), entries(plan.entriesHere)),
                 transfer);
    else
        transfer();
}

void mnuMenu::mnuFileExit_Click() {
    close();
}

void mnuMenu::showMessage(const QString& message) {
    const Clock::Reading now = m_.clock().read();
    const QString text = repeats_.shown(message, now);
    // Every message also goes to standard error, one dated line each: a station that runs the
    // program as a service finds them in its journal, and nobody may be watching the screen. One
    // write a line, so lines of several writers never mix.
    const QString stamp = now.local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QByteArray line =
        (stamp + QStringLiteral("  ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')))
            .toLocal8Bit()
            .left(2000) +
        '\n';
    (void)!::write(STDERR_FILENO, line.constData(), line.size());
    frmError::ShowMessage(text, this);
}

}  // namespace qc
