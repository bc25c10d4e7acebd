// The stream button of the electives grid and the new-stream dialog it opens.
#include "RegistrationFixture.h"

#include "data/DataModule.h"
#include "registration/NewStreamDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace zev::testing {
namespace {

constexpr int kStream = 5;

class StreamButton : public RegistrationWindow {
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
    // A row with discipline and teacher whose semester is `semester` and year `year`.
    int rowIn(const QString& year, const QString& semester) const {
        for (int row = 0; row < electives().recordCount(); ++row) {
            if (at(row, QStringLiteral("id_a_year")) == year &&
                at(row, QStringLiteral("id_semester")) == semester &&
                !at(row, QStringLiteral("id_discipline")).isEmpty() &&
                !at(row, QStringLiteral("id_teacher")).isEmpty()) {
                return row;
            }
        }
        return -1;
    }
    void goToRow(int row) {
        DBGridEh& grid = *window->QFDBGridEh1;
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid.cellRect(row, 0).center());
        ASSERT_EQ(electives().recNo(), row + 1);
        grid.setCurrentDataColumn(kStream);  // entering the stream cell filters the streams
    }
    void pressStreamButton(int row) {
        DBGridEh& grid = *window->QFDBGridEh1;
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid.editButtonRect(row, kStream).center());
    }
    QStringList streamsOffered() const {
        return column(*dm->ADOQ_SubGroup, QStringLiteral("subgroup"));
    }
};

TEST_F(StreamButton, OnARowOfTheChosenTermItOnlyExplains) {
    const int row = rowIn(window->DBLookupComboBox2->keyText(), QStringLiteral("3"));
    ASSERT_GE(row, 0);
    goToRow(row);
    int opened = 0;
    window->openNewStreamDialog = [&] { ++opened; };
    pressStreamButton(row);
    EXPECT_EQ(opened, 0);
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages.front().text,
              QStringLiteral("Вы можете добовлять потоки, если отличается учебный год или "
                             "семестр."));
    EXPECT_EQ(notices.messages.front().icon, NoticeIcon::Warning);
}

TEST_F(StreamButton, ANewStreamIsInsertedAndChoosableAtOnce) {
    const int row = rowIn(window->DBLookupComboBox2->keyText(), QStringLiteral("4"));
    ASSERT_GE(row, 0) << "no row taken in the following semester";
    goToRow(row);
    ASSERT_FALSE(streamsOffered().contains(QStringLiteral("77")));
    const QString kafedra = dm->ADOQ_DisciplineForStudent->fieldByName("id_kafedra").text();
    const QString examination = dm->ADOQ_DisciplineForStudent->fieldByName("id_examination").text();
    const QString idWs = dm->ADOQ_Semester2->fieldByName("id_w_s").text();
    const QString oZ = dm->ADOQ_f_educ->fieldByName("o_z").text();

    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialogSeen = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Новый поток"));
        EXPECT_TRUE(dialog->LabeledEdit1->text().isEmpty());
        QTest::keyClicks(dialog->LabeledEdit1, QStringLiteral("7x7"));
        EXPECT_EQ(dialog->LabeledEdit1->text(), QStringLiteral("77"));
        QTest::mouseClick(dialog->SpeedButton2, Qt::LeftButton);
    });
    markLog();
    pressStreamButton(row);
    ASSERT_TRUE(dialogSeen);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    const std::vector<QString> inserts = sentContaining(QStringLiteral("INSERT INTO RRNKkrdt"));
    ASSERT_EQ(inserts.size(), 1u);
    const QString expected =
        QStringLiteral(
            "INSERT INTO RRNKkrdt(id_kafedra, id_teacher, id_discipline, id_examination, "
            "id_a_year, id_w_s, prov_reyt, subgroup, plan_fakt, id_o_z, id_semester, "
            "id_type_chasov)VALUES(%1, %2, %3, %4, %5, %6, 1, 77, 1, %7, %8, 2)")
            .arg(kafedra, at(row, "id_teacher"), at(row, "id_discipline"), examination,
                 at(row, "id_a_year"), idWs, oZ, at(row, "id_semester"));
    EXPECT_EQ(inserts.front(), expected);
    EXPECT_EQ(
        dbValue(QStringLiteral("SELECT count(*) FROM RRNKkrdt WHERE subgroup = 77 AND "
                               "id_teacher = %1 AND id_discipline = %2 AND id_semester = %3")
                    .arg(at(row, "id_teacher"), at(row, "id_discipline"), at(row, "id_semester"))),
        QStringLiteral("1"));

    // The stream list was re-read and still filtered for the row: 77 can be chosen now.
    EXPECT_TRUE(streamsOffered().contains(QStringLiteral("77")))
        << streamsOffered().join(u',').toStdString();
    DBGridEh& grid = *window->QFDBGridEh1;
    grid.commitLookupChoice(grid.column(kStream), Value{qint64{77}}, QStringLiteral("77"));
    EXPECT_EQ(at(row, "subGr"), QStringLiteral("77"));
    dm->ADOQ_SelectDisciplineForStudent->post();
    EXPECT_EQ(dbValue(QStringLiteral("SELECT subgroup FROM DisciplineForStudent WHERE "
                                     "id_disciplineForStudent = %1")
                          .arg(at(row, "id_disciplineForStudent"))),
              QStringLiteral("77"));
}

