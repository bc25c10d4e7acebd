// The data module: the connection, every dataset with its statement, parameters and fields, and
// the data sources. The record rules live in RecordRules.cpp.
#include "data/DataModule.h"
#include "data/FieldNames.h"
#include "data/GroupAssignment.h"

namespace zev {

TDM_MB* DM_MB = nullptr;

namespace {

FieldDef integer(const QString& name) {
    return FieldDef{.name = name, .type = FieldType::Integer};
}

FieldDef autoInc(const QString& name) {
    return FieldDef{.name = name, .type = FieldType::AutoInc, .readOnly = true};
}

FieldDef string(const QString& name, int size, int displayWidth = 0) {
    return FieldDef{
        .name = name, .type = FieldType::String, .size = size, .displayWidth = displayWidth};
}

FieldDef wideString(const QString& name, int size) {
    return FieldDef{.name = name, .type = FieldType::WideString, .size = size};
}

// A display-only field showing `result` of the row of `list` whose `listKey` equals `key`.
FieldDef lookupField(const QString& name, FieldType type, int size, const QString& key,
                     Dataset* list, const QString& listKey, const QString& result) {
    FieldDef def{.name = name, .type = type, .size = size};
    def.lookupDataset = list;
    def.keyFields = key;
    def.lookupKeyFields = listKey;
    def.lookupResultField = result;
    return def;
}

}  // namespace

TDM_MB::TDM_MB(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("DM_MB"));
    DM_MB = this;
    // Lookup lists come before the datasets whose lookup fields name them.
    createSelectionLists();
    createElectivesLookupLists();
    createElectives();
    createChosenDisciplines();
    createStatementRunnerAndDebts();
    createDataSources();
}

Query* TDM_MB::query(const QString& name, const QString& sql,
                     std::initializer_list<const char*> typedParams) {
    auto* q = new Query(&ADOCon, this);
    q->setObjectName(name);
    for (const char* p : typedParams) {
        q->declareTypedParam(QString::fromLatin1(p));
    }
    q->setSQL(sql);
    return q;
}

DataSource* TDM_MB::source(const QString& name, Dataset* dataset) {
    auto* s = new DataSource(dataset, this);
    s->setObjectName(name);
    return s;
}

// The selection cascade's lists, faculty down to the group's students.
void TDM_MB::createSelectionLists() {
    ADOQ_Faculty =
        query(QStringLiteral("ADOQ_Faculty"),
              QStringLiteral("SELECT id_faculty, [p23-1] FROM Faculty INNER JOIN "
                             "user_faculty ON faculty.id_faculty = user_faculty.faculty "
                             "WHERE user_faculty.id_login =:@id_login ORDER BY [p23-1]"));
    ADOQ_f_educ = query(QStringLiteral("ADOQ_f_educ"),
                        QStringLiteral("SELECT DISTINCT dbo.f_educ.id_f_educ, dbo.f_educ.p108, o_z "
                                       "FROM dbo.com_sfe INNER JOIN dbo.f_educ ON "
                                       "dbo.com_sfe.id_f_educ = dbo.f_educ.id_f_educ WHERE "
                                       "id_faculty =:@id_faculty"));

    ADOT_ObemChasov = new Table(&ADOCon, this);
    ADOT_ObemChasov->setObjectName(QStringLiteral("ADOT_ObemChasov"));
    ADOT_ObemChasov->setTableName(QStringLiteral("ObemChasov"));
    ADOT_ObemChasov->setFieldDefs({autoInc(QStringLiteral("id_obem_chasov")),
                                   wideString(QStringLiteral("n_obem_chasov"), 20)});

    ADOQ_Speciality = query(
        QStringLiteral("ADOQ_Speciality"),
        QStringLiteral("SELECT id_speciality, [p25-2], id_obem_chasov FROM Speciality_form WHERE "
                       "id_faculty=:id_faculty and id_f_educ=:id_f_educ GROUP BY id_speciality, "
                       "[p25-2] , id_obem_chasov ORDER BY [p25-2]"),
        {"id_faculty", "id_f_educ"});
    ADOQ_Speciality->setFieldDefs(
        {integer(field::id_speciality), string(field::p25_2, 300),
         integer(QStringLiteral("id_obem_chasov")),
         lookupField(QStringLiteral("ObemChasov"), FieldType::String, 20,
                     QStringLiteral("id_obem_chasov"), ADOT_ObemChasov,
                     QStringLiteral("id_obem_chasov"), QStringLiteral("n_obem_chasov"))});

    ADOQ_Year =
        query(QStringLiteral("ADOQ_Year"), QStringLiteral("SELECT id_a_year, p32 FROM a_year"));
    ADOQ_Semester =
        query(QStringLiteral("ADOQ_Semester"),
              QStringLiteral("SELECT id_semester, p43, id_w_s FROM Semester ORDER BY p43"));
    ADOQ_group = query(
        QStringLiteral("ADOQ_group"),
        QStringLiteral("SELECT g_r_y.id_group, [group].p20 FROM g_r_y, [group], Semester, g_s "
                       "WHERE g_r_y.id_group = [group].id_group AND g_r_y.id_rate = "
                       "Semester.id_rate AND g_r_y.id_group = g_s.id_group AND g_r_y.id_a_year "
                       "=:id_a_year AND Semester.id_semester =:id_semester AND g_s.id_speciality "
                       "=:id_speciality ORDER BY [group].p20"));
    ADOQ_Students = query(QStringLiteral("ADOQ_Students"), studentsOfGroupSql());
    // The server gives the group's students in its own order; the drop-down lists them by name.
    ADOQ_Students->setSort(field::s_fio);
}

