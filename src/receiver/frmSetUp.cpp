#include "frmSetUp.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "SetUpChoices.h"
#include "core/Module1.h"
#include "core/frmError.h"
#include "platform/Text.h"

namespace qc {

namespace {

QPointer<frmSetUp> openDialog;

template <typename T>
T* named(T* widget, const char* name, const QString& toolTip = QString()) {
    widget->setObjectName(QString::fromLatin1(name));
    if (!toolTip.isEmpty()) widget->setToolTip(toolTip);
    return widget;
}

QLabel* labelFor(QWidget* parent, const char* name, const QString& caption) {
    return named(new QLabel(caption, parent), name);
}

// A list as tall as its rows, so no row hides behind a scroll bar.
QListWidget* list(QWidget* parent, const char* name, const QStringList& rows, const QString& toolTip = {}) {
    auto* box = named(new QListWidget(parent), name, toolTip);
    box->setSelectionMode(QAbstractItemView::SingleSelection);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box->addItems(rows);
    box->setFixedHeight(box->sizeHintForRow(0) * static_cast<int>(rows.size()) + 2 * box->frameWidth() + 4);
    box->setFixedWidth(box->sizeHintForColumn(0) + 2 * box->frameWidth() + 24);
    box->clear();  // the rows are added when the dialog opens
    return box;
}

QStringList portRows() {
    QStringList rows;
    for (int n = 1; n <= 8; ++n)
        rows << QStringLiteral("Serial Port %1").arg(n);
    return rows;
}

const QStringList kEbNoRows{QStringLiteral("Do Not Log"), QStringLiteral("1 per hour"),
                            QStringLiteral("2 per hour"), QStringLiteral("3 per hour"),
                            QStringLiteral("4 per hour"), QStringLiteral("1 per minute")};
const QStringList kSaveLogsRows{QStringLiteral("1 Day"), QStringLiteral("1 Week"), QStringLiteral("1 Month"),
                                QStringLiteral("1 Year")};

// The selected row, -1 for none.
int selectedRow(const QListWidget* box) {
    const QList<QListWidgetItem*> items = box->selectedItems();
    return items.isEmpty() ? -1 : box->row(items.first());
}

// Selects a row when there is one for the value; a value the list does not offer selects nothing and
// stays as it is until the operator chooses.
void selectRow(QListWidget* box, int row) {
    if (row >= 0 && row < box->count()) box->setCurrentRow(row);
}

// The row of the port in force, after a refused choice; none for a port the list does not offer.
void showPort(QListWidget* box, int port) {
    const QSignalBlocker quiet(box);
    if (port >= 1 && port <= box->count())
        box->setCurrentRow(port - 1);
    else
        box->clearSelection();
}

// A label with the control it names just below it.
QVBoxLayout* captioned(QLabel* label, QWidget* control) {
    auto* pair = new QVBoxLayout;
    pair->setSpacing(2);
    pair->addWidget(label);
    pair->addWidget(control);
    return pair;
}

// Hidden controls keep their place, so the dialog does not jump when they come and go.
void keepPlaceWhenHidden(QWidget* w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

}  // namespace

frmSetUp::frmSetUp(Module1& m, QWidget* parent) : QWidget(parent, Qt::Window), m_(m) {
    setObjectName(QStringLiteral("frmSetUp"));
    setWindowTitle(QStringLiteral("Quillorn SetUp"));
    setAttribute(Qt::WA_DeleteOnClose);
    choices_ = std::make_unique<SetUpChoices>(m_);
    buildControls();
    connectReactions();
    Form_Load();
}

frmSetUp::~frmSetUp() = default;

void frmSetUp::buildControls() {
    // Created in the order the Tab key goes through them.
    Check1_ = named(new QCheckBox(QStringLiteral("Two Receivers"), this), "Check1",
                    QStringLiteral("Check to control two Quillorn receivers"));
    Label3_ = labelFor(this, "Label3", QStringLiteral("Receiver One"));
    lstPortOne_ = list(this, "lstPortOne", portRows());
    Label4_ = labelFor(this, "Label4", QStringLiteral("Receiver Two"));
    lstPortTwo_ = list(this, "lstPortTwo", portRows());
    label2_ = labelFor(this, "label2", QStringLiteral("Time to reset clock"));
    txtClockResetTime_ = named(new QLineEdit(this), "txtClockResetTime",
                               QStringLiteral("Minute and second of the hour that time should be re-set. "
                                              "Stations that take the network's time signal use 54:30."));
    chkRemote_ = named(new QCheckBox(QStringLiteral("Remote Control"), this), "chkRemote",
                       QStringLiteral("This box must be checked if you are using the parallel port for "
                                      "re-setting the computer time, logging alarms, or starting remote "
                                      "devices."));
    chkLog_ = named(new QCheckBox(QStringLiteral("Activity Log"), this), "chkLog",
                    QStringLiteral("Check this box if you want to log the control commands the computer "
                                   "sends to the Quillorn Receiever."));
    chkMpeg_ = named(new QCheckBox(QStringLiteral("MPEG Log"), this), "chkMpeg",
                     QStringLiteral("Check this box if you want to log the Norrid MPEG information following "
                                    "a command sent to the Norrid by the computer."));
    fraBaudSelect_ = named(new QGroupBox(QStringLiteral("Baud Rate"), this), "fraBaudSelect");
    optBaud1_ =
        named(new QRadioButton(QStringLiteral("9600"), fraBaudSelect_), "optBaud1",
              QStringLiteral("Serial Port Commincation Rate...Must be same as the Quillorn Receiever"));
    optBaud2_ =
        named(new QRadioButton(QStringLiteral("19200"), fraBaudSelect_), "optBaud2",
              QStringLiteral("Serial Port Commincation Rate...Must be same as the Quillorn Receiver"));
    lblHistoryEB_ = labelFor(this, "lblHistoryEB", QStringLiteral("EbNo Log"));
    lstHistoryEbNo_ = list(this, "lstHistoryEbNo", kEbNoRows,
                           QStringLiteral("Read the Quillorn  EbNo 1-4 times per hour, or once a minute"));
    Label1_ = labelFor(this, "Label1", QStringLiteral("Save EB Logs"));
    lstSaveLogs_ =
        list(this, "lstSaveLogs", kSaveLogsRows,
             QStringLiteral("Save the EbNo Logs...1 day, 1 week, 1 month, or 1 year.  The computer "
                            "will delete them after that period of time. "));
    cmdClose_ = named(new QPushButton(QStringLiteral("&Close"), this), "cmdClose");
    cmdClose_->setAutoDefault(true);

    // A screen reader names each list and the text box by the label above or beside it. Lists do
    // not take their name from a buddy label, so they are given it.
    for (auto [label, target] : {std::pair{Label3_, static_cast<QWidget*>(lstPortOne_)},
                                 {Label4_, lstPortTwo_},
                                 {label2_, txtClockResetTime_},
                                 {lblHistoryEB_, lstHistoryEbNo_},
                                 {Label1_, lstSaveLogs_}}) {
        label->setBuddy(target);
        target->setAccessibleName(label->text());
    }

    for (QWidget* w : {static_cast<QWidget*>(Label4_), static_cast<QWidget*>(lstPortTwo_),
                       static_cast<QWidget*>(Label1_), static_cast<QWidget*>(lstSaveLogs_)})
        keepPlaceWhenHidden(w);
    Label4_->hide();
    lstPortTwo_->hide();
    chkMpeg_->hide();  // the MPEG log is switched by the settings file alone

    auto* baud = new QVBoxLayout(fraBaudSelect_);
    baud->addWidget(optBaud1_);
    baud->addWidget(optBaud2_);

    auto* ports = new QHBoxLayout;
    ports->setSpacing(16);
    ports->addLayout(captioned(Label3_, lstPortOne_));
    ports->addLayout(captioned(Label4_, lstPortTwo_));
    ports->addStretch(1);

    auto* clock = new QHBoxLayout;
    clock->addWidget(label2_);
    clock->addWidget(txtClockResetTime_);
    txtClockResetTime_->setFixedWidth(
        txtClockResetTime_->fontMetrics().horizontalAdvance(QStringLiteral("000:000")) + 16);
    clock->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(Check1_);
    left->addLayout(ports);
    left->addSpacing(8);
    left->addLayout(clock);
    left->addWidget(chkRemote_);
    left->addWidget(chkLog_);
    left->addWidget(chkMpeg_);
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addWidget(fraBaudSelect_);
    right->addLayout(captioned(lblHistoryEB_, lstHistoryEbNo_));
    right->addLayout(captioned(Label1_, lstSaveLogs_));
    right->addStretch(1);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(24);
    columns->addLayout(left);
    columns->addLayout(right);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose_);
    buttons->addStretch(1);

