#pragma once

#include <QFont>
#include <QMainWindow>
#include <QPointer>

#include "MessageRepeats.h"
#include "platform/ServiceWatchdog.h"

class QAction;
class QComboBox;
class QLabel;
class QListView;
class QMenu;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;

namespace qc {

class FolderTree;
class Module1;
class StopSignals;
class Monitoring;
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
    QAction* mnuMonitoring = nullptr;  // in the SetUp menu, with a monitoring to configure

    // Engineering mode (--engineering): the menu items kept for the station engineer, hidden in
    // normal use, are shown, and the title bar says so.
    void setEngineeringMode(bool on);
    bool engineeringMode() const { return engineering_; }

    // The station's health for the run: its lines beside each receiver's next event and under the
    // lists, and the Monitoring window of the SetUp menu. Set before load(), which starts it.
    void setMonitoring(Monitoring* monitoring);
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
    void showHealthLines();
    void Drive1_Change();
    void Dir1_Change();
    // Shows the folder in the panel: its drive in Drive1, the drive's folders in Dir1, opened down
    // to it and selected; empty: the first drive, nothing chosen.
    void showFolder(const QString& folder);
    // The folder the panel shows as chosen: the folder selected in Dir1, else the one it opened on
    // or the drive chosen in Drive1. Empty when nothing is chosen.
    QString shownFolder() const;
    // Takes the shown folder for the next load or save; the button works only when there is one.
    void takeShownFolder();
    void cmdSave_Click();
    void mnuFileExit_Click();
    void showMessage(const QString& text);
    // The commands of the engineer's items: service providers, source codes, receiver set-up,
    // relay panel (mnuMenuEngineering.cpp).
    void connectEngineeringCommands();
    // How the program stops (mnuMenuStop.cpp): Exit and the close box ask the operator first; a stop
    // the session or a signal asks for is not questioned; every stop goes to the activity log with
    // its cause.
    void connectStopRequests();
    void askToStop();
    void stopBy(const QString& cause);
    void logStop(const QString& cause);
    void refreshHealth();

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
    QLabel* lblHealth1_ = nullptr;  // "Receiver 1 health"
    QLabel* lblHealth2_ = nullptr;  // "Receiver 2 health"
    QLabel* lblStationHealth_;      // "Station health"
    Monitoring* monitoring_ = nullptr;
    QLabel* lblPlayTime_;
    QListView* List1_;
    QComboBox* Drive1_;
    QLabel* lblDrive_;  // the drive list's caption, so a screen reader names the list
    // The chosen folder while no folder of Dir1 is selected.
    QString panelFolder_;
    QTreeView* Dir1_;
    FolderTree* dirModel_;
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
    MessageRepeats repeats_;

    StopSignals* stopSignals_ = nullptr;
    QPointer<QMessageBox> stopQuestion_;
    QString stopCause_;  // set once a stop is decided
    bool sessionEnding_ = false;
    bool stopLogged_ = false;
};

}  // namespace qc