// The lists that the electives look their keys up in.
void TDM_MB::createElectivesLookupLists() {
    ADOQ_DisciplineForStudent =
        query(QStringLiteral("ADOQ_DisciplineForStudent"),
              QStringLiteral("EXEC GetDisciplineForDisciplineName @id_speciality =:id_speciality, "
                             "@id_a_year =:id_a_year, @id_student=:id_student, "
                             "@id_semester=:id_semester"),
              {"id_speciality", "id_a_year", "id_student", "id_semester"});
    ADOQ_DisciplineForStudent->setFieldDefs(
        {integer(field::id_discipline), string(field::p34, 100), integer(field::descGroupNum),
         integer(field::id_kafedra), integer(field::id_examination),
         integer(QStringLiteral("Krdt"))});

    ADOQ_Teacher = query(QStringLiteral("ADOQ_Teacher"),
                         QStringLiteral("SELECT TOP 0 0 AS id_teacher, '' AS t_fio"));
    ADOQ_Teacher->setFieldDefs({integer(field::id_teacher), string(field::t_fio, 100)});

    ADOQ_Semester2 = query(
        QStringLiteral("ADOQ_Semester2"),
        QStringLiteral("SELECT Semester.id_w_s, Semester.id_semester, Semester.p43, "
                       "g_r_y.id_a_year, g_r_y.id_group FROM Semester, g_r_y, g_s WHERE "
                       "Semester.id_rate = g_r_y.id_rate AND g_r_y.id_group = g_s.id_group AND "
                       "g_s.id_speciality=:id_speciality ORDER BY p43"));
    ADOQ_SubGroup = query(QStringLiteral("ADOQ_SubGroup"),
                          QStringLiteral("SELECT DISTINCT subgroup, id_a_year, id_kafedra, "
                                         "id_teacher, id_discipline, id_examination, id_w_s FROM "
                                         "dbo.RRNKkrdt WHERE id_o_z=:id_o_z"));
    ADOQ_StreamPlaces =
        query(QStringLiteral("ADOQ_StreamPlaces"),
              QStringLiteral("EXEC GetStreamPlaces @id_discipline =:id_discipline, @id_teacher "
                             "=:id_teacher, @id_a_year =:id_a_year, @id_w_s =:id_w_s"),
              {"id_discipline", "id_teacher", "id_a_year", "id_w_s"});
}

