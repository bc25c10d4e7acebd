// Meaning-preserving variants of the client's statements (other blanks, comments, letter case,
// redundant parentheses, schema and database qualifiers) answer exactly the rows the statements
// themselves answer: the front end reads T-SQL, not one spelling of it.
#include "ServerFixture.h"

#include "core/Tokenizer.h"

#include <functional>

namespace zev::testing {
namespace {

using namespace zev::server;

// A statement written back from its tokens, each token passed through `spell` and followed by
// `gap(index)`.
QString render(const std::vector<Token>& tokens, const std::function<QString(int)>& gap,
               const std::function<QString(const Token&)>& spell) {
    QString sql;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        sql += spell(tokens[i]);
        sql += gap(static_cast<int>(i));
    }
    return sql;
}

QString plainSpelling(const Token& t) {
    switch (t.kind) {
        case TokenKind::Name: {
            QString name = t.text;
            return u'[' + name.replace(u"]"_qs, u"]]"_qs) + u']';
        }
        case TokenKind::String: {
            QString text = t.text;
            return u"N'"_qs + text.replace(u"'"_qs, u"''"_qs) + u'\'';
        }
        default:
            return t.text;
    }
}

// Every letter of every keyword and plain name in alternating case.
QString mixedCase(const Token& t) {
    if (t.kind != TokenKind::Word) {
        return plainSpelling(t);
    }
    QString word = t.text;
    for (qsizetype i = 0; i < word.size(); ++i) {
        word[i] = i % 2 ? word[i].toLower() : word[i].toUpper();
    }
    return word;
}

// Wraps the WHERE condition (up to GROUP BY, ORDER BY or the end) in two pairs of parentheses.
std::vector<Token> parenthesiseWhere(std::vector<Token> tokens) {
    const auto where = std::find_if(tokens.begin(), tokens.end(),
                                    [](const Token& t) { return t.isWord("where"); });
    if (where == tokens.end()) {
        return tokens;
    }
    const auto end = std::find_if(where, tokens.end(), [](const Token& t) {
        return t.isWord("group") || t.isWord("order") || t.kind == TokenKind::End;
    });
    const auto whereAt = where - tokens.begin();
    const auto endAt = end - tokens.begin();
    tokens.insert(tokens.begin() + endAt, Token{TokenKind::Symbol, u"))"_qs});
    tokens.insert(tokens.begin() + whereAt + 1, Token{TokenKind::Symbol, u"(("_qs});
    return tokens;
}

// Puts ZEV.dbo. before every table named after FROM or JOIN that has no qualifier yet.
std::vector<Token> qualifyTables(const std::vector<Token>& tokens) {
    std::vector<Token> out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        out.push_back(tokens[i]);
        const bool introducesTable = tokens[i].isWord("from") || tokens[i].isWord("join");
        if (introducesTable && i + 2 < tokens.size() && !tokens[i + 2].isSymbol(".")) {
            out.push_back({TokenKind::Word, u"ZEV.dbo."_qs});
        }
    }
    return out;
}

class Mutation : public DemoDatabase {
protected:
    void SetUp() override { s = staff(); }
    std::unique_ptr<Session> s;

    QString key(const QString& sql) { return valueText(scalar(*s, sql)); }

