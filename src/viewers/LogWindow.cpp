#include "LogWindow.h"

#include <QAction>
#include <QKeyEvent>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "core/Module1.h"
#include "core/WindowAccess.h"
#include "core/frmError.h"

namespace qc {

namespace {

// The designed form, in twips (15 to a pixel on a 96-dpi screen).
int px(int twips) {
    return (twips + 7) / 15;
}
constexpr int FormWidth = 7800;
constexpr int FormHeight = 5400;
constexpr int TwoReceiverFormWidth = 8800;
constexpr int LogLeft = 120;
constexpr int LogTop = 120;
constexpr int LogWidth = 7560;
constexpr int TwoReceiverLogWidth = 8400;
constexpr int EbNoLogLeft = 2500;
constexpr int EbNoLogWidth = 2550;
constexpr int DateLeft = 600;
constexpr int DateTop = 240;
constexpr int DateWidth = 2400;
constexpr int OptionLeft = 3480;
constexpr int OptionWidth = 2400;
constexpr int OptionHeight = 360;
constexpr int ButtonWidth = 1560;
constexpr int ButtonHeight = 450;
constexpr int ButtonGap = 600;
constexpr int BottomMargin = 180;

QListView* listView(QWidget* parent, const QString& name, SortedList* model) {
    auto* list = new QListView(parent);
    list->setObjectName(name);
    list->setModel(model);
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

}  // namespace

LogWindow::LogWindow(Module1& m, LogViewer::Window kind, QWidget* owner)
    : QMainWindow(owner, Qt::Window), logic_(m, kind), kind_(kind) {
    const bool activity = kind == LogViewer::Window::ActivityLog;
    setObjectName(activity ? QStringLiteral("frmActivityLog") : QStringLiteral("frmMPEGLog"));
    setAttribute(Qt::WA_DeleteOnClose);
    form_ = new QWidget(this);
    setCentralWidget(form_);
    form_->installEventFilter(this);

    lstDate_ = listView(form_, QStringLiteral("lstDate"), &logic_.lstDate);
    lstDate_->setToolTip(QStringLiteral("Date of Log to View"));
    lstDate_->setAccessibleName(QStringLiteral("Days with logs"));
    connect(
        lstDate_->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex& current) { logic_.selectedDate = current.isValid() ? current.row() : -1; });
    connect(lstDate_, &QListView::doubleClicked, this, [this] { logic_.cmdOk_Click(); });

    if (activity) {
        Option1_ = new QRadioButton(QStringLiteral("By Time"), form_);
        Option1_->setObjectName(QStringLiteral("Option1"));
        Option1_->setToolTip(QStringLiteral("Listed by Time"));
        Option2_ = new QRadioButton(QStringLiteral("By Event"), form_);
        Option2_->setObjectName(QStringLiteral("Option2"));
        Option2_->setToolTip(
            QStringLiteral("Listed by event alphabetically or in the case of EbNo by value of EbNo"));
        connect(Option2_, &QRadioButton::toggled, this, [this](bool on) { logic_.byEvent = on; });
    }

