#include "frmSchedule.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/Module1.h"
#include "core/frmError.h"
#include "frmDialog1.h"
#include "platform/Text.h"
#include "review/frmScheduleConflicts.h"

namespace qc {

namespace {

const char* const kDayCaptions[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// A day's check box: reports every mouse-button release (the right one opens the day popup, also
// reachable with the menu key), and a click on a greyed box ticks it, as the old check boxes did.
class DayCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;
    std::function<void(Qt::MouseButton, const QPoint&)> released;

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    void mousePressEvent(QMouseEvent* e) override {
        QCheckBox::mousePressEvent(e);
        if (e->button() == Qt::RightButton) e->accept();  // so the release comes here as well
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QCheckBox::mouseReleaseEvent(e);
        if (released) released(e->button(), e->globalPosition().toPoint());
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        if (e->reason() == QContextMenuEvent::Keyboard && released)
            released(Qt::RightButton, mapToGlobal(QPoint(width() / 2, height() / 2)));
    }
};

// What a text box takes while typing, without cutting a longer text the program puts in it.
QValidator* typingLimit(int characters, QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral(".{0,%1}").arg(characters)),
                                           parent);
}

}  // namespace

QPointer<frmSchedule> frmSchedule::instance_;

void runGuarded(Module1& m, const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        m.ShowMessage(toQcError(e).text());
    }
}

