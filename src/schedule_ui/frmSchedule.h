#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "ScheduleEditing.h"
#include "engine/ScheduleEntry.h"
#include "engine/SortedList.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;

namespace qc {

class Module1;

// Runs an event's work; an error is shown in the message window and never ends the program.
void runGuarded(Module1& m, const std::function<void()>& work);

// The schedule editor: the sorted list of active entries, the fields of the entry being edited,
// New, Apply, Delete, the manual switch, the day popup commands and printing. Non-modal: the clock
// keeps switching beside it. Every event reads the record it needs from the file or takes the values
// from the controls; only CurRecordNo, the record being edited, lives on between events.
class frmSchedule : public QWidget {
    Q_OBJECT
public:
    // The main window's "Schedules": created on first use and shown, or brought to the front.
    // A geometry from saveGeometry() places a new window where an earlier one stood.
    static frmSchedule* showEditor(Module1& m, QWidget* owner, const QByteArray& geometry = {});
    // The editor while it is loaded, else null.
    static frmSchedule* instance();
    static void unload();

    // Reads record CurRecordNo and shows it in the fields; returns the entry shown.
    ScheduleEntry DisplaySchedule();
    // Rebuilds the list from the file and selects the line above the current entry's line.
    void DisplaySchedules();
    void PrintSchedules();

    // The list's lines with their record numbers.
    SortedList& lstDisplayScheduleLines() { return lines_; }

    // Window-level state.
    int16_t SelTimeIndex = 0;   // time box last clicked; -1 none since the last line selection
    int16_t PopupDayIndex = 0;  // day check box last released: the day the popup commands act on
    int16_t CopyDayValue = 0;   // the day held by the popup Copy
    QString CopyTimeText;
    SchedulePrint printing;  // PageNumber, LineCount

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    frmSchedule(Module1& m, QWidget* owner);
    void buildControls();
    void buildMenus();
    void Form_Load();
    // The schedule was replaced from outside the editor.
    void reopen();

    int listIndex() const;
    // Sets the selected line (-1: none); like a click, this runs the line selection.
    void setListIndex(int row);
    int topIndex() const;
    void setTopIndex(int row);
    void lstDisplaySchedule_Click();
    void showEditingControls();
    EditorFields fields() const;
    int dayValue(int day) const;
    void setDayValue(int day, int value);

    void cmdNew_Click();
    void cmdApply_Click();
    void cmdDelete_Click();
    void cmdSwitch_Click();
    void cmdScheduleClose_Click();
    void chkDay_MouseUp(int day, Qt::MouseButton button, const QPoint& globalPos);
    void pasteDay(int day);

    Module1& m_;
    SortedList lines_{true};
    bool listKeyboard_ = false;  // the last input to the list was a key
    int rowAtPress_ = -1;

    QMenuBar* menuBar_;
    QMenu* mnuFiles_;
    QMenu* mnuHiddenPopup_;
    QListView* lstDisplaySchedule_;
    QLabel* lblScheduleNo_;
    QLabel* lblPgmName_;
    QLineEdit* txtPgmName_;
    QLabel* lblPgmLen_;
    QLineEdit* txtSatLen_;
    QLabel* lblServProv_;
    QLineEdit* txtServProv_;
    QLabel* lblPgmPort_;
    QComboBox* cboSatPort_;
    QLabel* lblPgmRoute_;
    QComboBox* cboSatRoute_;
    QLabel* lblReceiver_;
    QComboBox* cboReceiver_;
    QLabel* lblRemote_;
    QButtonGroup* remoteGroup_;
    std::array<QRadioButton*, 3> Option_;
    QLabel* Label1_;
    std::array<QCheckBox*, 7> chkDay_;
    std::array<QLineEdit*, 7> txtSwitchTime_;
    QLabel* lblPgmAtt_;
    QComboBox* cboSatAtt_;
    QPushButton* cmdSwitch_;
    QPushButton* cmdNew_;
    QPushButton* cmdApply_;
    QPushButton* cmdScheduleClose_;
    QPushButton* cmdDelete_;

    static QPointer<frmSchedule> instance_;
};

}  // namespace qc
