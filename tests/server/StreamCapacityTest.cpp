// Stream capacity in the embedded server: the trigger that refuses a place in a full stream, two
// sessions after the last place, the places of streams, and the upgrade of an older file.
#include "ServerFixture.h"
#include "server/engine/Database.h"
#include "server/engine/SchemaUpgrade.h"

namespace zev::server::testing {
namespace {

const QString kFull = u"Поток заполнен: все места в нём заняты. Выберите другой поток."_qs;

// One stream of the demo: its keys and a free place of another student to put into it.
struct Stream {
    std::int64_t discipline = 0, teacher = 0, year = 0, ws = 0, number = 0, semester = 0;
    std::int64_t taken = 0;
};

class StreamCapacity : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        made = generateDatabase(folder.path(), DatabaseSize::Demo);
        admin = std::make_unique<Database>(made.databaseFile, Database::Mode::ReadWrite);
        // The stream that most places of the demo are in.
        const ResultSet s = admin->query(
            u"SELECT d.id_discipline, d.id_teacher, d.id_a_year, m.id_w_s, d.subgroup, "
            "min(d.id_semester), count(*) FROM DisciplineForStudent AS d "
            "JOIN Semester AS m ON m.id_semester = d.id_semester "
            "JOIN RRNKkrdt AS r ON r.id_discipline = d.id_discipline AND r.id_teacher = "
            "d.id_teacher AND r.id_a_year = d.id_a_year AND r.id_w_s = m.id_w_s AND r.subgroup = "
            "d.subgroup GROUP BY 1, 2, 3, 4, 5 ORDER BY 7 DESC, 1, 2, 3, 4, 5 LIMIT 1"_qs);
        ASSERT_EQ(s.rowCount(), 1);
        auto at = [&](int c) { return std::get<std::int64_t>(s.at(0, c)); };
        stream = {at(0), at(1), at(2), at(3), at(4), at(5), at(6)};
        ASSERT_GE(stream.taken, 2);
    }

    void setCapacity(const Value& capacity) {
        admin->execute(
            u"UPDATE RRNKkrdt SET capacity = ? WHERE id_discipline = ? AND id_teacher "
            "= ? AND id_a_year = ? AND id_w_s = ? AND subgroup = ?"_qs,
            {capacity, stream.discipline, stream.teacher, stream.year, stream.ws, stream.number});
    }

    // Places not in the stream (free ones and others), by key.
    std::vector<std::int64_t> placesOutside(int count) {
        const ResultSet rows = admin->query(
            u"SELECT id_disciplineForStudent FROM DisciplineForStudent WHERE subgroup IS NULL "
            "ORDER BY id_disciplineForStudent LIMIT ?"_qs,
            {std::int64_t{count}});
        std::vector<std::int64_t> keys;
        keys.reserve(static_cast<std::size_t>(rows.rowCount()));
        for (int r = 0; r < rows.rowCount(); ++r) {
            keys.push_back(std::get<std::int64_t>(rows.at(r, 0)));
        }
        return keys;
    }

    std::unique_ptr<Session> staff() const {
        return Session::open(made.databaseFile, QString::fromLatin1(kStaffUser),
                             QString::fromLatin1(kStaffPassword));
    }

    // The staff's write-back of a place taking the stream.
    void take(Session& s, std::int64_t place) const {
        s.execute(
            u"UPDATE DisciplineForStudent SET id_discipline = ?, id_teacher = ?, "
            "id_a_year = ?, id_semester = ?, subgroup = ?, ZEV_user = 'ivanova' "
            "WHERE id_disciplineForStudent = ?"_qs,
            {stream.discipline, stream.teacher, stream.year, stream.semester, stream.number,
             place});
    }

    QString subgroupOf(std::int64_t place) const {
        return valueText(admin
                             ->query(u"SELECT subgroup FROM DisciplineForStudent WHERE "
                                     "id_disciplineForStudent = ?"_qs,
                                     {place})
                             .at(0, 0));
    }

    ResultSet places(Session& s) const {
        return s.query(u"EXEC GetStreamPlaces ?, ?, ?, ?"_qs,
                       {stream.discipline, stream.teacher, stream.year, stream.ws});
    }

    static QString errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const DatabaseError& e) {
            return e.text();
        }
        return u"<no error>"_qs;
    }

    QTemporaryDir folder;
    GeneratedDatabase made;
    std::unique_ptr<Database> admin;
    Stream stream;
};

