#pragma once

#include <QWidget>
#include <memory>

#include "RelayPanel.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace qc {

class Module1;
class SerialLine;

// The receiver's relay status with an "Open" and a "Close" button per relay, in the mode that
// MonitorCommand gives at opening ("R R": relays 1 and 2, "R ER": relays 1 to 14), and the receiver
// it talks to.
class frmRelay : public QWidget {
    Q_OBJECT
public:
    // Without a line of its own given, the panel makes one on the data folder's ports.
    explicit frmRelay(Module1& m, SerialLine* line = nullptr, QWidget* parent = nullptr);
    ~frmRelay() override;

    // The window's load: the buttons of the mode and the first status answer.
    void Form_Load();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cmdR_Click(int index);
    void showReply();

    std::unique_ptr<SerialLine> ownLine_;
    RelayPanel panel_;
    QLabel* lblReceiver_;
    QPlainTextEdit* lblRelay_;
    QPushButton* cmdR_[RelayPanel::ButtonCount];
    QLabel* rowLabels_[RelayPanel::ButtonCount / 2];
    QPushButton* cmdClose_;
};

}  // namespace qc
