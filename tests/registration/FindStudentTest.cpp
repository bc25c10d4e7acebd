// Finding a student by name in the top panel: the list follows the typed text, the keyboard
// takes a student, and the cascade is then set as choosing by hand would set it.
#include "RegistrationFixture.h"
#include "TypeText.h"

#include "data/DataModule.h"
#include "registration/StudentSearch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

namespace zev::testing {
namespace {

using FindStudentWindow = RegistrationWindow;

std::vector<DBLookupComboBox*> cascadeOf(TForm1& w) {
    return {w.DBLookupComboBox1, w.DBLookupComboBox7, w.DBLookupComboBox4, w.DBLookupComboBox2,
            w.DBLookupComboBox5, w.DBLookupComboBox3, w.DBLookupComboBox6};
}

std::vector<qint64> keysOf(const FoundStudent& s) {
    return {s.faculty, s.formOfEducation, s.speciality, s.year, s.semester, s.group, s.student};
}

std::vector<qint64> keysOf(TForm1& w) {
    std::vector<qint64> keys;
    for (DBLookupComboBox* box : cascadeOf(w)) {
        keys.push_back(box->keyValue().value_or(-1));
    }
    return keys;
}

// The electives rows as the grid holds them: key, discipline and group of alternatives.
QStringList electiveRows(TDM_MB& dm) {
    Dataset& rows = *dm.ADOQ_SelectDisciplineForStudent;
    QStringList shown;
    for (int r = 0; r < rows.recordCount(); ++r) {
        const Dataset::DisplayRow row(rows, r);
        shown << rows.fieldByName(QStringLiteral("id_disciplineForStudent")).text() + u'/' +
                     rows.fieldByName(QStringLiteral("id_discipline")).text() + u'/' +
                     rows.fieldByName(QStringLiteral("descGroupNum")).text();
    }
    return shown;
}

QString joined(const std::vector<QString>& statements) {
    return QStringList(statements.begin(), statements.end()).join(u'\n');
}

TEST_F(FindStudentWindow, TypingListsTheStudentsAndEnterSetsTheCascadeAsByHand) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    StudentSearch& search = *window->StudentSearch1;
    search.edit()->setFocus();
    typeText(search.edit(), QStringLiteral("фЕдОр"));
    ASSERT_TRUE(search.listShown());
    ASSERT_GT(search.results().size(), 1u);
    QTreeWidget& list = *search.resultList();
    ASSERT_EQ(list.topLevelItemCount(), static_cast<int>(search.results().size()));
    for (int r = 0; r < list.topLevelItemCount(); ++r) {
        EXPECT_TRUE(list.topLevelItem(r)->text(0).startsWith(QStringLiteral("Фёдор")))
            << list.topLevelItem(r)->text(0).toStdString();
        EXPECT_FALSE(list.topLevelItem(r)->text(1).isEmpty());  // group
        EXPECT_FALSE(list.topLevelItem(r)->text(4).isEmpty());  // semester
    }
    EXPECT_EQ(list.currentItem(), list.topLevelItem(0));
    QTest::keyClick(search.edit(), Qt::Key_Down);
    EXPECT_EQ(list.currentItem(), list.topLevelItem(1));
    QTest::keyClick(search.edit(), Qt::Key_Up);
    QTest::keyClick(search.edit(), Qt::Key_Up);  // stays on the first
    EXPECT_EQ(list.currentItem(), list.topLevelItem(0));
    QTest::keyClick(search.edit(), Qt::Key_Down);
    const FoundStudent wanted = search.results()[1];

    QTest::keyClick(search.edit(), Qt::Key_Return);
    EXPECT_FALSE(search.listShown());
    EXPECT_EQ(keysOf(*window), keysOf(wanted));
    EXPECT_EQ(window->DBLookupComboBox6->text(), wanted.name);
    for (DBLookupComboBox* box : cascadeOf(*window)) {
        EXPECT_TRUE(box->isEnabled());
        EXPECT_FALSE(box->listVisible());  // no list dropped down on the way
    }
    EXPECT_TRUE(window->QFDBGridEh1->hasFocus());
    const QStringList rowsBySearch = electiveRows(*dm);
    ASSERT_FALSE(rowsBySearch.isEmpty());
    EXPECT_TRUE(notices.messages.empty());
    EXPECT_TRUE(notices.errors.empty());