frmSchedule::frmSchedule(Module1& m, QWidget* owner) : QWidget(owner, Qt::Window), m_(m) {
    setObjectName(QStringLiteral("frmSchedule"));
    setWindowTitle(QStringLiteral("Quillorn Switch Schedule"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    buildMenus();
    // The conflict window belongs to the main window: it may outlive the editor.
    connect(&m_, &Module1::conflictsChecked, this,
            [this](bool found) { frmScheduleConflicts::checked(m_, parentWidget(), found); });
    connect(&m_, &Module1::scheduleReplaced, this, &frmSchedule::reopen);
    Form_Load();
}

void frmSchedule::reopen() {
    // The entry being edited belongs to the schedule that was replaced: an Apply would write it over
    // another programme. The editor opens afresh on the new schedule, where it stood, as after a
    // deletion; it takes the focus only if it had it.
    QWidget* owner = parentWidget();
    const QByteArray geometry = saveGeometry();
    const bool active = isActiveWindow();
    unload();
    if (active) {
        showEditor(m_, owner, geometry);
        return;
    }
    instance_ = new frmSchedule(m_, owner);
    instance_->restoreGeometry(geometry);
    instance_->setAttribute(Qt::WA_ShowWithoutActivating);
    instance_->show();
}

frmSchedule* frmSchedule::showEditor(Module1& m, QWidget* owner, const QByteArray& geometry) {
    if (!instance_) {
        instance_ = new frmSchedule(m, owner);
        if (!geometry.isEmpty()) instance_->restoreGeometry(geometry);
    }
    instance_->show();
    instance_->raise();
    instance_->activateWindow();
    return instance_;
}

frmSchedule* frmSchedule::instance() {
    return instance_.data();
}

void frmSchedule::unload() {
    if (instance_) instance_->close();
}

void frmSchedule::buildControls() {
    auto named = [](auto* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    auto label = [&](const char* name, const char* caption, QWidget* buddy) {
        auto* l = named(new QLabel(QString::fromLatin1(caption), this), name);
        l->setBuddy(buddy);
        return l;
    };
    auto box = [&](const char* name, int maxLength, const char* tip) {
        auto* t = named(new QLineEdit(this), name);
        t->setMaxLength(maxLength);
        if (tip) t->setToolTip(QString::fromLatin1(tip));
        t->installEventFilter(this);
        return t;
    };
    auto dropDown = [&](const char* name, const char* tip) {
        auto* c = named(new QComboBox(this), name);
        if (tip) c->setToolTip(QString::fromLatin1(tip));
        return c;
    };

    lstDisplaySchedule_ = named(new QListView(this), "lstDisplaySchedule");
    lstDisplaySchedule_->setModel(&lines_);
    lstDisplaySchedule_->setToolTip(QStringLiteral("List of Schedules"));
    lstDisplaySchedule_->setAccessibleName(QStringLiteral("Schedules"));
    lstDisplaySchedule_->setUniformItemSizes(true);
    lstDisplaySchedule_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstDisplaySchedule_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstDisplaySchedule_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    lstDisplaySchedule_->installEventFilter(this);
    lstDisplaySchedule_->viewport()->installEventFilter(this);
    // The selection, not the current line: a list that gets the focus by Tab marks a current line
    // without selecting it, and that must not load an entry.
    connect(lstDisplaySchedule_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { runGuarded(m_, [this] { lstDisplaySchedule_Click(); }); });
    // A click on the line already selected loads it again, discarding what was typed.
    connect(lstDisplaySchedule_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() == rowAtPress_) runGuarded(m_, [this] { lstDisplaySchedule_Click(); });
    });
    lblScheduleNo_ = named(new QLabel(this), "lblScheduleNo");
    lblScheduleNo_->setMinimumWidth(60);
    lblScheduleNo_->setAlignment(Qt::AlignRight | Qt::AlignTop);

    txtPgmName_ = box("txtPgmName", ScheduleEntry::NameLength, "Enter the Name of the Program");
    lblPgmName_ = label("lblPgmName", "Program Name", txtPgmName_);
    txtSatLen_ = box("txtSatLen", ScheduleEntry::LengthLength,
                     "Enter the length of Program if you are using the Remote Start Holding Feature.  Format "
                     "must be MM:SS");
    lblPgmLen_ = label("lblPgmLen", "Length", txtSatLen_);
    // A stored code of three or more characters is shown whole, so Apply does not cut it.
    txtServProv_ = box("txtServProv", 32767, nullptr);
    txtServProv_->setValidator(typingLimit(2, txtServProv_));
    lblServProv_ = label("lblServProv", "Service Provider", txtServProv_);
    cboSatPort_ = dropDown("cboSatPort", "Norrid audio port");
    lblPgmPort_ = label("lblPgmPort", "Receiver Port", cboSatPort_);
    cboSatRoute_ = dropDown("cboSatRoute", "Audio Format");
    lblPgmRoute_ = label("lblPgmRoute", "Route", cboSatRoute_);
    cboReceiver_ = dropDown("cboReceiver", "When using two receivers, select receiver");
    lblReceiver_ = label("lblReceiver", "Receiver", cboReceiver_);
    cboSatAtt_ = dropDown("cboSatAtt", "Audio attenuation");
    lblPgmAtt_ = label("lblPgmAtt", "Attenuation", cboSatAtt_);

    lblRemote_ = named(new QLabel(QStringLiteral("Remote Start"), this), "lblRemote");
    remoteGroup_ = new QButtonGroup(this);
    const char* optionNames[3] = {"Option1", "Option2", "Option3"};
    const char* optionCaptions[3] = {"No", "Momentary ", "Holding"};
    const char* optionTips[3] = {
        "Do not issue a remote start command for this schedule",
        "Issue a Momentary Start command for this schedule",
        ("Issue a Start and Hold command for this schedule.  Command will stop at the end of the Program "
         "Length.  Be sure program length is entered as MM:SS")};
    for (int k = 0; k < 3; ++k) {
        Option_[k] = named(new QRadioButton(QString::fromLatin1(optionCaptions[k]), this), optionNames[k]);
        Option_[k]->setToolTip(QString::fromLatin1(optionTips[k]));
        remoteGroup_->addButton(Option_[k], k + 1);
        // Also when the display chooses it: the buffer's RemoteMode follows, with no other effect.
        connect(Option_[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on) m_.EntryBuf.RemoteMode = static_cast<int16_t>(k + 1);
        });
    }

    Label1_ = named(new QLabel(QStringLiteral("Time to Switch "), this), "Label1");
    for (int i = 0; i < 7; ++i) {
        const QByteArray index = QByteArray::number(i);
        auto* day = new DayCheckBox(QString::fromLatin1(kDayCaptions[i]), this);
        day->setObjectName(QStringLiteral("chkDay_") + QString::number(i));
        day->released = [this, i](Qt::MouseButton button, const QPoint& at) {
            chkDay_MouseUp(i, button, at);
        };
        chkDay_[i] = day;
        txtSwitchTime_[i] =
            box(("txtSwitchTime_" + index).constData(), ScheduleEntry::TimeLength, "Time program will start");
        txtSwitchTime_[i]->setAccessibleName(QString::fromLatin1(kDayCaptions[i]) +
                                             QStringLiteral(" switch time"));
        connect(txtSwitchTime_[i], &QLineEdit::textChanged, this, [this, i](const QString& text) {
            m_.EntryBuf.Times[i] = fitField(toCp1252(text), ScheduleEntry::TimeLength);
        });
    }

    cmdSwitch_ = named(new QPushButton(QStringLiteral("Switch"), this), "cmdSwitch");
    cmdNew_ = named(new QPushButton(QStringLiteral("New"), this), "cmdNew");
    cmdApply_ = named(new QPushButton(QStringLiteral("&Apply"), this), "cmdApply");
    cmdScheduleClose_ = named(new QPushButton(QStringLiteral("&Close"), this), "cmdScheduleClose");
    cmdDelete_ = named(new QPushButton(QStringLiteral("Delete"), this), "cmdDelete");
    auto click = [this](QPushButton* button, void (frmSchedule::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { runGuarded(m_, [&] { (this->*handler)(); }); });
    };
    click(cmdSwitch_, &frmSchedule::cmdSwitch_Click);
    click(cmdNew_, &frmSchedule::cmdNew_Click);
    click(cmdApply_, &frmSchedule::cmdApply_Click);
    click(cmdScheduleClose_, &frmSchedule::cmdScheduleClose_Click);
    click(cmdDelete_, &frmSchedule::cmdDelete_Click);

    // Layout: the list across the top with the record number to its right; the fields on the left,
    // the days on the right; the buttons along the bottom.
    menuBar_ = new QMenuBar(this);
    auto* top = new QHBoxLayout;
    top->addWidget(lstDisplaySchedule_, 1);
    top->addWidget(lblScheduleNo_, 0, Qt::AlignTop);

    auto* fieldsGrid = new QGridLayout;
    int row = 0;
    auto addField = [&](QLabel* l, QWidget* w) {
        fieldsGrid->addWidget(l, row, 0);
        fieldsGrid->addWidget(w, row++, 1);
    };
    addField(lblPgmName_, txtPgmName_);
    addField(lblPgmLen_, txtSatLen_);
    addField(lblServProv_, txtServProv_);
    addField(lblPgmPort_, cboSatPort_);
    addField(lblPgmRoute_, cboSatRoute_);
    addField(lblReceiver_, cboReceiver_);
    auto* options = new QVBoxLayout;
    for (QRadioButton* o : Option_)
        options->addWidget(o);
    fieldsGrid->addWidget(lblRemote_, row, 0, Qt::AlignTop);
    fieldsGrid->addLayout(options, row++, 1);
    fieldsGrid->setRowStretch(row, 1);
    txtPgmName_->setMinimumWidth(QFontMetrics(txtPgmName_->font()).horizontalAdvance(QString(26, 'W')) * 3 /
                                 4);
    txtSatLen_->setMaximumWidth(QFontMetrics(txtSatLen_->font()).horizontalAdvance(QStringLiteral("00:00")) +
                                24);
    txtServProv_->setMaximumWidth(txtSatLen_->maximumWidth());

    auto* daysGrid = new QGridLayout;
    daysGrid->addWidget(Label1_, 0, 0, 1, 2);
    for (int i = 0; i < 7; ++i) {
        daysGrid->addWidget(chkDay_[i], i + 1, 0);
        daysGrid->addWidget(txtSwitchTime_[i], i + 1, 1);
        txtSwitchTime_[i]->setMaximumWidth(
            QFontMetrics(txtSwitchTime_[i]->font()).horizontalAdvance(QStringLiteral("00:00:00")) + 24);
    }
    daysGrid->setRowStretch(8, 1);

    auto* middle = new QHBoxLayout;
    middle->addLayout(fieldsGrid, 3);
    middle->addSpacing(24);
    middle->addLayout(daysGrid, 1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdSwitch_, cmdNew_, cmdApply_, cmdScheduleClose_, cmdDelete_})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar_);
    layout->addLayout(top, 1);
    layout->addSpacing(8);
    layout->addLayout(middle);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    // Hidden until a line is selected or New is used; the places stay, so nothing jumps then. The
    // receiver and remote-start controls appear only when those are in use: no empty place for them.
    auto hideAtFirst = [](QWidget* w, bool keepPlace) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(keepPlace);
        w->setSizePolicy(policy);
        w->hide();
    };
    for (QWidget* w : std::initializer_list<QWidget*>{lblPgmName_, txtPgmName_, lblPgmLen_, txtSatLen_,
                                                      lblServProv_, txtServProv_, lblPgmPort_, cboSatPort_,
                                                      lblPgmRoute_, cboSatRoute_, Label1_})
        hideAtFirst(w, true);
    for (int i = 0; i < 7; ++i) {
        hideAtFirst(chkDay_[i], true);
        hideAtFirst(txtSwitchTime_[i], true);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{lblReceiver_, cboReceiver_, lblRemote_, Option_[0],
                                                      Option_[1], Option_[2]})
        hideAtFirst(w, false);
    // The attenuation list is never shown.
    lblPgmAtt_->hide();
    cboSatAtt_->hide();

    // Keyboard order: list, fields from top to bottom, the days, the buttons.
    QWidget* order[] = {lstDisplaySchedule_, txtPgmName_,  txtSatLen_, txtServProv_, cboSatPort_,
                        cboSatRoute_,        cboReceiver_, Option_[0], Option_[1],   Option_[2]};
    QWidget* previous = nullptr;
    auto chain = [&](QWidget* w) {
        if (previous) setTabOrder(previous, w);
        previous = w;
    };
    for (QWidget* w : order)
        chain(w);
    for (int i = 0; i < 7; ++i) {
        chain(chkDay_[i]);
        chain(txtSwitchTime_[i]);
    }
    for (QPushButton* b : {cmdSwitch_, cmdNew_, cmdApply_, cmdScheduleClose_, cmdDelete_})
        chain(b);

    resize(660, 600);
}

