// Every statement that the client composes, run as composed against a fresh demo database.
#include "ServerFixture.h"

#include "data/Connection.h"
#include "server/engine/Database.h"

namespace zev::testing {
namespace {

using namespace zev::server;

class Statements : public DemoDatabase {
protected:
    void SetUp() override { s = staff(); }
    std::unique_ptr<Session> s;

    // The keys of the selection cascade down to one student of a group with electives.
    struct Keys {
        std::int64_t login = 1, faculty = 0, form = 0, oz = 0, speciality = 0, year = 0,
                     semester = 0, group = 0, student = 0;
    };
    Keys cascade() {
        Keys k;
        const ResultSet faculties = s->query(
            u"SELECT id_faculty, [p23-1] FROM Faculty INNER JOIN user_faculty ON faculty.id_faculty = "_qs
            "user_faculty.faculty WHERE user_faculty.id_login =? ORDER BY [p23-1]"_qs,
            {QStringLiteral("1")});
        EXPECT_EQ(faculties.rowCount(), 3);  // ivanova works for every faculty
        EXPECT_EQ(faculties.columns[1].name, u"p23-1"_qs);
        EXPECT_EQ(faculties.columns[0].type, ColumnType::Integer);
        EXPECT_EQ(faculties.columns[1].type, ColumnType::Text);
        for (int r = 1; r < faculties.rowCount(); ++r) {
            EXPECT_LE(valueText(faculties.at(r - 1, 1)), valueText(faculties.at(r, 1)));
        }
        k.faculty = 1;
        const ResultSet forms = s->query(
            u"SELECT DISTINCT dbo.f_educ.id_f_educ, dbo.f_educ.p108, o_z FROM dbo.com_sfe INNER JOIN "_qs
            "dbo.f_educ ON dbo.com_sfe.id_f_educ = dbo.f_educ.id_f_educ WHERE id_faculty =?"_qs,
            {QStringLiteral("1")});
        EXPECT_EQ(forms.rowCount(), 2);
        EXPECT_EQ(forms.columns[0].name, u"id_f_educ"_qs);
        EXPECT_EQ(forms.columns[2].name, u"o_z"_qs);
        k.form = std::get<std::int64_t>(forms.at(0, 0));
        k.oz = std::get<std::int64_t>(forms.at(0, 2));
        const ResultSet specialities = s->query(
            u"SELECT id_speciality, [p25-2], id_obem_chasov FROM Speciality_form WHERE "_qs
            "id_faculty=? and id_f_educ=? GROUP BY id_speciality, [p25-2] , id_obem_chasov ORDER "
            "BY [p25-2]"_qs,
            {k.faculty, k.form});
        EXPECT_GE(specialities.rowCount(), 2);
        EXPECT_EQ(specialities.columns[1].name, u"p25-2"_qs);
        k.speciality = std::get<std::int64_t>(specialities.at(0, 0));
        const ResultSet years = s->query(u"SELECT id_a_year, p32 FROM a_year"_qs, {});
        EXPECT_EQ(years.rowCount(), 3);
        k.year = 2;
        const ResultSet semesters =
            s->query(u"SELECT id_semester, p43, id_w_s FROM Semester ORDER BY p43"_qs, {});
        EXPECT_EQ(semesters.rowCount(), 8);
        k.semester = 3;
        const ResultSet groups = s->query(
            u"SELECT g_r_y.id_group, [group].p20 FROM g_r_y, [group], Semester, g_s WHERE "_qs
            "g_r_y.id_group = [group].id_group AND g_r_y.id_rate = Semester.id_rate AND "
            "g_r_y.id_group "
            "= g_s.id_group AND g_r_y.id_a_year =? AND Semester.id_semester =? AND "
            "g_s.id_speciality "
            "=? ORDER BY [group].p20"_qs,
            {QString::number(k.year), QString::number(k.semester), QString::number(k.speciality)});
        EXPECT_EQ(groups.rowCount(), 2);  // full-time and part-time
        EXPECT_EQ(groups.columns[0].name, u"id_group"_qs);
        EXPECT_EQ(groups.columns[1].name, u"p20"_qs);
        k.group = groups.rowCount() ? std::get<std::int64_t>(groups.at(0, 0)) : 0;
        const ResultSet students = s->query(
            u"SELECT s_g.id_student, s_fio.s_fio FROM s_g, s_fio WHERE s_g.id_student = "_qs
            "s_fio.id_student AND s_g.id_group =?"_qs,
            {QString::number(k.group)});
        EXPECT_GE(students.rowCount(), 5);
        EXPECT_EQ(students.columns[1].name, u"s_fio"_qs);
        k.student = students.rowCount() ? std::get<std::int64_t>(students.at(0, 0)) : 0;
        return k;
    }