    // The client's statements with keys of the demo database where they find rows.
    QStringList statements() {
        const QString form = key(u"SELECT min(id_f_educ) FROM com_sfe WHERE id_faculty = 1"_qs);
        const QString speciality = key(
            u"SELECT min(id_speciality) FROM Speciality_form WHERE id_faculty = 1 AND id_f_educ = "_qs +
            form);
        const QString group =
            key(u"SELECT min(id_group) FROM g_s WHERE id_speciality = "_qs + speciality);
        return {
            u"SELECT id_faculty, [p23-1] FROM Faculty INNER JOIN user_faculty ON faculty.id_faculty "_qs
            "= user_faculty.faculty WHERE user_faculty.id_login =1 ORDER BY [p23-1]",
            u"SELECT DISTINCT dbo.f_educ.id_f_educ, dbo.f_educ.p108, o_z FROM dbo.com_sfe INNER "_qs
            "JOIN dbo.f_educ ON dbo.com_sfe.id_f_educ = dbo.f_educ.id_f_educ WHERE id_faculty =1",
            u"SELECT id_speciality, [p25-2], id_obem_chasov FROM Speciality_form WHERE "_qs
            "id_faculty=1 and id_f_educ=" +
                form + " GROUP BY id_speciality, [p25-2] , id_obem_chasov ORDER BY [p25-2]",
            u"SELECT id_a_year, p32 FROM a_year"_qs,
            u"SELECT id_semester, p43, id_w_s FROM Semester ORDER BY p43"_qs,
            u"SELECT g_r_y.id_group, [group].p20 FROM g_r_y, [group], Semester, g_s WHERE "_qs
            "g_r_y.id_group = [group].id_group AND g_r_y.id_rate = Semester.id_rate AND "
            "g_r_y.id_group = g_s.id_group AND g_r_y.id_a_year =2 AND Semester.id_semester =3 AND "
            "g_s.id_speciality =" +
                speciality + " ORDER BY [group].p20",
            u"SELECT s_g.id_student, s_fio.s_fio FROM s_g, s_fio WHERE s_g.id_student = "_qs
            "s_fio.id_student AND s_g.id_group =" +
                group,
            u"SELECT Semester.id_w_s, Semester.id_semester, Semester.p43, g_r_y.id_a_year, "_qs
            "g_r_y.id_group FROM Semester, g_r_y, g_s WHERE Semester.id_rate = g_r_y.id_rate AND "
            "g_r_y.id_group = g_s.id_group AND g_s.id_speciality=" +
                speciality + " ORDER BY p43",
            u"SELECT DISTINCT subgroup, id_a_year, id_kafedra, id_teacher, id_discipline, "_qs
            "id_examination, id_w_s FROM dbo.RRNKkrdt WHERE id_o_z=1",
            u"SELECT * FROM t_fio"_qs,
            u"SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(4, 1)"_qs,
            u"Select ZEV.dbo.RRNKkrdt.id_kafedra,f1  From ZEV.dbo.kafedra Inner join  "_qs
            "ZEV.dbo.RRNKkrdt on ZEV.dbo.kafedra.id_kafedra=ZEV.dbo.RRNKkrdt.id_kafedra  where "
            "id_a_year=2 and id_w_s=2 group by ZEV.dbo.RRNKkrdt.id_kafedra,f1",
            u"SELECT     dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26 + ' ' + "_qs
            "dbo.teacher.p27 + ' ' + dbo.teacher.p28 AS t_fio FROM         dbo.RRNKkrdt INNER JOIN "
            "dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = dbo.kafedra.id_kafedra INNER JOIN "
            "dbo.teacher "
            "ON dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     (dbo.RRNKkrdt.id_a_year "
            "= 2) AND (dbo.RRNKkrdt.id_w_s =2) GROUP BY dbo.kafedra.id_kafedra, "
            "dbo.teacher.id_teacher, dbo.teacher.p26, dbo.teacher.p27, dbo.teacher.p28 ",
            u"SELECT * FROM Debts WHERE id_semester=3 AND id_student=1"_qs,
        };
    }
};

TEST_F(Mutation, VariantsOfTheClientsStatementsAnswerTheSameRows) {
    int withRows = 0;
    for (const QString& original : statements()) {
        const ResultSet expected = s->query(original, {});
        withRows += expected.rowCount() > 0;
        const std::vector<Token> tokens = tokenize(original);
        const auto blank = [](int) { return u" "_qs; };
        const QStringList variants = {
            render(
                tokens, [](int i) { return i % 2 ? u"\n\t "_qs : u"   "_qs; }, plainSpelling),
            render(
                tokens,
                [](int i) {
                    return i % 3 ? u" /* a /* nested */ note */ "_qs : u" -- a note\n"_qs;
                },
                plainSpelling),
            render(tokens, blank, mixedCase),
            render(parenthesiseWhere(tokens), blank, plainSpelling),
            render(qualifyTables(tokens), blank, plainSpelling),
            render(
                qualifyTables(parenthesiseWhere(tokens)),
                [](int i) { return i % 2 ? u"/**/ "_qs : u"\r\n"_qs; }, mixedCase),
        };
        for (const QString& variant : variants) {
            const ResultSet got = s->query(variant, {});
            EXPECT_EQ(got.columnCount(), expected.columnCount()) << variant.toStdString();
            EXPECT_EQ(got.rowCount(), expected.rowCount()) << variant.toStdString();
            EXPECT_TRUE(got.cells == expected.cells) << variant.toStdString();
        }
    }
    EXPECT_GE(withRows, 12);
}

}  // namespace
}  // namespace zev::testing
