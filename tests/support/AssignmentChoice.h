#pragma once

#include <cstddef>
#include <optional>

namespace zev {
class GroupAssignmentDialog;
}

namespace zev::testing {

// Entries of the group assignment dialog's drop-downs: a place, one of its disciplines and a
// teacher of it, with the number of students the first stream of that teacher would get.
struct AssignmentChoice {
    int place = -1;
    int discipline = -1;
    int teacher = -1;
    std::size_t changes = 0;
};

// Tries every place, discipline and teacher of the dialog whose stream list is not empty, with
// its first stream, and answers the first choice that gives the most students the assignment;
// nothing when no place of the group has a stream. The dialog is left on the last entries tried:
// the caller chooses the answer in the way it needs (directly or with the keyboard).
std::optional<AssignmentChoice> mostStudentsChoice(GroupAssignmentDialog& dialog);

// Chooses the answer of mostStudentsChoice directly in the drop-downs, with the first stream.
std::optional<AssignmentChoice> chooseMostStudents(GroupAssignmentDialog& dialog);

}  // namespace zev::testing
