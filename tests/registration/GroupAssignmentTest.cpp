// One elective place assigned to a group from the menu "Группа": the dialog's lists and preview,
// the rows written through the electives' record rules in one transaction with the server's
// history of each, nothing written when one row fails, and the grid showing the result.
#include "AssignmentChoice.h"
#include "RegistrationFixture.h"

#include "DatabaseFile.h"

#include "data/DataModule.h"
#include "registration/GroupAssignmentCommands.h"
#include "registration/GroupAssignmentDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <map>

namespace zev::testing {
namespace {

class GroupAssignment : public RegistrationWindow {
protected:
    void SetUp() override {
        RegistrationWindow::SetUp();
        walkToGroup();
        groupKey = window->DBLookupComboBox3->keyText();
    }

    GroupAssignmentCommands& commands() const { return *window->GroupAssignment1; }
    AssignmentGroup group() const {
        return {{qint64{1}, qint64{2}, qint64{3}, groupKey.toLongLong()},
                QStringLiteral("ИВТ-24"),
                QStringLiteral("2024/2025"),
                QStringLiteral("3 семестр"),
                dm->ADOQ_f_educ->fieldByName(QStringLiteral("o_z")).value()};
    }
    std::vector<GroupStudent> students() const {
        return readGroupStudents(dm->ADOCon, group().choice);
    }

    // Chooses, as the user would in the dialog's drop-downs, the place, discipline, teacher
    // and first stream that give the most students the assignment.
    static void chooseMostStudents(GroupAssignmentDialog& dialog) {
        ASSERT_TRUE(testing::chooseMostStudents(dialog).has_value())
            << "no place of the group has a stream";
    }
    // The electives' rows of the place chosen in the dialog that are free.
    QString freeRowsOf(const PlaceKey& place) const {
        return QStringLiteral(
                   "descGroupNum = %1 AND id_a_year = %2 AND id_semester = %3 AND "
                   "id_discipline IS NULL AND fixed_discipline IS NULL")
            .arg(valueText(place.alternatives), valueText(place.year), valueText(place.semester));
    }
    // Every row of the database's elective places, by key, as texts of the written columns.
    std::map<QString, QString> allRows() const {
        std::map<QString, QString> rows;
        for (const QStringList& row : readDatabaseRows(
                 demo.databaseFile,
                 QStringLiteral("SELECT id_disciplineForStudent, id_discipline, id_teacher, "
                                "subgroup, id_examination, ZEV_user, id_a_year, id_semester FROM "
                                "DisciplineForStudent"))) {
            rows[row[0]] = row.mid(1).join(u'|');
        }
        return rows;
    }
    int historyMark() const {
        return dbValue(QStringLiteral("SELECT IFNULL(MAX(id_history), 0) FROM zev_history"))
            .toInt();
    }
    // Another member of staff puts some other student's place into the stream, as the stream
    // capacity tests do.
    void takeAPlaceByAnotherUser(const PlaceAssignment& a, const QString& skipStudents) {
        runOnDatabase(QStringLiteral("UPDATE DisciplineForStudent SET id_discipline = %1, "
                                     "id_teacher = %2, id_a_year = %3, id_semester = %4, "
                                     "subgroup = %5 WHERE id_disciplineForStudent = (SELECT "
                                     "max(id_disciplineForStudent) FROM DisciplineForStudent "
                                     "WHERE id_student NOT IN (%6))")
                          .arg(valueText(a.discipline), valueText(a.teacher),
                               valueText(a.place.year), valueText(a.place.semester),
                               valueText(a.stream), skipStudents));
    }
    // The stream's capacity set to what is taken now and `more`.
    void limitStream(const PlaceAssignment& a, int more) {
        runOnDatabase(
            QStringLiteral("UPDATE RRNKkrdt SET capacity = %5 WHERE id_discipline = %1 AND "
                           "id_teacher = %2 AND id_a_year = %3 AND subgroup = %4")
                .arg(valueText(a.discipline), valueText(a.teacher), valueText(a.place.year),
                     valueText(a.stream))
                .arg(a.streamPlaces.taken + more));
    }

