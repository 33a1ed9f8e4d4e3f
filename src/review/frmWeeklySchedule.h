#pragma once

#include <QWidget>

class QListView;
class QPushButton;

namespace qc {

class Module1;

// The weekly switch listing: Module1's lstWeeklySchedule in a fixed-pitch font, and the hidden
// work list lstSort. It changes nothing; the menu command rebuilds it.
class frmWeeklySchedule : public QWidget {
    Q_OBJECT
public:
    explicit frmWeeklySchedule(Module1& m, QWidget* parent = nullptr);

    // The "Switch Schedule" command: rebuilds the listing from the schedule file and shows it, in
    // the window already open or in a new one.
    static frmWeeklySchedule* showWeek(Module1& m, QWidget* owner);

private:
    QListView* lstWeeklySchedule_;
    QListView* lstSort_;
    QPushButton* cmdClose_;
};

}  // namespace qc
