// Stream capacity in the registration window: the places typed in the new-stream dialog, the
// stream list telling taken and capacity, a full stream refused when chosen, and the server's
// refusal when another user took the last place meanwhile.
#include "RegistrationFixture.h"

#include "data/DataModule.h"
#include "data/StreamPlaces.h"
#include "registration/NewStreamDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace zev::testing {
namespace {

constexpr int kStream = 5;

class StreamCapacityWindow : public RegistrationWindow {
protected:
    void SetUp() override {
        RegistrationWindow::SetUp();
        walkToGroup();
        chooseStudent(0);
        ASSERT_TRUE(electives().isOpen());
    }
    Dataset& electives() const { return *dm->ADOQ_SelectDisciplineForStudent; }
    QString at(int row, const QString& field) const {
        return column(electives(), field).value(row);
    }
    // The first row whose fields are all non-empty (true) or empty (false) as asked.
    int rowWith(std::initializer_list<std::pair<const char*, bool>> filled) const {
        for (int row = 0; row < electives().recordCount(); ++row) {
            bool all = true;
            for (const auto& [field, want] : filled) {
                all = all && at(row, QString::fromLatin1(field)).isEmpty() != want;
            }
            if (all) {
                return row;
            }
        }
        return -1;
    }
    // Into the row's stream cell, as the user clicks: the streams that fit it are offered.
    void goToStreamCell(int row) {
        DBGridEh& grid = *window->QFDBGridEh1;
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid.cellRect(row, 0).center());
        ASSERT_EQ(electives().recNo(), row + 1);
        grid.setCurrentDataColumn(kStream);
    }
    // What the open stream list shows for each entry.
    QStringList listedStreams() const {
        auto* editor = qobject_cast<QComboBox*>(window->QFDBGridEh1->cellEditor());
        QStringList listed;
        for (int i = 0; editor && i < editor->count(); ++i) {
            listed << editor->itemData(i, kDropDownTextRole).toString();
        }
        return listed;
    }
    // Stream 99 for the row's discipline, teacher, year and half-year with `capacity` places,
    // `taken` of them taken by places of other students; the student's lists are read again.
    void streamForRow(int row, int capacity, int taken) {
        const QString discipline = at(row, "id_discipline"), teacher = at(row, "id_teacher"),
                      year = at(row, "id_a_year"), semester = at(row, "id_semester");
        const QString ws =
            dbValue(QStringLiteral("SELECT id_w_s FROM Semester WHERE id_semester = ") + semester);
        Dataset& disciplines = *dm->ADOQ_DisciplineForStudent;
        const QString kafedra =
            valueText(disciplines.lookup("id_discipline", discipline.toLongLong(), "id_kafedra"));
        const QString exam = valueText(
            disciplines.lookup("id_discipline", discipline.toLongLong(), "id_examination"));
        const QString oZ = dm->ADOQ_f_educ->fieldByName("o_z").text();
        runOnDatabase(QStringLiteral("INSERT INTO RRNKkrdt (id_kafedra, id_teacher, "
                                     "id_discipline, id_examination, id_a_year, id_w_s, "
                                     "subgroup, id_o_z, id_semester, capacity) VALUES "
                                     "(%1, %2, %3, %4, %5, %6, 99, %7, %8, %9)")
                          .arg(kafedra, teacher, discipline, exam, year, ws, oZ, semester)
                          .arg(capacity));
        for (int i = 0; i < taken; ++i) {
            takeByAnotherUser(row);
        }
        chooseStudent(0);
    }
    // Another user puts a place of another student into stream 99 of the row's keys.
    void takeByAnotherUser(int row) {
        runOnDatabase(
            QStringLiteral("UPDATE DisciplineForStudent SET id_discipline = %1, id_teacher = %2, "
                           "id_a_year = %3, id_semester = %4, subgroup = 99 WHERE "
                           "id_disciplineForStudent = (SELECT max(id_disciplineForStudent) FROM "
                           "DisciplineForStudent WHERE subgroup IS NOT 99 AND id_student <> %5)")
                .arg(at(row, "id_discipline"), at(row, "id_teacher"), at(row, "id_a_year"),
                     at(row, "id_semester"), window->DBLookupComboBox6->keyText()));
    }
    void enterDropDowns() {
        QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(window->DBLookupComboBox1, &in);
    }
};

