// The data module over the embedded server and a demo database written by the generator:
// every dataset opening with its parameters, lookups, filters, bookmarks, write-back with its
// conflict check, the subgroup range, and the post hooks on the real electives.
#include "FakeDrivers.h"
#include "OdbcRun.h"
#include "QtPrinting.h"
#include "data/DataModule.h"
#include "server/gen/Generator.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace zev::testing {
namespace {

// The keys of one student who has elective places.
struct StudentKeys {
    Value speciality, year, semester, student, group;
};

class ServerDataModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new QTemporaryDir();
        ASSERT_TRUE(folder_->isValid());
        const server::GeneratedDatabase made =
            server::generateDatabase(folder_->path(), server::DatabaseSize::Demo);
        odbcRun_ = new OdbcRun(made.databaseFile);
    }
    static void TearDownTestSuite() {
        delete odbcRun_;
        odbcRun_ = nullptr;
        delete folder_;
        folder_ = nullptr;
    }

    // The staff account's connection: the embedded file, or the TDS server in the odbc run.
    static QString connectionString() {
        return odbcRun_->connectionString(
            QStringLiteral("Data Source=zev-demo.sqlite;Initial Catalog=ZEV;User ID=%1;Password=%2")
                .arg(QString::fromLatin1(server::kStaffUser),
                     QString::fromLatin1(server::kStaffPassword)));
    }

    // A data module whose connection is open and records the statements that write.
    std::unique_ptr<TDM_MB> module(std::vector<QString>* writes = nullptr) {
        auto dm = std::make_unique<TDM_MB>();
        dm->ADOCon.setConnectionString(connectionString());
        dm->ADOCon.setBaseFolder(folder_->path());
        if (writes) {
            // Passes statements on to the server and keeps the ones that write.
            dm->ADOCon.openWithDriver(std::make_unique<WatchedDriver>(
                odbcRun_->openDriver(parseConnectionString(connectionString()), folder_->path()),
                [writes](const QString& sql, bool returnsRows) {
                    if (!returnsRows || sql.startsWith(QStringLiteral("INSERT"))) {
                        writes->push_back(sql);
                    }
                }));
        } else {
            dm->ADOCon.open();
        }
        return dm;
    }

    // A student with at least two elective places, one of them with a discipline.
    static StudentKeys someStudent(Connection& c) {
        const ResultSet r = c.query(QStringLiteral(
            "SELECT id_speciality, plan_a_year, plan_semester, id_student, id_group, "
            "COUNT(*) AS places, MAX(id_discipline) AS chosen FROM DisciplineForStudent "
            "GROUP BY id_speciality, plan_a_year, plan_semester, id_student, id_group"));
        for (int row = 0; row < r.rowCount(); ++row) {
            if (valueText(r.at(row, 5)).toInt() >= 2 && !isNull(r.at(row, 6))) {
                return {r.at(row, 0), r.at(row, 1), r.at(row, 2), r.at(row, 3), r.at(row, 4)};
            }
        }
        ADD_FAILURE() << "no student with elective places in the demo database";
        return {};
    }

    static void openElectives(TDM_MB& dm, const StudentKeys& k) {
        Query& q = *dm.ADOQ_SelectDisciplineForStudent;
        q.paramByName(QStringLiteral("id_speciality")).setValue(k.speciality);
        q.paramByName(QStringLiteral("id_a_year")).setValue(k.year);
        q.paramByName(QStringLiteral("id_semester")).setValue(k.semester);
        q.paramByName(QStringLiteral("id_student")).setValue(k.student);
        q.paramByName(QStringLiteral("id_group")).setValue(k.group);
        Query& d = *dm.ADOQ_DisciplineForStudent;
        d.paramByName(QStringLiteral("id_speciality")).setValue(k.speciality);
        d.paramByName(QStringLiteral("id_a_year")).setValue(k.year);
        d.paramByName(QStringLiteral("id_student")).setValue(k.student);
        d.paramByName(QStringLiteral("id_semester")).setValue(k.semester);
        dm.ADOQ_Semester2->paramByName(QStringLiteral("id_speciality")).setValue(k.speciality);
        q.open();
    }

    static std::vector<QString> fieldNames(const Dataset& d) {
        std::vector<QString> names;
        for (const Field* f : d.fields()) {
            names.push_back(f->fieldName());
        }
        return names;
    }

    static Value scalar(Connection& c, const QString& sql) {
        const ResultSet r = c.query(sql);
        return r.rowCount() > 0 ? r.at(0, 0) : Value{};
    }

    static QTemporaryDir* folder_;
    static OdbcRun* odbcRun_;
};

