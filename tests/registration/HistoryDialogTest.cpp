// The "История" dialog, opened from the window's "Запись" menu by its shortcuts: a student's
// changes newest first, in words (who, what, the names of the values), the history of the
// current row of the focused grid, an empty history said as such, and Escape closing it.
#include "RegistrationFixture.h"

#include "data/DataModule.h"
#include "registration/HistoryDialog.h"
#include "registration/RegistrationMenus.h"
#include "server/EmbeddedServer.h"
#include "widgets/DBGridEh.h"
#include "widgets/DBGridModel.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace zev::testing {
namespace {

using namespace Qt::StringLiterals;

// What the dialog showed when it opened.
struct Shown {
    QString title;
    QString subject;
    bool emptyShown = false;
    std::vector<QStringList> rows;  // the grid's texts, row by row
    bool closedByEscape = false;
};

class HistoryDialogs : public RegistrationWindow {
protected:
    void SetUp() override {
        RegistrationWindow::SetUp();
        walkToGroup();
        chooseStudent(1);
        ASSERT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
        window->showHistoryDialog = [this](HistoryDialog& dialog) { look(dialog); };
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    Dataset& chosen() const { return *dm->ADOQ_disciplineForStudent2; }

    // Reads the dialog as the user sees it, keeps its picture, and closes it with Escape.
    void look(HistoryDialog& dialog) {
        dialog.show();
        Shown seen;
        seen.title = dialog.windowTitle();
        seen.subject = dialog.SubjectLabel->text();
        seen.emptyShown = dialog.EmptyLabel->isVisible();
        const DBGridModel& model = dialog.HistoryGrid->gridModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            QStringList texts;
            for (int col = 0; col < dialog.HistoryGrid->columnCount(); ++col) {
                texts << model.cellText(row, col);
            }
            seen.rows.push_back(texts);
        }
        dialog.grab().save(QDir::current().filePath(u"history-dialog-%1.png"_qs.arg(shown.size())));
        QWidget* focused = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
        QTest::keyClick(focused, Qt::Key_Escape);
        seen.closedByEscape = !dialog.isVisible() && dialog.result() == QDialog::Rejected;
        shown.push_back(seen);
    }

    // A new stream for the chosen discipline in the lower grid's first row, posted; answers the
    // row's key (after the post the grid stands on its last row).
    QString changeFirstChosenStream() {
        DBGridEh& grid = *window->DBGridEh1;
        grid.setFocus();
        chosen().first();
        QString key = column(chosen(), u"id_disciplineForStudent2"_qs).value(0);
        const QString teacher = column(chosen(), u"id_teacher"_qs).value(0);
        grid.commitLookupChoice(grid.column(2), Value{teacher.toLongLong()}, QString());
        grid.commitLookupChoice(grid.column(3), Value{qint64{247}}, QString());
        chosen().post();
        EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
        return key;
    }

