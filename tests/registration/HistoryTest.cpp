// The history of the students' rows as the running window makes it: a chosen discipline added,
// a stream changed and an elective deleted through the real grids each leave exactly their
// history rows, under the member of staff who signed in; a write through another connection is
// recorded too; the staff account cannot write the history itself.
#include "RegistrationFixture.h"

#include "data/DataModule.h"
#include "server/EmbeddedServer.h"

#include <QTest>

namespace zev::testing {
namespace {

using namespace Qt::StringLiterals;

struct Entry {
    QString login;
    QString account;
    QString action;
    QString column;
    QString oldValue;
    QString newValue;
};

class History : public RegistrationWindow {
protected:
    void SetUp() override {
        RegistrationWindow::SetUp();
        walkToGroup();
        chooseStudent(1);
        ASSERT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    }
    Dataset& chosen() const { return *dm->ADOQ_disciplineForStudent2; }
    Dataset& electives() const { return *dm->ADOQ_SelectDisciplineForStudent; }

    // The row's history read through the window's own connection, newest first.
    std::vector<Entry> historyOf(const QString& table, const QString& key) const {
        const ResultSet rows = dm->ADOCon.query(
            u"EXEC GetRowHistory @table_name = :table_name, @row_key = :row_key"_qs,
            {{u"table_name"_qs, table}, {u"row_key"_qs, Value{key.toLongLong()}}});
        std::vector<Entry> list;
        list.reserve(static_cast<std::size_t>(rows.rowCount()));
        const auto text = [&](int r, const char* c) {
            return valueText(rows.at(r, rows.columnIndex(QString::fromLatin1(c))));
        };
        for (int r = 0; r < rows.rowCount(); ++r) {
            list.push_back({text(r, "zev_login"), text(r, "db_login"), text(r, "action"),
                            text(r, "column_name"), text(r, "old_value"), text(r, "new_value")});
        }
        return list;
    }
    static QStringList columnsOf(const std::vector<Entry>& entries) {
        QStringList names;
        for (const Entry& e : entries) {
            names << e.column;
        }
        return names;
    }
    static void expectAll(const std::vector<Entry>& entries, const QString& action) {
        for (const Entry& e : entries) {
            EXPECT_EQ(e.action, action) << e.column.toStdString();
            EXPECT_EQ(e.login, u"ivanova"_qs) << e.column.toStdString();
            EXPECT_EQ(e.account, u"zev_staff"_qs) << e.column.toStdString();
        }
    }
};

TEST_F(History, AChosenDisciplineAddedAndItsStreamChangedThroughTheGridAreRecorded) {
    DBGridEh& grid = *window->DBGridEh1;
    grid.setFocus();
    chosen().append();
    const QString department = column(*dm->ADOQ_kafedra, u"id_kafedra"_qs).first();
    grid.commitLookupChoice(grid.column(0), Value{department.toLongLong()}, QString());
    const QString discipline = column(*dm->ADOQ_Discipline, u"id_discipline"_qs).first();
    grid.commitLookupChoice(grid.column(1), Value{discipline.toLongLong()}, QString());
    const QString teacher = column(*dm->ADOQ_Teacher2, u"id_teacher"_qs).first();
    grid.commitLookupChoice(grid.column(2), Value{teacher.toLongLong()}, QString());
    const QStringList streams = column(*dm->ADOQ_potoki, u"subgroup"_qs);
    ASSERT_GE(streams.size(), 1);
    grid.commitLookupChoice(grid.column(3), Value{streams.first().toLongLong()}, QString());
    chosen().post();
    ASSERT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    // After the post the grid is read again and stands on the new row, its last.
    const QString key =
        column(chosen(), u"id_disciplineForStudent2"_qs).value(chosen().recNo() - 1);
    ASSERT_FALSE(key.isEmpty());

    std::vector<Entry> h = historyOf(u"DisciplineForStudent2"_qs, key);
    // Every column of the new row, newest first: the last written column first.
    EXPECT_EQ(columnsOf(h),
              QStringList({u"subgroup"_qs, u"id_teacher"_qs, u"id_discipline"_qs, u"id_kafedra"_qs,
                           u"id_semester"_qs, u"id_a_year"_qs, u"id_student"_qs}));
    expectAll(h, u"I"_qs);
    ASSERT_EQ(h.size(), 7u);
    EXPECT_EQ(h[0].newValue, streams.first());
    EXPECT_EQ(h[1].newValue, teacher);
    EXPECT_EQ(h[2].newValue, discipline);
    EXPECT_EQ(h[6].newValue, window->DBLookupComboBox6->keyText());

    // Another stream of the teacher, when he has one, else a number no stream has.
    grid.commitLookupChoice(grid.column(2), Value{teacher.toLongLong()}, QString());
    const QStringList teacherStreams = column(*dm->ADOQ_potoki, u"subgroup"_qs);
    QString other = u"249"_qs;
    for (const QString& s : teacherStreams) {
        if (s != streams.first()) {
            other = s;
        }
    }
    grid.commitLookupChoice(grid.column(3), Value{other.toLongLong()}, QString());
    chosen().post();
    ASSERT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    h = historyOf(u"DisciplineForStudent2"_qs, key);
    ASSERT_EQ(h.size(), 8u) << "one row more: the stream";
    EXPECT_EQ(h[0].action, u"U"_qs);
    EXPECT_EQ(h[0].column, u"subgroup"_qs);
    EXPECT_EQ(h[0].oldValue, streams.first());
    EXPECT_EQ(h[0].newValue, other);
    EXPECT_EQ(h[0].login, u"ivanova"_qs);
}

TEST_F(History, AnElectiveDeletedThroughTheGridIsRecordedWithEveryValueItHad) {
    DBGridEh& grid = *window->QFDBGridEh1;
    ASSERT_GE(electives().recordCount(), 2);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid.cellRect(1, 2).center());
    ASSERT_EQ(electives().recNo(), 2);
    const QString key = column(electives(), u"id_disciplineForStudent"_qs).value(1);
    // The columns the row fills, read from the file beforehand.
    const int filled =
        dbValue(
            u"SELECT (id_student IS NOT NULL) + (id_speciality IS NOT NULL) + "
            u"(plan_a_year IS NOT NULL) + (plan_semester IS NOT NULL) + "
            u"(id_group IS NOT NULL) + (descGroupNum IS NOT NULL) + "
            u"(fixed_discipline IS NOT NULL) + (p30 IS NOT NULL) + "
            u"(id_discipline IS NOT NULL) + (id_teacher IS NOT NULL) + "
            u"(ZEV_user IS NOT NULL) + (id_examination IS NOT NULL) + "
            u"(subgroup IS NOT NULL) + (id_semester IS NOT NULL) + (id_a_year IS NOT NULL) "
            u"FROM DisciplineForStudent WHERE id_disciplineForStudent = "_qs +
            key)
            .toInt();
    ASSERT_GE(filled, 5);
    const QString teacher = dbValue(
        u"SELECT id_teacher FROM DisciplineForStudent WHERE id_disciplineForStudent = "_qs + key);
    EXPECT_TRUE(historyOf(u"DisciplineForStudent"_qs, key).empty());

