#include "registration/SelectionPanelLayout.h"

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

// The panel at its design positions; label widths as the captions measure in the window font.
SelectionPanelGeometry designPanel(int width) {
    SelectionPanelGeometry g;
    g.panelWidth = width;
    g.facultyLabel = QRect(40, 10, 72, 16);
    g.formOfEducationLabel = QRect(323, 9, 110, 16);
    g.specialityLabel = QRect(6, 37, 112, 16);
    g.yearLabel = QRect(27, 66, 92, 16);
    g.semesterLabel = QRect(239, 65, 64, 16);
    g.groupLabel = QRect(517, 64, 54, 16);
    g.studentLabel = QRect(59, 91, 62, 16);
    g.facultyCombo = QRect(132, 7, 187, 21);
    g.formOfEducationCombo = QRect(445, 7, 328, 21);
    g.specialityCombo = QRect(132, 34, 641, 21);
    g.yearCombo = QRect(132, 64, 103, 21);
    g.semesterCombo = QRect(315, 62, 198, 21);
    g.groupCombo = QRect(579, 62, 194, 21);
    g.studentCombo = QRect(132, 89, 641, 21);
    return g;
}

TEST(SelectionPanelLayoutTest, RowsShareTheWidthWithFourPixelGaps) {
    SelectionPanelGeometry g = designPanel(781);
    layoutSelectionPanel(g);

    EXPECT_EQ(g.facultyCombo.left(), 132);
    EXPECT_EQ(g.facultyCombo.width(), g.formOfEducationCombo.width());
    EXPECT_EQ(g.formOfEducationLabel.left(), g.facultyCombo.left() + g.facultyCombo.width() + 4);
    EXPECT_EQ(g.formOfEducationCombo.left(),
              g.formOfEducationLabel.left() + g.formOfEducationLabel.width() + 4);

    EXPECT_EQ(g.specialityCombo.left() + g.specialityCombo.width(), 781 - 6);
    EXPECT_EQ(g.studentCombo.width(), g.specialityCombo.width());

    EXPECT_EQ(g.yearCombo.width(), g.semesterCombo.width());
    EXPECT_EQ(g.semesterCombo.width(), g.groupCombo.width());
    EXPECT_EQ(g.semesterLabel.left(), g.yearCombo.left() + g.yearCombo.width() + 4);
    EXPECT_EQ(g.semesterCombo.left(), g.semesterLabel.left() + g.semesterLabel.width() + 4);
    EXPECT_EQ(g.groupLabel.left(), g.semesterCombo.left() + g.semesterCombo.width() + 4);
    EXPECT_EQ(g.groupCombo.left(), g.groupLabel.left() + g.groupLabel.width() + 4);
}

TEST(SelectionPanelLayoutTest, WiderPanelWidensEveryRowAndKeepsLeftEdges) {
    SelectionPanelGeometry narrow = designPanel(781);
    SelectionPanelGeometry wide = designPanel(1181);
    layoutSelectionPanel(narrow);
    layoutSelectionPanel(wide);
    EXPECT_EQ(wide.facultyCombo.width() - narrow.facultyCombo.width(), 200);
    EXPECT_EQ(wide.specialityCombo.width() - narrow.specialityCombo.width(), 400);
    EXPECT_GT(wide.yearCombo.width(), narrow.yearCombo.width());
    EXPECT_EQ(wide.yearCombo.left(), narrow.yearCombo.left());
    EXPECT_EQ(wide.studentLabel.left(), 59);
}

}  // namespace
}  // namespace zev::testing