TEST_F(StreamCapacityWindow, TheNewStreamDialogTakesThePlacesOfTheStream) {
    int row = -1;
    for (int r = 0; r < electives().recordCount() && row < 0; ++r) {
        if (at(r, "id_semester") == u"4" && !at(r, "id_teacher").isEmpty()) {
            row = r;  // taken in the semester after the chosen one
        }
    }
    ASSERT_GE(row, 0);
    goToStreamCell(row);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_TRUE(dialog->LabeledEdit2->text().isEmpty());
        EXPECT_EQ(dialog->LabeledEdit2Label->text(), QStringLiteral("Мест:"));
        QTest::keyClicks(dialog->LabeledEdit1, QStringLiteral("78"));
        // No place at all is no stream: refused before anything is sent.
        QTest::keyClicks(dialog->LabeledEdit2, QStringLiteral("0"));
        QTest::mouseClick(dialog->SpeedButton2, Qt::LeftButton);
        ASSERT_EQ(notices.messages.size(), 1u);
        EXPECT_TRUE(notices.messages.front().text.startsWith(QStringLiteral("Введите число мест")));
        EXPECT_TRUE(dialog->isVisible());
        dialog->LabeledEdit2->clear();
        QTest::keyClicks(dialog->LabeledEdit2, QStringLiteral("2x5"));
        EXPECT_EQ(dialog->LabeledEdit2->text(), QStringLiteral("25"));
        dialog->grab().save(QStringLiteral("new-stream-dialog-places.png"));
        QTest::mouseClick(dialog->SpeedButton2, Qt::LeftButton);
    });
    markLog();
    QTest::mouseClick(window->QFDBGridEh1->viewport(), Qt::LeftButton, Qt::NoModifier,
                      window->QFDBGridEh1->editButtonRect(row, kStream).center());
    ASSERT_TRUE(seen);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    const std::vector<QString> inserts = sentContaining(QStringLiteral("INSERT INTO RRNKkrdt"));
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_TRUE(inserts.front().contains(QStringLiteral("id_type_chasov, capacity)VALUES(")));
    EXPECT_TRUE(inserts.front().endsWith(QStringLiteral(", 2, 25)")))
        << inserts.front().toStdString();
    EXPECT_EQ(dbValue(QStringLiteral("SELECT capacity FROM RRNKkrdt WHERE subgroup = 78")),
              QStringLiteral("25"));

    // The stream list offers it with its places: none taken of 25.
    window->QFDBGridEh1->setCurrentDataColumn(0);
    window->QFDBGridEh1->setCurrentDataColumn(kStream);
    EXPECT_TRUE(listedStreams().contains(QStringLiteral("78 (0/25)")))
        << listedStreams().join(u'|').toStdString();
}

TEST_F(StreamCapacityWindow, AFullStreamIsListedAsSuchAndRefusedWhenChosen) {
    // The first student's place with a discipline and a teacher but no stream.
    const int row = rowWith({{"id_discipline", true}, {"id_teacher", true}, {"subgroup", false}});
    ASSERT_GE(row, 0);
    streamForRow(row, 1, 1);
    goToStreamCell(row);
    EXPECT_TRUE(listedStreams().contains(QStringLiteral("99 (1/1)")))
        << listedStreams().join(u'|').toStdString();

    markLog();
    DBGridEh& grid = *window->QFDBGridEh1;
    grid.commitLookupChoice(grid.column(kStream), Value{qint64{99}}, QStringLiteral("99"));
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages.front().text,
              fullStreamNotice(QStringLiteral("99"), StreamPlace{1, 1}));
    EXPECT_EQ(notices.messages.front().text,
              QStringLiteral("Поток 99 заполнен: заняты все места (1).\rВыберите другой поток."));
    EXPECT_EQ(notices.messages.front().icon, NoticeIcon::Warning);
    EXPECT_TRUE(at(row, "subgroup").isEmpty());  // not written
    EXPECT_FALSE(sentContaining(QStringLiteral("GetStreamPlaces")).empty());
    EXPECT_TRUE(sentContaining(QStringLiteral("UPDATE")).empty());
}

