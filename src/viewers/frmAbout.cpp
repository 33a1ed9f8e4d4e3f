#include "frmAbout.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

namespace qc {

namespace {

QPointer<frmAbout> instance_;

// A dish under a signal: the program's mark where the desktop gives the program no icon.
QPixmap programIcon() {
    QPixmap icon(48, 48);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1b, 0x4f, 0x8a));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 46, 46), 9, 9);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(10, 14, 28, 28), 200 * 16, 140 * 16);  // the dish
    p.drawLine(QPointF(24, 36), QPointF(24, 42));
    p.drawLine(QPointF(17, 42), QPointF(31, 42));
    p.drawArc(QRectF(27, 6, 12, 12), 0, 90 * 16);  // the signal
    p.drawArc(QRectF(23, 2, 20, 20), 0, 90 * 16);
    return icon;
}

}  // namespace

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About QuillornControl"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(QApplication::windowIcon().isNull() ? programIcon()
                                                           : QApplication::windowIcon().pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* lblTitle = new QLabel(QStringLiteral("QuillornControl"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    lblTitle->setFont(titleFont);

    auto* lblVersion = new QLabel(versionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto* lblDescription = new QLabel(
        QStringLiteral(
            "QuillornControl for Linux, by the QuillornControl developers, released December 2026. "
            "Questions and reports: your station engineer, or the project's issue tracker."),
        this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDescription->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &QWidget::close);
    auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(18, 18, 18, 14);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(8);
    grid->addWidget(picIcon, 0, 0, 3, 1);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdSysInfo);
    grid->addLayout(buttons, 4, 0, 1, 2);
    setMinimumWidth(560);
}

frmAbout* frmAbout::showAbout(QWidget* owner) {
    if (!instance_) instance_ = new frmAbout(owner);
    instance_->show();
    instance_->raise();
    instance_->activateWindow();
    return instance_;
}

frmAbout* frmAbout::instance() {
    return instance_.data();
}

QString frmAbout::versionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(QC_VERSION_MAJOR)
        .arg(QC_VERSION_MINOR)
        .arg(QC_VERSION_PATCH);
}

QStringList frmAbout::systemInfoPrograms() {
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("lshw-gtk")};
}

void frmAbout::StartSysInfo() {
    for (const QString& name : systemInfoPrograms()) {
        const QString program = QStandardPaths::findExecutable(name);
        if (!program.isEmpty() && QProcess::startDetached(program, {})) return;
    }
    // A box that does not wait, so the clock goes on while it is on screen.
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("QuillornControl"),
                                QStringLiteral("System Information Is Unavailable At This Time"),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("sysInfoMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

}  // namespace qc
