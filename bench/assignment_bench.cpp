// One elective place assigned to a whole group at university scale, through the real
// registration window signed in and walked down to the group: the group's students and places
// read for the dialog, the plan, and the rows written through the electives dataset, the
// record rules and the grid's column rules in one transaction ("Назначить"), the window's
// lists restored afterwards. Baseline: raw SQLite running the same UPDATEs of the planned rows
// in one transaction on a connection of its own (the server's triggers firing, rolled back).
// Between repetitions the rows are made free again through the window's own connection.
//
// Usage: assignment_bench [--repetitions N] [--database FILE]
// The university database is generated once into university/ beside the program and reused
// (zev-bench shares it). Ends with lines NAME VALUE UNIT.

#include "AssignmentChoice.h"
#include "core/Errors.h"
#include "data/DataModule.h"
#include "data/GroupAssignment.h"
#include "registration/GroupAssignmentCommands.h"
#include "registration/GroupAssignmentDialog.h"
#include "registration/RegistrationWindow.h"
#include "server/engine/Database.h"
#include "server/gen/Generator.h"
#include "signin/ApplicationState.h"
#include "signin/SettingsPlaces.h"
#include "signin/SignInWindow.h"
#include "widgets/Notices.h"

#include "BenchTools.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace zev;
using namespace zev::server;
using namespace zev::bench;

namespace {

std::int64_t number(const ResultSet& rows, int column) {
    return valueText(rows.at(0, column)).toLongLong();
}

// The place, discipline, teacher and first stream that give the most students the assignment.
void chooseMostStudents(GroupAssignmentDialog& dialog) {
    const std::optional<testing::AssignmentChoice> best = testing::chooseMostStudents(dialog);
    if (!best || best->changes == 0) {
        throw Error(QStringLiteral("no place of the group has a stream"));
    }
}

// The planned rows written straight through SQLite in one transaction, then rolled back.
double rawWrite(sqlite3* db, const PlaceAssignment& a, const AssignmentPlan& plan,
                const QString& login) {
    sqlite3_stmt* update = nullptr;
    const char* sql =
        "UPDATE DisciplineForStudent SET id_discipline = ?1, id_teacher = ?2, subgroup = ?3, "
        "id_examination = (SELECT id_examination FROM plan_elective WHERE id_discipline = ?1 "
        "LIMIT 1), ZEV_user = ?4 WHERE id_disciplineForStudent = ?5";
    if (sqlite3_prepare_v2(db, sql, -1, &update, nullptr) != SQLITE_OK) {
        throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    const QByteArray user = login.toUtf8();
    const double ms = timed([&] {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (const PlannedStudent& row : plan.changes) {
            sqlite3_reset(update);
            sqlite3_bind_int64(update, 1, valueText(a.discipline).toLongLong());
            sqlite3_bind_int64(update, 2, valueText(a.teacher).toLongLong());
            sqlite3_bind_int64(update, 3, valueText(a.stream).toLongLong());
            sqlite3_bind_text(update, 4, user.constData(), static_cast<int>(user.size()),
                              SQLITE_STATIC);
            sqlite3_bind_int64(update, 5, valueText(row.row).toLongLong());
            if (sqlite3_step(update) != SQLITE_DONE) {
                throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
            }
        }
    });
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_finalize(update);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&args](const char* name, const QString& otherwise) {
        const qsizetype at = args.indexOf(QString::fromLatin1(name));
        return at > 0 && at + 1 < args.size() ? args[at + 1] : otherwise;
    };
    const int repetitions = std::max(3, option("--repetitions", QStringLiteral("7")).toInt());
    const std::int64_t year = 2, semester = 3;
    QString file = option("--database", QString());
    TerminalNotices notices;
    Notices::install(&notices);
    try {
        if (file.isEmpty()) {
            const QString folder =
                QDir(app.applicationDirPath()).filePath(QStringLiteral("university"));
            file = QDir(folder).filePath(QStringLiteral("zev-univ.sqlite"));
            if (!QFileInfo::exists(file)) {
                std::printf("generating the university database into %s ...\n", qPrintable(folder));
                std::fflush(stdout);
                generateDatabase(folder, DatabaseSize::University);
            }
        }
        Database raw(file, Database::Mode::ReadWrite);
        // The group of 2024/2025, 3rd semester with the most free places, and its cascade.
        const ResultSet group = raw.query(QStringLiteral(
            "SELECT d.id_group, d.id_speciality, sf.id_faculty, sf.id_f_educ "
            "FROM DisciplineForStudent d JOIN s_g sg ON sg.id_student = d.id_student AND "
            "sg.id_group = d.id_group JOIN Speciality_form sf ON sf.id_speciality = "
            "d.id_speciality WHERE d.plan_a_year = 2 AND d.plan_semester = 3 AND "
            "d.id_discipline IS NULL AND d.fixed_discipline IS NULL "
            "GROUP BY d.id_group, d.id_speciality ORDER BY count(*) DESC LIMIT 1"));
        if (group.rowCount() == 0) {
            throw Error(QStringLiteral("no group with free places"));
        }

        setSettingsFileOverride(QFileInfo(file).dir().filePath(QStringLiteral("ZEV")));
        ApplicationState::reset();
        ApplicationState::setShowMainForm(false);
        auto dm = std::make_unique<TDM_MB>();
        QTimer::singleShot(0, [] {
            if (Form8 != nullptr) {
                Form8->Login_Edit->setText(QStringLiteral("ivanova"));
                Form8->Password_Edit->setText(QStringLiteral("Demo2025"));
                Form8->SpeedButton2->click();
            }
        });
        auto window = std::make_unique<TForm1>();
        if (ApplicationState::terminated()) {
            throw Error(QStringLiteral("the sign-in to the registration window failed"));
        }
        window->show();
        QApplication::processEvents();
        choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), number(group, 2));
        choose(*window->DBLookupComboBox7, QStringLiteral("id_f_educ"), number(group, 3));
        choose(*window->DBLookupComboBox4, QStringLiteral("id_speciality"), number(group, 1));
        choose(*window->DBLookupComboBox2, QStringLiteral("id_a_year"), year);
        choose(*window->DBLookupComboBox5, QStringLiteral("id_semester"), semester);
        choose(*window->DBLookupComboBox3, QStringLiteral("id_group"), number(group, 0));
        window->DBLookupComboBox6->closeUp();
        const AssignmentGroup chosen{{number(group, 1), year, semester, number(group, 0)},
                                     window->DBLookupComboBox3->text(),
                                     window->DBLookupComboBox2->text(),
                                     window->DBLookupComboBox5->text(),
                                     dm->ADOQ_f_educ->fieldByName(QStringLiteral("o_z")).value()};

