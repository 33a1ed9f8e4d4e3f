#include "frmWeeklySchedule.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/Module1.h"
#include "core/frmError.h"

namespace qc {

namespace {
QPointer<frmWeeklySchedule> openWindow;
}  // namespace

frmWeeklySchedule::frmWeeklySchedule(Module1& m, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmWeeklySchedule"));
    setAttribute(Qt::WA_DeleteOnClose);

    // Day, time, name and receiver stand in columns only in a fixed-pitch font.
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);

    lstWeeklySchedule_ = new QListView(this);
    lstWeeklySchedule_->setObjectName(QStringLiteral("lstWeeklySchedule"));
    lstWeeklySchedule_->setAccessibleName(QStringLiteral("Weekly switch schedule"));
    lstWeeklySchedule_->setModel(&m.lstWeeklySchedule);
    lstWeeklySchedule_->setFont(courier);
    lstWeeklySchedule_->setUniformItemSizes(true);
    lstWeeklySchedule_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstWeeklySchedule_->setSelectionMode(QAbstractItemView::SingleSelection);

    lstSort_ = new QListView(this);
    lstSort_->setObjectName(QStringLiteral("lstSort"));
    lstSort_->setModel(&m.lstSort);
    lstSort_->setUniformItemSizes(true);
    lstSort_->hide();

    cmdClose_ = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstWeeklySchedule_, 1);
    layout->addWidget(lstSort_);
    layout->addLayout(buttons);

    // Wide enough for a whole line: day, time, 25-character name and receiver tag.
    const int lineWidth = QFontMetrics(courier).horizontalAdvance(QString(46, QLatin1Char('W')));
    resize(lineWidth + 60, 480);
}

frmWeeklySchedule* frmWeeklySchedule::showWeek(Module1& m, QWidget* owner) {
    bool failed = false;
    try {
        m.BuildWeeklySchedule();
    } catch (const std::exception& e) {
        // A schedule file that cannot be read leaves the listing empty; the message says why.
        m.ShowMessage(toQcError(e).text());
        failed = true;
    }
    if (!openWindow) openWindow = new frmWeeklySchedule(m, owner);
    openWindow->setWindowTitle(QStringLiteral("Weekly Switch Schedule"));
    openWindow->show();
    openWindow->raise();
    openWindow->activateWindow();
    if (failed) frmError::bringToFront();
    return openWindow;
}

}  // namespace qc
