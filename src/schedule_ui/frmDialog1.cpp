#include "frmDialog1.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Module1.h"
#include "frmSchedule.h"

namespace qc {

QPointer<frmDialog1> frmDialog1::instance_;

frmDialog1::frmDialog1(Module1& m, QWidget* editor) : QDialog(editor), m_(m), record_(m.CurRecordNo) {
    setObjectName(QStringLiteral("frmDialog1"));
    setWindowTitle(QStringLiteral("Delete Schedule?"));
    setAttribute(Qt::WA_DeleteOnClose);
    // While the question is open the editor cannot move to another entry or close under it.
    setWindowModality(Qt::WindowModal);

    lblDialog1_ = new QLabel(QStringLiteral("Are You Sure?"), this);
    lblDialog1_->setObjectName(QStringLiteral("lblDialog1"));
    QFont font = lblDialog1_->font();
    font.setBold(true);
    font.setPointSize(12);
    lblDialog1_->setFont(font);
    lblDialog1_->setAlignment(Qt::AlignCenter);

    OKButton_ = new QPushButton(QStringLiteral("OK"), this);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    CancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));
    CancelButton_->setDefault(true);
    // The question is closed first, whatever the deletion meets.
    connect(OKButton_, &QPushButton::clicked, this, [this] {
        accept();
        runGuarded(m_, [this] { OKButton_Click(); });
    });
    connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    // Closed by any way (Escape and the close box reject it): a later request asks afresh.
    connect(this, &QDialog::finished, this, [this] {
        if (instance_ == this) instance_ = nullptr;
    });

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

frmDialog1* frmDialog1::ask(Module1& m, QWidget* editor) {
    if (!instance_) instance_ = new frmDialog1(m, editor);
    instance_->show();
    instance_->raise();
    instance_->activateWindow();
    instance_->CancelButton_->setFocus();
    return instance_;
}

frmDialog1* frmDialog1::instance() {
    return instance_.data();
}

void frmDialog1::OKButton_Click() {
    // The record asked about becomes free; it keeps its other fields, so nothing else changes.
    m_.CurRecordNo = record_;
    m_.GetRecord(record_);
    m_.DeleteEntry();
    // The editor opens afresh, listing the schedule without the entry, where it stood before. The
    // old one (and this question with it) goes when the event is over.
    auto* editor = qobject_cast<frmSchedule*>(parentWidget());
    QWidget* owner = editor ? editor->parentWidget() : nullptr;
    const QByteArray geometry = editor ? editor->saveGeometry() : QByteArray();
    frmSchedule::unload();
    frmSchedule::showEditor(m_, owner, geometry);
    recomputeAfterDelete(m_);
}

}  // namespace qc
