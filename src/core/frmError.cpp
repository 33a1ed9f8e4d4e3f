#include "frmError.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qc {

QPointer<frmError> frmError::instance_;

frmError::frmError(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmError"));
    setWindowTitle(QStringLiteral("Error Message"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    // A title bar with a close box only: the window is a notice, not a question.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgWarning"));
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblMessage_ = new QLabel(this);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setWordWrap(true);
    lblMessage_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblMessage_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblMessage_->setTextFormat(Qt::PlainText);
    lblMessage_->setMinimumWidth(300);
    QFont messageFont = lblMessage_->font();
    messageFont.setPointSizeF(messageFont.pointSizeF() * 1.15);
    lblMessage_->setFont(messageFont);

    OKButton_ = new QPushButton(QStringLiteral("OK"), this);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    OKButton_->setDefault(true);
    OKButton_->setMinimumWidth(90);
    connect(OKButton_, &QPushButton::clicked, this, &QWidget::close);

    auto* message = new QHBoxLayout;
    message->setSpacing(16);
    message->addWidget(icon, 0, Qt::AlignTop);
    message->addWidget(lblMessage_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton_);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(16);
    layout->addLayout(message, 1);
    layout->addLayout(buttons);

    resize(460, 160);
}

void frmError::ShowMessage(const QString& text, QWidget* owner) {
    // A window that is no longer on screen has been closed and is on its way out: start afresh.
    if (instance_ && !instance_->isVisible()) {
        instance_->deleteLater();
        instance_ = nullptr;
    }
    if (!instance_) {
        instance_ = new frmError(owner);
        instance_->show();
    }
    instance_->raise();
    instance_->activateWindow();
    instance_->lblMessage_->setText(text);
}

frmError* frmError::instance() {
    return instance_.data();
}

bool frmError::isShown() {
    return instance_ && instance_->isVisible();
}

void frmError::bringToFront() {
    if (!isShown()) return;
    instance_->raise();
    instance_->activateWindow();
}

void frmError::unload() {
    if (instance_) instance_->close();
}

}  // namespace qc
