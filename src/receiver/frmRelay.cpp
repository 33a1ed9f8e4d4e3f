#include "frmRelay.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "core/Module1.h"
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

    lblRelay_ = new QLabel(QStringLiteral("Label1"));
    lblRelay_->setObjectName(QStringLiteral("lblRelay"));
    lblRelay_->setTextFormat(Qt::PlainText);
    lblRelay_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblRelay_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lblRelay_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblRelay_->setAccessibleName(QStringLiteral("Relay status"));
    lblRelay_->setMargin(4);
    // The answers are never cleared: the newest stays in sight at the bottom of a scrolled area.
    replyArea_ = new QScrollArea(this);
    replyArea_->setWidget(lblRelay_);
    replyArea_->setWidgetResizable(true);
    replyArea_->setMinimumWidth(280);

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

    auto* right = new QVBoxLayout;
    right->addLayout(rows);
    right->addStretch(1);
    right->addWidget(cmdClose_, 0, Qt::AlignRight);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(replyArea_, 1);
    layout->addLayout(right);
    resize(520, 560);
}

frmRelay::~frmRelay() = default;

void frmRelay::Form_Load() {
    panel_.Form_Load();
    for (int i = 0; i < RelayPanel::ButtonCount; ++i)
        cmdR_[i]->setVisible(panel_.buttonShown(i));
    for (int row = 0; row < RelayPanel::ButtonCount / 2; ++row)
        rowLabels_[row]->setVisible(panel_.buttonShown(2 * row));
    showReply();
}

void frmRelay::cmdR_Click(int index) {
    panel_.cmdR_Click(index);
    showReply();
}

void frmRelay::showReply() {
    QString text = fromCp1252(panel_.replyText());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lblRelay_->setText(text);
    // Scrolled once the label has its new height.
    QTimer::singleShot(0, this, [this] {
        replyArea_->verticalScrollBar()->setValue(replyArea_->verticalScrollBar()->maximum());
    });
}

void frmRelay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace qc
