// The data module's record rules: what happens when electives, chosen disciplines and debts are
// inserted, posted, deleted or scrolled.
#include "data/DataModule.h"
#include "data/ElectivesSql.h"
#include "data/FieldNames.h"

namespace zev {

namespace {

QString fieldText(const Dataset& dataSet, const QString& name) {
    return dataSet.fieldByName(name).text();
}

void replaceFilter(Dataset& list, const QString& filter) {
    list.setFiltered(false);
    list.setFilter(filter);
    list.setFiltered(true);
}

}  // namespace

void TDM_MB::setRulesHost(RecordRulesHost* host) {
    host_ = host;
    Query& electives = *ADOQ_SelectDisciplineForStudent;
    if (!host) {
        electives.afterScroll = nullptr;
        electives.beforeInsert = nullptr;
        electives.beforePost = nullptr;
        electives.onPostError = nullptr;
        electives.beforeDelete = nullptr;
        ADOQ_disciplineForStudent2->beforePost = nullptr;
        ADOQ_disciplineForStudent2->afterPost = nullptr;
        ADOQ_Debts->beforePost = nullptr;
        return;
    }
    electives.afterScroll = [this](Dataset& d) { ADOQ_SelectDisciplineForStudentAfterScroll(d); };
    electives.beforeInsert = [this](Dataset& d) { ADOQ_SelectDisciplineForStudentBeforeInsert(d); };
    electives.beforePost = [this](Dataset& d) { ADOQ_SelectDisciplineForStudentBeforePost(d); };
    electives.onPostError = [this](Dataset& d, const Error& e) {
        return ADOQ_SelectDisciplineForStudentPostError(d, e);
    };
    electives.beforeDelete = [this](Dataset& d) { ADOQ_SelectDisciplineForStudentBeforeDelete(d); };
    ADOQ_disciplineForStudent2->beforePost = [this](Dataset& d) {
        ADOQ_disciplineForStudent2BeforePost(d);
    };
    ADOQ_disciplineForStudent2->afterPost = [this](Dataset& d) {
        ADOQ_disciplineForStudent2AfterPost(d);
    };
    ADOQ_Debts->beforePost = [this](Dataset& d) { ADOQ_DebtsBeforePost(d); };
}

void TDM_MB::ADOQ_SelectDisciplineForStudentAfterScroll(Dataset& dataSet) {
    if (dataSet.tag() == 1) {
        return;  // the registration window is reloading the student's datasets
    }

    // Discipline choices: the row's group of alternatives.
    const QString groupNum = fieldText(dataSet, field::descGroupNum);
    if (!groupNum.isEmpty()) {
        replaceFilter(*ADOQ_DisciplineForStudent, ElectivesSql::disciplineGroupFilter(groupNum));
    }

    // Stream choices.
    host_->FilterSubGroups();

    // Teacher choices: the teachers of the discipline's department.
    QString department;
    const Field& discipline = dataSet.fieldByName(field::id_discipline);
    if (!discipline.text().isEmpty()) {
        department = valueText(ADOQ_DisciplineForStudent->lookup(
            field::id_discipline, discipline.value(), field::id_kafedra));
    }
    ADOQ_Teacher->setSQL(department.isEmpty() ? ElectivesSql::noTeachers()
                                              : ElectivesSql::teachersOfDepartment(department));
    ADOQ_Teacher->open();

    // Semester choices: the semesters of the row's year for the chosen group.
    const QString year = fieldText(dataSet, field::id_a_year);
    if (!year.isEmpty()) {
        replaceFilter(*ADOQ_Semester2,
                      ElectivesSql::semesterFilter(year, valueText(host_->groupKey())));
    } else {
        replaceFilter(*ADOQ_Semester2, ElectivesSql::noSemesterFilter());
    }
}

void TDM_MB::ADOQ_SelectDisciplineForStudentBeforeInsert(Dataset&) {
    // The electives hold exactly the places the server returns: no row is ever added here.
    throw Abort();
}

void TDM_MB::ADOQ_SelectDisciplineForStudentBeforePost(Dataset& dataSet) {
    dataSet.fieldByName(field::ZEV_user).setValue(host_->userLogin());

    Field& examination = dataSet.fieldByName(field::id_examination);
    if (!examination.text().isEmpty()) {
        return;
    }
    examination.setValue(ADOQ_DisciplineForStudent->lookup(
        field::id_discipline, dataSet.fieldByName(field::id_discipline).value(),
        field::id_examination));
}

PostErrorAction TDM_MB::ADOQ_SelectDisciplineForStudentPostError(Dataset& dataSet, const Error& e) {
    if (fieldText(dataSet, field::subgroup).isEmpty()) {
        host_->showRuleNotice(QStringLiteral("Вы ни выбрали поток.\rВы должны заполнить поток!"),
                              false);
    } else {
        host_->showRuleNotice(e.text(), true);
    }
    return PostErrorAction::Abort;
}

void TDM_MB::ADOQ_SelectDisciplineForStudentBeforeDelete(Dataset& dataSet) {
    ADOQ_Exec->setSQL(
        ElectivesSql::deleteElective(fieldText(dataSet, field::id_disciplineForStudent)));
    ADOQ_Exec->execSQL();

    // The row leaves the grid through a reload with the same parameters.
    dataSet.close();
    dataSet.open();
    throw Abort();
}

void TDM_MB::ADOQ_disciplineForStudent2BeforePost(Dataset& dataSet) {
    dataSet.fieldByName(field::id_student).setValue(host_->studentKey());
    dataSet.fieldByName(field::id_a_year).setValue(host_->yearKey());
    dataSet.fieldByName(field::id_semester).setValue(host_->semesterKey());
}

void TDM_MB::ADOQ_disciplineForStudent2AfterPost(Dataset&) {
    host_->DBLookupComboBox6Click();
    ADOQ_disciplineForStudent2->last();
}

void TDM_MB::ADOQ_DebtsBeforePost(Dataset& dataSet) {
    dataSet.fieldByName(field::id_student).setValue(host_->studentKey());
    dataSet.fieldByName(field::id_semester).setValue(host_->semesterKey());
}

}  // namespace zev
