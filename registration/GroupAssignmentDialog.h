#pragma once

#include "data/GroupAssignment.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zev {

class TDM_MB;
class Query;

// The group the assignment is for: its keys, its name and those of the year and semester, and
// the form of education whose streams are on offer.
struct AssignmentGroup {
    GroupChoice choice;
    QString name;
    QString year;
    QString semester;
    Value formOfEducation;  // o_z of the chosen form: the streams' id_o_z
};

// The dialog "Назначить группе": one elective place of the group, the discipline, teacher and
// stream to put into it, the students who are to get it (check boxes; at first every student
// with the place free), and a preview of what "Назначить" will write: how many rows change, and
// each student left as he is with the reason. The lists offer what the electives grid offers
// for a row of that place: the place's alternatives, the teachers of the discipline's
// department, the streams that fit, with their places taken and capacity. It writes nothing:
// the caller applies the plan once it is accepted. Escape or "Отмена" closes it.
class GroupAssignmentDialog : public QDialog {
    Q_OBJECT
public:
    GroupAssignmentDialog(TDM_MB& dm, AssignmentGroup group, std::vector<GroupStudent> students,
                          QWidget* parent = nullptr);
    ~GroupAssignmentDialog() override;

    QLabel* GroupLabel;
    QComboBox* PlaceBox;       // "Место:"
    QComboBox* DisciplineBox;  // "Дисциплина:"
    QComboBox* TeacherBox;     // "Преподаватель:"
    QComboBox* StreamBox;      // "Поток:", "101 (5/8)"
    QTreeWidget* StudentList;  // check boxes
    QPlainTextEdit* PreviewText;
    QPushButton* AssignButton;  // "Назначить"
    QPushButton* CancelButton;  // "Отмена"

    // What is chosen (complete only with a discipline, a teacher and a stream) and the plan
    // the preview shows.
    const PlaceAssignment& assignment() const { return assignment_; }
    const AssignmentPlan& plan() const { return plan_; }
    bool complete() const;
    const std::vector<GroupStudent>& students() const { return students_; }
    const AssignmentGroup& group() const { return group_; }
    // The chosen stream's number as the list shows it.
    QString streamNumber() const;

private:
    struct Discipline {
        Value id;
        QString name;
        Value department;
        Value examination;
    };

    void placeChosen();
    void disciplineChosen();
    void teacherChosen();
    void streamChosen();
    void fillStudents();
    void updatePreview();
    std::vector<Value> checkedStudents() const;
    const Discipline* chosenDiscipline() const;
    Value placeHalfYear() const;

    TDM_MB& dm_;
    AssignmentGroup group_;
    std::vector<GroupStudent> students_;
    std::vector<GroupPlace> places_;
    std::vector<Discipline> disciplines_;
    // The streams of the form of education, filtered as the electives grid filters its list.
    Query* streams_;
    StreamPlaces streamPlaces_;
    PlaceAssignment assignment_;
    AssignmentPlan plan_;
    bool filling_ = false;
};

// What the preview says of a plan.
QString assignmentPreview(const AssignmentPlan& plan, const QString& streamNumber,
                          const StreamPlace& places);

}  // namespace zev
