// The generator's settings file, its determinism and the catalogue of server objects.
#include "ServerFixture.h"

#include "server/Catalog.h"
#include "server/engine/Database.h"

#include <QCryptographicHash>
#include <QFile>

namespace zev::testing {
namespace {

using namespace zev::server;

class Generated : public DemoDatabase {};

// The client's reading of the settings file: a text is n stored bytes, each one code higher.
QString field(const QByteArray& bytes, int offset, int lengthAt) {
    const int n = std::min<int>(static_cast<unsigned char>(bytes[lengthAt]), 20);
    QString text;
    for (int i = 0; i < n; ++i) {
        text += QChar((static_cast<unsigned char>(bytes[offset + i]) + 1) % 256);
    }
    return text;
}

TEST_F(Generated, SettingsFileNamesTheDatabaseAndTheSignInAccount) {
    QFile file(made().settingsFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 84);
    EXPECT_EQ(field(bytes, 0, 40), QString::fromLatin1(kSignInUser));
    EXPECT_EQ(field(bytes, 20, 41), QString::fromLatin1(kSignInPassword));
    EXPECT_EQ(field(bytes, 42, 82), u"zev-demo.sqlite"_qs);
    EXPECT_EQ(field(bytes, 62, 83), u"ZEV"_qs);
    EXPECT_NO_THROW(Session::open(made().databaseFile, field(bytes, 0, 40), field(bytes, 20, 41)));
}

// The data of every table, as one digest.
QByteArray contentDigest(const QString& file) {
    Database db(file, Database::Mode::ReadWrite);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const ResultSet tables = db.query(
        u"SELECT name FROM sqlite_master WHERE type = 'table' AND "
        "name NOT LIKE 'sqlite%' AND name <> 'zev_login' ORDER BY name"_qs);
    for (int t = 0; t < tables.rowCount(); ++t) {
        const ResultSet rows =
            db.query(u"SELECT * FROM \""_qs + valueText(tables.at(t, 0)) + u"\""_qs);
        for (const Value& v : rows.cells) {
            hash.addData(valueText(v).toUtf8());
            hash.addData("|");
        }
    }
    return hash.result();
}

TEST_F(Generated, SameSeedSameDataOtherSeedOtherData) {
    QTemporaryDir a, b;
    const auto first = generateDatabase(a.path(), DatabaseSize::Demo, 7);
    const auto second = generateDatabase(b.path(), DatabaseSize::Demo, 7);
    EXPECT_EQ(contentDigest(first.databaseFile), contentDigest(second.databaseFile));
    const auto other = generateDatabase(b.path(), DatabaseSize::Demo, 8);
    EXPECT_NE(contentDigest(first.databaseFile), contentDigest(other.databaseFile));
    EXPECT_EQ(first.logins.size(), 5u);
}

TEST_F(Generated, CatalogListsTheObjectsTheClientUses) {
    const Catalog c = catalog();
    const auto table = [&c](const char* name) -> const CatalogTable* {
        for (const CatalogTable& t : c.tables) {
            if (t.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
                return &t;
            }
        }
        return nullptr;
    };
    for (const char* name : {"a_year",
                             "Semester",
                             "g_r_y",
                             "group",
                             "g_s",
                             "s_g",
                             "s_fio",
                             "Faculty",
                             "user_faculty",
                             "f_educ",
                             "com_sfe",
                             "Speciality_form",
                             "ObemChasov",
                             "discipline",
                             "kafedra",
                             "teacher",
                             "RRNKkrdt",
                             "DisciplineForStudent",
                             "DisciplineForStudent2",
                             "Debts"}) {
        EXPECT_NE(table(name), nullptr) << name;
    }
    const CatalogTable* faculty = table("Faculty");
    ASSERT_NE(faculty, nullptr);
    EXPECT_EQ(faculty->columns[1].name, u"p23-1"_qs);
    EXPECT_EQ(faculty->columns[1].type, ColumnType::Text);
    ASSERT_EQ(c.views.size(), 1u);
    EXPECT_EQ(c.views[0].name, u"t_fio"_qs);
    // The four the original client calls, the search for a student by name, the two readings of
    // the history, the two that the export of a group reads and the places of streams.
    ASSERT_EQ(c.procedures.size(), 10u);
    EXPECT_EQ(c.procedures[0].name, u"SelectDisciplineForStudent"_qs);
    EXPECT_EQ(c.procedures[0].parameters[4].name, u"@id_group"_qs);
    EXPECT_EQ(c.procedures[0].columns.size(), 12u);
    EXPECT_EQ(c.procedures[3].parameters.size(), 9u);
    EXPECT_EQ(c.procedures[4].name, u"FindStudent"_qs);
    EXPECT_EQ(c.procedures[4].parameters.size(), 2u);
    EXPECT_EQ(c.procedures[4].columns.size(), 13u);
    EXPECT_EQ(c.procedures[5].name, u"GetRowHistory"_qs);
    EXPECT_EQ(c.procedures[6].name, u"GetStudentHistory"_qs);
    EXPECT_NE(table("zev_history"), nullptr);
    EXPECT_EQ(c.procedures[7].name, u"GetGroupElectives"_qs);
    EXPECT_EQ(c.procedures[7].columns.size(), 14u);
    EXPECT_EQ(c.procedures[8].name, u"GetFacultyGroups"_qs);
    EXPECT_EQ(c.procedures[8].parameters.size(), 4u);
    EXPECT_EQ(c.procedures[9].name, u"GetStreamPlaces"_qs);
    EXPECT_EQ(c.procedures[9].columns.size(), 3u);
    ASSERT_EQ(c.functions.size(), 1u);
    EXPECT_EQ(c.functions[0].name, u"GetTFIO_with_pps"_qs);
}

}  // namespace
}  // namespace zev::testing
