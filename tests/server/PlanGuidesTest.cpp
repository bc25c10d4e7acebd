// The chosen-disciplines lists of a half-year, as the client composes them: the twins the
// embedded server runs answer exactly what the statements as written answer (columns, rows and
// their order) on the demo database and on one grown with awkward streams, and SQLite reads them
// in index order instead of grouping the streams in a temporary B-tree (as it does for the
// statements as written at the size of a university: zev-bench --plans shows it).
#include "ServerFixture.h"

#include "server/engine/Database.h"
#include "server/engine/Translator.h"

#include <QRandomGenerator>

namespace zev::testing {
namespace {

using namespace zev::server;

// The four lists for an academic year and a half-year, exactly as the client sends them.
struct HalfYearList {
    const char* name;
    QString tsql;
};

std::vector<HalfYearList> halfYearLists(int year, int halfYear) {
    const QString y = QString::number(year), w = QString::number(halfYear);
    return {
        {"departments",
         u"Select ZEV.dbo.RRNKkrdt.id_kafedra,f1  From ZEV.dbo.kafedra Inner join  "_qs
         "ZEV.dbo.RRNKkrdt on ZEV.dbo.kafedra.id_kafedra=ZEV.dbo.RRNKkrdt.id_kafedra  "
         "where id_a_year="_qs +
             y + u" and id_w_s="_qs + w + u" group by ZEV.dbo.RRNKkrdt.id_kafedra,f1"_qs},
        {"disciplines",
         u"SELECT dbo.discipline.p34, dbo.kafedra.id_kafedra, dbo.discipline.id_discipline FROM "_qs
         "dbo.RRNKkrdt INNER JOIN dbo.discipline ON dbo.RRNKkrdt.id_discipline = "
         "dbo.discipline.id_discipline INNER JOIN dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = "
         "dbo.kafedra.id_kafedra WHERE     (dbo.RRNKkrdt.id_a_year = "_qs +
             y + u") AND (dbo.RRNKkrdt.id_w_s = "_qs + w + u") "_qs +
             u"GROUP BY dbo.discipline.p34, dbo.kafedra.id_kafedra, dbo.discipline.id_discipline"_qs},
        {"teachers",
         u"SELECT     dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26 + ' ' + "_qs
         "dbo.teacher.p27 + ' ' + dbo.teacher.p28 AS t_fio FROM         dbo.RRNKkrdt INNER JOIN "
         "dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = dbo.kafedra.id_kafedra INNER JOIN dbo.teacher "
         "ON dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     "
         "(dbo.RRNKkrdt.id_a_year = "_qs +
             y + u") AND (dbo.RRNKkrdt.id_w_s = "_qs + w + u") "_qs +
             u"GROUP BY dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26, "_qs
             "dbo.teacher.p27, dbo.teacher.p28 "_qs},
        {"streams",
         u"SELECT     dbo.RRNKkrdt.subgroup FROM         dbo.RRNKkrdt INNER JOIN dbo.teacher ON "_qs
         "dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     (dbo.RRNKkrdt.id_a_year = "_qs +
             y + u") AND (dbo.RRNKkrdt.id_w_s = "_qs + w + u") "_qs +
             u"GROUP BY dbo.RRNKkrdt.subgroup"_qs},
    };
}

// A result as text: column names and types, then every row in order.
std::vector<std::string> dump(const ResultSet& rows) {
    std::vector<std::string> out;
    for (const ResultColumn& c : rows.columns) {
        out.push_back((c.name + u':' + QString::number(static_cast<int>(c.type))).toStdString());
    }
    for (int r = 0; r < rows.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rows.columnCount(); ++c) {
            const Value& v = rows.at(r, c);
            cells << QString::number(v.index()) + u'|' + valueText(v);
        }
        out.push_back(cells.join(u'\t').toStdString());
    }
    return out;
}

QStringList planOf(Database& db, const QString& sqlite) {
    const ResultSet plan = db.query(u"EXPLAIN QUERY PLAN "_qs + sqlite);
    QStringList steps;
    for (int r = 0; r < plan.rowCount(); ++r) {
        steps << valueText(plan.at(r, 3));
    }
    return steps;
}

// The statement as written, its rows in the order of its grouping: what SQLite answers whenever
// it sorts the groups. Left to itself, SQLite may instead walk the tables of the grouped keys in
// an order its plan picks: on a database as small as the demo, the disciplines of a half-year
// then come by department and discipline rather than by name.
QString orderedAsGrouped(const QString& asWritten) {
    const qsizetype at = asWritten.lastIndexOf(u"GROUP BY "_qs);
    return asWritten + u" ORDER BY "_qs + asWritten.mid(at + 9);
}

class PlanGuides : public DemoDatabase {
protected:
    // Every list of every year and half-year through the server (the twins) against SQLite
    // running the statement as written; answers the rows compared.
    int expectSameAsWritten() {
        auto session = staff();
        Database db(made().databaseFile, Database::Mode::ReadWrite);
        int compared = 0;
        for (int year = 1; year <= 3; ++year) {
            for (int halfYear = 1; halfYear <= 2; ++halfYear) {
                for (const HalfYearList& list : halfYearLists(year, halfYear)) {
                    const Translation written = translateAsWritten(list.tsql);
                    const ResultSet expected =
                        db.query(orderedAsGrouped(written.sqlite), {}, written.itemTypes);
                    const ResultSet got = session->query(list.tsql, {});
                    EXPECT_EQ(dump(got), dump(expected))
                        << list.name << " of year " << year << ", half-year " << halfYear;
                    if (QLatin1String(list.name) != QLatin1String("disciplines")) {
                        // Grouped by keys that come in key order whatever the plan: the very
                        // rows in the very order of the statement as written.
                        EXPECT_EQ(dump(got), dump(db.query(written.sqlite, {}, written.itemTypes)))
                            << list.name << " of year " << year << ", half-year " << halfYear;
                    }
                    compared += got.rowCount();
                }
            }
        }
        return compared;
    }
};

TEST_F(PlanGuides, TheTwinsAnswerWhatTheStatementsAsWrittenAnswerOnTheDemoDatabase) {
    EXPECT_GT(expectSameAsWritten(), 100);
    // The guides are in play: three of the four lists run a twin, the stream list as written.
    for (const HalfYearList& list : halfYearLists(2, 2)) {
        const bool twin = translate(list.tsql).sqlite != translateAsWritten(list.tsql).sqlite;
        EXPECT_EQ(twin, QLatin1String(list.name) != QLatin1String("streams")) << list.name;
    }
}

TEST_F(PlanGuides, SQLiteReadsTheListsInIndexOrder) {
    Database db(made().databaseFile, Database::Mode::ReadWrite);
    for (const HalfYearList& list : halfYearLists(2, 1)) {
        const QStringList plan = planOf(db, translate(list.tsql).sqlite);
        const QString text = plan.join(u'\n');
        if (QLatin1String(list.name) == QLatin1String("disciplines")) {
            // Ordered by the discipline's name, which no index of the streams holds: the result
            // rows are sorted, the streams are not.
            EXPECT_EQ(text.count(u"TEMP B-TREE"_qs), 1) << list.name << ":\n" << qPrintable(text);
            EXPECT_TRUE(plan.contains(u"USE TEMP B-TREE FOR ORDER BY"_qs)) << qPrintable(text);
        } else {
            EXPECT_FALSE(text.contains(u"TEMP B-TREE"_qs)) << list.name << ":\n"
                                                           << qPrintable(text);
        }
        EXPECT_TRUE(text.contains(u"COVERING INDEX RRNKkrdt_"_qs)) << list.name << ":\n"
                                                                   << qPrintable(text);
    }
}

TEST_F(PlanGuides, OnlyTheListsWithPlainNumbersHaveTwins) {
    const HalfYearList departments = halfYearLists(2, 1).front();
    // Markers, expressions or another statement in the holes: the statement runs as written.
    QString withMarkers = departments.tsql;
    withMarkers.replace(u"id_a_year=2"_qs, u"id_a_year=?"_qs);
    QString withExpression = departments.tsql;
    withExpression.replace(u"id_w_s=1"_qs, u"id_w_s=1+0"_qs);
    QString withOr = departments.tsql;
    withOr.replace(u"id_w_s=1"_qs, u"id_w_s=1 or id_w_s=2"_qs);
    for (const QString& other : {withMarkers, withExpression, withOr}) {
        EXPECT_EQ(translate(other).sqlite, translateAsWritten(other).sqlite) << qPrintable(other);
    }
    auto session = staff();
    Database db(made().databaseFile, Database::Mode::ReadWrite);
    EXPECT_EQ(dump(session->query(withMarkers, {std::int64_t{2}})),
              dump(db.query(translateAsWritten(withMarkers).sqlite, {std::int64_t{2}})));
    EXPECT_EQ(dump(session->query(withOr, {})), dump(db.query(translateAsWritten(withOr).sqlite)));
}

// Streams that the lists must treat as the statements as written do: several per department and
// discipline, disciplines whose names differ only in letter case or trailing blanks (equal under
// the database's collation, ordered by the keys after the name), departments and teachers that do
// not exist, NULL keys and stream numbers.
TEST_F(PlanGuides, TheTwinsAnswerWhatTheStatementsAsWrittenAnswerOnAGrownDatabase) {
    {
        Database db(made().databaseFile, Database::Mode::ReadWrite);
        const std::int64_t firstNew =
            std::get<std::int64_t>(
                db.query(u"SELECT max(id_discipline) FROM discipline"_qs).at(0, 0)) +
            1;
        const QStringList names = {u"Теория игр"_qs, u"ТЕОРИЯ ИГР"_qs,  u"теория игр  "_qs,
                                   u"Теория Игр"_qs, u"Базы данных"_qs, u"базы данных"_qs};
        for (int i = 0; i < names.size(); ++i) {
            db.execute(u"INSERT INTO discipline (id_discipline, p34) VALUES (?, ?)"_qs,
                       {firstNew + i, names[i]});
        }
        const std::int64_t kafedras =
            std::get<std::int64_t>(db.query(u"SELECT max(id_kafedra) FROM kafedra"_qs).at(0, 0));
        const std::int64_t teachers =
            std::get<std::int64_t>(db.query(u"SELECT max(id_teacher) FROM teacher"_qs).at(0, 0));
        QRandomGenerator random(20251209);
        const auto maybeNull = [&](std::int64_t value) {
            return random.bounded(20) == 0 ? Value{} : Value{value};
        };
        for (int i = 0; i < 600; ++i) {
            const std::int64_t discipline = random.bounded(2) == 0
                                                ? firstNew + random.bounded(names.size())
                                                : 1 + random.bounded(static_cast<int>(firstNew));
            db.execute(
                u"INSERT INTO RRNKkrdt (id_kafedra, id_teacher, id_discipline, id_examination, "_qs
                "id_a_year, id_w_s, subgroup, id_o_z) VALUES (?, ?, ?, 1, ?, ?, ?, 1)"_qs,
                {maybeNull(1 + random.bounded(static_cast<int>(kafedras) + 2)),
                 maybeNull(1 + random.bounded(static_cast<int>(teachers) + 2)),
                 maybeNull(discipline), std::int64_t{1 + random.bounded(3)},
                 std::int64_t{1 + random.bounded(2)}, maybeNull(1 + random.bounded(40))});
        }
        db.script(u"ANALYZE"_qs);
    }
    EXPECT_GT(expectSameAsWritten(), 400);
}

}  // namespace
}  // namespace zev::testing
