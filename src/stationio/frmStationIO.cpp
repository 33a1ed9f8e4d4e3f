#include "frmStationIO.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "StationIo.h"
#include "core/Module1.h"
#include "core/WindowAccess.h"
#include "core/frmError.h"

namespace qc {

namespace {

QPointer<frmStationIO> openWindow;

QLineEdit* field(const char* name, const char* accessible, const QString& toolTip, int width = 8) {
    auto* box = named(new QLineEdit, name, accessible, toolTip);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QString(width, QLatin1Char('0'))) + 16);
    return box;
}

// Selects the item of that value; a value the list does not offer is shown as it is written, so
// Save names it rather than putting another in its place.
void selectValue(QComboBox* box, const QString& value) {
    int index = box->findData(value, Qt::UserRole, Qt::MatchFixedString);
    if (index < 0) {
        box->addItem(value, value);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

}  // namespace

frmStationIO::frmStationIO(StationIo& io, Module1& m, QWidget* parent)
    : QWidget(parent, Qt::Window), io_(io), m_(m) {
    setObjectName(QStringLiteral("frmStationIO"));
    setWindowTitle(QStringLiteral("Station I/O"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    enterPressesButtons(this, cmdSave_);
    Form_Load();
}

void frmStationIO::buildControls() {
    // Created in the order the Tab key goes through them.
    cboDevice_ = named(new QComboBox, "cboDevice", "Station I/O device",
                       QStringLiteral("Where the automation's remote-start outputs and alarm and clock-reset "
                                      "inputs are wired: the parallel port, or a Modbus module"));
    cboDevice_->addItem(QStringLiteral("Parallel port"), QStringLiteral("parallel"));
    cboDevice_->addItem(QStringLiteral("Modbus TCP"), QStringLiteral("modbus-tcp"));
    cboDevice_->addItem(QStringLiteral("Modbus RTU"), QStringLiteral("modbus-rtu"));
    txtHost_ = named(new QLineEdit, "txtHost", "Modbus host",
                     QStringLiteral("The module's network address or host name"));
    txtPort_ = field("txtPort", "Modbus port", QStringLiteral("The module's TCP port, 502 for most modules"));
    txtSerialDevice_ =
        named(new QLineEdit, "txtSerialDevice", "Serial device",
              QStringLiteral("The RS-485 adapter: a path such as /dev/ttyUSB0, or COM1 to COM8 "
                             "found as the receivers' serial ports are"));
    txtBaud_ = field("txtBaud", "Baud rate", QStringLiteral("The bus speed, as set on the module"));
    cboParity_ =
        named(new QComboBox, "cboParity", "Parity", QStringLiteral("The bus parity, as set on the module"));
    cboParity_->addItem(QStringLiteral("N (none)"), QStringLiteral("N"));
    cboParity_->addItem(QStringLiteral("E (even)"), QStringLiteral("E"));
    cboParity_->addItem(QStringLiteral("O (odd)"), QStringLiteral("O"));
    txtDataBits_ =
        field("txtDataBits", "Data bits", QStringLiteral("Data bits of each character, 8 for most"));
    txtStopBits_ = field("txtStopBits", "Stop bits", QStringLiteral("Stop bits of each character, 1 or 2"));
    txtUnit_ = field("txtUnit", "Unit", QStringLiteral("The module's unit (slave) address"));
    const QString address = QStringLiteral(" (zero-based protocol address)");
    txtRemoteStart1Coil_ =
        field("txtRemoteStart1Coil", "Remote start 1 coil",
              QStringLiteral("The coil wired to the automation's remote start of receiver 1") + address);
    cmdTest1_ =
        named(new QPushButton(QStringLiteral("Test remote start 1")), "cmdTest_1", "Test remote start 1",
              QStringLiteral("Switches remote start 1 on for one second, as saved"));
    txtRemoteStart2Coil_ =
        field("txtRemoteStart2Coil", "Remote start 2 coil",
              QStringLiteral("The coil wired to the automation's remote start of receiver 2") + address);
    cmdTest2_ =
        named(new QPushButton(QStringLiteral("Test remote start 2")), "cmdTest_2", "Test remote start 2",
              QStringLiteral("Switches remote start 2 on for one second, as saved"));
    txtAlarmInput_ =
        field("txtAlarmInput", "Alarm input",
              QStringLiteral("The discrete input wired to the automation's alarm contact") + address);
    lblAlarmState_ = named(new QLabel, "lblAlarmState", "Alarm input state", {});
    txtClockResetInput_ =
        field("txtClockResetInput", "Clock reset input",
              QStringLiteral("The discrete input wired to the automation's clock-reset pulse") + address);
    lblClockResetState_ = named(new QLabel, "lblClockResetState", "Clock reset input state", {});
    chkInputsActiveLow_ = named(new QCheckBox(QStringLiteral("Inputs active &low")), "chkInputsActiveLow",
                                "Inputs active low", QStringLiteral("Check when a closed contact reads 0"));
    cmdSave_ = named(new QPushButton(QStringLiteral("&Save")), "cmdSave", "Save",
                     QStringLiteral("Writes StationIO.ini and puts the device in place at once"));
    cmdClose_ = named(new QPushButton(QStringLiteral("Close")), "cmdClose", "Close",
                      QStringLiteral("Closes the window; what was not saved is left"));

    auto* form = new QFormLayout;
    auto row = [&](const QString& caption, QWidget* control, QWidget* beside = nullptr) {
        auto* label = new QLabel(caption);
        label->setBuddy(control);
        if (!beside) {
            form->addRow(label, control);
            return;
        }
        auto* pair = new QHBoxLayout;
        pair->addWidget(control);
        pair->addWidget(beside);
        pair->addStretch(1);
        form->addRow(label, pair);
    };
    row(QStringLiteral("Station I/O &device"), cboDevice_);
    row(QStringLiteral("Modbus &host"), txtHost_);
    row(QStringLiteral("Modbus &port"), txtPort_);
    row(QStringLiteral("S&erial device"), txtSerialDevice_);
    row(QStringLiteral("&Baud rate"), txtBaud_);
    row(QStringLiteral("Pa&rity"), cboParity_);
    row(QStringLiteral("Data bi&ts"), txtDataBits_);
    row(QStringLiteral("Stop b&its"), txtStopBits_);
    row(QStringLiteral("&Unit"), txtUnit_);
    row(QStringLiteral("Remote start &1 coil"), txtRemoteStart1Coil_, cmdTest1_);
    row(QStringLiteral("Remote start &2 coil"), txtRemoteStart2Coil_, cmdTest2_);
    row(QStringLiteral("&Alarm input"), txtAlarmInput_, lblAlarmState_);
    row(QStringLiteral("&Clock reset input"), txtClockResetInput_, lblClockResetState_);
    form->addRow(QString(), chkInputsActiveLow_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave_);
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(cboDevice_, &QComboBox::currentIndexChanged, this, &frmStationIO::showDevice);
    connect(cmdTest1_, &QPushButton::clicked, this, [this] { io_.testOutput(1); });
    connect(cmdTest2_, &QPushButton::clicked, this, [this] { io_.testOutput(2); });
    connect(cmdSave_, &QPushButton::clicked, this, &frmStationIO::cmdSave_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    // The inputs as they are, a few times a second while the window is open.
    tmrInputs_ = new QTimer(this);
    tmrInputs_->setObjectName(QStringLiteral("tmrInputs"));
    connect(tmrInputs_, &QTimer::timeout, this, &frmStationIO::showInputs);
    tmrInputs_->start(200);
}

void frmStationIO::Form_Load() {
    // What the file says, as written; what it leaves out, the defaults.
    const StationIoFile file = StationIoFile::read(m_.paths());
    QMap<QString, QString> values = StationIoSettings().values();
    values.insert(file.values);
    selectValue(cboDevice_, values.value(QStringLiteral("Device")).trimmed());
    selectValue(cboParity_, values.value(QStringLiteral("Parity")).trimmed());
    const std::pair<const char*, QLineEdit*> boxes[] = {
        {"Host", txtHost_},
        {"Port", txtPort_},
        {"SerialDevice", txtSerialDevice_},
        {"Baud", txtBaud_},
        {"DataBits", txtDataBits_},
        {"StopBits", txtStopBits_},
        {"Unit", txtUnit_},
        {"RemoteStart1Coil", txtRemoteStart1Coil_},
        {"RemoteStart2Coil", txtRemoteStart2Coil_},
        {"AlarmInput", txtAlarmInput_},
        {"ClockResetInput", txtClockResetInput_},
    };
    for (const auto& [key, box] : boxes)
        box->setText(values.value(QString::fromLatin1(key)));
    const QString low = values.value(QStringLiteral("InputsActiveLow")).trimmed().toLower();
    chkInputsActiveLow_->setChecked(low == QLatin1String("1") || low == QLatin1String("true"));
    showDevice();
    showInputs();
}

void frmStationIO::showDevice() {
    const QString device = cboDevice_->currentData().toString();
    const bool tcp = device == QLatin1String("modbus-tcp");
    const bool rtu = device == QLatin1String("modbus-rtu");
    for (QWidget* w : {static_cast<QWidget*>(txtHost_), static_cast<QWidget*>(txtPort_)})
        w->setEnabled(tcp);
    for (QWidget* w : {static_cast<QWidget*>(txtSerialDevice_), static_cast<QWidget*>(txtBaud_),
                       static_cast<QWidget*>(cboParity_), static_cast<QWidget*>(txtDataBits_),
                       static_cast<QWidget*>(txtStopBits_)})
        w->setEnabled(rtu);
    for (QWidget* w :
         {static_cast<QWidget*>(txtUnit_), static_cast<QWidget*>(txtRemoteStart1Coil_),
          static_cast<QWidget*>(txtRemoteStart2Coil_), static_cast<QWidget*>(txtAlarmInput_),
          static_cast<QWidget*>(txtClockResetInput_), static_cast<QWidget*>(chkInputsActiveLow_)})
        w->setEnabled(tcp || rtu);
}

void frmStationIO::showInputs() {
    const ModbusStationPort::Inputs inputs = io_.inputs();
    auto show = [&](QLabel* label, bool active) {
        const QString text = !io_.inUse()    ? QStringLiteral("Station I/O off")
                             : !inputs.known ? QStringLiteral("No answer")
                             : active        ? QStringLiteral("Active")
                                             : QStringLiteral("Not active");
        showValue(label, text);
    };
    show(lblAlarmState_, inputs.alarm);
    show(lblClockResetState_, inputs.clockReset);
}

void frmStationIO::cmdSave_Click() {
    QMap<QString, QString> values{
        {QStringLiteral("Device"), cboDevice_->currentData().toString()},
        {QStringLiteral("Host"), txtHost_->text()},
        {QStringLiteral("Port"), txtPort_->text()},
        {QStringLiteral("SerialDevice"), txtSerialDevice_->text()},
        {QStringLiteral("Baud"), txtBaud_->text()},
        {QStringLiteral("Parity"), cboParity_->currentData().toString()},
        {QStringLiteral("DataBits"), txtDataBits_->text()},
        {QStringLiteral("StopBits"), txtStopBits_->text()},
        {QStringLiteral("Unit"), txtUnit_->text()},
        {QStringLiteral("RemoteStart1Coil"), txtRemoteStart1Coil_->text()},
        {QStringLiteral("RemoteStart2Coil"), txtRemoteStart2Coil_->text()},
        {QStringLiteral("AlarmInput"), txtAlarmInput_->text()},
        {QStringLiteral("ClockResetInput"), txtClockResetInput_->text()},
        {QStringLiteral("InputsActiveLow"),
         chkInputsActiveLow_->isChecked() ? QStringLiteral("1") : QStringLiteral("0")},
    };
    QString bad;
    const StationIoSettings settings = StationIoSettings::fromValues(values, &bad);
    if (!bad.isEmpty()) {
        m_.ShowMessage(QStringLiteral("Station I/O: ") + StationIoFile::badValue(bad, values.value(bad)) +
                       QStringLiteral("; nothing was saved"));
        return;
    }
    try {
        StationIoFile::write(m_.paths(), settings);
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).text());
        return;
    }
    io_.apply(settings);
    showInputs();
}

frmStationIO* frmStationIO::showWindow(StationIo& io, Module1& m, QWidget* owner) {
    if (!openWindow) openWindow = new frmStationIO(io, m, owner);
    openWindow->show();
    openWindow->raise();
    openWindow->activateWindow();
    return openWindow;
}

}  // namespace qc
