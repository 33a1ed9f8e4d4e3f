#include "frmServiceProvider.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Module1.h"
#include "core/WindowAccess.h"
#include "platform/Text.h"

namespace qc {

namespace {
const QString kNoName = QStringLiteral("No Name Selected");
}

frmServiceProvider::frmServiceProvider(Module1& m, QWidget* parent)
    : QWidget(parent, Qt::Window), m_(m), names_(m.paths().file(QStringLiteral("SPNames.dat"))) {
    setObjectName(QStringLiteral("frmServiceProvider"));
    setWindowTitle(QStringLiteral("ServiceProviders"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* bar = new QMenuBar(this);
    QMenu* files = bar->addMenu(QStringLiteral("&Files"));
    files->setObjectName(QStringLiteral("mnuFiles"));
    QAction* exit = files->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    QMenu* views = bar->addMenu(QStringLiteral("&View"));
    views->setObjectName(QStringLiteral("mnuViews"));
    const QString captions[] = {QStringLiteral("&Names"), QStringLiteral("N&umber")};
    for (int index = 0; index < 2; ++index) {
        QAction* view = views->addAction(captions[index]);
        view->setObjectName(QStringLiteral("mnuView_%1").arg(index));
        connect(view, &QAction::triggered, this, [this, index] { mnuView_Click(index); });
    }
    openMenuOnF10(this, bar);

    lstSerProv_ = new QListView(this);
    lstSerProv_->setObjectName(QStringLiteral("lstSerProv"));
    lstSerProv_->setModel(&names_.lstSerProv);
    lstSerProv_->setFont(QFont(QStringLiteral("MS Sans Serif"), 12));
    lstSerProv_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSerProv_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstSerProv_->setUniformItemSizes(true);
    lstSerProv_->setAccessibleName(QStringLiteral("Service providers"));
    lstSerProv_->setToolTip(
        QStringLiteral("Service provider names by number; their sources are the codes the receiver's "
                       "manual calls LANG"));
    lstSerProv_->viewport()->installEventFilter(this);
    // Choosing a line with the keys shows its name; a click or Enter also moves into the text box.
    connect(lstSerProv_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!reloading_ && lstSerProv_->selectionModel()->hasSelection()) lstSerProv_Click(false);
    });
    connect(lstSerProv_, &QAbstractItemView::clicked, this, [this] { lstSerProv_Click(true); });
    connect(lstSerProv_, &QAbstractItemView::activated, this, [this] { lstSerProv_Click(true); });

    txtName_ = new QLineEdit(QStringLiteral(" "), this);
    txtName_->setObjectName(QStringLiteral("txtName"));
    txtName_->setMaxLength(ServiceProviderNames::NameLength);
    txtName_->setAccessibleName(QStringLiteral("Name"));
    txtName_->setToolTip(QStringLiteral("Add a new source code....up to 3 characters"));
    txtName_->hide();
    connect(txtName_, &QLineEdit::returnPressed, this, &frmServiceProvider::cmdApply_Click);

    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdApply_ = button(QStringLiteral("Apply"), "cmdApply");
    cmdDelete_ = button(QStringLiteral("Delete"), "cmdDelete");
    cmdClose_ = button(QStringLiteral("&Close"), "cmdClose");
    connect(cmdApply_, &QPushButton::clicked, this, &frmServiceProvider::cmdApply_Click);
    connect(cmdDelete_, &QPushButton::clicked, this, &frmServiceProvider::cmdDelete_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdApply_);
    buttons->addWidget(cmdDelete_);
    buttons->addStretch();
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(lstSerProv_, 1);
    layout->addWidget(txtName_);
    layout->addLayout(buttons);
    setTabOrder(lstSerProv_, txtName_);
    setTabOrder(txtName_, cmdApply_);
    setTabOrder(cmdApply_, cmdDelete_);
    setTabOrder(cmdDelete_, cmdClose_);
    resize(460, 520);
}

bool frmServiceProvider::load() {
    try {
        names_.open();
        reload();
        return true;
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).text());
        return false;
    }
}

void frmServiceProvider::guarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).text());
    }
}

void frmServiceProvider::reload() {
    reloading_ = true;
    try {
        names_.LoadSPNames();
    } catch (...) {
        reloading_ = false;
        throw;
    }
    reloading_ = false;
}

int frmServiceProvider::selectedSlot() {
    const QModelIndexList selected = lstSerProv_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        m_.ShowMessage(kNoName);
        return -1;
    }
    return names_.lstSerProv.itemData(selected.first().row());
}

void frmServiceProvider::lstSerProv_Click(bool takeFocus) {
    const int slot = selectedSlot();
    if (slot < 0) return;
    guarded([&] {
        txtName_->show();
        txtName_->setText(fromCp1252(trimBlanks(names_.readName(slot))));
        if (takeFocus) txtName_->setFocus();
    });
}

void frmServiceProvider::cmdApply_Click() {
    const int slot = selectedSlot();
    if (slot < 0) return;
    const int top = lstSerProv_->indexAt(QPoint(1, 1)).row();
    guarded([&] {
        names_.writeName(slot, toCp1252(txtName_->text()));
        reload();
        // The edited slot is chosen again (in the "Names" view it stands at the line of its number)
        // and the list keeps its scroll position.
        for (int row = 0; row < names_.lstSerProv.count(); ++row) {
            if (names_.lstSerProv.itemData(row) != slot) continue;
            reloading_ = true;
            lstSerProv_->setCurrentIndex(names_.lstSerProv.index(row));
            reloading_ = false;
            lstSerProv_Click(false);
            break;
        }
        if (top >= 0) lstSerProv_->scrollTo(names_.lstSerProv.index(top), QAbstractItemView::PositionAtTop);
        txtName_->hide();
        lstSerProv_->setFocus();
    });
}

void frmServiceProvider::cmdDelete_Click() {
    const int slot = selectedSlot();
    if (slot < 0) return;
    guarded([&] {
        names_.writeName(slot, QByteArray());
        reload();
    });
}

void frmServiceProvider::mnuView_Click(int index) {
    names_.viewMode = static_cast<int16_t>(index);
    guarded([&] { reload(); });
}

bool frmServiceProvider::eventFilter(QObject* watched, QEvent* event) {
    // A click beside the lines, with no line chosen, is answered as the list box answered it.
    if (watched == lstSerProv_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!lstSerProv_->indexAt(mouse->position().toPoint()).isValid() &&
            !lstSerProv_->selectionModel()->hasSelection())
            lstSerProv_Click(true);
    }
    return QWidget::eventFilter(watched, event);
}

void frmServiceProvider::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace qc
