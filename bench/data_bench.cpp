// Timed driver for the data layer's speed goals, each reported against a baseline measured in
// the same run:
//   1. opening "SELECT * FROM t_fio" with 3,000 teachers and building its lookup index (< 5 ms);
//   2. changing the filter of a 1,000-row list (< 1 ms).
// The rows come from an in-memory driver, so the times are the data layer's own.
#include "data/Connection.h"
#include "data/Dataset.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <functional>
#include <unordered_map>

using namespace zev;

namespace {

class CannedDriver : public ConnectionDriver {
public:
    explicit CannedDriver(ResultSet result) : result_(std::move(result)) {}
    ResultSet query(const QString&, const std::vector<Value>&) override { return result_; }
    qint64 execute(const QString&, const std::vector<Value>&) override { return 0; }

private:
    ResultSet result_;
};

ResultSet teachers(int count) {
    ResultSet r;
    r.columns = {{QStringLiteral("id_teacher"), ColumnType::Integer},
                 {QStringLiteral("t_fio"), ColumnType::Text}};
    for (int i = 1; i <= count; ++i) {
        r.cells.emplace_back(std::int64_t{i});
        r.cells.emplace_back(QStringLiteral("Преподавателев%1 Иван Петрович").arg(i));
    }
    return r;
}

ResultSet streams(int count) {
    ResultSet r;
    for (const char* name : {"subgroup", "id_a_year", "id_kafedra", "id_teacher", "id_discipline",
                             "id_examination", "id_w_s"}) {
        r.columns.push_back({QString::fromLatin1(name), ColumnType::Integer});
    }
    for (int i = 0; i < count; ++i) {
        for (std::int64_t v :
             {std::int64_t{i % 40}, std::int64_t{i % 5}, std::int64_t{i % 12}, std::int64_t{i % 97},
              std::int64_t{i % 60}, std::int64_t{i % 3}, std::int64_t{1 + i % 2}}) {
            r.cells.emplace_back(v);
        }
    }
    return r;
}

// Best of `runs` timings of f, in milliseconds.
double bestMs(int runs, const std::function<void()>& f) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

void report(const char* what, double ms, double baselineMs, double goalMs) {
    std::printf("%-58s %8.3f ms  baseline %8.3f ms  ratio %6.1f  goal < %.0f ms: %s\n", what, ms,
                baselineMs, baselineMs > 0 ? ms / baselineMs : 0.0, goalMs,
                ms < goalMs ? "met" : "MISSED");
}

std::size_t sink = 0;  // printed at the end so that the measured work is kept

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    // 1. Open + lookup index over 3,000 teachers.
    const ResultSet teacherRows = teachers(3000);
    Connection teacherConnection;
    teacherConnection.openWithDriver(std::make_unique<CannedDriver>(teacherRows));
    Query teacherList(&teacherConnection);
    teacherList.setSQL(QStringLiteral("SELECT * FROM t_fio"));
    const double openMs = bestMs(20, [&] {
        teacherList.close();
        teacherList.open();
        // The first lookup builds the index on id_teacher.
        sink += valueText(teacherList.lookup(QStringLiteral("id_teacher"),
                                             Value{std::int64_t{2999}}, QStringLiteral("t_fio")))
                    .size();
    });
    // Baseline: a plain loop that copies the same rows and hashes the same keys.
    const double openBase = bestMs(20, [&] {
        std::vector<Value> copy = teacherRows.cells;
        std::unordered_map<std::int64_t, int> index;
        index.reserve(3000);
        for (int r = 0; r < teacherRows.rowCount(); ++r) {
            index.emplace(std::get<std::int64_t>(copy[static_cast<std::size_t>(r) * 2]), r);
        }
        sink += index.size();
    });
    report("open SELECT * FROM t_fio (3,000 rows) + lookup index", openMs, openBase, 5.0);

    // 2. Filter change on a 1,000-row list.
    const ResultSet streamRows = streams(1000);
    Connection streamConnection;
    streamConnection.openWithDriver(std::make_unique<CannedDriver>(streamRows));
    Query streamList(&streamConnection);
    streamList.setSQL(QStringLiteral("SELECT DISTINCT subgroup FROM dbo.RRNKkrdt"));
    streamList.open();
    streamList.setFiltered(true);
    int flip = 0;
    const double filterMs = bestMs(50, [&] {
        ++flip;
        streamList.setFilter(QStringLiteral("(id_kafedra = %1) and (id_teacher = %2) and "
                                            "(id_discipline = %3) and (id_examination = 1) and "
                                            "(id_a_year = 2) and (id_w_s = 1)")
                                 .arg(flip % 12)
                                 .arg(flip % 97)
                                 .arg(flip % 60));
        sink += static_cast<std::size_t>(streamList.recordCount());
    });
    const double filterBase = bestMs(50, [&] {
        ++flip;
        std::vector<int> rows;
        const int width = streamRows.columnCount();
        for (int r = 0; r < streamRows.rowCount(); ++r) {
            const auto at = [&](int c) {
                return std::get<std::int64_t>(streamRows.cells[r * width + c]);
            };
            if (at(2) == flip % 12 && at(3) == flip % 97 && at(4) == flip % 60 && at(5) == 1 &&
                at(1) == 2 && at(6) == 1) {
                rows.push_back(r);
            }
        }
        sink += rows.size();
    });
    report("filter change on a 1,000-row list", filterMs, filterBase, 1.0);
    std::printf("(checksum %zu)\n", sink);
    return 0;
}
