// Timed driver for the T-SQL front end's goal: translation in time linear in the statement.
// Each statement is translated at sizes doubling from a baseline measured in the same run; the
// time of each size over the time of the size before it should stay near 2 (a quadratic
// translation gives 4). The largest sizes are the ones that once took tens of seconds: a WHERE of
// 800 KB and 40,000 terms joined by "+".
#include "core/Errors.h"
#include "server/engine/Translator.h"

#include <chrono>
#include <cstdio>
#include <functional>

using namespace zev;

namespace {

double millisecondsFor(const QString& sql) {
    const auto start = std::chrono::steady_clock::now();
    try {
        server::translate(sql);
    } catch (const DatabaseError& e) {
        std::printf("  refused: %s\n", qPrintable(e.text().left(120)));
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void series(const char* name, const std::function<QString(int)>& statement, int from, int to) {
    std::printf("%s\n%12s %12s %10s %8s\n", name, "size", "characters", "ms", "ratio");
    double previous = 0;
    for (int n = from; n <= to; n *= 2) {
        const QString sql = statement(n);
        const double ms = millisecondsFor(sql);
        std::printf("%12d %12lld %10.2f %8.2f\n", n, static_cast<long long>(sql.size()), ms,
                    previous > 0 ? ms / previous : 0.0);
        previous = ms;
    }
}

}  // namespace

int main() {
    series(
        "WHERE with n conditions joined by OR",
        [](int n) {
            return QStringLiteral(
                       "SELECT id_disciplineForStudent FROM DisciplineForStudent WHERE ") +
                   QStringLiteral("(id_teacher = 12345 AND ZEV_user <> 'ivanova') OR ")
                       .repeated(n) +
                   QStringLiteral("1 = 0");
        },
        1250, 20000);  // up to 800 KB
    series(
        "n terms joined by +",
        [](int n) { return QStringLiteral("SELECT 1") + QStringLiteral(" + 1").repeated(n - 1); },
        5000, 40000);
    return 0;
}
