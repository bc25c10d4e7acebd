#include "registration/GroupAssignmentCommands.h"

#include "core/Errors.h"
#include "data/DataModule.h"
#include "data/FieldNames.h"
#include "data/TransactionScope.h"
#include "registration/GroupAssignmentDialog.h"
#include "registration/RegistrationMenus.h"
#include "registration/RegistrationWindow.h"
#include "widgets/Notices.h"

#include <QAction>
#include <QMenu>

namespace zev {

namespace {

// Electives grid columns whose rules a hand edit runs: the discipline and the teacher.
constexpr int kDisciplineColumn = 0;
constexpr int kTeacherColumn = 4;

// The record rules' host while the rows are written: the window's keys and login, but the
// notice a refused post would show is kept as the reason of the failure instead, so that the
// user is told once, after the rollback, whose row it was.
class AssignmentRulesHost : public RecordRulesHost {
public:
    explicit AssignmentRulesHost(TForm1& window) : window_(window) {}
    Value studentKey() const override { return student; }
    Value yearKey() const override { return window_.yearKey(); }
    Value semesterKey() const override { return window_.semesterKey(); }
    Value groupKey() const override { return window_.groupKey(); }
    QString userLogin() const override { return window_.userLogin(); }
    void FilterSubGroups() override { window_.FilterSubGroups(); }
    void DBLookupComboBox6Click() override {}
    void showRuleNotice(const QString& text, bool) override { notice = text; }

