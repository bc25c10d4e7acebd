// The window after sign-in and the selection cascade, driven as a user picks entries.
#include "RegistrationFixture.h"

#include "data/DataModule.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cstdlib>

namespace zev::testing {
namespace {

using Cascade = RegistrationWindow;

std::vector<DBLookupComboBox*> below(TForm1& w, DBLookupComboBox* from) {
    const std::vector<DBLookupComboBox*> order = {
        w.DBLookupComboBox1, w.DBLookupComboBox7, w.DBLookupComboBox4, w.DBLookupComboBox2,
        w.DBLookupComboBox5, w.DBLookupComboBox3, w.DBLookupComboBox6};
    auto it = std::find(order.begin(), order.end(), from);
    return {it + 1, order.end()};
}

// After a choice in `chosen`, `next` is enabled, its list dropped down with `entries`, and every
// drop-down after `next` is empty and disabled.
void expectOpenedNext(TForm1& w, DBLookupComboBox* chosen, DBLookupComboBox* next,
                      const QStringList& entries) {
    EXPECT_TRUE(next->isEnabled());
    EXPECT_TRUE(next->listVisible());
    EXPECT_FALSE(next->keyValue().has_value());
    ASSERT_FALSE(entries.isEmpty());
    ASSERT_EQ(next->listRowCount(), entries.size());
    for (int row = 0; row < entries.size(); ++row) {
        EXPECT_EQ(next->listText(row), entries[row]);
    }
    for (DBLookupComboBox* later : below(w, next)) {
        EXPECT_FALSE(later->isEnabled()) << later->objectName().toStdString();
        EXPECT_FALSE(later->keyValue().has_value());
    }
    EXPECT_TRUE(chosen->keyValue().has_value());
}

TEST_F(Cascade, SignInThroughTheAuthenticationWindowOpensTheStartLists) {
    EXPECT_EQ(window->UserLogin, QStringLiteral("ivanova"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ZEV 32 Регистратор предметов по выбору"));
    EXPECT_EQ(Form8, nullptr);
    EXPECT_TRUE(dm->ADOQ_Faculty->isOpen());
    EXPECT_TRUE(dm->ADOQ_Year->isOpen());
    EXPECT_TRUE(dm->ADOQ_Semester->isOpen());
    EXPECT_EQ(dm->ADOQ_Faculty->recordCount(), 3);  // ivanova works for every faculty
    EXPECT_TRUE(window->DBLookupComboBox1->isEnabled());
    for (DBLookupComboBox* box : below(*window, window->DBLookupComboBox1)) {
        EXPECT_FALSE(box->isEnabled());
    }
    EXPECT_FALSE(dm->ADOQ_SelectDisciplineForStudent->isOpen());
    EXPECT_EQ(window->QFDBGridEh1->model()->rowCount(), 0);
    EXPECT_TRUE(notices.errors.empty());
}

TEST_F(Cascade, TheWindowStartsCentredAtItsDesignSize) {
    EXPECT_EQ(window->size(), QSize(797, 538));
    EXPECT_EQ(window->minimumWidth(), 797);
    const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(window->geometry().center().x() - desktop.center().x()), 3);
    EXPECT_LE(std::abs(window->geometry().center().y() - desktop.center().y()), 3);
}

TEST_F(Cascade, EachChoiceOpensTheNextListAndDisablesTheRest) {
    TForm1& w = *window;
    choose(*w.DBLookupComboBox1, QStringLiteral("id_faculty"), QStringLiteral("1"));
    expectOpenedNext(w, w.DBLookupComboBox1, w.DBLookupComboBox7,
                     column(*dm->ADOQ_f_educ, QStringLiteral("p108")));
    EXPECT_EQ(dm->ADOQ_f_educ->recordCount(), 2);  // full-time and part-time

    choose(*w.DBLookupComboBox7, QStringLiteral("id_f_educ"), QStringLiteral("1"));
    expectOpenedNext(w, w.DBLookupComboBox7, w.DBLookupComboBox4,
                     column(*dm->ADOQ_Speciality, QStringLiteral("p25-2")));

    choose(*w.DBLookupComboBox4, QStringLiteral("id_speciality"), QStringLiteral("1"));
    expectOpenedNext(w, w.DBLookupComboBox4, w.DBLookupComboBox2,
                     column(*dm->ADOQ_Year, QStringLiteral("p32")));
    EXPECT_EQ(w.DBLookupComboBox4->keyText(), QStringLiteral("1"));  // the choice stays shown
    EXPECT_FALSE(w.DBLookupComboBox4->text().isEmpty());
    EXPECT_TRUE(dm->ADOQ_Semester2->isOpen());

    choose(*w.DBLookupComboBox2, QStringLiteral("p32"), QStringLiteral("2024/2025"));
    expectOpenedNext(w, w.DBLookupComboBox2, w.DBLookupComboBox5,
                     column(*dm->ADOQ_Semester, QStringLiteral("p43")));
    EXPECT_EQ(dm->ADOQ_Semester->recordCount(), 8);

    choose(*w.DBLookupComboBox5, QStringLiteral("id_semester"), QStringLiteral("3"));
    const QStringList groups = column(*dm->ADOQ_group, QStringLiteral("p20"));
    expectOpenedNext(w, w.DBLookupComboBox5, w.DBLookupComboBox3, groups);
    EXPECT_TRUE(groups.contains(QStringLiteral("ИВТ-24")));

    choose(*w.DBLookupComboBox3, QStringLiteral("p20"), QStringLiteral("ИВТ-24"));
    expectOpenedNext(w, w.DBLookupComboBox3, w.DBLookupComboBox6,
                     column(*dm->ADOQ_Students, QStringLiteral("s_fio")));
    EXPECT_EQ(dm->ADOQ_Students->recordCount(), 6);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
}

// The chosen-disciplines rows belong to the student chosen before: a choice above the student
// takes them away with the electives, so that nothing can be edited or posted without him.
TEST_F(Cascade, ARechoiceAboveTheStudentEmptiesBothGrids) {
    walkToGroup();
    chooseStudent(0);
    ASSERT_GT(window->QFDBGridEh1->model()->rowCount(), 0);
    const int chosenRows = window->DBGridEh1->model()->rowCount();
    ASSERT_GT(chosenRows, 0);

    choose(*window->DBLookupComboBox5, QStringLiteral("id_semester"), QStringLiteral("3"));
    EXPECT_FALSE(dm->ADOQ_SelectDisciplineForStudent->isOpen());
    EXPECT_EQ(window->QFDBGridEh1->model()->rowCount(), 0);
    EXPECT_FALSE(dm->ADOQ_disciplineForStudent2->isOpen());
    EXPECT_EQ(window->DBGridEh1->model()->rowCount(), 0);
    // Down in the empty lower grid adds no row to post without a student.
    QTest::keyClick(window->DBGridEh1, Qt::Key_Down);
    EXPECT_EQ(window->DBGridEh1->model()->rowCount(), 0);
    EXPECT_FALSE(window->DBLookupComboBox6->isEnabled());
    EXPECT_FALSE(window->DBLookupComboBox6->keyValue().has_value());
    EXPECT_TRUE(window->DBLookupComboBox3->isEnabled());

    // The same faculty again clears everything below it and reopens the form of education.
    choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), QStringLiteral("1"));
    EXPECT_TRUE(window->DBLookupComboBox7->isEnabled());
    EXPECT_FALSE(window->DBLookupComboBox7->keyValue().has_value());
    for (DBLookupComboBox* box : below(*window, window->DBLookupComboBox7)) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_FALSE(box->keyValue().has_value());
    }
    EXPECT_EQ(window->QFDBGridEh1->model()->rowCount(), 0);
    EXPECT_EQ(window->DBGridEh1->model()->rowCount(), 0);