void frmSchedule::buildMenus() {
    mnuFiles_ = menuBar_->addMenu(QStringLiteral("&Files"));
    mnuFiles_->setObjectName(QStringLiteral("mnuFiles"));
    QAction* print = mnuFiles_->addAction(QStringLiteral("&Print Schedule"));
    print->setObjectName(QStringLiteral("mnuPrint"));
    connect(print, &QAction::triggered, this, [this] { runGuarded(m_, [this] { PrintSchedules(); }); });
    QAction* exit = mnuFiles_->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    // Unloads the editor only: an open conflict window stays.
    connect(exit, &QAction::triggered, this, &QWidget::close);
    // The desktop's keys: F10 opens the menu, Escape closes the window as its close box does (a
    // list or menu that is open takes Escape itself first).
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this, [this] {
        menuBar_->setFocus(Qt::MenuBarFocusReason);
        menuBar_->setActiveAction(mnuFiles_->menuAction());
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    // The day popup: not in the menu bar, opened on a day check box.
    mnuHiddenPopup_ = new QMenu(QStringLiteral("HiddenPopup"), this);
    mnuHiddenPopup_->setObjectName(QStringLiteral("mnuHiddenPopup"));
    auto item = [this](const char* name, const char* caption, std::function<void()> effect) {
        QAction* a = mnuHiddenPopup_->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, effect] { runGuarded(m_, effect); });
    };
    item("mnuHiddenPopupClear", "Clear All", [this] {
        for (int d = 0; d < 7; ++d) {
            setDayValue(d, 0);
            txtSwitchTime_[d]->clear();
        }
    });
    item("mnuHiddenPopupCopy", "Copy", [this] {
        CopyDayValue = static_cast<int16_t>(dayValue(PopupDayIndex));
        CopyTimeText = txtSwitchTime_[PopupDayIndex]->text();
    });
    item("mnuHiddenPopupPaste", "Paste", [this] { pasteDay(PopupDayIndex); });
    item("mnuHiddenPopupPasteAll", "Paste to All Days", [this] {
        for (int d = 0; d < 7; ++d)
            pasteDay(d);
    });
    item("mnuHiddenPopupPasteWeekdays", "Paste to All Weekdays", [this] {
        for (int d = 1; d <= 5; ++d)
            pasteDay(d);
    });
    item("mnuHiddenPopupDelete", "Delete", [this] {
        txtSwitchTime_[PopupDayIndex]->clear();
        setDayValue(PopupDayIndex, 0);
    });
}