    QString groupKey;
};

TEST_F(GroupAssignment, TheDialogOffersWhatTheGridOffersAndPreviewsThePlan) {
    const std::vector<GroupStudent> students =
        readGroupStudents(dm->ADOCon, {qint64{1}, qint64{2}, qint64{3}, groupKey.toLongLong()});
    GroupAssignmentDialog dialog(*dm,
                                 {{qint64{1}, qint64{2}, qint64{3}, groupKey.toLongLong()},
                                  QStringLiteral("ИВТ-24"),
                                  QStringLiteral("2024/2025"),
                                  QStringLiteral("3 семестр"),
                                  dm->ADOQ_f_educ->fieldByName(QStringLiteral("o_z")).value()},
                                 students, window.get());
    // Every place of the group, each with how many have it free; the first free one chosen.
    const std::vector<GroupPlace> places = groupPlaces(students);
    ASSERT_EQ(dialog.PlaceBox->count(), static_cast<int>(places.size()));
    EXPECT_TRUE(dialog.PlaceBox->currentText().contains(QStringLiteral("2024/2025, 3 семестр")))
        << dialog.PlaceBox->currentText().toStdString();
    chooseMostStudents(dialog);
    ASSERT_FALSE(HasFatalFailure());

    // The place's alternatives, as the curriculum lists them.
    const PlaceKey& place = dialog.assignment().place;
    EXPECT_EQ(dialog.DisciplineBox->count(),
              dbValue(QStringLiteral("SELECT COUNT(*) FROM plan_elective WHERE id_speciality = 1 "
                                     "AND id_a_year = 2 AND id_semester = 3 AND descGroupNum = %1")
                          .arg(valueText(place.alternatives)))
                  .toInt());
    // The streams with their places taken and capacity, as the grid's stream list shows them.
    const PlaceAssignment& a = dialog.assignment();
    EXPECT_EQ(dialog.StreamBox->currentText(), streamListText(valueText(a.stream), a.streamPlaces));

    // Every free student checked at first; the others without a check box, with the reason.
    const QTreeWidget& list = *dialog.StudentList;
    ASSERT_EQ(list.topLevelItemCount(), static_cast<int>(students.size()));
    int checked = 0;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list.topLevelItem(i);
        if (item->flags() & Qt::ItemIsEnabled) {
            checked += item->checkState(0) == Qt::Checked ? 1 : 0;
        } else {
            EXPECT_EQ(item->checkState(0), Qt::Unchecked);
            EXPECT_FALSE(item->text(1).isEmpty());
        }
    }
    EXPECT_EQ(checked, dbValue(QStringLiteral("SELECT COUNT(DISTINCT d.id_student) FROM "
                                              "DisciplineForStudent d JOIN s_g ON s_g.id_student "
                                              "= d.id_student AND s_g.id_group = d.id_group "
                                              "WHERE d.id_group = %1 AND d.plan_semester = 3 AND ")
                                   .arg(groupKey) +
                               freeRowsOf(place))
                           .toInt());
    EXPECT_EQ(dialog.PreviewText->toPlainText(),
              assignmentPreview(dialog.plan(), dialog.streamNumber(), a.streamPlaces));
    EXPECT_TRUE(dialog.PreviewText->toPlainText().startsWith(
        QStringLiteral("Будет изменено строк: %1.").arg(dialog.plan().changes.size())));
    EXPECT_TRUE(dialog.AssignButton->isEnabled());

    // Unticking a student leaves him out; with nobody ticked nothing can be assigned.
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list.topLevelItem(i);
        if (item->flags() & Qt::ItemIsEnabled) {
            item->setCheckState(0, Qt::Unchecked);
            EXPECT_EQ(item->text(1), QStringLiteral("свободно, не отмечен"));
        }
    }
    EXPECT_TRUE(dialog.plan().changes.empty());
    EXPECT_FALSE(dialog.AssignButton->isEnabled());
}