QTemporaryDir* ServerDataModule::folder_ = nullptr;
OdbcRun* ServerDataModule::odbcRun_ = nullptr;

std::vector<QString> list(std::initializer_list<const char*> names) {
    std::vector<QString> out;
    for (const char* n : names) {
        out.push_back(QString::fromLatin1(n));
    }
    return out;
}

TEST_F(ServerDataModule, ModuleStartsClosedWithNamedObjects) {
    TDM_MB dm;
    EXPECT_EQ(DM_MB, &dm);
    EXPECT_FALSE(dm.ADOCon.isOpen());
    EXPECT_EQ(dm.ADOQ_SelectDisciplineForStudent->objectName(),
              QStringLiteral("ADOQ_SelectDisciplineForStudent"));
    EXPECT_EQ(dm.DS_disciplineForStudent2->dataSet(), dm.ADOQ_disciplineForStudent2);
    EXPECT_EQ(dm.DS_group->dataSet(), dm.ADOQ_group);
    for (Dataset* d : dm.findChildren<Dataset*>()) {
        EXPECT_FALSE(d->isOpen()) << d->objectName().toStdString();
    }
    // Typed parameters hold integers; untyped ones take what they are given.
    EXPECT_TRUE(dm.ADOQ_Speciality->paramByName(QStringLiteral("id_faculty")).typed());
    EXPECT_FALSE(dm.ADOQ_group->paramByName(QStringLiteral("id_a_year")).typed());
    EXPECT_FALSE(dm.ADOQ_Faculty->paramByName(QStringLiteral("@id_login")).typed());
    EXPECT_FALSE(
        dm.ADOQ_SelectDisciplineForStudent->paramByName(QStringLiteral("id_group")).typed());
    EXPECT_TRUE(
        dm.ADOQ_SelectDisciplineForStudent->paramByName(QStringLiteral("id_student")).typed());
}

