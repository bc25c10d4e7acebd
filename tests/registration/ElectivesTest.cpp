// The electives grid after a student choice: its rows and lookups, the duplicate painting, the
// column hooks and posting, the post refused without a stream, the close refused meanwhile, and
// the multi-row delete of the grid-events component.
#include "RegistrationFixture.h"

#include "data/DataModule.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QTest>

namespace zev::testing {
namespace {

// Data columns of the electives grid.
constexpr int kDiscipline = 0;
constexpr int kYear = 2;
constexpr int kSemester = 3;
constexpr int kTeacher = 4;
constexpr int kStream = 5;

class Electives : public RegistrationWindow {
protected:
    void SetUp() override {
        RegistrationWindow::SetUp();
        walkToGroup();
        chooseStudent(0);
        ASSERT_TRUE(electives().isOpen());
        ASSERT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    }

    Dataset& electives() const { return *dm->ADOQ_SelectDisciplineForStudent; }
    QString at(int row, const QString& field) const {
        return column(electives(), field).value(row);
    }
    // The first row (0-based) matching every field = value pair; -1 when none.
    int rowWhere(std::initializer_list<std::pair<const char*, QString>> conditions) const {
        for (int row = 0; row < electives().recordCount(); ++row) {
            bool all = true;
            for (const auto& [field, value] : conditions) {
                all = all && at(row, QString::fromLatin1(field)) == value;
            }
            if (all) {
                return row;
            }
        }
        return -1;
    }
    // Moves to a row as the user does, clicking into its discipline cell.
    void goToRow(int row) {
        DBGridEh& grid = *window->QFDBGridEh1;
        const QRect cell = grid.cellRect(row, kDiscipline);
        ASSERT_FALSE(cell.isEmpty());
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        ASSERT_EQ(electives().recNo(), row + 1);
    }
    // Commits a choice in a lookup column of the electives grid, as its drop-down editor does.
    void commit(int dataCol, const Value& key) {
        DBGridEh& grid = *window->QFDBGridEh1;
        grid.setCurrentDataColumn(dataCol);
        grid.commitLookupChoice(grid.column(dataCol), key, valueText(key));
    }
    // The focus enters the faculty drop-down: the pending electives edit is posted.
    void enterDropDowns() {
        QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(window->DBLookupComboBox1, &in);
    }
    QString stored(const QString& id, const QString& column) const {
        return dbValue(QStringLiteral("SELECT %1 FROM DisciplineForStudent WHERE "
                                      "id_disciplineForStudent = %2")
                           .arg(column, id));
    }
    // The SET part of the one UPDATE sent since the mark: the columns written back.
    QString writtenColumns() const {
        const std::vector<QString> updates = sentContaining(QStringLiteral("UPDATE "));
        EXPECT_EQ(updates.size(), 1u);
        return updates.empty() ? QString()
                               : updates.front().section(QStringLiteral(" WHERE "), 0, 0);
    }
    QString chosenYear() const { return window->DBLookupComboBox2->keyText(); }
};

TEST_F(Electives, RowsShowTheirLookupTexts) {
    ASSERT_GE(electives().recordCount(), 5);
    const QString year = window->DBLookupComboBox2->text();
    EXPECT_EQ(year, QStringLiteral("2024/2025"));
    for (int row = 0; row < electives().recordCount(); ++row) {
        SCOPED_TRACE(row);
        if (!at(row, QStringLiteral("id_discipline")).isEmpty()) {
            EXPECT_FALSE(at(row, QStringLiteral("Discipline")).isEmpty());
        }
        EXPECT_FALSE(at(row, QStringLiteral("InsYear")).isEmpty());
    }
    // The first row is current: its teacher is among the teachers now listed, and its stream
    // among the streams that fit it.
    EXPECT_EQ(electives().recNo(), 1);
    EXPECT_FALSE(at(0, QStringLiteral("teacher")).isEmpty());
    EXPECT_EQ(at(0, QStringLiteral("subGr")), at(0, QStringLiteral("subgroup")));
    const int sameTerm = rowWhere({{"id_a_year", chosenYear()}, {"id_semester", "3"}});
    ASSERT_GE(sameTerm, 0);
    EXPECT_EQ(at(sameTerm, QStringLiteral("InsYear")), QStringLiteral("2024/2025"));
    EXPECT_FALSE(at(sameTerm, QStringLiteral("InsSemester")).isEmpty());

    // The grid shows the same texts.
    const QAbstractItemModel& model = *window->QFDBGridEh1->model();
    EXPECT_EQ(model.rowCount(), electives().recordCount());
    EXPECT_EQ(window->QFDBGridEh1->column(kDiscipline).title, QStringLiteral("Дисциплина"));
    EXPECT_EQ(window->QFDBGridEh1->column(kYear).title, QStringLiteral("На год"));
    EXPECT_EQ(window->QFDBGridEh1->column(kSemester).title, QStringLiteral("На семестер"));
    EXPECT_EQ(window->QFDBGridEh1->column(kTeacher).title, QStringLiteral("Преподаватель"));
    EXPECT_EQ(window->QFDBGridEh1->column(kStream).title, QStringLiteral("Поток"));
}

TEST_F(Electives, RowsOfOneGroupOfAlternativesArePaintedAsDuplicates) {
    const QStringList groups = column(electives(), QStringLiteral("descGroupNum"));
    int first = -1;
    int second = -1;
    for (int row = 1; row < groups.size() && second < 0; ++row) {
        const int other = int(groups.indexOf(groups[row]));
        if (other != row && other > 0) {
            first = other;
            second = row;
        }
    }
    ASSERT_GT(first, 0) << "no two rows of one group " << groups.join(u',').toStdString();
    DBGridEh& grid = *window->QFDBGridEh1;
    const QImage image = grid.viewport()->grab().toImage();
    const QColor green(0, 128, 0);
    for (int row = 0; row < groups.size(); ++row) {
        const QRect cell = grid.cellRect(row, kYear);
        const QColor painted = image.pixelColor(cell.left() + 2, cell.top() + 2);
        SCOPED_TRACE(row);
        if (row == first || row == second) {
            EXPECT_EQ(painted, green);
        } else {
            EXPECT_NE(painted, green);
        }
    }
}

TEST_F(Electives, AChangedDisciplineTeacherAndStreamArePostedWithTheLogin) {
    // A row of a group of alternatives that petrov posted last.
    int row = -1;
    for (int r = 0; r < electives().recordCount() && row < 0; ++r) {
        if (at(r, QStringLiteral("p34")).isEmpty() &&
            at(r, QStringLiteral("ZEV_user")) == QStringLiteral("petrov") &&
            !at(r, QStringLiteral("subgroup")).isEmpty()) {
            row = r;
        }
    }
    ASSERT_GE(row, 0) << "no row of petrov's";
    goToRow(row);
    const QString id = at(row, QStringLiteral("id_disciplineForStudent"));
    const QString oldDiscipline = at(row, QStringLiteral("id_discipline"));
    const QString oldYear = stored(id, QStringLiteral("id_a_year"));
    const QStringList offered =
        column(*dm->ADOQ_DisciplineForStudent, QStringLiteral("id_discipline"));
    ASSERT_GE(offered.size(), 2) << "the group of alternatives offers one discipline";
    const QString newDiscipline = offered.first() != oldDiscipline ? offered.first() : offered[1];

    commit(kDiscipline, Value{newDiscipline.toLongLong()});
    EXPECT_EQ(electives().state(), DatasetState::Edit);
    EXPECT_EQ(at(row, QStringLiteral("id_discipline")), newDiscipline);
    EXPECT_TRUE(at(row, QStringLiteral("id_teacher")).isEmpty());
    const QString department = valueText(dm->ADOQ_DisciplineForStudent->lookup(
        QStringLiteral("id_discipline"), newDiscipline.toLongLong(), QStringLiteral("id_kafedra")));
    EXPECT_EQ(dm->ADOQ_Teacher->sql(),
              QStringLiteral("SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(4, %1)")
                  .arg(department));
    const QString examination = valueText(dm->ADOQ_DisciplineForStudent->lookup(
        QStringLiteral("id_discipline"), newDiscipline.toLongLong(),
        QStringLiteral("id_examination")));
    EXPECT_EQ(at(row, QStringLiteral("id_examination")), examination);

    const QStringList teachers = column(*dm->ADOQ_Teacher, QStringLiteral("id_teacher"));
    ASSERT_FALSE(teachers.isEmpty());
    commit(kTeacher, Value{teachers.first().toLongLong()});
    EXPECT_EQ(at(row, QStringLiteral("id_teacher")), teachers.first());
    EXPECT_FALSE(at(row, QStringLiteral("teacher")).isEmpty());
    EXPECT_TRUE(at(row, QStringLiteral("subgroup")).isEmpty());

    commit(kStream, Value{qint64{42}});
    EXPECT_EQ(at(row, QStringLiteral("subgroup")), QStringLiteral("42"));

    markLog();
    QTest::keyClick(window->QFDBGridEh1, row == 0 ? Qt::Key_Down : Qt::Key_Up);  // leave the row
    EXPECT_EQ(electives().state(), DatasetState::Browse);
    EXPECT_TRUE(notices.messages.empty()) << notices.messages.front().text.toStdString();
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    EXPECT_EQ(stored(id, QStringLiteral("id_discipline")), newDiscipline);
    EXPECT_EQ(stored(id, QStringLiteral("id_teacher")), teachers.first());
    EXPECT_EQ(stored(id, QStringLiteral("subgroup")), QStringLiteral("42"));
    EXPECT_EQ(stored(id, QStringLiteral("ZEV_user")), QStringLiteral("ivanova"));
    EXPECT_EQ(stored(id, QStringLiteral("id_examination")), examination);
    EXPECT_EQ(stored(id, QStringLiteral("id_a_year")), oldYear);
    const QString written = writtenColumns();
    EXPECT_TRUE(written.contains(QStringLiteral("id_discipline "))) << written.toStdString();
    EXPECT_TRUE(written.contains(QStringLiteral("ZEV_user ")));
    EXPECT_FALSE(written.contains(QStringLiteral("id_a_year ")));
    EXPECT_FALSE(written.contains(QStringLiteral("id_semester ")));
}

TEST_F(Electives, YearAndSemesterChangesClearTheStreamAndArePosted) {
    const int row = rowWhere({{"id_a_year", chosenYear()}, {"id_semester", "3"}, {"p34", ""}});
    ASSERT_GE(row, 0);
    goToRow(row);
    const QString id = at(row, QStringLiteral("id_disciplineForStudent"));
    const QStringList years = column(*dm->ADOQ_Year, QStringLiteral("id_a_year"));
    const QString nextYear = years.value(years.indexOf(chosenYear()) + 1);
    ASSERT_FALSE(nextYear.isEmpty());

    // Cleared year: no semester can be chosen.
    commit(kYear, Value{});
    EXPECT_EQ(dm->ADOQ_Semester2->recordCount(), 0);
    EXPECT_TRUE(at(row, QStringLiteral("subgroup")).isEmpty());

    commit(kYear, Value{nextYear.toLongLong()});
    EXPECT_EQ(at(row, QStringLiteral("id_a_year")), nextYear);
    const QStringList semesters = column(*dm->ADOQ_Semester2, QStringLiteral("id_semester"));
    ASSERT_EQ(semesters.size(), 2) << "the year's two semesters for the group";
    EXPECT_EQ(at(row, QStringLiteral("id_semester")), semesters.first());
    EXPECT_FALSE(at(row, QStringLiteral("InsSemester")).isEmpty());

    commit(kSemester, Value{semesters[1].toLongLong()});
    EXPECT_EQ(at(row, QStringLiteral("id_semester")), semesters[1]);
    commit(kStream, Value{qint64{7}});

    markLog();
    enterDropDowns();
    EXPECT_EQ(electives().state(), DatasetState::Browse);
    EXPECT_TRUE(notices.messages.empty()) << notices.messages.front().text.toStdString();
    EXPECT_EQ(stored(id, QStringLiteral("id_a_year")), nextYear);
    EXPECT_EQ(stored(id, QStringLiteral("id_semester")), semesters[1]);
    EXPECT_EQ(stored(id, QStringLiteral("subgroup")), QStringLiteral("7"));
    EXPECT_EQ(stored(id, QStringLiteral("ZEV_user")), QStringLiteral("ivanova"));
    const QString written = writtenColumns();
    EXPECT_FALSE(written.contains(QStringLiteral("id_discipline "))) << written.toStdString();
    EXPECT_FALSE(written.contains(QStringLiteral("id_teacher ")));
    EXPECT_TRUE(written.contains(QStringLiteral("id_a_year ")));
}

TEST_F(Electives, AFixedDisciplineRefusesAChangeButNotTheRest) {
    const int row = rowWhere({{"id_a_year", chosenYear()}, {"id_semester", "3"}});
    ASSERT_GE(row, 0);
    int fixedRow = -1;
    for (int r = 0; r < electives().recordCount() && fixedRow < 0; ++r) {
        if (!at(r, QStringLiteral("p34")).isEmpty()) {
            fixedRow = r;
        }
    }
    ASSERT_GE(fixedRow, 0);
    goToRow(fixedRow);
    const QString before = at(fixedRow, QStringLiteral("id_discipline"));
    commit(kDiscipline, Value{qint64{99999}});
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages.front().text,
              QStringLiteral("Вы не можете изменять выбранную дисциплину.\rЧто бы изменить "
                             "дисциплину нужно удалить выбранную запись с соответствующей "
                             "дисциплиной."));
    EXPECT_EQ(notices.messages.front().caption, QStringLiteral("Уведомление"));
    EXPECT_EQ(notices.messages.front().icon, NoticeIcon::Warning);
    EXPECT_EQ(at(fixedRow, QStringLiteral("id_discipline")), before);
    EXPECT_EQ(electives().state(), DatasetState::Browse);

