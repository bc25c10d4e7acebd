// The component's keys pressed inside an open cell editor: what was typed is kept, and a text
// editor keeps its own clipboard keys.
#include "tests/gridevents/GridFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

namespace zev::testing {
namespace {

constexpr int kSemesterColumn = 3;  // a plain integer column: a text editor

class EditorKeysTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        addRow(1, 7);
        addRow(2, 8);
        addRow(3, 9);
        openAndShow();
    }

    // Opens the semester cell of a record and types a text over its value, without leaving it.
    QLineEdit* typeIntoSemester(int recNo, const QString& text) {
        gotoRec(recNo);
        grid->setCurrentDataColumn(kSemesterColumn);
        grid->edit(grid->model()->index(recNo - 1, kSemesterColumn + 1));
        auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
        if (editor == nullptr) {
            ADD_FAILURE() << "no text editor opened";
            return nullptr;
        }
        editor->selectAll();
        QTest::keyClicks(editor, text);
        return editor;
    }

    QString semesterOf(int id) {
        const int rec = recOfId(id);
        EXPECT_GT(rec, 0);
        Dataset::DisplayRow row(*electives, rec - 1);
        return electives->fieldByName(QStringLiteral("id_semester")).text();
    }
};

TEST_F(EditorKeysTest, CtrlDeleteKeepsTheTypedText) {
    selectRec(1);
    QLineEdit* editor = typeIntoSemester(2, QStringLiteral("7"));
    ASSERT_NE(editor, nullptr);
    notices.answerYes = true;
    QTest::keyClick(editor, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ids(), (std::vector<int>{2, 3}));
    EXPECT_EQ(semesterOf(2), QStringLiteral("7"));
    EXPECT_EQ(electives->state(), DatasetState::Browse);
}

TEST_F(EditorKeysTest, CtrlCInATextEditorCopiesItsTextNotTheRows) {
    selectRec(1);
    QLineEdit* editor = typeIntoSemester(2, QStringLiteral("7"));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("7"));
    EXPECT_EQ(clipboard.writes, 0);
    // The editor is still open on its row with what was typed.
    EXPECT_EQ(grid->cellEditor(), editor);
    EXPECT_EQ(editor->text(), QStringLiteral("7"));
    EXPECT_EQ(electives->recNo(), 2);
    QTest::keyClick(editor, Qt::Key_Down);  // leaving the row keeps it
    EXPECT_EQ(semesterOf(2), QStringLiteral("7"));
}

TEST_F(EditorKeysTest, CtrlVInATextEditorPastesText) {
    clipboard.data = QByteArray(
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02");
    QGuiApplication::clipboard()->setText(QStringLiteral("42"));
    QLineEdit* editor = typeIntoSemester(2, QStringLiteral("7"));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("42"));
    EXPECT_EQ(electives->recordCount(), 3);
    EXPECT_TRUE(events->PastedValues().isEmpty());
    EXPECT_TRUE(codes.empty());
}

}  // namespace
}  // namespace zev::testing