TEST_F(StreamCapacityWindow, ARowTakesBackTheFullStreamItHoldsBeforePosting) {
    const int row = rowWith({{"id_discipline", true}, {"id_teacher", true}, {"subgroup", false}});
    ASSERT_GE(row, 0);
    const QString id = at(row, "id_disciplineForStudent");
    streamForRow(row, 1, 0);
    // The row itself holds the only place of stream 99.
    runOnDatabase(QStringLiteral("UPDATE DisciplineForStudent SET subgroup = 99 WHERE "
                                 "id_disciplineForStudent = ") +
                  id);
    chooseStudent(0);
    ASSERT_EQ(at(row, "subgroup"), QStringLiteral("99"));
    goToStreamCell(row);
    EXPECT_TRUE(listedStreams().contains(QStringLiteral("99 (1/1)")))
        << listedStreams().join(u'|').toStdString();

    // The user empties the stream and, before posting, chooses it again: the row gives up no
    // place on the server, so it is not refused as a full stream.
    DBGridEh& grid = *window->QFDBGridEh1;
    grid.commitLookupChoice(grid.column(kStream), Value{}, QString());
    ASSERT_TRUE(at(row, "subgroup").isEmpty());
    grid.commitLookupChoice(grid.column(kStream), Value{qint64{99}}, QStringLiteral("99"));
    EXPECT_TRUE(notices.messages.empty()) << notices.messages.front().text.toStdString();
    EXPECT_EQ(at(row, "subgroup"), QStringLiteral("99"));

    enterDropDowns();  // posts the row
    EXPECT_TRUE(notices.messages.empty()) << notices.messages.front().text.toStdString();
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    EXPECT_EQ(electives().state(), DatasetState::Browse);
    EXPECT_EQ(dbValue(QStringLiteral("SELECT subgroup FROM DisciplineForStudent WHERE "
                                     "id_disciplineForStudent = ") +
                      id),
              QStringLiteral("99"));
}

TEST_F(StreamCapacityWindow, TheLastPlaceTakenMeanwhileIsRefusedByTheServer) {
    const int row = rowWith({{"id_discipline", true}, {"id_teacher", true}, {"subgroup", false}});
    ASSERT_GE(row, 0);
    const QString id = at(row, "id_disciplineForStudent");
    streamForRow(row, 2, 1);
    goToStreamCell(row);
    DBGridEh& grid = *window->QFDBGridEh1;
    grid.commitLookupChoice(grid.column(kStream), Value{qint64{99}}, QStringLiteral("99"));
    ASSERT_TRUE(notices.messages.empty()) << "one place was left when it was chosen";
    EXPECT_EQ(at(row, "subgroup"), QStringLiteral("99"));

    // Another user takes the last place before this one posts.
    takeByAnotherUser(row);
    enterDropDowns();
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages.front().text,
              QStringLiteral("Поток заполнен: все места в нём заняты. Выберите другой поток."));
    EXPECT_EQ(notices.messages.front().icon, NoticeIcon::Error);
    EXPECT_EQ(electives().state(), DatasetState::Edit);  // the user chooses another stream
    EXPECT_EQ(dbValue(QStringLiteral("SELECT subgroup FROM DisciplineForStudent WHERE "
                                     "id_disciplineForStudent = ") +
                      id),
              QString());
}

}  // namespace
}  // namespace zev::testing
