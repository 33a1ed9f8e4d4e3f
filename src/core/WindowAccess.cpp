#include "WindowAccess.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>

namespace qc {

void openMenuOnF10(QWidget* window, QMenuBar* bar) {
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    auto first = [](const QList<QAction*>& actions) -> QAction* {
        for (QAction* action : actions)
            if (action->isVisible() && action->isEnabled() && !action->isSeparator()) return action;
        return nullptr;
    };
    QObject::connect(f10, &QShortcut::activated, bar, [bar, first] {
        QAction* menu = first(bar->actions());
        if (!menu) return;
        // Open, with its first item marked, as Alt and the menu's letter do.
        bar->setActiveAction(menu);
        if (menu->menu()) menu->menu()->setActiveAction(first(menu->menu()->actions()));
    });
}

QPlainTextEdit* readOnlyText(QWidget* parent, const QString& objectName, const QString& accessibleName) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(objectName);
    box->setAccessibleName(accessibleName);
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setTabChangesFocus(true);
    box->setFocusPolicy(Qt::StrongFocus);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return box;
}

void showValue(QLabel* label, const QString& text) {
    if (label->text() == text) return;
    label->setText(text);
    label->setAccessibleDescription(text);
}

namespace {

// Enter that no control of the window took (a field or a box passes it on to the window).
class EnterFilter : public QObject {
public:
    EnterFilter(QWidget* window, QPushButton* button) : QObject(window), button_(button) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != parent() || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (!enter || mods != Qt::NoModifier || !button_ || !button_->isEnabled() || !button_->isVisible())
            return false;
        button_->click();
        return true;
    }

private:
    QPointer<QPushButton> button_;
};

}  // namespace

void enterPressesButtons(QWidget* window, QPushButton* defaultButton) {
    for (QPushButton* b : window->findChildren<QPushButton*>())
        b->setAutoDefault(true);
    if (!defaultButton) return;
    defaultButton->setDefault(true);
    window->installEventFilter(new EnterFilter(window, defaultButton));
}

}  // namespace qc