    // Marked with Ctrl+click and deleted with Ctrl+Delete, answering the question with yes.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      grid.cellRect(1, 2).center());
    ASSERT_EQ(grid.selectedRows().count(), 1);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(notices.questions.size(), 1u);
    ASSERT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    const std::vector<Entry> h = historyOf(u"DisciplineForStudent"_qs, key);
    EXPECT_EQ(static_cast<int>(h.size()), filled);
    expectAll(h, u"D"_qs);
    for (const Entry& e : h) {
        EXPECT_TRUE(e.newValue.isEmpty());
        EXPECT_FALSE(e.oldValue.isEmpty());
        if (e.column == u"id_teacher") {
            EXPECT_EQ(e.oldValue, teacher);
        }
    }
}

TEST_F(History, AWriteThroughAnotherConnectionIsRecordedAndTheStaffCannotWriteTheHistory) {
    const QString key = column(chosen(), u"id_disciplineForStudent2"_qs).value(0);
    ASSERT_FALSE(key.isEmpty());
    {
        // Another program on the staff account, which declares nobody.
        auto other =
            server::Session::open(demo.databaseFile, QString::fromLatin1(server::kStaffUser),
                                  QString::fromLatin1(server::kStaffPassword));
        ASSERT_EQ(other->execute(u"UPDATE DisciplineForStudent2 SET subgroup = 248 "
                                 u"WHERE id_disciplineForStudent2 = ?"_qs,
                                 {Value{key.toLongLong()}}),
                  1);
    }
    const std::vector<Entry> h = historyOf(u"DisciplineForStudent2"_qs, key);
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h[0].column, u"subgroup"_qs);
    EXPECT_EQ(h[0].newValue, u"248"_qs);
    EXPECT_EQ(h[0].login, QString());
    EXPECT_EQ(h[0].account, u"zev_staff"_qs);

    // The window's own connection may read the history and not write it.
    for (const QString& write :
         {u"INSERT INTO zev_history (changed_at, db_login, table_name, row_key, action, "
          u"column_name) VALUES ('2020-01-01', 'x', 'DisciplineForStudent2', 1, 'U', 'x')"_qs,
          u"UPDATE zev_history SET zev_login = 'nobody'"_qs, u"DELETE FROM zev_history"_qs}) {
        QString error = u"<no error>"_qs;
        try {
            dm->ADOCon.execute(write);
        } catch (const Error& e) {
            error = e.text();
        }
        EXPECT_TRUE(error.contains(u"permission was denied on the object 'zev_history'"_qs))
            << error.toStdString();
    }
    EXPECT_EQ(historyOf(u"DisciplineForStudent2"_qs, key).size(), 1u);
}

}  // namespace
}  // namespace zev::testing