    std::vector<Shown> shown;
};

TEST_F(HistoryDialogs, TheStudentsChangesAreListedNewestFirstInWords) {
    const QString oldStream = column(chosen(), u"subgroup"_qs).value(0);
    const QString key = changeFirstChosenStream();
    // A later change of one of the student's electives by another program on the staff account.
    const QString elective =
        column(*dm->ADOQ_SelectDisciplineForStudent, u"id_disciplineForStudent"_qs).value(0);
    {
        auto other =
            server::Session::open(demo.databaseFile, QString::fromLatin1(server::kStaffUser),
                                  QString::fromLatin1(server::kStaffPassword));
        ASSERT_EQ(other->execute(u"UPDATE DisciplineForStudent SET subgroup = 246 "
                                 u"WHERE id_disciplineForStudent = ?"_qs,
                                 {Value{elective.toLongLong()}}),
                  1);
    }

    QTest::keyClick(window->DBGridEh1, Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(shown.size(), 1u);
    const Shown& student = shown[0];
    EXPECT_EQ(student.title, u"История студента"_qs);
    EXPECT_EQ(student.subject, u"Студент: "_qs + window->DBLookupComboBox6->text());
    EXPECT_FALSE(student.emptyShown);
    ASSERT_EQ(student.rows.size(), 2u);
    // Newest first: the other program's change, then the member of staff's.
    const QStringList& latest = student.rows[0];
    EXPECT_EQ(latest[1], u"учётная запись zev_staff"_qs);
    EXPECT_EQ(latest[2], u"Изменение"_qs);
    EXPECT_EQ(latest[3], u"Предмет по выбору № "_qs + elective);
    EXPECT_EQ(latest[4], u"Поток"_qs);
    EXPECT_EQ(latest[6], u"246"_qs);
    const QStringList& earlier = student.rows[1];
    EXPECT_EQ(earlier[1], u"ivanova"_qs);
    EXPECT_EQ(earlier[2], u"Изменение"_qs);
    EXPECT_EQ(earlier[3], u"Выбранная дисциплина № "_qs + key);
    EXPECT_EQ(earlier[4], u"Поток"_qs);
    EXPECT_EQ(earlier[5], oldStream);
    EXPECT_EQ(earlier[6], u"247"_qs);
    // The time is the local time of the change, to the second.
    EXPECT_TRUE(QDateTime::fromString(earlier[0], u"dd.MM.yyyy HH:mm:ss"_qs).isValid())
        << earlier[0].toStdString();
    EXPECT_TRUE(student.closedByEscape);
}

TEST_F(HistoryDialogs, TheRowHistoryIsThatOfTheFocusedGridsCurrentRow) {
    const QString key = changeFirstChosenStream();
    chosen().first();
    window->DBGridEh1->setFocus();
    QTest::keyClick(window->DBGridEh1, Qt::Key_H, Qt::ControlModifier);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, u"История записи"_qs);
    EXPECT_TRUE(shown[0].subject.startsWith(u"Выбранная дисциплина № "_qs + key))
        << shown[0].subject.toStdString();
    ASSERT_EQ(shown[0].rows.size(), 1u);
    EXPECT_EQ(shown[0].rows[0][4], u"Поток"_qs);
    EXPECT_TRUE(shown[0].closedByEscape);

    // In the electives grid, whose current row nobody changed: the history says so.
    window->QFDBGridEh1->setFocus();
    QTest::keyClick(window->QFDBGridEh1, Qt::Key_H, Qt::ControlModifier);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].subject.startsWith(u"Предмет по выбору № "_qs))
        << shown[1].subject.toStdString();
    EXPECT_TRUE(shown[1].emptyShown);
    EXPECT_TRUE(shown[1].rows.empty());
    EXPECT_TRUE(shown[1].closedByEscape);

    // A new row of the lower grid, not saved yet, has no history: the notice says so.
    window->DBGridEh1->setFocus();
    chosen().append();
    notices.messages.clear();
    QTest::keyClick(window->DBGridEh1, Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(shown.size(), 2u);
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages[0].text, u"Запись ещё не сохранена: истории у неё нет."_qs);
    chosen().cancel();
}

TEST_F(HistoryDialogs, TheMenuOffersBothWithTheirShortcuts) {
    RegistrationMenus& menus = window->Menus;
    EXPECT_EQ(menus.record->title().remove(u'&'), u"Запись"_qs);
    EXPECT_EQ(menus.rowHistory->text().remove(u'&'), u"История записи…"_qs);
    EXPECT_EQ(menus.rowHistory->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_EQ(menus.studentHistory->text().remove(u'&'), u"История студента…"_qs);
    EXPECT_EQ(menus.studentHistory->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    // Chosen from the menu, as with the mouse.
    menus.studentHistory->trigger();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].emptyShown) << "nobody changed the student's rows yet";

    // With no student chosen the menu says so instead.
    const QString group = window->DBLookupComboBox3->keyText();
    QString other = group;
    for (const QString& listed : column(*dm->ADOQ_group, u"id_group"_qs)) {
        if (listed != group) {
            other = listed;
        }
    }
    choose(*window->DBLookupComboBox3, u"id_group"_qs, other);
    ASSERT_TRUE(window->DBLookupComboBox6->keyText().isEmpty());
    notices.messages.clear();
    menus.studentHistory->trigger();
    EXPECT_EQ(shown.size(), 1u);
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages[0].text, u"Студент не выбран."_qs);
}

}  // namespace
}  // namespace zev::testing
