#include "frmScheduleConflicts.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Module1.h"

namespace qc {

QPointer<frmScheduleConflicts> frmScheduleConflicts::instance_;

frmScheduleConflicts::frmScheduleConflicts(Module1& m, QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmScheduleConflicts"));
    setWindowTitle(QStringLiteral("Schedule Conflicts"));
    setAttribute(Qt::WA_DeleteOnClose);

    lstConflicts_ = new QListView(this);
    lstConflicts_->setObjectName(QStringLiteral("lstConflicts"));
    lstConflicts_->setModel(&m.lstConflicts);
    lstConflicts_->setAccessibleName(QStringLiteral("Schedule Conflicts"));
    // Fixed pitch keeps the time and name columns of the copied lines aligned.
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    lstConflicts_->setFont(font);
    lstConflicts_->setUniformItemSizes(true);
    lstConflicts_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    cmdClose_ = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstConflicts_, 1);
    layout->addLayout(buttons);
    resize(QFontMetrics(font).horizontalAdvance(QString(46, QLatin1Char('M'))) + 40, 260);
}

frmScheduleConflicts* frmScheduleConflicts::load(Module1& m, QWidget* owner) {
    if (!instance_) instance_ = new frmScheduleConflicts(m, owner);
    return instance_;
}

void frmScheduleConflicts::checked(Module1& m, QWidget* owner, bool found) {
    frmScheduleConflicts* w = load(m, owner);
    if (!found) return;
    w->show();
    w->raise();
}

frmScheduleConflicts* frmScheduleConflicts::instance() {
    return instance_.data();
}

void frmScheduleConflicts::unload() {
    // Also a window loaded but never shown: closing destroys it.
    if (instance_) instance_->close();
}

void frmScheduleConflicts::closeEvent(QCloseEvent* event) {
    // Closed is unloaded, although the object goes only when the event loop comes round.
    if (instance_ == this) instance_ = nullptr;
    QWidget::closeEvent(event);
}

void frmScheduleConflicts::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace qc
