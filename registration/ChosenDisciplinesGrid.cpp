// The chosen-disciplines grid: its columns, the lists re-read at each student choice, and the
// department and teacher columns that narrow them.
#include "data/DataModule.h"
#include "data/FieldNames.h"
#include "registration/ChosenDisciplinesSql.h"
#include "registration/RegistrationWindow.h"
#include "widgets/Fonts.h"

namespace zev {

namespace cds = ChosenDisciplinesSql;

namespace {

void reopen(Query& list, const QString& sql) {
    list.close();
    list.setSQL(sql);
    list.open();
}

}  // namespace

void TForm1::buildChosenGrid() {
    DBGridEh1 = new DBGridEh(this);
    DBGridEh1->setFixedHeight(196);
    DBGridEh1->setDataSource(dm_.DS_disciplineForStudent2);
    DBGridEh1->setOptions(GridOption::Editing | GridOption::Titles | GridOption::Indicator |
                          GridOption::ColLines | GridOption::RowLines | GridOption::Tabs |
                          GridOption::ConfirmDelete | GridOption::CancelOnExit);
    QFont title = defaultUiFont();
    title.setBold(true);
    DBGridEh1->setTitleFont(title);
    DBGridEh1->setFont(defaultUiFont());

    DBGridColumnEh& department =
        DBGridEh1->addColumn(QStringLiteral("Kafedra"), QStringLiteral("Кафедра"), 152);
    department.onUpdateData = [this](DBGridColumnEh& c, ColumnUpdate& u) {
        DBGridEh1Columns0UpdateData(c, u);
    };
    DBGridColumnEh& discipline =
        DBGridEh1->addColumn(QStringLiteral("Discipline"), QStringLiteral("Дисциплина"), 230);
    DBGridColumnEh& teacher =
        DBGridEh1->addColumn(QStringLiteral("Teacher"), QStringLiteral("Преподаватель"), 247);
    teacher.onUpdateData = [this](DBGridColumnEh& c, ColumnUpdate& u) {
        DBGridEh1Columns2UpdateData(c, u);
    };
    DBGridColumnEh& stream =
        DBGridEh1->addColumn(QStringLiteral("potok"), QStringLiteral("Поток"), 100);
    for (int i = 0; i < DBGridEh1->columnCount(); ++i) {
        DBGridEh1->column(i).alignment = Qt::AlignLeft;
    }
    // The department and teacher columns narrow the discipline, teacher and stream lists; the
    // rows outside them show the names read with the full lists.
    discipline.emptyCellText = [this](const Field& f) { return chosenDisciplineNames_.nameFor(f); };
    teacher.emptyCellText = [this](const Field& f) { return chosenTeacherNames_.nameFor(f); };
    stream.emptyCellText = [this](const Field& f) { return chosenStreamNames_.nameFor(f); };
}

void TForm1::closeChosenRows() {
    dm_.ADOQ_disciplineForStudent2->close();
}

void TForm1::readChosenDisciplines() {
    const std::optional<qint64> semester = DBLookupComboBox5->keyValue();
    if (semester) {
        if (const std::optional<QString> code = cds::idWsForSemester(*semester)) {
            IdWS = *code;
        } else {
            // A semester outside the usual numbering takes its half-year code from the
            // semester list itself, so that no statement goes out with a blank code.
            const QString own =
                valueText(dm_.ADOQ_Semester->lookup(field::id_semester, *semester, field::id_w_s));
            if (!own.isEmpty()) {
                IdWS = own;
            }
        }
    }
    const QString year = DBLookupComboBox2->keyText();
    reopen(*dm_.ADOQ_kafedra, cds::departments(year, IdWS));
    reopen(*dm_.ADOQ_Discipline, cds::disciplines(year, IdWS));
    reopen(*dm_.ADOQ_Teacher2, cds::teachers(year, IdWS));
    reopen(*dm_.ADOQ_potoki, cds::streams(year, IdWS));
    dm_.ADOQ_potoki->setSort(field::subgroup);
    chosenDisciplineNames_.remember(*dm_.ADOQ_Discipline, field::id_discipline, field::p34);
    chosenTeacherNames_.remember(*dm_.ADOQ_Teacher2, field::id_teacher, field::t_fio);
    chosenStreamNames_.remember(*dm_.ADOQ_potoki, field::subgroup, field::subgroup);
    reopen(*dm_.ADOQ_disciplineForStudent2,
           cds::rows(DBLookupComboBox6->keyText(), year, DBLookupComboBox5->keyText()));
}

void TForm1::DBGridEh1Columns0UpdateData(DBGridColumnEh&, ColumnUpdate& update) {
    const QString year = DBLookupComboBox2->keyText();
    const QString department = valueText(update.value);
    reopen(*dm_.ADOQ_Discipline, cds::disciplinesOfDepartment(year, IdWS, department));
    reopen(*dm_.ADOQ_Teacher2, cds::teachersOfDepartment(year, IdWS, department));
}

void TForm1::DBGridEh1Columns2UpdateData(DBGridColumnEh&, ColumnUpdate& update) {
    reopen(*dm_.ADOQ_potoki,
           cds::streamsOfTeacher(DBLookupComboBox2->keyText(), IdWS, valueText(update.value)));
    dm_.ADOQ_potoki->setSort(field::subgroup);
}

}  // namespace zev
