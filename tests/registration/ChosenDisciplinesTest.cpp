// The chosen-disciplines grid: the lists read at a student choice and posting a chosen
// discipline; and a picture of the whole window with a student chosen.
#include "RegistrationFixture.h"

#include "data/DataModule.h"
#include "widgets/DBGridModel.h"

#include <QDir>
#include <QLabel>
#include <QTest>

#include <algorithm>

namespace zev::testing {
namespace {

class ChosenDisciplines : public RegistrationWindow {
protected:
    void SetUp() override {
        RegistrationWindow::SetUp();
        walkToGroup();
        chooseStudent(1);
        ASSERT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    }
    Dataset& chosen() const { return *dm->ADOQ_disciplineForStudent2; }
    void keepPicture(const QString& name) const {
        window->DBGridEh1->grab().save(QDir::current().filePath(name));
    }
    QString stored(const QString& where) const {
        return dbValue(QStringLiteral("SELECT count(*) FROM DisciplineForStudent2 WHERE ") + where);
    }
};

TEST_F(ChosenDisciplines, AStudentChoiceReadsTheFiveListsForTheHalfYear) {
    EXPECT_EQ(window->IdWS, QStringLiteral("2"));  // semester 3
    for (Query* list : {dm->ADOQ_kafedra, dm->ADOQ_Discipline, dm->ADOQ_Teacher2, dm->ADOQ_potoki,
                        dm->ADOQ_disciplineForStudent2}) {
        EXPECT_TRUE(list->isOpen());
    }
    EXPECT_GT(dm->ADOQ_kafedra->recordCount(), 0);
    EXPECT_GT(dm->ADOQ_Discipline->recordCount(), 0);
    EXPECT_GT(dm->ADOQ_Teacher2->recordCount(), 0);
    EXPECT_GT(dm->ADOQ_potoki->recordCount(), 0);
    EXPECT_TRUE(dm->ADOQ_kafedra->sql().contains(QStringLiteral(" and id_w_s=2 ")));
    const QStringList streams = column(*dm->ADOQ_potoki, QStringLiteral("subgroup"));
    QStringList sorted = streams;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    EXPECT_EQ(streams, sorted);
    ASSERT_GT(chosen().recordCount(), 0);
    for (int row = 0; row < chosen().recordCount(); ++row) {
        SCOPED_TRACE(row);
        for (const char* field : {"Kafedra", "Discipline", "Teacher", "potok"}) {
            EXPECT_FALSE(column(chosen(), QString::fromLatin1(field)).value(row).isEmpty())
                << field;
        }
    }
    EXPECT_EQ(window->DBGridEh1->model()->rowCount(), chosen().recordCount());
}

TEST_F(ChosenDisciplines, PostingAChosenDisciplineRereadsTheListsAndEndsOnTheLastRow) {
    const QString student = window->DBLookupComboBox6->keyText();
    const QString year = window->DBLookupComboBox2->keyText();
    const QString keys =
        QStringLiteral("id_student = %1 AND id_a_year = %2 AND id_semester = 3").arg(student, year);
    const int before = stored(keys).toInt();
    ASSERT_EQ(before, chosen().recordCount());

    DBGridEh& grid = *window->DBGridEh1;
    chosen().append();
    const QString department = column(*dm->ADOQ_kafedra, QStringLiteral("id_kafedra")).first();
    grid.commitLookupChoice(grid.column(0), Value{department.toLongLong()}, QString());
    // The department narrows the disciplines and teachers to itself.
    EXPECT_TRUE(dm->ADOQ_Discipline->sql().endsWith(
        QStringLiteral("HAVING      (dbo.kafedra.id_kafedra = ") + department + u')'));
    EXPECT_TRUE(dm->ADOQ_Teacher2->sql().endsWith(
        QStringLiteral("HAVING      (dbo.kafedra.id_kafedra = ") + department + u')'));
    const QString discipline =
        column(*dm->ADOQ_Discipline, QStringLiteral("id_discipline")).first();
    grid.commitLookupChoice(grid.column(1), Value{discipline.toLongLong()}, QString());
    const QString teacher = column(*dm->ADOQ_Teacher2, QStringLiteral("id_teacher")).first();
    grid.commitLookupChoice(grid.column(2), Value{teacher.toLongLong()}, QString());
    const QStringList streams = column(*dm->ADOQ_potoki, QStringLiteral("subgroup"));
    ASSERT_FALSE(streams.isEmpty()) << "the teacher has no stream";
    grid.commitLookupChoice(grid.column(3), Value{streams.first().toLongLong()}, QString());

    markLog();
    chosen().post();
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    EXPECT_EQ(stored(keys).toInt(), before + 1);
    EXPECT_EQ(stored(keys + QStringLiteral(" AND id_discipline = %1 AND id_teacher = %2 AND "
                                           "id_kafedra = %3 AND subgroup = %4")
                                .arg(discipline, teacher, department, streams.first())),
              QStringLiteral("1"));
    // The student's lists were read again, the lower grid with them, and it ends on its last row.
    EXPECT_EQ(sentContaining(QStringLiteral("EXEC SelectDisciplineForStudent")).size(), 1u);
    EXPECT_EQ(sentContaining(QStringLiteral("FROM zev.dbo.DisciplineForStudent2")).size(), 1u);
    EXPECT_FALSE(dm->ADOQ_Discipline->sql().contains(QStringLiteral("HAVING")));
    EXPECT_EQ(chosen().recordCount(), before + 1);
    EXPECT_EQ(chosen().recNo(), chosen().recordCount());
    EXPECT_EQ(grid.currentRowIndex(), chosen().recordCount() - 1);
}

// The department and teacher columns narrow the lists to one department or teacher; the other
// rows still show their disciplines, teachers and streams, also after the new row is undone.
TEST_F(ChosenDisciplines, ADepartmentChoiceKeepsTheNamesOfTheOtherRows) {
    DBGridEh& grid = *window->DBGridEh1;
    const int rows = chosen().recordCount();
    ASSERT_GT(rows, 0);
    const auto shown = [&] {
        QStringList texts;
        for (int row = 0; row < rows; ++row) {
            for (int col = 0; col < grid.columnCount(); ++col) {
                texts << grid.gridModel().cellText(row, col);
            }
        }
        return texts;
    };
    const QStringList before = shown();
    EXPECT_FALSE(before.contains(QString()));

    // A department none of the rows is of, so that every row's discipline and teacher leave
    // the narrowed lists.
    const QStringList rowDepartments = column(chosen(), QStringLiteral("id_kafedra"));
    QString department;
    for (const QString& listed : column(*dm->ADOQ_kafedra, QStringLiteral("id_kafedra"))) {
        if (!rowDepartments.contains(listed)) {
            department = listed;
        }
    }
    ASSERT_FALSE(department.isEmpty());
    grid.setFocus();
    chosen().append();
    grid.commitLookupChoice(grid.column(0), Value{department.toLongLong()}, QString());
    const QString teacher = column(*dm->ADOQ_Teacher2, QStringLiteral("id_teacher")).first();
    grid.commitLookupChoice(grid.column(2), Value{teacher.toLongLong()}, QString());
    ASSERT_FALSE(dm->ADOQ_Discipline->isEmpty());
    EXPECT_EQ(shown(), before);
    keepPicture(QStringLiteral("chosen-after-department.png"));

    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(chosen().recordCount(), rows);
    EXPECT_EQ(shown(), before);
}

TEST_F(RegistrationWindow, AnEvenSemesterGivesTheFirstHalfYearCode) {
    walkToGroup(QStringLiteral("4"));
    chooseStudent(0);
    EXPECT_EQ(window->IdWS, QStringLiteral("1"));
    EXPECT_TRUE(dm->ADOQ_kafedra->sql().contains(QStringLiteral(" and id_w_s=1 ")));
    EXPECT_TRUE(notices.errors.empty());
    EXPECT_GT(dm->ADOQ_kafedra->recordCount(), 0);
}

TEST_F(RegistrationWindow, TheWindowWithAStudentChosenLooksWhole) {
    walkToGroup();
    chooseStudent(0);
    window->resize(797, 538);
    const QImage picture = window->grab().toImage();
    ASSERT_EQ(picture.size(), QSize(797, 538));
    const QString file = QDir::current().filePath(QStringLiteral("registration-window.png"));
    ASSERT_TRUE(picture.save(file));
    // Every visible column of the upper grid fits inside it, and the panel's labels are whole.
    DBGridEh& grid = *window->QFDBGridEh1;
    EXPECT_LE(grid.cellRect(0, 5).right(), grid.viewport()->width());
    for (QLabel* label : {window->Label1, window->Label7, window->Label3, window->Label2,
                          window->Label5, window->Label4, window->Label6}) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    }
    EXPECT_EQ(window->DBGridEh1->height(), 196);
    // The right-hand drop-downs end inside the panel, as the speciality does.
    const int panelWidth = window->Panel5->width();
    for (DBLookupComboBox* box : {window->DBLookupComboBox7, window->DBLookupComboBox3,
                                  window->DBLookupComboBox4, window->DBLookupComboBox6}) {
        EXPECT_LE(box->geometry().right(), panelWidth - 1);
        EXPECT_GE(box->geometry().right(), panelWidth - 12);
    }
    // Every row that has a teacher shows a name in the teacher cell, also where the teacher is
    // not of the current row's department.
    const QImage cells = grid.viewport()->grab().toImage();
    Dataset& electives = *dm->ADOQ_SelectDisciplineForStudent;
    const QStringList teachers = column(electives, QStringLiteral("id_teacher"));
    ASSERT_EQ(teachers.size(), 5);
    for (int row = 0; row < teachers.size(); ++row) {
        const QRect cell = grid.cellRect(row, 4);
        int ink = 0;
        for (int x = cell.left(); x < cell.right(); ++x) {
            for (int y = cell.top(); y < cell.bottom(); ++y) {
                ink += cells.pixelColor(x, y).lightness() < 60 ? 1 : 0;
            }
        }
        EXPECT_EQ(ink > 20, !teachers[row].isEmpty()) << "row " << row << " ink " << ink;
    }
    // Each left caption ends just before its drop-down.
    EXPECT_EQ(window->Label1->geometry().right() + 5, window->DBLookupComboBox1->x());
    EXPECT_EQ(window->Label6->geometry().right() + 5, window->DBLookupComboBox6->x());
}

}  // namespace
}  // namespace zev::testing