    Value student;
    QString notice;

private:
    TForm1& window_;
};

// Puts the assignment's rules host in place of the window for as long as it lives, and the
// electives' tag at 1 (no after-scroll rule while a student's rows are read).
class RulesOfAssignment {
public:
    RulesOfAssignment(TDM_MB& dm, TForm1& window, AssignmentRulesHost& host)
        : dm_(dm), window_(window) {
        dm_.setRulesHost(&host);
        dm_.ADOQ_SelectDisciplineForStudent->setTag(1);
    }
    ~RulesOfAssignment() {
        dm_.ADOQ_SelectDisciplineForStudent->setTag(0);
        dm_.setRulesHost(&window_);
    }
    RulesOfAssignment(const RulesOfAssignment&) = delete;
    RulesOfAssignment& operator=(const RulesOfAssignment&) = delete;

private:
    TDM_MB& dm_;
    TForm1& window_;
};

}  // namespace

GroupAssignmentCommands::GroupAssignmentCommands(TForm1& window, TDM_MB& dm)
    : QObject(&window), window_(window), dm_(dm) {
    showDialog = [](GroupAssignmentDialog& dialog) { return dialog.exec(); };
}

void GroupAssignmentCommands::addTo(QMenu& menu) {
    AssignAction =
        addMenuCommand(menu, QStringLiteral("&Назначить группе…"),
                       QKeySequence(Qt::CTRL | Qt::Key_G), *this, [this] { assignToGroup(); });
    connect(&menu, &QMenu::aboutToShow, this, [this] {
        AssignAction->setEnabled(
            window_.DBLookupComboBox4->keyValue() && window_.DBLookupComboBox2->keyValue() &&
            window_.DBLookupComboBox5->keyValue() && window_.DBLookupComboBox3->keyValue());
    });
    connect(&menu, &QMenu::aboutToHide, this, [this] { AssignAction->setEnabled(true); });
}

void GroupAssignmentCommands::assignToGroup() {
    if (!window_.settlePendingEdits()) {
        return;
    }
    const auto speciality = window_.DBLookupComboBox4->keyValue();
    const auto year = window_.DBLookupComboBox2->keyValue();
    const auto semester = window_.DBLookupComboBox5->keyValue();
    const auto group = window_.DBLookupComboBox3->keyValue();
    if (!speciality || !year || !semester || !group) {
        notify(&window_,
               QStringLiteral("Выберите группу: факультет, форму обучения, специальность, "
                              "учебный год, семестр и группу."));
        return;
    }
    AssignmentGroup chosen{{*speciality, *year, *semester, *group},
                           window_.DBLookupComboBox3->text(),
                           window_.DBLookupComboBox2->text(),
                           window_.DBLookupComboBox5->text(),
                           dm_.ADOQ_f_educ->fieldByName(QStringLiteral("o_z")).value()};
    std::vector<GroupStudent> students = readGroupStudents(dm_.ADOCon, chosen.choice);
    const bool anyPlace = std::any_of(students.begin(), students.end(),
                                      [](const GroupStudent& s) { return !s.places.empty(); });
    if (!anyPlace) {
        notify(&window_, QStringLiteral("У студентов группы %1 нет мест дисциплин по выбору "
                                        "в этом учебном году и семестре.")
                             .arg(chosen.name));
        return;
    }
    GroupAssignmentDialog dialog(dm_, std::move(chosen), std::move(students), &window_);
    if (showDialog(dialog) != QDialog::Accepted || !dialog.complete() ||
        dialog.plan().changes.empty()) {
        return;
    }
    const std::optional<AssignmentFailure> failure =
        apply(dialog.group().choice, dialog.assignment(), dialog.plan());
    if (failure) {
        notify(&window_,
               QStringLiteral("Назначение не записано: строка студента %1 не сохранена.\r%2\r"
                              "Ни одна строка группы не изменена.")
                   .arg(failure->student, failure->reason),
               NoticeIcon::Error);
    } else {
        notify(&window_,
               QStringLiteral("Назначено студентов: %1.").arg(dialog.plan().changes.size()));
    }
}

std::optional<AssignmentFailure> GroupAssignmentCommands::apply(const GroupChoice& group,
                                                                const PlaceAssignment& assignment,
                                                                const AssignmentPlan& plan) {
    Query& electives = *dm_.ADOQ_SelectDisciplineForStudent;
    const bool disciplinesOpen = dm_.ADOQ_DisciplineForStudent->isOpen();
    const bool teachersOpen = dm_.ADOQ_Teacher->isOpen();
    std::optional<AssignmentFailure> failure;
    AssignmentRulesHost host(window_);
    {
        const RulesOfAssignment rules(dm_, window_, host);
        // The grid lets go of the chosen student's rows while others' are written.
        window_.QFDBGridEvents1->setActive(false);
        const PlannedStudent* current = nullptr;
        try {
            TransactionScope transaction(dm_.ADOCon);
            for (const PlannedStudent& row : plan.changes) {
                current = &row;
                host.student = row.student;
                host.notice.clear();
                writeRow(group, assignment, row);
            }
            transaction.commit();
        } catch (const Abort&) {
            // A record rule refused the post; its notice says why.
            failure = AssignmentFailure{
                current ? current->name : QString(),
                host.notice.isEmpty() ? QStringLiteral("Строка не сохранена.") : host.notice};
        } catch (const Error& error) {
            failure = AssignmentFailure{current ? current->name : QString(), error.text()};
        }
        if (electives.isOpen() && electives.state() != DatasetState::Browse) {
            electives.cancel();
        }
    }
    // The window shows the rows as they are now: the chosen student's read again as choosing
    // him reads them; without a student, the lists go back to how they were.
    if (window_.DBLookupComboBox6->keyValue()) {
        window_.DBLookupComboBox6Click();
    } else {
        electives.close();
        if (!disciplinesOpen) {
            dm_.ADOQ_DisciplineForStudent->close();
        }
        if (!teachersOpen) {
            dm_.ADOQ_Teacher->close();
        }
    }
    return failure;
}

void GroupAssignmentCommands::writeRow(const GroupChoice& group, const PlaceAssignment& assignment,
                                       const PlannedStudent& row) {
    // The student's lists and rows, read as choosing him reads them.
    Query& disciplines = *dm_.ADOQ_DisciplineForStudent;
    disciplines.close();
    disciplines.paramByName(field::id_speciality).setValue(group.speciality);
    disciplines.paramByName(field::id_a_year).setValue(group.year);
    disciplines.paramByName(field::id_student).setValue(row.student);
    disciplines.paramByName(field::id_semester).setValue(group.semester);
    disciplines.open();
    Query& electives = *dm_.ADOQ_SelectDisciplineForStudent;
    electives.close();
    electives.paramByName(field::id_speciality).setValue(group.speciality);
    electives.paramByName(field::id_a_year).setValue(group.year);
    electives.paramByName(field::id_semester).setValue(group.semester);
    electives.paramByName(field::id_student).setValue(row.student);
    electives.paramByName(field::id_group).setValue(group.group);
    electives.open();
    if (!electives.locate(field::id_disciplineForStudent, row.row)) {
        throw Error(QStringLiteral("Строки этого места у студента больше нет."));
    }
    // On the row, as the grid stands on it: the lists narrowed to it.
    electives.setTag(0);
    dm_.ADOQ_SelectDisciplineForStudentAfterScroll(electives);
    electives.setTag(1);
    if (!electives.fieldByName(field::p34).text().isEmpty()) {
        throw Error(skipReasonText(SkipReason::FixedDiscipline));
    }
    if (!electives.fieldByName(field::id_discipline).text().isEmpty()) {
        throw Error(QStringLiteral("Место уже выбрано: его заполнили после предпросмотра."));
    }

    // The discipline, teacher and stream chosen as in the grid's drop-downs: the chosen entry
    // current in its list, the column's rule, then the key written into the row.
    if (!disciplines.locate(field::id_discipline, assignment.discipline)) {
        throw Error(QStringLiteral("Дисциплины нет среди дисциплин этого места."));
    }
    ColumnUpdate discipline{assignment.discipline, QString(), false, false};
    window_.QFDBGridEh1Columns2UpdateData(window_.QFDBGridEh1->column(kDisciplineColumn),
                                          discipline);
    if (discipline.handled) {
        throw Error(skipReasonText(SkipReason::FixedDiscipline));
    }
    electives.fieldByName(field::id_discipline).setValue(assignment.discipline);
    ColumnUpdate teacher{assignment.teacher, QString(), false, false};
    window_.QFDBGridEh1Columns4UpdateData(window_.QFDBGridEh1->column(kTeacherColumn), teacher);
    electives.fieldByName(field::id_teacher).setValue(assignment.teacher);
    // The stream's places were counted for the preview; the server counts them again inside
    // the write and refuses a full stream.
    electives.fieldByName(field::subgroup).setValue(assignment.stream);
    electives.post();
}

}  // namespace zev