TEST_F(GroupAssignment, ATeacherWithoutStreamsIsToldAndNothingCanBeAssigned) {
    GroupAssignmentDialog dialog(*dm, group(), students(), window.get());
    // The first teacher of a place's discipline who has no stream of it in the place's year and
    // half-year, and one who has.
    struct Choice {
        int place, discipline, teacher;
    };
    std::optional<Choice> without, with;
    for (int p = 0; p < dialog.PlaceBox->count() && !(without && with); ++p) {
        dialog.PlaceBox->setCurrentIndex(p);
        for (int d = 0; d < dialog.DisciplineBox->count(); ++d) {
            dialog.DisciplineBox->setCurrentIndex(d);
            for (int t = 0; t < dialog.TeacherBox->count(); ++t) {
                dialog.TeacherBox->setCurrentIndex(t);
                auto& found = dialog.StreamBox->count() == 0 ? without : with;
                if (!found) {
                    found = Choice{p, d, t};
                }
            }
        }
    }
    ASSERT_TRUE(without.has_value()) << "every teacher of the demo group has a stream";
    ASSERT_TRUE(with.has_value());
    const auto choose = [&dialog](const Choice& c) {
        dialog.PlaceBox->setCurrentIndex(c.place);
        dialog.DisciplineBox->setCurrentIndex(c.discipline);
        dialog.TeacherBox->setCurrentIndex(c.teacher);
    };
    choose(*without);
    EXPECT_TRUE(dialog.PreviewText->toPlainText().startsWith(
        QStringLiteral("У преподавателя нет потоков этой дисциплины")))
        << dialog.PreviewText->toPlainText().toStdString();
    EXPECT_FALSE(dialog.AssignButton->isEnabled());

    // A teacher with streams asks for one to be chosen, as before.
    choose(*with);
    ASSERT_GT(dialog.StreamBox->count(), 0);
    EXPECT_EQ(dialog.StreamBox->currentIndex(), -1);
    EXPECT_TRUE(dialog.PreviewText->toPlainText().startsWith(
        QStringLiteral("Выберите дисциплину, преподавателя и поток.")));
    EXPECT_FALSE(dialog.AssignButton->isEnabled());
}

TEST_F(GroupAssignment, AStreamWithTooFewPlacesTakesTheFirstStudentsAndThePreviewSaysSo) {
    GroupAssignmentDialog dialog(*dm, group(), students(), window.get());
    chooseMostStudents(dialog);
    ASSERT_FALSE(HasFatalFailure());
    const PlaceAssignment a = dialog.assignment();
    const std::size_t wanted = dialog.plan().changes.size();
    ASSERT_GE(wanted, 2u);

    // Room for one more student only; the stream's places read again as the teacher is chosen.
    limitStream(a, 1);
    const int teacher = dialog.TeacherBox->currentIndex();
    const int stream = dialog.StreamBox->currentIndex();
    dialog.TeacherBox->setCurrentIndex(-1);
    dialog.TeacherBox->setCurrentIndex(teacher);
    dialog.StreamBox->setCurrentIndex(stream);
    ASSERT_TRUE(valuesEqual(dialog.assignment().stream, a.stream));
    const StreamPlace& places = dialog.assignment().streamPlaces;
    ASSERT_EQ(places.capacity, places.taken + 1);
    EXPECT_EQ(dialog.StreamBox->currentText(), streamListText(valueText(a.stream), places));

    ASSERT_EQ(dialog.plan().changes.size(), 1u);
    const QString text = dialog.PreviewText->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Поток %1 (%2/%3): свободно мест 1, их хватит на 1 "
                                             "из %4 отмеченных.")
                                  .arg(valueText(a.stream))
                                  .arg(places.taken)
                                  .arg(*places.capacity)
                                  .arg(wanted)))
        << text.toStdString();
    int full = 0;
    for (const PlannedStudent& p : dialog.plan().skipped) {
        if (p.skipped == SkipReason::StreamFull) {
            ++full;
            EXPECT_TRUE(text.contains(p.name + QStringLiteral(" — в потоке не хватило мест")));
        }
    }
    EXPECT_EQ(full, static_cast<int>(wanted) - 1);
    EXPECT_TRUE(dialog.AssignButton->isEnabled());
}