// The student's elective places, written back to DisciplineForStudent.
void TDM_MB::createElectives() {
    ADOQ_SelectDisciplineForStudent =
        query(QStringLiteral("ADOQ_SelectDisciplineForStudent"), electivesOfStudentSql(),
              {"id_speciality", "id_a_year", "id_semester", "id_student"});
    FieldDef subgroup =
        FieldDef{.name = field::subgroup, .type = FieldType::Word, .required = true};
    subgroup.minValue = 0;
    subgroup.maxValue = 250;
    ADOQ_SelectDisciplineForStudent->setFieldDefs({
        autoInc(field::id_disciplineForStudent),
        integer(field::id_discipline),
        lookupField(QStringLiteral("Discipline"), FieldType::String, 100, field::id_discipline,
                    ADOQ_DisciplineForStudent, field::id_discipline, field::p34),
        integer(field::id_teacher),
        lookupField(QStringLiteral("teacher"), FieldType::String, 100, field::id_teacher,
                    ADOQ_Teacher, field::id_teacher, field::t_fio),
        string(field::p34, 100),
        wideString(field::ZEV_user, 20),
        integer(field::id_examination),
        subgroup,
        integer(field::id_group),
        integer(field::descGroupNum),
        integer(field::id_semester),
        integer(field::id_a_year),
        lookupField(QStringLiteral("InsSemester"), FieldType::String, 20, field::id_semester,
                    ADOQ_Semester2, field::id_semester, field::p43),
        lookupField(QStringLiteral("InsYear"), FieldType::String, 10, field::id_a_year, ADOQ_Year,
                    field::id_a_year, field::p32),
        lookupField(QStringLiteral("subGr"), FieldType::Integer, 0, field::subgroup, ADOQ_SubGroup,
                    field::subgroup, field::subgroup),
        string(field::p30, 20),
    });
    ADOQ_SelectDisciplineForStudent->setUpdateTable(QStringLiteral("DisciplineForStudent"),
                                                    field::id_disciplineForStudent);
    ADOQ_SelectDisciplineForStudent->setUpdateColumns(
        {field::id_discipline, field::id_teacher, field::ZEV_user, field::id_examination,
         field::subgroup, field::id_semester, field::id_a_year});
}

// The chosen disciplines and their four lists, whose statements the window composes.
void TDM_MB::createChosenDisciplines() {
    ADOQ_kafedra = query(QStringLiteral("ADOQ_kafedra"), QString());
    ADOQ_kafedra->setFieldDefs({integer(field::id_kafedra), string(QStringLiteral("f1"), 50, 50)});
    ADOQ_Discipline = query(QStringLiteral("ADOQ_Discipline"), QString());
    ADOQ_Discipline->setFieldDefs({integer(field::id_discipline), string(field::p34, 100, 100)});
    ADOQ_Teacher2 = query(QStringLiteral("ADOQ_Teacher2"), QString());
    ADOQ_potoki = query(QStringLiteral("ADOQ_potoki"), QString());
    ADOQ_potoki->setFieldDefs({integer(field::subgroup)});

    // The grid's four columns are lookups over the four lists, keyed by the row's own columns of
    // DisciplineForStudent2 (see data/README.md).
    ADOQ_disciplineForStudent2 = query(QStringLiteral("ADOQ_disciplineForStudent2"), QString());
    ADOQ_disciplineForStudent2->setFieldDefs({
        integer(field::id_student),
        integer(field::id_a_year),
        integer(field::id_semester),
        autoInc(QStringLiteral("id_disciplineForStudent2")),
        integer(field::id_kafedra),
        integer(field::id_discipline),
        integer(field::id_teacher),
        integer(field::subgroup),
        lookupField(QStringLiteral("Kafedra"), FieldType::String, 50, field::id_kafedra,
                    ADOQ_kafedra, field::id_kafedra, QStringLiteral("f1")),
        lookupField(QStringLiteral("Discipline"), FieldType::String, 100, field::id_discipline,
                    ADOQ_Discipline, field::id_discipline, field::p34),
        lookupField(QStringLiteral("Teacher"), FieldType::String, 100, field::id_teacher,
                    ADOQ_Teacher2, field::id_teacher, field::t_fio),
        lookupField(QStringLiteral("potok"), FieldType::Integer, 0, field::subgroup, ADOQ_potoki,
                    field::subgroup, field::subgroup),
    });
    ADOQ_disciplineForStudent2->setUpdateTable(QStringLiteral("DisciplineForStudent2"),
                                               QStringLiteral("id_disciplineForStudent2"));
}

