// The printed sheet as PDF pages.

#include "groupexport/ElectivesSheet.h"
#include "groupexport/SheetPages.h"

#include <QBuffer>
#include <QPdfWriter>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

using namespace Qt::StringLiterals;

ElectivesSheet sheetOf(int students, bool wholeFaculty = false) {
    ElectivesSheet sheet;
    sheet.wholeFaculty = wholeFaculty;
    sheet.heading = {u"Факультет информационных технологий"_qs,
                     wholeFaculty ? QString() : u"09.03.01"_qs,
                     wholeFaculty ? QString() : u"ИВТ-24"_qs, u"2024/2025"_qs, u"3 семестр"_qs};
    for (int s = 0; s < students; ++s) {
        for (int p = 0; p < 5; ++p) {
            ElectivePlace place;
            place.speciality = u"09.03.01 Информатика и вычислительная техника"_qs;
            place.group = u"ИВТ-24"_qs;
            place.student = u"Студент %1 Длинноеимя Отчествович"_qs.arg(s);
            place.chosen = p % 2 == 0;
            place.discipline =
                place.chosen ? u"Проектирование информационных систем"_qs : QString();
            place.alternatives = u"Б1.В.ДВ.0%1"_qs.arg(p);
            place.stream = place.chosen ? std::optional<qint64>(101) : std::nullopt;
            place.year = u"2024/2025"_qs;
            place.semester = u"3 семестр"_qs;
            sheet.places.push_back(place);
        }
    }
    return sheet;
}

int pagesIn(const QByteArray& pdf) {
    return static_cast<int>(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") +
                            pdf.count("/Type /Page "));
}

TEST(SheetPages, APdfDocumentWithAsManyPagesAsTheRowsNeed) {
    const QByteArray small = sheetPdf(sheetOf(2));
    ASSERT_TRUE(small.startsWith("%PDF-"));
    EXPECT_TRUE(small.trimmed().endsWith("%%EOF"));
    EXPECT_EQ(pagesIn(small), 1);

    const QByteArray large = sheetPdf(sheetOf(60));
    EXPECT_GT(pagesIn(large), 3) << "300 places do not fit a few pages";

    // paintSheet tells the same count the document holds.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    int painted = 0;
    {
        QPdfWriter writer(&buffer);
        useSheetPageLayout(writer);
        painted = paintSheet(sheetOf(60, true), writer);
    }
    EXPECT_EQ(painted, pagesIn(buffer.data()));
    EXPECT_GT(painted, pagesIn(large) - 1);
}

TEST(SheetPages, AnEmptySheetIsOnePageWithItsHeading) {
    const QByteArray pdf = sheetPdf(sheetOf(0));
    EXPECT_EQ(pagesIn(pdf), 1);
}

}  // namespace
}  // namespace zev::testing
