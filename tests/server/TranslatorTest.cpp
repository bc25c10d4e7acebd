// The T-SQL front end: what it accepts and how it refuses the rest.
#include "server/engine/Tokenizer.h"
#include "server/engine/Translator.h"

#include "data/Errors.h"

#include <gtest/gtest.h>

namespace zev::server {
namespace {

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
              u"SELECT \"kafedra\".\"id_kafedra\", zev_plus(zev_plus(\"teacher\".\"p26\", ' '), "_qs
              "\"p23-1\") AS \"n\" FROM \"kafedra\", \"teacher\", \"Faculty\" LIMIT 5"_qs);
    EXPECT_EQ(t.tables, (QStringList{u"kafedra"_qs, u"teacher"_qs, u"Faculty"_qs}));
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
}  // namespace zev::server
