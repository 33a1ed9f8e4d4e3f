#pragma once

#include <QWidget>
#include <functional>
#include <memory>

class QDateEdit;
class QIODevice;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

namespace qc {

class Module1;
class AsRunTableModel;
struct AsRunReport;

// The window "As-run report": the rows of the as-run record for the dates From to To (at first
// the last seven days, today included), the totals per programme, and the report as CSV, as PDF
// or on the printer. It reads the files afresh whenever a date changes.
class frmAsRun : public QWidget {
    Q_OBJECT
public:
    explicit frmAsRun(Module1& m, QWidget* parent = nullptr);
    ~frmAsRun() override;

    // The History menu's command: created on first use, else brought to the front.
    static frmAsRun* showReport(Module1& m, QWidget* owner);

    // Asks for the file of an export: caption, suggested name; empty when cancelled. A file dialog
    // unless replaced.
    std::function<QString(const QString&, const QString&)> askFileName;

    const AsRunReport& report() const { return *report_; }

private:
    void reload();
    void exportCsv();
    void exportPdf();
    void print();
    void save(const QString& caption, const QString& suffix, const std::function<bool(QIODevice&)>& write);
    struct AsRunHeading heading() const;

    Module1& m_;
    std::unique_ptr<AsRunReport> report_;
    QDateEdit* dtpFrom_;
    QDateEdit* dtpTo_;
    QTableView* grdAsRun_;
    AsRunTableModel* model_;
    QTableWidget* grdTotals_;
    QLabel* lblWarnings_;
    QPushButton* cmdExportCsv_;
    QPushButton* cmdExportPdf_;
    QPushButton* cmdPrint_;
};

}  // namespace qc
