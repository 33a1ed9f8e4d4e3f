#include "WindowTesting.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "GuiSupport.h"

namespace qc::test {

void act(QWidget* window, const QString& steps) {
    static const QStringList verbs{"click", "rclick", "row", "dclick", "type", "key", "pick", "tick", "menu"};
    for (const QString& step : steps.split(u'|')) {
        const QString verb = step.section(u'=', 0, 0), name = step.section(u'=', 1).section(u':', 0, 0);
        const QString arg = step.section(u':', 1);
        if (!verbs.contains(verb)) ADD_FAILURE() << "no such step: " << step.toStdString();
        if (auto* action = verb == u"menu" ? control<QAction>(window, name) : nullptr) action->trigger();
        QWidget* c = verb == u"menu" ? nullptr : control<QWidget>(window, name);
        if (!c) continue;  // not a control's step, or control() has reported it missing
        if (verb == u"click")
            QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(c->height() / 2, c->height() / 2));
        if (verb == u"rclick") QTest::mouseRelease(c, Qt::RightButton);
        if (verb == u"row" || verb == u"dclick")
            clickRow(qobject_cast<QAbstractItemView*>(c), arg.toInt(), verb == u"dclick");
        if (verb == u"type") c->setProperty("text", QString());
        if (verb == u"type") QTest::keyClicks(c, arg);
        if (verb == u"key")
            QTest::keyClick(c, arg == u"Up" ? Qt::Key_Up : arg == u"Down" ? Qt::Key_Down : Qt::Key_Return);
        if (verb == u"pick")
            c->setProperty(qobject_cast<QComboBox*>(c) ? "currentIndex" : "currentRow", arg.toInt());
        if (verb == u"tick") c->setProperty("checked", arg == u"1");
    }
}

void clickRow(QAbstractItemView* view, int row, bool twice) {
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    if (twice) QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

void expectNamed(const QWidget* window) {
    for (const QWidget* c : window->findChildren<QWidget*>()) {
        const bool acted = c->focusPolicy() != Qt::NoFocus && c->isVisibleTo(window) &&
                           !c->objectName().isEmpty() && !c->objectName().startsWith(QLatin1String("qt_"));
        EXPECT_TRUE(!acted || !accessibleNameOf(c).isEmpty()) << c->objectName().toStdString();
    }
}

}  // namespace qc::test
