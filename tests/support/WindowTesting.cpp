#include "WindowTesting.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "GuiSupport.h"

namespace qc::test {

void act(QWidget* window, const QString& steps) {
    for (const QString& step : steps.split(u'|')) {
        const QString verb = step.section(u'=', 0, 0), name = step.section(u'=', 1).section(u':', 0, 0);
        const QString arg = step.section(u':', 1);
        static const QStringList verbs{"click", "rclick", "row",  "dclick", "type",
                                       "key",   "pick",   "tick", "menu"};
        if (!verbs.contains(verb)) ADD_FAILURE() << "no such step: " << step.toStdString();
        QWidget* c = verb == u"menu" ? nullptr : control<QWidget>(window, name);
        if (verb == u"click")
            QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(c->height() / 2, c->height() / 2));
        if (verb == u"rclick") QTest::mouseRelease(c, Qt::RightButton);
        if (verb == u"row" || verb == u"dclick")
            clickRow(qobject_cast<QAbstractItemView*>(c), arg.toInt(), verb == u"dclick");
        if (auto* box = verb == u"type" ? qobject_cast<QLineEdit*>(c) : nullptr) box->clear();
        if (verb == u"type") QTest::keyClicks(c, arg);
        if (verb == u"key")
            QTest::keyClick(c, arg == u"Up" ? Qt::Key_Up : arg == u"Down" ? Qt::Key_Down : Qt::Key_Return);
        if (auto* list = verb == u"pick" ? qobject_cast<QComboBox*>(c) : nullptr)
            list->setCurrentIndex(arg.toInt());
        if (auto* list = verb == u"pick" ? qobject_cast<QListWidget*>(c) : nullptr)
            list->setCurrentRow(arg.toInt());
        if (auto* box = verb == u"tick" ? qobject_cast<QAbstractButton*>(c) : nullptr)
            box->setChecked(arg == u"1");
        if (verb == u"menu") control<QAction>(window, name)->trigger();
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
