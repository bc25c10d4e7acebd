// Posting rows of the data module over the SQL Server path against a server that reports no
// row counts: nothing is taken as saved.
#include "TdsFixture.h"
#include "data/DataModule.h"

namespace zev::testing {
namespace {

using namespace zev::tds;

using OdbcWriteBack = TdsFixture;

TEST_F(OdbcWriteBack, WithoutRowCountsAConflictingPostFailsAndStaysInEdit) {
    TdsServerOptions noCounts;
    noCounts.noRowCounts = true;
    startServer(noCounts);
    TDM_MB dm;
    dm.ADOCon.setSettings(staffSettings());
    dm.ADOCon.open();

    // A student with elective places, and the electives opened for them.
    const ResultSet keys = dm.ADOCon.query(
        QStringLiteral("SELECT id_speciality, plan_a_year, plan_semester, id_student, id_group "
                       "FROM DisciplineForStudent WHERE id_discipline IS NOT NULL"));
    ASSERT_GT(keys.rowCount(), 0);
    Query& q = *dm.ADOQ_SelectDisciplineForStudent;
    const char* names[] = {"id_speciality", "id_a_year", "id_semester", "id_student", "id_group"};
    for (int i = 0; i < 5; ++i) {
        q.paramByName(QString::fromLatin1(names[i])).setValue(keys.at(0, i));
    }
    Query& d = *dm.ADOQ_DisciplineForStudent;
    d.paramByName(QStringLiteral("id_speciality")).setValue(keys.at(0, 0));
    d.paramByName(QStringLiteral("id_a_year")).setValue(keys.at(0, 1));
    d.paramByName(QStringLiteral("id_semester")).setValue(keys.at(0, 2));
    d.paramByName(QStringLiteral("id_student")).setValue(keys.at(0, 3));
    dm.ADOQ_Semester2->paramByName(QStringLiteral("id_speciality")).setValue(keys.at(0, 0));
    q.open();
    ASSERT_GT(q.recordCount(), 0);
    const QString id = q.fieldByName(QStringLiteral("id_disciplineForStudent")).text();

    // Another user changed the row meanwhile.
    runOnDatabase(QStringLiteral("UPDATE DisciplineForStudent SET subgroup = 11, ZEV_user = "
                                 "'first' WHERE id_disciplineForStudent = %1")
                      .arg(id)
                      .toUtf8()
                      .constData());

    q.edit();
    q.fieldByName(QStringLiteral("subgroup")).setValue(Value{std::int64_t{22}});
    q.fieldByName(QStringLiteral("ZEV_user")).setText(QStringLiteral("second"));
    const QString text = errorOf([&] { q.post(); });
    EXPECT_TRUE(text.contains(QStringLiteral("did not report"))) << text.toStdString();
    EXPECT_EQ(q.state(), DatasetState::Edit);
    EXPECT_EQ(q.fieldByName(QStringLiteral("subgroup")).text(), QStringLiteral("22"));
    // The other user's change stands.
    const ResultSet row =
        dm.ADOCon.query(QStringLiteral("SELECT subgroup, ZEV_user FROM DisciplineForStudent WHERE "
                                       "id_disciplineForStudent = :id"),
                        {{QStringLiteral("id"), Value{id.toLongLong()}}});
    ASSERT_EQ(row.rowCount(), 1);
    EXPECT_EQ(valueText(row.at(0, 0)), QStringLiteral("11"));
    EXPECT_EQ(valueText(row.at(0, 1)), QStringLiteral("first"));
}

}  // namespace
}  // namespace zev::testing
