#include "registration/Panel5Layout.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

// The panel at its design positions; label widths as the captions measure in the window font.
Panel5Geometry designPanel(int width) {
    Panel5Geometry g;
    g.panelWidth = width;
    g.label1 = QRect(40, 10, 72, 16);
    g.label7 = QRect(323, 9, 110, 16);
    g.label3 = QRect(6, 37, 112, 16);
    g.label2 = QRect(27, 66, 92, 16);
    g.label5 = QRect(239, 65, 64, 16);
    g.label4 = QRect(517, 64, 54, 16);
    g.label6 = QRect(59, 91, 62, 16);
    g.combo1 = QRect(132, 7, 187, 21);
    g.combo7 = QRect(445, 7, 328, 21);
    g.combo4 = QRect(132, 34, 641, 21);
    g.combo2 = QRect(132, 64, 103, 21);
    g.combo5 = QRect(315, 62, 198, 21);
    g.combo3 = QRect(579, 62, 194, 21);
    g.combo6 = QRect(132, 89, 641, 21);
    return g;
}

TEST(Panel5LayoutTest, RowsShareTheWidthWithFourPixelGaps) {
    Panel5Geometry g = designPanel(781);
    layoutPanel5(g);

    EXPECT_EQ(g.combo1.left(), 132);
    EXPECT_EQ(g.combo1.width(), g.combo7.width());
    EXPECT_EQ(g.label7.left(), g.combo1.left() + g.combo1.width() + 4);
    EXPECT_EQ(g.combo7.left(), g.label7.left() + g.label7.width() + 4);

    EXPECT_EQ(g.combo4.left() + g.combo4.width(), 781 - 6);
    EXPECT_EQ(g.combo6.width(), g.combo4.width());

    EXPECT_EQ(g.combo2.width(), g.combo5.width());
    EXPECT_EQ(g.combo5.width(), g.combo3.width());
    EXPECT_EQ(g.label5.left(), g.combo2.left() + g.combo2.width() + 4);
    EXPECT_EQ(g.combo5.left(), g.label5.left() + g.label5.width() + 4);
    EXPECT_EQ(g.label4.left(), g.combo5.left() + g.combo5.width() + 4);
    EXPECT_EQ(g.combo3.left(), g.label4.left() + g.label4.width() + 4);
}

TEST(Panel5LayoutTest, WiderPanelWidensEveryRowAndKeepsLeftEdges) {
    Panel5Geometry narrow = designPanel(781);
    Panel5Geometry wide = designPanel(1181);
    layoutPanel5(narrow);
    layoutPanel5(wide);
    EXPECT_EQ(wide.combo1.width() - narrow.combo1.width(), 200);
    EXPECT_EQ(wide.combo4.width() - narrow.combo4.width(), 400);
    EXPECT_GT(wide.combo2.width(), narrow.combo2.width());
    EXPECT_EQ(wide.combo2.left(), narrow.combo2.left());
    EXPECT_EQ(wide.label6.left(), 59);
}

}  // namespace
}  // namespace zev
