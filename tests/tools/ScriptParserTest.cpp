// The reader of the SQL Server scripts, and what it finds in server/mssql: the procedures and the
// function that the client calls, with their parameters and result columns.

#include "DeploymentScripts.h"
#include "MssqlScriptParser.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zev::testing {
namespace {

template <typename T>
const T* findNamed(const std::vector<T>& objects, const QString& name) {
    const auto it = std::find_if(objects.begin(), objects.end(), [&](const T& o) {
        return o.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    return it == objects.end() ? nullptr : &*it;
}

TEST(ScriptParser, ReadsHeadersOfEveryKind) {
    const ScriptCatalog c = parseMssqlScript(QStringLiteral(R"(
USE ZEV;
GO
CREATE TABLE dbo.[group] (
    id_group int NOT NULL PRIMARY KEY,   -- key, (with a comma)
    [p23-1] varchar(200) NOT NULL DEFAULT ('a,b'),
    amount decimal(10, 2) NULL,
    CONSTRAINT pk PRIMARY KEY (id_group),
    UNIQUE (p23-1)
);
CREATE INDEX g ON dbo.[group](p20);
GO
CREATE VIEW dbo.v AS SELECT t.id, a + ' ' + b AS full_name, (SELECT 1) AS one FROM t;
GO
CREATE PROCEDURE dbo.P @a int, @b nvarchar(50) = N'x,y', @c int OUTPUT
AS
BEGIN
    DECLARE @d int, @e varchar(10);  -- not parameters
    SELECT @d = 2;
    IF EXISTS (SELECT 1 FROM t) SET @e = 'x';
    SELECT TOP (5) 1 AS x, @d AS y, g.[p23-1], (SELECT 2) AS z,
           CASE WHEN @a = 1 THEN 'a' ELSE 'b' END AS w FROM dbo.[group] AS g;
END
GO
CREATE FUNCTION dbo.F(@kind int, @id_kafedra int) RETURNS TABLE AS RETURN
    SELECT t.id_teacher, t.t_fio FROM dbo.t_fio t WHERE t.id_teacher IN (SELECT 1);
GO
)"));
    ASSERT_EQ(c.tables.size(), 1u);
    EXPECT_EQ(c.tables[0].name, "group");
    EXPECT_EQ(c.tables[0].columns, QStringList({"id_group", "p23-1", "amount"}));
    ASSERT_EQ(c.views.size(), 1u);
    EXPECT_EQ(c.views[0].columns, QStringList({"id", "full_name", "one"}));
    ASSERT_EQ(c.procedures.size(), 1u);
    EXPECT_EQ(c.procedures[0].name, "P");
    EXPECT_EQ(c.procedures[0].parameters, QStringList({"a", "b", "c"}));
    // The result comes from the last SELECT that assigns no variable.
    EXPECT_EQ(c.procedures[0].resultColumns, QStringList({"x", "y", "p23-1", "z", "w"}));
    EXPECT_EQ(c.procedures[0].resultSources, QStringList({"", "@int", "group.p23-1", "", ""}));
    EXPECT_EQ(resultColumnType(c, c.procedures[0], 2), "varchar");
    EXPECT_EQ(resultColumnType(c, c.procedures[0], 0), "");
    ASSERT_EQ(c.functions.size(), 1u);
    EXPECT_EQ(c.functions[0].parameters, QStringList({"kind", "id_kafedra"}));
    EXPECT_EQ(c.functions[0].resultColumns, QStringList({"id_teacher", "t_fio"}));
    EXPECT_EQ(c.functions[0].resultSources, QStringList({"t_fio.id_teacher", "t_fio.t_fio"}));
}

TEST(ScriptParser, ReportsAnUnreadableHeader) {
    EXPECT_THROW(parseMssqlScript(QStringLiteral("CREATE TABLE t id int")), std::runtime_error);
    EXPECT_THROW(parseMssqlScript(QStringLiteral("CREATE TABLE t (id int")), std::runtime_error);
}

TEST(DeploymentScripts, OfferTheProceduresAndFunctionThatTheClientCalls) {
    const ScriptCatalog mssql = deploymentScripts();
    struct Expected {
        const char* name;
        QStringList parameters;
        QStringList readColumns;  // the columns the client reads by name
    };
    const Expected expected[] = {
        {"SelectDisciplineForStudent",
         {"id_speciality", "id_a_year", "id_semester", "id_student", "id_group"},
         {"id_disciplineForStudent", "id_discipline", "id_teacher", "p34", "ZEV_user",
          "id_examination", "subgroup", "id_group", "descGroupNum", "id_semester", "id_a_year",
          "p30"}},
        {"GetDisciplineForDisciplineName",
         {"id_speciality", "id_a_year", "id_student", "id_semester"},
         {"id_discipline", "p34", "descGroupNum", "id_kafedra", "id_examination", "Krdt"}},
        {"GetDebts", {"id_group", "id_student", "id_semester"}, {"id_discipline", "discipline"}},
        {"GetGroupElectives",
         {"id_speciality", "id_a_year", "id_semester", "id_group"},
         {"s_fio", "descGroupNum", "p30", "id_discipline", "p34", "t_fio", "subgroup", "p32",
          "p43"}},
        {"GetFacultyGroups",
         {"id_login", "id_faculty", "id_a_year", "id_semester"},
         {"id_speciality", "p25-2", "id_group", "p20"}},
    };
    for (const Expected& e : expected) {
        const ScriptRoutine* p = findNamed(mssql.procedures, QString::fromLatin1(e.name));
        ASSERT_NE(p, nullptr) << e.name;
        EXPECT_EQ(lowerCased(p->parameters), lowerCased(e.parameters)) << e.name;
        for (const QString& column : e.readColumns) {
            EXPECT_TRUE(lowerCased(p->resultColumns).contains(column.toLower()))
                << e.name << " lacks " << column.toStdString();
        }
    }
    // GET_USER: nine arguments in, six columns read by position.
    const ScriptRoutine* getUser = findNamed(mssql.procedures, QStringLiteral("GET_USER"));
    ASSERT_NE(getUser, nullptr);
    EXPECT_EQ(getUser->parameters.size(), 9);
    EXPECT_EQ(getUser->resultColumns.size(), 6);
    // The four the original client calls, the search for a student by name, the two readings
    // of the history, the two that the export of a group reads and the places of streams.
    EXPECT_EQ(mssql.procedures.size(), 10u);
    const ScriptRoutine* history = findNamed(mssql.procedures, QStringLiteral("GetRowHistory"));
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->parameters, QStringList({"table_name", "row_key"}));
    const ScriptRoutine* places = findNamed(mssql.procedures, QStringLiteral("GetStreamPlaces"));
    ASSERT_NE(places, nullptr);
    EXPECT_EQ(places->parameters,
              QStringList({"id_discipline", "id_teacher", "id_a_year", "id_w_s"}));
    EXPECT_EQ(places->resultColumns, QStringList({"subgroup", "capacity", "taken"}));
    const ScriptRoutine* find = findNamed(mssql.procedures, QStringLiteral("FindStudent"));
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->parameters, QStringList({"id_login", "text"}));
    EXPECT_EQ(find->resultColumns.size(), 13);

    const ScriptRoutine* f = findNamed(mssql.functions, QStringLiteral("GetTFIO_with_pps"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->parameters.size(), 2);
    EXPECT_EQ(lowerCased(f->resultColumns), QStringList({"id_teacher", "t_fio"}));
}

}  // namespace
}  // namespace zev::testing
