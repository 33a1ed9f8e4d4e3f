#pragma once

#include <QWidget>
#include <functional>

#include "ServiceProviderNames.h"

class QLineEdit;
class QListView;
class QPushButton;

namespace qc {

class Module1;

// The service provider names: the 64 numbered slots of SPNames.dat, listed by number ("Names") or by
// name ("Number"). Choosing a line puts its name into the text box; Apply stores the text in that
// slot, Delete empties it. SPNames.dat stays open while the window is open.
class frmServiceProvider : public QWidget {
    Q_OBJECT
public:
    explicit frmServiceProvider(Module1& m, QWidget* parent = nullptr);

    // The window's load: opens SPNames.dat (made with empty slots when missing) and lists it. When
    // the file cannot be opened the message window says why and the result is false.
    bool load();

    ServiceProviderNames& names() { return names_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void lstSerProv_Click(bool takeFocus);
    void cmdApply_Click();
    void cmdDelete_Click();
    void mnuView_Click(int index);
    // The slot of the selected line, or -1 after "No Name Selected" was shown.
    int selectedSlot();
    void reload();
    void guarded(const std::function<void()>& step);

    Module1& m_;
    ServiceProviderNames names_;
    QListView* lstSerProv_;
    QLineEdit* txtName_;
    QPushButton* cmdApply_;
    QPushButton* cmdDelete_;
    QPushButton* cmdClose_;
    bool reloading_ = false;
};

}  // namespace qc