TEST_F(ServerDataModule, EveryDatasetOpensWithItsParametersAndExposesItsFields) {
    auto dm = module();
    Connection& c = dm->ADOCon;
    const StudentKeys k = someStudent(c);

    const Value login = scalar(c, QStringLiteral("SELECT id_login FROM user_faculty"));
    dm->ADOQ_Faculty->paramByName(QStringLiteral("@id_login"))
        .setValue(S(qPrintable(valueText(login))));
    dm->ADOQ_Faculty->open();
    EXPECT_GT(dm->ADOQ_Faculty->recordCount(), 0);
    EXPECT_EQ(fieldNames(*dm->ADOQ_Faculty), list({"id_faculty", "p23-1"}));

    const Value faculty = dm->ADOQ_Faculty->fieldByName(QStringLiteral("id_faculty")).value();
    dm->ADOQ_f_educ->paramByName(QStringLiteral("@id_faculty")).setValue(faculty);
    dm->ADOQ_f_educ->open();
    EXPECT_EQ(fieldNames(*dm->ADOQ_f_educ), list({"id_f_educ", "p108", "o_z"}));

    dm->ADOQ_Speciality->paramByName(QStringLiteral("id_faculty")).setValue(faculty);
    dm->ADOQ_Speciality->paramByName(QStringLiteral("id_f_educ"))
        .setValue(dm->ADOQ_f_educ->fieldByName(QStringLiteral("id_f_educ")).value());
    dm->ADOQ_Speciality->open();
    EXPECT_TRUE(dm->ADOT_ObemChasov->isOpen());
    EXPECT_EQ(fieldNames(*dm->ADOQ_Speciality),
              list({"id_speciality", "p25-2", "id_obem_chasov", "ObemChasov"}));
    EXPECT_EQ(fieldNames(*dm->ADOT_ObemChasov), list({"id_obem_chasov", "n_obem_chasov"}));
    if (!dm->ADOQ_Speciality->isEmpty() &&
        !dm->ADOQ_Speciality->fieldByName(QStringLiteral("id_obem_chasov")).isNull()) {
        EXPECT_EQ(dm->ADOQ_Speciality->fieldByName(QStringLiteral("ObemChasov")).value(),
                  dm->ADOT_ObemChasov->lookup(
                      QStringLiteral("id_obem_chasov"),
                      dm->ADOQ_Speciality->fieldByName(QStringLiteral("id_obem_chasov")).value(),
                      QStringLiteral("n_obem_chasov")));
    }

    dm->ADOQ_Year->open();
    dm->ADOQ_Semester->open();
    EXPECT_EQ(fieldNames(*dm->ADOQ_Year), list({"id_a_year", "p32"}));
    EXPECT_EQ(fieldNames(*dm->ADOQ_Semester), list({"id_semester", "p43", "id_w_s"}));

    dm->ADOQ_group->paramByName(QStringLiteral("id_a_year")).setValue(k.year);
    dm->ADOQ_group->paramByName(QStringLiteral("id_semester")).setValue(k.semester);
    dm->ADOQ_group->paramByName(QStringLiteral("id_speciality")).setValue(k.speciality);
    dm->ADOQ_group->open();
    EXPECT_TRUE(dm->ADOQ_group->locate(QStringLiteral("id_group"), k.group));
    EXPECT_EQ(fieldNames(*dm->ADOQ_group), list({"id_group", "p20"}));

    dm->ADOQ_Students->paramByName(QStringLiteral("id_group")).setValue(k.group);
    dm->ADOQ_Students->open();
    EXPECT_TRUE(dm->ADOQ_Students->locate(QStringLiteral("id_student"), k.student));
    EXPECT_EQ(fieldNames(*dm->ADOQ_Students), list({"id_student", "s_fio"}));

    dm->ADOQ_SubGroup->paramByName(QStringLiteral("id_o_z"))
        .setValue(dm->ADOQ_f_educ->fieldByName(QStringLiteral("o_z")).value());
    openElectives(*dm, k);
    Query& electives = *dm->ADOQ_SelectDisciplineForStudent;
    EXPECT_GE(electives.recordCount(), 2);
    EXPECT_EQ(
        fieldNames(electives),
        list({"id_disciplineForStudent", "id_discipline", "Discipline", "id_teacher", "teacher",
              "p34", "ZEV_user", "id_examination", "subgroup", "id_group", "descGroupNum",
              "id_semester", "id_a_year", "InsSemester", "InsYear", "subGr", "p30"}));
    // Its lookup lists opened with it; the teacher list's stored statement yields no rows.
    for (Dataset* list :
         {static_cast<Dataset*>(dm->ADOQ_DisciplineForStudent),
          static_cast<Dataset*>(dm->ADOQ_Teacher), static_cast<Dataset*>(dm->ADOQ_Semester2),
          static_cast<Dataset*>(dm->ADOQ_SubGroup)}) {
        EXPECT_TRUE(list->isOpen()) << list->objectName().toStdString();
    }
    EXPECT_EQ(dm->ADOQ_Teacher->recordCount(), 0);
    EXPECT_EQ(electives.fieldByName(QStringLiteral("teacher")).text(), QString());
    EXPECT_EQ(
        fieldNames(*dm->ADOQ_DisciplineForStudent),
        list({"id_discipline", "p34", "descGroupNum", "id_kafedra", "id_examination", "Krdt"}));
    EXPECT_EQ(fieldNames(*dm->ADOQ_Semester2),
              list({"id_w_s", "id_semester", "p43", "id_a_year", "id_group"}));
    EXPECT_EQ(fieldNames(*dm->ADOQ_SubGroup),
              list({"subgroup", "id_a_year", "id_kafedra", "id_teacher", "id_discipline",
                    "id_examination", "id_w_s"}));

    dm->ADOQ_Teacher->setSQL(QStringLiteral("SELECT * FROM t_fio"));
    dm->ADOQ_Teacher->open();
    EXPECT_GT(dm->ADOQ_Teacher->recordCount(), 0);

    // The chosen-disciplines dataset and its lists, with statements composed at run time.
    dm->ADOQ_kafedra->setSQL(QStringLiteral("SELECT id_kafedra, f1 FROM ZEV.dbo.kafedra"));
    dm->ADOQ_Discipline->setSQL(QStringLiteral(
        "SELECT dbo.discipline.p34, dbo.discipline.id_discipline FROM dbo.discipline"));
    dm->ADOQ_Teacher2->setSQL(QStringLiteral("SELECT id_teacher, t_fio FROM t_fio"));
    dm->ADOQ_potoki->setSQL(QStringLiteral("SELECT DISTINCT subgroup FROM dbo.RRNKkrdt"));
    dm->ADOQ_disciplineForStudent2->setSQL(
        QStringLiteral("SELECT * FROM zev.dbo.DisciplineForStudent2 WHERE id_student=") +
        valueText(k.student) + QStringLiteral(" AND id_a_year=") + valueText(k.year) +
        QStringLiteral(" AND id_semester=") + valueText(k.semester));
    dm->ADOQ_disciplineForStudent2->open();
    EXPECT_TRUE(dm->ADOQ_kafedra->isOpen() && dm->ADOQ_Discipline->isOpen() &&
                dm->ADOQ_Teacher2->isOpen() && dm->ADOQ_potoki->isOpen());
    EXPECT_EQ(fieldNames(*dm->ADOQ_kafedra), list({"id_kafedra", "f1"}));
    EXPECT_EQ(dm->ADOQ_kafedra->fieldByName(QStringLiteral("f1")).size(), 50);
    EXPECT_EQ(fieldNames(*dm->ADOQ_potoki), list({"subgroup"}));
    EXPECT_EQ(fieldNames(*dm->ADOQ_disciplineForStudent2),
              list({"id_student", "id_a_year", "id_semester", "id_disciplineForStudent2",
                    "id_kafedra", "id_discipline", "id_teacher", "subgroup", "Kafedra",
                    "Discipline", "Teacher", "potok"}));

    Query& getDebts = *dm->ADOQ_GetDebts;
    getDebts.paramByName(QStringLiteral("id_group")).setValue(k.group);
    getDebts.paramByName(QStringLiteral("id_student")).setValue(k.student);
    getDebts.paramByName(QStringLiteral("id_semester")).setValue(k.semester);
    Query& debts = *dm->ADOQ_Debts;
    debts.paramByName(QStringLiteral("id_semester")).setValue(k.semester);
    debts.paramByName(QStringLiteral("id_student")).setValue(k.student);
    debts.open();
    EXPECT_TRUE(getDebts.isOpen());
    EXPECT_EQ(fieldNames(debts),
              list({"id_debts", "id_semester", "id_student", "id_discipline", "Discipline"}));
    EXPECT_EQ(fieldNames(getDebts), list({"id_discipline", "discipline"}));

    // The statement runner runs a statement without rows.
    dm->ADOQ_Exec->setSQL(
        QStringLiteral("UPDATE Debts SET id_discipline = id_discipline WHERE 1 = 0"));
    EXPECT_EQ(dm->ADOQ_Exec->execSQL(), 0);
}

