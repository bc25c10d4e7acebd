// Cell painting by state and row marks, checked on the pixels of the grabbed grid.
#include "tests/gridevents/GridFixture.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

namespace zev::testing {
namespace {

const QColor kSelected(164, 209, 255);
const QColor kFocused(130, 192, 255);
const QColor kDuplicate(0, 128, 0);
const QColor kMoneyGreen(0xC0, 0xDC, 0xC0);

class PaintingTest : public GridFixture {
protected:
    QColor base() const { return grid->palette().color(QPalette::Base); }
    // The rows of the record numbers as the grid shows them (0-based view rows).
    static int row(int recNo) { return recNo - 1; }
};

TEST_F(PaintingTest, RowsArePaintedByStateThenByMark) {
    addRow(1, 7);
    addRow(2, 7);
    addRow(3, 8);
    addRow(4, 9);
    addRow(5, 10);
    openAndShow();
    selectRec(3);
    gotoRec(4);
    QApplication::setActiveWindow(window.get());
    grid->setFocus();
    grid->setCurrentDataColumn(0);
    QCoreApplication::processEvents();

    const QImage image = grabViewport();
    // For a look at the painted grid: ZEV_GRAB_DIR=/some/folder.
    if (const QString folder = qEnvironmentVariable("ZEV_GRAB_DIR"); !folder.isEmpty()) {
        window->grab().save(folder + QStringLiteral("/gridevents-marks.png"));
    }
    // Two records sharing descGroupNum 7 are duplicates; neither is selected or current.
    EXPECT_EQ(cellBackground(image, row(1), 0), kDuplicate);
    EXPECT_EQ(cellBackground(image, row(2), 3), kDuplicate);
    // A selected row, and the current row outside its focused cell: exactly {selected}.
    EXPECT_EQ(cellBackground(image, row(3), 0), kSelected);
    EXPECT_EQ(cellBackground(image, row(4), 3), kSelected);
    // A record with a key of its own keeps the column's own colours.
    EXPECT_EQ(cellBackground(image, row(5), 0), base());
    if (grid->hasFocus()) {
        EXPECT_EQ(cellBackground(image, row(4), 0), kFocused);
    }
}

TEST_F(PaintingTest, FocusedCellUsesFocusedAttr) {
    addRow(1, 7);
    addRow(2, 8);
    openAndShow();
    gotoRec(2);
    QApplication::setActiveWindow(window.get());
    grid->activateWindow();
    grid->setFocus();
    grid->setCurrentDataColumn(3);
    QCoreApplication::processEvents();
    if (!grid->hasFocus()) {
        GTEST_SKIP() << "the platform gives no keyboard focus";
    }
    const QImage image = grabViewport();
    EXPECT_EQ(cellBackground(image, row(2), 3), kFocused);
    EXPECT_EQ(cellBackground(image, row(2), 0), kSelected);
}

TEST_F(PaintingTest, ListedColumnTitleInOtherCaseUsesFixedAttr) {
    addRow(1, 7);
    addRow(2, 8);
    addRow(3, 9);
    events->QFDBAttributes().FixedAttr().setList({QStringLiteral("поток")});
    openAndShow();
    selectRec(2);
    gotoRec(3);
    const QImage image = grabViewport();
    EXPECT_EQ(cellBackground(image, row(2), 5), kMoneyGreen);  // "Поток"
    EXPECT_EQ(cellBackground(image, row(2), 0), kSelected);
    // Not selected: the listed column is painted like any other.
    EXPECT_EQ(cellBackground(image, row(1), 5), base());
}

TEST_F(PaintingTest, PastedRowsUseAfterPasteAttr) {
    addRow(1, 7);
    addRow(2, 8);
    openAndShow();
    clipboard.data = QByteArray(
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02"
        "3\x01"
        "2\x01"
        "2\x01"
        "2\x01"
        "2\x01\x02");
    events->PasteRows();
    ASSERT_EQ(events->PastedValues().size(), 2);
    const int firstPasted = recOfId(events->PastedValues().at(0).toInt());
    ASSERT_GT(firstPasted, 0);
    gotoRec(recOfId(1));
    const QImage image = grabViewport();
    EXPECT_EQ(cellBackground(image, row(firstPasted), 0), toQColor(clInfoBk));
    EXPECT_EQ(cellBackground(image, row(recOfId(2)), 0), base());
}

TEST_F(PaintingTest, InsertingRowKeepsColumnColours) {
    addRow(1, 7);
    addRow(2, 8);
    openAndShow();
    gotoRec(2);
    const QImage before = grabViewport();
    EXPECT_EQ(cellBackground(before, row(2), 3), kSelected);

    electives->insert();
    const int inserting = grid->currentRowIndex();
    ASSERT_GE(inserting, 0);
    const QImage image = grabViewport();
    EXPECT_EQ(cellBackground(image, inserting, 3), base());
    electives->cancel();
}

TEST_F(PaintingTest, StateWithFixedFlagOrFocusAlonePaintsByMarks) {
    addRow(1, 7);
    addRow(2, 7);
    addRow(3, 8);
    openAndShow();
    gotoRec(3);
    // The test hands the component other states than the grid would, for the first two rows.
    grid->onDrawColumnCell = [this](DBGridEh& sender, const QRect& rect, int dataCol,
                                    DBGridColumnEh& column, CellStates) {
        const int id = electives->fieldByName(QStringLiteral("id")).text().toInt();
        const CellStates state = id == 1   ? CellStates(CellState::Focused)
                                 : id == 2 ? CellState::Selected | CellState::Fixed
                                           : CellStates(CellState::Selected);
        events->GridDrawColumnCell(sender, rect, dataCol, column, state);
    };
    const QImage image = grabViewport();
    EXPECT_EQ(cellBackground(image, row(1), 0), kDuplicate);
    EXPECT_EQ(cellBackground(image, row(2), 0), kDuplicate);
    EXPECT_EQ(cellBackground(image, row(3), 0), kSelected);
}

TEST_F(PaintingTest, HostDrawingRunsAfterTheComponent) {
    addRow(1, 7);
    addRow(2, 8);
    openAndShow();
    int calls = 0;
    events->OnDrawColumnCell = [&](DBGridEh& sender, const QRect& rect, int dataCol,
                                   DBGridColumnEh&, CellStates) {
        ++calls;
        if (dataCol == 3) {
            sender.canvas().painter().fillRect(rect, Qt::magenta);
        }
    };
    const QImage image = grabViewport();
    EXPECT_GT(calls, 0);
    EXPECT_EQ(cellBackground(image, row(2), 3), QColor(Qt::magenta));
}

// Columns of ink (darker than the background) inside a cell of a plain row.
std::pair<int, int> inkSpan(const QImage& image, const QRect& cell) {
    int first = -1;
    int last = -1;
    for (int x = cell.left(); x <= cell.right(); ++x) {
        for (int y = cell.top() + 1; y < cell.bottom(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0) {
                    first = x;
                }
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(PaintingTest, TextPlacementFollowsAlignment) {
    addRow(1, 7, 1, 1, 88888);
    addRow(2, 8, 1, 1, 88888);
    addRow(3, 9, 1, 1, 88888);
    addRow(4, 10, 1, 1, 1);
    DBGridColumnEh& semester = grid->column(3);
    openAndShow();
    gotoRec(4);
    const QRect cell = grid->cellRect(row(1), 3);
    const int rightEdge = cell.x() + cell.width();

    semester.alignment = Qt::AlignLeft;
    auto [left1, left2] = inkSpan(grabViewport(), cell);
    ASSERT_GE(left1, 0);
    EXPECT_GE(left1, cell.x() + 2);
    EXPECT_LE(left1, cell.x() + 3);

    semester.alignment = Qt::AlignRight;
    auto [right1, right2] = inkSpan(grabViewport(), cell);
    EXPECT_LE(right2, rightEdge - 3 - 1);
    EXPECT_GE(right2, rightEdge - 3 - 3);
    EXPECT_EQ(right2 - right1, left2 - left1);

    semester.alignment = Qt::AlignHCenter;
    auto [centre1, centre2] = inkSpan(grabViewport(), cell);
    const int inkMiddle = (centre1 + centre2) / 2;
    const int cellMiddle = cell.x() + cell.width() / 2;
    EXPECT_LE(std::abs(inkMiddle - cellMiddle), 2);

    // Vertically the text sits in the middle of the row.
    int top = -1;
    int bottom = -1;
    const QImage image = grabViewport();
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left() + 1; x < cell.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                if (top < 0) {
                    top = y;
                }
                bottom = y;
                break;
            }
        }
    }
    ASSERT_GE(top, 0);
    EXPECT_LE(std::abs((top + bottom) / 2 - cell.center().y()), 3);
}

TEST(AlignedTextXTest, LeftRightCentreAndOther) {
    const QRect cell(10, 0, 100, 20);  // left 10, right edge 110
    EXPECT_EQ(AlignedTextX(cell, Qt::AlignLeft, 30), 12);
    EXPECT_EQ(AlignedTextX(cell, Qt::AlignRight, 30), 110 - 30 - 3);
    EXPECT_EQ(AlignedTextX(cell, Qt::AlignHCenter, 31), 10 + 50 - 15);
    EXPECT_EQ(AlignedTextX(cell, Qt::AlignJustify, 30), 12);
    EXPECT_EQ(AlignedTextX(cell, Qt::AlignRight | Qt::AlignVCenter, 30), 77);
}

}  // namespace
}  // namespace zev::testing
