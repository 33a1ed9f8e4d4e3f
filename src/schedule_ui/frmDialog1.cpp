#include "frmDialog1.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Module1.h"
#include "frmSchedule.h"

namespace qc {

QPointer<frmDialog1> frmDialog1::instance_;

frmDialog1::frmDialog1(Module1& m, QWidget* owner) : QDialog(owner), m_(m) {
    setObjectName(QStringLiteral("frmDialog1"));
    setWindowTitle(QStringLiteral("Delete Schedule?"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    lblDialog1_ = new QLabel(QStringLiteral("Are You Sure?"), this);
    lblDialog1_->setObjectName(QStringLiteral("lblDialog1"));
    QFont font = lblDialog1_->font();
    font.setBold(true);
    font.setPointSize(12);
    lblDialog1_->setFont(font);
    lblDialog1_->setAlignment(Qt::AlignCenter);

    OKButton_ = new QPushButton(QStringLiteral("OK"), this);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    OKButton_->setDefault(true);
    CancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));
    connect(OKButton_, &QPushButton::clicked, this, [this] { runGuarded(m_, [this] { OKButton_Click(); }); });
    connect(CancelButton_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton_);
    buttons->addWidget(CancelButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 14);
    layout->setSpacing(16);
    layout->addWidget(lblDialog1_, 1);
    layout->addLayout(buttons);
}

frmDialog1* frmDialog1::ask(Module1& m, QWidget* owner) {
    if (!instance_) instance_ = new frmDialog1(m, owner);
    instance_->show();
    instance_->raise();
    instance_->activateWindow();
    return instance_;
}

frmDialog1* frmDialog1::instance() {
    return instance_.data();
}

void frmDialog1::reject() {
    // Escape answers Cancel.
    close();
}

void frmDialog1::closeEvent(QCloseEvent* event) {
    if (instance_ == this) instance_ = nullptr;
    QDialog::closeEvent(event);
}

void frmDialog1::OKButton_Click() {
    // The record the editor is on now, with whatever the buffer holds: the record becomes free.
    m_.DeleteEntry();
    Module1& m = m_;
    QWidget* owner = parentWidget();
    close();
    // The editor opens afresh, listing the schedule without the entry, where it stood before.
    QByteArray geometry;
    if (frmSchedule* old = frmSchedule::instance()) geometry = old->saveGeometry();
    frmSchedule::unload();
    frmSchedule::showEditor(m, owner, geometry);
    recomputeAfterDelete(m);
}

}  // namespace qc
