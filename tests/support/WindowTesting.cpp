#include "WindowTesting.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QTest>

#include "GuiSupport.h"

namespace qc::test {

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
