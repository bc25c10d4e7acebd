// The project's bench on the university database: every statement of the cascade and of the
// student choice timed through raw SQLite (the server's own translation, prepared once, every
// column read), the embedded server, the connection and a dataset, alternating with the raw run;
// the student choice's statements as a whole, first reading (no kept results) and for the next
// student of the same group; the whole student choice through the real registration window
// (student_choice_*: cold with the kept results emptied, warm for the next student of the
// group, each against raw SQLite running the choice's statements); the 50-row grid's paint against
// QTableWidget with the same texts; cold start to the sign-in window (a child process per run);
// resident memory after a student and after many more choices. Ends with lines "NAME VALUE UNIT".
// ZEV_BENCH_PICTURES=DIR keeps the two painted tables there as PNG.
//
// Usage: zev-bench [--repetitions N] [--database FILE] [--plans] [--window-only]
// The university database is generated once into university/ beside the program and reused.
#include "core/Errors.h"
#include "data/Connection.h"
#include "data/DataModule.h"
#include "data/Dataset.h"
#include "registration/ChosenDisciplinesSql.h"
#include "registration/RegistrationWindow.h"
#include "server/EmbeddedServer.h"
#include "server/engine/Database.h"
#include "server/engine/Translator.h"
#include "server/gen/Generator.h"
#include "signin/ApplicationState.h"
#include "signin/SettingsPlaces.h"
#include "signin/SignInWindow.h"
#include "widgets/DBGridEh.h"
#include "widgets/Notices.h"

#include "BenchTools.h"
#include "RawSqlite.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using namespace zev;
using namespace zev::server;
using namespace zev::bench;
using zev::bench::RawStatement;

namespace {

struct Stats {
    double min = 0;
    double median = 0;
    double p90 = 0;
};

Stats statsOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    if (v.empty()) {
        return {};
    }
    return {v.front(), v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 9 / 10)]};
}

double timeOnce(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;  // ms
}

// Hands the connection's statements to a session the bench can reach, to forget kept results.
class BenchDriver : public ConnectionDriver {
public:
    explicit BenchDriver(Session& s) : s_(s) {}
    ResultSet query(const QString& sql, const std::vector<Value>& args) override {
        return s_.query(sql, args);
    }
    void queryInto(const QString& sql, const std::vector<Value>& args, RowSink& sink) override {
        s_.query(sql, args, sink);
    }
    qint64 execute(const QString& sql, const std::vector<Value>& args) override {
        return s_.execute(sql, args);
    }

private:
    Session& s_;
};

struct Step {
    QString name;
    QString sql;  // with "?" markers
    std::vector<Value> args;
};

// The statement with its "?" markers as ":p1", ":p2", ..., the way a dataset's statement reads.
QString named(const QString& sql) {
    QString out;
    int n = 0;
    for (QChar c : sql) {
        if (c == u'?') {
            out += QStringLiteral(":p%1").arg(++n);
        } else {
            out += c;
        }
    }
    return out;
}

struct Bench {
    Session& session;
    Connection& connection;
    sqlite3* raw;
    int repetitions;

    std::unique_ptr<Query> dataset(const Step& step) {
        auto q = std::make_unique<Query>(&connection);
        q->setObjectName(step.name);
        q->setSQL(named(step.sql));
        for (size_t i = 0; i < step.args.size(); ++i) {
            q->paramByName(QStringLiteral("p%1").arg(i + 1)).setValue(step.args[i]);
        }
        return q;
    }
};

std::int64_t first(Session& s, const QString& sql, const std::vector<Value>& args) {
    const ResultSet rows = s.query(sql, args);
    return rows.rowCount() ? std::get<std::int64_t>(rows.at(0, 0)) : 0;
}

std::vector<std::int64_t> column(Session& s, const QString& sql, const std::vector<Value>& args) {
    const ResultSet rows = s.query(sql, args);
    std::vector<std::int64_t> out;
    out.reserve(static_cast<size_t>(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        out.push_back(std::get<std::int64_t>(rows.at(r, 0)));
    }
    return out;
}

qint64 residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLongLong();
        }
    }
    return 0;
}

