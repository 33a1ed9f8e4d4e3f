#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace qc {

class Module1;
class StationIo;

// The Station I/O window of the SetUp menu: the keys of StationIO.ini, the inputs as they are now,
// a test of each output, and Save, which writes the file and puts the device in place at once.
// Non-modal: the clock keeps running while it is open.
class frmStationIO : public QWidget {
    Q_OBJECT
public:
    frmStationIO(StationIo& io, Module1& m, QWidget* parent = nullptr);

    // The window already open comes to the front, else a new one opens.
    static frmStationIO* showWindow(StationIo& io, Module1& m, QWidget* owner);

private:
    void buildControls();
    void Form_Load();
    void showDevice();
    void showInputs();
    void cmdSave_Click();

    StationIo& io_;
    Module1& m_;

    QComboBox* cboDevice_;
    QLineEdit* txtHost_;
    QLineEdit* txtPort_;
    QLineEdit* txtSerialDevice_;
    QLineEdit* txtBaud_;
    QComboBox* cboParity_;
    QLineEdit* txtDataBits_;
    QLineEdit* txtStopBits_;
    QLineEdit* txtUnit_;
    QLineEdit* txtRemoteStart1Coil_;
    QLineEdit* txtRemoteStart2Coil_;
    QLineEdit* txtAlarmInput_;
    QLineEdit* txtClockResetInput_;
    QCheckBox* chkInputsActiveLow_;
    QLabel* lblAlarmState_;
    QLabel* lblClockResetState_;
    QPushButton* cmdTest1_;
    QPushButton* cmdTest2_;
    QPushButton* cmdSave_;
    QPushButton* cmdClose_;
    QTimer* tmrInputs_;
};

}  // namespace qc
