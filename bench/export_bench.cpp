// The export of a whole faculty at university scale: the faculty's groups, every group's places
// read one statement per group through the client's own connection (as the menu's faculty export
// reads them under its progress dialog), the CSV and Excel files made and saved in one piece,
// and one group's printed sheet as PDF. Baseline: raw SQLite running the server's own statement
// for every group on a connection of its own, every column read.
//
// Usage: export_bench [--repetitions N] [--database FILE] [--faculty N]
// The university database is generated once into university/ beside the program and reused
// (zev-bench shares it). Ends with lines NAME VALUE UNIT.

#include "core/Errors.h"
#include "data/Connection.h"
#include "groupexport/ElectivesSheet.h"
#include "groupexport/SheetFiles.h"
#include "groupexport/SheetPages.h"
#include "server/EmbeddedDriver.h"
#include "server/engine/Database.h"
#include "server/engine/GroupExport.h"
#include "server/gen/Generator.h"

#include "BenchTools.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace zev;
using namespace zev::server;
using namespace zev::bench;

namespace {

std::unique_ptr<Connection> connect(const QString& file) {
    ConnectionSettings settings;
    settings.dataSource = QFileInfo(file).fileName();
    settings.catalog = QStringLiteral("ZEV");
    settings.user = QString::fromLatin1(kStaffUser);
    settings.password = QString::fromLatin1(kStaffPassword);
    auto connection = std::make_unique<Connection>();
    connection->openWithDriver(openEmbeddedDriver(settings, QFileInfo(file).absolutePath()));
    return connection;
}

// The server's statement for every group, straight through SQLite: the rows the export reads.
int rawRead(sqlite3* db, const std::vector<FacultyGroup>& groups, qint64 year, qint64 semester) {
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = groupElectivesSql().toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
        throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    int rows = 0;
    for (const FacultyGroup& g : groups) {
        sqlite3_reset(statement);
        sqlite3_bind_int64(statement, 1, g.speciality);
        sqlite3_bind_int64(statement, 2, year);
        sqlite3_bind_int64(statement, 3, semester);
        sqlite3_bind_int64(statement, 4, g.group);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                if (sqlite3_column_type(statement, c) == SQLITE_TEXT) {
                    sqlite3_column_text(statement, c);
                } else {
                    sqlite3_column_int64(statement, c);
                }
            }
            ++rows;
        }
    }
    sqlite3_finalize(statement);
    return rows;
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
    const qint64 faculty = option("--faculty", QStringLiteral("1")).toLongLong();
    const qint64 year = 2, semester = 3;
    const qint32 login = 1;  // ivanova works on every faculty
    QString file = option("--database", QString());
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
        Database rawFile(file, Database::Mode::ReadWrite);
        QTemporaryDir out;

        std::vector<double> groupsMs, readMs, rawMs, csvMs, xlsxMs, saveMs, pdfMs;
        std::size_t groupCount = 0, places = 0;
        int rawRows = 0;
        qint64 csvBytes = 0, xlsxBytes = 0, pdfBytes = 0;
        for (int r = 0; r < repetitions; ++r) {
            // A new connection each time: nothing kept from the run before.
            auto connection = connect(file);
            std::vector<FacultyGroup> groups;
            groupsMs.push_back(timed(
                [&] { groups = readFacultyGroups(*connection, login, faculty, year, semester); }));
            groupCount = groups.size();
            ElectivesSheet sheet;
            sheet.wholeFaculty = true;
            sheet.heading = {QStringLiteral("Факультет"),
                             {},
                             {},
                             QStringLiteral("2024/2025"),
                             QStringLiteral("3 семестр")};
            readMs.push_back(timed([&] {
                sheet.places = *readFacultyPlaces(*connection, groups, year, semester,
                                                  [](int, int, const QString&) { return true; });
            }));
            places = sheet.places.size();
            rawMs.push_back(
                timed([&] { rawRows = rawRead(rawFile.handle(), groups, year, semester); }));
            QByteArray csv, xlsx;
            csvMs.push_back(timed([&] { csv = sheetCsv(sheet); }));
            xlsxMs.push_back(timed([&] { xlsx = sheetXlsx(sheet); }));
            saveMs.push_back(
                timed([&] { saveAtomically(out.filePath(QStringLiteral("faculty.xlsx")), xlsx); }));
            csvBytes = csv.size();
            xlsxBytes = xlsx.size();
            // One group's printed sheet.
            ElectivesSheet group;
            group.heading = {QStringLiteral("Факультет"), groups.front().specialityName,
                             groups.front().groupName, QStringLiteral("2024/2025"),
                             QStringLiteral("3 семестр")};
            group.places = readGroupPlaces(
                *connection, {groups.front().speciality, year, semester, groups.front().group});
            QByteArray pdf;
            pdfMs.push_back(timed([&] { pdf = sheetPdf(group); }));
            pdfBytes = pdf.size();
        }
        if (static_cast<std::size_t>(rawRows) != places) {
            std::printf("raw SQLite read %d rows, the export %zu\n", rawRows, places);
            return 1;
        }
        const double read = median(readMs), raw = median(rawMs);
        const double whole = median(groupsMs) + read + median(xlsxMs) + median(saveMs);
        std::printf(
            "faculty %lld, 2024/2025, 3rd semester: %zu groups, %zu places; %d repetitions "
            "(ms, median / min)\n",
            static_cast<long long>(faculty), groupCount, places, repetitions);
        std::printf("  groups of the faculty            %9.2f  %9.2f\n", median(groupsMs),
                    minimum(groupsMs));
        std::printf("  places, group by group           %9.2f  %9.2f   raw SQLite %.2f / %.2f\n",
                    read, minimum(readMs), raw, minimum(rawMs));
        std::printf("  CSV made (%lld KB)               %9.2f  %9.2f\n",
                    static_cast<long long>(csvBytes / 1024), median(csvMs), minimum(csvMs));
        std::printf("  Excel made (%lld KB)             %9.2f  %9.2f\n",
                    static_cast<long long>(xlsxBytes / 1024), median(xlsxMs), minimum(xlsxMs));
        std::printf("  Excel saved in one piece         %9.2f  %9.2f\n", median(saveMs),
                    minimum(saveMs));
        std::printf("  one group's PDF (%lld KB)         %9.2f  %9.2f\n",
                    static_cast<long long>(pdfBytes / 1024), median(pdfMs), minimum(pdfMs));
        std::printf("\n");
        std::printf("export_faculty_groups %zu groups\n", groupCount);
        std::printf("export_faculty_places %zu rows\n", places);
        std::printf("export_faculty_read_median_ms %.3f ms\n", read);
        std::printf("export_faculty_read_ratio_vs_raw %.3f x\n", raw > 0 ? read / raw : 0.0);
        std::printf("export_faculty_csv_median_ms %.3f ms\n", median(csvMs));
        std::printf("export_faculty_xlsx_median_ms %.3f ms\n", median(xlsxMs));
        std::printf("export_faculty_xlsx_whole_median_ms %.3f ms\n", whole);
        std::printf("export_group_pdf_median_ms %.3f ms\n", median(pdfMs));
    } catch (const Error& e) {
        std::printf("error: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