    // The stream of that row can still change.
    commit(kStream, Value{qint64{9}});
    EXPECT_EQ(at(fixedRow, QStringLiteral("subgroup")), QStringLiteral("9"));
}

TEST_F(Electives, APostWithoutAStreamIsRefusedAndSoIsTheClose) {
    const int row = rowWhere({{"p34", ""}});
    ASSERT_GE(row, 0);
    goToRow(row);
    const QString id = at(row, QStringLiteral("id_disciplineForStudent"));
    const QString stream = stored(id, QStringLiteral("subgroup"));
    const QStringList teachers = column(*dm->ADOQ_Teacher, QStringLiteral("id_teacher"));
    ASSERT_FALSE(teachers.isEmpty());
    const QString teacher = teachers.first() != at(row, QStringLiteral("id_teacher"))
                                ? teachers.first()
                                : teachers.last();
    commit(kTeacher, Value{teacher.toLongLong()});  // another teacher clears the stream
    ASSERT_TRUE(at(row, QStringLiteral("subgroup")).isEmpty());

    const QString streamNotice = QStringLiteral("Вы ни выбрали поток.\rВы должны заполнить поток!");
    enterDropDowns();
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages.back().text, streamNotice);
    EXPECT_EQ(notices.messages.back().icon, NoticeIcon::Information);
    EXPECT_TRUE(notices.errors.empty());
    EXPECT_EQ(electives().state(), DatasetState::Edit);
    EXPECT_EQ(at(row, QStringLiteral("id_teacher")), teacher);
    EXPECT_EQ(stored(id, QStringLiteral("subgroup")), stream);

