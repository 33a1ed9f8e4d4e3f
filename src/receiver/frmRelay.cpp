#include "frmRelay.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/Module1.h"
#include "core/WindowAccess.h"
#include "platform/SerialLine.h"
#include "platform/Text.h"

namespace qc {

namespace {

SerialLine& lineOf(Module1& m, SerialLine* given, std::unique_ptr<SerialLine>& own) {
    if (given) return *given;
    own = std::make_unique<DeviceSerialLine>(m.paths());
    return *own;
}

}  // namespace

frmRelay::frmRelay(Module1& m, SerialLine* line, QWidget* parent)
    : QWidget(parent, Qt::Window), panel_(m, lineOf(m, line, ownLine_)) {
    setObjectName(QStringLiteral("frmRelay"));
    setWindowTitle(QStringLiteral("Norrid Receiver Relay Status"));
    setAttribute(Qt::WA_DeleteOnClose);

    // Which receiver the buttons act on: the panel talks to the port it was opened on.
    lblReceiver_ = new QLabel(this);
    lblReceiver_->setObjectName(QStringLiteral("lblReceiver"));
    QFont bold = lblReceiver_->font();
    bold.setBold(true);
    lblReceiver_->setFont(bold);
    // A box rather than a label, so a screen reader reads the answers themselves.
    lblRelay_ = readOnlyText(this, QStringLiteral("lblRelay"), QStringLiteral("Relay status"));
    lblRelay_->setPlainText(QStringLiteral("Label1"));
    lblRelay_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lblRelay_->setMinimumWidth(280);

    auto* rows = new QGridLayout;
    rows->setVerticalSpacing(2);
    QWidget* previous = nullptr;
    for (int i = 0; i < RelayPanel::ButtonCount; ++i) {
        auto* b = new QPushButton(i % 2 == 0 ? QStringLiteral("Open") : QStringLiteral("Close"), this);
        b->setObjectName(QStringLiteral("cmdR_%1").arg(i));
        b->setAccessibleName(RelayPanel::buttonName(i));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdR_Click(i); });
        rows->addWidget(b, i / 2, i % 2 + 1);
        // Each row says which relay it switches; it hides with the row's buttons.
        if (i % 2 == 0) {
            auto* number = new QLabel(QString::number(i / 2 + 1), this);
            number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            rows->addWidget(number, i / 2, 0);
            rowLabels_[i / 2] = number;
        }
        if (previous) setTabOrder(previous, b);
        previous = b;
        cmdR_[i] = b;
    }
    cmdClose_ = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    cmdClose_->setAutoDefault(false);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);
    setTabOrder(previous, cmdClose_);
    cmdR_[0]->setFocus();  // the keyboard starts on the buttons, the answers after them

    auto* right = new QVBoxLayout;
    right->addLayout(rows);
    right->addStretch(1);
    right->addWidget(cmdClose_, 0, Qt::AlignRight);
    auto* left = new QVBoxLayout;
    left->addWidget(lblReceiver_);
    left->addWidget(lblRelay_, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    setTabOrder(cmdClose_, lblRelay_);
    resize(520, 560);
}

frmRelay::~frmRelay() = default;

void frmRelay::Form_Load() {
    panel_.Form_Load();
    for (int i = 0; i < RelayPanel::ButtonCount; ++i)
        cmdR_[i]->setVisible(panel_.buttonShown(i));
    for (int row = 0; row < RelayPanel::ButtonCount / 2; ++row)
        rowLabels_[row]->setVisible(panel_.buttonShown(2 * row));
    lblReceiver_->setText(panel_.receiverText());
    showReply();
}

void frmRelay::cmdR_Click(int index) {
    panel_.cmdR_Click(index);
    showReply();
}

void frmRelay::showReply() {
    QString text = fromCp1252(panel_.replyText());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lblRelay_->setPlainText(text);
    // The answers are never cleared: the newest stays in sight at the bottom.
    lblRelay_->verticalScrollBar()->setValue(lblRelay_->verticalScrollBar()->maximum());
}

void frmRelay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace qc