// The statements of a student choice: the stream list, every teacher, the student's disciplines
// and electives, one department's teachers, the chosen disciplines and the four half-year lists.
std::vector<Step> studentChoice(std::int64_t speciality, std::int64_t year, std::int64_t semester,
                                std::int64_t group, std::int64_t student, std::int64_t oz) {
    const QString y = QString::number(year);
    const QString ws = semester % 2 == 1 ? QStringLiteral("2") : QStringLiteral("1");
    return {
        {QStringLiteral("streams of the form"),
         QStringLiteral(
             "SELECT DISTINCT subgroup, id_a_year, id_kafedra, id_teacher, id_discipline, "
             "id_examination, id_w_s FROM dbo.RRNKkrdt WHERE id_o_z=?"),
         {QString::number(oz)}},
        {QStringLiteral("all teachers"), QStringLiteral("SELECT * FROM t_fio"), {}},
        {QStringLiteral("disciplines (procedure)"),
         QStringLiteral("EXEC GetDisciplineForDisciplineName @id_speciality =?, @id_a_year =?, "
                        "@id_student=?, @id_semester=?"),
         {speciality, year, student, semester}},
        {QStringLiteral("electives (procedure)"),
         QStringLiteral("EXEC SelectDisciplineForStudent @id_speciality =?, @id_a_year =?, "
                        "@id_semester =?, @id_student =?, @id_group=?"),
         {speciality, year, semester, student, QString::number(group)}},
        {QStringLiteral("teachers of a department"),
         QStringLiteral("SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(4, 1)"),
         {}},
        {QStringLiteral("chosen disciplines"),
         ChosenDisciplinesSql::rows(QString::number(student), y, QString::number(semester)),
         {}},
        {QStringLiteral("departments of the half-year"),
         ChosenDisciplinesSql::departments(y, ws),
         {}},
        {QStringLiteral("disciplines of the half-year"),
         ChosenDisciplinesSql::disciplines(y, ws),
         {}},
        {QStringLiteral("teachers of the half-year"), ChosenDisciplinesSql::teachers(y, ws), {}},
        {QStringLiteral("streams of the half-year"), ChosenDisciplinesSql::streams(y, ws), {}},
    };
}

// Opens every statement of the choice as a dataset; answers milliseconds.
double openAll(Bench& b, const std::vector<Step>& steps) {
    std::vector<std::unique_ptr<Query>> sets;
    sets.reserve(steps.size());
    for (const Step& s : steps) {
        sets.push_back(b.dataset(s));
    }
    return timeOnce([&] {
        for (auto& q : sets) {
            q->open();
        }
    });
}

double rawAll(std::vector<std::unique_ptr<RawStatement>>& raws, const std::vector<Step>& steps) {
    return timeOnce([&] {
        for (size_t i = 0; i < steps.size(); ++i) {
            if (raws[i]->valid()) {
                raws[i]->run(steps[i].args);
            }
        }
    });
}

// The grid showing 50 rows of a dataset against Qt's own QTableWidget holding the same texts at
// the same size and column widths; each painted in full by grab(), alternately. Answers the
// grid's and the table's times.
std::pair<Stats, Stats> paintTimes(Query& rows, int repetitions) {
    constexpr int kRows = 50;
    constexpr int kColumnWidth = 90;
    rows.open();
    DataSource source(&rows);
    DBGridEh grid;
    for (Field* f : rows.fields()) {
        grid.addColumn(f->fieldName(), f->fieldName(), kColumnWidth);
    }
    grid.setDataSource(&source);

    QTableWidget table(kRows, static_cast<int>(rows.fields().size()));
    QStringList titles;
    for (Field* f : rows.fields()) {
        titles << f->fieldName();
    }
    table.setHorizontalHeaderLabels(titles);
    int r = 0;
    for (rows.first(); !rows.eof() && r < kRows; rows.next(), ++r) {
        int c = 0;
        for (Field* f : rows.fields()) {
            table.setItem(r, c++, new QTableWidgetItem(f->text()));  // the table owns its items
        }
    }
    rows.first();
    for (int c = 0; c < table.columnCount(); ++c) {
        table.setColumnWidth(c, kColumnWidth);
    }
    grid.show();
    const int rowHeight = std::max(1, grid.cellRect(0, 0).height());
    table.verticalHeader()->setDefaultSectionSize(rowHeight);
    const QSize size(kColumnWidth * table.columnCount() + 60, rowHeight * (kRows + 1) + 8);
    grid.resize(size);
    table.resize(size);
    table.show();
    QApplication::processEvents();
    // The first paints lay out and fill caches: not counted, but kept on request to check that
    // both show the same rows.
    const QString keep = qEnvironmentVariable("ZEV_BENCH_PICTURES");
    const QPixmap firstGrid = grid.grab(), firstTable = table.grab();
    if (!keep.isEmpty()) {
        firstGrid.save(QDir(keep).filePath(QStringLiteral("paint-grid.png")));
        firstTable.save(QDir(keep).filePath(QStringLiteral("paint-qtablewidget.png")));
    }
    std::vector<double> tGrid, tTable;
    for (int i = 0; i < repetitions * 4; ++i) {
        tGrid.push_back(timeOnce([&] { grid.grab(); }));
        tTable.push_back(timeOnce([&] { table.grab(); }));
    }
    return {statsOf(tGrid), statsOf(tTable)};
}

