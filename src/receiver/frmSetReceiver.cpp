#include "frmSetReceiver.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "ReceiverSetUp.h"
#include "core/Module1.h"
#include "platform/Text.h"
#include "review/SourceCodes.h"

namespace qc {

namespace {

QListWidget* list(QWidget* parent, const char* name, const QString& accessibleName, const QString& tip) {
    auto* l = new QListWidget(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setAccessibleName(accessibleName);
    l->setToolTip(tip);
    l->setMinimumHeight(230);
    return l;
}

// The chosen line's text as the receiver is to get it.
QByteArray chosen(const QListWidget* l) {
    const QListWidgetItem* item = l->currentItem();
    return item ? item->data(Qt::UserRole).toByteArray() : QByteArray();
}

}  // namespace

frmSetReceiver::frmSetReceiver(Module1& m, QWidget* parent) : QWidget(parent, Qt::Window), m_(m) {
    setObjectName(QStringLiteral("frmSetReceiver"));
    setWindowTitle(QStringLiteral("Set Receiver"));
    setAttribute(Qt::WA_DeleteOnClose);

    Option1_ = new QRadioButton(QStringLiteral("Receiver One"), this);
    Option1_->setObjectName(QStringLiteral("Option1"));
    Option2_ = new QRadioButton(QStringLiteral("Receiver Two"), this);
    Option2_->setObjectName(QStringLiteral("Option2"));
    for (QRadioButton* o : {Option1_, Option2_}) {
        o->setToolTip(QStringLiteral("Select Receiver"));
        o->hide();
    }

    lstPort_ = list(this, "lstPort", QStringLiteral("Port"),
                    QStringLiteral("Select Serial Port which is connected to the Norrid"));
    lstRoute_ = list(this, "lstRoute", QStringLiteral("Route"), QStringLiteral("Audio Format"));
    lstLang_ = list(this, "lstLang", QStringLiteral("Source Code"),
                    QStringLiteral("Chose the Source Code of the Program.  New Source Codes may be added by "
                                   "Clicking on ProgramSourceCodes"));
    lstAtt_ = list(this, "lstAtt", QStringLiteral("Attenuation"), QStringLiteral("Audio attenuation"));
    auto* Label1 = new QLabel(QStringLiteral("Attenuation"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(lstAtt_);

    Check1_ = new QCheckBox(QStringLiteral("View  Settings"), this);
    Check1_->setObjectName(QStringLiteral("Check1"));
    cmdSet_ = new QPushButton(QStringLiteral("&Set"), this);
    cmdSet_->setObjectName(QStringLiteral("cmdSet"));
    cmdClose_ = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {cmdSet_, cmdClose_})
        b->setAutoDefault(false);
    connect(cmdSet_, &QPushButton::clicked, this, &frmSetReceiver::cmdSet_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);

    auto* receivers = new QHBoxLayout;
    receivers->addWidget(Option1_);
    receivers->addWidget(Option2_);
    receivers->addStretch(1);
    auto* lists = new QGridLayout;
    // Captions over the lists (the screen reader has the lists' own names).
    const QString captions[] = {QStringLiteral("Port"), QStringLiteral("Route"),
                                QStringLiteral("Source Code")};
    for (int column = 0; column < 3; ++column)
        lists->addWidget(new QLabel(captions[column], this), 0, column);
    lists->addWidget(Label1, 0, 3);
    lists->addWidget(lstPort_, 1, 0);
    lists->addWidget(lstRoute_, 1, 1);
    lists->addWidget(lstLang_, 1, 2);
    lists->addWidget(lstAtt_, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Check1_);
    buttons->addStretch(1);
    buttons->addWidget(cmdSet_);
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(receivers);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    for (auto [a, b] : {std::pair<QWidget*, QWidget*>{Option1_, Option2_},
                        {Option2_, lstPort_},
                        {lstPort_, lstRoute_},
                        {lstRoute_, lstLang_},
                        {lstLang_, lstAtt_},
                        {lstAtt_, Check1_},
                        {Check1_, cmdSet_},
                        {cmdSet_, cmdClose_}})
        setTabOrder(a, b);
    resize(540, 340);
}

void frmSetReceiver::Form_Load() {
    if (m_.TwoReceivers == 1) {
        Option1_->show();
        Option1_->setChecked(true);
        Option2_->show();
    }
    auto addLines = [](QListWidget* l, const QList<QByteArray>& lines) {
        l->clear();
        for (const QByteArray& line : lines) {
            auto* item = new QListWidgetItem(fromCp1252(line), l);
            item->setData(Qt::UserRole, line);
        }
        if (l->count() > 0) l->setCurrentRow(0);
    };
    QList<QByteArray> ports, routes, attenuations;
    for (const QString& s : receiverPortNames())
        ports << s.toLatin1();
    for (const QString& s : receiverRouteNames())
        routes << s.toLatin1();
    for (int a = 0; a <= 14; ++a)
        attenuations << QByteArray::number(a);
    addLines(lstPort_, ports);
    addLines(lstRoute_, routes);
    addLines(lstAtt_, attenuations);
    try {
        addLines(lstLang_, readSourceCodes(m_.paths().file(QStringLiteral("Source.dat"))));
    } catch (const std::exception& e) {
        // Without the list the window still opens; "Set" then asks for a source code.
        lstLang_->clear();
        m_.ShowMessage(toQcError(e).text());
    }
    Check1_->setChecked(true);
}

void frmSetReceiver::cmdSet_Click() {
    ReceiverSetUpChoice choice;
    choice.portRow = lstPort_->currentRow();
    choice.routeRow = lstRoute_->currentRow();
    choice.source = chosen(lstLang_);
    choice.attenuation = chosen(lstAtt_);
    choice.receiverTwo = Option2_->isChecked();
    choice.viewSettings = Check1_->isChecked();
    SendAudioSetUp(m_, choice);
}

void frmSetReceiver::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace qc
