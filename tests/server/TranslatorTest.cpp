// The T-SQL front end: what it accepts and how it refuses the rest.
#include "core/Tokenizer.h"
#include "server/engine/SqliteText.h"
#include "server/engine/Translator.h"

#include "core/Errors.h"

#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

using namespace zev::server;

QString errorOf(const QString& sql) {
    try {
        translate(sql);
    } catch (const DatabaseError& e) {
        return e.text();
    }
    return u"<accepted>"_qs;
}

TEST(Tokenizer, LiteralsNamesCommentsAndMarkers) {
    const auto tokens = tokenize(
        u"SELECT N'Иванов', 'it''s', [p23-1], \"group\", 3.5, ? -- note\n/* block */ @id"_qs);
    ASSERT_EQ(tokens.size(), 14u);
    EXPECT_EQ(tokens[1].kind, TokenKind::String);
    EXPECT_EQ(tokens[1].text, u"Иванов"_qs);
    EXPECT_EQ(tokens[3].text, u"it's"_qs);
    EXPECT_EQ(tokens[5].kind, TokenKind::Name);
    EXPECT_EQ(tokens[5].text, u"p23-1"_qs);
    EXPECT_EQ(tokens[7].text, u"group"_qs);
    EXPECT_EQ(tokens[9].kind, TokenKind::Number);
    EXPECT_EQ(tokens[11].kind, TokenKind::Param);
    EXPECT_EQ(tokens[12].kind, TokenKind::Variable);
    EXPECT_THROW(tokenize(u"SELECT 'open"_qs), DatabaseError);
    EXPECT_THROW(tokenize(u"SELECT [open"_qs), DatabaseError);
}

TEST(Translator, QualifiersBracketsTopAndPlus) {
    const Translation t = translate(
        u"SELECT TOP 5 ZEV.dbo.kafedra.id_kafedra, dbo.teacher.p26 + ' ' + [p23-1] AS n "_qs
        "FROM zEv.DBO.kafedra, dbo.teacher, Faculty"_qs);
    EXPECT_EQ(t.kind, Translation::Kind::Select);
    EXPECT_EQ(t.sqlite,
              u"SELECT \"kafedra\".\"id_kafedra\", zev_arith(\"teacher\".\"p26\", ' ', "_qs
              "\"p23-1\", '++') AS \"n\" FROM \"kafedra\", \"teacher\", \"Faculty\" LIMIT 5"_qs);
    EXPECT_EQ(t.tables, (QStringList{u"kafedra"_qs, u"teacher"_qs, u"Faculty"_qs}));
}

TEST(Translator, SignsAndOperatorsNeverBecomeComments) {
    // "- -1" once came out as "--1", a comment that a line break in a later literal ended.
    const Translation t = translate(
        u"SELECT [p23-1] FROM Faculty WHERE id_faculty = - -1 AND [p23-1] <> "_qs
        "'\n0 UNION ALL SELECT name FROM db_account --'"_qs);
    EXPECT_TRUE(isOneStatementWithoutComments(t.sqlite)) << t.sqlite.toStdString();
    EXPECT_TRUE(t.sqlite.contains(u"- - 1"_qs)) << t.sqlite.toStdString();
    EXPECT_TRUE(t.sqlite.endsWith(u"'\n0 UNION ALL SELECT name FROM db_account --'"_qs));
    EXPECT_EQ(t.tables, QStringList{u"Faculty"_qs});
    for (const QString& sql :
         {u"SELECT 1 - -1, 2 / *"_qs, u"SELECT - - - 1 * - 2"_qs, u"SELECT 3 - - ? / - ?"_qs,
          u"DELETE FROM Debts WHERE id_debts = - -371 AND id_student <> '\n1 OR 1 = 1 --'"_qs}) {
        try {
            const Translation each = translate(sql);
            EXPECT_TRUE(isOneStatementWithoutComments(each.sqlite)) << each.sqlite.toStdString();
        } catch (const DatabaseError&) {
        }
    }
}

