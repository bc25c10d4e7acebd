#include "server/engine/PlanGuides.h"

#include <QRegularExpression>

#include <vector>

namespace zev::server {

namespace {

// A statement as the translator writes it, with %1 for the academic year and %2 for the
// half-year, and its twin with the same holes.
struct Guide {
    QRegularExpression match;
    QString twin;
};

QRegularExpression literalWithHoles(QString translated) {
    // Letters survive escaping: the holes are marked by words, escaped, then opened.
    translated.replace(QStringLiteral("%1"), QStringLiteral("ZEVHOLEYEAR"));
    translated.replace(QStringLiteral("%2"), QStringLiteral("ZEVHOLEHALF"));
    QString pattern = QRegularExpression::escape(translated);
    pattern.replace(QStringLiteral("ZEVHOLEYEAR"), QStringLiteral("([0-9]{1,9})"));
    pattern.replace(QStringLiteral("ZEVHOLEHALF"), QStringLiteral("([0-9]{1,9})"));
    return QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$'));
}

const std::vector<Guide>& guides() {
    static const std::vector<Guide> all = [] {
        std::vector<Guide> made;
        // Departments of the half-year: grouped by the department's key and name, in the key's
        // order. Every department in key order, kept when one stream of the half-year is its.
        made.push_back(
            {literalWithHoles(QStringLiteral(
                 R"(SELECT "RRNKkrdt"."id_kafedra", "f1" FROM "kafedra" INNER JOIN "RRNKkrdt" ON )"
                 R"("kafedra"."id_kafedra" = "RRNKkrdt"."id_kafedra" WHERE "id_a_year" = %1 AND )"
                 R"("id_w_s" = %2 GROUP BY "RRNKkrdt"."id_kafedra", "f1")")),
             QStringLiteral(
                 R"(SELECT "kafedra"."id_kafedra" AS "id_kafedra", "kafedra"."f1" AS "f1" FROM )"
                 R"("kafedra" WHERE EXISTS (SELECT 1 FROM "RRNKkrdt" WHERE "RRNKkrdt"."id_a_year" )"
                 R"(= %1 AND "RRNKkrdt"."id_w_s" = %2 AND "RRNKkrdt"."id_kafedra" = )"
                 R"("kafedra"."id_kafedra"))")});
        // Disciplines of the half-year: one row per department and discipline with a stream,
        // ordered by the discipline's name, then the department's and the discipline's keys.
        // The pairs come from the streams' index in order and without duplicates; only the
        // result rows are sorted by name, which no index of the streams can give.
        made.push_back(
            {literalWithHoles(QStringLiteral(
                 R"(SELECT "discipline"."p34", "kafedra"."id_kafedra", "discipline"."id_discipline" )"
                 R"(FROM "RRNKkrdt" INNER JOIN "discipline" ON "RRNKkrdt"."id_discipline" = )"
                 R"("discipline"."id_discipline" INNER JOIN "kafedra" ON "RRNKkrdt"."id_kafedra" = )"
                 R"("kafedra"."id_kafedra" WHERE ("RRNKkrdt"."id_a_year" = %1) AND )"
                 R"(("RRNKkrdt"."id_w_s" = %2) GROUP BY "discipline"."p34", )"
                 R"("kafedra"."id_kafedra", "discipline"."id_discipline")")),
             QStringLiteral(
                 R"(SELECT "discipline"."p34" AS "p34", "kafedra"."id_kafedra" AS "id_kafedra", )"
                 R"("discipline"."id_discipline" AS "id_discipline" FROM (SELECT DISTINCT )"
                 R"("id_kafedra", "id_discipline" FROM "RRNKkrdt" WHERE "id_a_year" = %1 AND )"
                 R"("id_w_s" = %2) AS "zp" CROSS JOIN "kafedra" CROSS JOIN "discipline" WHERE )"
                 R"("kafedra"."id_kafedra" = "zp"."id_kafedra" AND "discipline"."id_discipline" = )"
                 R"("zp"."id_discipline" ORDER BY "discipline"."p34", "kafedra"."id_kafedra", )"
                 R"("discipline"."id_discipline")")});
        // Teachers of the half-year: one row per department and teacher with a stream, in the
        // order of the department's and the teacher's keys, which the index of the streams by
        // half-year, department and teacher gives; the name is the teacher's.
        made.push_back(
            {literalWithHoles(QStringLiteral(
                 R"(SELECT "kafedra"."id_kafedra", "teacher"."id_teacher", zev_arith()"
                 R"("teacher"."p26", ' ', "teacher"."p27", ' ', "teacher"."p28", '++++') AS )"
                 R"("t_fio" FROM "RRNKkrdt" INNER JOIN "kafedra" ON "RRNKkrdt"."id_kafedra" = )"
                 R"("kafedra"."id_kafedra" INNER JOIN "teacher" ON "RRNKkrdt"."id_teacher" = )"
                 R"("teacher"."id_teacher" WHERE ("RRNKkrdt"."id_a_year" = %1) AND )"
                 R"(("RRNKkrdt"."id_w_s" = %2) GROUP BY "kafedra"."id_kafedra", )"
                 R"("teacher"."id_teacher", "teacher"."p26", "teacher"."p27", "teacher"."p28")")),
             QStringLiteral(
                 R"(SELECT "kafedra"."id_kafedra" AS "id_kafedra", "teacher"."id_teacher" AS )"
                 R"("id_teacher", zev_arith("teacher"."p26", ' ', "teacher"."p27", ' ', )"
                 R"("teacher"."p28", '++++') AS "t_fio" FROM (SELECT DISTINCT "id_kafedra", )"
                 R"("id_teacher" FROM "RRNKkrdt" WHERE "id_a_year" = %1 AND "id_w_s" = %2) AS )"
                 R"("zp" CROSS JOIN "kafedra" CROSS JOIN "teacher" WHERE "kafedra"."id_kafedra" = )"
                 R"("zp"."id_kafedra" AND "teacher"."id_teacher" = "zp"."id_teacher")")});
        return made;
    }();
    return all;
}

}  // namespace

std::optional<QString> planGuide(const QString& translated) {
    if (!translated.contains(QLatin1String("GROUP BY"))) {
        return std::nullopt;
    }
    for (const Guide& guide : guides()) {
        const QRegularExpressionMatch m = guide.match.match(translated);
        if (m.hasMatch()) {
            return guide.twin.arg(m.captured(1), m.captured(2));
        }
    }
    return std::nullopt;
}

}  // namespace zev::server