    // Leaving the row in the grid is refused the same way.
    QTest::keyClick(window->QFDBGridEh1, row == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_EQ(electives().recNo(), row + 1);
    EXPECT_EQ(electives().state(), DatasetState::Edit);
    ASSERT_EQ(notices.messages.size(), 2u);

    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(notices.messages.size(), 3u);
    EXPECT_EQ(notices.messages.back().text, streamNotice);

    // With a stream the row posts and the window closes.
    commit(kStream, Value{qint64{3}});
    enterDropDowns();
    EXPECT_EQ(electives().state(), DatasetState::Browse);
    EXPECT_TRUE(window->close());
}

TEST_F(Electives, CtrlDeleteRemovesTheSelectedRows) {
    const int rows = electives().recordCount();
    ASSERT_GE(rows, 4);
    DBGridEh& grid = *window->QFDBGridEh1;
    goToRow(1);
    const QString first = at(1, QStringLiteral("id_disciplineForStudent"));
    const QString second = at(3, QStringLiteral("id_disciplineForStudent"));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      grid.cellRect(3, kDiscipline).center());
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      grid.cellRect(1, kDiscipline).center());
    ASSERT_EQ(grid.selectedRows().count(), 2);

    markLog();
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(notices.questions.size(), 1u);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    const std::vector<QString> deletes = sentContaining(QStringLiteral("DELETE"));
    ASSERT_EQ(deletes.size(), 2u);
    // One statement per selected row, in the order the rows were selected.
    const QString statement =
        QStringLiteral("DELETE FROM DisciplineForStudent WHERE id_disciplineForStudent = ");
    EXPECT_EQ(deletes[0], statement + second);
    EXPECT_EQ(deletes[1], statement + first);
    EXPECT_EQ(dbValue(QStringLiteral("SELECT count(*) FROM DisciplineForStudent WHERE "
                                     "id_disciplineForStudent IN (%1, %2)")
                          .arg(first, second)),
              QStringLiteral("0"));
    EXPECT_EQ(electives().recordCount(), rows - 2);
    EXPECT_EQ(grid.model()->rowCount(), rows - 2);
    const QStringList left = column(electives(), QStringLiteral("id_disciplineForStudent"));
    EXPECT_FALSE(left.contains(first));
    EXPECT_FALSE(left.contains(second));
}

