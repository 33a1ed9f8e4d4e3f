#pragma once

#include <QDialog>
#include <QPointer>
#include <cstdint>

class QLabel;
class QPushButton;

namespace qc {

class Module1;

// "Are You Sure?" before an entry is deleted. It asks about one record, the editor's entry at the
// moment it was asked, and OK frees that record and no other. It keeps the editor waiting until it
// is answered, and every way out (OK, Cancel, Escape, the close box) closes it. Cancel is the
// default: Enter alone deletes nothing.
class frmDialog1 : public QDialog {
    Q_OBJECT
public:
    // editor: the schedule editor, which the question belongs to and holds until it is answered. A
    // second request while the question is open only brings it to the front.
    static frmDialog1* ask(Module1& m, QWidget* editor);
    // The question while it is open, else null.
    static frmDialog1* instance();
    // The record the question is about.
    int32_t record() const { return record_; }

private:
    frmDialog1(Module1& m, QWidget* editor);
    void OKButton_Click();

    Module1& m_;
    const int32_t record_;
    QLabel* lblDialog1_;
    QPushButton* OKButton_;
    QPushButton* CancelButton_;

    static QPointer<frmDialog1> instance_;
};

}  // namespace qc
