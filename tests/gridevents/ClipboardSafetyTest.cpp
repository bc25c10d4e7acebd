// What copy and cut must never do to the clipboard: overwrite what the user holds when the
// component does not copy, lose a cut, carry a value the payload cannot hold, or act on function
// keys that share codes with letters. Every case runs with the in-memory clipboard and with the
// platform clipboard.
#include "tests/gridevents/GridFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace zev::testing {
namespace {

using Codes = std::vector<quint16>;

const QString kUsersText = QStringLiteral("Текст из другой программы");

class ClipboardSafetyTest : public GridFixture, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        if (GetParam()) {
            Clipboard::install(nullptr);  // the platform clipboard
        }
        QGuiApplication::clipboard()->setText(kUsersText);
    }

    void threeRows() {
        addRow(1, 7, 1, 1, 3, 2, 5);
        addRow(2, 8, 2, 2, 4, 1, 6);
        addRow(3, 9, 3, 1, 1, 1, 1);
        openAndShow();
    }

    // The component's rows on the clipboard in use.
    std::optional<QByteArray> payload() { return Clipboard::instance().read(); }

    // Puts rows on the clipboard in use, as another grid's copy would.
    void putRows(const QByteArray& rows) {
        Clipboard::instance().write(rows);
        clipboard.writes = 0;
    }

    // Nothing of the component reached either clipboard: the user's text is still there.
    void expectClipboardUntouched() {
        EXPECT_EQ(QGuiApplication::clipboard()->text(), kUsersText);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(data, nullptr);
        EXPECT_FALSE(data->hasFormat(gridEditMimeType()));
        EXPECT_EQ(clipboard.writes, 0);
        EXPECT_FALSE(clipboard.data.has_value());
    }

    // Makes the hidden fixed-discipline column visible, so that its texts travel in the payload.
    void showFixedDisciplineColumn() {
        grid->column(1).visible = true;
        grid->refreshColumns();
    }
    void setFixedText(int storedRow, const QString& text) {
        electives->rows.cells[static_cast<std::size_t>(storedRow) * 8 + 7] = Value{text};
    }
};

TEST_P(ClipboardSafetyTest, AHookedGridThatDoesNotCopyLeavesTheClipboardAlone) {
    threeRows();
    // As the registration window has it: delete is the only action.
    events->setEditActions(geaDeleteEh);
    grid->setFocus();
    gotoRec(2);
    press(Qt::Key_C);
    press(Qt::Key_Insert);
    expectClipboardUntouched();
    selectRec(1);
    press(Qt::Key_C);
    expectClipboardUntouched();

    // Copy enabled, but no row selected: still nothing.
    events->setEditActions(geaCopyEh | geaDeleteEh);
    grid->selectedRows().clear();
    press(Qt::Key_C);
    expectClipboardUntouched();
    EXPECT_TRUE(codes.empty());
}

TEST_P(ClipboardSafetyTest, ACutSurvivesTheNextCopyAndCut) {
    threeRows();
    selectRec(1);
    selectRec(2);
    gotoRec(3);
    notices.answerYes = true;
    press(Qt::Key_X);
    ASSERT_EQ(ids(), std::vector<int>{3});
    const QByteArray cutRows(
        "1\x01"
        "1\x01"
        "3\x01"
        "2\x01"
        "5\x01\x02"
        "2\x01"
        "2\x01"
        "4\x01"
        "1\x01"
        "6\x01\x02");
    ASSERT_EQ(payload(), cutRows);
    // The cut rows left the selection.
    EXPECT_EQ(grid->selectedRows().count(), 0);
    EXPECT_EQ(codes, Codes{qfeDone});

    press(Qt::Key_C);
    press(Qt::Key_X);
    EXPECT_EQ(payload(), cutRows);
    EXPECT_EQ(codes, Codes{qfeDone});
    EXPECT_EQ(notices.questions.size(), 1u);

    // They paste back whole.
    press(Qt::Key_V);
    EXPECT_EQ(electives->recordCount(), 3);
}

TEST_P(ClipboardSafetyTest, AValueThePayloadCannotCarryStopsCopyAndCut) {
    addRow(1, 7);
    addRow(2, 8);
    addRow(3, 9);
    addRow(4, 6);
    setFixedText(0, QStringLiteral("Алгебра"));
    setFixedText(1, QStringLiteral("Линейная\x01алгебра"));
    setFixedText(2, QStringLiteral("Строка\x02вторая"));
    setFixedText(3, QStringLiteral("Алгебра 日本"));
    showFixedDisciplineColumn();
    openAndShow();
    for (int bad = 2; bad <= 4; ++bad) {
        SCOPED_TRACE(bad);
        notices.clear();
        grid->selectedRows().clear();
        selectRec(1);
        selectRec(bad);
        press(Qt::Key_C);
        ASSERT_EQ(notices.shown().size(), 1u);
        const QString message = notices.shown().front();
        EXPECT_TRUE(message.contains(QStringLiteral("строке %1").arg(bad)))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("«Зафиксированная дисциплина»")))
            << message.toStdString();
        expectClipboardUntouched();

        notices.answerYes = true;
        press(Qt::Key_X);
        EXPECT_EQ(notices.shown().size(), 2u);
        expectClipboardUntouched();
        EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3, 4}));
        EXPECT_EQ(grid->selectedRows().count(), 2);
        EXPECT_FALSE(electives->controlsDisabled());
    }
    EXPECT_TRUE(codes.empty());

    // A row whose values the payload carries is copied as before, Cyrillic included.
    grid->selectedRows().clear();
    selectRec(1);
    press(Qt::Key_C);
    EXPECT_EQ(payload(), QByteArray("1\x01"
                                    "\xC0\xEB\xE3\xE5\xE1\xF0\xE0\x01"
                                    "1\x01"
                                    "1\x01"
                                    "1\x01"
                                    "1\x01\x02"));
}

TEST_P(ClipboardSafetyTest, CtrlF7AndCtrlF9AreNotPasteAndCut) {
    threeRows();
    putRows(
        QByteArray("2\x01"
                   "1\x01"
                   "1\x01"
                   "1\x01"
                   "1\x01\x02"));
    selectRec(2);
    notices.answerYes = true;
    press(Qt::Key_F7);
    press(Qt::Key_F9);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(events->PastedValues().isEmpty());
    EXPECT_TRUE(notices.questions.empty());
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(clipboard.writes, 0);

    // The letters themselves still act.
    press(Qt::Key_V);
    EXPECT_EQ(electives->recordCount(), 4);
    EXPECT_EQ(events->PastedValues().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Clipboards, ClipboardSafetyTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& clipboardKind) {
                             return clipboardKind.param ? "PlatformClipboard" : "MemoryClipboard";
                         });

}  // namespace
}  // namespace zev::testing
