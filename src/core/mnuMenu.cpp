#include "mnuMenu.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "Module1.h"
#include "frmError.h"
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

// A label whose text is a value: a screen reader names it after what it shows and reads the value
// as its description.
void setTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() == text) return;
    label->setText(text);
    label->setAccessibleDescription(text);
}

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

}  // namespace

mnuMenu::mnuMenu(Module1& m, QWidget* parent) : QMainWindow(parent), m_(m) {
    setObjectName(QStringLiteral("mnuMenu"));
    setWindowTitle(QStringLiteral("QuillornControl"));

    connect(&m_, &Module1::messageShown, this, &mnuMenu::showMessage);
    connect(&m_, &Module1::viewChanged, this, &mnuMenu::refreshView);

    buildControls();
    buildMenu();
    connectEngineeringCommands();
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
    dirModel_ = new QFileSystemModel(this);
    dirModel_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    dirModel_->setReadOnly(true);
    Dir1_ = new QTreeView(form_);
    Dir1_->setObjectName(QStringLiteral("Dir1"));
    Dir1_->setModel(dirModel_);
    Dir1_->setHeaderHidden(true);
    for (int column = 1; column < dirModel_->columnCount(); ++column)
        Dir1_->hideColumn(column);
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
    if (Drive1_->count() > 0) {
        const QString root = Drive1_->itemData(0).toString();
        dirModel_->setRootPath(root);
        Dir1_->setRootIndex(dirModel_->index(root));
    }
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

    mnuFile_ = bar->addMenu(QStringLiteral("File"));
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    connect(mnuFile_, &QMenu::aboutToShow, this, &mnuMenu::hideFilePanel);
    mnuLoadSchedules_ = item(mnuFile_->addAction(QStringLiteral("Load Schedules")), "mnuLoadSchedules");
    mnuLoadSourceCodes = item(mnuFile_->addAction(QStringLiteral("Load Source Codes from Floppy")),
                              "mnuLoadSourceCodes", false);
    mnuSaveFiles_ = item(mnuFile_->addAction(QStringLiteral("Save Schedules")), "mnuSaveFiles");
    mnuFile_->addSeparator();
    mnuFileExit_ = item(mnuFile_->addAction(QStringLiteral("Exit")), "mnuFileExit");
    connect(mnuLoadSchedules_, &QAction::triggered, this, [this] { showFilePanel(QStringLiteral("Load")); });
    connect(mnuSaveFiles_, &QAction::triggered, this, [this] { showFilePanel(QStringLiteral("Save")); });
    connect(mnuFileExit_, &QAction::triggered, this, &mnuMenu::mnuFileExit_Click);

    QMenu* setUpMenu = bar->addMenu(QStringLiteral("SetUp"));
    setUpMenu->setObjectName(QStringLiteral("mnuSetUpMenu"));
    mnuSetUp = item(setUpMenu->addAction(QStringLiteral("SetUp")), "mnuSetUp");
    mnuStationIO = item(setUpMenu->addAction(QStringLiteral("Station I/O")), "mnuStationIO");
    mnuStationIO->setEnabled(false);
    connect(mnuStationIO, &QAction::triggered, this, [this] {
        if (stationIo_) frmStationIO::showWindow(*stationIo_, m_, this);
    });
    mnuServiceProviders =
        item(bar->addAction(QStringLiteral("ServiceProviders")), "mnuServiceProviders", false);
    mnuSchedule = item(bar->addAction(QStringLiteral("Schedules")), "mnuSchedule");
    connect(mnuSchedule, &QAction::triggered, this, [this] { frmSchedule::showEditor(m_, this); });
    mnuSetReceiver = item(bar->addAction(QStringLiteral("Set Receiver")), "mnuSetReceiver", false);
    mnuSwitchSchedule = item(bar->addAction(QStringLiteral("Switch Schedule")), "mnuSwitchSchedule");

    // Receiver Status is kept for the receivers' older front panels and has no commands.
    mnuReceiverStatus_ = bar->addMenu(QStringLiteral("Receiver Status"));
    mnuReceiverStatus_->setObjectName(QStringLiteral("mnuReceiverStatus"));
    mnuReceiverStatus_->menuAction()->setVisible(false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("EB")), "mnuReadEB");
    item(mnuReceiverStatus_->addAction(QStringLiteral("Carrier")), "mnuCarrierStatus", false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("MPEG")), "mnuMPEGStatus", false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("Relays")), "mnuRelayStatus", false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("Extended Relays")), "mnuExtendedRelays", false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("Receiver Serial  &Port")), "mnuReceiverSerialPort",
         false);
    item(mnuReceiverStatus_->addAction(QStringLiteral("Settings")), "mnuSettings", false);

    mnuHistory_ = bar->addMenu(QStringLiteral("History"));
    mnuHistory_->setObjectName(QStringLiteral("mnuHistory"));
    ActivityLog = item(mnuHistory_->addAction(QStringLiteral("Activity Log")), "ActivityLog");
    mnuEB = item(mnuHistory_->addAction(QStringLiteral("EB")), "mnuEB");
    mnuMPEG = item(mnuHistory_->addAction(QStringLiteral("&MPEG")), "mnuMPEG", false);

    mnuMonCon = item(bar->addAction(QStringLiteral("Monitor and Control")), "mnuMonCon");
    mnuHelp = item(bar->addAction(QStringLiteral("Help")), "mnuHelp");
    mnuAbout = item(bar->addAction(QStringLiteral("About")), "mnuAbout");

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
    refreshView();
    tmrClock_->start();
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
    setTextIfChanged(lblClock_, v.lblClock);
    setTextIfChanged(label1_, v.label1);
    setTextIfChanged(Label3_, v.Label3);
    setTextIfChanged(lblPort_, v.lblPort);
    Label2_->setVisible(v.Label2Visible);
    Label4_->setVisible(v.Label4Visible);
    if (lstNextToSwitch2_->isHidden() == v.Receiver2Visible) {
        for (QWidget* w : {static_cast<QWidget*>(lstNextToSwitch2_), static_cast<QWidget*>(Label3_),
                           static_cast<QWidget*>(Label5_), static_cast<QWidget*>(Label6_)})
            w->setVisible(v.Receiver2Visible);
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
    const int bottom = form_->height() - kMargin;

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
    auto block = [&](int top, QLabel* caption, QLabel* next, QLabel* start, QListView* list, int height) {
        caption->setGeometry(caption->x(), top, captionWidth, kCaptionHeight);
        next->setGeometry(next->x(), top + kCaptionHeight + kGap, kListWidth, kNextHeight);
        start->setGeometry(next->x() + kListWidth + kMargin, next->y(), kStartWidth, kNextHeight);
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
    const int panelTop = label1_->y();
    lblDrive_->setGeometry(panelLeft, panelTop, 50, 28);
    Drive1_->setGeometry(panelLeft + 55, panelTop, panelWidth - 55, 28);
    const int buttonTop = bottom - kButtonHeight;
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
    // Closing the main window ends the program at once: the timers stop, the message window goes
    // with it, and nothing is saved (settings and schedule entries were written when made).
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
    // The panel opens on its first drive's folder, or on the folder chosen before while it is still
    // there; either way what it shows is what Save and Load use.
    const QString root = Drive1_->currentData().toString();
    const QString chosen = shownFolder();
    if (dirModel_->rootPath() != root || !QFileInfo(chosen).isDir()) {
        Dir1_->selectionModel()->clear();
        dirModel_->setRootPath(root);
        Dir1_->setRootIndex(dirModel_->index(root));
        driveChosen_ = false;
    }
    takeShownFolder();
    cmdSave_->show();
    lblDrive_->show();
    Drive1_->show();
    Dir1_->show();
    Drive1_->setFocus();
}

void mnuMenu::hideFilePanel() {
    cmdSave_->hide();
    lblDrive_->hide();
    Drive1_->hide();
    Dir1_->hide();
}

void mnuMenu::Drive1_Change() {
    const QString root = Drive1_->currentData().toString();
    if (root.isEmpty()) return;
    // Choosing a drive makes its root the folder of the next load or save.
    Dir1_->selectionModel()->clear();
    dirModel_->setRootPath(root);
    Dir1_->setRootIndex(dirModel_->index(root));
    driveChosen_ = true;
    takeShownFolder();
}

void mnuMenu::Dir1_Change() {
    takeShownFolder();
}

void mnuMenu::takeShownFolder() {
    m_.TransferFolder = shownFolder();
    cmdSave_->setEnabled(!m_.TransferFolder.isEmpty());
}

QString mnuMenu::shownFolder() const {
    const QModelIndexList selected = Dir1_->selectionModel()->selectedRows();
    if (!selected.isEmpty()) return dirModel_->filePath(selected.first());
    const QString root = Drive1_->currentData().toString();
    return root == QLatin1String("/") && !driveChosen_ ? QString() : root;
}

void mnuMenu::cmdSave_Click() {
    const bool loading = cmdSave_->text() == QLatin1String("Load");
    takeShownFolder();
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
}

void mnuMenu::mnuFileExit_Click() {
    close();
    QCoreApplication::quit();
}

void mnuMenu::showMessage(const QString& text) {
    // Every message also goes to standard error, one dated line each: a station that runs the
    // program as a service finds them in its journal, and nobody may be watching the screen. One
    // write a line, so lines of several writers never mix.
    const QString stamp = m_.clock().now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QByteArray line =
        (stamp + QStringLiteral("  ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')))
            .toLocal8Bit()
            .left(2000) +
        '\n';
    (void)!::write(STDERR_FILENO, line.constData(), line.size());
    frmError::ShowMessage(text, this);
}

}  // namespace qc