TEST_F(Electives, CtrlDeleteAnsweredNoKeepsTheRows) {
    DBGridEh& grid = *window->QFDBGridEh1;
    goToRow(0);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      grid.cellRect(1, kDiscipline).center());
    notices.answerYes = false;
    markLog();
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(notices.questions.size(), 1u);
    EXPECT_TRUE(sentContaining(QStringLiteral("DELETE")).empty());
}

TEST_F(Electives, AServerRefusalOfAPostShowsTheServersTextAndKeepsTheEdit) {
    goToRow(1);
    commit(kStream, Value{qint64{5}});
    failOn = QStringLiteral("UPDATE DisciplineForStudent");
    enterDropDowns();
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages.front().text, QStringLiteral("Refused by the test server"));
    EXPECT_EQ(notices.messages.front().icon, NoticeIcon::Error);
    EXPECT_TRUE(notices.errors.empty());
    EXPECT_EQ(electives().state(), DatasetState::Edit);
    failOn.clear();
    enterDropDowns();
    EXPECT_EQ(electives().state(), DatasetState::Browse);
}

TEST_F(Electives, DestroyingTheWindowPostsAPendingEdit) {
    goToRow(2);
    const QString id = at(2, QStringLiteral("id_disciplineForStudent"));
    commit(kStream, Value{qint64{13}});
    window.reset();
    EXPECT_EQ(stored(id, QStringLiteral("subgroup")), QStringLiteral("13"));
}