    // The same choices by hand send the same statements and show the same rows as the search's
    // choice does from the same state.
    markLog();
    const std::vector<qint64> keys = keysOf(wanted);
    const std::vector<DBLookupComboBox*> boxes = cascadeOf(*window);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        choose(*boxes[i], boxes[i]->keyField(), QString::number(keys[i]));
    }
    const std::vector<QString> byHand = log;
    EXPECT_EQ(electiveRows(*dm), rowsBySearch);
    markLog();
    window->chooseFoundStudent(wanted);
    EXPECT_EQ(joined(log).toStdString(), joined(byHand).toStdString());
    EXPECT_EQ(electiveRows(*dm), rowsBySearch);
    EXPECT_EQ(keysOf(*window), keys);
}

TEST_F(FindStudentWindow, CtrlKEscapeAndATextThatFindsNobody) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    StudentSearch& search = *window->StudentSearch1;
    EXPECT_TRUE(window->DBLookupComboBox1->hasFocus())  // the faculty keeps the focus at start
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                        : "none");
    QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(search.edit()->hasFocus());
    typeText(search.edit(), QStringLiteral("Ив"));
    ASSERT_TRUE(search.listShown());
    QTest::keyClick(search.edit(), Qt::Key_Escape);
    EXPECT_FALSE(search.listShown());
    EXPECT_EQ(search.edit()->text(), QStringLiteral("Ив"));

    // Ctrl+K in a text editor is the search too, not the editor's delete to the end of the line.
    search.edit()->setCursorPosition(0);
    QTest::keyClick(search.edit(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(search.edit()->text(), QStringLiteral("Ив"));
    EXPECT_EQ(search.edit()->selectedText(), QStringLiteral("Ив"));
    QTest::keyClick(search.edit(), Qt::Key_Escape);

    // Ctrl+K again from elsewhere: the text is selected, so typing replaces it.
    window->DBLookupComboBox1->setFocus();
    QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(search.edit()->hasFocus());
    EXPECT_EQ(search.edit()->selectedText(), QStringLiteral("Ив"));
    EXPECT_TRUE(search.listShown());
    typeText(search.edit(), QStringLiteral("Ъъъ"));
    EXPECT_EQ(search.edit()->text(), QStringLiteral("Ъъъ"));
    ASSERT_TRUE(search.listShown());
    EXPECT_TRUE(search.results().empty());
    EXPECT_EQ(search.resultList()->topLevelItem(0)->text(0), QStringLiteral("Студент не найден"));
    QTest::keyClick(search.edit(), Qt::Key_Return);  // nothing to take
    EXPECT_FALSE(window->DBLookupComboBox7->isEnabled());
    search.edit()->clear();
    EXPECT_FALSE(search.listShown());
}

TEST_F(FindStudentWindow, AStudentWhomAListDoesNotHoldStopsTheCascadeWithANotice) {
    window->StudentSearch1->edit()->setText(QStringLiteral("с"));
    ASSERT_FALSE(window->StudentSearch1->results().empty());
    FoundStudent gone = window->StudentSearch1->results().front();
    gone.group = 999999;  // moved away since the search
    window->chooseFoundStudent(gone);
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages[0].text,
              QStringLiteral("В списке «Группа» нет строки для студента %1.").arg(gone.name));
    EXPECT_EQ(notices.messages[0].caption, QStringLiteral("Уведомление"));
    EXPECT_EQ(window->DBLookupComboBox5->keyValue(), gone.semester);
    EXPECT_FALSE(window->DBLookupComboBox3->keyValue().has_value());
    EXPECT_FALSE(window->DBLookupComboBox6->isEnabled());
    EXPECT_FALSE(window->DBLookupComboBox3->listVisible());
}

}  // namespace
}  // namespace zev::testing