    lstActivityLog_ = listView(form_, QStringLiteral("lstActivityLog"), &logic_.lstActivityLog);
    lstActivityLog_->setAccessibleName(QStringLiteral("Log lines"));
    QFont fixed(QStringLiteral("Courier"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPointSize(9);
    lstActivityLog_->setFont(fixed);
    lstActivityLog_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lstActivityLog_->hide();

    if (activity) {
        lstSort_ = listView(form_, QStringLiteral("lstSort"), &logic_.lstSort);
        lstSort_->hide();
    }

    cmdOk_ = new QPushButton(QStringLiteral("&Ok"), form_);
    cmdOk_->setObjectName(QStringLiteral("cmdOk"));
    cmdOk_->setAutoDefault(true);
    connect(cmdOk_, &QPushButton::clicked, this, [this] { logic_.cmdOk_Click(); });
    cmdClose_ = new QPushButton(QStringLiteral("&Close"), form_);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    cmdClose_->setAutoDefault(true);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);

    if (activity) {
        QMenu* mnuFiles = menuBar()->addMenu(QStringLiteral("&Files"));
        mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
        QAction* mnuPrint = mnuFiles->addAction(QStringLiteral("&Print"));
        mnuPrint->setObjectName(QStringLiteral("mnuPrint"));
        connect(mnuPrint, &QAction::triggered, this, [this] { logic_.mnuPrint_Click(); });
        QAction* mnuExit = mnuFiles->addAction(QStringLiteral("E&xit"));
        mnuExit->setObjectName(QStringLiteral("mnuExit"));
        connect(mnuExit, &QAction::triggered, this, &QWidget::close);
        openMenuOnF10(this, menuBar());
    }

    connect(&logic_, &LogViewer::changed, this, &LogWindow::refresh);
    resize(px(FormWidth), px(FormHeight) + menuBar()->sizeHint().height() * activity);
}

void LogWindow::load() {
    logic_.Form_Load();
    if (logic_.twoReceiverLayout) resize(std::max(width(), px(TwoReceiverFormWidth)), height());
    arrange();
}

void LogWindow::refresh() {
    const bool showing = logic_.showing;
    setWindowTitle(logic_.caption);
    lstDate_->setVisible(!showing);
    if (Option1_) {
        Option1_->setVisible(!showing);
        Option2_->setVisible(!showing);
        (logic_.byEvent ? Option2_ : Option1_)->setChecked(true);
    }
    lstActivityLog_->setVisible(showing);
    if (!showing && logic_.selectedDate >= 0 && logic_.selectedDate < logic_.lstDate.count()) {
        const QModelIndex index = logic_.lstDate.index(logic_.selectedDate);
        if (lstDate_->currentIndex() != index) lstDate_->setCurrentIndex(index);
        if (wasShowing_ || !lstDate_->isVisible()) lstDate_->scrollTo(index);
    }
    // The keyboard stays with the list the operator reads.
    if (showing != wasShowing_ && isActiveWindow()) (showing ? lstActivityLog_ : lstDate_)->setFocus();
    wasShowing_ = showing;
}

void LogWindow::arrange() {
    const int bottom = form_->height() - px(BottomMargin);
    const int buttonTop = bottom - px(ButtonHeight);
    const int listHeight = std::max(60, buttonTop - px(LogTop) - px(BottomMargin));

    int logLeft = LogLeft;
    int logWidth = LogWidth;
    if (logic_.twoReceiverLayout) logWidth = TwoReceiverLogWidth;
    if (kind_ == LogViewer::Window::ActivityLog && logic_.layoutKind == "EB") {
        logLeft = EbNoLogLeft;
        logWidth = EbNoLogWidth;
    }
    lstActivityLog_->setGeometry(px(logLeft), px(LogTop), px(logWidth), listHeight);
    lstDate_->setGeometry(px(DateLeft), px(DateTop), px(DateWidth), listHeight - px(DateTop - LogTop));
    if (Option1_) {
        Option1_->setGeometry(px(OptionLeft), px(DateTop + 240), px(OptionWidth), px(OptionHeight));
        Option2_->setGeometry(px(OptionLeft), px(DateTop + 240 + 2 * OptionHeight), px(OptionWidth),
                              px(OptionHeight));
    }
    const int buttonsLeft = std::max(0, (form_->width() - 2 * px(ButtonWidth) - px(ButtonGap)) / 2);
    cmdOk_->setGeometry(buttonsLeft, buttonTop, px(ButtonWidth), px(ButtonHeight));
    cmdClose_->setGeometry(buttonsLeft + px(ButtonWidth) + px(ButtonGap), buttonTop, px(ButtonWidth),
                           px(ButtonHeight));
}

bool LogWindow::event(QEvent* event) {
    // A message raised while the operator reads a log must not stay hidden behind the viewer.
    if (event->type() == QEvent::WindowActivate) frmError::bringToFront();
    return QMainWindow::event(event);
}

void LogWindow::keyPressEvent(QKeyEvent* event) {
    // Enter on a list is Ok, as a double-click on a day is; Escape closes the viewer.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        logic_.cmdOk_Click();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool LogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ && event->type() == QEvent::Resize) arrange();
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace qc
