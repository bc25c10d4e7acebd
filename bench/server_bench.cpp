// Times every statement of the selection cascade and of the student choice on the demo and on the
// university database: raw SQLite of the server's own translation (prepared once, every column
// read; for a procedure, the statement whose rows it answers), the server reading it first (its
// kept results forgotten before each run) with the ratio of the two, and the server answering
// from its kept results.
// Usage: server_bench [--demo-only]
#include "core/Errors.h"
#include "registration/ChosenDisciplinesSql.h"
#include "server/EmbeddedServer.h"
#include "server/engine/Database.h"
#include "server/gen/Generator.h"

#include "RawSqlite.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <string>

using namespace zev;
using namespace zev::server;

namespace {

// Nanoseconds per run of f, over enough runs to fill about 200 ms.
double timePerRun(const std::function<void()>& f) {
    f();  // warm the caches
    QElapsedTimer timer;
    timer.start();
    qint64 runs = 0;
    while (timer.nsecsElapsed() < 200'000'000) {
        f();
        ++runs;
    }
    return static_cast<double>(timer.nsecsElapsed()) / static_cast<double>(runs);
}

struct Step {
    const char* name;
    QString sql;
    std::vector<Value> args;
};

std::int64_t first(Session& s, const QString& sql, const std::vector<Value>& args) {
    const ResultSet rows = s.query(sql, args);
    return rows.rowCount() ? std::get<std::int64_t>(rows.at(0, 0)) : 0;
}

// The search for a student by name answers every keystroke: each prefix of a name as it is
// typed, and the slowest of them against the 30 ms a keystroke may take.
void benchSearch(Session& s) {
    const QString typed = QStringLiteral("соловьёв ан");
    const QString sql = QStringLiteral("EXEC FindStudent ?, ?");
    std::printf("%-32s %8s %12s\n", "search by name, typed", "rows", "time, us");
    double slowest = 0;
    for (qsizetype length = 1; length <= typed.size(); ++length) {
        const std::vector<Value> args = {std::int64_t{1}, typed.left(length)};
        const int rows = s.query(sql, args).rowCount();
        const double ns = timePerRun([&] {
            s.forgetKeptResults();  // each prefix is typed once: read from SQLite
            s.query(sql, args);
        });
        slowest = std::max(slowest, ns);
        std::printf("  %-30s %8d %12.1f\n", qPrintable(u'"' + typed.left(length) + u'"'), rows,
                    ns / 1000.0);
    }
    std::printf("slowest keystroke: %.2f ms (at most 30 ms)\n", slowest / 1e6);
}

void benchDatabase(const char* label, const GeneratedDatabase& made) {
    auto s = Session::open(made.databaseFile, QString::fromLatin1(kStaffUser),
                           QString::fromLatin1(kStaffPassword));
    const std::int64_t faculty = 1, form = 1, year = 2, semester = 3;
    const std::int64_t speciality =
        first(*s,
              QStringLiteral(
                  "SELECT id_speciality FROM Speciality_form WHERE id_faculty=? AND id_f_educ=?"),
              {faculty, form});
    const std::int64_t group = first(
        *s,
        QStringLiteral("SELECT g_r_y.id_group FROM g_r_y, Semester, g_s WHERE g_r_y.id_rate = "
                       "Semester.id_rate AND g_r_y.id_group = g_s.id_group AND g_r_y.id_a_year =? "
                       "AND Semester.id_semester =? AND g_s.id_speciality =?"),
        {year, semester, speciality});
    const std::int64_t student =
        first(*s, QStringLiteral("SELECT id_student FROM s_g WHERE id_group = ?"), {group});
    const QString y = QString::number(year);
    const QString halfYear = *ChosenDisciplinesSql::idWsForSemester(semester);
    const std::vector<Step> steps = {
        {"faculties",
         QStringLiteral("SELECT id_faculty, [p23-1] FROM Faculty INNER JOIN user_faculty ON "
                        "faculty.id_faculty = user_faculty.faculty WHERE user_faculty.id_login =? "
                        "ORDER BY [p23-1]"),
         {QStringLiteral("1")}},
        {"forms of education",
         QStringLiteral(
             "SELECT DISTINCT dbo.f_educ.id_f_educ, dbo.f_educ.p108, o_z FROM dbo.com_sfe "
             "INNER JOIN dbo.f_educ ON dbo.com_sfe.id_f_educ = dbo.f_educ.id_f_educ WHERE "
             "id_faculty =?"),
         {QString::number(faculty)}},
        {"specialities",
         QStringLiteral("SELECT id_speciality, [p25-2], id_obem_chasov FROM Speciality_form WHERE "
                        "id_faculty=? and id_f_educ=? GROUP BY id_speciality, [p25-2] , "
                        "id_obem_chasov ORDER BY [p25-2]"),
         {faculty, form}},
        {"volumes of hours", QStringLiteral("SELECT * FROM ObemChasov"), {}},
        {"years", QStringLiteral("SELECT id_a_year, p32 FROM a_year"), {}},
        {"semesters",
         QStringLiteral("SELECT id_semester, p43, id_w_s FROM Semester ORDER BY p43"),
         {}},
        {"semesters of the speciality",
         QStringLiteral(
             "SELECT Semester.id_w_s, Semester.id_semester, Semester.p43, g_r_y.id_a_year, "
             "g_r_y.id_group FROM Semester, g_r_y, g_s WHERE Semester.id_rate = "
             "g_r_y.id_rate AND g_r_y.id_group = g_s.id_group AND g_s.id_speciality=? "
             "ORDER BY p43"),
         {QString::number(speciality)}},
        {"groups",
         QStringLiteral(
             "SELECT g_r_y.id_group, [group].p20 FROM g_r_y, [group], Semester, g_s WHERE "
             "g_r_y.id_group = [group].id_group AND g_r_y.id_rate = Semester.id_rate AND "
             "g_r_y.id_group = g_s.id_group AND g_r_y.id_a_year =? AND "
             "Semester.id_semester =? AND g_s.id_speciality =? ORDER BY [group].p20"),
         {QString::number(year), QString::number(semester), QString::number(speciality)}},
        {"students",
         QStringLiteral("SELECT s_g.id_student, s_fio.s_fio FROM s_g, s_fio WHERE s_g.id_student = "
                        "s_fio.id_student AND s_g.id_group =?"),
         {QString::number(group)}},
        {"streams",
         QStringLiteral(
             "SELECT DISTINCT subgroup, id_a_year, id_kafedra, id_teacher, id_discipline, "
             "id_examination, id_w_s FROM dbo.RRNKkrdt WHERE id_o_z=?"),
         {QStringLiteral("1")}},
        {"all teachers", QStringLiteral("SELECT * FROM t_fio"), {}},
        {"disciplines (procedure)",
         QStringLiteral("EXEC GetDisciplineForDisciplineName @id_speciality =?, @id_a_year =?, "
                        "@id_student=?, @id_semester=?"),
         {speciality, year, student, semester}},
        {"electives (procedure)",
         QStringLiteral("EXEC SelectDisciplineForStudent @id_speciality =?, @id_a_year =?, "
                        "@id_semester =?, @id_student =?, @id_group=?"),
         {speciality, year, semester, student, QString::number(group)}},
        {"teachers of a department",
         QStringLiteral("SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(4, 1)"),
         {}},
        {"chosen disciplines",
         QStringLiteral("SELECT * FROM zev.dbo.DisciplineForStudent2 WHERE id_student=%1 AND "
                        "id_a_year=%2 AND id_semester=%3")
             .arg(student)
             .arg(year)
             .arg(semester),
         {}},
        {"departments of the half-year", ChosenDisciplinesSql::departments(y, halfYear), {}},
        {"disciplines of the half-year", ChosenDisciplinesSql::disciplines(y, halfYear), {}},
        {"teachers of the half-year", ChosenDisciplinesSql::teachers(y, halfYear), {}},
        {"streams of the half-year", ChosenDisciplinesSql::streams(y, halfYear), {}},
    };
    Database raw(made.databaseFile, Database::Mode::ReadWrite);  // the server's functions
    std::printf("\n%s database (%s)\n", label, qPrintable(made.databaseFile));
    std::printf("%-32s %8s %12s %12s %8s %12s\n", "statement (us per run)", "rows", "raw", "server",
                "ratio", "kept");
    std::map<std::string, double> nsOf;
    for (const Step& step : steps) {
        bench::RawStatement rawStep(raw.handle(), step.sql);
        const int rows = s->query(step.sql, step.args).rowCount();
        const double rawNs = rawStep.valid() ? timePerRun([&] { rawStep.run(step.args); }) : 0.0;
        const double ns = timePerRun([&] {
            s->forgetKeptResults();
            s->query(step.sql, step.args);
        });
        const double keptNs = timePerRun([&] { s->query(step.sql, step.args); });
        nsOf[step.name] = ns;
        std::printf("%-32s %8d %12.1f %12.1f %8.2f %12.1f\n", step.name, rows, rawNs / 1000.0,
                    ns / 1000.0, rawNs > 0 ? ns / rawNs : 0.0, keptNs / 1000.0);
    }
    // What each student choice asks again: the student's electives and the group's students,
    // read from SQLite.
    const double choiceNs = (nsOf["electives (procedure)"] + nsOf["students"]) / 2;
    std::printf("student choice statements: %.3f ms each (goal: well under 1 ms): %s\n",
                choiceNs / 1e6, choiceNs < 1e6 ? "met" : "NOT MET");
    benchSearch(*s);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool demoOnly = app.arguments().contains(QStringLiteral("--demo-only"));
    QTemporaryDir folder;
    try {
        QElapsedTimer timer;
        timer.start();
        const GeneratedDatabase demo =
            generateDatabase(folder.filePath(QStringLiteral("demo")), DatabaseSize::Demo);
        std::printf("demo database made in %lld ms\n", static_cast<long long>(timer.restart()));
        benchDatabase("Demo", demo);
        if (!demoOnly) {
            const GeneratedDatabase university = generateDatabase(
                folder.filePath(QStringLiteral("university")), DatabaseSize::University);
            std::printf("\nuniversity database made in %lld ms\n",
                        static_cast<long long>(timer.restart()));
            benchDatabase("University", university);
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "server_bench: %s\n", qPrintable(e.text()));
        return 1;
    } catch (const std::exception& e) {  // a result of another shape than the bench expects
        std::fprintf(stderr, "server_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
