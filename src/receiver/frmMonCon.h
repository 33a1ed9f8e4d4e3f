#pragma once

#include <QWidget>
#include <memory>

class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace qc {

class Module1;
class MonitorTerminal;
class SerialLine;

// The monitor and control terminal: any command line to a receiver, and everything the receiver
// sends back within a second. It has a serial line of its own.
class frmMonCon : public QWidget {
    Q_OBJECT
public:
    // On the serial line given (a test's), or on the program's own ports when none is.
    frmMonCon(Module1& m, SerialLine& line, QWidget* parent = nullptr);
    explicit frmMonCon(Module1& m, QWidget* parent = nullptr);
    ~frmMonCon() override;

    // The "Monitor and Control" command: the terminal already open comes to the front, else a new
    // one opens.
    static frmMonCon* showTerminal(Module1& m, QWidget* owner);

    // Sends MonitorCommand to the chosen receiver and shows what came back.
    void SendCommand();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void txtCommand_Change();
    void hotKey(const QByteArray& command);
    void recall(bool older);

    Module1& m_;
    std::unique_ptr<SerialLine> ownLine_;
    std::unique_ptr<MonitorTerminal> terminal_;

    QPlainTextEdit* lblMonitor_;
    QRadioButton* optRec1_;
    QRadioButton* optRec2_;
    QPushButton* cmdSend_;
    QLineEdit* txtCommand_;
    QPushButton* cmdDisplayReceiverExit_;
};

}  // namespace qc