    // The next student choice fills it again.
    choose(*window->DBLookupComboBox7, QStringLiteral("id_f_educ"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox4, QStringLiteral("id_speciality"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox2, QStringLiteral("p32"), QStringLiteral("2024/2025"));
    choose(*window->DBLookupComboBox5, QStringLiteral("id_semester"), QStringLiteral("3"));
    choose(*window->DBLookupComboBox3, QStringLiteral("p20"), QStringLiteral("ИВТ-24"));
    chooseStudent(0);
    EXPECT_EQ(window->DBGridEh1->model()->rowCount(), chosenRows);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
}

TEST_F(Cascade, TheStudentsAreListedByNameWithTheStatementUnchanged) {
    walkToGroup();
    const QStringList names = column(*dm->ADOQ_Students, QStringLiteral("s_fio"));
    ASSERT_EQ(names.size(), 6);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(names, sorted);
    for (int row = 0; row < names.size(); ++row) {
        EXPECT_EQ(window->DBLookupComboBox6->listText(row), names[row]);
    }
    EXPECT_FALSE(dm->ADOQ_Students->sql().contains(QStringLiteral("ORDER BY")));
}

TEST_F(Cascade, UpAndDownOnAClosedDropDownChooseThePreviousAndNextEntry) {
    choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), QStringLiteral("1"));
    DBLookupComboBox& form = *window->DBLookupComboBox7;
    form.closeUp();
    form.setFocus();
    QTest::keyClick(&form, Qt::Key_Down);  // nothing chosen yet: the first entry
    EXPECT_FALSE(form.listVisible());
    const QStringList keys = column(*dm->ADOQ_f_educ, QStringLiteral("id_f_educ"));
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(form.keyText(), keys[0]);
    // Each choice runs the cascade: the speciality list is opened for it.
    EXPECT_TRUE(window->DBLookupComboBox4->isEnabled());
    window->DBLookupComboBox4->closeUp();
    QTest::keyClick(&form, Qt::Key_Down);
    EXPECT_EQ(form.keyText(), keys[1]);
    QTest::keyClick(&form, Qt::Key_Down);  // the last entry stays
    EXPECT_EQ(form.keyText(), keys[1]);
    window->DBLookupComboBox4->closeUp();
    QTest::keyClick(&form, Qt::Key_Up);
    EXPECT_EQ(form.keyText(), keys[0]);
    EXPECT_TRUE(notices.errors.empty());
}

