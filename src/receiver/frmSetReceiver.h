#pragma once

#include <QWidget>

class QCheckBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace qc {

class Module1;

// The receiver set-up: one audio set-up command (port, route, source code, attenuation) and the
// relay commands of that port, sent to receiver 1 or, while two are in use, to the chosen one.
class frmSetReceiver : public QWidget {
    Q_OBJECT
public:
    explicit frmSetReceiver(Module1& m, QWidget* parent = nullptr);

    // The window's load: the receiver choice, the lists with their first lines chosen, the source
    // codes of Source.dat, "View  Settings" checked.
    void Form_Load();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cmdSet_Click();

    Module1& m_;
    QRadioButton* Option1_;
    QRadioButton* Option2_;
    QListWidget* lstPort_;
    QListWidget* lstRoute_;
    QListWidget* lstLang_;
    QListWidget* lstAtt_;
    QCheckBox* Check1_;
    QPushButton* cmdSet_;
    QPushButton* cmdClose_;
};

}  // namespace qc
