#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace qc {

// The one message window of the program. It never waits for the operator: showing a message
// returns at once, so the clock keeps running while the text is on screen. A new message replaces
// the text of the one still shown; "OK" or the frame closes and destroys the window, and the next
// message creates it again.
class frmError : public QDialog {
    Q_OBJECT
public:
    // Shows the window (created on first use, otherwise only brought to the front), then sets the
    // text. The owner is the window the message window stays in front of; it is used only when
    // the window is created.
    static void ShowMessage(const QString& text, QWidget* owner = nullptr);

    // The window while it is loaded, else null.
    static frmError* instance();
    // Whether the message window is on screen.
    static bool isShown();
    // Gives the message window the focus when it is on screen, so a message is never left hidden
    // behind the window the operator clicked. Every window calls this when it becomes active.
    static void bringToFront();
    // Closes (destroys) the window if it is loaded.
    static void unload();

    QLabel* lblMessage() const { return lblMessage_; }
    QPushButton* OKButton() const { return OKButton_; }

private:
    explicit frmError(QWidget* owner);

    QLabel* lblMessage_;
    QPushButton* OKButton_;

    static QPointer<frmError> instance_;
};

}  // namespace qc