TEST_F(Electives, ADisciplineOfAnUnknownDepartmentOffersNoTeachers) {
    const int row = rowWhere({{"p34", ""}});
    goToRow(row);
    markLog();
    commit(kDiscipline, Value{qint64{99999}});
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    EXPECT_EQ(dm->ADOQ_Teacher->sql(),
              QStringLiteral("SELECT TOP 0 0 AS id_teacher, '' AS t_fio "));
    EXPECT_TRUE(dm->ADOQ_Teacher->isOpen());
    EXPECT_EQ(dm->ADOQ_Teacher->recordCount(), 0);
    EXPECT_TRUE(sentContaining(QStringLiteral("GetTFIO_with_pps")).empty());
    EXPECT_TRUE(at(row, QStringLiteral("id_teacher")).isEmpty());
}

TEST_F(Electives, MovingBelowTheLastRowAddsNothing) {
    const int rows = electives().recordCount();
    goToRow(rows - 1);
    QTest::keyClick(window->QFDBGridEh1, Qt::Key_Down);
    EXPECT_EQ(electives().recordCount(), rows);
    EXPECT_EQ(electives().state(), DatasetState::Browse);
    EXPECT_TRUE(notices.messages.empty());
    EXPECT_TRUE(notices.errors.empty());
}

TEST_F(Electives, ARefusedDeleteKeepsTheRow) {
    const int rows = electives().recordCount();
    goToRow(0);
    QTest::mouseClick(window->QFDBGridEh1->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      window->QFDBGridEh1->cellRect(1, kDiscipline).center());
    failOn = QStringLiteral("DELETE");
    markLog();
    QTest::keyClick(window->QFDBGridEh1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(electives().recordCount(), rows);
    EXPECT_EQ(dbValue(QStringLiteral("SELECT count(*) FROM DisciplineForStudent WHERE "
                                     "id_disciplineForStudent = ") +
                      at(1, QStringLiteral("id_disciplineForStudent"))),
              QStringLiteral("1"));
    EXPECT_EQ(sentContaining(QStringLiteral("DELETE")).size(), 1u);
    EXPECT_EQ(electives().state(), DatasetState::Browse);
}

TEST_F(Electives, DeletingOneOfTwoAlternativesEndsTheDuplicatePainting) {
    // Rows 1 and 2 of the first student take two disciplines of one group of alternatives.
    ASSERT_EQ(at(1, QStringLiteral("descGroupNum")), at(2, QStringLiteral("descGroupNum")));
    DBGridEh& grid = *window->QFDBGridEh1;
    const QString kept = at(2, QStringLiteral("id_disciplineForStudent"));
    goToRow(0);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      grid.cellRect(1, kDiscipline).center());
    ASSERT_EQ(grid.selectedRows().count(), 1);
    EXPECT_EQ(window->QFDBGridEvents1->DuplicateKeys(),
              QStringList{at(1, QStringLiteral("descGroupNum"))});
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(notices.questions.size(), 1u);
    ASSERT_EQ(electives().recordCount(), 4);
    EXPECT_TRUE(window->QFDBGridEvents1->DuplicateKeys().isEmpty());
    const int row =
        int(column(electives(), QStringLiteral("id_disciplineForStudent")).indexOf(kept));
    ASSERT_GE(row, 0);
    goToRow(0);
    const QImage image = grid.viewport()->grab().toImage();
    const QRect cell = grid.cellRect(row, kYear);
    EXPECT_NE(image.pixelColor(cell.left() + 2, cell.top() + 2), QColor(0, 128, 0));
}

