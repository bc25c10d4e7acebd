// What each user action costs on the wire over the SQL Server path: the client's statements
// beside the requests and bytes that the TDS test server counts, and the time, through FreeTDS
// and the ODBC driver on a loopback port over the demo database.
// Usage: wire_bench
#include "core/Errors.h"
#include "data/DataModule.h"
#include "data/ElectivesSql.h"
#include "data/OdbcDriver.h"
#include "server/gen/Generator.h"
#include "server/tds/TdsServer.h"
#include "signin/LoginStatement.h"
#include "signin/PasswordDigest.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace zev;

namespace {

// Counts the statements a connection hands to its driver.
class CountingDriver final : public ConnectionDriver {
public:
    CountingDriver(std::unique_ptr<ConnectionDriver> inner, int& count)
        : inner_(std::move(inner)), count_(count) {}
    ResultSet query(const QString& sql, const std::vector<Value>& args) override {
        ++count_;
        return inner_->query(sql, args);
    }
    qint64 execute(const QString& sql, const std::vector<Value>& args) override {
        ++count_;
        return inner_->execute(sql, args);
    }

private:
    std::unique_ptr<ConnectionDriver> inner_;
    int& count_;
};

struct Totals {
    int requests = 0;
    qint64 bytesIn = 0, bytesOut = 0;
};

Totals totals(const tds::TdsServer& server) {
    Totals t;
    for (const tds::SessionRecord& s : server.sessions()) {
        t.requests += s.requests;
        t.bytesIn += s.bytesIn;
        t.bytesOut += s.bytesOut;
    }
    return t;
}

class Bench {
public:
    explicit Bench(tds::TdsServer& server) : server_(server) {
        std::printf("%-28s %10s %9s %10s %10s %9s\n", "action", "statements", "requests",
                    "bytes out", "bytes in", "time, ms");
    }
    // Runs the action once, printing what it cost.
    void action(const char* name, const std::function<void()>& f) {
        server_.resetRecords();
        const int before = statements;
        QElapsedTimer timer;
        timer.start();
        f();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const Totals t = totals(server_);
        // "bytes out" is what the client sent, "bytes in" what it received.
        std::printf("%-28s %10d %9d %10lld %10lld %9.1f\n", name, statements - before, t.requests,
                    static_cast<long long>(t.bytesIn), static_cast<long long>(t.bytesOut), ms);
    }
    int statements = 0;

private:
    tds::TdsServer& server_;
};

ConnectionSettings settingsOf(quint16 port, const char* user, const char* password) {
    ConnectionSettings s;
    s.dataSource = QStringLiteral("127.0.0.1,%1").arg(port);
    s.catalog = QStringLiteral("ZEV");
    s.user = QString::fromLatin1(user);
    s.password = QString::fromLatin1(password);
    return s;
}

void setParam(Query& q, const char* name, const Value& v) {
    q.paramByName(QString::fromLatin1(name)).setValue(v);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    try {
        const server::GeneratedDatabase demo =
            server::generateDatabase(folder.path(), server::DatabaseSize::Demo);
        tds::TdsServerOptions options;
        options.databaseFile = demo.databaseFile;
        tds::TdsServer server(options);
        const quint16 port = server.start();
        Bench bench(server);
        TDM_MB dm;

        auto openCounted = [&](Connection& c, const ConnectionSettings& s) {
            c.close();
            c.openWithDriver(
                std::make_unique<CountingDriver>(openSqlServerDriver(s), bench.statements));
        };
        bench.action("sign-in", [&] {
            Connection signIn;
            openCounted(signIn, settingsOf(port, server::kSignInUser, server::kSignInPassword));
            LoginRequest request{QStringLiteral("ivanova"), DigestHex(QStringLiteral("Demo2025")),
                                 QStringLiteral("NULL"), QStringLiteral("127.0.0.1"),
                                 QStringLiteral("BENCH")};
            signIn.query(composeGetUserStatement(request));
            signIn.close();
            openCounted(dm.ADOCon, settingsOf(port, server::kStaffUser, server::kStaffPassword));
            setParam(*dm.ADOQ_Faculty, "@id_login", Value{QStringLiteral("1")});
            dm.ADOQ_Faculty->open();
            dm.ADOQ_Year->open();
            dm.ADOQ_Semester->open();
            dm.ADOCon.execute(QStringLiteral("SET DATEFORMAT dmy"));
        });
        bench.action("faculty chosen", [&] {
            setParam(*dm.ADOQ_f_educ, "@id_faculty", Value{QStringLiteral("1")});
            dm.ADOQ_f_educ->open();
        });
        bench.action("form of education chosen", [&] {
            setParam(*dm.ADOQ_Speciality, "id_faculty", Value{std::int64_t{1}});
            setParam(*dm.ADOQ_Speciality, "id_f_educ", Value{std::int64_t{1}});
            dm.ADOQ_Speciality->open();
        });
        bench.action("semester chosen", [&] {
            setParam(*dm.ADOQ_group, "id_a_year", Value{QStringLiteral("2")});
            setParam(*dm.ADOQ_group, "id_semester", Value{QStringLiteral("3")});
            setParam(*dm.ADOQ_group, "id_speciality", Value{QStringLiteral("1")});
            dm.ADOQ_group->open();
        });
        const Value group = dm.ADOQ_group->fieldByName(QStringLiteral("id_group")).value();
        bench.action("group chosen", [&] {
            setParam(*dm.ADOQ_Students, "id_group", Value{valueText(group)});
            dm.ADOQ_Students->open();
        });
        const Value student = dm.ADOQ_Students->fieldByName(QStringLiteral("id_student")).value();
        bench.action("student chosen (electives)", [&] {
            Query& q = *dm.ADOQ_SelectDisciplineForStudent;
            setParam(q, "id_speciality", Value{std::int64_t{1}});
            setParam(q, "id_a_year", Value{std::int64_t{2}});
            setParam(q, "id_semester", Value{std::int64_t{3}});
            setParam(q, "id_student", student);
            setParam(q, "id_group", group);
            Query& d = *dm.ADOQ_DisciplineForStudent;
            setParam(d, "id_speciality", Value{std::int64_t{1}});
            setParam(d, "id_a_year", Value{std::int64_t{2}});
            setParam(d, "id_student", student);
            setParam(d, "id_semester", Value{std::int64_t{3}});
            setParam(*dm.ADOQ_Semester2, "id_speciality", Value{std::int64_t{1}});
            q.open();
        });
        Query& electives = *dm.ADOQ_SelectDisciplineForStudent;
        bench.action("post of a row", [&] {
            electives.edit();
            electives.fieldByName(QStringLiteral("ZEV_user")).setText(QStringLiteral("bench"));
            electives.post();
        });
        bench.action("new stream", [&] {
            ElectivesSql::NewStream s{
                QStringLiteral("1"),  QStringLiteral("1"), QStringLiteral("1"),
                QStringLiteral("1"),  QStringLiteral("2"), QStringLiteral("2"),
                QStringLiteral("99"), QStringLiteral("1"), QStringLiteral("4")};
            dm.ADOCon.execute(ElectivesSql::insertStream(s));
        });
        bench.action("delete of a row", [&] {
            dm.ADOCon.execute(ElectivesSql::deleteElective(
                electives.fieldByName(QStringLiteral("id_disciplineForStudent")).text()));
        });
        server.stop();
    } catch (const Error& e) {
        std::fprintf(stderr, "wire_bench: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