TEST_F(Cascade, EveryDropDownIsNamedByItsCaption) {
    const std::pair<DBLookupComboBox*, const char*> named[] = {
        {window->DBLookupComboBox1, "Факультет"},     {window->DBLookupComboBox7, "Форма обученя"},
        {window->DBLookupComboBox4, "Специальность"}, {window->DBLookupComboBox2, "Учебный год"},
        {window->DBLookupComboBox5, "Семестр"},       {window->DBLookupComboBox3, "Группа"},
        {window->DBLookupComboBox6, "Студент"},
    };
    for (const auto& [box, name] : named) {
        EXPECT_EQ(box->accessibleName(), QString::fromUtf8(name));
    }
    EXPECT_EQ(window->Label6->buddy(), window->DBLookupComboBox6);
}

TEST_F(Cascade, TheSpecialityListStaysOnTheScreenAndFitsItsLongestEntry) {
    choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox7, QStringLiteral("id_f_educ"), QStringLiteral("1"));
    DBLookupComboBox& speciality = *window->DBLookupComboBox4;
    ASSERT_TRUE(speciality.listVisible());
    QWidget& popup = *speciality.listWidget()->window();
    const QRect screen = speciality.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(popup.frameGeometry()))
        << popup.frameGeometry().x() << " " << popup.frameGeometry().width();
    const QFontMetrics metrics(speciality.listWidget()->font());
    int longest = 0;
    for (int row = 0; row < speciality.listRowCount(); ++row) {
        longest = std::max(longest, metrics.horizontalAdvance(speciality.listText(row)));
    }
    EXPECT_GE(speciality.listWidget()->viewport()->width(), longest);
    EXPECT_GE(popup.width(), 700);  // the list's own width where the screen has room
}

TEST_F(Cascade, AFailureInTheMiddleOfAStudentChoiceReleasesTheAfterScrollRule) {
    walkToGroup();
    failOn = QStringLiteral("SelectDisciplineForStudent");
    chooseStudent(0);
    ASSERT_EQ(notices.errors.size(), 1u);
    EXPECT_EQ(notices.errors.front(), QStringLiteral("Refused by the test server"));
    EXPECT_EQ(dm->ADOQ_SelectDisciplineForStudent->tag(), 0);

    // The next choice works in full again, the rule narrowing the lists for the first row.
    failOn.clear();
    chooseStudent(1);
    EXPECT_EQ(dm->ADOQ_SelectDisciplineForStudent->tag(), 0);
    EXPECT_TRUE(dm->ADOQ_SelectDisciplineForStudent->isOpen());
    EXPECT_TRUE(dm->ADOQ_Semester2->filtered());
    EXPECT_TRUE(dm->ADOQ_SubGroup->filtered());
}

}  // namespace
}  // namespace zev::testing