TEST_F(ServerDataModule, LookupsIgnoreTheLookupListsFilter) {
    auto dm = module();
    openElectives(*dm, someStudent(dm->ADOCon));
    Query& electives = *dm->ADOQ_SelectDisciplineForStudent;
    Query& disciplines = *dm->ADOQ_DisciplineForStudent;
    ASSERT_GT(disciplines.recordCount(), 1);

    // Narrow the list to one group of alternatives that matches no row, then to nothing at all.
    disciplines.setFilter(QStringLiteral("descGroupNum = -12345"));
    disciplines.setFiltered(true);
    EXPECT_EQ(disciplines.recordCount(), 0);
    int shown = 0;
    for (int r = 0; r < electives.recordCount(); ++r) {
        Dataset::DisplayRow row(electives, r);
        const Value key = electives.fieldByName(QStringLiteral("id_discipline")).value();
        const QString name = electives.fieldByName(QStringLiteral("Discipline")).text();
        EXPECT_EQ(name, valueText(disciplines.lookup(QStringLiteral("id_discipline"), key,
                                                     QStringLiteral("p34"))));
        shown += name.isEmpty() ? 0 : 1;
    }
    EXPECT_GT(shown, 0) << "rows with a discipline show its name whatever the list's filter";
}

TEST_F(ServerDataModule, ABadFilterKeepsTheOldOneAndBookmarksSurviveFilters) {
    auto dm = module();
    openElectives(*dm, someStudent(dm->ADOCon));
    Query& semesters = *dm->ADOQ_Semester2;
    ASSERT_GT(semesters.recordCount(), 1);
    semesters.last();
    const Dataset::Bookmark mark = semesters.bookmark();
    const Value year = semesters.fieldByName(QStringLiteral("id_a_year")).value();
    const Value group = semesters.fieldByName(QStringLiteral("id_group")).value();
    const QString filter = QStringLiteral("(id_a_year = %1) and (id_group = %2)")
                               .arg(valueText(year), valueText(group));
    semesters.setFilter(filter);
    semesters.setFiltered(true);
    const int narrowed = semesters.recordCount();
    EXPECT_GE(narrowed, 1);
    EXPECT_THROW(semesters.setFilter(QStringLiteral("(id_a_year = ) and (id_group = 3)")), Error);
    EXPECT_THROW(semesters.setFilter(QStringLiteral("id_year = 3")), Error);
    EXPECT_EQ(semesters.filter(), filter);
    EXPECT_EQ(semesters.recordCount(), narrowed);

    ASSERT_TRUE(semesters.bookmarkValid(mark));
    semesters.gotoBookmark(mark);
    EXPECT_EQ(semesters.fieldByName(QStringLiteral("id_a_year")).value(), year);
    semesters.setFilter(QStringLiteral("id_a_year = -1"));
    EXPECT_EQ(semesters.recordCount(), 0);
    EXPECT_FALSE(semesters.bookmarkValid(mark));
    semesters.setFiltered(false);
    EXPECT_TRUE(semesters.bookmarkValid(mark));
    semesters.close();
    semesters.open();
    EXPECT_FALSE(semesters.bookmarkValid(mark));
}

