#pragma once

#include <QFont>
#include <QMainWindow>

#include "platform/ServiceWatchdog.h"

class QAction;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QListView;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;

namespace qc {

class Module1;
class StationIo;

// The main window: the running clock, each receiver's next event and coming week, the file panel
// for loading and saving the schedule, and the menu. It only shows Module1's state and turns clicks
// and timer ticks into calls on Module1.
class mnuMenu : public QMainWindow {
    Q_OBJECT
public:
    explicit mnuMenu(Module1& m, QWidget* parent = nullptr);
    ~mnuMenu() override;

    // The window's load: runs the start-up procedure and starts the clock.
    void load();

    Module1& module() { return m_; }

    // Twips are the unit the form's positions were designed in.
    static constexpr int TwipsPerPixel = 15;
    static int twipsToPixels(int twips) { return (twips + TwipsPerPixel / 2) / TwipsPerPixel; }

    // Menu commands whose windows are opened by the subsystems that own them.
    QAction* mnuLoadSourceCodes;
    QAction* mnuSetUp;
    QAction* mnuStationIO;
    QAction* mnuServiceProviders;
    QAction* mnuSchedule;
    QAction* mnuSetReceiver;
    QAction* mnuSwitchSchedule;
    QAction* ActivityLog;
    QAction* mnuEB;
    QAction* mnuMPEG;
    QAction* mnuMonCon;
    QAction* mnuHelp;
    QAction* mnuAbout;

    // Engineering mode (--engineering): the menu items kept for the station engineer, hidden in
    // normal use, are shown, and the title bar says so.
    void setEngineeringMode(bool on);
    bool engineeringMode() const { return engineering_; }

    // The station I/O the "Station I/O" window configures; the item is unavailable without one.
    void setStationIo(StationIo* io);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void buildTimers();
    void fillDrives();

    // Mirrors Module1::view into the labels and the visibility of receiver 2's controls.
    void refreshView();
    // Moves the controls to the designed positions of the window state, and fits the rest around
    // them.
    void Form_Resize();
    void arrangeControls();

    void showFilePanel(const QString& caption);
    void hideFilePanel();
    void Drive1_Change();
    void Dir1_Change();
    // The folder the panel shows as chosen: the folder selected in Dir1, else the root of the drive
    // shown in Drive1; empty when that is the root of the file system and the operator did not
    // choose it.
    QString shownFolder() const;
    // Takes the shown folder for the next load or save; the button works only when there is one.
    void takeShownFolder();
    void cmdSave_Click();
    void mnuFileExit_Click();
    void showMessage(const QString& text);
    // The commands of the engineer's items: service providers, source codes, receiver set-up,
    // relay panel (mnuMenuEngineering.cpp).
    void connectEngineeringCommands();

    Module1& m_;
    bool engineering_ = false;
    StationIo* stationIo_ = nullptr;

    QWidget* form_;
    QLabel* lblClock_;
    QFont clockFont_;
    QLabel* label1_;
    QListView* lstNextToSwitch_;
    QLabel* Label5_;
    QLabel* Label2_;
    QLabel* Label3_;
    QListView* lstNextToSwitch2_;
    QLabel* Label6_;
    QLabel* Label4_;
    QLabel* lblPort_;
    QLabel* lblPlayTime_;
    QListView* List1_;
    QComboBox* Drive1_;
    QLabel* lblDrive_;  // the drive list's caption, so a screen reader names the list
    // The operator chose the drive shown; the root of the file system counts only then.
    bool driveChosen_ = false;
    QTreeView* Dir1_;
    QFileSystemModel* dirModel_;
    QPushButton* cmdSave_;
    QProgressBar* ProgressBar1_;
    QPushButton* Command1_;

    QMenu* mnuFile_;
    QMenu* mnuReceiverStatus_;
    QMenu* mnuHistory_;
    QAction* mnuLoadSchedules_;
    QAction* mnuSaveFiles_;
    QAction* mnuFileExit_;

    QTimer* tmrClock_;
    QTimer* Timer1_;
    QTimer* Timer2_;
    ServiceWatchdog watchdog_;
};

}  // namespace qc