// Every statement of the fuzz seed corpus (the client's own statements among them) and of these
// tests comes out as one SQLite statement without a comment.
TEST(Translator, EveryTranslationIsOneStatementWithoutComments) {
    QStringList statements = {
        u"SELECT 6 /* /* */ + 1 -- */\n AS x"_qs,
        u"UPDATE DisciplineForStudent SET id_teacher = ?, ZEV_user = ? WHERE id_teacher = -?"_qs,
        u"SELECT 'n' = p34, LEN(p34) - -LEN(' a ') FROM discipline WHERE p34 LIKE '[А-Я]%'"_qs};
    QDirIterator corpus(QStringLiteral(ZEV_TRANSLATOR_CORPUS), QDir::Files);
    while (corpus.hasNext()) {
        QFile file(corpus.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        statements << QString::fromUtf8(file.readAll());
    }
    ASSERT_GT(statements.size(), 20);
    int translated = 0;
    for (const QString& sql : std::as_const(statements)) {
        try {
            const Translation t = translate(sql);
            ++translated;
            if (t.kind != Translation::Kind::Exec && t.kind != Translation::Kind::SetOption) {
                EXPECT_TRUE(isOneStatementWithoutComments(t.sqlite)) << t.sqlite.toStdString();
            }
        } catch (const DatabaseError&) {
        }
    }
    EXPECT_GT(translated, 20);
}

TEST(Translator, DeepNestingIsRefusedByNameBeforeTheStackRunsOut) {
    const auto nested = [](const QString& open, const QString& inner, const QString& close,
                           int depth) {
        return u"SELECT "_qs + open.repeated(depth) + inner + close.repeated(depth);
    };
    for (const QString& sql : {nested(u"("_qs, u"1"_qs, u")"_qs, 100000),
                               nested(u"NOT "_qs, u"1 = 1"_qs, QString(), 100000),
                               nested(u"ABS("_qs, u"1"_qs, u")"_qs, 100000),
                               nested(u"- "_qs, u"1"_qs, QString(), 100000)}) {
        const QString error = errorOf(sql);
        EXPECT_TRUE(error.contains(u"nested too deeply"_qs)) << error.toStdString();
        EXPECT_TRUE(error.contains(u"200 levels"_qs)) << error.toStdString();
    }
    EXPECT_EQ(errorOf(nested(u"("_qs, u"1"_qs, u")"_qs, 150)), u"<accepted>"_qs);
}

TEST(Translator, LongPlusChainsNeedNoNesting) {
    // One call per hundred terms: 40,000 terms translate at once and nest 400 calls, not 40,000.
    const QString sql = u"SELECT 1"_qs + u" + 1"_qs.repeated(39999);
    const Translation t = translate(sql);
    EXPECT_EQ(t.sqlite.count(u"zev_arith("_qs), 400);
    EXPECT_TRUE(isOneStatementWithoutComments(t.sqlite));
}

TEST(Translator, BlockCommentsNest) {
    const auto tokens = tokenize(u"SELECT 6 /* /* */ + 1 -- */\n AS x"_qs);
    ASSERT_EQ(tokens.size(), 5u);  // SELECT 6 AS x End
    EXPECT_EQ(tokens[2].text, u"AS"_qs);
    EXPECT_THROW(tokenize(u"SELECT 1 /* /* */"_qs), DatabaseError);
}

TEST(Translator, TextAliasBeforeTheEqualsSign) {
    const Translation t = translate(u"SELECT 'n' = p34, N'Имя' = p34 FROM discipline"_qs);
    EXPECT_EQ(t.sqlite, u"SELECT \"p34\" AS \"n\", \"p34\" AS \"Имя\" FROM \"discipline\""_qs);
}

TEST(Translator, ColumnsNeitherGroupedNorAggregatedAreRefused) {
    EXPECT_EQ(
        errorOf(u"SELECT id_speciality, [p25-2] FROM Speciality_form GROUP BY id_speciality"_qs),
        u"Column 'p25-2' is invalid in the select list because it is not contained in either "_qs
        "an aggregate function or the GROUP BY clause.");
    EXPECT_EQ(
        errorOf(u"SELECT count(*), p34 FROM discipline"_qs),
        u"Column 'p34' is invalid in the select list because it is not contained in either "_qs
        "an aggregate function or the GROUP BY clause.");
    EXPECT_EQ(
        errorOf(u"SELECT t.p26 + ' ' + t.p27, count(*) FROM teacher AS t GROUP BY t.p26, p27"_qs),
        u"<accepted>"_qs);
    EXPECT_EQ(errorOf(u"SELECT max(p34), count(DISTINCT id_discipline) FROM discipline"_qs),
              u"<accepted>"_qs);
}

TEST(Translator, SqliteOwnTablesAreNoObjectsOfTheDatabase) {
    for (const QString& name : {u"pragma_table_list"_qs, u"sqlite_temp_master"_qs, u"dbstat"_qs,
                                u"sqlite_stmt"_qs, u"pragma_database_list"_qs}) {
        EXPECT_EQ(errorOf(u"SELECT * FROM "_qs + name),
                  u"Invalid object name '"_qs + name + u"'."_qs);
    }
    EXPECT_EQ(errorOf(u"SELECT * FROM pragma_table_info('zev_login')"_qs),
              u"Invalid object name 'pragma_table_info'."_qs);
    EXPECT_EQ(errorOf(u"SELECT sqlite_version()"_qs),
              u"'sqlite_version' is not a recognized built-in function name."_qs);
}

TEST(Translator, TextInsideLiteralsIsNeverRewritten) {
    const Translation t =
        translate(u"SELECT p34 FROM discipline WHERE p34 = 'dbo.x + [y] -- z' AND p34 <> ?"_qs);
    EXPECT_EQ(
        t.sqlite,
        u"SELECT \"p34\" FROM \"discipline\" WHERE \"p34\" = 'dbo.x + [y] -- z' AND \"p34\" <> ?"_qs);
    EXPECT_EQ(t.paramCount, 1);
}

TEST(Translator, ExecWithPositionalAndNamedArguments) {
    const Translation positional = translate(
        u"EXEC GET_USER 'login','ABC',NULL, 'ZEV 32', '10.0.0.1', 'PC', 'login','0','4'"_qs);
    EXPECT_EQ(positional.kind, Translation::Kind::Exec);
    EXPECT_EQ(positional.procedure, u"GET_USER"_qs);
    ASSERT_EQ(positional.arguments.size(), 9u);
    EXPECT_TRUE(isNull(positional.arguments[2].literal));
    EXPECT_EQ(positional.arguments[8].literal, Value{u"4"_qs});
    const Translation named =
        translate(u"EXEC dbo.GetDebts @id_group=?, @id_student=?, @id_semester=-3"_qs);
    ASSERT_EQ(named.arguments.size(), 3u);
    EXPECT_EQ(named.arguments[1].name, u"@id_student"_qs);
    EXPECT_EQ(named.arguments[1].paramIndex, 1);
    EXPECT_EQ(named.arguments[2].literal, Value{std::int64_t{-3}});
}

TEST(Translator, WriteBackForms) {
    EXPECT_EQ(
        translate(u"INSERT INTO Debts (id_semester, id_student, id_discipline) OUTPUT "_qs
                  "INSERTED.id_debts VALUES (?, ?, ?)"_qs)
            .sqlite,
        u"INSERT INTO \"Debts\" (\"id_semester\", \"id_student\", \"id_discipline\") VALUES "_qs
        "(?, ?, ?) RETURNING \"id_debts\""_qs);
    EXPECT_EQ(translate(u"UPDATE DisciplineForStudent SET id_teacher = ?, ZEV_user = ? WHERE "_qs
                        "id_disciplineForStudent = ? AND id_teacher = ? AND ZEV_user IS NULL"_qs)
                  .sqlite,
              u"UPDATE \"DisciplineForStudent\" SET \"id_teacher\" = ?, \"ZEV_user\" = ? WHERE "_qs
              "\"id_disciplineForStudent\" = ? AND \"id_teacher\" = ? AND \"ZEV_user\" IS NULL"_qs);
    EXPECT_EQ(translate(u"DELETE FROM Debts WHERE id_debts = ?"_qs).sqlite,
              u"DELETE FROM \"Debts\" WHERE \"id_debts\" = ?"_qs);
    EXPECT_EQ(translate(u"SET DATEFORMAT dmy"_qs).kind, Translation::Kind::SetOption);
}

TEST(Translator, RefusesWhatItDoesNotKnowNamingTheConstruct) {
    EXPECT_EQ(errorOf(u"SELEC * FROM a_year"_qs), u"Incorrect syntax near 'SELEC'."_qs);
    EXPECT_EQ(errorOf(u"SELECT * FROM a_year WHERE"_qs),
              u"Incorrect syntax near the end of the statement."_qs);
    EXPECT_EQ(errorOf(u"SELECT * FROM a_year; DROP TABLE a_year"_qs),
              u"Incorrect syntax near 'DROP'."_qs);
    EXPECT_EQ(errorOf(u"SELECT * FROM a_year UNION SELECT * FROM a_year"_qs),
              u"Incorrect syntax near 'UNION': UNION is not supported by the ZEV server."_qs);
    EXPECT_EQ(errorOf(u"SELECT CASE WHEN 1 = 1 THEN 1 END"_qs),
              u"Incorrect syntax near 'CASE': CASE is not supported by the ZEV server."_qs);
    EXPECT_EQ(errorOf(u"SELECT * FROM other.dbo.a_year"_qs),
              u"Database 'other' does not exist. Make sure that the name is entered correctly."_qs);
    EXPECT_EQ(errorOf(u"SELECT * FROM sys.a_year"_qs), u"Invalid object name 'sys.a_year'."_qs);
    EXPECT_EQ(errorOf(u"SELECT GETDATE()"_qs),
              u"'GETDATE' is not a recognized built-in function name."_qs);
    EXPECT_EQ(errorOf(u"SELECT * FROM dbo.OtherFunction(1)"_qs),
              u"Invalid object name 'dbo.OtherFunction'."_qs);
    EXPECT_EQ(errorOf(u"SELECT id_teacher FROM dbo.GetTFIO_with_pps(4)"_qs),
              u"An insufficient number of arguments were supplied for the procedure or function "_qs
              "dbo.GetTFIO_with_pps.");
    EXPECT_EQ(errorOf(u"SELECT @x"_qs), u"Must declare the scalar variable \"@x\"."_qs);
    EXPECT_EQ(
        errorOf(u"SET ANSI_NULLS ON"_qs),
        u"Incorrect syntax near 'ANSI_NULLS': SET ANSI_NULLS is not supported by the ZEV server."_qs);
    EXPECT_EQ(errorOf(u"DROP TABLE a_year"_qs), u"Incorrect syntax near 'DROP'."_qs);
}

}  // namespace
}  // namespace zev::testing
