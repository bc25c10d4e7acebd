// Rows pending in either grid when the user makes another choice or closes the window: posted,
// or discarded only when the user agrees, and never dropped without a word.
#include "RegistrationFixture.h"

#include "data/DataModule.h"
#include "data/WriteBack.h"

#include <QApplication>
#include <QFocusEvent>

#include <algorithm>

namespace zev::testing {
namespace {

constexpr int kElectivesTeacher = 4;
constexpr int kElectivesStream = 5;
const QString kStreamNotice = QStringLiteral("Вы ни выбрали поток.\rВы должны заполнить поток!");

class PendingEdits : public RegistrationWindow {
protected:
    void SetUp() override {
        RegistrationWindow::SetUp();
        walkToGroup();
        chooseStudent(1);
        ASSERT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    }
    Dataset& chosen() const { return *dm->ADOQ_disciplineForStudent2; }
    Dataset& electives() const { return *dm->ADOQ_SelectDisciplineForStudent; }
    QString student() const { return window->DBLookupComboBox6->keyText(); }
    int chosenStored(const QString& forStudent) const {
        return dbValue(QStringLiteral("SELECT count(*) FROM DisciplineForStudent2 WHERE "
                                      "id_student = %1 AND id_semester = 3")
                           .arg(forStudent))
            .toInt();
    }
    // A new row of the chosen-disciplines grid, filled in its four columns but not posted.
    void enterChosenRow() {
        DBGridEh& grid = *window->DBGridEh1;
        chosen().append();
        const auto first = [](Dataset& list, const char* field) {
            return Value{column(list, QString::fromLatin1(field)).first().toLongLong()};
        };
        grid.commitLookupChoice(grid.column(0), first(*dm->ADOQ_kafedra, "id_kafedra"), {});
        grid.commitLookupChoice(grid.column(1), first(*dm->ADOQ_Discipline, "id_discipline"), {});
        grid.commitLookupChoice(grid.column(2), first(*dm->ADOQ_Teacher2, "id_teacher"), {});
        ASSERT_GT(dm->ADOQ_potoki->recordCount(), 0);
        grid.commitLookupChoice(grid.column(3), first(*dm->ADOQ_potoki, "subgroup"), {});
        ASSERT_EQ(chosen().state(), DatasetState::Insert);
    }
    // Moves the electives to a row with a discipline and a stream whose discipline is not fixed.
    int goToOpenRow() {
        for (int row = 0; row < electives().recordCount(); ++row) {
            const Dataset::DisplayRow shown(electives(), row);
            if (electives().fieldByName(QStringLiteral("p34")).text().isEmpty() &&
                !electives().fieldByName(QStringLiteral("id_discipline")).text().isEmpty() &&
                !electives().fieldByName(QStringLiteral("subgroup")).text().isEmpty()) {
                electives().setRecNo(row + 1);
                return row;
            }
        }
        ADD_FAILURE() << "the student has no open row with a stream";
        return -1;
    }
    void commitElectives(int dataCol, const Value& key) {
        DBGridEh& grid = *window->QFDBGridEh1;
        grid.setCurrentDataColumn(dataCol);
        grid.commitLookupChoice(grid.column(dataCol), key, valueText(key));
    }
    QString electivesField(const QString& field) const {
        return electives().fieldByName(field).text();
    }
    QString storedElective(const QString& id, const QString& field) const {
        return dbValue(QStringLiteral("SELECT %1 FROM DisciplineForStudent WHERE "
                                      "id_disciplineForStudent = %2")
                           .arg(field, id));
    }
};

TEST_F(PendingEdits, AChosenRowBeingEnteredIsPostedBeforeAnotherStudentIsChosen) {
    const QString first = student();
    const int before = chosenStored(first);
    enterChosenRow();
    chooseStudent(0);
    EXPECT_EQ(chosenStored(first), before + 1);
    EXPECT_NE(student(), first);
    EXPECT_TRUE(notices.questions.empty());
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    EXPECT_EQ(chosen().recordCount(), chosenStored(student()));
}

TEST_F(PendingEdits, AChosenRowThatCannotBePostedStaysUnlessTheUserDiscardsIt) {
    const QString first = student();
    const int before = chosenStored(first);
    enterChosenRow();
    failOn = QStringLiteral("INSERT INTO DisciplineForStudent2");

    notices.answerYes = false;
    chooseStudent(0);
    ASSERT_EQ(notices.errors.size(), 1u);
    EXPECT_EQ(notices.errors.front(), QStringLiteral("Refused by the test server"));
    ASSERT_EQ(notices.questions.size(), 1u);
    // The choice is refused: the same student, both grids as they were, the row still entered.
    EXPECT_EQ(student(), first);
    EXPECT_EQ(chosen().state(), DatasetState::Insert);
    EXPECT_TRUE(electives().isOpen());
    EXPECT_FALSE(column(chosen(), QStringLiteral("Discipline")).last().isEmpty());

    notices.answerYes = true;
    chooseStudent(0);
    EXPECT_EQ(notices.questions.size(), 2u);
    EXPECT_NE(student(), first);
    EXPECT_EQ(chosen().state(), DatasetState::Browse);
    EXPECT_EQ(chosenStored(first), before);
    EXPECT_EQ(chosen().recordCount(), chosenStored(student()));
}

TEST_F(PendingEdits, AnElectivesRowHeldByTheStreamNoticeIsKeptUnlessTheUserDiscardsIt) {
    const int row = goToOpenRow();
    ASSERT_GE(row, 0);
    const QString id = electivesField(QStringLiteral("id_disciplineForStudent"));
    const QString storedTeacher = storedElective(id, QStringLiteral("id_teacher"));
    const QStringList teachers = column(*dm->ADOQ_Teacher, QStringLiteral("id_teacher"));
    ASSERT_GE(teachers.size(), 2);
    const QString teacher = teachers.first() != storedTeacher ? teachers.first() : teachers.last();
    commitElectives(kElectivesTeacher, Value{teacher.toLongLong()});  // clears the stream
    ASSERT_EQ(electives().state(), DatasetState::Edit);
    const QString first = student();

    notices.answerYes = false;
    chooseStudent(0);
    ASSERT_FALSE(notices.messages.empty());
    EXPECT_EQ(notices.messages.back().text, kStreamNotice);
    ASSERT_EQ(notices.questions.size(), 1u);
    EXPECT_EQ(student(), first);
    EXPECT_EQ(electives().state(), DatasetState::Edit);
    EXPECT_EQ(electivesField(QStringLiteral("id_teacher")), teacher);

    notices.answerYes = true;
    chooseStudent(0);
    EXPECT_EQ(notices.questions.size(), 2u);
    EXPECT_NE(student(), first);
    EXPECT_EQ(electives().state(), DatasetState::Browse);
    EXPECT_EQ(storedElective(id, QStringLiteral("id_teacher")), storedTeacher);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
}

TEST_F(PendingEdits, TheStreamNoticeIsShownOnceWhenTheStudentListIsClickedOverARowWithoutStream) {
    const int row = goToOpenRow();
    ASSERT_GE(row, 0);
    const QStringList teachers = column(*dm->ADOQ_Teacher, QStringLiteral("id_teacher"));
    ASSERT_GE(teachers.size(), 2);
    const QString stored = electivesField(QStringLiteral("id_teacher"));
    const QString teacher = teachers.first() != stored ? teachers.first() : teachers.last();
    commitElectives(kElectivesTeacher, Value{teacher.toLongLong()});  // clears the stream
    ASSERT_EQ(electives().state(), DatasetState::Edit);
    const QString first = student();
    const auto streamNotices = [&] {
        return std::count_if(notices.messages.begin(), notices.messages.end(),
                             [](const RecordedNotice& n) { return n.text == kStreamNotice; });
    };
    // A click on the student list: the focus enters it, then a student is chosen in it.
    const auto clickAndChoose = [&] {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(window->DBLookupComboBox6, &focusIn);
        chooseStudent(0);
    };

    notices.answerYes = false;
    clickAndChoose();
    EXPECT_EQ(streamNotices(), 1);
    ASSERT_EQ(notices.questions.size(), 1u);
    EXPECT_EQ(student(), first);
    EXPECT_EQ(electives().state(), DatasetState::Edit);

    // The row given a stream meanwhile is posted as the focus enters, and the choice goes on.
    const QString stream = column(*dm->ADOQ_SubGroup, QStringLiteral("subgroup")).value(0);
    ASSERT_FALSE(stream.isEmpty());
    commitElectives(kElectivesStream, Value{stream.toLongLong()});
    clickAndChoose();
    EXPECT_EQ(streamNotices(), 1);
    EXPECT_EQ(notices.questions.size(), 1u);
    EXPECT_NE(student(), first);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
}

TEST_F(PendingEdits, ClosingWithARowHeldByAWriteConflictNamesTheConflict) {
    ASSERT_GE(goToOpenRow(), 0);
    const QString id = electivesField(QStringLiteral("id_disciplineForStudent"));
    const qint64 stream = electivesField(QStringLiteral("subgroup")).toLongLong();
    commitElectives(kElectivesStream, Value{stream == 3 ? qint64{4} : qint64{3}});
    ASSERT_EQ(electives().state(), DatasetState::Edit);
    // Meanwhile another window gives the row another stream.
    dm->ADOCon.execute(QStringLiteral("UPDATE DisciplineForStudent SET subgroup = 9 WHERE "
                                      "id_disciplineForStudent = ") +
                       id);

    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_FALSE(notices.messages.empty());
    EXPECT_EQ(notices.messages.back().text, writeConflictText());
    EXPECT_EQ(notices.messages.back().icon, NoticeIcon::Error);
    for (const RecordedNotice& notice : notices.messages) {
        EXPECT_NE(notice.text, kStreamNotice);
    }
    EXPECT_EQ(electives().state(), DatasetState::Edit);
    EXPECT_EQ(storedElective(id, QStringLiteral("subgroup")), QStringLiteral("9"));

    // Undone, the row lets the window close.
    electives().cancel();
    EXPECT_TRUE(window->close());
}

TEST_F(PendingEdits, ClosingPostsAChosenRowBeingEntered) {
    const QString first = student();
    const int before = chosenStored(first);
    enterChosenRow();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(chosenStored(first), before + 1);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
}

}  // namespace
}  // namespace zev::testing