struct WindowTimes {
    Stats cold, warm, raw;
};

// The student choice through the real registration window: signed in as a member of staff,
// the cascade walked to the group, then each student chosen in the drop-down with the kept
// results emptied (cold) and the next student of the group after him (warm), alternated with
// raw SQLite running the choice's statements.
WindowTimes windowChoiceTimes(const QString& file, sqlite3* raw, std::int64_t faculty,
                              std::int64_t form, std::int64_t speciality, std::int64_t year,
                              std::int64_t semester, std::int64_t group,
                              const std::vector<std::int64_t>& students, std::int64_t oz,
                              int repetitions) {
    TerminalNotices notices;
    Notices::install(&notices);
    setSettingsFileOverride(QFileInfo(file).dir().filePath(QStringLiteral("ZEV")));
    ApplicationState::reset();
    ApplicationState::setShowMainForm(false);
    auto dataModule = std::make_unique<TDM_MB>();
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
    // The window's statements through a session the bench can reach, to empty its kept results.
    auto session =
        Session::open(file, QString::fromLatin1(kStaffUser), QString::fromLatin1(kStaffPassword));
    dataModule->ADOCon.openWithDriver(std::make_unique<BenchDriver>(*session));
    window->show();
    QApplication::processEvents();
    choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), faculty);
    choose(*window->DBLookupComboBox7, QStringLiteral("id_f_educ"), form);
    choose(*window->DBLookupComboBox4, QStringLiteral("id_speciality"), speciality);
    choose(*window->DBLookupComboBox2, QStringLiteral("id_a_year"), year);
    choose(*window->DBLookupComboBox5, QStringLiteral("id_semester"), semester);
    choose(*window->DBLookupComboBox3, QStringLiteral("id_group"), group);

    std::vector<double> cold, warm, rawTimes;
    for (int i = 0; i < repetitions; ++i) {
        const std::int64_t student = students[static_cast<size_t>(i) % students.size()];
        const std::int64_t next = students[(static_cast<size_t>(i) + 1) % students.size()];
        const auto steps = studentChoice(speciality, year, semester, group, student, oz);
        std::vector<std::unique_ptr<RawStatement>> raws;
        raws.reserve(steps.size());
        for (const Step& s : steps) {
            raws.push_back(std::make_unique<RawStatement>(raw, s.sql));
        }
        rawTimes.push_back(rawAll(raws, steps));
        session->forgetKeptResults();
        cold.push_back(timeOnce(
            [&] { choose(*window->DBLookupComboBox6, QStringLiteral("id_student"), student); }));
        warm.push_back(timeOnce(
            [&] { choose(*window->DBLookupComboBox6, QStringLiteral("id_student"), next); }));
    }
    window.reset();
    dataModule.reset();
    Notices::install(nullptr);
    return {statsOf(cold), statsOf(warm), statsOf(rawTimes)};
}

// The child of the cold-start measure: starts the program's windows as the program does, with
// the given settings file, and says "shown" the moment the sign-in window is up.
int coldStartChild(const QString& settingsFile) {
    setSettingsFileOverride(settingsFile);
    ApplicationState::setShowMainForm(false);
    TDM_MB dataModule;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [] {
        if (Form8 != nullptr && Form8->isVisible()) {
            std::puts("shown");
            std::fflush(stdout);
            std::_Exit(0);  // the measure ends here; nothing after it is of interest
        }
    });
    watch.start(0);
    TForm1 registration;
    std::fputs("zev-bench: the sign-in window did not show\n", stderr);
    return 1;
}

