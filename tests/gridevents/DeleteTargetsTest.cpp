// Which records delete and cut remove: the selected ones, found by bookmark, or by a unique
// value once a delete rule has reloaded the dataset; and the completion reported only when they
// are gone.
#include "tests/gridevents/GridFixture.h"

namespace zev::testing {
namespace {

using Codes = std::vector<quint16>;

class DeleteTargetsTest : public GridFixture {
protected:
    // A stored row with a unique value of the test's choosing (Null included).
    void addRowWithId(const Value& id, int descGroupNum, int subgroup = 1) {
        electives->rows.cells.emplace_back(id);
        for (int v : {descGroupNum, 1, 1, 1, 1, subgroup}) {
            electives->rows.cells.emplace_back(std::int64_t{v});
        }
        electives->rows.cells.emplace_back(QStringLiteral("fixed"));
    }
    std::vector<int> column(const char* field) {
        std::vector<int> result;
        for (int rec = 1; rec <= electives->recordCount(); ++rec) {
            Dataset::DisplayRow row(*electives, rec - 1);
            result.push_back(electives->fieldByName(QString::fromLatin1(field)).text().toInt());
        }
        return result;
    }
    // The delete rule of the electives: a statement of its own, a reload, a refused deletion.
    void deleteByStatementAndReload() {
        electives->beforeDelete = [this](Dataset& dataset) {
            statements.push_back(dataset.fieldByName(QStringLiteral("descGroupNum")).text());
            electives->dropRow(dataset.fieldByName(QStringLiteral("descGroupNum")).value(), 1);
            dataset.close();
            dataset.open();
            throw Abort();
        };
    }
    std::vector<QString> statements;
};

TEST_F(DeleteTargetsTest, DeleteTakesTheSelectedRowWhateverItsUniqueValue) {
    addRowWithId(Value{}, 7);
    addRowWithId(Value{}, 8);
    openAndShow();
    selectRec(2);
    gotoRec(1);
    notices.answerYes = true;
    press(Qt::Key_Delete);
    EXPECT_EQ(column("descGroupNum"), std::vector<int>{7});
    EXPECT_EQ(codes, (Codes{qfeDone, qfeDone}));
}

TEST_F(DeleteTargetsTest, DeletingAPastedCopyKeepsTheOriginal) {
    // The stream is the unique value here, and a paste repeats it.
    addRow(1, 7, 1, 1, 1, 1, 5);
    addRow(2, 8, 1, 1, 1, 1, 6);
    events->setUniqueField(electives->findField(QStringLiteral("subgroup")));
    openAndShow();
    selectRec(1);
    press(Qt::Key_C);
    grid->selectedRows().clear();
    gotoRec(2);
    press(Qt::Key_V);
    ASSERT_EQ(electives->recordCount(), 3);
    const int copy = recOfId(1000);
    ASSERT_GT(copy, 0);

    selectRec(copy);
    notices.answerYes = true;
    press(Qt::Key_Delete);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(events->PastedValues().isEmpty());
}

TEST_F(DeleteTargetsTest, CutOfAReloadingDatasetFindsTheRowsByValue) {
    addRow(10, 1);
    addRow(11, 2);
    addRow(12, 3);
    addRow(13, 4);
    deleteByStatementAndReload();
    openAndShow();
    selectRec(recOfId(11));
    selectRec(recOfId(13));
    selectRec(recOfId(12));
    electives->beforeDelete = [inner = electives->beforeDelete](Dataset& dataset) {
        if (dataset.fieldByName(QStringLiteral("id")).text() == QStringLiteral("12")) {
            throw Error(QStringLiteral("refused by the server"));
        }
        inner(dataset);
    };
    notices.answerYes = true;
    press(Qt::Key_X);
    EXPECT_EQ(statements, (std::vector<QString>{QStringLiteral("2"), QStringLiteral("4")}));
    EXPECT_EQ(ids(), (std::vector<int>{10, 12}));
    // The refused row stays selected, designated in the reloaded rows; the cut ones left.
    ASSERT_EQ(grid->selectedRows().count(), 1);
    EXPECT_EQ(grid->selectedRows().item(0), electives->bookmarkAt(recOfId(12) - 1));
    // Not every selected row went: no completion is reported.
    EXPECT_TRUE(codes.empty());
    EXPECT_FALSE(electives->controlsDisabled());
}

TEST_F(DeleteTargetsTest, SeveralRowsThatAReloadCouldConfuseAreNotDeleted) {
    addRowWithId(Value{}, 1);
    addRowWithId(Value{std::int64_t{20}}, 2);
    addRowWithId(Value{std::int64_t{21}}, 3);
    addRowWithId(Value{std::int64_t{21}}, 4);
    deleteByStatementAndReload();
    openAndShow();
    notices.answerYes = true;
    // A Null value, then a repeated one, each selected with a findable row.
    for (const auto& [unsafe, safe] : {std::pair{1, 2}, std::pair{3, 2}}) {
        SCOPED_TRACE(unsafe);
        notices.clear();
        grid->selectedRows().clear();
        selectRec(safe);
        selectRec(unsafe);
        gotoRec(safe);
        press(Qt::Key_Delete);
        ASSERT_EQ(notices.shown().size(), 1u);
        EXPECT_TRUE(notices.shown().front().contains(QStringLiteral("строке %1").arg(unsafe)))
            << notices.shown().front().toStdString();
        EXPECT_TRUE(statements.empty());
        EXPECT_EQ(electives->recordCount(), 4);
        EXPECT_EQ(electives->recNo(), safe);
        press(Qt::Key_X);
        EXPECT_EQ(notices.shown().size(), 2u);
        EXPECT_TRUE(statements.empty());
        EXPECT_EQ(clipboard.writes, 0);
    }
    EXPECT_TRUE(codes.empty());

    // One such row alone is deleted: its bookmark finds it.
    grid->selectedRows().clear();
    selectRec(1);
    press(Qt::Key_Delete);
    EXPECT_EQ(statements, std::vector<QString>{QStringLiteral("1")});
    EXPECT_EQ(column("descGroupNum"), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(codes, (Codes{qfeDone, qfeDone}));
}

TEST_F(DeleteTargetsTest, ADeleteBlockedByARowThatCannotBePostedReportsNoCompletion) {
    addRow(1, 7);
    addRow(2, 8);
    addRow(3, 9);
    openAndShow();
    // As the electives refuse a row without a stream: the user is told, the post is cancelled
    // silently.
    electives->beforePost = [this](Dataset& dataset) {
        if (dataset.fieldByName(QStringLiteral("subgroup")).isNull()) {
            notify(nullptr, QStringLiteral("Вы ни выбрали поток."), NoticeIcon::Warning);
            throw Abort();
        }
    };
    selectRec(1);
    selectRec(3);
    gotoRec(2);
    electives->edit();
    electives->fieldByName(QStringLiteral("subgroup")).clear();
    notices.answerYes = true;
    press(Qt::Key_Delete);
    EXPECT_EQ(notices.shown(), std::vector<QString>{QStringLiteral("Вы ни выбрали поток.")});
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(electives->state(), DatasetState::Edit);
    EXPECT_EQ(electives->recNo(), 2);
    EXPECT_TRUE(codes.empty());

    // A deletion that the dataset refuses is no completion either; the others still go.
    electives->cancel();
    electives->beforeDelete = [](Dataset& dataset) {
        if (dataset.fieldByName(QStringLiteral("id")).text() == QStringLiteral("3")) {
            throw Error(QStringLiteral("refused by the server"));
        }
    };
    press(Qt::Key_Delete);
    EXPECT_EQ(ids(), (std::vector<int>{2, 3}));
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(grid->selectedRows().count(), 0);
}

}  // namespace
}  // namespace zev::testing
