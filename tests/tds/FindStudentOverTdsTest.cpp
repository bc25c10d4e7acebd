// Finding a student by name through the SQL Server driver: Cyrillic search texts travel as
// Unicode parameters and the answer is the one the embedded driver gives.
#include "TdsFixture.h"

#include "registration/FoundStudents.h"

namespace zev::testing {
namespace {

using namespace zev::tds;

using FindStudentOverTds = TdsFixture;

QStringList described(const std::vector<FoundStudent>& found) {
    QStringList rows;
    for (const FoundStudent& s : found) {
        rows << QStringLiteral("%1 %2 %3/%4/%5/%6/%7/%8 %9 %10")
                    .arg(s.name)
                    .arg(s.student)
                    .arg(s.faculty)
                    .arg(s.formOfEducation)
                    .arg(s.speciality)
                    .arg(s.year)
                    .arg(s.semester)
                    .arg(s.group)
                    .arg(s.groupName, s.semesterName);
    }
    return rows;
}

TEST_F(FindStudentOverTds, BothDriversFindTheSameStudentsWhateverTheLettersCase) {
    auto overTds = connect(staffSettings());
    ConnectionSettings embeddedSettings = staffSettings();
    embeddedSettings.dataSource = demo.databaseFile;
    auto embedded = connect(embeddedSettings);

    const QStringList expected = described(findStudents(*embedded, 1, QStringLiteral("Фёдоров")));
    ASSERT_FALSE(expected.isEmpty());
    for (const QString& typed :
         {QStringLiteral("Фёдоров"), QStringLiteral("федоров"), QStringLiteral("ФЕДОРОВ")}) {
        EXPECT_EQ(described(findStudents(*overTds, 1, typed)), expected) << typed.toStdString();
    }
    // Member of staff 2 sees faculty 2 alone.
    for (const FoundStudent& s : findStudents(*overTds, 2, QStringLiteral("с"))) {
        EXPECT_EQ(s.faculty, 2);
    }
    EXPECT_TRUE(findStudents(*overTds, 1, QStringLiteral("%")).empty());
    EXPECT_TRUE(findStudents(*overTds, 1, QStringLiteral("  ")).empty());
}

}  // namespace
}  // namespace zev::testing
