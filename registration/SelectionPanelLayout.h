#pragma once

#include <QRect>

namespace zev {

// Geometry of the labels and drop-downs of the top panel (Panel5), where the student is chosen.
// Labels keep their text-fitted widths; the faculty, speciality, year and student drop-downs and
// their labels keep their left edges.
struct SelectionPanelGeometry {
    int panelWidth = 0;
    // Captions: Label1 "Факультет:", Label7 "Форма обученя:", Label3 "Специальность:",
    // Label2 "Учебный год:", Label5 "Семестр:", Label4 "Группа:", Label6 "Студент:".
    QRect facultyLabel, formOfEducationLabel, specialityLabel, yearLabel, semesterLabel, groupLabel,
        studentLabel;
    // Drop-downs: DBLookupComboBox1 faculty, 7 form of education, 4 speciality, 2 academic year,
    // 5 semester, 3 group, 6 student.
    QRect facultyCombo, formOfEducationCombo, specialityCombo, yearCombo, semesterCombo, groupCombo,
        studentCombo;
};

// Spreads the three rows of drop-downs over the panel's width: the first row's two drop-downs
// share it equally, the speciality and student drop-downs reach the right edge, and the third
// row's three drop-downs share it equally, each label 4 pixels from its neighbours.
void layoutSelectionPanel(SelectionPanelGeometry& g);

}  // namespace zev
