#pragma once

#include <QPointer>
#include <QWidget>

class QListView;
class QPushButton;

namespace qc {

class Module1;

// The list of entries that the last conflict check found due at the same moment on one receiver.
// One window at a time: loaded (hidden) when a check first touches its list, shown when a check
// finds something, destroyed when closed. It shows Module1::lstConflicts, so a later check that
// finds nothing leaves an open window open and empty.
class frmScheduleConflicts : public QWidget {
    Q_OBJECT
public:
    // Creates the window hidden if it is not loaded; owner is the window it belongs to.
    static frmScheduleConflicts* load(Module1& m, QWidget* owner);
    // Follows a check: loaded in any case, shown non-modal when it found something.
    static void checked(Module1& m, QWidget* owner, bool found);
    static frmScheduleConflicts* instance();
    static void unload();

    QListView* lstConflicts() const { return lstConflicts_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    frmScheduleConflicts(Module1& m, QWidget* owner);

    QListView* lstConflicts_;
    QPushButton* cmdClose_;

    static QPointer<frmScheduleConflicts> instance_;
};

}  // namespace qc