    ResultSet electives(const Keys& k) {
        return s->query(
            u"EXEC SelectDisciplineForStudent @id_speciality =?, @id_a_year =?, "_qs
            "@id_semester =?, @id_student =?, @id_group=?"_qs,
            {k.speciality, k.year, k.semester, k.student, QString::number(k.group)});
    }
};

TEST_F(Statements, SelectionCascadeFindsAStudentWithElectives) {
    const Keys k = cascade();
    const ResultSet rows = electives(k);
    ASSERT_GE(rows.rowCount(), 4);
    const QStringList expected = {u"id_disciplineForStudent"_qs,
                                  u"id_discipline"_qs,
                                  u"id_teacher"_qs,
                                  u"p34"_qs,
                                  u"ZEV_user"_qs,
                                  u"id_examination"_qs,
                                  u"subgroup"_qs,
                                  u"id_group"_qs,
                                  u"descGroupNum"_qs,
                                  u"id_semester"_qs,
                                  u"id_a_year"_qs,
                                  u"p30"_qs};
    ASSERT_EQ(rows.columnCount(), expected.size());
    for (int c = 0; c < rows.columnCount(); ++c) {
        EXPECT_EQ(rows.columns[c].name, expected[c]);
    }
    // The grid's features: a fixed discipline, two rows of one group of alternatives, a row taken
    // in another semester or year, a row without a stream.
    int fixed = 0, moved = 0, withoutStream = 0;
    std::map<std::int64_t, int> perGroup;
    for (int r = 0; r < rows.rowCount(); ++r) {
        fixed += !isNull(rows.at(r, 3));
        moved += valueText(rows.at(r, 9)) != QString::number(k.semester) ||
                 valueText(rows.at(r, 10)) != QString::number(k.year);
        withoutStream += isNull(rows.at(r, 6)) && !isNull(rows.at(r, 1));
        ++perGroup[std::get<std::int64_t>(rows.at(r, 8))];
        EXPECT_EQ(rows.at(r, 7), Value{k.group});
    }
    EXPECT_EQ(fixed, 1);
    EXPECT_GE(moved, 1);
    EXPECT_EQ(withoutStream, 1);
    EXPECT_TRUE(
        std::any_of(perGroup.begin(), perGroup.end(), [](auto& p) { return p.second == 2; }));
}

TEST_F(Statements, ListsOfTheElectivesGrid) {
    const Keys k = cascade();
    const ResultSet disciplines = s->query(
        u"EXEC GetDisciplineForDisciplineName @id_speciality =?, @id_a_year =?, @id_student=?, "_qs
        "@id_semester=?"_qs,
        {k.speciality, k.year, k.student, k.semester});
    ASSERT_GE(disciplines.rowCount(), 4);
    EXPECT_EQ(disciplines.columns[2].name, u"descGroupNum"_qs);
    EXPECT_EQ(disciplines.columns[5].name, u"Krdt"_qs);
    // Every chosen discipline of the student's rows is on the list (the grid's lookup needs it).
    const ResultSet rows = electives(k);
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (isNull(rows.at(r, 1))) {
            continue;
        }
        bool found = false;
        for (int d = 0; d < disciplines.rowCount(); ++d) {
            found |= valuesEqual(disciplines.at(d, 0), rows.at(r, 1));
        }
        EXPECT_TRUE(found) << valueText(rows.at(r, 1)).toStdString();
    }