// Cold start to the sign-in window: a child process per run, from its start to the window.
Stats coldStartTimes(const QString& settingsFile, int repetitions) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QProcess child;
        QElapsedTimer t;
        t.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--cold-start-child"), settingsFile});
        if (!child.waitForReadyRead(30000) || !child.readAllStandardOutput().startsWith("shown")) {
            child.kill();
            child.waitForFinished();
            throw Error(QStringLiteral("the cold-start child failed: ") +
                        QString::fromLocal8Bit(child.readAllStandardError()));
        }
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        child.waitForFinished();
    }
    return statsOf(times);
}

void printWindowTimes(const WindowTimes& t) {
    std::printf(
        "\nstudent choice through the registration window (ms): raw median %.2f min %.2f; "
        "cold median %.2f p90 %.2f min %.2f; next student median %.2f p90 %.2f min %.2f\n",
        t.raw.median, t.raw.min, t.cold.median, t.cold.p90, t.cold.min, t.warm.median, t.warm.p90,
        t.warm.min);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--cold-start-child"));
        at > 0 && at + 1 < args.size()) {
        return coldStartChild(args[at + 1]);
    }
    int repetitions = 15;
    if (const qsizetype at = args.indexOf(QStringLiteral("--repetitions"));
        at > 0 && at + 1 < args.size()) {
        repetitions = std::max(3, args[at + 1].toInt());
    }
    QString file;
    if (const qsizetype at = args.indexOf(QStringLiteral("--database"));
        at > 0 && at + 1 < args.size()) {
        file = args[at + 1];
    }
    try {
        if (file.isEmpty()) {
            const QString folder =
                QDir(app.applicationDirPath()).filePath(QStringLiteral("university"));
            const QString made = QDir(folder).filePath(QStringLiteral("zev-univ.sqlite"));
            if (!QFileInfo::exists(made)) {
                std::printf("generating the university database into %s ...\n", qPrintable(folder));
                std::fflush(stdout);
                generateDatabase(folder, DatabaseSize::University);
            }
            file = made;
        }
        auto session = Session::open(file, QString::fromLatin1(kStaffUser),
                                     QString::fromLatin1(kStaffPassword));
        Connection connection;
        connection.openWithDriver(std::make_unique<BenchDriver>(*session));
        // Raw SQLite on a connection with the server's functions and collations, which its
        // translations call.
        Database rawFile(file, Database::Mode::ReadWrite);
        sqlite3* raw = rawFile.handle();
        Bench b{*session, connection, raw, repetitions};

        const std::int64_t faculty = 1, form = 1, year = 2, semester = 3;
        const std::int64_t speciality = first(
            *session,
            QStringLiteral(
                "SELECT id_speciality FROM Speciality_form WHERE id_faculty=? AND id_f_educ=?"),
            {faculty, form});
        const std::int64_t group = first(
            *session,
            QStringLiteral("SELECT g_r_y.id_group FROM g_r_y, Semester, g_s WHERE g_r_y.id_rate = "
                           "Semester.id_rate AND g_r_y.id_group = g_s.id_group AND "
                           "g_r_y.id_a_year =? AND Semester.id_semester =? AND "
                           "g_s.id_speciality =?"),
            {year, semester, speciality});
        const std::vector<std::int64_t> students = column(
            *session, QStringLiteral("SELECT id_student FROM s_g WHERE id_group = ?"), {group});
        const std::int64_t oz =
            first(*session,
                  QStringLiteral("SELECT o_z FROM com_sfe WHERE id_faculty = ? AND id_f_educ = ?"),
                  {faculty, form});
        if (students.size() < 2) {
            throw Error(QStringLiteral("the group has fewer than two students"));
        }

        if (args.contains(QStringLiteral("--plans"))) {
            // How SQLite runs each translation: what an index serves and what it sorts.
            for (const Step& step :
                 studentChoice(speciality, year, semester, group, students[0], oz)) {
                const Translation t = translate(step.sql);
                std::printf("\n%s\n  %s\n", qPrintable(step.name), qPrintable(t.sqlite));
                if (t.kind != Translation::Kind::Select) {
                    continue;
                }
                const ResultSet plan =
                    rawFile.query(QStringLiteral("EXPLAIN QUERY PLAN ") + t.sqlite,
                                  std::vector<Value>(static_cast<size_t>(t.paramCount)));
                for (int r = 0; r < plan.rowCount(); ++r) {
                    std::printf("    %s\n", qPrintable(valueText(plan.at(r, 3))));
                }
            }
        }

        const std::vector<Step> steps =
            studentChoice(speciality, year, semester, group, students[0], oz);
        if (args.contains(QStringLiteral("--window-only"))) {
            // The student choice through the window alone: for a profiler, which sees nothing
            // else of the run then.
            const WindowTimes inWindow =
                windowChoiceTimes(file, raw, faculty, form, speciality, year, semester, group,
                                  students, oz, repetitions);
            printWindowTimes(inWindow);
            return 0;
        }

        // Per statement: raw, server, connection and dataset, each first reading (no kept
        // results), alternating with raw.
        std::printf("\n%-30s %7s %9s %9s %9s %9s %9s %7s %7s\n", "statement (ms, median)", "rows",
                    "KB", "raw", "server", "connect", "dataset", "ds/raw", "warm");
        double streamsRatio = 0;
        for (const Step& step : steps) {
            RawStatement rs(raw, step.sql);
            std::vector<double> tRaw, tServer, tConn, tSet, tWarm;
            std::pair<int, qint64> counted{0, 0};
            auto q = b.dataset(step);
            const QString namedSql = named(step.sql);
            Params params;
            for (size_t i = 0; i < step.args.size(); ++i) {
                params.push_back({QStringLiteral("p%1").arg(i + 1), step.args[i]});
            }
            for (int i = 0; i < repetitions; ++i) {
                if (rs.valid()) {
                    tRaw.push_back(timeOnce([&] { counted = rs.run(step.args); }));
                }
                session->forgetKeptResults();
                tServer.push_back(timeOnce([&] { session->query(step.sql, step.args); }));
                session->forgetKeptResults();
                tConn.push_back(timeOnce([&] { connection.query(namedSql, params); }));
                q->close();
                session->forgetKeptResults();
                tSet.push_back(timeOnce([&] { q->open(); }));
                q->close();
                tWarm.push_back(timeOnce([&] { q->open(); }));
            }
            const Stats sRaw = statsOf(tRaw), sServer = statsOf(tServer), sSet = statsOf(tSet);
            const double ratio = sRaw.median > 0 ? sSet.median / sRaw.median : 0;
            if (step.name == QStringLiteral("streams of the form")) {
                streamsRatio = ratio;
            }
            std::printf("%-30s %7d %9.1f %9.3f %9.3f %9.3f %9.3f %7.2f %7.3f\n",
                        qPrintable(step.name), rs.valid() ? counted.first : q->recordCount(),
                        static_cast<double>(counted.second) / 1024.0, sRaw.median, sServer.median,
                        statsOf(tConn).median, sSet.median, ratio, statsOf(tWarm).median);
        }

        // The student choice as a whole: first reading against raw, alternated; then the next
        // student of the same group with the results of the previous one kept.
        std::vector<double> cold, rawTimes, warm;
        for (int i = 0; i < repetitions; ++i) {
            const std::int64_t student = students[static_cast<size_t>(i) % students.size()];
            const std::int64_t next = students[(static_cast<size_t>(i) + 1) % students.size()];
            const auto choice = studentChoice(speciality, year, semester, group, student, oz);
            std::vector<std::unique_ptr<RawStatement>> raws;
            raws.reserve(choice.size());
            for (const Step& s : choice) {
                raws.push_back(std::make_unique<RawStatement>(raw, s.sql));
            }
            rawTimes.push_back(rawAll(raws, choice));
            session->forgetKeptResults();
            cold.push_back(openAll(b, choice));
            warm.push_back(openAll(b, studentChoice(speciality, year, semester, group, next, oz)));
        }
        const Stats sCold = statsOf(cold), sRaw = statsOf(rawTimes), sWarm = statsOf(warm);
        std::printf(
            "\nstudent choice, %zu statements into datasets (ms): raw median %.2f min %.2f; "
            "first reading median %.2f p90 %.2f min %.2f; next student median %.2f p90 "
            "%.2f min %.2f\n",
            steps.size(), sRaw.median, sRaw.min, sCold.median, sCold.p90, sCold.min, sWarm.median,
            sWarm.p90, sWarm.min);

        const WindowTimes inWindow = windowChoiceTimes(file, raw, faculty, form, speciality, year,
                                                       semester, group, students, oz, repetitions);
        printWindowTimes(inWindow);

        // Resident memory after a student, then after many more choices: the datasets of each
        // choice are freed with it, so the figure must not grow. Every 50th choice reads from
        // SQLite, the others from the kept results, as a day of choices in one group goes.
        const qint64 afterStudent = residentKb();
        constexpr int kChoices = 5000;
        QElapsedTimer choicesTimer;
        choicesTimer.start();
        for (int i = 0; i < kChoices; ++i) {
            const std::int64_t student = students[static_cast<size_t>(i) % students.size()];
            if (i % 50 == 0) {
                session->forgetKeptResults();
            }
            openAll(b, studentChoice(speciality, year, semester, group, student, oz));
        }
        const double choicesSeconds = static_cast<double>(choicesTimer.elapsed()) / 1000.0;
        const qint64 afterChoices = residentKb();
        std::printf(
            "\nresident memory: %lld KB after a student, %lld KB after %d more choices "
            "(%.1f s)\n",
            static_cast<long long>(afterStudent), static_cast<long long>(afterChoices), kChoices,
            choicesSeconds);

        // The 50-row grid's paint against QTableWidget.
        auto streams = b.dataset(steps.front());
        const auto [gridPaint, tablePaint] = paintTimes(*streams, repetitions);
        std::printf(
            "\n50-row paint (ms): grid median %.3f min %.3f; QTableWidget median %.3f min %.3f\n",
            gridPaint.median, gridPaint.min, tablePaint.median, tablePaint.min);

        const Stats start = coldStartTimes(QFileInfo(file).dir().filePath(QStringLiteral("ZEV")),
                                           std::max(5, repetitions / 2));
        std::printf("cold start to the sign-in window (ms): median %.1f min %.1f\n", start.median,
                    start.min);

        std::printf("\ndatasets_choice_cold_ratio %.3f x\n", sCold.median / sRaw.median);
        std::printf("datasets_choice_cold_median_ms %.3f ms\n", sCold.median);
        std::printf("datasets_choice_cold_p90_ms %.3f ms\n", sCold.p90);
        std::printf("datasets_choice_warm_median_ms %.3f ms\n", sWarm.median);
        std::printf("datasets_choice_warm_p90_ms %.3f ms\n", sWarm.p90);
        std::printf("datasets_choice_warm_ratio %.3f x\n", sWarm.median / sRaw.median);
        std::printf("student_choice_cold_ratio %.3f x\n",
                    inWindow.raw.median > 0 ? inWindow.cold.median / inWindow.raw.median : 0);
        std::printf("student_choice_cold_median_ms %.3f ms\n", inWindow.cold.median);
        std::printf("student_choice_cold_p90_ms %.3f ms\n", inWindow.cold.p90);
        std::printf("student_choice_warm_median_ms %.3f ms\n", inWindow.warm.median);
        std::printf("student_choice_warm_p90_ms %.3f ms\n", inWindow.warm.p90);
        std::printf("student_choice_warm_ratio %.3f x\n",
                    inWindow.raw.median > 0 ? inWindow.warm.median / inWindow.raw.median : 0);
        std::printf("streams_dataset_ratio %.3f x\n", streamsRatio);
        std::printf("paint_ratio_vs_qtablewidget %.3f x\n",
                    tablePaint.median > 0 ? gridPaint.median / tablePaint.median : 0);
        std::printf("paint_grid_median_ms %.3f ms\n", gridPaint.median);
        std::printf("cold_start_signin_median_ms %.1f ms\n", start.median);
        std::printf("cold_start_signin_min_ms %.1f ms\n", start.min);
        std::printf("resident_memory_after_student %lld KB\n",
                    static_cast<long long>(afterStudent));
        std::printf("resident_memory_after_%d_choices %lld KB\n", kChoices,
                    static_cast<long long>(afterChoices));
        std::printf("resident_memory_growth %lld KB\n",
                    static_cast<long long>(afterChoices - afterStudent));
    } catch (const Error& e) {
        std::fprintf(stderr, "zev-bench: %s\n", qPrintable(e.text()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zev-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