TEST_F(StreamCapacity, TwoSessionsCannotBothTakeTheLastPlace) {
    setCapacity(stream.taken + 1);
    const std::vector<std::int64_t> free = placesOutside(2);
    ASSERT_EQ(free.size(), 2u);
    auto first = staff();
    auto second = staff();
    // Both have read the stream with one place left.
    EXPECT_EQ(places(*first).rowCount(), places(*second).rowCount());

    EXPECT_NO_THROW(take(*first, free[0]));
    EXPECT_EQ(errorOf([&] { take(*second, free[1]); }), kFull);
    EXPECT_EQ(subgroupOf(free[0]), QString::number(stream.number));
    EXPECT_EQ(subgroupOf(free[1]), QString());  // the refused write left nothing behind

    // The places as the second session reads them now: all taken.
    const ResultSet after = places(*second);
    bool seen = false;
    for (int r = 0; r < after.rowCount(); ++r) {
        if (valueText(after.at(r, 0)) == QString::number(stream.number)) {
            seen = true;
            EXPECT_EQ(valueText(after.at(r, 1)), QString::number(stream.taken + 1));
            EXPECT_EQ(valueText(after.at(r, 2)), QString::number(stream.taken + 1));
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(StreamCapacity, APlaceAlreadyInAFullStreamMayBeChangedOtherwise) {
    setCapacity(stream.taken);
    auto s = staff();
    const ResultSet inside = admin->query(
        u"SELECT id_disciplineForStudent FROM DisciplineForStudent WHERE id_discipline = ? AND "
        "id_teacher = ? AND id_a_year = ? AND subgroup = ? LIMIT 1"_qs,
        {stream.discipline, stream.teacher, stream.year, stream.number});
    ASSERT_EQ(inside.rowCount(), 1);
    const Value& place = inside.at(0, 0);
    EXPECT_EQ(s->execute(u"UPDATE DisciplineForStudent SET ZEV_user = 'petrov' WHERE "
                         "id_disciplineForStudent = ?"_qs,
                         {place}),
              1);
    // Leaving the stream and coming back: the place it left is free again.
    EXPECT_EQ(s->execute(u"UPDATE DisciplineForStudent SET subgroup = NULL WHERE "
                         "id_disciplineForStudent = ?"_qs,
                         {place}),
              1);
    EXPECT_EQ(s->execute(u"UPDATE DisciplineForStudent SET subgroup = ? WHERE "
                         "id_disciplineForStudent = ?"_qs,
                         {stream.number, place}),
              1);
    // A new place is refused.
    EXPECT_EQ(errorOf([&] { take(*s, placesOutside(1).at(0)); }), kFull);
}

TEST_F(StreamCapacity, UnlimitedStreamsAndCapacitiesThatAreNotPositive) {
    auto s = staff();
    for (std::int64_t place : placesOutside(3)) {
        EXPECT_NO_THROW(take(*s, place));  // no capacity: unlimited
    }
    EXPECT_TRUE(errorOf([&] { setCapacity(std::int64_t{0}); }).contains(u"CHECK constraint"_qs));
    EXPECT_TRUE(errorOf([&] { setCapacity(std::int64_t{-3}); }).contains(u"CHECK constraint"_qs));
    // A new stream may carry its capacity (the staff's right to insert streams).
    EXPECT_EQ(
        s->execute(u"INSERT INTO RRNKkrdt(id_kafedra, id_teacher, id_discipline, "
                   "id_examination, id_a_year, id_w_s, prov_reyt, subgroup, plan_fakt, "
                   "id_o_z, id_semester, id_type_chasov, capacity)VALUES(1, ?, ?, 1, ?, "
                   "?, 1, 99, 1, 1, ?, 2, 1)"_qs,
                   {stream.teacher, stream.discipline, stream.year, stream.ws, stream.semester}),
        1);
    const std::vector<std::int64_t> free = placesOutside(2);
    Stream small = stream;
    small.number = 99;
    std::swap(stream, small);
    EXPECT_NO_THROW(take(*s, free[0]));
    EXPECT_EQ(errorOf([&] { take(*s, free[1]); }), kFull);
}

TEST_F(StreamCapacity, AFileOfTheVersionBeforeIsUpgradedWhenASessionOpensIt) {
    // Make the file as it was before stream capacities (version 5).
    admin->script(
        u"DROP TRIGGER DisciplineForStudent_capacity_insert; "
        "DROP TRIGGER DisciplineForStudent_capacity_update; DROP INDEX RRNKkrdt_stream; "
        "DROP INDEX DisciplineForStudent_stream; ALTER TABLE RRNKkrdt DROP COLUMN capacity; "
        "PRAGMA user_version = 5;"_qs);
    EXPECT_NE(errorOf([&] { admin->query(u"SELECT capacity FROM RRNKkrdt"_qs); }),
              u"<no error>"_qs);

    auto s = staff();
    EXPECT_EQ(valueText(admin->query(u"PRAGMA user_version"_qs).at(0, 0)),
              QString::number(kSchemaVersion));
    EXPECT_EQ(valueText(admin
                            ->query(u"SELECT count(*) FROM RRNKkrdt WHERE capacity IS NOT "
                                    "NULL"_qs)
                            .at(0, 0)),
              u"0"_qs);  // every stream unlimited
    // The capacity is enforced in the upgraded file.
    setCapacity(stream.taken);
    EXPECT_EQ(errorOf([&] { take(*s, placesOutside(1).at(0)); }), kFull);
    // A second session finds it done.
    EXPECT_NO_THROW(staff());
}

}  // namespace
}  // namespace zev::server::testing