    const ResultSet all = s->query(u"SELECT * FROM t_fio"_qs, {});
    EXPECT_GT(all.rowCount(), 10);
    const std::int64_t kafedra = std::get<std::int64_t>(disciplines.at(0, 3));
    const ResultSet teachers =
        s->query(u"SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(4, "_qs +
                     QString::number(kafedra) + u")"_qs,
                 {});
    // The position table itself is out of the staff's reach; the file tells.
    Database file(made().databaseFile, Database::Mode::ReadWrite);
    EXPECT_EQ(teachers.rowCount(),
              std::get<std::int64_t>(
                  file.query(u"SELECT COUNT(DISTINCT id_teacher) FROM pps WHERE id_kafedra = ?"_qs,
                             {kafedra})
                      .at(0, 0)));
    EXPECT_EQ(teachers.columns[1].name, u"t_fio"_qs);
    EXPECT_EQ(teachers.columns[1].type, ColumnType::Text);
    const ResultSet mainOnly =
        s->query(u"SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(1, "_qs +
                     QString::number(kafedra) + u")"_qs,
                 {});
    EXPECT_LT(mainOnly.rowCount(), teachers.rowCount());
    const ResultSet none = s->query(u"SELECT TOP 0 0 AS id_teacher, '' AS t_fio "_qs, {});
    EXPECT_EQ(none.rowCount(), 0);
    ASSERT_EQ(none.columnCount(), 2);
    EXPECT_EQ(none.columns[0].name, u"id_teacher"_qs);
    EXPECT_EQ(none.columns[0].type, ColumnType::Integer);
    EXPECT_EQ(none.columns[1].type, ColumnType::Text);

    const ResultSet semesters = s->query(
        u"SELECT Semester.id_w_s, Semester.id_semester, Semester.p43, g_r_y.id_a_year, g_r_y.id_group "_qs
        "FROM Semester, g_r_y, g_s WHERE Semester.id_rate = g_r_y.id_rate AND g_r_y.id_group = "
        "g_s.id_group AND g_s.id_speciality=? ORDER BY p43"_qs,
        {QString::number(k.speciality)});
    EXPECT_GT(semesters.rowCount(), 6);
    const ResultSet streams = s->query(
        u"SELECT DISTINCT subgroup, id_a_year, id_kafedra, id_teacher, id_discipline, id_examination, "_qs
        "id_w_s FROM dbo.RRNKkrdt WHERE id_o_z=?"_qs,
        {QString::number(k.oz)});
    EXPECT_GT(streams.rowCount(), 10);
    // The stream filter of the grid finds a stream for a row with a discipline and a stream.
    int fitting = 0;
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (isNull(rows.at(r, 6))) {
            continue;
        }
        for (int t = 0; t < streams.rowCount(); ++t) {
            fitting += valuesEqual(streams.at(t, 0), rows.at(r, 6)) &&
                       valuesEqual(streams.at(t, 3), rows.at(r, 2)) &&
                       valuesEqual(streams.at(t, 4), rows.at(r, 1)) &&
                       valuesEqual(streams.at(t, 1), rows.at(r, 10));
        }
    }
    EXPECT_GE(fitting, 2);
    const ResultSet hours = s->query(u"SELECT * FROM ObemChasov"_qs, {});
    EXPECT_EQ(hours.rowCount(), 2);
    EXPECT_EQ(hours.columns[1].name, u"n_obem_chasov"_qs);
}