    // The dialog is as large as its controls need, at any font size.
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setSpacing(12);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

void frmSetUp::connectReactions() {
    // Selections made while the dialog opens react as the operator's would.
    // A refused port leaves the list on the port in force, not on the row that was refused.
    connect(lstPortOne_, &QListWidget::itemSelectionChanged, this, [this] {
        const QListWidgetItem* item = lstPortOne_->currentItem();
        if (item && item->isSelected() && !choices_->choosePortOne(item->data(Qt::UserRole).toInt()))
            showPort(lstPortOne_, m_.Rx1Port);
    });
    connect(lstPortTwo_, &QListWidget::itemSelectionChanged, this, [this] {
        const QListWidgetItem* item = lstPortTwo_->currentItem();
        if (item && item->isSelected() && !choices_->choosePortTwo(item->data(Qt::UserRole).toInt()))
            showPort(lstPortTwo_, m_.Rx2Port);
    });
    connect(Check1_, &QCheckBox::toggled, this, [this](bool on) {
        Label4_->setVisible(on);
        lstPortTwo_->setVisible(on);
        choices_->setTwoReceivers(on);
    });
    connect(optBaud1_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) choices_->speed = 1;
    });
    connect(optBaud2_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) choices_->speed = 2;
    });
    connect(chkLog_, &QCheckBox::toggled, this, [this](bool on) { choices_->activityLog = on ? 1 : 0; });
    connect(chkMpeg_, &QCheckBox::toggled, this, [this](bool on) { choices_->setMpegLog(on); });
    connect(chkRemote_, &QCheckBox::toggled, this, [this](bool on) { choices_->setRemoteControl(on); });
    connect(lstHistoryEbNo_, &QListWidget::itemSelectionChanged, this, [this] {
        const int row = selectedRow(lstHistoryEbNo_);
        if (row < 0) return;
        choices_->ebNo = row;
        Label1_->setVisible(row != 0);
        lstSaveLogs_->setVisible(row != 0);
    });
    connect(txtClockResetTime_, &QLineEdit::textChanged, this,
            [this](const QString& text) { choices_->setClockResetTime(toCp1252(text)); });
}

