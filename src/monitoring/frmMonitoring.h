#pragma once

#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace qc {

class Module1;
class Monitoring;
struct MonitoringSettings;

// The Monitoring window of the SetUp menu: edits Monitoring.ini, and "Save" puts it in use at once.
// "Send test alert" sends a test alert to the webhook and the desktop. Non-modal.
class frmMonitoring : public QWidget {
    Q_OBJECT
public:
    frmMonitoring(Monitoring& monitoring, Module1& m, QWidget* parent = nullptr);

    // The "Monitoring" command: the window already open comes to the front, else a new one opens.
    static frmMonitoring* showWindow(Monitoring& monitoring, Module1& m, QWidget* owner);

private:
    void Form_Load();
    MonitoringSettings fields() const;
    void cmdSave_Click();
    void cmdSendTestAlert_Click();

    Monitoring& monitoring_;
    Module1& m_;
    QDoubleSpinBox* txtEbNoMinimum_;
    QSpinBox* txtLowReadings_;
    QSpinBox* txtSilentAfter_;
    QLineEdit* txtWebhookUrl_;
    QLineEdit* txtMetricsFile_;
    QCheckBox* chkDesktopNotifications_;
    QLineEdit* txtStationName_;
    QPushButton* cmdSendTestAlert_;
    QPushButton* cmdSave_;
    QPushButton* cmdClose_;
    QLabel* lblStatus_;
};

}  // namespace qc
