// Kept results of reading statements: handed out again while the database stays the same, and
// dropped the moment it changes, by this session, another session or another process.
#include "server/engine/ResultCache.h"
#include "tests/server/ServerFixture.h"

#include <QProcess>

namespace zev::testing {
namespace {

using namespace zev::server;

class ResultCacheTest : public DemoDatabase {
protected:
    // The stream of one elective place, read through the cache.
    static Value stream(Session& s, std::int64_t place) {
        return scalar(s,
                      QStringLiteral("SELECT subgroup FROM DisciplineForStudent WHERE "
                                     "id_disciplineForStudent = ?"),
                      {Value{place}});
    }
    static std::int64_t firstPlace(Session& s) {
        return integer(s, QStringLiteral("SELECT MIN(id_disciplineForStudent) FROM "
                                         "DisciplineForStudent"));
    }
    static QString setStream(const Value& stream, std::int64_t place) {
        return QStringLiteral(
                   "UPDATE DisciplineForStudent SET subgroup = %1 WHERE "
                   "id_disciplineForStudent = %2")
            .arg(isNull(stream) ? QStringLiteral("NULL") : valueText(stream))
            .arg(place);
    }
};

TEST_F(ResultCacheTest, ARepeatedStatementGivesTheSameRowsAndDifferentArgumentsTheirOwn) {
    auto s = staff();
    const QString sql = QStringLiteral(
        "SELECT id_teacher, p26, p27 FROM teacher WHERE "
        "id_teacher >= ? ORDER BY id_teacher");
    const ResultSet first = s->query(sql, {Value{std::int64_t{0}}});
    const ResultSet again = s->query(sql, {Value{std::int64_t{0}}});
    ASSERT_GT(first.rowCount(), 2);
    ASSERT_EQ(again.rowCount(), first.rowCount());
    for (int c = 0; c < first.columnCount(); ++c) {
        EXPECT_EQ(again.columns[c].name, first.columns[c].name);
        EXPECT_EQ(again.columns[c].type, first.columns[c].type);
    }
    EXPECT_EQ(again.cells, first.cells);
    const std::int64_t second = std::get<std::int64_t>(first.at(1, 0));
    EXPECT_EQ(s->query(sql, {Value{second}}).rowCount(), first.rowCount() - 1);
    // A number and its text are different arguments.
    const QString echo = QStringLiteral("SELECT ? AS v");
    EXPECT_EQ(s->query(echo, {Value{std::int64_t{1}}}).at(0, 0), Value{std::int64_t{1}});
    EXPECT_EQ(s->query(echo, {Value{QStringLiteral("1")}}).at(0, 0), Value{QStringLiteral("1")});
    EXPECT_EQ(s->query(echo, {Value{}}).at(0, 0), Value{});
}

TEST_F(ResultCacheTest, AWriteOfThisSessionIsSeenAtOnce) {
    auto s = staff();
    const std::int64_t place = firstPlace(*s);
    const Value before = stream(*s, place);
    EXPECT_EQ(s->execute(setStream(Value{std::int64_t{201}}, place), {}), 1);
    EXPECT_EQ(stream(*s, place), Value{std::int64_t{201}});
    s->execute(setStream(before, place), {});
    EXPECT_EQ(stream(*s, place), before);
}

TEST_F(ResultCacheTest, AProcedureResultFollowsAWriteToItsRows) {
    auto s = staff();
    const ResultSet place = s->query(
        QStringLiteral(
            "SELECT id_speciality, plan_a_year, plan_semester, id_student, id_group, "
            "id_disciplineForStudent FROM DisciplineForStudent ORDER BY id_disciplineForStudent"),
        {});
    ASSERT_GT(place.rowCount(), 0);
    const std::vector<Value> keys = {place.at(0, 0), place.at(0, 1), place.at(0, 2), place.at(0, 3),
                                     place.at(0, 4)};
    const QString exec = QStringLiteral(
        "EXEC SelectDisciplineForStudent @id_speciality = ?, @id_a_year = ?, "
        "@id_semester = ?, @id_student = ?, @id_group = ?");
    const ResultSet before = s->query(exec, keys);
    ASSERT_GT(before.rowCount(), 0);
    const int subgroup = before.columnIndex(QStringLiteral("subgroup"));
    const Value& row = before.at(0, 0);
    s->execute(QStringLiteral("UPDATE DisciplineForStudent SET subgroup = 249 WHERE "
                              "id_disciplineForStudent = ?"),
               {row});
    const ResultSet after = s->query(exec, keys);
    ASSERT_EQ(after.rowCount(), before.rowCount());
    EXPECT_EQ(after.at(0, subgroup), Value{std::int64_t{249}});
    EXPECT_EQ(after.columns[subgroup].name, QStringLiteral("subgroup"));
}

TEST_F(ResultCacheTest, AWriteOfAnotherSessionIsSeenAtOnce) {
    auto reader = staff();
    auto writer = staff();
    const std::int64_t place = firstPlace(*reader);
    const Value before = stream(*reader, place);
    writer->execute(setStream(Value{std::int64_t{202}}, place), {});
    EXPECT_EQ(stream(*reader, place), Value{std::int64_t{202}});
    writer->execute(setStream(before, place), {});
    EXPECT_EQ(stream(*reader, place), before);
}

// The SQL shell, a separate program, writes while this process holds the result.
TEST_F(ResultCacheTest, AWriteOfAnotherProcessIsSeenAtOnce) {
    auto reader = staff();
    const std::int64_t place = firstPlace(*reader);
    const Value before = stream(*reader, place);
    ASSERT_EQ(stream(*reader, place), before);  // kept now
    const QString connection =
        QStringLiteral("User ID=%1;Password=%2;Initial Catalog=ZEV;Data Source=%3")
            .arg(QString::fromLatin1(kStaffUser), QString::fromLatin1(kStaffPassword),
                 made().databaseFile);
    const auto runShell = [&](const QString& statement) {
        QProcess shell;
        shell.start(QStringLiteral(ZEV_SQL_PROGRAM), {QStringLiteral("-c"), connection, statement});
        ASSERT_TRUE(shell.waitForFinished(30000));
        ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    };
    runShell(setStream(Value{std::int64_t{203}}, place));
    EXPECT_EQ(stream(*reader, place), Value{std::int64_t{203}});
    runShell(setStream(before, place));
    EXPECT_EQ(stream(*reader, place), before);
}

// A statement read again with more or with fewer rows than its last run (which sizes the room
// for the next) arrives whole, first from SQLite and then from the kept copy.
TEST_F(ResultCacheTest, AStatementReadAgainWithMoreOrFewerRowsArrivesWhole) {
    auto s = staff();
    const QString names = QStringLiteral(
        "SELECT id_student, s_fio, 0.5 * id_student AS half FROM s_fio WHERE id_student <= ?");
    const std::int64_t all = integer(*s, QStringLiteral("SELECT count(*) FROM s_fio"));
    const std::int64_t last = integer(*s, QStringLiteral("SELECT max(id_student) FROM s_fio"));
    ASSERT_GT(all, 100);
    for (const std::int64_t upTo : {last, std::int64_t{3}, last, std::int64_t{0}, last}) {
        const std::int64_t expected =
            integer(*s, QStringLiteral("SELECT count(*) FROM s_fio WHERE id_student <= ?"), {upTo});
        const QString lastName =
            upTo > 0 ? valueText(scalar(*s,
                                        QStringLiteral("SELECT TOP 1 s_fio FROM s_fio WHERE "
                                                       "id_student <= ? ORDER BY id_student DESC"),
                                        {upTo}))
                     : QString();
        s->forgetKeptResults();
        const ResultSet first = s->query(names, {upTo});
        const ResultSet kept = s->query(names, {upTo});
        for (const ResultSet* r : {&first, &kept}) {
            ASSERT_EQ(r->rowCount(), expected) << upTo;
            if (expected > 0) {
                EXPECT_EQ(valueText(r->at(r->rowCount() - 1, 1)), lastName);
                EXPECT_EQ(r->at(0, 2),
                          Value{0.5 * static_cast<double>(std::get<std::int64_t>(r->at(0, 0)))});
            }
        }
        EXPECT_EQ(first.cells, kept.cells);
    }
}

// The cache on its own: packed results replay exactly, the least recently used go first.
PackedResult packed(int rows, const QString& text) {
    PackedResult r;
    r.begin({{QStringLiteral("n"), ColumnType::Integer},
             {QStringLiteral("t"), ColumnType::Text},
             {QStringLiteral("f"), ColumnType::Float}},
            -1);
    for (int i = 0; i < rows; ++i) {
        r.beginRow();
        r.addInteger(i);
        const QByteArray bytes = text.toUtf8();
        r.addUtf8(bytes.constData(), bytes.size());
        if (i % 2) {
            r.addNull();
        } else {
            r.addFloat(i + 0.25);
        }
    }
    r.end();
    return r;
}

TEST(PackedResultTest, ReplaysEveryCellAsItWasGiven) {
    const PackedResult kept = packed(3, QStringLiteral("Кафедра ИВТ"));
    ResultSetSink sink;
    kept.replay(sink);
    const ResultSet r = sink.take();
    ASSERT_EQ(r.rowCount(), 3);
    EXPECT_EQ(r.columns[1].name, QStringLiteral("t"));
    EXPECT_EQ(r.at(2, 0), Value{std::int64_t{2}});
    EXPECT_EQ(r.at(1, 1), Value{QStringLiteral("Кафедра ИВТ")});
    EXPECT_EQ(r.at(0, 2), Value{0.25});
    EXPECT_EQ(r.at(1, 2), Value{});
}

TEST(ResultCacheUnitTest, KeepsTheRecentlyUsedWithinItsBudgetAndDropsAllOnAChange) {
    const auto one = std::make_shared<PackedResult>(packed(200, QStringLiteral("x")));
    const std::size_t size = one->bytes();
    ResultCache cache(size * 3 + size / 2);
    cache.checkChangeCount(1);
    cache.store(QStringLiteral("a"), one);
    cache.store(QStringLiteral("b"), std::make_shared<PackedResult>(packed(200, "x")));
    cache.store(QStringLiteral("c"), std::make_shared<PackedResult>(packed(200, "x")));
    ASSERT_NE(cache.find(QStringLiteral("a")), nullptr);  // a is now the most recent
    cache.store(QStringLiteral("d"), std::make_shared<PackedResult>(packed(200, "x")));
    EXPECT_EQ(cache.find(QStringLiteral("b")), nullptr);
    EXPECT_NE(cache.find(QStringLiteral("a")), nullptr);
    EXPECT_NE(cache.find(QStringLiteral("c")), nullptr);
    EXPECT_NE(cache.find(QStringLiteral("d")), nullptr);
    EXPECT_LE(cache.bytes(), size * 3 + size / 2);
    cache.checkChangeCount(1);
    EXPECT_EQ(cache.size(), 3);
    cache.checkChangeCount(2);
    EXPECT_EQ(cache.size(), 0);
    // A result larger than half the budget is not kept at all.
    ResultCache small(size);
    small.store(QStringLiteral("big"), one);
    EXPECT_EQ(small.find(QStringLiteral("big")), nullptr);
}

TEST(ResultCacheUnitTest, KeysKeepArgumentListsApart) {
    const QString sql = QStringLiteral("SELECT ?, ?");
    EXPECT_NE(ResultCache::key(sql, {Value{std::int64_t{1}}, Value{}}),
              ResultCache::key(sql, {Value{QStringLiteral("1")}, Value{}}));
    EXPECT_NE(ResultCache::key(sql, {Value{QStringLiteral("a\x1f"
                                                          "3b")},
                                     Value{}}),
              ResultCache::key(sql, {Value{QStringLiteral("a")}, Value{QStringLiteral("b")}}));
    EXPECT_EQ(ResultCache::key(sql, {Value{2.5}, Value{}}),
              ResultCache::key(sql, {Value{2.5}, Value{}}));
}

}  // namespace
}  // namespace zev::testing
