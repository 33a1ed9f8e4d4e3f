#include "frmAsRun.h"

#include <QAbstractTableModel>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AsRunListing.h"
#include "AsRunPdf.h"
#include "AsRunReport.h"
#include "AsRunSettings.h"
#include "core/Module1.h"
#include "core/WindowAccess.h"
#include "platform/TextDevice.h"

namespace qc {

// The rows of the report as the table shows them; a cell's text is made only when it is shown.
class AsRunTableModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void show(const AsRunReport* report) {
        beginResetModel();
        report_ = report;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !report_ ? 0 : int(report_->rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : AsRunColumns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!report_ || !index.isValid()) return {};
        if (role == Qt::DisplayRole) return asRunCell(report_->rows[size_t(index.row())], index.column());
        if (role == Qt::TextAlignmentRole && asRunNumberColumn(index.column()))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < AsRunColumns)
            return QString::fromLatin1(AsRunColumnTitles[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    const AsRunReport* report_ = nullptr;
};

namespace {
QPointer<frmAsRun> openWindow;
}  // namespace

frmAsRun::frmAsRun(Module1& m, QWidget* parent)
    : QWidget(parent, Qt::Window), m_(m), report_(std::make_unique<AsRunReport>()) {
    setObjectName(QStringLiteral("frmAsRun"));
    setWindowTitle(QStringLiteral("As-run report"));
    setAttribute(Qt::WA_DeleteOnClose);

    const QDate today = m_.clock().now().date();
    auto dateBox = [this](const char* name, const QString& caption, const QDate& date, QGridLayout* grid,
                          int column) {
        auto* box = new QDateEdit(date, this);
        box->setObjectName(QString::fromLatin1(name));
        box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        box->setCalendarPopup(true);
        box->setAccessibleName(caption);
        auto* label = new QLabel(QLatin1Char('&') + caption + QLatin1Char(':'), this);
        label->setBuddy(box);
        grid->addWidget(label, 0, column);
        grid->addWidget(box, 0, column + 1);
        connect(box, &QDateEdit::dateChanged, this, &frmAsRun::reload);
        return box;
    };
    auto* dates = new QGridLayout;
    dtpFrom_ = dateBox("dtpFrom", QStringLiteral("From"), today.addDays(-6), dates, 0);
    dtpTo_ = dateBox("dtpTo", QStringLiteral("To"), today, dates, 2);
    dates->setColumnStretch(4, 1);

    model_ = new AsRunTableModel(this);
    grdAsRun_ = new QTableView(this);
    grdAsRun_->setObjectName(QStringLiteral("grdAsRun"));
    grdAsRun_->setAccessibleName(QStringLiteral("As-run table"));
    grdAsRun_->setModel(model_);
    grdAsRun_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdAsRun_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdAsRun_->setTabKeyNavigation(false);  // Tab leaves the table; the arrows move in it
    grdAsRun_->setAlternatingRowColors(true);
    grdAsRun_->verticalHeader()->hide();
    // Every row is as high as the first: a year of rows is laid out at once.
    grdAsRun_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdAsRun_->verticalHeader()->setDefaultSectionSize(grdAsRun_->fontMetrics().height() + 6);
    grdAsRun_->horizontalHeader()->setStretchLastSection(true);

    grdTotals_ = new QTableWidget(0, 5, this);
    grdTotals_->setObjectName(QStringLiteral("grdTotals"));
    grdTotals_->setAccessibleName(QStringLiteral("Totals per programme"));
    grdTotals_->setHorizontalHeaderLabels({QStringLiteral("Programme"), QStringLiteral("Events"),
                                           QStringLiteral("Sent"), QStringLiteral("Failed"),
                                           QStringLiteral("Missed")});
    grdTotals_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdTotals_->setTabKeyNavigation(false);
    grdTotals_->verticalHeader()->hide();
    grdTotals_->verticalHeader()->setDefaultSectionSize(grdAsRun_->verticalHeader()->defaultSectionSize());
    grdTotals_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grdTotals_->setToolTip(QStringLiteral("Sent: one or both switch commands reached the receiver's port"));

    lblWarnings_ = new QLabel(this);
    lblWarnings_->setObjectName(QStringLiteral("lblWarnings"));
    lblWarnings_->setWordWrap(true);
    lblWarnings_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto button = [this](const char* name, const QString& caption, const QString& accessible,
                         const QString& tip, void (frmAsRun::*slot)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(accessible);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    cmdExportCsv_ =
        button("cmdExportCsv", QStringLiteral("Export &CSV"), QStringLiteral("Export CSV"),
               QStringLiteral("Save the rows as a CSV file for a spreadsheet"), &frmAsRun::exportCsv);
    cmdExportPdf_ = button("cmdExportPdf", QStringLiteral("Export P&DF"), QStringLiteral("Export PDF"),
                           QStringLiteral("Save the report as a PDF to send to a programme supplier"),
                           &frmAsRun::exportPdf);
    cmdPrint_ = button("cmdPrint", QStringLiteral("&Print"), QStringLiteral("Print"),
                       QStringLiteral("Print the report on the default printer"), &frmAsRun::print);
    auto* cmdClose = new QPushButton(QStringLiteral("C&lose"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdExportCsv_, cmdExportPdf_, cmdPrint_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(dates);
    layout->addWidget(grdAsRun_, 3);
    auto* totalsCaption = new QLabel(QStringLiteral("Tot&als per programme"), this);
    totalsCaption->setBuddy(grdTotals_);
    layout->addWidget(totalsCaption);
    layout->addWidget(grdTotals_, 1);
    layout->addWidget(lblWarnings_);
    layout->addLayout(buttons);

    askFileName = [this](const QString& caption, const QString& suggested) {
        return QFileDialog::getSaveFileName(this, caption, suggested);
    };
    enterPressesButtons(this);
    resize(1000, 640);
    reload();
}

frmAsRun::~frmAsRun() = default;

frmAsRun* frmAsRun::showReport(Module1& m, QWidget* owner) {
    if (!openWindow) openWindow = new frmAsRun(m, owner);
    openWindow->show();
    openWindow->raise();
    openWindow->activateWindow();
    return openWindow;
}

void frmAsRun::reload() {
    const QDate from = dtpFrom_->date(), to = dtpTo_->date();
    auto report = std::make_unique<AsRunReport>(AsRunReport::read(m_.paths().logsFolder(), from, to));
    model_->show(report.get());
    report_ = std::move(report);
    grdAsRun_->resizeColumnsToContents();

    const std::vector<AsRunReport::Totals> totals = report_->totals();
    grdTotals_->setRowCount(int(totals.size()));
    for (int i = 0; i < int(totals.size()); ++i) {
        const AsRunReport::Totals& t = totals[size_t(i)];
        const int values[] = {t.events, t.sent, t.failed, t.missed};
        grdTotals_->setItem(i, 0, new QTableWidgetItem(t.programme));
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(QString::number(values[c]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdTotals_->setItem(i, c + 1, item);
        }
    }
    QString note = from > to ? QStringLiteral("From is after To: no rows.") : QString();
    if (!report_->warnings.isEmpty())
        note = QStringLiteral("Skipped, not readable: ") +
               report_->warnings.mid(0, 5).join(QStringLiteral("; ")) +
               (report_->warnings.size() > 5 ? QStringLiteral("; ...") : QString());
    lblWarnings_->setText(note);
    lblWarnings_->setVisible(!note.isEmpty());
}

AsRunHeading frmAsRun::heading() const {
    return {AsRunSettings::read(m_.paths().file(QStringLiteral("Monitoring.ini"))).stationName, report_->from,
            report_->to, m_.clock().now()};
}

void frmAsRun::save(const QString& caption, const QString& suffix,
                    const std::function<bool(QIODevice&)>& write) {
    const QString suggested =
        QStringLiteral("as-run-%1-%2.%3")
            .arg(report_->from.toString(Qt::ISODate), report_->to.toString(Qt::ISODate), suffix);
    const QString path = askFileName(caption, suggested);
    if (path.isEmpty()) return;
    try {
        saveFile(path, write);
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).text());
    }
}

void frmAsRun::exportCsv() {
    save(QStringLiteral("Export CSV"), QStringLiteral("csv"),
         [this](QIODevice& out) { return out.write(report_->csv()) >= 0; });
}

void frmAsRun::exportPdf() {
    const AsRunHeading h = heading();
    save(QStringLiteral("Export PDF"), QStringLiteral("pdf"),
         [&](QIODevice& out) { return writeAsRunPdf(out, *report_, h, paperOf(paperLocale())); });
}

void frmAsRun::print() {
    try {
        const std::unique_ptr<TextDevice> printer = defaultPrinter();
        printAsRun(*printer, *report_, heading());
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).textOneBlank());
    }
}

}  // namespace qc
