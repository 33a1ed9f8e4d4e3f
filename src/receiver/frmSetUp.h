#pragma once

#include <QWidget>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace qc {

class Module1;
class SetUpChoices;

// The set-up dialog: serial ports, one or two receivers, speed, EbNo logging and its retention,
// activity log, remote control and the clock-reset minute. Non-modal; closing it by "Close", Escape
// or the frame saves the settings. The port lists always show the ports in force.
class frmSetUp : public QWidget {
    Q_OBJECT
public:
    explicit frmSetUp(Module1& m, QWidget* parent = nullptr);
    ~frmSetUp() override;

    // The "SetUp" command: the dialog already open comes to the front, else a new one opens.
    static frmSetUp* showSetUp(Module1& m, QWidget* owner);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void connectReactions();
    void Form_Load();

    Module1& m_;
    std::unique_ptr<SetUpChoices> choices_;
    bool closed_ = false;
    QByteArray refusedTime_;  // the reset time a close was refused for; closing again keeps the old one

    QLabel* Label3_;
    QListWidget* lstPortOne_;
    QLabel* Label4_;
    QListWidget* lstPortTwo_;
    QCheckBox* Check1_;
    QGroupBox* fraBaudSelect_;
    QRadioButton* optBaud1_;
    QRadioButton* optBaud2_;
    QLabel* lblHistoryEB_;
    QListWidget* lstHistoryEbNo_;
    QLabel* Label1_;
    QListWidget* lstSaveLogs_;
    QCheckBox* chkLog_;
    QCheckBox* chkRemote_;
    QCheckBox* chkMpeg_;
    QLabel* label2_;
    QLineEdit* txtClockResetTime_;
    QPushButton* cmdClose_;
};

}  // namespace qc