TEST_F(ServerDataModule, WriteBackSetsTheChangedColumnsAndChecksEveryColumnRead) {
    std::vector<QString> writes;
    auto dm = module(&writes);
    const StudentKeys k = someStudent(dm->ADOCon);
    openElectives(*dm, k);
    Query& electives = *dm->ADOQ_SelectDisciplineForStudent;
    const Value id = electives.fieldByName(QStringLiteral("id_disciplineForStudent")).value();
    const Value before = electives.fieldByName(QStringLiteral("ZEV_user")).value();
    const Value teacher = scalar(dm->ADOCon, QStringLiteral("SELECT MAX(id_teacher) FROM teacher"));

    electives.edit();
    electives.fieldByName(QStringLiteral("id_teacher")).setValue(teacher);
    electives.fieldByName(QStringLiteral("subgroup")).setValue(I(7));
    electives.post();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_TRUE(writes[0].startsWith(
        QStringLiteral("UPDATE DisciplineForStudent SET id_teacher = ?, subgroup = ? WHERE "
                       "id_disciplineForStudent = ? AND id_discipline ")))
        << writes[0].toStdString();
    // Every written column is compared with what was read, the unchanged ones included.
    for (const char* column : {"id_discipline", "id_teacher", "ZEV_user", "id_examination",
                               "subgroup", "id_semester", "id_a_year"}) {
        EXPECT_TRUE(writes[0].contains(QStringLiteral(" AND %1 ").arg(QLatin1String(column))))
            << column << ": " << writes[0].toStdString();
    }
    EXPECT_FALSE(writes[0].contains(QStringLiteral("descGroupNum"))) << writes[0].toStdString();

    // The server holds the new values and an unchanged column kept its own.
    const ResultSet row = dm->ADOCon.query(
        QStringLiteral("SELECT id_teacher, subgroup, ZEV_user FROM DisciplineForStudent WHERE "
                       "id_disciplineForStudent = :id"),
        {{QStringLiteral("id"), id}});
    ASSERT_EQ(row.rowCount(), 1);
    EXPECT_TRUE(valuesEqual(row.at(0, 0), teacher));
    EXPECT_TRUE(valuesEqual(row.at(0, 1), I(7)));
    EXPECT_TRUE(valuesEqual(row.at(0, 2), before));
    // Posted values stay in the local row.
    EXPECT_TRUE(valuesEqual(electives.fieldByName(QStringLiteral("id_teacher")).value(), teacher));
}