TEST_F(Statements, ChosenDisciplinesGrid) {
    const Keys k = cascade();
    const QString Y = QString::number(k.year);
    const QString S = k.semester % 2 ? u"2"_qs : u"1"_qs;
    const ResultSet kafedras = s->query(
        u"Select ZEV.dbo.RRNKkrdt.id_kafedra,f1  From ZEV.dbo.kafedra Inner join  ZEV.dbo.RRNKkrdt on "_qs
        "ZEV.dbo.kafedra.id_kafedra=ZEV.dbo.RRNKkrdt.id_kafedra  where id_a_year="_qs +
            Y + u" and id_w_s="_qs + S + u" group by ZEV.dbo.RRNKkrdt.id_kafedra,f1"_qs,
        {});
    ASSERT_GT(kafedras.rowCount(), 0);
    EXPECT_EQ(kafedras.columns[0].name, u"id_kafedra"_qs);
    const QString V = valueText(kafedras.at(0, 0));
    const QString disciplinesSql =
        u"SELECT dbo.discipline.p34, dbo.kafedra.id_kafedra, dbo.discipline.id_discipline FROM "_qs
        "dbo.RRNKkrdt INNER JOIN dbo.discipline ON dbo.RRNKkrdt.id_discipline = "
        "dbo.discipline.id_discipline INNER JOIN dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = "
        "dbo.kafedra.id_kafedra WHERE     (dbo.RRNKkrdt.id_a_year = "_qs +
        Y + u") AND (dbo.RRNKkrdt.id_w_s = "_qs + S + u") "_qs +
        u"GROUP BY dbo.discipline.p34, dbo.kafedra.id_kafedra, dbo.discipline.id_discipline"_qs;
    const ResultSet disciplines = s->query(disciplinesSql, {});
    EXPECT_GT(disciplines.rowCount(), 0);
    const ResultSet ofKafedra = s->query(
        disciplinesSql + u" "_qs + u"HAVING      (dbo.kafedra.id_kafedra = "_qs + V + u")"_qs, {});
    EXPECT_GT(ofKafedra.rowCount(), 0);
    EXPECT_LE(ofKafedra.rowCount(), disciplines.rowCount());
    for (int r = 0; r < ofKafedra.rowCount(); ++r) {
        EXPECT_EQ(valueText(ofKafedra.at(r, 1)), V);
    }
    const QString teachersHead =
        u"SELECT     dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26 + ' ' + "_qs
        "dbo.teacher.p27 + ' ' + dbo.teacher.p28 AS t_fio FROM         dbo.RRNKkrdt INNER JOIN "
        "dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = dbo.kafedra.id_kafedra INNER JOIN dbo.teacher ON "
        "dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     (dbo.RRNKkrdt.id_a_year = "_qs;
    const QString teachersGroup =
        u"GROUP BY dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26, "_qs
        "dbo.teacher.p27, dbo.teacher.p28 "_qs;
    const ResultSet teachers = s->query(
        teachersHead + Y + u") AND (dbo.RRNKkrdt.id_w_s = "_qs + S + u") "_qs + teachersGroup, {});
    ASSERT_GT(teachers.rowCount(), 0);
    EXPECT_EQ(teachers.columns[2].name, u"t_fio"_qs);
    EXPECT_EQ(valueText(teachers.at(0, 2)).count(u' '), 2);  // surname, name and patronymic
    const ResultSet teachersOfKafedra =
        s->query(teachersHead + Y + u") AND (dbo.RRNKkrdt.id_w_s ="_qs + S + u") "_qs +
                     teachersGroup + u"HAVING      (dbo.kafedra.id_kafedra = "_qs + V + u")"_qs,
                 {});
    EXPECT_GT(teachersOfKafedra.rowCount(), 0);
    const ResultSet streams = s->query(
        u"SELECT     dbo.RRNKkrdt.subgroup FROM         dbo.RRNKkrdt INNER JOIN dbo.teacher ON "_qs
        "dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     (dbo.RRNKkrdt.id_a_year = "_qs +
            Y + u") AND (dbo.RRNKkrdt.id_w_s = "_qs + S + u") "_qs +
            u"GROUP BY dbo.RRNKkrdt.subgroup"_qs,
        {});
    EXPECT_GT(streams.rowCount(), 0);
    const QString T = valueText(teachers.at(0, 1));
    const ResultSet streamsOfTeacher = s->query(
        u"SELECT     dbo.RRNKkrdt.subgroup, dbo.teacher.id_teacher FROM         dbo.RRNKkrdt INNER "_qs
        "JOIN dbo.teacher ON dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     "
        "(dbo.RRNKkrdt.id_a_year = "_qs +
            Y + u") AND (dbo.RRNKkrdt.id_w_s = "_qs + S + u") "_qs +
            u"GROUP BY dbo.RRNKkrdt.subgroup, dbo.teacher.id_teacher "_qs +
            u"HAVING      (dbo.teacher.id_teacher = "_qs + T + u")"_qs,
        {});
    ASSERT_GT(streamsOfTeacher.rowCount(), 0);
    EXPECT_EQ(valueText(streamsOfTeacher.at(0, 1)), T);
    const ResultSet chosen =
        s->query(u"SELECT * FROM zev.dbo.DisciplineForStudent2 WHERE id_student="_qs +
                     QString::number(k.student) + u" AND id_a_year="_qs + Y +
                     u" AND id_semester="_qs + QString::number(k.semester),
                 {});
    EXPECT_GE(chosen.rowCount(), 1);
    EXPECT_GE(chosen.columnIndex(u"id_student"_qs), 0);
}