void frmSchedule::Form_Load() {
    for (char c = 'A'; c <= 'F'; ++c)
        cboSatPort_->addItem(QString(QLatin1Char(c)));
    cboSatPort_->setCurrentIndex(0);
    cboSatRoute_->addItems({QStringLiteral("Stereo"), QStringLiteral("Left"), QStringLiteral("Right"),
                            QStringLiteral("Rev Stereo")});
    cboSatRoute_->setCurrentIndex(0);
    Option_[0]->setChecked(true);
    cboReceiver_->addItems({QStringLiteral("1"), QStringLiteral("2")});
    cboReceiver_->setCurrentIndex(-1);

    // The loop counter is CurRecordNo: afterwards it names the record after the last one, where an
    // Apply before any selection or New stores its entry.
    try {
        fillScheduleList(m_, lines_, false, m_.CurRecordNo);
    } catch (const std::exception& e) {
        m_.ShowMessage(QStringLiteral("The schedule list is incomplete: record %1 could not be read (%2)")
                           .arg(m_.CurRecordNo)
                           .arg(toQcError(e).text()));
        // That record exists: an Apply must not write over it before an entry is chosen.
        m_.CurRecordNo = 0;
    }
}

bool frmSchedule::event(QEvent* event) {
    // A message raised while the operator worked here must not stay hidden behind the editor.
    if (event->type() == QEvent::WindowActivate) frmError::bringToFront();
    return QWidget::event(event);
}

