// The history of the students' rows: the triggers record every insert, change and delete of an
// elective place and of a chosen discipline, with the member of staff the connection declared
// and the account it works under; staff read the history and cannot write it; the read
// procedures answer one row's and one student's history, newest first; an older database file
// is given the history when it is opened.

#include "ServerFixture.h"
#include "server/engine/Database.h"
#include "server/engine/SchemaUpgrade.h"

#include <QFile>

namespace zev::testing {
namespace {

using namespace zev::server;

using namespace Qt::StringLiterals;

// One history row as the read procedures answer it.
struct Entry {
    QString login;
    QString account;
    QString table;
    qint64 rowKey = 0;
    QString action;
    QString column;
    QString oldValue;
    QString newValue;
    QString oldText;
    QString newText;
};

std::vector<Entry> entries(const ResultSet& rows) {
    std::vector<Entry> list;
    const auto text = [&](int r, const char* c) {
        return valueText(rows.at(r, rows.columnIndex(QString::fromLatin1(c))));
    };
    list.reserve(static_cast<std::size_t>(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        list.push_back({text(r, "zev_login"), text(r, "db_login"), text(r, "table_name"),
                        text(r, "row_key").toLongLong(), text(r, "action"), text(r, "column_name"),
                        text(r, "old_value"), text(r, "new_value"), text(r, "old_text"),
                        text(r, "new_text")});
    }
    return list;
}

class History : public DemoDatabase {
protected:
    // A staff connection that declared the member of staff, as the client does at sign-in.
    static std::unique_ptr<Session> staffAs(const QString& login) {
        auto s = staff();
        s->execute(
            u"EXEC sp_set_session_context @key = N'zev_login', @value = ?, "
            u"@read_only = 1"_qs,
            {login});
        return s;
    }
    static std::vector<Entry> rowHistory(Session& s, const QString& table, qint64 key) {
        return entries(s.query(u"EXEC GetRowHistory @table_name = ?, @row_key = ?"_qs,
                               {table, std::int64_t{key}}));
    }
    static std::vector<Entry> studentHistory(Session& s, qint64 student) {
        return entries(s.query(u"EXEC GetStudentHistory @id_student = ?"_qs, {student}));
    }
    // A student with a chosen discipline (its row and what is in it).
    static ResultSet chosenRow(Session& s) {
        return s.query(
            u"SELECT TOP 1 id_disciplineForStudent2, id_student, id_a_year, "
            u"id_semester, id_kafedra, id_discipline, id_teacher, subgroup "
            u"FROM DisciplineForStudent2 ORDER BY id_disciplineForStudent2"_qs,
            {});
    }
};

TEST_F(History, AnInsertAChangeOfOneColumnAndADeleteAreRecordedColumnByColumn) {
    auto s = staffAs(u"ivanova"_qs);
    const ResultSet like = chosenRow(*s);
    ASSERT_EQ(like.rowCount(), 1);
    const ResultSet made = s->query(
        u"INSERT INTO DisciplineForStudent2 (id_student, id_a_year, id_semester, id_kafedra, "
        u"id_discipline, id_teacher, subgroup) OUTPUT INSERTED.id_disciplineForStudent2 "
        u"VALUES (?, ?, ?, ?, ?, ?, NULL)"_qs,
        {like.at(0, 1), like.at(0, 2), like.at(0, 3), like.at(0, 4), like.at(0, 5), like.at(0, 6)});
    const std::int64_t key = std::get<std::int64_t>(made.at(0, 0));
    const std::int64_t student = std::get<std::int64_t>(like.at(0, 1));

    // The insert: one row per column the new row fills (the stream is empty), nothing else.
    std::vector<Entry> h = rowHistory(*s, u"DisciplineForStudent2"_qs, key);
    ASSERT_EQ(h.size(), 6u);
    QStringList columns;
    for (const Entry& e : h) {
        columns << e.column;
        EXPECT_EQ(e.action, u"I"_qs);
        EXPECT_EQ(e.login, u"ivanova"_qs);
        EXPECT_EQ(e.account, QString::fromLatin1(kStaffUser));
        EXPECT_EQ(e.table, u"DisciplineForStudent2"_qs);
        EXPECT_EQ(e.rowKey, key);
        EXPECT_TRUE(e.oldValue.isEmpty());
        EXPECT_FALSE(e.newValue.isEmpty());
    }
    // Newest first: the columns were written in table order, so they read backwards.
    EXPECT_EQ(columns, QStringList({u"id_teacher"_qs, u"id_discipline"_qs, u"id_kafedra"_qs,
                                    u"id_semester"_qs, u"id_a_year"_qs, u"id_student"_qs}));
    // Keys are named by their lists.
    EXPECT_EQ(h[1].newText,
              valueText(scalar(*s, u"SELECT p34 FROM discipline WHERE id_discipline = ?"_qs,
                               {like.at(0, 5)})));
    EXPECT_EQ(h[0].newText, valueText(scalar(*s, u"SELECT t_fio FROM t_fio WHERE id_teacher = ?"_qs,
                                             {like.at(0, 6)})));

    // A change of one column: one row, the old and the new value.
    EXPECT_EQ(s->execute(u"UPDATE DisciplineForStudent2 SET subgroup = 7, id_teacher = ? "
                         u"WHERE id_disciplineForStudent2 = ?"_qs,
                         {like.at(0, 6), key}),
              1);
    h = rowHistory(*s, u"DisciplineForStudent2"_qs, key);
    ASSERT_EQ(h.size(), 7u) << "the unchanged teacher is not recorded";
    EXPECT_EQ(h[0].action, u"U"_qs);
    EXPECT_EQ(h[0].column, u"subgroup"_qs);
    EXPECT_EQ(h[0].oldValue, QString());
    EXPECT_EQ(h[0].newValue, u"7"_qs);
    EXPECT_EQ(h[0].newText, u"7"_qs);

    // The delete: one row per column the row had filled, the old values.
    EXPECT_EQ(s->execute(u"DELETE FROM DisciplineForStudent2 WHERE id_disciplineForStudent2 = ?"_qs,
                         {key}),
              1);
    h = rowHistory(*s, u"DisciplineForStudent2"_qs, key);
    ASSERT_EQ(h.size(), 14u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(h[i].action, u"D"_qs);
        EXPECT_TRUE(h[i].newValue.isEmpty());
    }
    EXPECT_EQ(h[0].column, u"subgroup"_qs);
    EXPECT_EQ(h[0].oldValue, u"7"_qs);

    // The student's history holds all of it, newest first.
    const std::vector<Entry> all = studentHistory(*s, student);
    ASSERT_GE(all.size(), 14u);
    EXPECT_EQ(all[0].action, u"D"_qs);
    EXPECT_EQ(all[13].action, u"I"_qs);
}

TEST_F(History, AnElectiveChangedAndDeletedThroughAnotherConnectionIsRecordedToo) {
    auto declared = staffAs(u"petrov"_qs);
    auto other = staff();  // declares nobody, as another tool on the same account would
    const ResultSet row = other->query(
        u"SELECT TOP 1 id_disciplineForStudent, id_student, id_teacher FROM DisciplineForStudent "
        u"WHERE id_teacher IS NOT NULL ORDER BY id_disciplineForStudent DESC"_qs,
        {});
    ASSERT_EQ(row.rowCount(), 1);
    const Value& key = row.at(0, 0);
    const Value teacher = scalar(*other,
                                 u"SELECT TOP 1 id_teacher FROM teacher "
                                 u"WHERE id_teacher <> ? ORDER BY id_teacher"_qs,
                                 {row.at(0, 2)});
    ASSERT_EQ(other->execute(u"UPDATE DisciplineForStudent SET id_teacher = ? "
                             u"WHERE id_disciplineForStudent = ?"_qs,
                             {teacher, key}),
              1);
    // Read through the declared connection: the history is the database's, not the session's.
    std::vector<Entry> h =
        rowHistory(*declared, u"DisciplineForStudent"_qs, std::get<std::int64_t>(key));
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h[0].column, u"id_teacher"_qs);
    EXPECT_EQ(h[0].login, QString()) << "the other connection declared nobody";
    EXPECT_EQ(h[0].account, QString::fromLatin1(kStaffUser));
    EXPECT_EQ(h[0].oldValue, valueText(row.at(0, 2)));
    EXPECT_EQ(h[0].newValue, valueText(teacher));

    // A delete by the declared connection, as the electives' removal sends it.
    ASSERT_EQ(declared->execute(u"DELETE FROM DisciplineForStudent "
                                u"WHERE id_disciplineForStudent = ?"_qs,
                                {key}),
              1);
    h = rowHistory(*other, u"DisciplineForStudent"_qs, std::get<std::int64_t>(key));
    ASSERT_GT(h.size(), 1u);
    EXPECT_EQ(h[0].action, u"D"_qs);
    EXPECT_EQ(h[0].login, u"petrov"_qs);
    EXPECT_EQ(h.back().action, u"U"_qs);
}

TEST_F(History, StaffReadTheHistoryAndCannotWriteItNorChangeWhomTheyDeclared) {
    auto s = staffAs(u"ivanova"_qs);
    EXPECT_NO_THROW(s->query(u"SELECT count(*) FROM zev_history"_qs, {}));
    for (const QString& write :
         {u"INSERT INTO zev_history (changed_at, db_login, table_name, row_key, action, "
          u"column_name) VALUES ('2020-01-01', 'x', 'DisciplineForStudent', 1, 'U', 'x')"_qs,
          u"UPDATE zev_history SET zev_login = 'nobody'"_qs, u"DELETE FROM zev_history"_qs}) {
        const QString verb = write.section(u' ', 0, 0);
        EXPECT_EQ(errorOf([&] { s->execute(write, {}); }),
                  u"The %1 permission was denied on the object 'zev_history', database 'ZEV', "
                  u"schema 'dbo'."_qs.arg(verb))
            << write.toStdString();
    }
    EXPECT_EQ(errorOf([&] {
                  s->execute(
                      u"EXEC sp_set_session_context @key = N'zev_login', "
                      u"@value = N'smirnov'"_qs,
                      {});
              }),
              u"Cannot set key 'zev_login' in the session context. The key has been set as "
              u"read_only for this session."_qs);
    // The sign-in account reads no history.
    auto signin = signIn();
    EXPECT_NE(errorOf([&] { signin->query(u"SELECT count(*) FROM zev_history"_qs, {}); }),
              u"<no error>"_qs);
}

TEST_F(History, AnOlderDatabaseFileIsGivenTheHistoryWhenItIsOpened) {
    // A file as the generator made it before the history: no history table, no triggers, no
    // version.
    const QString file = folder() + u"/older.sqlite"_qs;
    QFile::remove(file);
    ASSERT_TRUE(QFile::copy(made().databaseFile, file));
    {
        Database db(file, Database::Mode::ReadWrite);
        db.script(
            u"DROP TRIGGER DisciplineForStudent_history_insert; "
            u"DROP TRIGGER DisciplineForStudent_history_update; "
            u"DROP TRIGGER DisciplineForStudent_history_delete; "
            u"DROP TRIGGER DisciplineForStudent2_history_insert; "
            u"DROP TRIGGER DisciplineForStudent2_history_update; "
            u"DROP TRIGGER DisciplineForStudent2_history_delete; "
            u"DROP TABLE zev_history; PRAGMA user_version = 0;"_qs);
        EXPECT_EQ(db.schemaVersion(), 0);
    }
    auto s =
        Session::open(file, QString::fromLatin1(kStaffUser), QString::fromLatin1(kStaffPassword));
    EXPECT_EQ(valueText(scalar(*s, u"SELECT count(*) FROM zev_history"_qs)), u"0"_qs);
    const Value key = scalar(*s,
                             u"SELECT TOP 1 id_disciplineForStudent2 FROM "
                             u"DisciplineForStudent2 ORDER BY id_disciplineForStudent2"_qs);
    ASSERT_EQ(s->execute(u"UPDATE DisciplineForStudent2 SET subgroup = 99 "
                         u"WHERE id_disciplineForStudent2 = ?"_qs,
                         {key}),
              1);
    EXPECT_EQ(rowHistory(*s, u"DisciplineForStudent2"_qs, std::get<std::int64_t>(key)).size(), 1u);
    s.reset();
    Database db(file, Database::Mode::ReadWrite);
    EXPECT_EQ(db.schemaVersion(), kSchemaVersion);
    // Opening it again changes nothing.
    upgradeSchema(db);
    EXPECT_EQ(valueText(db.query(u"SELECT count(*) FROM sqlite_master WHERE type = 'trigger' "
                                 u"AND name LIKE '%_history_%'"_qs)
                            .at(0, 0)),
              u"6"_qs);
}

TEST_F(History, AFreshDatabaseHasTheHistoryAndNoEntriesForItsGeneratedRows) {
    auto s = staff();
    EXPECT_EQ(valueText(scalar(*s, u"SELECT count(*) FROM zev_history WHERE db_login = 'dbo'"_qs)),
              u"0"_qs);
    Database db(made().databaseFile, Database::Mode::ReadWrite);
    EXPECT_EQ(db.schemaVersion(), kSchemaVersion);
}

}  // namespace
}  // namespace zev::testing
