#pragma once

#include <QMainWindow>
#include <QPointer>

#include "LogViewer.h"

class QAction;
class QListView;
class QPushButton;
class QRadioButton;

namespace qc {

class Module1;

// What the activity/EbNo viewer and the MPEG viewer share: a day list and a log list in one place,
// Ok toggling between them, Close. The activity viewer adds the order options and Files > Print.
// The window mirrors its LogViewer and turns clicks and keys into its calls.
class LogWindow : public QMainWindow {
    Q_OBJECT
public:
    LogViewer& logic() { return logic_; }

protected:
    LogWindow(Module1& m, LogViewer::Window kind, QWidget* owner);
    // Created and loaded on first use, otherwise only brought to the front.
    template <typename W>
    static W* showOrRaise(QPointer<W>& instance, Module1& m, QWidget* owner) {
        if (!instance) {
            instance = new W(m, owner);
            instance->load();
        }
        instance->show();
        instance->raise();
        instance->activateWindow();
        return instance;
    }
    // The window's load: the day list, and the widths of the kind.
    void load();
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void arrange();

    LogViewer logic_;
    LogViewer::Window kind_;
    QWidget* form_;
    QListView* lstDate_;
    QListView* lstActivityLog_;
    QListView* lstSort_ = nullptr;
    QRadioButton* Option1_ = nullptr;
    QRadioButton* Option2_ = nullptr;
    QPushButton* cmdOk_;
    QPushButton* cmdClose_;
    bool wasShowing_ = false;
};

}  // namespace qc