TEST_F(GroupAssignment, TheDialogIsWorkedWithTheKeyboard) {
    GroupAssignmentDialog dialog(*dm, group(), students(), window.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    chooseMostStudents(dialog);
    ASSERT_FALSE(HasFatalFailure());
    const std::size_t planned = dialog.plan().changes.size();
    ASSERT_GE(planned, 1u);

    // Space on a student of the list unticks him and ticks him again.
    QTreeWidget& list = *dialog.StudentList;
    QTreeWidgetItem* free = nullptr;
    for (int i = 0; i < list.topLevelItemCount() && free == nullptr; ++i) {
        if (list.topLevelItem(i)->checkState(0) == Qt::Checked) {
            free = list.topLevelItem(i);
        }
    }
    ASSERT_NE(free, nullptr);
    list.setFocus();
    list.setCurrentItem(free);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(free->checkState(0), Qt::Unchecked);
    EXPECT_EQ(dialog.plan().changes.size(), planned - 1);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(free->checkState(0), Qt::Checked);
    EXPECT_EQ(dialog.plan().changes.size(), planned);

    // Tab walks from the place through the lists to the buttons; Escape closes the dialog
    // without writing.
    dialog.PlaceBox->setFocus();
    for (QWidget* next : std::initializer_list<QWidget*>{dialog.DisciplineBox, dialog.TeacherBox,
                                                         dialog.StreamBox, dialog.StudentList}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    markLog();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(sentContaining(QStringLiteral("UPDATE")).empty());
}

TEST_F(GroupAssignment, ThePlannedRowsAreWrittenAsAHandEditWritesThemWithTheirHistory) {
    chooseStudent(0);
    const std::vector<GroupStudent> students =
        readGroupStudents(dm->ADOCon, {qint64{1}, qint64{2}, qint64{3}, groupKey.toLongLong()});
    GroupAssignmentDialog dialog(*dm,
                                 {{qint64{1}, qint64{2}, qint64{3}, groupKey.toLongLong()},
                                  QStringLiteral("ИВТ-24"),
                                  QString(),
                                  QString(),
                                  dm->ADOQ_f_educ->fieldByName(QStringLiteral("o_z")).value()},
                                 students, window.get());
    chooseMostStudents(dialog);
    ASSERT_FALSE(HasFatalFailure());
    const PlaceAssignment a = dialog.assignment();
    const AssignmentPlan plan = dialog.plan();
    ASSERT_GE(plan.changes.size(), 2u);

    const std::map<QString, QString> before = allRows();
    const int mark = historyMark();
    markLog();
    const std::optional<AssignmentFailure> failure =
        commands().apply(dialog.group().choice, a, plan);
    ASSERT_FALSE(failure) << failure->student.toStdString() << ": "
                          << failure->reason.toStdString();
    EXPECT_TRUE(notices.messages.empty());
    EXPECT_EQ(sentContaining(QStringLiteral("BEGIN TRANSACTION")).size(), 1u);
    EXPECT_EQ(sentContaining(QStringLiteral("COMMIT TRANSACTION")).size(), 1u);
    EXPECT_EQ(sentContaining(QStringLiteral("UPDATE DisciplineForStudent")).size(),
              plan.changes.size());

    // Exactly the planned rows changed, each as the grid writes it: discipline with its
    // examination kind, teacher, stream and the member of staff's login.
    const std::map<QString, QString> after = allRows();
    const QString examination =
        dbValue(QStringLiteral("SELECT id_examination FROM plan_elective WHERE id_speciality = 1 "
                               "AND id_a_year = 2 AND id_semester = 3 AND id_discipline = ") +
                valueText(a.discipline));
    for (const auto& [rowKey, row] : after) {
        const QString& key = rowKey;
        const auto planned =
            std::find_if(plan.changes.begin(), plan.changes.end(),
                         [&key](const PlannedStudent& p) { return valueText(p.row) == key; });
        if (planned == plan.changes.end()) {
            EXPECT_EQ(row, before.at(key)) << "row " << key.toStdString();
            continue;
        }
        EXPECT_EQ(row, QStringList({valueText(a.discipline), valueText(a.teacher),
                                    valueText(a.stream), examination, window->UserLogin,
                                    valueText(a.place.year), valueText(a.place.semester)})
                           .join(u'|'));
        // One change in the server's history, naming what changed.
        const QString where = QStringLiteral(
                                  " FROM zev_history WHERE table_name = 'DisciplineForStudent' AND "
                                  "row_key = %1 AND id_history > %2")
                                  .arg(key)
                                  .arg(mark);
        EXPECT_EQ(dbValue(QStringLiteral("SELECT COUNT(DISTINCT changed_at || action)") + where),
                  QStringLiteral("1"));
        EXPECT_EQ(dbValue(QStringLiteral("SELECT group_concat(column_name, ',') FROM (SELECT "
                                         "column_name") +
                          where +
                          QStringLiteral(" AND column_name IN ('id_discipline', "
                                         "'id_teacher', 'subgroup') ORDER BY "
                                         "column_name)")),
                  QStringLiteral("id_discipline,id_teacher,subgroup"));
    }
    EXPECT_EQ(dbValue(QStringLiteral("SELECT COUNT(DISTINCT row_key) FROM zev_history WHERE "
                                     "id_history > %1")
                          .arg(mark))
                  .toULongLong(),
              plan.changes.size());

    // The window is back on the chosen student, his rules host in place.
    EXPECT_EQ(dm->rulesHost(), window.get());
    EXPECT_TRUE(dm->ADOQ_SelectDisciplineForStudent->isOpen());
    EXPECT_EQ(
        valueText(
            dm->ADOQ_SelectDisciplineForStudent->paramByName(QStringLiteral("id_student")).value()),
        window->DBLookupComboBox6->keyText());
}

TEST_F(GroupAssignment, ARowRefusedByTheServerLeavesEveryRowAsItWasAndNamesTheStudent) {
    const std::map<QString, QString> before = allRows();
    QString planned;
    QString lastStudent;
    commands().showDialog = [&](GroupAssignmentDialog& dialog) {
        chooseMostStudents(dialog);
        const PlaceAssignment& a = dialog.assignment();
        // Room for exactly the students planned; then, after the preview, another member of
        // staff takes one of the places.
        limitStream(a, static_cast<int>(dialog.plan().changes.size()));
        QStringList students;
        for (const GroupStudent& s : dialog.students()) {
            students << valueText(s.id);
        }
        takeAPlaceByAnotherUser(a, students.join(u','));
        EXPECT_FALSE(dialog.plan().changes.empty());
        lastStudent = dialog.plan().changes.back().name;
        planned = QString::number(dialog.plan().changes.size());
        return static_cast<int>(QDialog::Accepted);
    };
    const std::map<QString, QString> taken = allRows();  // before the other user's change
    markLog();
    commands().assignToGroup();
    ASSERT_FALSE(planned.isEmpty());

    // The last row found the stream full inside its write: all of them rolled back.
    ASSERT_EQ(notices.messages.size(), 1u);
    const RecordedNotice& told = notices.messages.front();
    EXPECT_EQ(told.icon, NoticeIcon::Error);
    EXPECT_TRUE(told.text.contains(lastStudent)) << told.text.toStdString();
    EXPECT_TRUE(told.text.contains(
        QStringLiteral("Поток заполнен: все места в нём заняты. Выберите другой поток.")))
        << told.text.toStdString();
    EXPECT_EQ(sentContaining(QStringLiteral("UPDATE DisciplineForStudent")).size(),
              planned.toULongLong());
    EXPECT_EQ(sentContaining(QStringLiteral("ROLLBACK TRANSACTION")).size(), 1u);
    EXPECT_TRUE(sentContaining(QStringLiteral("COMMIT TRANSACTION")).empty());
    std::map<QString, QString> after = allRows();
    std::size_t changedByOther = 0;
    for (const auto& [key, row] : before) {
        changedByOther += after.at(key) != row ? 1 : 0;
    }
    EXPECT_EQ(changedByOther, 1u) << "only the other member of staff's row changed";
    EXPECT_EQ(dm->rulesHost(), window.get());
    EXPECT_EQ(dm->ADOQ_SelectDisciplineForStudent->tag(), 0);
}

TEST_F(GroupAssignment, APlaceChosenMeanwhileStopsTheAssignmentBeforeAnythingIsWritten) {
    const std::map<QString, QString> before = allRows();
    QString first;
    QString row;
    commands().showDialog = [&](GroupAssignmentDialog& dialog) {
        chooseMostStudents(dialog);
        EXPECT_FALSE(dialog.plan().changes.empty());
        first = dialog.plan().changes.front().name;
        row = valueText(dialog.plan().changes.front().row);
        // Another member of staff chooses the first student's place after the preview.
        runOnDatabase(QStringLiteral("UPDATE DisciplineForStudent SET id_discipline = %1 WHERE "
                                     "id_disciplineForStudent = %2")
                          .arg(valueText(dialog.assignment().discipline), row));
        return static_cast<int>(QDialog::Accepted);
    };
    markLog();
    commands().assignToGroup();
    ASSERT_FALSE(first.isEmpty());
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_TRUE(notices.messages.front().text.contains(first))
        << notices.messages.front().text.toStdString();
    EXPECT_EQ(notices.messages.front().icon, NoticeIcon::Error);
    EXPECT_EQ(sentContaining(QStringLiteral("ROLLBACK TRANSACTION")).size(), 1u);
    const std::map<QString, QString> after = allRows();
    for (const auto& [key, values] : before) {
        if (key != row) {
            EXPECT_EQ(after.at(key), values) << "row " << key.toStdString();
        }
    }
}

TEST_F(GroupAssignment, FromTheMenuThroughThePreviewToTheGrid) {
    // A student who is to get the assignment is the chosen one.
    QString studentKey;
    {
        GroupAssignmentDialog planned(*dm, group(), students(), window.get());
        chooseMostStudents(planned);
        ASSERT_FALSE(planned.plan().changes.empty());
        studentKey = valueText(planned.plan().changes.front().student);
    }
    const QStringList keys = column(*dm->ADOQ_Students, QStringLiteral("id_student"));
    ASSERT_TRUE(keys.contains(studentKey));
    window->DBLookupComboBox6->chooseRow(static_cast<int>(keys.indexOf(studentKey)));
    window->DBLookupComboBox6->closeUp();
    ASSERT_EQ(window->DBLookupComboBox6->keyText(), studentKey);

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    bool seen = false;
    QString discipline;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<GroupAssignmentDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Назначить группе"));
        EXPECT_TRUE(dialog->GroupLabel->text().contains(QStringLiteral("ИВТ-24")));
        chooseMostStudents(*dialog);
        discipline = dialog->DisciplineBox->currentText();
        // Keyboard: the student list takes Space on its current student.
        dialog->StudentList->setFocus();
        EXPECT_TRUE(dialog->PreviewText->toPlainText().contains(QStringLiteral("Будет изменено")));
        // ZEV_ASSIGNMENT_PICTURE=FILE.png keeps a picture of the dialog with its preview.
        if (qEnvironmentVariableIsSet("ZEV_ASSIGNMENT_PICTURE")) {
            dialog->grab().save(qEnvironmentVariable("ZEV_ASSIGNMENT_PICTURE"));
        }
        QTest::mouseClick(dialog->AssignButton, Qt::LeftButton);
    });
    // The shortcut of the menu's entry, from the electives grid.
    window->QFDBGridEh1->setFocus();
    QAction* entry = commands().AssignAction;
    ASSERT_TRUE(window->Menus.group->actions().contains(entry));
    EXPECT_EQ(entry->text(), QStringLiteral("&Назначить группе…"));
    EXPECT_EQ(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    QTest::keyClick(window->QFDBGridEh1, Qt::Key_G, Qt::ControlModifier);
    ASSERT_TRUE(seen);
    ASSERT_FALSE(discipline.isEmpty());
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_TRUE(notices.messages.front().text.startsWith(QStringLiteral("Назначено студентов: ")))
        << notices.messages.front().text.toStdString();

    // The grid shows the student's place with the discipline, read again from the server.
    EXPECT_EQ(window->DBLookupComboBox6->keyText(), studentKey);
    EXPECT_TRUE(column(*dm->ADOQ_SelectDisciplineForStudent, QStringLiteral("Discipline"))
                    .contains(discipline))
        << column(*dm->ADOQ_SelectDisciplineForStudent, QStringLiteral("Discipline"))
               .join(u'|')
               .toStdString();
    EXPECT_TRUE(window->QFDBGridEvents1->Active());
}

TEST_F(GroupAssignment, WithoutAGroupTheEntryAsksForOne) {
    choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), QStringLiteral("1"));
    commands().assignToGroup();
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_TRUE(notices.messages.front().text.startsWith(QStringLiteral("Выберите группу")));
}

}  // namespace
}  // namespace zev::testing
