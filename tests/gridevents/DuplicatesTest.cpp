// Switching on and off, and the bookkeeping of duplicate keys.
#include "tests/gridevents/GridFixture.h"

namespace zev::testing {
namespace {

class DuplicatesTest : public GridFixture {
protected:
    void deleteRecordsOfIds(std::initializer_list<int> idList) {
        for (int id : idList) {
            selectRec(recOfId(id));
        }
        notices.answerYes = true;
        press(Qt::Key_Delete);
    }
};

TEST_F(DuplicatesTest, SwitchingOnOpensAndMarksSharedKeys) {
    addRow(1, 7);
    addRow(2, 8);
    addRow(3, 7);
    addRow(4, 9);
    addRow(5, 8);
    addRow(6, 3);
    electives->setFilter(QStringLiteral("descGroupNum > 0"));
    electives->setFiltered(true);
    events->setActive(true);
    EXPECT_TRUE(events->Active());
    EXPECT_TRUE(electives->isOpen());
    EXPECT_EQ(events->DuplicateKeys(), QStringList({QStringLiteral("7"), QStringLiteral("8")}));
    EXPECT_EQ(electives->recNo(), 1);
    EXPECT_FALSE(electives->filtered());
    EXPECT_TRUE(electives->filter().isEmpty());
    EXPECT_FALSE(electives->controlsDisabled());
}

TEST_F(DuplicatesTest, NoDuplicateFieldScansNothing) {
    addRow(1, 7);
    addRow(2, 7);
    events->DuplicateFields().clear();
    events->setActive(true);
    EXPECT_TRUE(electives->isOpen());
    EXPECT_TRUE(events->DuplicateKeys().isEmpty());
}

TEST_F(DuplicatesTest, SwitchingOffClosesAndForgetsKeys) {
    addRow(1, 7);
    addRow(2, 7);
    events->setActive(true);
    ASSERT_EQ(events->DuplicateKeys().size(), 1);
    events->setActive(false);
    EXPECT_FALSE(electives->isOpen());
    EXPECT_TRUE(events->DuplicateKeys().isEmpty());
    // Switching off what is off leaves an open dataset open.
    electives->open();
    events->setActive(false);
    EXPECT_TRUE(electives->isOpen());
}

TEST_F(DuplicatesTest, SwitchingOnWithoutGridSourceOrDataset) {
    TQFDBGridEvents lone;
    std::vector<quint16> loneCodes;
    lone.OnQFDBEGridError = [&](TQFDBGridEvents&, quint16 code) { loneCodes.push_back(code); };
    lone.setActive(true);
    EXPECT_FALSE(lone.Active());
    TQFDBGridEh bare;
    lone.setDBGridEh(&bare);
    lone.setActive(true);
    DataSource empty;
    bare.setDataSource(&empty);
    lone.setActive(true);
    EXPECT_FALSE(lone.Active());
    EXPECT_EQ(loneCodes, (std::vector<quint16>{qfeNoGrid, qfeNoDataSource, qfeNoDataSet}));
    lone.setDBGridEh(nullptr);
}

TEST_F(DuplicatesTest, DeletingOneOfTwoClearsTheMarkOneOfThreeKeepsIt) {
    addRow(1, 7);
    addRow(2, 7);
    addRow(3, 5);
    addRow(4, 5);
    addRow(5, 5);
    openAndShow();
    ASSERT_EQ(events->DuplicateKeys(), QStringList({QStringLiteral("7"), QStringLiteral("5")}));
    deleteRecordsOfIds({1});
    EXPECT_EQ(events->DuplicateKeys(), QStringList({QStringLiteral("5")}));
    deleteRecordsOfIds({3});
    EXPECT_EQ(events->DuplicateKeys(), QStringList({QStringLiteral("5")}));
    EXPECT_EQ(ids(), (std::vector<int>{2, 4, 5}));
    EXPECT_FALSE(electives->filtered());
}

TEST_F(DuplicatesTest, FilterDoublesQuotesAndJoinsFields) {
    addRow(1, 7);
    electives->rows.at(0, 7) = Value{QStringLiteral("O'Brien")};
    events->DuplicateFields().clear();
    events->DuplicateFields().append(electives->findField(QStringLiteral("p34")));
    events->DuplicateFields().append(electives->findField(QStringLiteral("descGroupNum")));
    electives->open();
    QString key;
    QString filter;
    EXPECT_TRUE(events->BuildDuplicateFilter(key, filter));
    EXPECT_EQ(key, QStringLiteral("O'Brien|7"));
    EXPECT_EQ(filter, QStringLiteral("p34='O''Brien' and descGroupNum=7"));
    // The filter is one the dataset accepts, and it selects the record.
    electives->setFilter(filter);
    electives->setFiltered(true);
    EXPECT_EQ(electives->recordCount(), 1);
}

TEST_F(DuplicatesTest, RecordWithoutCompleteKeyIsNobodysDuplicate) {
    addRow(1, 7);
    addRow(2, 7);
    addRow(3, 7);
    addRow(4, 7);
    electives->rows.at(2, 1) = Value{};  // id 3 has no descGroupNum
    electives->rows.at(3, 1) = Value{};  // nor has id 4
    events->setActive(true);
    EXPECT_TRUE(events->Active());
    EXPECT_EQ(events->DuplicateKeys(), QStringList{QStringLiteral("7")});
    EXPECT_FALSE(electives->controlsDisabled());
    EXPECT_FALSE(electives->filtered());

    // Checking or releasing such a record changes nothing and leaves no filter on.
    electives->setRecNo(3);
    events->CheckDuplicate();
    events->ReleaseDuplicate(electives->bookmark());
    EXPECT_EQ(events->DuplicateKeys(), QStringList{QStringLiteral("7")});
    EXPECT_EQ(electives->recNo(), 3);
    EXPECT_FALSE(electives->filtered());
}

// The one-pass scan finds what checking each record with its own filter finds, in that order,
// including texts that differ only in letter case.
TEST_F(DuplicatesTest, ScanAgreesWithCheckingEveryRecord) {
    const std::vector<std::pair<QString, int>> keys = {
        {QStringLiteral("b"), 2}, {QStringLiteral("a"), 1}, {QStringLiteral("A"), 1},
        {QStringLiteral("b"), 3}, {QStringLiteral("c"), 1}, {QStringLiteral("B"), 2},
        {QStringLiteral("x"), 9}, {QStringLiteral("b"), 3}};
    int id = 1;
    for (const auto& [text, number] : keys) {
        addRow(id, number);
        electives->rows.at(id - 1, 7) = Value{text};
        ++id;
    }
    addRow(id, 4);
    electives->rows.at(id - 1, 7) = Value{};  // a Null text matches no record
    addRow(id + 1, 4);
    electives->rows.at(id, 7) = Value{QString()};

    events->DuplicateFields().clear();
    events->DuplicateFields().append(electives->findField(QStringLiteral("p34")));
    events->DuplicateFields().append(electives->findField(QStringLiteral("descGroupNum")));
    events->setActive(true);
    const QStringList scanned = events->DuplicateKeys();

    // A second component over the same dataset checks record by record.
    TQFDBGridEh otherGrid;
    otherGrid.setDataSource(source);
    TQFDBGridEvents checker;
    checker.setDBGridEh(&otherGrid);
    checker.DuplicateFields().append(electives->findField(QStringLiteral("p34")));
    checker.DuplicateFields().append(electives->findField(QStringLiteral("descGroupNum")));
    for (int rec = 1; rec <= electives->recordCount(); ++rec) {
        electives->setRecNo(rec);
        checker.CheckDuplicate();
        EXPECT_EQ(electives->recNo(), rec);
    }
    EXPECT_EQ(scanned, checker.DuplicateKeys());
    EXPECT_EQ(scanned,
              QStringList({QStringLiteral("b|2"), QStringLiteral("a|1"), QStringLiteral("b|3")}));
    checker.setDBGridEh(nullptr);
}

// ('12', 3) and ('1', 23) are different keys: neither is painted as the other's duplicate, and
// deleting one leaves the other's mark alone.
TEST_F(DuplicatesTest, TheFieldsOfAKeyStayApart) {
    addRow(1, 12, 3);
    addRow(2, 12, 3);
    addRow(3, 1, 23);
    addRow(4, 1, 2);
    addRow(5, 12, 3);
    events->DuplicateFields().append(electives->findField(QStringLiteral("id_discipline")));
    openAndShow();
    ASSERT_EQ(events->DuplicateKeys().size(), 1);
    gotoRec(4);
    const QImage image = grabViewport();
    const QColor green(0, 128, 0);
    EXPECT_EQ(cellBackground(image, 0, 2), green);
    EXPECT_EQ(cellBackground(image, 1, 2), green);
    EXPECT_NE(cellBackground(image, 2, 2), green);
    deleteRecordsOfIds({3});
    EXPECT_EQ(events->DuplicateKeys().size(), 1);
    EXPECT_EQ(cellBackground(grabViewport(), 1, 2), green);
}

TEST_F(DuplicatesTest, DestroyedFieldsLeaveTheComponent) {
    auto* other = new MemoryDataset;
    other->setFieldDefs({FieldDef{QStringLiteral("k"), FieldType::Integer},
                         FieldDef{QStringLiteral("n"), FieldType::Integer}});
    events->DuplicateFields().append(other->findField(QStringLiteral("k")));
    events->setUniqueField(other->findField(QStringLiteral("n")));
    ASSERT_EQ(events->DuplicateFields().size(), 2);
    delete other;
    EXPECT_EQ(events->DuplicateFields().size(), 1);
    EXPECT_EQ(events->UniqueField(), nullptr);
}

}  // namespace
}  // namespace zev::testing
