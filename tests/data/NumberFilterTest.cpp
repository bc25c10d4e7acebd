// The usual filter, numeric fields compared with numbers and joined by AND, is checked by a flat
// loop: it must pass exactly the rows that the same filter passes when the expression is walked
// (the filter under a double NOT), and the rows the comparisons themselves describe.
#include "MemoryDataset.h"
#include "QtPrinting.h"
#include "data/Dataset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>

namespace zev::testing {
namespace {

std::vector<std::int64_t> passing(Dataset& rows, const QString& filter) {
    rows.setFilter(filter);
    rows.setFiltered(true);
    std::vector<std::int64_t> ids;
    for (rows.first(); !rows.eof(); rows.next()) {
        ids.push_back(std::get<std::int64_t>(rows.fieldByName(QStringLiteral("id")).value()));
    }
    return ids;
}

TEST(NumberFilter, PassesTheRowsTheWalkedExpressionAndTheComparisonsPass) {
    std::mt19937 random(9122026);
    MemoryDataset rows;
    rows.rows.columns = {{QStringLiteral("id"), ColumnType::Integer},
                         {QStringLiteral("kafedra"), ColumnType::Integer},
                         {QStringLiteral("hours"), ColumnType::Float},
                         {QStringLiteral("name"), ColumnType::Text}};
    struct Row {
        std::optional<std::int64_t> kafedra;
        std::optional<double> hours;
    };
    std::vector<Row> kept;
    std::uniform_int_distribution<int> small(-3, 3);
    for (std::int64_t id = 0; id < 400; ++id) {
        Row row;
        if (random() % 7 != 0) {
            row.kafedra = small(random);
        }
        if (random() % 7 != 0) {
            row.hours = small(random) / 2.0;
        }
        kept.push_back(row);
        rows.rows.cells.emplace_back(id);
        rows.rows.cells.push_back(row.kafedra ? Value{*row.kafedra} : Value{});
        rows.rows.cells.push_back(row.hours ? Value{*row.hours} : Value{});
        rows.rows.cells.emplace_back(QStringLiteral("n%1").arg(id));
    }
    rows.open();

    const QStringList ops = {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("<"),
                             QStringLiteral(">"), QStringLiteral("<="), QStringLiteral(">=")};
    const std::vector<std::function<bool(double, double)>> holds = {
        std::equal_to<>(), std::not_equal_to<>(), std::less<>(),
        std::greater<>(),  std::less_equal<>(),   std::greater_equal<>()};
    for (int n = 0; n < 300; ++n) {
        QStringList terms;
        std::vector<std::function<bool(const Row&)>> tests;
        const int count = 1 + static_cast<int>(random() % 4);
        for (int t = 0; t < count; ++t) {
            const int op = static_cast<int>(random() % ops.size());
            const double number = small(random) / (random() % 2 == 0 ? 1.0 : 2.0);
            const bool onKafedra = random() % 2 == 0;
            const QString field = onKafedra ? (random() % 2 == 0 ? QStringLiteral("kafedra")
                                                                 : QStringLiteral("KAFEDRA"))
                                            : QStringLiteral("hours");
            const QString literal =
                random() % 4 == 0 ? QStringLiteral("'%1'").arg(number) : QString::number(number);
            terms << QStringLiteral("(%1 %2 %3)").arg(field, ops[op], literal);
            tests.emplace_back([=, &holds](const Row& r) {
                const std::optional<double> value =
                    onKafedra ? (r.kafedra ? std::optional<double>(static_cast<double>(*r.kafedra))
                                           : std::nullopt)
                              : r.hours;
                return value && holds[static_cast<std::size_t>(op)](*value, number);
            });
        }
        const QString filter = terms.join(random() % 2 == 0 ? u" and " : u" AND ");
        std::vector<std::int64_t> described;
        for (std::size_t id = 0; id < kept.size(); ++id) {
            if (std::all_of(tests.begin(), tests.end(),
                            [&](const auto& test) { return test(kept[id]); })) {
                described.push_back(static_cast<std::int64_t>(id));
            }
        }
        EXPECT_EQ(passing(rows, filter), described) << filter.toStdString();
        EXPECT_EQ(passing(rows, QStringLiteral("not (not (%1))").arg(filter)), described)
            << filter.toStdString();
    }
}

TEST(NumberFilter, OtherFiltersKeepTheirWalk) {
    MemoryDataset rows;
    rows.rows.columns = {{QStringLiteral("id"), ColumnType::Integer},
                         {QStringLiteral("kafedra"), ColumnType::Integer},
                         {QStringLiteral("name"), ColumnType::Text}};
    rows.rows.cells = {Value{std::int64_t{1}},
                       Value{std::int64_t{5}},
                       Value{QStringLiteral("a")},
                       Value{std::int64_t{2}},
                       Value{},
                       Value{QStringLiteral("b")},
                       Value{std::int64_t{3}},
                       Value{std::int64_t{6}},
                       Value{}};
    rows.open();
    EXPECT_EQ(passing(rows, QStringLiteral("kafedra = NULL")), std::vector<std::int64_t>{2});
    EXPECT_EQ(passing(rows, QStringLiteral("kafedra <> NULL and kafedra > 4")),
              (std::vector<std::int64_t>{1, 3}));
    EXPECT_EQ(passing(rows, QStringLiteral("kafedra = 5 or name = 'B'")),
              (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(passing(rows, QStringLiteral("kafedra >= 5 and name = 'a'")),
              std::vector<std::int64_t>{1});
}

}  // namespace
}  // namespace zev::testing
