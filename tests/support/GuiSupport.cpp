#include "GuiSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>

#include "core/frmError.h"

namespace qc::test {

bool shownIn(const QWidget* window, const QString& name) {
    const QWidget* w = control<QWidget>(window, name);
    return w && w->isVisibleTo(window);
}

QString messageText() {
    QList<frmError*> shown;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<frmError*>(top); f && f->isVisible()) shown << f;
    return shown.size() == 1 ? shown.first()->lblMessage()->text() : QString();
}

void closeMessages() {
    frmError::unload();
    QApplication::processEvents();
}

QStringList listLines(const QAbstractItemView* view) {
    QStringList out;
    if (!view || !view->model()) return out;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        out << model->index(row, 0).data().toString();
    return out;
}

QString accessibleNameOf(const QWidget* control) {
    if (!control) return {};
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(control));
    if (!iface) return {};
    // A drop-down list tells its current item as its name on Linux; a screen reader names it by
    // the label it is labelled by.
    if (qobject_cast<const QComboBox*>(control)) {
        const auto labels = iface->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    }
    return iface->text(QAccessible::Name);
}

QString accessibleTextOf(const QWidget* control) {
    QAccessibleInterface* iface =
        control ? QAccessible::queryAccessibleInterface(const_cast<QWidget*>(control)) : nullptr;
    if (!iface) return {};
    if (QAccessibleTextInterface* text = iface->textInterface())
        return text->text(0, text->characterCount()).replace(QChar::ParagraphSeparator, u'\n');
    return iface->text(QAccessible::Name);
}

QWidget* shownWindow(const QString& name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == name && top->isVisible()) return top;
    return nullptr;
}

}  // namespace qc::test
