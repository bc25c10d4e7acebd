// The CSV and Excel files of a sheet, and the saving of a file in one piece.

#include "FileSizeLimit.h"
#include "ZipReader.h"
#include "core/Errors.h"
#include "groupexport/ElectivesSheet.h"
#include "groupexport/SheetFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Texts in the failure messages as the user reads them.
inline std::ostream& operator<<(std::ostream& os, const QString& text) {
    return os << text.toStdString();
}

namespace zev::testing {
namespace {

using namespace Qt::StringLiterals;

ElectivePlace place(const QString& student, const QString& discipline,
                    std::optional<qint64> stream) {
    ElectivePlace p;
    p.student = student;
    p.discipline = discipline;
    p.chosen = !discipline.isEmpty();
    p.alternatives = u"Б1.В.ДВ.01"_qs;
    p.teacher = discipline.isEmpty() ? QString() : u"Орлова Анна Петровна"_qs;
    p.stream = stream;
    p.year = u"2024/2025"_qs;
    p.semester = u"3 семестр"_qs;
    return p;
}

ElectivesSheet groupSheet(std::vector<ElectivePlace> places) {
    ElectivesSheet sheet;
    sheet.heading = {u"Факультет информационных технологий"_qs,
                     u"09.03.01 Информатика и вычислительная техника"_qs, u"ИВТ-24"_qs,
                     u"2024/2025"_qs, u"3 семестр"_qs};
    sheet.places = std::move(places);
    return sheet;
}

QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST(SheetCsv, BomSemicolonsCrLfAndOneLinePerPlace) {
    const QByteArray csv =
        sheetCsv(groupSheet({place(u"Андреева Мария Алексеевна"_qs, u"Базы данных"_qs, 101),
                             place(u"Андреева Мария Алексеевна"_qs, QString(), std::nullopt)}));
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF")) << "UTF-8 with a byte-order mark";
    EXPECT_EQ(QString::fromUtf8(csv.mid(3)),
              u"Студент;Дисциплина;Группа дисциплин по выбору;Преподаватель;Поток;"
              u"На учебный год;На семестр;Выбор\r\n"
              u"Андреева Мария Алексеевна;Базы данных;Б1.В.ДВ.01;Орлова Анна Петровна;101;"
              u"2024/2025;3 семестр;выбрано\r\n"
              u"Андреева Мария Алексеевна;;Б1.В.ДВ.01;;;2024/2025;3 семестр;пусто\r\n"_qs);
}

TEST(SheetCsv, FieldsWithSeparatorsQuotesOrLineBreaksAreQuotedAndFormulasDisarmed) {
    const QByteArray csv = sheetCsv(groupSheet({
        place(u"Кузнецов; Иван"_qs, u"Курс \"Право\""_qs, 7),
        place(u"Строка\r\nвторая"_qs, u"=HYPERLINK(\"http://x\")"_qs, 8),
        place(u"+7 900"_qs, u"-2+3"_qs, 9),
        place(u"@SUM(A1)"_qs, u"Обычная"_qs, 10),
        place(u"\t=1+1"_qs, u"a=b"_qs, 11),
    }));
    const QStringList lines = QString::fromUtf8(csv.mid(3)).split(u"\r\n"_qs);
    ASSERT_GE(lines.size(), 6);
    EXPECT_TRUE(lines[1].startsWith(u"\"Кузнецов; Иван\";\"Курс \"\"Право\"\"\";"_qs)) << lines[1];
    // The line break stays inside its quoted field: the record goes on after it.
    EXPECT_TRUE(lines[2].startsWith(u"\"Строка"_qs)) << lines[2];
    EXPECT_TRUE(lines[3].startsWith(u"вторая\";\"'=HYPERLINK(\"\"http://x\"\")\";"_qs)) << lines[3];
    EXPECT_TRUE(lines[4].startsWith(u"'+7 900;'-2+3;"_qs)) << lines[4];
    EXPECT_TRUE(lines[5].startsWith(u"'@SUM(A1);Обычная;"_qs)) << lines[5];
    EXPECT_TRUE(lines[6].startsWith(u"'\t=1+1;a=b;"_qs)) << lines[6];
    // The stream stays a plain number.
    EXPECT_TRUE(lines[4].contains(u";9;"_qs));
}

TEST(SheetCsv, AFacultysSheetNamesSpecialityAndGroupOnEveryLine) {
    ElectivesSheet sheet = groupSheet({place(u"Андреева Мария"_qs, u"Базы данных"_qs, 101)});
    sheet.wholeFaculty = true;
    sheet.places[0].speciality = u"09.03.01 Информатика"_qs;
    sheet.places[0].group = u"ИВТ-24"_qs;
    const QStringList lines = QString::fromUtf8(sheetCsv(sheet).mid(3)).split(u"\r\n"_qs);
    EXPECT_TRUE(lines[0].startsWith(u"Специальность;Группа;Студент;"_qs));
    EXPECT_TRUE(lines[1].startsWith(u"09.03.01 Информатика;ИВТ-24;Андреева Мария;"_qs));
    EXPECT_TRUE(lines[1].contains(u";101;"_qs));
}

// The cells of a sheet's XML: reference -> (type, value).
QMap<QString, std::pair<QString, QString>> cellsOf(const QString& sheetXml) {
    QMap<QString, std::pair<QString, QString>> cells;
    static const QRegularExpression cell(
        uR"re(<c r="([A-Z]+[0-9]+)"(?: s="\d+")?(?: t="(\w+)")?(?: s="\d+")?>(<f>.*?</f>)?<v>([^<]*)</v></c>)re"_qs);
    for (const QRegularExpressionMatch& m : cell.globalMatch(sheetXml)) {
        cells.insert(m.captured(1),
                     {m.captured(3).isEmpty() ? m.captured(2) : u"formula"_qs, m.captured(4)});
    }
    return cells;
}

QStringList sharedStrings(const QString& xml) {
    QStringList strings;
    static const QRegularExpression item(
        uR"re(<si><t(?: xml:space="preserve")?>([^<]*)</t></si>)re"_qs);
    for (const QRegularExpressionMatch& m : item.globalMatch(xml)) {
        QString text = m.captured(1);
        text.replace(u"&quot;"_qs, u"\""_qs)
            .replace(u"&lt;"_qs, u"<"_qs)
            .replace(u"&gt;"_qs, u">"_qs);
        strings << text.replace(u"&amp;"_qs, u"&"_qs);
    }
    return strings;
}

TEST(SheetXlsx, AWorkbookWithTheHeadingTheTableAndOnlyStringAndNumberCells) {
    const QByteArray xlsx = sheetXlsx(
        groupSheet({place(u"Андреева Мария Алексеевна"_qs, u"=HYPERLINK(\"http://x\")"_qs, 101),
                    place(u"Борисов Олег"_qs, QString(), std::nullopt)}));
    ASSERT_TRUE(xlsx.startsWith("PK\x03\x04"));
    const QMap<QString, QByteArray> members = zipMembers(xlsx);
    ASSERT_TRUE(members.contains(u"xl/worksheets/sheet1.xml"_qs))
        << members.keys().join(u' ').toStdString();
    ASSERT_TRUE(members.contains(u"xl/sharedStrings.xml"_qs));
    EXPECT_TRUE(QString::fromUtf8(members.value(u"xl/workbook.xml"_qs))
                    .contains(u"name=\"Дисциплины по выбору\""_qs));

    const QStringList strings =
        sharedStrings(QString::fromUtf8(members.value(u"xl/sharedStrings.xml"_qs)));
    const auto cells = cellsOf(QString::fromUtf8(members.value(u"xl/worksheets/sheet1.xml"_qs)));
    const auto textAt = [&](const QString& ref) {
        const auto c = cells.value(ref);
        return c.first == u"s" ? strings.value(c.second.toInt())
                               : u"<%1 %2>"_qs.arg(c.first, c.second);
    };
    // The title, five heading lines, a blank line, the header row (row 8), the places.
    EXPECT_EQ(textAt(u"A1"_qs), u"Дисциплины по выбору"_qs);
    EXPECT_EQ(textAt(u"A2"_qs), u"Факультет:"_qs);
    EXPECT_EQ(textAt(u"B2"_qs), u"Факультет информационных технологий"_qs);
    EXPECT_EQ(textAt(u"A4"_qs), u"Группа:"_qs);
    EXPECT_EQ(textAt(u"B4"_qs), u"ИВТ-24"_qs);
    EXPECT_EQ(textAt(u"B6"_qs), u"3 семестр"_qs);
    EXPECT_FALSE(cells.contains(u"A7"_qs));
    EXPECT_EQ(textAt(u"A8"_qs), u"Студент"_qs);
    EXPECT_EQ(textAt(u"H8"_qs), u"Выбор"_qs);
    EXPECT_EQ(textAt(u"A9"_qs), u"Андреева Мария Алексеевна"_qs);
    // A text that looks like a formula is a string cell holding that very text.
    EXPECT_EQ(textAt(u"B9"_qs), u"=HYPERLINK(\"http://x\")"_qs);
    for (const auto& [type, value] : cells) {
        EXPECT_NE(type, u"formula"_qs) << value.toStdString();
    }
    // The stream is a number; an empty place has no stream, discipline or teacher cell.
    EXPECT_EQ(cells.value(u"E9"_qs).first, QString());
    EXPECT_EQ(cells.value(u"E9"_qs).second, u"101"_qs);
    EXPECT_EQ(textAt(u"H9"_qs), u"выбрано"_qs);
    EXPECT_EQ(textAt(u"A10"_qs), u"Борисов Олег"_qs);
    EXPECT_FALSE(cells.contains(u"B10"_qs));
    EXPECT_FALSE(cells.contains(u"E10"_qs));
    EXPECT_EQ(textAt(u"H10"_qs), u"пусто"_qs);
    EXPECT_FALSE(cells.contains(u"A11"_qs));
}

TEST(SaveAtomically, ReplacesTheFileInOnePieceAndAFolderThatCannotHoldItIsReported) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(u"группа.csv"_qs);
    saveAtomically(name, "old");
    saveAtomically(name, "new contents");
    EXPECT_EQ(readFile(name), QByteArray("new contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"группа.csv"_qs})
        << "no temporary file stays behind";

    // A "folder" that is a file: nothing can be made in it.
    const QString notAFolder = dir.filePath(u"файл"_qs);
    saveAtomically(notAFolder, "x");
    try {
        saveAtomically(notAFolder + u"/группа.csv"_qs, "data");
        FAIL() << "the save went through";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().startsWith(u"Не удалось сохранить файл "_qs))
            << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(u"группа.csv"_qs));
        EXPECT_FALSE(e.text().contains(u"Прежний файл"_qs)) << "there was none";
    }
}

#if defined(__unix__)
TEST(SaveAtomically, AWriteThatBreaksOffLeavesTheOldFileAsItWas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(u"группа.xlsx"_qs);
    saveAtomically(name, "the old file");
    // Files may grow to 1 KB only (which holds even for a process that may write anywhere): the
    // writes of 4 KB (which a file's buffer would hold) and of 64 KB break off half-way.
    FileSizeLimit limit(1024);
    ASSERT_TRUE(limit.applied());
    QStringList errors;
    for (const qsizetype size : {4 * 1024, 64 * 1024}) {
        try {
            saveAtomically(name, QByteArray(size, 'x'));
        } catch (const Error& e) {
            errors << e.text();
        }
    }
    limit.lift();
    ASSERT_EQ(errors.size(), 2);
    for (const QString& error : errors) {
        EXPECT_TRUE(error.startsWith(u"Не удалось сохранить файл "_qs)) << error.toStdString();
        EXPECT_TRUE(error.endsWith(u"Прежний файл не изменён."_qs)) << error.toStdString();
    }
    EXPECT_EQ(readFile(name), QByteArray("the old file"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"группа.xlsx"_qs});
}
#endif

}  // namespace
}  // namespace zev::testing
