// Stream capacity over the SQL Server path: two connections through FreeTDS and the ODBC driver
// after the last place of a stream; the server's refusal reaches the client in its own words.
#include "TdsFixture.h"

namespace zev::testing {
namespace {

using StreamCapacityOverTds = TdsFixture;

Value scalar(Connection& c, const QString& sql) {
    const ResultSet rows = c.query(sql);
    return rows.rowCount() > 0 ? rows.at(0, 0) : Value{};
}

TEST_F(StreamCapacityOverTds, TwoConnectionsCannotBothTakeTheLastPlace) {
    auto first = connect(staffSettings());
    auto second = connect(staffSettings());
    // A stream with places in it, made to have one place left.
    const ResultSet s = first->query(QStringLiteral(
        "SELECT d.id_discipline, d.id_teacher, d.id_a_year, m.id_w_s, d.subgroup, "
        "MIN(d.id_semester), COUNT(*) FROM DisciplineForStudent AS d INNER JOIN Semester AS m "
        "ON m.id_semester = d.id_semester WHERE d.subgroup IS NOT NULL "
        "GROUP BY d.id_discipline, d.id_teacher, d.id_a_year, m.id_w_s, d.subgroup "
        "ORDER BY COUNT(*) DESC"));
    ASSERT_GT(s.rowCount(), 0);
    const QString discipline = valueText(s.at(0, 0)), teacher = valueText(s.at(0, 1)),
                  year = valueText(s.at(0, 2)), ws = valueText(s.at(0, 3)),
                  number = valueText(s.at(0, 4)), semester = valueText(s.at(0, 5));
    const qint64 taken = std::get<std::int64_t>(s.at(0, 6));
    runOnDatabase(QStringLiteral("UPDATE RRNKkrdt SET capacity = %1 WHERE id_discipline = %2 AND "
                                 "id_teacher = %3 AND id_a_year = %4 AND id_w_s = %5 AND "
                                 "subgroup = %6")
                      .arg(taken + 1)
                      .arg(discipline, teacher, year, ws, number)
                      .toUtf8()
                      .constData());
    const ResultSet free = first->query(QStringLiteral(
        "SELECT id_disciplineForStudent FROM DisciplineForStudent WHERE subgroup IS NULL "
        "ORDER BY id_disciplineForStudent"));
    ASSERT_GE(free.rowCount(), 2);

    const QString take = QStringLiteral(
        "UPDATE DisciplineForStudent SET id_discipline = :d, id_teacher = :t, id_a_year = :y, "
        "id_semester = :s, subgroup = :n WHERE id_disciplineForStudent = :id");
    const auto params = [&](const Value& place) {
        return Params{{QStringLiteral("d"), Value{discipline.toLongLong()}},
                      {QStringLiteral("t"), Value{teacher.toLongLong()}},
                      {QStringLiteral("y"), Value{year.toLongLong()}},
                      {QStringLiteral("s"), Value{semester.toLongLong()}},
                      {QStringLiteral("n"), Value{number.toLongLong()}},
                      {QStringLiteral("id"), place}};
    };
    EXPECT_EQ(first->execute(take, params(free.at(0, 0))), 1);
    EXPECT_EQ(errorOf([&] { second->execute(take, params(free.at(1, 0))); }),
              QStringLiteral("Поток заполнен: все места в нём заняты. Выберите другой поток."));
    EXPECT_EQ(
        valueText(scalar(*second, QStringLiteral("SELECT subgroup FROM DisciplineForStudent WHERE "
                                                 "id_disciplineForStudent = ") +
                                      valueText(free.at(1, 0)))),
        QString());

    // Both read the places: every one taken.
    const ResultSet places = second->query(
        QStringLiteral("EXEC GetStreamPlaces %1, %2, %3, %4").arg(discipline, teacher, year, ws));
    bool seen = false;
    for (int r = 0; r < places.rowCount(); ++r) {
        if (valueText(places.at(r, 0)) == number) {
            seen = true;
            EXPECT_EQ(valueText(places.at(r, 1)), QString::number(taken + 1));
            EXPECT_EQ(valueText(places.at(r, 2)), QString::number(taken + 1));
        }
    }
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace zev::testing