// The statement runner and the debts pair.
void TDM_MB::createStatementRunnerAndDebts() {
    ADOQ_Exec = query(QStringLiteral("ADOQ_Exec"), QString());
    ADOQ_GetDebts = query(QStringLiteral("ADOQ_GetDebts"),
                          QStringLiteral("EXEC GetDebts @id_group=:id_group, "
                                         "@id_student=:id_student, @id_semester=:id_semester"),
                          {"id_group", "id_student", "id_semester"});
    ADOQ_GetDebts->setFieldDefs(
        {integer(field::id_discipline), string(QStringLiteral("discipline"), 300)});
    ADOQ_Debts = query(QStringLiteral("ADOQ_Debts"),
                       QStringLiteral("SELECT * FROM Debts WHERE id_semester=:id_semester AND "
                                      "id_student=:id_student"),
                       {"id_semester", "id_student"});
    ADOQ_Debts->setFieldDefs({
        autoInc(QStringLiteral("id_debts")),
        integer(field::id_semester),
        integer(field::id_student),
        integer(field::id_discipline),
        lookupField(QStringLiteral("Discipline"), FieldType::String, 100, field::id_discipline,
                    ADOQ_GetDebts, field::id_discipline, QStringLiteral("discipline")),
    });
    ADOQ_Debts->setUpdateTable(QStringLiteral("Debts"), QStringLiteral("id_debts"));
}

// One data source per dataset that a control shows.
void TDM_MB::createDataSources() {
    DS_Faculty = source(QStringLiteral("DS_Faculty"), ADOQ_Faculty);
    DS_f_educ = source(QStringLiteral("DS_f_educ"), ADOQ_f_educ);
    DS_Speciality = source(QStringLiteral("DS_Speciality"), ADOQ_Speciality);
    DS_Year = source(QStringLiteral("DS_Year"), ADOQ_Year);
    DS_Semester = source(QStringLiteral("DS_Semester"), ADOQ_Semester);
    DS_group = source(QStringLiteral("DS_group"), ADOQ_group);
    DS_Students = source(QStringLiteral("DS_Students"), ADOQ_Students);
    DS_SelectDisciplineForStudent =
        source(QStringLiteral("DS_SelectDisciplineForStudent"), ADOQ_SelectDisciplineForStudent);
    DS_DisciplineForStudent =
        source(QStringLiteral("DS_DisciplineForStudent"), ADOQ_DisciplineForStudent);
    DS_Teacher = source(QStringLiteral("DS_Teacher"), ADOQ_Teacher);
    DS_Semester2 = source(QStringLiteral("DS_Semester2"), ADOQ_Semester2);
    DS_SubGroup = source(QStringLiteral("DS_SubGroup"), ADOQ_SubGroup);
    DS_disciplineForStudent2 =
        source(QStringLiteral("DS_disciplineForStudent2"), ADOQ_disciplineForStudent2);
    DS_GetDebts = source(QStringLiteral("DS_GetDebts"), ADOQ_GetDebts);
    DS_Debts = source(QStringLiteral("DS_Debts"), ADOQ_Debts);
}

TDM_MB::~TDM_MB() {
    // Datasets go before the connection they run on; hooks may point back at the module.
    const auto datasets = findChildren<Dataset*>();
    for (Dataset* dataset : datasets) {
        dataset->beforeInsert = nullptr;
        dataset->beforePost = nullptr;
        dataset->afterPost = nullptr;
        dataset->beforeDelete = nullptr;
        dataset->afterScroll = nullptr;
        dataset->onPostError = nullptr;
        dataset->close();
    }
    if (DM_MB == this) {
        DM_MB = nullptr;
    }
}

}  // namespace zev
