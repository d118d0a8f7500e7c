// The grid control: cells read back as written, hidden columns, the current cell and its
// geometry, the events of a click and of scrolling, and the item-data look-up of lists.
#include "platform/ui/Grid.h"
#include "platform/ui/Twips.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

namespace {

using namespace platform::ui;

struct GridFixture : ::testing::Test {
    GridFixture() {
        host.resize(600, 400);
        grid = new Grid(&host, "grdPlayers");
        Move(grid, 0, 0, 6000, 2000);
        grid->SetCols(3);
        grid->SetRows(30);
        grid->SetFixedRows(1);
        grid->SetColWidth(0, 1500);
        grid->SetColWidth(1, 3000);
        grid->SetColWidth(2, 0);
        host.show();
        QCoreApplication::processEvents();
    }
    QWidget host;
    Grid* grid = nullptr;
};

TEST_F(GridFixture, CellsReadBackAndOutOfRangeIsHarmless) {
    grid->SetTextMatrix(2, 1, "Desk speakers");
    EXPECT_EQ(grid->TextMatrix(2, 1), "Desk speakers");
    EXPECT_EQ(grid->TextMatrix(2, 0), "");
    grid->SetTextMatrix(99, 1, "x");
    grid->SetTextMatrix(-1, -1, "x");
    EXPECT_EQ(grid->TextMatrix(99, 1), "");
    grid->SetRow(99); // ignored
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_DOUBLE_EQ(grid->ColWidth(2), 0);
    EXPECT_TRUE(grid->isColumnHidden(2));
    EXPECT_NEAR(grid->ColWidth(0), 1500, 15);

    grid->SetRow(3);
    grid->SetCol(1);
    EXPECT_EQ(grid->CellBackColor(), BackColor(grid)) << "no colour of its own";
    grid->SetCellBackColor(syscolour::ButtonFace);
    EXPECT_EQ(grid->CellBackColor(), syscolour::ButtonFace);
    grid->SetRow(4);
    EXPECT_NE(grid->CellBackColor(), syscolour::ButtonFace);
    EXPECT_NEAR(grid->CellLeft(), 1500, 30);
    EXPECT_NEAR(grid->CellWidth(), 3000, 30);
    EXPECT_NEAR(grid->CellTop(), 4 * grid->RowHeight(4), 30);
}

TEST_F(GridFixture, AClickMakesTheCellCurrentBeforeMouseUp) {
    QSignalSpy sel(grid, &Grid::SelChange);
    int rowAtMouseUp = -1;
    double x = -1;
    QObject::connect(grid, &Grid::MouseUp, [&](int button, int, double mx, double) {
        EXPECT_EQ(button, 1);
        rowAtMouseUp = grid->Row();
        x = mx;
    });
    const QRect cell = grid->visualRect(grid->model()->index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(sel.count(), 1);
    EXPECT_EQ(rowAtMouseUp, 2);
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_GT(x, grid->ColWidth(0));
    EXPECT_EQ(grid->ColAt(x), 1);

    // The heading row never becomes the current one.
    const QRect heading = grid->visualRect(grid->model()->index(0, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, heading.center());
    EXPECT_EQ(grid->Row(), 2);
}

TEST_F(GridFixture, ScrollingReportsAndTopRowCountsBelowTheHeadings) {
    QSignalSpy scroll(grid, &Grid::Scroll);
    grid->SetTopRow(10);
    EXPECT_EQ(grid->TopRow(), 10);
    EXPECT_GE(scroll.count(), 1);
    grid->SetTopRow(1);
    EXPECT_EQ(grid->TopRow(), 1);
    grid->SetRedraw(false);
    EXPECT_FALSE(grid->Redraw());
    grid->SetRedraw(true);
}

TEST(ItemDataLookUp, FindsTheFirstEntryOrNone) {
    QWidget host;
    auto* combo = new ComboBox(&host, "comboX");
    for (long data : {1L, 0L, 255L, 0L}) {
        combo->AddItem("entry");
        combo->SetItemData(combo->NewIndex(), data);
    }
    EXPECT_EQ(IndexOfItemData(combo, 0), 1);
    EXPECT_EQ(IndexOfItemData(combo, 255), 2);
    EXPECT_EQ(IndexOfItemData(combo, 7), -1);
    auto* list = new ListBox(&host, "listX");
    list->AddItem("a");
    list->SetItemData(0, 42);
    EXPECT_EQ(IndexOfItemData(list, 42), 0);
    EXPECT_EQ(IndexOfItemData(list, 1), -1);
}

} // namespace
