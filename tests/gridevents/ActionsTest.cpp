// The keyboard actions: checks and codes, confirmation, enabled actions, delete, cut, select-all.
#include "tests/gridevents/GridFixture.h"

#include <algorithm>

namespace zev::testing {
namespace {

using Codes = std::vector<quint16>;

class ActionsTest : public GridFixture {
protected:
    void threeRows() {
        addRow(1, 7, 1);
        addRow(2, 8, 2);
        addRow(3, 9, 3);
        openAndShow();
    }
};

TEST(ActionChecksTest, CodesInOrderOfChecking) {
    TQFDBGridEvents events;
    Codes codes;
    events.OnQFDBEGridError = [&](TQFDBGridEvents& sender, quint16 code) {
        EXPECT_EQ(&sender, &events);
        codes.push_back(code);
    };
    events.CopyRows(false);  // no grid
    TQFDBGridEh grid;
    events.setDBGridEh(&grid);
    events.PasteRows();  // no data source (and no unique field: the source is checked first)
    DataSource source;
    grid.setDataSource(&source);
    events.DeleteSelectedRows();  // no dataset
    MemoryDataset dataset;
    dataset.setFieldDefs({FieldDef{QStringLiteral("id"), FieldType::Integer}});
    dataset.rows.columns = {{QStringLiteral("id"), ColumnType::Integer}};
    source.setDataSet(&dataset);
    events.SelectAllRows();  // no unique field
    events.setUniqueField(dataset.findField(QStringLiteral("id")));
    events.CopyRows(true);  // dataset closed
    EXPECT_EQ(codes,
              (Codes{qfeNoGrid, qfeNoDataSource, qfeNoDataSet, qfeNoUniqueField, qfeNotOpen}));
    dataset.open();
    codes.clear();
    events.SelectAllRows();
    EXPECT_EQ(codes, Codes{qfeDone});
    events.setDBGridEh(nullptr);
}

TEST_F(ActionsTest, DeleteAsksAndYesDeletesTheSelectedRows) {
    threeRows();
    selectRec(1);
    selectRec(3);
    gotoRec(2);
    notices.answerYes = true;
    press(Qt::Key_Delete);
    ASSERT_EQ(notices.questions.size(), 1u);
    EXPECT_EQ(notices.questions[0].text, QStringLiteral("Delete record(s) - ?"));
    EXPECT_EQ(notices.questions[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(ids(), std::vector<int>{2});
    EXPECT_EQ(grid->selectedRows().count(), 0);
    EXPECT_EQ(codes, (Codes{qfeDone, qfeDone}));
    EXPECT_FALSE(electives->controlsDisabled());
}

TEST_F(ActionsTest, AnswerNoLeavesTheRows) {
    threeRows();
    selectRec(1);
    notices.answerYes = false;
    press(Qt::Key_Delete);
    EXPECT_EQ(notices.questions.size(), 1u);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(codes.empty());
}

TEST_F(ActionsTest, ConfirmationHandlerReplacesTheQuestion) {
    threeRows();
    selectRec(2);
    QObject* asked = nullptr;
    bool allow = false;
    events->OnQFDBEOnConfirmDelete = [&](QObject& sender, bool& canDelete) {
        asked = &sender;
        EXPECT_TRUE(canDelete);
        canDelete = allow;
    };
    press(Qt::Key_Delete);
    EXPECT_EQ(asked, grid);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    allow = true;
    press(Qt::Key_Delete);
    EXPECT_EQ(ids(), (std::vector<int>{1, 3}));
    EXPECT_TRUE(notices.questions.empty());
}

TEST_F(ActionsTest, WithoutConfirmOptionNothingIsAsked) {
    threeRows();
    grid->setOptions(grid->options() & ~GridOptions(GridOption::ConfirmDelete));
    selectRec(3);
    press(Qt::Key_Delete);
    EXPECT_TRUE(notices.questions.empty());
    EXPECT_EQ(ids(), (std::vector<int>{1, 2}));
}

TEST_F(ActionsTest, DeleteWithNoSelectionAsksAndReportsDone) {
    threeRows();
    notices.answerYes = true;
    press(Qt::Key_Delete);
    EXPECT_EQ(notices.questions.size(), 1u);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(codes, (Codes{qfeDone, qfeDone}));
}

TEST_F(ActionsTest, CopyOrCutWithNoSelectionDoesNothingAtAll) {
    threeRows();
    press(Qt::Key_C);
    press(Qt::Key_X);
    EXPECT_TRUE(notices.questions.empty());
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_TRUE(codes.empty());
}

TEST_F(ActionsTest, ActionsMissingFromEditActionsDoNothing) {
    threeRows();
    events->setEditActions(geaDeleteEh);
    selectRec(2);
    clipboard.data = QByteArray(
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02");
    press(Qt::Key_C);
    press(Qt::Key_X);
    press(Qt::Key_V);
    press(Qt::Key_A);
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(grid->selectedRows().count(), 1);
    EXPECT_TRUE(notices.questions.empty());
    EXPECT_TRUE(codes.empty());
    press(Qt::Key_Delete);
    EXPECT_EQ(ids(), (std::vector<int>{1, 3}));
}

TEST_F(ActionsTest, HostKeyHandlerRunsFirstAndMayChangeTheKey) {
    threeRows();
    selectRec(2);
    std::vector<quint16> seen;
    events->OnKeyDown = [&](DBGridEh&, quint16& key, Qt::KeyboardModifiers) {
        seen.push_back(key);
        if (key == 46) {
            key = 0;  // the host takes Delete for itself
        }
    };
    press(Qt::Key_C, Qt::NoModifier);  // without Ctrl the component does nothing
    press(Qt::Key_Delete);
    // The host saw the plain C and the Delete (and whatever the view forwards besides).
    EXPECT_NE(std::find(seen.begin(), seen.end(), quint16{'C'}), seen.end());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 46);
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_TRUE(notices.questions.empty());
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    // Other modifiers besides Ctrl do not matter.
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard.writes, 1);
}

TEST_F(ActionsTest, SelectAllMarksEveryRowAndKeepsTheCurrent) {
    threeRows();
    gotoRec(2);
    press(Qt::Key_A);
    EXPECT_EQ(grid->selectedRows().count(), 3);
    EXPECT_EQ(electives->recNo(), 2);
    EXPECT_EQ(codes, Codes{qfeDone});
}

TEST_F(ActionsTest, CutAsksCopiesThenDeletes) {
    threeRows();
    selectRec(1);
    selectRec(2);
    gotoRec(3);
    notices.answerYes = true;
    press(Qt::Key_X);
    ASSERT_EQ(notices.questions.size(), 1u);
    EXPECT_EQ(notices.questions[0].text, QStringLiteral("Cut record(s) - ?"));
    ASSERT_TRUE(clipboard.data);
    EXPECT_EQ(*clipboard.data, QByteArray("1\x01"
                                          "1\x01"
                                          "1\x01"
                                          "1\x01"
                                          "1\x01\x02"
                                          "2\x01"
                                          "1\x01"
                                          "1\x01"
                                          "1\x01"
                                          "1\x01\x02"));
    EXPECT_EQ(ids(), std::vector<int>{3});
    EXPECT_EQ(electives->recNo(), 1);
    EXPECT_EQ(codes, Codes{qfeDone});
}

TEST_F(ActionsTest, CutThatCannotWriteTheClipboardDeletesNothing) {
    threeRows();
    selectRec(1);
    selectRec(2);
    clipboard.failWrites = true;
    press(Qt::Key_X);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(electives->controlsDisabled());
    // The failure reaches the general error display; no completion code is reported.
    EXPECT_EQ(notices.shown(), std::vector<QString>{QStringLiteral("Cannot open clipboard")});
    EXPECT_TRUE(codes.empty());
}

TEST_F(ActionsTest, CutKeepsPasteMarkWhenDeletionIsRefused) {
    threeRows();
    clipboard.data = QByteArray(
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02");
    events->PasteRows();
    ASSERT_EQ(events->PastedValues().size(), 1);
    const int pastedId = events->PastedValues().at(0).toInt();
    electives->beforeDelete = [](Dataset&) { throw Abort(); };
    selectRec(recOfId(pastedId));
    press(Qt::Key_X);
    EXPECT_EQ(events->PastedValues().size(), 1);
    electives->beforeDelete = nullptr;
    press(Qt::Key_X);
    EXPECT_TRUE(events->PastedValues().isEmpty());
    EXPECT_EQ(recOfId(pastedId), 0);
}

// The electives' own delete rule: it removes the row by a statement of its own, reloads the
// dataset and refuses the dataset's deletion. Both selected rows still go.
TEST_F(ActionsTest, DeleteRowsOfADatasetThatReloadsOnDelete) {
    addRow(10, 1);
    addRow(11, 2);
    addRow(12, 3);
    addRow(13, 4);
    openAndShow();
    int statements = 0;
    electives->beforeDelete = [this, &statements](Dataset& dataset) {
        electives->dropRow(dataset.fieldByName(QStringLiteral("id")).value());
        ++statements;
        dataset.close();
        dataset.open();
        throw Abort();
    };
    // The second selected row lies behind the first: after a reload its old bookmark would
    // designate another record.
    selectRec(recOfId(11));
    selectRec(recOfId(13));
    notices.answerYes = true;
    press(Qt::Key_Delete);
    EXPECT_EQ(statements, 2);
    EXPECT_EQ(ids(), (std::vector<int>{10, 12}));
    EXPECT_EQ(codes, (Codes{qfeDone, qfeDone}));
    EXPECT_FALSE(electives->controlsDisabled());
}

TEST_F(ActionsTest, DeletingAPastedRowRemovesItsMark) {
    threeRows();
    clipboard.data = QByteArray(
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02"
        "3\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02");
    events->PasteRows();
    ASSERT_EQ(events->PastedValues().size(), 2);
    const QString second = events->PastedValues().at(1);
    selectRec(recOfId(events->PastedValues().at(0).toInt()));
    press(Qt::Key_Delete);
    EXPECT_EQ(events->PastedValues(), QStringList{second});
}

}  // namespace
}  // namespace zev::testing
