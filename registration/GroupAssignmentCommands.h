#pragma once

#include "data/GroupAssignment.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;
class QMenu;

namespace zev {

class TDM_MB;
class TForm1;
class GroupAssignmentDialog;

// Why an assignment was not written: the student whose row failed and what was said of it.
struct AssignmentFailure {
    QString student;
    QString reason;
};

// The entry "Назначить группе…" of the menu "Группа": one elective place, discipline, teacher
// and stream for the chosen group's students, chosen and previewed in GroupAssignmentDialog,
// then written row by row through the electives dataset, its record rules and the grid's column
// rules, as a hand edit writes them, all in one transaction: every row or none.
class GroupAssignmentCommands : public QObject {
    Q_OBJECT
public:
    GroupAssignmentCommands(TForm1& window, TDM_MB& dm);

    void addTo(QMenu& menu);

    // Opens the dialog for the chosen group and applies what it accepts.
    void assignToGroup();

    // Writes the plan's rows in one transaction; on the first row that fails everything is
    // rolled back and the failure tells whose row it was and why. The window's grids show the
    // chosen student's rows as they are afterwards, whatever the outcome.
    std::optional<AssignmentFailure> apply(const GroupChoice& group,
                                           const PlaceAssignment& assignment,
                                           const AssignmentPlan& plan);

    // Shows the dialog modally; replaceable by tests.
    std::function<int(GroupAssignmentDialog&)> showDialog;

    QAction* AssignAction = nullptr;  // "Назначить группе…"

private:
    // One planned row through the electives dataset, as the electives grid edits it.
    void writeRow(const GroupChoice& group, const PlaceAssignment& assignment,
                  const PlannedStudent& row);

    TForm1& window_;
    TDM_MB& dm_;
};

}  // namespace zev
