#include "frmMonitoring.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QSysInfo>
#include <QVBoxLayout>

#include "Monitoring.h"
#include "core/Module1.h"
#include "core/WindowAccess.h"

namespace qc {

namespace {

QPointer<frmMonitoring> openWindow;

}  // namespace

frmMonitoring::frmMonitoring(Monitoring& monitoring, Module1& m, QWidget* parent)
    : QWidget(parent, Qt::Window), monitoring_(monitoring), m_(m) {
    setObjectName(QStringLiteral("frmMonitoring"));
    setWindowTitle(QStringLiteral("Monitoring"));
    setAttribute(Qt::WA_DeleteOnClose);

    txtEbNoMinimum_ =
        named(new QDoubleSpinBox(this), "txtEbNoMinimum", "EbNo minimum",
              QStringLiteral("Readings below this many dB count as low; Off does not watch the EbNo."));
    txtEbNoMinimum_->setRange(0, 50);
    txtEbNoMinimum_->setDecimals(1);
    txtEbNoMinimum_->setSingleStep(0.5);
    txtEbNoMinimum_->setSuffix(QStringLiteral(" dB"));
    txtEbNoMinimum_->setSpecialValueText(QStringLiteral("Off"));
    txtLowReadings_ =
        named(new QSpinBox(this), "txtLowReadings", "Low readings",
              QStringLiteral("Low readings in a row that raise the alert; as many good ones clear it."));
    txtLowReadings_->setRange(1, 100);
    txtSilentAfter_ = named(new QSpinBox(this), "txtSilentAfter", "Silent after",
                            QStringLiteral("Exchanges in a row without an answer after which a receiver is "
                                           "reported as not answering."));
    txtSilentAfter_->setRange(1, 100);
    txtWebhookUrl_ = named(new QLineEdit(this), "txtWebhookUrl", "Webhook URL",
                           QStringLiteral("Each alert and its end is posted here as JSON; a chat channel's "
                                          "incoming webhook shows its text. Empty: no webhook."));
    txtWebhookUrl_->setPlaceholderText(QStringLiteral("https://chat.example.org/hooks/..."));
    txtMetricsFile_ = named(new QLineEdit(this), "txtMetricsFile", "Metrics file",
                            QStringLiteral("A file in Prometheus's text format for node_exporter's textfile "
                                           "collector. Empty: no file."));
    txtMetricsFile_->setPlaceholderText(QStringLiteral("/var/lib/prometheus/node-exporter/quillorn.prom"));
    chkDesktopNotifications_ = named(
        new QCheckBox(QStringLiteral("&Desktop notifications"), this), "chkDesktopNotifications",
        "Desktop notifications", QStringLiteral("Shows each alert and its end as a desktop notification."));
    txtStationName_ =
        named(new QLineEdit(this), "txtStationName", "Station name",
              QStringLiteral("The name the alerts and metrics give the station. Empty: the host name."));
    txtStationName_->setPlaceholderText(QSysInfo::machineHostName());
    cmdSendTestAlert_ = named(
        new QPushButton(QStringLiteral("Send &test alert"), this), "cmdSendTestAlert", "Send test alert",
        QStringLiteral("Sends a test alert, raised and cleared, with the settings in use."));
    cmdSave_ = named(new QPushButton(QStringLiteral("&Save"), this), "cmdSave", "Save",
                     QStringLiteral("Writes Monitoring.ini and puts it in use at once."));
    cmdClose_ = named(new QPushButton(QStringLiteral("&Close"), this), "cmdClose", "Close",
                      QStringLiteral("Closes the window without saving."));
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setAccessibleName(QStringLiteral("Monitoring status"));
    lblStatus_->setWordWrap(true);
    lblStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* form = new QFormLayout;
    auto row = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    row(QStringLiteral("&EbNo minimum:"), txtEbNoMinimum_);
    row(QStringLiteral("&Low readings:"), txtLowReadings_);
    row(QStringLiteral("S&ilent after:"), txtSilentAfter_);
    row(QStringLiteral("&Webhook URL:"), txtWebhookUrl_);
    row(QStringLiteral("&Metrics file:"), txtMetricsFile_);
    form->addRow(QString(), chkDesktopNotifications_);
    row(QStringLiteral("Station &name:"), txtStationName_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSendTestAlert_);
    buttons->addStretch(1);
    buttons->addWidget(cmdSave_);
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblStatus_);
    layout->addStretch(1);
    layout->addLayout(buttons);
    txtWebhookUrl_->setMinimumWidth(380);

    connect(cmdSave_, &QPushButton::clicked, this, &frmMonitoring::cmdSave_Click);
    connect(cmdSendTestAlert_, &QPushButton::clicked, this, &frmMonitoring::cmdSendTestAlert_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    connect(&monitoring_, &Monitoring::testAlertDone, lblStatus_,
            [this](const QString& text) { showValue(lblStatus_, text); });
    enterPressesButtons(this, cmdSave_);
    Form_Load();
}

void frmMonitoring::Form_Load() {
    const MonitoringSettings& s = monitoring_.settings();
    txtEbNoMinimum_->setValue(s.EbNoMinimum);
    txtLowReadings_->setValue(s.EbNoLowReadings);
    txtSilentAfter_->setValue(s.ReceiverSilentAfter);
    txtWebhookUrl_->setText(s.WebhookUrl);
    txtMetricsFile_->setText(s.MetricsFile);
    chkDesktopNotifications_->setChecked(s.DesktopNotifications);
    txtStationName_->setText(s.StationName);
}

MonitoringSettings frmMonitoring::fields() const {
    MonitoringSettings s = monitoring_.settings();
    s.EbNoMinimum = txtEbNoMinimum_->value();
    s.EbNoLowReadings = txtLowReadings_->value();
    s.ReceiverSilentAfter = txtSilentAfter_->value();
    s.WebhookUrl = txtWebhookUrl_->text().trimmed();
    s.MetricsFile = txtMetricsFile_->text().trimmed();
    s.DesktopNotifications = chkDesktopNotifications_->isChecked();
    s.StationName = txtStationName_->text().trimmed();
    return s;
}

void frmMonitoring::cmdSave_Click() {
    MonitoringSettings s = fields();
    const QStringList problems = checkMonitoringSettings(s);
    if (!problems.isEmpty()) {
        showValue(lblStatus_, QStringLiteral("Not saved: ") + problems.join(QLatin1Char(' ')));
        for (const QString& problem : problems)
            m_.ShowMessage(problem);
        return;
    }
    // The as-run record's key is its own: what the file holds now is kept.
    QStringList ignored;
    s.AsRunKeepDays = readMonitoringSettings(monitoring_.settingsPath(), ignored).AsRunKeepDays;
    try {
        writeMonitoringSettings(monitoring_.settingsPath(), s);
    } catch (const std::exception& e) {
        const QString text = toQcError(e).text();
        showValue(lblStatus_, QStringLiteral("Not saved: ") + text);
        m_.ShowMessage(text);
        return;
    }
    monitoring_.apply(s);
    showValue(lblStatus_, QStringLiteral("Saved; in use now."));
}

void frmMonitoring::cmdSendTestAlert_Click() {
    showValue(lblStatus_, QStringLiteral("Sending a test alert..."));
    monitoring_.sendTestAlert();
}

frmMonitoring* frmMonitoring::showWindow(Monitoring& monitoring, Module1& m, QWidget* owner) {
    if (!openWindow) openWindow = new frmMonitoring(monitoring, m, owner);
    openWindow->show();
    openWindow->raise();
    openWindow->activateWindow();
    return openWindow;
}

}  // namespace qc
