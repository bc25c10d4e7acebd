// A copy of a dataset's view taken column by column: the rows the view shows in its order, the
// values the fields read (the row in edit, a looked-up value), and a copy that stays as it was
// when the dataset is reopened.
#include "MemoryDataset.h"
#include "QtPrinting.h"
#include "data/Dataset.h"

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

QString cell(const ColumnStore& rows, int row, int column) {
    return valueText(rows.get(row, column));
}

class ViewCopy : public ::testing::Test {
protected:
    void SetUp() override {
        streams.rows.columns = {{QStringLiteral("subgroup"), ColumnType::Integer},
                                {QStringLiteral("name"), ColumnType::Text},
                                {QStringLiteral("hours"), ColumnType::Float}};
        streams.rows.cells = {Value{std::int64_t{30}},
                              Value{QStringLiteral("третий")},
                              Value{1.5},
                              Value{std::int64_t{10}},
                              Value{},
                              Value{},
                              Value{std::int64_t{20}},
                              Value{QStringLiteral("второй")},
                              Value{2.0}};
        streams.open();
    }

    MemoryDataset streams;
};

TEST_F(ViewCopy, HoldsTheViewsRowsInItsOrderAndOutlivesAReopen) {
    streams.setSort(QStringLiteral("subgroup"));
    streams.setFilter(QStringLiteral("subgroup > 15"));
    streams.setFiltered(true);
    const ColumnStore copy =
        streams.copyOfView({QStringLiteral("name"), QStringLiteral("SUBGROUP")});
    ASSERT_EQ(copy.columnCount(), 2);
    ASSERT_EQ(copy.rowCount(), 2);
    EXPECT_EQ(copy.kind(0), ColumnKind::Text);
    EXPECT_EQ(copy.kind(1), ColumnKind::Int);
    EXPECT_EQ(cell(copy, 0, 0), QStringLiteral("второй"));
    EXPECT_EQ(copy.intAt(0, 1), 20);
    EXPECT_EQ(cell(copy, 1, 0), QStringLiteral("третий"));
    EXPECT_EQ(copy.intAt(1, 1), 30);

    streams.close();
    streams.rows.cells.clear();
    streams.open();
    EXPECT_EQ(cell(copy, 1, 0), QStringLiteral("третий"));
    EXPECT_TRUE(streams.copyOfView({QStringLiteral("name")}).rowCount() == 0);
}

TEST_F(ViewCopy, KeepsNullsAndFloatsAndThrowsForAnUnknownField) {
    const ColumnStore copy = streams.copyOfView({QStringLiteral("name"), QStringLiteral("hours")});
    ASSERT_EQ(copy.rowCount(), 3);
    EXPECT_TRUE(copy.isNull(1, 0));
    EXPECT_TRUE(copy.isNull(1, 1));
    EXPECT_FALSE(copy.isNull(0, 1));
    EXPECT_DOUBLE_EQ(copy.floatAt(0, 1), 1.5);
    EXPECT_THROW(streams.copyOfView({QStringLiteral("nothing")}), Error);
}

TEST_F(ViewCopy, TakesTheEditedValuesOfTheRowInEditAndLookedUpValues) {
    streams.edit();
    streams.fieldByName(QStringLiteral("name")).setValue(QStringLiteral("первый"));
    const ColumnStore edited = streams.copyOfView({QStringLiteral("name")});
    EXPECT_EQ(cell(edited, 0, 0), QStringLiteral("первый"));
    EXPECT_EQ(cell(edited, 2, 0), QStringLiteral("второй"));
    streams.cancel();

    MemoryDataset places;
    places.rows.columns = {{QStringLiteral("id"), ColumnType::Integer},
                           {QStringLiteral("subgroup"), ColumnType::Integer}};
    places.rows.cells = {Value{std::int64_t{1}}, Value{std::int64_t{20}}, Value{std::int64_t{2}},
                         Value{std::int64_t{99}}};
    FieldDef shown{QStringLiteral("stream"), FieldType::String, 20};
    shown.lookupDataset = &streams;
    shown.keyFields = QStringLiteral("subgroup");
    shown.lookupKeyFields = QStringLiteral("subgroup");
    shown.lookupResultField = QStringLiteral("name");
    places.setFieldDefs({FieldDef{QStringLiteral("id"), FieldType::Integer},
                         FieldDef{QStringLiteral("subgroup"), FieldType::Integer}, shown});
    places.open();
    const ColumnStore looked = places.copyOfView({QStringLiteral("stream")});
    ASSERT_EQ(looked.rowCount(), 2);
    EXPECT_EQ(looked.kind(0), ColumnKind::Text);
    EXPECT_EQ(cell(looked, 0, 0), QStringLiteral("второй"));
    EXPECT_TRUE(looked.isNull(1, 0));
}

}  // namespace
}  // namespace zev::testing
