#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

namespace qc {

// The about box: the program's title, version and credit line, and a button that starts the
// system's information program.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Shows the about box: created on first use, otherwise only brought to the front.
    static frmAbout* showAbout(QWidget* owner = nullptr);
    static frmAbout* instance();

    // "Version major.minor.revision" of this build.
    static QString versionText();

    // The system-information programs looked for on the PATH, in this order.
    static QStringList systemInfoPrograms();
    // Starts the first of them that is found, without a shell; when none is found or none starts,
    // a message box (that does not wait) says "System Information Is Unavailable At This Time".
    void StartSysInfo();

private:
    explicit frmAbout(QWidget* owner);
};

}  // namespace qc
