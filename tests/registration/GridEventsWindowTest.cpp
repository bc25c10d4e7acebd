// The electives grid's component in the running window: Ctrl+C leaves the user's clipboard
// alone, a delete blocked by a row without a stream reports no completion, and rows whose keys
// are missing from the database offer no stream while the row-change rule still runs to its end.
#include "RegistrationFixture.h"

#include "data/DataModule.h"
#include "data/ElectivesSql.h"
#include "widgets/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

namespace zev::testing {
namespace {

constexpr int kDiscipline = 0;
constexpr int kStream = 5;

class ElectivesGridEvents : public RegistrationWindow {
protected:
    Dataset& electives() const { return *dm->ADOQ_SelectDisciplineForStudent; }
    DBGridEh& grid() const { return *window->QFDBGridEh1; }

    void clickCell(int row, int dataCol, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect cell = grid().cellRect(row, dataCol);
        ASSERT_FALSE(cell.isEmpty());
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    QString at(int row, const QString& field) const {
        return column(electives(), field).value(row);
    }
    QString departmentOf(const QString& discipline) const {
        return valueText(dm->ADOQ_DisciplineForStudent->lookup(QStringLiteral("id_discipline"),
                                                               discipline.toLongLong(),
                                                               QStringLiteral("id_kafedra")));
    }
    // The rule has narrowed every list to the current row, the stream list to nothing.
    void expectNoStreamButTheRowsTeachers(int row) {
        EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
        EXPECT_EQ(dm->ADOQ_SubGroup->filter(), ElectivesSql::noStreamFilter());
        EXPECT_TRUE(dm->ADOQ_SubGroup->filtered());
        EXPECT_EQ(dm->ADOQ_SubGroup->recordCount(), 0);
        const QString department = departmentOf(at(row, QStringLiteral("id_discipline")));
        EXPECT_EQ(dm->ADOQ_Teacher->sql(), department.isEmpty()
                                               ? ElectivesSql::noTeachers()
                                               : ElectivesSql::teachersOfDepartment(department));
    }
};

TEST_F(ElectivesGridEvents, CtrlCLeavesTheUsersClipboardAlone) {
    walkToGroup();
    chooseStudent(0);
    const QString users = QStringLiteral("Список группы из другой программы");
    QGuiApplication::clipboard()->setText(users);
    const auto expectUntouched = [&] {
        EXPECT_EQ(QGuiApplication::clipboard()->text(), users);
        EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(gridEditMimeType()));
    };

    clickCell(1, kDiscipline);
    ASSERT_EQ(electives().recNo(), 2);
    QTest::keyClick(&grid(), Qt::Key_C, Qt::ControlModifier);
    expectUntouched();

    clickCell(3, kDiscipline, Qt::ControlModifier);
    ASSERT_EQ(grid().selectedRows().count(), 1);
    QTest::keyClick(&grid(), Qt::Key_C, Qt::ControlModifier);
    expectUntouched();

    // In the stream cell the drop-down editor is open: Ctrl+C there copies nothing either.
    clickCell(1, kStream);
    QWidget* editor = grid().cellEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    expectUntouched();
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
}

TEST_F(ElectivesGridEvents, ADeleteBlockedByARowWithoutAStreamReportsNoCompletion) {
    walkToGroup();
    chooseStudent(0);
    std::vector<quint16> codes;
    window->QFDBGridEvents1->OnQFDBEGridError = [&](TQFDBGridEvents&, quint16 code) {
        codes.push_back(code);
    };
    const int rows = electives().recordCount();
    clickCell(1, kDiscipline);
    clickCell(3, kDiscipline, Qt::ControlModifier);
    ASSERT_EQ(grid().selectedRows().count(), 1);
    // The current row loses its stream.
    const int current = electives().recNo() - 1;
    ASSERT_FALSE(at(current, QStringLiteral("subgroup")).isEmpty());
    grid().setCurrentDataColumn(kStream);
    grid().commitLookupChoice(grid().column(kStream), Value{}, QString());
    ASSERT_EQ(electives().state(), DatasetState::Edit);
    ASSERT_TRUE(electives().fieldByName(QStringLiteral("subgroup")).isNull());

    markLog();
    QTest::keyClick(&grid(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(notices.questions.size(), 1u);
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages.front().text,
              QStringLiteral("Вы ни выбрали поток.\rВы должны заполнить поток!"));
    EXPECT_TRUE(sentContaining(QStringLiteral("DELETE")).empty());
    EXPECT_EQ(electives().recordCount(), rows);
    EXPECT_EQ(electives().state(), DatasetState::Edit);
    EXPECT_TRUE(codes.empty());
}

TEST_F(ElectivesGridEvents, AMissingExaminationKindOffersNoStreamAndTheRuleRunsOn) {
    runOnDatabase(QStringLiteral("UPDATE plan_elective SET id_examination = NULL"));
    walkToGroup();
    chooseStudent(0);
    expectNoStreamButTheRowsTeachers(0);
    clickCell(1, kDiscipline);
    expectNoStreamButTheRowsTeachers(1);
    clickCell(1, kStream);
    expectNoStreamButTheRowsTeachers(1);
}

TEST_F(ElectivesGridEvents, AMissingDepartmentOffersNoStreamAndNoTeacher) {
    runOnDatabase(QStringLiteral("UPDATE plan_elective SET id_kafedra = NULL"));
    walkToGroup();
    chooseStudent(0);
    expectNoStreamButTheRowsTeachers(0);
    EXPECT_EQ(dm->ADOQ_Teacher->sql(), ElectivesSql::noTeachers());
    clickCell(2, kStream);
    expectNoStreamButTheRowsTeachers(2);
}

TEST_F(ElectivesGridEvents, ARowWithoutAYearOffersNoStreamAndNoSemester) {
    walkToGroup();
    chooseStudent(0);
    // Of two rows of one year and semester, the second loses its year in the database.
    int first = -1;
    int second = -1;
    for (int row = 0; row < electives().recordCount() && second < 0; ++row) {
        for (int earlier = 0; earlier < row; ++earlier) {
            if (at(row, QStringLiteral("id_a_year")) == at(earlier, QStringLiteral("id_a_year")) &&
                at(row, QStringLiteral("id_semester")) ==
                    at(earlier, QStringLiteral("id_semester")) &&
                !at(row, QStringLiteral("id_teacher")).isEmpty()) {
                first = earlier;
                second = row;
                break;
            }
        }
    }
    ASSERT_GE(second, 0) << "no two rows of one year and semester";
    runOnDatabase(QStringLiteral("UPDATE DisciplineForStudent SET id_a_year = NULL WHERE "
                                 "id_disciplineForStudent = ") +
                  at(second, QStringLiteral("id_disciplineForStudent")));
    chooseStudent(1);
    chooseStudent(0);
    ASSERT_TRUE(at(second, QStringLiteral("id_a_year")).isEmpty());

    clickCell(first, kDiscipline);
    clickCell(second, kDiscipline);
    expectNoStreamButTheRowsTeachers(second);
    EXPECT_EQ(dm->ADOQ_Semester2->filter(), ElectivesSql::noSemesterFilter());
    clickCell(second, kStream);
    expectNoStreamButTheRowsTeachers(second);
}

}  // namespace
}  // namespace zev::testing