TEST_F(ServerDataModule, TwoUsersEditingOneElectiveRowConflict) {
    auto first = module();
    auto second = module();
    const StudentKeys k = someStudent(first->ADOCon);
    openElectives(*first, k);
    openElectives(*second, k);
    Query& a = *first->ADOQ_SelectDisciplineForStudent;
    Query& b = *second->ADOQ_SelectDisciplineForStudent;
    const Value id = a.fieldByName(QStringLiteral("id_disciplineForStudent")).value();
    ASSERT_TRUE(valuesEqual(id, b.fieldByName(QStringLiteral("id_disciplineForStudent")).value()));

    a.edit();
    a.fieldByName(QStringLiteral("subgroup")).setValue(I(11));
    a.fieldByName(QStringLiteral("ZEV_user")).setText(QStringLiteral("first"));
    a.post();

    b.edit();
    b.fieldByName(QStringLiteral("subgroup")).setValue(I(22));
    b.fieldByName(QStringLiteral("ZEV_user")).setText(QStringLiteral("second"));
    try {
        b.post();
        FAIL() << "the second post overwrote the first";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("другой пользователь")))
            << e.text().toStdString();
    }
    EXPECT_EQ(b.state(), DatasetState::Edit);
    EXPECT_EQ(b.fieldByName(QStringLiteral("subgroup")).value(), I(22));

    const ResultSet row = first->ADOCon.query(
        QStringLiteral("SELECT subgroup, ZEV_user FROM DisciplineForStudent WHERE "
                       "id_disciplineForStudent = :id"),
        {{QStringLiteral("id"), id}});
    ASSERT_EQ(row.rowCount(), 1);
    EXPECT_TRUE(valuesEqual(row.at(0, 0), I(11)));
    EXPECT_EQ(valueText(row.at(0, 1)), QStringLiteral("first"));

    // After re-reading, the second user's change goes through.
    b.cancel();
    b.close();
    b.open();
    b.edit();
    b.fieldByName(QStringLiteral("subgroup")).setValue(I(22));
    b.post();
    EXPECT_EQ(valueText(scalar(first->ADOCon,
                               QStringLiteral("SELECT subgroup FROM DisciplineForStudent WHERE "
                                              "id_disciplineForStudent = ") +
                                   valueText(id))),
              QStringLiteral("22"));
}