TEST_F(StreamButton, TheDialogRefusesAnEmptyOrTooLargeNumberAndDropsLetters) {
    const int row = rowIn(window->DBLookupComboBox2->keyText(), QStringLiteral("4"));
    ASSERT_GE(row, 0);
    goToRow(row);
    TForm2 dialog(
        *dm, [] {}, window.get());
    dialog.show();
    EXPECT_EQ(dialog.size(), QSize(263, 130));  // the number, the places and the buttons
    dialog.grab().save(QStringLiteral("new-stream-dialog.png"));
    markLog();
    QTest::mouseClick(dialog.SpeedButton2, Qt::LeftButton);
    ASSERT_EQ(notices.messages.size(), 1u);
    QTest::keyClicks(dialog.LabeledEdit1, QStringLiteral("2-5 1"));
    EXPECT_EQ(dialog.LabeledEdit1->text(), QStringLiteral("251"));
    QTest::mouseClick(dialog.SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(notices.messages.size(), 2u);
    EXPECT_TRUE(sentContaining(QStringLiteral("INSERT")).empty());
    EXPECT_TRUE(dialog.isVisible());

    // Enter and Escape neither add nor close.
    QTest::keyClick(dialog.LabeledEdit1, Qt::Key_Return);
    QTest::keyClick(dialog.LabeledEdit1, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.LabeledEdit1->text(), QStringLiteral("251"));
    EXPECT_EQ(notices.messages.size(), 2u);

    dialog.LabeledEdit1->clear();
    QApplication::clipboard()->setText(QStringLiteral("a1b2 c"));
    dialog.LabeledEdit1->paste();
    EXPECT_EQ(dialog.LabeledEdit1->text(), QStringLiteral("12"));

    QTest::mouseClick(dialog.SpeedButton1, Qt::LeftButton);  // "Отмена"
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(sentContaining(QStringLiteral("INSERT")).empty());
}

TEST_F(StreamButton, OnARowWithoutADisciplineItDoesNothing) {
    chooseStudent(1);  // the second student has a free place
    int row = -1;
    for (int r = 0; r < electives().recordCount() && row < 0; ++r) {
        if (at(r, QStringLiteral("id_discipline")).isEmpty()) {
            row = r;
        }
    }
    ASSERT_GE(row, 0);
    goToRow(row);
    EXPECT_TRUE(streamsOffered().isEmpty());  // no stream fits a free place
    int opened = 0;
    window->openNewStreamDialog = [&] { ++opened; };
    pressStreamButton(row);
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(notices.messages.empty());
}

// A modal dialog minimised on its own hid the window behind it with no way back: the dialog
// offers a title and a close button only.
TEST_F(RegistrationWindow, TheNewStreamDialogHasNoMinimiseOrMaximiseButton) {
    TForm2 dialog(
        *dm, [] {}, window.get());
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
}

}  // namespace
}  // namespace zev::testing
