#include "AssignmentChoice.h"

#include "registration/GroupAssignmentDialog.h"

#include <QComboBox>

namespace zev::testing {

std::optional<AssignmentChoice> mostStudentsChoice(GroupAssignmentDialog& dialog) {
    std::optional<AssignmentChoice> best;
    for (int p = 0; p < dialog.PlaceBox->count(); ++p) {
        dialog.PlaceBox->setCurrentIndex(p);
        for (int d = 0; d < dialog.DisciplineBox->count(); ++d) {
            dialog.DisciplineBox->setCurrentIndex(d);
            for (int t = 0; t < dialog.TeacherBox->count(); ++t) {
                dialog.TeacherBox->setCurrentIndex(t);
                if (dialog.StreamBox->count() == 0) {
                    continue;
                }
                dialog.StreamBox->setCurrentIndex(0);
                const std::size_t changes = dialog.plan().changes.size();
                if (!best || changes > best->changes) {
                    best = AssignmentChoice{p, d, t, changes};
                }
            }
        }
    }
    return best;
}

std::optional<AssignmentChoice> chooseMostStudents(GroupAssignmentDialog& dialog) {
    const std::optional<AssignmentChoice> best = mostStudentsChoice(dialog);
    if (best) {
        dialog.PlaceBox->setCurrentIndex(best->place);
        dialog.DisciplineBox->setCurrentIndex(best->discipline);
        dialog.TeacherBox->setCurrentIndex(best->teacher);
        dialog.StreamBox->setCurrentIndex(0);
    }
    return best;
}

}  // namespace zev::testing