// Two windows of one login, the second one stale: one changes the discipline, the other the
// teacher. The second post must not go through, or the row would hold a teacher chosen for
// another discipline.
TEST_F(ServerDataModule, TwoWindowsOfOneUserChangingDifferentColumnsConflict) {
    auto first = module();
    auto second = module();
    const StudentKeys k = someStudent(first->ADOCon);
    openElectives(*first, k);
    openElectives(*second, k);
    Query& a = *first->ADOQ_SelectDisciplineForStudent;
    Query& b = *second->ADOQ_SelectDisciplineForStudent;
    const Value id = a.fieldByName(QStringLiteral("id_disciplineForStudent")).value();
    const QString where = QStringLiteral(
                              " FROM DisciplineForStudent WHERE "
                              "id_disciplineForStudent = ") +
                          valueText(id);
    // A value of `table` other than the row's own.
    const auto another = [&](const QString& column, const QString& table) {
        const Value own = a.fieldByName(column).value();
        const Value highest =
            scalar(first->ADOCon, QStringLiteral("SELECT MAX(%1) FROM %2").arg(column, table));
        return valuesEqual(highest, own)
                   ? scalar(first->ADOCon,
                            QStringLiteral("SELECT MIN(%1) FROM %2").arg(column, table))
                   : highest;
    };
    const Value otherDiscipline =
        another(QStringLiteral("id_discipline"), QStringLiteral("discipline"));
    const Value otherTeacher = another(QStringLiteral("id_teacher"), QStringLiteral("teacher"));
    ASSERT_FALSE(isNull(otherDiscipline));
    ASSERT_FALSE(isNull(otherTeacher));

    // One login: both posts write the user name the row already holds, so the user column
    // does not change and tells nothing.
    const Value user = a.fieldByName(QStringLiteral("ZEV_user")).value();
    a.edit();
    a.fieldByName(QStringLiteral("id_discipline")).setValue(otherDiscipline);
    a.fieldByName(QStringLiteral("ZEV_user")).setValue(user);
    a.post();

    b.edit();
    b.fieldByName(QStringLiteral("id_teacher")).setValue(otherTeacher);
    b.fieldByName(QStringLiteral("ZEV_user")).setValue(user);
    EXPECT_THROW(b.post(), Error);
    EXPECT_EQ(b.state(), DatasetState::Edit);
    EXPECT_TRUE(valuesEqual(scalar(first->ADOCon, QStringLiteral("SELECT id_discipline") + where),
                            otherDiscipline));
    EXPECT_FALSE(valuesEqual(scalar(first->ADOCon, QStringLiteral("SELECT id_teacher") + where),
                             otherTeacher));
}

TEST_F(ServerDataModule, SubgroupRangeAndRequiredCheck) {
    auto dm = module();
    openElectives(*dm, someStudent(dm->ADOCon));
    Query& electives = *dm->ADOQ_SelectDisciplineForStudent;
    Field& subgroup = electives.fieldByName(QStringLiteral("subgroup"));
    electives.edit();
    try {
        subgroup.setValue(I(251));
        FAIL() << "251 accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("251 is not a valid value for field 'subgroup'. The "
                                           "allowed range is 0 to 250"));
    }
    EXPECT_THROW(subgroup.setText(QStringLiteral("-1")), Error);
    subgroup.setValue(I(250));
    EXPECT_EQ(subgroup.value(), I(250));
    subgroup.clear();
    try {
        electives.post();
        FAIL() << "posted without a subgroup";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Field 'subgroup' must have a value"));
    }
    EXPECT_EQ(electives.state(), DatasetState::Edit);
    electives.cancel();
}

