#pragma once

#include <QDialog>

class QTextBrowser;

namespace qc {

// The help window: the operator's manual QuillornHelp.rtf from the program's shared data folder,
// or, when it cannot be read, a sentence saying where it should be.
class frmHelp : public QDialog {
    Q_OBJECT
public:
    // Shows the help window: created and loaded on first use, otherwise only brought to the front.
    // The folder is where the document is looked for; the installed shared data folder by default.
    static frmHelp* showHelp(QWidget* owner = nullptr, const QString& folder = QString());
    static frmHelp* instance();

    QTextBrowser* RichTextBox1() const { return RichTextBox1_; }

protected:
    bool event(QEvent* event) override;

private:
    explicit frmHelp(QWidget* owner);
    void load(const QString& folder);

    QTextBrowser* RichTextBox1_;
};

}  // namespace qc
