#include "frmHelp.h"

#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "RtfReader.h"
#include "core/frmError.h"
#include "platform/Paths.h"

namespace qc {

namespace {
QPointer<frmHelp> instance_;
// A help document is a few hundred kilobytes; anything far larger is not one.
constexpr qint64 MaxDocumentBytes = 64 * 1024 * 1024;
}  // namespace

frmHelp::frmHelp(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);

    RichTextBox1_ = new QTextBrowser(this);
    RichTextBox1_->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1_->setAccessibleName(QStringLiteral("Help document"));
    RichTextBox1_->setOpenLinks(false);
    // Lists put a tab between the bullet and the text; a short stop keeps them together.
    RichTextBox1_->setTabStopDistance(24);

    auto* cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichTextBox1_, 1);
    layout->addLayout(buttons);
    resize(760, 600);
}

void frmHelp::load(const QString& folder) {
    QFile file(folder + QStringLiteral("/QuillornHelp.rtf"));
    if (file.open(QIODevice::ReadOnly) && file.size() <= MaxDocumentBytes) {
        RichTextBox1_->setHtml(readRtf(file.readAll()).toHtml());
        return;
    }
    RichTextBox1_->setPlainText(
        QStringLiteral("The file QuillornHelp.rtf was not found.  It should be located in folder %1.")
            .arg(folder));
}

frmHelp* frmHelp::showHelp(QWidget* owner, const QString& folder) {
    if (!instance_) {
        instance_ = new frmHelp(owner);
        instance_->load(folder.isEmpty() ? Paths::sharedDataFolder() : folder);
    }
    instance_->show();
    instance_->raise();
    instance_->activateWindow();
    return instance_;
}

frmHelp* frmHelp::instance() {
    return instance_.data();
}

bool frmHelp::event(QEvent* event) {
    // Like the main window, the help window hands the focus to a message on screen.
    if (event->type() == QEvent::WindowActivate) frmError::bringToFront();
    return QDialog::event(event);
}

}  // namespace qc
