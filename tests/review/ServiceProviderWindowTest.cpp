// The service provider window: choosing, applying and deleting names as the operator does.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include "review/frmServiceProvider.h"
#include "support/GuiSupport.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

using test::control;

TEST(ServiceProviderWindow, ApplyStoresTheNameAndChoosesTheSameLineAgain) {
    test::TestProgram p;
    frmServiceProvider w(*p.m);
    ASSERT_TRUE(w.load());
    w.resize(400, 300);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* list = control<QListView>(&w, "lstSerProv");
    auto* name = control<QLineEdit>(&w, "txtName");
    auto* apply = control<QPushButton>(&w, "cmdApply");
    list->scrollTo(list->model()->index(5, 0), QAbstractItemView::PositionAtTop);
    const auto topRow = [&] { return list->indexAt(QPoint(1, 1)).row(); };
    ASSERT_EQ(topRow(), 5);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(7, 0)).center());
    ASSERT_TRUE(name->isVisible());
    QTest::keyClicks(name, QStringLiteral("Radio Quillorn International"));  // 28 characters
    QTest::mouseClick(apply, Qt::LeftButton);

    EXPECT_EQ(p.readFile("SPNames.dat").mid(7 * 128, 25), "Radio Quillorn Internatio");
    EXPECT_EQ(list->selectionModel()->selectedIndexes().value(0).row(), 7);
    EXPECT_FALSE(name->isVisible());
    EXPECT_EQ(topRow(), 5);
    EXPECT_EQ(test::listLines(list)[7], QStringLiteral(" 7 Radio Quillorn Internatio"));

    // Delete empties the chosen slot; with no line chosen nothing is written.
    QTest::mouseClick(control<QPushButton>(&w, "cmdDelete"), Qt::LeftButton);
    EXPECT_EQ(p.readFile("SPNames.dat").mid(7 * 128, 25), QByteArray(25, ' '));
    list->clearSelection();
    name->setText(QStringLiteral("Lost"));
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(p.messages, QStringList{QStringLiteral("No Name Selected")});
    EXPECT_EQ(p.readFile("SPNames.dat"), ServiceProviderNames::emptyFile());
}

}  // namespace
}  // namespace qc