// The opening, in its nine steps. A value a list or option does not offer selects nothing and is
// kept as it is until the operator chooses.
void frmSetUp::Form_Load() {
    txtClockResetTime_->setText(fromCp1252(m_.ClockResetTime));
    for (int n = 1; n <= 8; ++n) {
        for (QListWidget* box : {lstPortOne_, lstPortTwo_}) {
            auto* item = new QListWidgetItem(QStringLiteral("Serial Port %1").arg(n), box);
            item->setData(Qt::UserRole, n);
        }
    }
    selectRow(lstPortOne_, m_.Rx1Port - 1);
    selectRow(lstPortTwo_, m_.Rx2Port - 1);
    if (m_.BaudIndex == 1) optBaud1_->setChecked(true);
    if (m_.BaudIndex == 2) optBaud2_->setChecked(true);
    choices_->speed = m_.BaudIndex;
    chkLog_->setChecked(m_.ActivityLogOn == 1);
    lstHistoryEbNo_->addItems(kEbNoRows);
    selectRow(lstHistoryEbNo_, m_.EbNoPerHour);
    chkRemote_->setChecked(m_.RemoteStartOn);
    chkMpeg_->setChecked(m_.MpegLogOn);
    Check1_->setChecked(m_.TwoReceivers == 1);
    lstSaveLogs_->addItems(kSaveLogsRows);
    selectRow(lstSaveLogs_, SetUpChoices::retentionRow(m_.SaveLogsUnit));
}

void frmSetUp::closeEvent(QCloseEvent* event) {
    // The Close button, Escape and the window's close box end here alike. A reset time that cannot
    // be taken keeps the dialog open once, with the operator's other choices, to be corrected;
    // closing again with the same text keeps the time in force.
    const QByteArray typed = toCp1252(txtClockResetTime_->text());
    if (!closed_ && !SetUpChoices::validClockResetTime(typed) && typed != refusedTime_) {
        refusedTime_ = typed;
        m_.ShowMessage(choices_->clockResetRefusal());
        txtClockResetTime_->setFocus();
        txtClockResetTime_->selectAll();
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        choices_->close(selectedRow(lstSaveLogs_));
    }
    event->accept();
}

frmSetUp* frmSetUp::showSetUp(Module1& m, QWidget* owner) {
    const bool opening = !openDialog;
    if (opening) openDialog = new frmSetUp(m, owner);
    openDialog->show();
    openDialog->raise();
    openDialog->activateWindow();
    // A message raised while the dialog opened (equal ports) must not hide behind it.
    if (opening) frmError::bringToFront();
    return openDialog;
}

}  // namespace qc
