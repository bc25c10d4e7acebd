#include "server/engine/StreamCapacity.h"

#include "server/engine/Database.h"

#include <QString>

namespace zev::server {

namespace {

// The indexes that count a stream's places (SQLite text; each created only when it is missing).
const char* const kStreamIndexesSql = R"sql(
CREATE INDEX IF NOT EXISTS RRNKkrdt_stream
    ON RRNKkrdt(id_discipline, id_teacher, id_a_year, subgroup, id_w_s, capacity);
CREATE INDEX IF NOT EXISTS DisciplineForStudent_stream
    ON DisciplineForStudent(id_discipline, id_teacher, id_a_year, subgroup, id_semester);
)sql";

// What both triggers do: refuse the row when its stream holds more places than its capacity.
const char* const kRefuseFullStreamSql = R"sql(
BEGIN
    SELECT RAISE(ABORT, 'Поток заполнен: все места в нём заняты. Выберите другой поток.')
    FROM (SELECT MIN(r.capacity) AS capacity
          FROM RRNKkrdt AS r JOIN Semester AS s ON s.id_semester = NEW.id_semester
          WHERE r.id_discipline = NEW.id_discipline AND r.id_teacher = NEW.id_teacher
            AND r.id_a_year = NEW.id_a_year AND r.subgroup = NEW.subgroup
            AND r.id_w_s = s.id_w_s) AS c
    WHERE c.capacity IS NOT NULL
      AND (SELECT count(*)
           FROM DisciplineForStudent AS t JOIN Semester AS ts ON ts.id_semester = t.id_semester
           WHERE t.id_discipline = NEW.id_discipline AND t.id_teacher = NEW.id_teacher
             AND t.id_a_year = NEW.id_a_year AND t.subgroup = NEW.subgroup
             AND ts.id_w_s = (SELECT id_w_s FROM Semester WHERE id_semester = NEW.id_semester))
          > c.capacity;
END;
)sql";

// The triggers' heads: any row that enters a stream, and a changed row only when it enters one.
const char* const kInsertTriggerSql = R"sql(
CREATE TRIGGER IF NOT EXISTS DisciplineForStudent_capacity_insert
AFTER INSERT ON DisciplineForStudent
WHEN NEW.subgroup IS NOT NULL
)sql";

// A row already in the stream (a new teacher of another row, a login stamped again) is not
// counted against it: only a row that enters it.
const char* const kUpdateTriggerSql = R"sql(
CREATE TRIGGER IF NOT EXISTS DisciplineForStudent_capacity_update
AFTER UPDATE OF subgroup, id_discipline, id_teacher, id_a_year, id_semester ON DisciplineForStudent
WHEN NEW.subgroup IS NOT NULL
 AND (NEW.subgroup IS NOT OLD.subgroup OR NEW.id_discipline IS NOT OLD.id_discipline
      OR NEW.id_teacher IS NOT OLD.id_teacher OR NEW.id_a_year IS NOT OLD.id_a_year
      OR (SELECT id_w_s FROM Semester WHERE id_semester = NEW.id_semester)
         IS NOT (SELECT id_w_s FROM Semester WHERE id_semester = OLD.id_semester))
)sql";

bool hasColumn(Database& db, const QString& table, const QString& column) {
    const ResultSet found = db.query(
        QStringLiteral("SELECT count(*) FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE"),
        {table, column});
    return std::get<std::int64_t>(found.at(0, 0)) > 0;
}

}  // namespace

void addStreamCapacity(Database& db) {
    if (!hasColumn(db, QStringLiteral("RRNKkrdt"), QStringLiteral("capacity"))) {
        db.execute(QStringLiteral(
            "ALTER TABLE RRNKkrdt ADD COLUMN capacity INTEGER "
            "CHECK (capacity BETWEEN -2147483648 AND 2147483647) CHECK (capacity > 0)"));
    }
    db.script(QString::fromUtf8(kStreamIndexesSql) + QString::fromUtf8(kInsertTriggerSql) +
              QString::fromUtf8(kRefuseFullStreamSql) + QString::fromUtf8(kUpdateTriggerSql) +
              QString::fromUtf8(kRefuseFullStreamSql));
}

}  // namespace zev::server