TEST_F(Statements, WritesOfTheRecordRulesAndTheDialog) {
    const Keys k = cascade();
    ResultSet rows = electives(k);
    ASSERT_GT(rows.rowCount(), 0);
    // The electives' write-back: changed columns, each original compared.
    int row = 0;
    while (row < rows.rowCount() && isNull(rows.at(row, 2))) {
        ++row;
    }
    ASSERT_LT(row, rows.rowCount());
    const Value key = rows.at(row, 0);
    const Value teacher = rows.at(row, 2);
    const Value user = rows.at(row, 4);
    const QString update =
        isNull(user) ? u"UPDATE DisciplineForStudent SET id_teacher = ?, ZEV_user = ? WHERE "_qs
                       "id_disciplineForStudent = ? AND id_teacher = ? AND ZEV_user IS NULL"_qs
                     : u"UPDATE DisciplineForStudent SET id_teacher = ?, ZEV_user = ? WHERE "_qs
                       "id_disciplineForStudent = ? AND id_teacher = ? AND ZEV_user = ?"_qs;
    const Value newTeacher = std::int64_t{valuesEqual(teacher, Value{std::int64_t{1}}) ? 2 : 1};
    std::vector<Value> args = {newTeacher, u"ivanova"_qs, key, teacher};
    if (!isNull(user)) {
        args.push_back(user);
    }
    EXPECT_EQ(s->execute(update, args), 1);
    EXPECT_EQ(s->execute(update, args), 0);  // the original no longer matches: a conflict
    rows = electives(k);
    EXPECT_EQ(rows.at(row, 2), newTeacher);
    EXPECT_EQ(rows.at(row, 4), Value{u"ivanova"_qs});

    // The new-stream dialog's insert.
    const qint64 before = integer(*s, u"SELECT COUNT(*) FROM RRNKkrdt"_qs);
    EXPECT_EQ(s->execute(
                  u"INSERT INTO RRNKkrdt(id_kafedra, id_teacher, id_discipline, id_examination, "_qs
                  "id_a_year, id_w_s, prov_reyt, subgroup, plan_fakt, id_o_z, id_semester, "
                  "id_type_chasov)VALUES(1, 1, 1, 1, 2, 2, 1, 77, 1, 1, 3, 2)"_qs,
                  {}),
              1);
    EXPECT_EQ(integer(*s, u"SELECT COUNT(*) FROM RRNKkrdt"_qs), before + 1);
    // An empty stream number is refused and nothing is inserted.
    EXPECT_NE(
        errorOf([&] {
            s->execute(
                u"INSERT INTO RRNKkrdt(id_kafedra, id_teacher, id_discipline, "_qs
                "id_examination, id_a_year, id_w_s, prov_reyt, subgroup, plan_fakt, "
                "id_o_z, id_semester, id_type_chasov)VALUES(1, 1, 1, 1, 2, 2, 1, , 1, 1, 3, 2)"_qs,
                {});
        }),
        u"<no error>"_qs);
    EXPECT_EQ(integer(*s, u"SELECT COUNT(*) FROM RRNKkrdt"_qs), before + 1);

    // The debts pair.
    const ResultSet inserted = s->query(
        u"INSERT INTO Debts (id_semester, id_student, id_discipline) OUTPUT INSERTED.id_debts VALUES (?, ?, ?)"_qs,
        {k.semester, k.student, std::int64_t{1}});
    ASSERT_EQ(inserted.rowCount(), 1);
    EXPECT_EQ(inserted.columns[0].name, u"id_debts"_qs);
    const Value debt = inserted.at(0, 0);
    const ResultSet debts = s->query(u"SELECT * FROM Debts WHERE id_semester=? AND id_student=?"_qs,
                                     {k.semester, k.student});
    EXPECT_GE(debts.rowCount(), 1);
    const ResultSet lookup =
        s->query(u"EXEC GetDebts @id_group=?, @id_student=?, @id_semester=?"_qs,
                 {k.group, k.student, k.semester});
    EXPECT_GT(lookup.rowCount(), 0);
    EXPECT_EQ(lookup.columns[1].name, u"discipline"_qs);
    bool listed = false;
    for (int r = 0; r < lookup.rowCount(); ++r) {
        listed |= valuesEqual(lookup.at(r, 0), Value{std::int64_t{1}});
    }
    EXPECT_TRUE(listed);
    EXPECT_EQ(s->execute(u"DELETE FROM Debts WHERE id_debts = ?"_qs, {debt}), 1);

    // The delete rule's statement.
    EXPECT_EQ(s->execute(u"DELETE FROM DisciplineForStudent WHERE id_disciplineForStudent = "_qs +
                             valueText(key),
                         {}),
              1);
    EXPECT_EQ(electives(k).rowCount(), rows.rowCount() - 1);
    EXPECT_EQ(s->execute(u"SET DATEFORMAT dmy"_qs, {}), 0);
}