TEST_F(ServerDataModule, HooksRunInOrderAndEachPostErrorChoiceHolds) {
    std::vector<QString> writes;
    auto dm = module(&writes);
    openElectives(*dm, someStudent(dm->ADOCon));
    Query& electives = *dm->ADOQ_SelectDisciplineForStudent;
    std::vector<std::string> calls;
    PostErrorAction choice = PostErrorAction::Fail;
    electives.beforePost = [&](Dataset& d) {
        calls.emplace_back("beforePost");
        d.fieldByName(QStringLiteral("ZEV_user")).setText(QStringLiteral("hook"));
    };
    electives.onPostError = [&](Dataset& d, const Error&) {
        calls.emplace_back("postError");
        if (choice == PostErrorAction::Retry) {
            d.fieldByName(QStringLiteral("subgroup")).setValue(I(3));
        }
        return choice;
    };
    electives.afterPost = [&](Dataset&) { calls.emplace_back("afterPost"); };
    electives.afterScroll = [&](Dataset&) { calls.emplace_back("afterScroll"); };
    electives.beforeInsert = [&](Dataset&) {
        calls.emplace_back("beforeInsert");
        throw Abort();
    };
    electives.beforeDelete = [&](Dataset&) {
        calls.emplace_back("beforeDelete");
        throw Abort();
    };

    // Silent aborts of insert and delete leave the rows and send nothing.
    const int rows = electives.recordCount();
    EXPECT_THROW(electives.append(), Abort);
    EXPECT_THROW(electives.remove(), Abort);
    EXPECT_EQ(electives.recordCount(), rows);
    EXPECT_EQ(electives.state(), DatasetState::Browse);
    EXPECT_TRUE(writes.empty());

    // Fail: the required-field error reaches the caller, nothing is written.
    electives.edit();
    electives.fieldByName(QStringLiteral("subgroup")).clear();
    calls.clear();
    EXPECT_THROW(electives.post(), Error);
    EXPECT_EQ(calls, (std::vector<std::string>{"beforePost", "postError"}));
    // Abort: silent, the row stays in edit with the user's values.
    choice = PostErrorAction::Abort;
    EXPECT_THROW(electives.post(), Abort);
    EXPECT_EQ(electives.state(), DatasetState::Edit);
    EXPECT_TRUE(electives.fieldByName(QStringLiteral("subgroup")).isNull());
    EXPECT_TRUE(writes.empty());
    // Retry: the hook mends the row, the post goes through and after-post runs last.
    choice = PostErrorAction::Retry;
    calls.clear();
    electives.post();
    EXPECT_EQ(calls, (std::vector<std::string>{"beforePost", "postError", "afterPost"}));
    EXPECT_EQ(writes.size(), 1u);
    EXPECT_EQ(electives.state(), DatasetState::Browse);
    EXPECT_EQ(electives.fieldByName(QStringLiteral("ZEV_user")).text(), QStringLiteral("hook"));

    // Moving on runs after-scroll.
    calls.clear();
    electives.next();
    EXPECT_EQ(calls, (std::vector<std::string>{"afterScroll"}));
}

TEST_F(ServerDataModule, DebtsAreInsertedWithTheirKeyAndDeleted) {
    std::vector<QString> writes;
    auto dm = module(&writes);
    const StudentKeys k = someStudent(dm->ADOCon);
    Query& debts = *dm->ADOQ_Debts;
    debts.paramByName(QStringLiteral("id_semester")).setValue(k.semester);
    debts.paramByName(QStringLiteral("id_student")).setValue(k.student);
    debts.open();
    const int before = debts.recordCount();
    debts.append();
    debts.fieldByName(QStringLiteral("id_semester")).setValue(k.semester);
    debts.fieldByName(QStringLiteral("id_student")).setValue(k.student);
    debts.fieldByName(QStringLiteral("id_discipline")).setValue(I(1));
    debts.post();
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back(),
              QStringLiteral("INSERT INTO Debts (id_semester, id_student, "
                             "id_discipline) OUTPUT INSERTED.id_debts VALUES (?, ?, ?)"));
    const Value key = debts.fieldByName(QStringLiteral("id_debts")).value();
    ASSERT_FALSE(isNull(key));
    debts.close();
    debts.open();
    EXPECT_EQ(debts.recordCount(), before + 1);
    ASSERT_TRUE(debts.locate(QStringLiteral("id_debts"), key));
    debts.remove();
    EXPECT_EQ(writes.back(), QStringLiteral("DELETE FROM Debts WHERE id_debts = ?"));
    debts.close();
    debts.open();
    EXPECT_EQ(debts.recordCount(), before);
}

}  // namespace
}  // namespace zev::testing
