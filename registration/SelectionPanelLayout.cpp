#include "registration/SelectionPanelLayout.h"

namespace zev {

namespace {

void placeAfter(QRect& item, const QRect& before) {
    item.moveLeft(before.left() + before.width() + 4);
}

}  // namespace

void layoutSelectionPanel(SelectionPanelGeometry& g) {
    const int w = g.panelWidth;

    // First row: faculty and form of education share the width.
    const int w1 =
        (w - g.facultyLabel.width() - g.formOfEducationLabel.width() - g.facultyLabel.left()) / 2 -
        10;
    g.facultyCombo.setWidth(w1);
    placeAfter(g.formOfEducationLabel, g.facultyCombo);
    placeAfter(g.formOfEducationCombo, g.formOfEducationLabel);
    g.formOfEducationCombo.setWidth(w1);

    // Speciality and student reach the right edge.
    g.specialityCombo.setWidth(w - g.specialityCombo.left() - 6);
    g.studentCombo.setWidth(g.specialityCombo.width());

    // Third row: year, semester and group share the width.
    const int w3 = (w - g.yearLabel.width() - g.semesterLabel.width() - g.groupLabel.width() -
                    g.yearLabel.left()) /
                       3 -
                   9;
    g.yearCombo.setWidth(w3);
    placeAfter(g.semesterLabel, g.yearCombo);
    placeAfter(g.semesterCombo, g.semesterLabel);
    g.semesterCombo.setWidth(w3);
    placeAfter(g.groupLabel, g.semesterCombo);
    placeAfter(g.groupCombo, g.groupLabel);
    g.groupCombo.setWidth(w3);
}

}  // namespace zev
