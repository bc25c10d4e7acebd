// The names a window keeps of a list read in full: they survive the list being narrowed or
// closed, follow the rows the list showed when they were taken, and answer a key given as a
// number or as its text.
#include "MemoryDataset.h"
#include "QtPrinting.h"
#include "registration/ListNames.h"

#include <gtest/gtest.h>

#include <memory>

namespace zev::testing {
namespace {

using Row = std::pair<Value, Value>;

// A list of keys and names; the key column an integer one unless told.
std::unique_ptr<MemoryDataset> list(const std::vector<Row>& rows,
                                    ColumnType keyType = ColumnType::Integer) {
    auto set = std::make_unique<MemoryDataset>();
    set->rows.columns = {{QStringLiteral("id_teacher"), keyType},
                         {QStringLiteral("t_fio"), ColumnType::Text}};
    for (const auto& [key, name] : rows) {
        set->rows.cells.push_back(key);
        set->rows.cells.push_back(name);
    }
    set->open();
    return set;
}

Value number(std::int64_t n) {
    return Value{n};
}

Value text(const char* t) {
    return Value{QString::fromUtf8(t)};
}

TEST(ListNames, KeepsTheNamesWhenTheListIsNarrowedOrClosed) {
    auto teachers = list({{number(7), text("Иванов И. И.")}, {number(12), text("Петрова А. С.")}});
    ListNames names;
    names.remember(*teachers, QStringLiteral("id_teacher"), QStringLiteral("t_fio"));

    // The list narrowed on the server to one department: the other teacher is no longer in it.
    teachers->close();
    teachers->rows.cells = {number(7), text("Иванов И. И.")};
    teachers->open();
    EXPECT_EQ(names.nameOf(number(12)), QStringLiteral("Петрова А. С."));
    teachers->close();
    EXPECT_EQ(names.nameOf(number(7)), QStringLiteral("Иванов И. И."));

    // A key as the text a grid cell holds finds the same name; other texts of the number do not.
    EXPECT_EQ(names.nameOf(text("12")), QStringLiteral("Петрова А. С."));
    EXPECT_EQ(names.nameOf(Value{12.0}), QStringLiteral("Петрова А. С."));
    EXPECT_TRUE(names.nameOf(text("012")).isEmpty());
    EXPECT_TRUE(names.nameOf(text(" 12")).isEmpty());
    EXPECT_TRUE(names.nameOf(number(13)).isEmpty());
    EXPECT_TRUE(names.nameOf(Value{}).isEmpty());
}

TEST(ListNames, RemembersAgainFromScratchAndNothingOfAClosedList) {
    auto teachers = list({{number(7), text("Иванов И. И.")}});
    ListNames names;
    names.remember(*teachers, QStringLiteral("id_teacher"), QStringLiteral("t_fio"));
    ASSERT_EQ(names.nameOf(number(7)), QStringLiteral("Иванов И. И."));

    auto others = list({{number(8), text("Сидоров П. П.")}});
    names.remember(*others, QStringLiteral("id_teacher"), QStringLiteral("t_fio"));
    EXPECT_TRUE(names.nameOf(number(7)).isEmpty());
    EXPECT_EQ(names.nameOf(number(8)), QStringLiteral("Сидоров П. П."));

    others->close();
    names.remember(*others, QStringLiteral("id_teacher"), QStringLiteral("t_fio"));
    EXPECT_TRUE(names.nameOf(number(8)).isEmpty());
}

TEST(ListNames, TakesTheRowsTheListShowsAndTheLaterOfTwoEqualKeys) {
    auto teachers = list({{number(3), text("Первый")},
                          {Value{}, text("Без ключа")},
                          {number(5), text("Скрытый")},
                          {number(3), text("Второй")},
                          {number(4), Value{}}});
    teachers->setFilter(QStringLiteral("id_teacher <> 5"));
    teachers->setFiltered(true);
    ListNames names;
    names.remember(*teachers, QStringLiteral("id_teacher"), QStringLiteral("t_fio"));
    EXPECT_EQ(names.nameOf(number(3)), QStringLiteral("Второй"));
    EXPECT_TRUE(names.nameOf(number(5)).isEmpty());  // filtered out when remembered
    EXPECT_TRUE(names.nameOf(number(4)).isEmpty());  // listed without a name

    // The list's order is the one a sort gives: the later row in that order holds.
    teachers->setFiltered(false);
    teachers->setSort(QStringLiteral("t_fio"));
    names.remember(*teachers, QStringLiteral("id_teacher"), QStringLiteral("t_fio"));
    EXPECT_EQ(names.nameOf(number(3)), QStringLiteral("Первый"));
    EXPECT_EQ(names.nameOf(number(5)), QStringLiteral("Скрытый"));
}

TEST(ListNames, KeysOfATextColumnMatchTheirTextExactly) {
    auto streams = list({{text("12-1"), text("поток 1")},
                         {text(""), text("пустой ключ")},
                         {text("12-2"), text("поток 2")}},
                        ColumnType::Text);
    ListNames names;
    names.remember(*streams, QStringLiteral("id_teacher"), QStringLiteral("t_fio"));
    EXPECT_EQ(names.nameOf(text("12-2")), QStringLiteral("поток 2"));
    EXPECT_TRUE(names.nameOf(text("")).isEmpty());
    EXPECT_TRUE(names.nameOf(text("12-3")).isEmpty());
}

TEST(ListNames, NameForALookupFieldReadsTheKeyOfItsActiveRecord) {
    auto teachers = list({{number(7), text("Иванов И. И.")}, {number(12), text("Петрова А. С.")}});
    ListNames names;
    names.remember(*teachers, QStringLiteral("id_teacher"), QStringLiteral("t_fio"));
    teachers->close();
    teachers->rows.cells = {number(7), text("Иванов И. И.")};
    teachers->open();

    MemoryDataset electives;
    electives.rows.columns = {{QStringLiteral("id_teacher"), ColumnType::Integer}};
    electives.rows.cells = {number(7), number(12)};
    FieldDef teacher{QStringLiteral("teacher"), FieldType::String, 50};
    teacher.lookupDataset = teachers.get();
    teacher.keyFields = QStringLiteral("id_teacher");
    teacher.lookupKeyFields = QStringLiteral("id_teacher");
    teacher.lookupResultField = QStringLiteral("t_fio");
    electives.setFieldDefs({FieldDef{QStringLiteral("id_teacher"), FieldType::Integer}, teacher});
    electives.open();

    const Field& shown = electives.fieldByName(QStringLiteral("teacher"));
    electives.last();
    EXPECT_TRUE(shown.text().isEmpty());  // not in the narrowed list
    EXPECT_EQ(names.nameFor(shown), QStringLiteral("Петрова А. С."));
    const Dataset::DisplayRow painted(electives, 0);
    EXPECT_EQ(names.nameFor(shown), QStringLiteral("Иванов И. И."));
}

}  // namespace
}  // namespace zev::testing