void frmSchedule::closeEvent(QCloseEvent* event) {
    // Closing unloads the editor; the schedule file stays open.
    if (instance_ == this) instance_ = nullptr;
    QWidget::closeEvent(event);
}

bool frmSchedule::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == lstDisplaySchedule_->viewport() && type == QEvent::MouseButtonPress) {
        listKeyboard_ = false;
        rowAtPress_ = listIndex();
    }
    if (type == QEvent::MouseButtonPress) {
        for (int i = 0; i < 7; ++i)
            if (watched == txtSwitchTime_[i]) SelTimeIndex = static_cast<int16_t>(i);
    }
    if (type != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == lstDisplaySchedule_) {
        if (key == Qt::Key_Delete) {
            frmDialog1::ask(m_, this);
            return true;
        }
        if (enter && txtPgmName_->isVisible()) {
            txtPgmName_->setFocus();
            return true;
        }
        // Moving through the list by keys keeps the focus there; a selection still loads its entry.
        listKeyboard_ = true;
        return false;
    }
    if (watched == txtPgmName_ && enter) {
        txtSatLen_->setFocus();
        return true;
    }
    if (watched == txtSatLen_ && enter) {
        txtServProv_->setFocus();
        return true;
    }
    for (int i = 0; i < 7; ++i) {
        if (watched != txtSwitchTime_[i]) continue;
        if (enter || key == Qt::Key_Down) {
            txtSwitchTime_[(i + 1) % 7]->setFocus();
            return true;
        }
        if (key == Qt::Key_Up) {
            txtSwitchTime_[(i + 6) % 7]->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

int frmSchedule::listIndex() const {
    const QModelIndexList selected = lstDisplaySchedule_->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void frmSchedule::setListIndex(int row) {
    if (row >= lines_.count()) row = lines_.count() - 1;
    QItemSelectionModel* selection = lstDisplaySchedule_->selectionModel();
    const bool same = row == listIndex();
    if (row < 0) {
        selection->clear();  // the current line as well
    } else {
        selection->setCurrentIndex(lines_.index(row), QItemSelectionModel::ClearAndSelect);
    }
    // Setting the line runs the selection even when it stays where it is.
    if (same) lstDisplaySchedule_Click();
}

int frmSchedule::topIndex() const {
    return lstDisplaySchedule_->indexAt(QPoint(1, 1)).row();
}

void frmSchedule::setTopIndex(int row) {
    if (row < 0 || row >= lines_.count()) return;
    lstDisplaySchedule_->scrollTo(lines_.index(row), QAbstractItemView::PositionAtTop);
}

void frmSchedule::showEditingControls() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{txtPgmName_, txtSatLen_, txtServProv_, cboSatPort_, cboSatRoute_,
                                         lblPgmName_, lblPgmLen_, lblServProv_, lblPgmPort_, lblPgmRoute_})
        w->show();
    if (m_.TwoReceivers == 1) {
        cboReceiver_->show();
        lblReceiver_->show();
    }
    if (m_.RemoteStartOn) {
        lblRemote_->show();
        for (QRadioButton* o : Option_)
            o->show();
    }
    Label1_->show();
    cmdApply_->show();
    for (int i = 0; i < 7; ++i) {
        txtSwitchTime_[i]->show();
        chkDay_[i]->show();
    }
}

void frmSchedule::lstDisplaySchedule_Click() {
    SelTimeIndex = -1;
    const int row = listIndex();
    if (row < 0) return;
    showEditingControls();
    m_.CurRecordNo = lines_.itemData(row);
    const ScheduleEntry shown = DisplaySchedule();
    // Receiver 0 (never chosen) shows no selection; a value no editor writes leaves it as it was.
    if (shown.Receiver >= 0 && shown.Receiver <= 2) cboReceiver_->setCurrentIndex(shown.Receiver - 1);
}

ScheduleEntry frmSchedule::DisplaySchedule() {
    lblScheduleNo_->setText(QString::number(m_.CurRecordNo));
    if (!(listKeyboard_ && lstDisplaySchedule_->hasFocus())) txtPgmName_->setFocus();
    if (!m_.GetRecord(m_.CurRecordNo)) throw QcError(63, QStringLiteral("Bad record number"));
    // A copy: the filling raises events that write into EntryBuf.
    const ScheduleEntry e = m_.EntryBuf;
    txtPgmName_->setText(fromCp1252(trimBlanks(e.Name)));
    txtSatLen_->setText(fromCp1252(trimBlanks(e.Length)));
    txtServProv_->setText(QString::number(e.SourceCode));
    // Values no editor writes leave the control as it was, so Apply never stores one back.
    if (e.Route >= 0 && e.Route < cboSatRoute_->count()) cboSatRoute_->setCurrentIndex(e.Route);
    const int port =
        cboSatPort_->findText(fromCp1252(e.Port.left(1)), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (port >= 0) cboSatPort_->setCurrentIndex(port);
    if (e.RemoteMode >= 1 && e.RemoteMode <= 3) Option_[e.RemoteMode - 1]->setChecked(true);
    for (int i = 0; i < 7; ++i) {
        setDayValue(i, e.Days[i]);
        txtSwitchTime_[i]->setText(fromCp1252(trimBlanks(e.Times[i])));
    }
    return e;
}

void frmSchedule::DisplaySchedules() {
    lines_.clear();
    int32_t counter = 0;  // CurRecordNo keeps its value
    fillScheduleList(m_, lines_, true, counter);
    int k = 0;
    while (k < lines_.count() && lines_.itemData(k) != m_.CurRecordNo)
        ++k;
    setListIndex(k - 1);
}

int frmSchedule::dayValue(int day) const {
    switch (chkDay_[day]->checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        default:
            return 0;
    }
}

void frmSchedule::setDayValue(int day, int value) {
    // 2 is a greyed box; a value no editor writes shows as not ticked, which is how the switching
    // treats it.
    chkDay_[day]->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

EditorFields frmSchedule::fields() const {
    EditorFields f;
    f.name = txtPgmName_->text();
    f.length = txtSatLen_->text();
    f.sourceCode = txtServProv_->text();
    f.port = cboSatPort_->currentIndex() >= 0 ? cboSatPort_->currentText() : QString();
    f.route = cboSatRoute_->currentIndex();
    f.attenuation = cboSatAtt_->currentText();
    f.receiverIndex = cboReceiver_->currentIndex();
    f.remoteOption = std::max(remoteGroup_->checkedId(), 0);
    for (int i = 0; i < 7; ++i) {
        f.days[i] = dayValue(i);
        f.times[i] = txtSwitchTime_[i]->text();
    }
    return f;
}

void frmSchedule::cmdNew_Click() {
    showEditingControls();
    m_.NewEntry();
    DisplaySchedule();
}

void frmSchedule::cmdApply_Click() {
    const QString refused = storeEntry(m_, fields());
    if (!refused.isEmpty()) {
        m_.ShowMessage(refused);
        return;
    }
    const int16_t receiver = m_.EntryBuf.Receiver;
    // The entry is on the disk. Whatever happens to the list, the next events follow it.
    runGuarded(m_, [this] {
        frmScheduleConflicts::load(m_, parentWidget());
        m_.lstConflicts.clear();
        const int top = topIndex();
        const int selected = listIndex();
        DisplaySchedules();
        setTopIndex(top);
        setListIndex(selected);
    });
    recomputeAfterApply(m_, receiver);
}

void frmSchedule::cmdDelete_Click() {
    if (SelTimeIndex != -1) {
        // Only that box; Apply stores it.
        txtSwitchTime_[SelTimeIndex]->clear();
        return;
    }
    frmDialog1::ask(m_, this);
}

void frmSchedule::cmdSwitch_Click() {
    const int row = listIndex();
    if (row < 0) return;
    switchEntry(m_, lines_.itemData(row));
}

void frmSchedule::cmdScheduleClose_Click() {
    frmScheduleConflicts::unload();
    close();
}

void frmSchedule::PrintSchedules() {
    std::vector<int32_t> records;
    records.reserve(lines_.count());
    for (const SortedList::Item& line : lines_.items())
        records.push_back(line.itemData);
    printing.PrintSchedules(m_, records);
}

void frmSchedule::chkDay_MouseUp(int day, Qt::MouseButton button, const QPoint& globalPos) {
    PopupDayIndex = static_cast<int16_t>(day);
    if (button == Qt::RightButton) mnuHiddenPopup_->popup(globalPos);
}

void frmSchedule::pasteDay(int day) {
    setDayValue(day, CopyDayValue);
    txtSwitchTime_[day]->setText(CopyTimeText);
}

}  // namespace qc
