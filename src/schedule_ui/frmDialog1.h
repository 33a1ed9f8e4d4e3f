#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace qc {

class Module1;

// "Are You Sure?" before an entry is deleted. Non-modal: the editor stays usable while it is open,
// and OK deletes the entry the editor is on at that moment. One window: a second request shows it
// again.
class frmDialog1 : public QDialog {
    Q_OBJECT
public:
    // owner: the window the editor belongs to, where a new editor is opened after the deletion.
    static frmDialog1* ask(Module1& m, QWidget* owner);
    static frmDialog1* instance();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    frmDialog1(Module1& m, QWidget* owner);
    void OKButton_Click();

    Module1& m_;
    QLabel* lblDialog1_;
    QPushButton* OKButton_;
    QPushButton* CancelButton_;

    static QPointer<frmDialog1> instance_;
};

}  // namespace qc