        std::vector<double> readMs, planMs, applyMs, rawMs;
        std::size_t students = 0, rows = 0;
        for (int r = 0; r < repetitions; ++r) {
            std::vector<GroupStudent> read;
            readMs.push_back(timed([&] { read = readGroupStudents(dm->ADOCon, chosen.choice); }));
            students = read.size();
            GroupAssignmentDialog dialog(*dm, chosen, read, window.get());
            chooseMostStudents(dialog);
            const PlaceAssignment a = dialog.assignment();
            AssignmentPlan plan;
            planMs.push_back(timed([&] { plan = planAssignment(read, a); }));
            rows = plan.changes.size();
            if (rows == 0) {
                throw Error(QStringLiteral("the plan changes no row"));
            }
            // What the planned rows hold besides what is assigned, to give it back afterwards.
            std::vector<std::pair<Value, Value>> before;
            for (const PlannedStudent& p : plan.changes) {
                const ResultSet kept = raw.query(
                    QStringLiteral("SELECT id_examination, ZEV_user FROM DisciplineForStudent "
                                   "WHERE id_disciplineForStudent = ?"),
                    {p.row});
                before.emplace_back(kept.at(0, 0), kept.at(0, 1));
            }
            rawMs.push_back(rawWrite(raw.handle(), a, plan, window->UserLogin));
            std::optional<AssignmentFailure> failure;
            applyMs.push_back(
                timed([&] { failure = window->GroupAssignment1->apply(chosen.choice, a, plan); }));
            if (failure) {
                throw Error(QStringLiteral("the assignment failed for %1: %2")
                                .arg(failure->student, failure->reason));
            }
            for (std::size_t i = 0; i < plan.changes.size(); ++i) {
                dm->ADOCon.execute(
                    QStringLiteral("UPDATE DisciplineForStudent SET id_discipline = NULL, "
                                   "id_teacher = NULL, subgroup = NULL, id_examination = :e, "
                                   "ZEV_user = :u WHERE id_disciplineForStudent = :k"),
                    {{QStringLiteral("e"), before[i].first},
                     {QStringLiteral("u"), before[i].second},
                     {QStringLiteral("k"), plan.changes[i].row}});
            }
        }
        window.reset();
        dm.reset();

        const double apply = median(applyMs), rawWrites = median(rawMs);
        std::printf(
            "group %s, 2024/2025, 3rd semester: %zu students, %zu rows assigned; %d "
            "repetitions (ms, median / min)\n",
            qPrintable(chosen.name), students, rows, repetitions);
        std::printf("  students and places read          %9.2f  %9.2f\n", median(readMs),
                    minimum(readMs));
        std::printf("  plan                              %9.3f  %9.3f\n", median(planMs),
                    minimum(planMs));
        std::printf("  rows written (\"Назначить\")        %9.2f  %9.2f   raw SQLite %.2f / %.2f\n",
                    apply, minimum(applyMs), rawWrites, minimum(rawMs));
        std::printf("\n");
        std::printf("assignment_group_students %zu students\n", students);
        std::printf("assignment_group_rows %zu rows\n", rows);
        std::printf("assignment_read_median_ms %.3f ms\n", median(readMs));
        std::printf("assignment_plan_median_ms %.3f ms\n", median(planMs));
        std::printf("assignment_apply_median_ms %.3f ms\n", apply);
        std::printf("assignment_apply_per_row_ms %.3f ms\n", apply / static_cast<double>(rows));
        std::printf("assignment_apply_ratio_vs_raw %.3f x\n",
                    rawWrites > 0 ? apply / rawWrites : 0.0);
    } catch (const Error& e) {
        std::printf("error: %s\n", qPrintable(e.text()));
        Notices::install(nullptr);
        return 1;
    }
    Notices::install(nullptr);
    return 0;
}