TEST_F(Electives, LeavingADropDownClosesItsList) {
    window->DBLookupComboBox1->dropDown();
    ASSERT_TRUE(window->DBLookupComboBox1->listVisible());
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(window->DBLookupComboBox1, &out);
    EXPECT_FALSE(window->DBLookupComboBox1->listVisible());
    EXPECT_EQ(window->DBLookupComboBox1->keyText(), QStringLiteral("1"));  // nothing chosen anew
}

TEST_F(Electives, TheCellEditorsOfferTheNarrowedListsAndCommitAChoice) {
    DBGridEh& grid = *window->QFDBGridEh1;
    goToRow(0);
    const QString id = at(0, QStringLiteral("id_disciplineForStudent"));
    // The fixed discipline's row: its stream may change. Into the stream cell: the editor opens at
    // once and lists the streams that fit the row.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid.cellRect(0, kStream).center());
    auto* streams = qobject_cast<QComboBox*>(grid.cellEditor());
    ASSERT_NE(streams, nullptr);
    QStringList offered;
    for (int i = 0; i < streams->count(); ++i) {
        offered << streams->itemText(i);
    }
    EXPECT_EQ(offered, column(*dm->ADOQ_SubGroup, QStringLiteral("subgroup")));
    ASSERT_GE(offered.size(), 2) << offered.join(u',').toStdString();
    EXPECT_EQ(streams->currentText(), at(0, QStringLiteral("subgroup")));
    const int other = streams->currentIndex() == 0 ? 1 : 0;
    streams->setCurrentIndex(other);
    Q_EMIT streams->activated(other);
    EXPECT_EQ(at(0, QStringLiteral("subgroup")), offered[other]);
    EXPECT_EQ(electives().state(), DatasetState::Edit);

    // The teacher cell lists the teachers of the discipline's department.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid.cellRect(0, kTeacher).center());
    auto* teachers = qobject_cast<QComboBox*>(grid.cellEditor());
    ASSERT_NE(teachers, nullptr);
    EXPECT_EQ(teachers->count(), dm->ADOQ_Teacher->recordCount());
    EXPECT_EQ(teachers->currentText(), at(0, QStringLiteral("teacher")));

    QTest::keyClick(&grid, Qt::Key_Down);  // leave the row: posted
    EXPECT_EQ(electives().state(), DatasetState::Browse);
    EXPECT_EQ(stored(id, QStringLiteral("subgroup")), offered[other]);
    EXPECT_EQ(stored(id, QStringLiteral("ZEV_user")), QStringLiteral("ivanova"));
}

}  // namespace
}  // namespace zev::testing