TEST_F(Statements, TheConnectionRunsThemThroughTheEmbeddedDriver) {
    Connection connection;
    connection.setBaseFolder(folder());
    connection.setConnectionString(
        u"Provider=SQLOLEDB.1;Password="_qs + QString::fromLatin1(kStaffPassword) +
        u";Persist Security Info=True;User ID="_qs + QString::fromLatin1(kStaffUser) +
        u";Initial Catalog=ZEV;Data Source=zev-demo.sqlite;Use Procedure for Prepare=1;Auto "_qs
        "Translate=True;Packet Size=4096;Use Encryption for Data=False;Tag with column collation "
        "when possible=False");
    connection.open();
    const ResultSet rows = connection.query(
        u"EXEC SelectDisciplineForStudent @id_speciality =:id_speciality, @id_a_year =:id_a_year, "_qs
        "@id_semester =:id_semester, @id_student =:id_student, @id_group=:id_group"_qs,
        {{u"id_speciality"_qs, std::int64_t{1}},
         {u"id_a_year"_qs, std::int64_t{2}},
         {u"id_semester"_qs, std::int64_t{3}},
         {u"id_student"_qs, Value{}},
         {u"id_group"_qs, Value{}}});
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_EQ(rows.columnCount(), 12);
}

}  // namespace
}  // namespace zev::testing
