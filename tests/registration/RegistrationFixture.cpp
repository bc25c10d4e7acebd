#include "RegistrationFixture.h"

#include "DatabaseFile.h"
#include "FakeDrivers.h"
#include "core/Errors.h"
#include "signin/ApplicationState.h"
#include "signin/LoginStatement.h"
#include "signin/SignInWindow.h"

#include <QTest>
#include <QTimer>

#include <algorithm>

namespace zev::testing {

void RegistrationWindow::SetUp() {
    odbcRun = std::make_unique<OdbcRun>(demo.databaseFile);
    odbcRun->pointSettingsFile(demo.settingsFile);
    Notices::install(&notices);
    Workstation::install(&workstation);
    dm = std::make_unique<TDM_MB>();

    // The sign-in window is modal inside TForm1's construction: fill it and press "Вход".
    QTimer::singleShot(0, [this] {
        ASSERT_NE(Form8, nullptr);
        Form8->Login_Edit->setText(QStringLiteral("ivanova"));
        Form8->Password_Edit->setText(program.passwordOf(QStringLiteral("ivanova")));
        QTest::mouseClick(Form8->SpeedButton2, Qt::LeftButton);
    });
    window = std::make_unique<TForm1>();
    ASSERT_FALSE(ApplicationState::terminated()) << "the sign-in did not succeed";

    // From here on every statement is logged, on the user's own account; a statement containing
    // failOn is refused as the server would refuse it.
    // The new session declares the member of staff, as the sign-in's did on its own session.
    std::unique_ptr<ConnectionDriver> driver =
        odbcRun->openDriver(dm->ADOCon.settings(), dm->ADOCon.baseFolder());
    driver->execute(bindMarkers(QString::fromLatin1(kDeclareStaffLoginStatement)).sql,
                    {Value{window->UserLogin}});
    dm->ADOCon.openWithDriver(
        std::make_unique<WatchedDriver>(std::move(driver), [this](const QString& sql, bool) {
            log.push_back(sql);
            if (!failOn.isEmpty() && sql.contains(failOn)) {
                throw DatabaseError(QStringLiteral("Refused by the test server"));
            }
            ++passedOn;
        }));
    if (odbcRun->server()) {
        odbcRun->server()->resetRecords();  // the sign-in's requests are counted elsewhere
    }
    window->show();
}

void RegistrationWindow::TearDown() {
    failOn.clear();
    window.reset();
    if (odbcRun->server()) {
        // Over the SQL Server path every statement the window sent, in every action of the
        // test, cost exactly one request: nothing prepared, unprepared or asked besides.
        int requests = 0;
        for (const tds::SessionRecord& session : odbcRun->server()->sessions()) {
            requests += session.requests;
        }
        EXPECT_EQ(requests, passedOn) << "requests on the wire against statements sent";
    }
    dm.reset();
    odbcRun.reset();
    Notices::install(nullptr);
    Workstation::install(nullptr);
}

QStringList RegistrationWindow::column(Dataset& list, const QString& field) {
    QStringList texts;
    for (int row = 0; row < list.recordCount(); ++row) {
        const Dataset::DisplayRow shown(list, row);
        texts << list.fieldByName(field).text();
    }
    return texts;
}

void RegistrationWindow::choose(DBLookupComboBox& box, const QString& field, const QString& value) {
    Dataset& list = *box.listSource()->dataSet();
    const QStringList texts = column(list, field);
    const int row = int(texts.indexOf(value));
    ASSERT_GE(row, 0) << field.toStdString() << " " << value.toStdString() << " not in "
                      << texts.join(u'|').toStdString();
    ASSERT_TRUE(box.isEnabled());
    box.chooseRow(row);
}

void RegistrationWindow::walkToGroup(const QString& semester) {
    choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox7, QStringLiteral("id_f_educ"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox4, QStringLiteral("id_speciality"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox2, QStringLiteral("p32"), QStringLiteral("2024/2025"));
    choose(*window->DBLookupComboBox5, QStringLiteral("id_semester"), semester);
    choose(*window->DBLookupComboBox3, QStringLiteral("p20"), QStringLiteral("ИВТ-24"));
}

int RegistrationWindow::listRowOfStudent(int student) {
    // The list shows the students by name; the group's students are counted by their keys.
    QStringList keys = column(*dm->ADOQ_Students, QStringLiteral("id_student"));
    const QStringList listed = keys;
    std::sort(keys.begin(), keys.end(),
              [](const QString& a, const QString& b) { return a.toLongLong() < b.toLongLong(); });
    return student < keys.size() ? int(listed.indexOf(keys[student])) : -1;
}

void RegistrationWindow::chooseStudent(int student) {
    ASSERT_TRUE(window->DBLookupComboBox6->isEnabled());
    const int row = listRowOfStudent(student);
    ASSERT_GE(row, 0) << "the group has no student " << student;
    window->DBLookupComboBox6->chooseRow(row);
}

std::vector<QString> RegistrationWindow::sentContaining(const QString& part) const {
    std::vector<QString> found;
    for (const QString& sql : log) {
        if (sql.contains(part)) {
            found.push_back(sql);
        }
    }
    return found;
}

QString RegistrationWindow::dbValue(const QString& sql) const {
    return readDatabaseValue(demo.databaseFile, sql);
}

void RegistrationWindow::runOnDatabase(const QString& sql) const {
    EXPECT_EQ(runOnDatabaseFile(demo.databaseFile, sql), QString()) << sql.toStdString();
}

}  // namespace zev::testing
