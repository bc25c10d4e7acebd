// The menu "Группа": the chosen group's places in Excel and CSV files, its printed sheet and PDF,
// and every group of a faculty under a progress dialog that can stop it.
#include "../export/ZipReader.h"
#include "FileSizeLimit.h"
#include "QtPrinting.h"
#include "RegistrationFixture.h"

#include "data/DataModule.h"
#include "registration/GroupExportCommands.h"
#include "widgets/FileChooser.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// Texts streamed into the failure messages as the user reads them.
inline std::ostream& operator<<(std::ostream& os, const QString& text) {
    return os << text.toStdString();
}

namespace zev::testing {
namespace {

using namespace Qt::StringLiterals;

// Answers every save dialog with the file the test chose, and keeps what the dialog offered.
class ChosenFile final : public FileChooser {
public:
    QString saveFileName(QWidget*, const QString& caption, const QString& suggestedName,
                         const QString& filter) override {
        captions << caption;
        suggested << suggestedName;
        filters << filter;
        return fileName;
    }
    QString fileName;
    QStringList captions, suggested, filters;
};

QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList csvLines(const QByteArray& csv) {
    QStringList lines = QString::fromUtf8(csv.mid(3)).split(u"\r\n"_qs);
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.pop_back();
    }
    return lines;
}

class Export : public RegistrationWindow {
protected:
    void SetUp() override {
        RegistrationWindow::SetUp();
        FileChooser::install(&chosen);
    }
    void TearDown() override {
        FileChooser::install(nullptr);
        RegistrationWindow::TearDown();
    }

    GroupExportCommands& commands() { return *window->GroupExport1; }
    // The menu "Группа" of the window's menu bar.
    QMenu* groupMenu() const {
        for (QAction* action : window->menuBar()->actions()) {
            if (action->text().remove(u'&') == u"Группа"_qs) {
                return action->menu();
            }
        }
        return nullptr;
    }
    // The cascade at ИВТ-24 with the student list (which the group's choice drops down) closed.
    void chooseTheGroup() {
        walkToGroup();
        window->DBLookupComboBox6->closeUp();
    }
    // Presses the keys in the active window, as the user reaches a menu entry by its shortcut;
    // `whileOpen` runs as soon as the command's own event loop (a modal dialog) runs.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers,
               const std::function<void()>& whileOpen = {}) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        if (whileOpen) {
            QTimer::singleShot(0, whileOpen);
        }
        QTest::keyClick(window.get(), key, modifiers);
    }
    QString file(const QString& name) const { return program.filePath(name); }

    // The places of the group as the window shows them, student by student in the order of the
    // student list: each student chosen, each row of the electives grid read as the user sees
    // it. The teacher's name is read from the database by the row's teacher key.
    QStringList linesShownByTheWindow() {
        QStringList lines;
        const QStringList names = column(*dm->ADOQ_Students, u"s_fio"_qs);
        for (int row = 0; row < names.size(); ++row) {
            window->DBLookupComboBox6->chooseRow(row);
            Dataset& rows = *dm->ADOQ_SelectDisciplineForStudent;
            for (int r = 0; r < rows.recordCount(); ++r) {
                const Dataset::DisplayRow shown(rows, r);
                const auto text = [&](const char* field) {
                    return rows.fieldByName(QString::fromLatin1(field)).text();
                };
                const QString teacher = text("id_teacher").isEmpty()
                                            ? QString()
                                            : dbValue(
                                                  u"SELECT p26 || ' ' || p27 || ' ' || p28 "
                                                  u"FROM teacher WHERE id_teacher = "_qs +
                                                  text("id_teacher"));
                lines << QStringList{names[row],
                                     text("Discipline"),
                                     text("p30"),
                                     teacher,
                                     text("subgroup"),
                                     text("InsYear"),
                                     text("InsSemester"),
                                     text("id_discipline").isEmpty() ? u"пусто"_qs : u"выбрано"_qs}
                             .join(u';');
            }
        }
        return lines;
    }

    ChosenFile chosen;
};

TEST_F(Export, TheMenuGroupHoldsTheCommandsWithTheirKeysAndAsksForAGroupFirst) {
    QMenu* group = groupMenu();
    ASSERT_NE(group, nullptr);
    QStringList entries;
    for (QAction* action : group->actions()) {
        if (!action->isSeparator()) {
            entries << action->text().remove(u'&') + u' ' +
                           action->shortcut().toString(QKeySequence::PortableText);
        }
    }
    EXPECT_EQ(
        entries,
        (QStringList{u"Экспорт группы в Excel… Ctrl+Shift+X"_qs,
                     u"Экспорт группы в CSV… Ctrl+Shift+C"_qs, u"Печать группы… Ctrl+P"_qs,
                     u"Сохранить группу в PDF… Ctrl+Shift+P"_qs,
                     u"Экспорт факультета в Excel… Ctrl+Alt+X"_qs,
                     u"Экспорт факультета в CSV… Ctrl+Alt+C"_qs, u"Назначить группе… Ctrl+G"_qs}));

    // Opened with nothing chosen, the menu offers nothing; closed, every entry's keys answer.
    group->popup(window->mapToGlobal(QPoint(0, 0)));
    for (QAction* action : group->actions()) {
        EXPECT_EQ(action->isEnabled(), action->isSeparator()) << action->text();
    }
    group->hide();
    for (QAction* action : group->actions()) {
        EXPECT_TRUE(action->isEnabled()) << action->text();
    }

    // Nothing chosen yet: each says what to choose, and no file is asked for.
    chosen.fileName = file(u"x.csv"_qs);
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    commands().PdfAction->trigger();
    commands().FacultyCsvAction->trigger();
    ASSERT_EQ(notices.messages.size(), 3u);
    EXPECT_EQ(notices.messages[0].text,
              u"Выберите группу: факультет, форму обучения, "
              u"специальность, учебный год, семестр и группу."_qs);
    EXPECT_EQ(notices.messages[1].text, notices.messages[0].text);
    EXPECT_EQ(notices.messages[2].text, u"Выберите факультет, учебный год и семестр."_qs);
    EXPECT_TRUE(chosen.captions.isEmpty());
    EXPECT_FALSE(QFile::exists(chosen.fileName));
}

TEST_F(Export, TheGroupsCsvHoldsEveryPlaceAsTheWindowShowsItStudentByStudent) {
    chooseTheGroup();
    // The group chosen, the open menu offers every entry.
    QMenu* menu = groupMenu();
    ASSERT_NE(menu, nullptr);
    menu->popup(window->mapToGlobal(QPoint(0, 0)));
    for (QAction* action : menu->actions()) {
        EXPECT_TRUE(action->isEnabled()) << action->text();
    }
    menu->hide();
    chosen.fileName = file(u"ИВТ-24.csv"_qs);
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(notices.messages.empty());
    EXPECT_TRUE(notices.errors.empty());
    ASSERT_EQ(chosen.suggested, QStringList{u"ИВТ-24 2024-2025 3 семестр.csv"_qs});
    EXPECT_EQ(chosen.captions, QStringList{u"Экспорт группы в CSV"_qs});

    const QByteArray csv = readFile(chosen.fileName);
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    QStringList lines = csvLines(csv);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeFirst(),
              u"Студент;Дисциплина;Группа дисциплин по выбору;Преподаватель;"
              u"Поток;На учебный год;На семестр;Выбор"_qs);
    const QStringList shown = linesShownByTheWindow();
    EXPECT_EQ(lines, shown);
    // The demo's group has free places and a student whose name has Ё.
    EXPECT_GT(lines.filter(u";пусто"_qs).size(), 0);
    EXPECT_GT(lines.filter(u";выбрано"_qs).size(), 0);
    EXPECT_GT(lines.filter(u"Фёдоров"_qs).size(), 0);
    EXPECT_EQ(sentContaining(u"GetGroupElectives"_qs).size(), 1u);
}

TEST_F(Export, TheGroupsWorkbookAndPdfAreWrittenAndAPendingRowIsPostedFirst) {
    chooseTheGroup();
    chooseStudent(1);
    // A pending change of the electives grid: the export posts it and shows it.
    Dataset& rows = *dm->ADOQ_SelectDisciplineForStudent;
    rows.first();
    rows.edit();
    rows.fieldByName(u"subgroup"_qs).setValue(std::int64_t{102});
    const QString place = rows.fieldByName(u"id_disciplineForStudent"_qs).text();

    chosen.fileName = file(u"ИВТ-24.xlsx"_qs);
    commands().GroupExcelAction->trigger();
    ASSERT_TRUE(notices.messages.empty()) << notices.messages.front().text.toStdString();
    EXPECT_EQ(
        dbValue(u"SELECT subgroup FROM DisciplineForStudent WHERE id_disciplineForStudent = "_qs +
                place),
        u"102"_qs);
    EXPECT_EQ(chosen.filters, QStringList{u"Книга Excel (*.xlsx)"_qs});
    const QMap<QString, QByteArray> members = zipMembers(readFile(chosen.fileName));
    ASSERT_TRUE(members.contains(u"xl/worksheets/sheet1.xml"_qs));
    const QString strings = QString::fromUtf8(members.value(u"xl/sharedStrings.xml"_qs));
    EXPECT_TRUE(strings.contains(u"ИВТ-24"_qs));
    EXPECT_TRUE(strings.contains(u"Факультет информационных технологий"_qs));
    EXPECT_TRUE(strings.contains(u"Фёдоров Артём Николаевич"_qs));
    const QString sheet = QString::fromUtf8(members.value(u"xl/worksheets/sheet1.xml"_qs));
    const int places = dbValue(
                           u"SELECT COUNT(*) FROM DisciplineForStudent d JOIN s_g ON "
                           u"s_g.id_student = d.id_student AND s_g.id_group = d.id_group "
                           u"WHERE d.id_group = 5 AND d.plan_a_year = 2 AND "
                           u"d.plan_semester = 3 AND d.id_speciality = 1"_qs)
                           .toInt();
    ASSERT_GT(places, 12);
    // The title, five heading lines, a blank one and the header row above the places.
    EXPECT_TRUE(sheet.contains(u"<row r=\"%1\""_qs.arg(8 + places)));
    EXPECT_FALSE(sheet.contains(u"<row r=\"%1\""_qs.arg(9 + places)));

    chosen.fileName = file(u"ИВТ-24.pdf"_qs);
    press(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    const QByteArray pdf = readFile(chosen.fileName);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_GT(pdf.size(), 2000);
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
}

TEST_F(Export, PrintShowsTheSheetInThePrintPreview) {
    chooseTheGroup();
    int pages = -1;
    QString title;
    press(Qt::Key_P, Qt::ControlModifier, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
            title = preview->windowTitle();
            if (auto* view = preview->findChild<QPrintPreviewWidget*>()) {
                view->updatePreview();
                pages = view->pageCount();
            }
            // ZEV_EXPORT_PICTURE=FILE.png keeps a picture of the preview, to look at the sheet.
            if (qEnvironmentVariableIsSet("ZEV_EXPORT_PICTURE")) {
                preview->grab().save(qEnvironmentVariable("ZEV_EXPORT_PICTURE"));
            }
        }
        if (modal) {
            modal->close();
        }
    });
    EXPECT_EQ(title, u"Печать группы ИВТ-24"_qs);
    EXPECT_GE(pages, 1);
    EXPECT_TRUE(notices.messages.empty());
}

TEST_F(Export, AGroupWithoutPlacesIsSaidSoAndAGivenUpSaveDialogWritesNothing) {
    chooseTheGroup();
    // The save dialog given up: nothing is written and nothing said.
    chosen.fileName.clear();
    commands().GroupExcelAction->trigger();
    commands().PdfAction->trigger();
    EXPECT_EQ(chosen.captions.size(), 2);
    EXPECT_TRUE(notices.messages.empty());
    EXPECT_TRUE(QDir(program.path()).entryList({u"*.xlsx"_qs, u"*.pdf"_qs}, QDir::Files).isEmpty());

    // The group's places gone from the curriculum's semester: no file is asked for.
    runOnDatabase(
        u"DELETE FROM DisciplineForStudent WHERE id_group = 5 AND plan_a_year = 2 "
        u"AND plan_semester = 3"_qs);
    chosen.fileName = file(u"ИВТ-24.csv"_qs);
    commands().GroupCsvAction->trigger();
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages[0].text,
              u"У студентов группы ИВТ-24 нет мест дисциплин по выбору в "
              u"этом учебном году и семестре."_qs);
    EXPECT_EQ(chosen.captions.size(), 2);
    EXPECT_FALSE(QFile::exists(chosen.fileName));
}

#if defined(__unix__)
TEST_F(Export, AFileThatCannotBeWrittenIsReportedAndTheOldOneStaysAsItWas) {
    chooseTheGroup();
    chosen.fileName = file(u"ИВТ-24.csv"_qs);
    writeFile(chosen.fileName, "the old export");
    // Files may grow to 512 bytes only: the group's CSV breaks off half-way.
    FileSizeLimit limit(512);
    ASSERT_TRUE(limit.applied());
    commands().GroupCsvAction->trigger();
    limit.lift();

    ASSERT_EQ(notices.messages.size(), 1u)
        << (notices.errors.empty() ? QString() : notices.errors.front());
    EXPECT_EQ(notices.messages[0].caption, u"Уведомление"_qs);
    EXPECT_EQ(notices.messages[0].icon, NoticeIcon::Error);
    EXPECT_TRUE(notices.messages[0].text.startsWith(u"Не удалось сохранить файл "_qs));
    EXPECT_TRUE(notices.messages[0].text.endsWith(u"Прежний файл не изменён."_qs));
    EXPECT_EQ(readFile(chosen.fileName), QByteArray("the old export"));
    EXPECT_EQ(QDir(program.path()).entryList({u"ИВТ-24*"_qs}, QDir::Files),
              QStringList{u"ИВТ-24.csv"_qs});
}
#endif

TEST_F(Export, TheFacultysFileHoldsEveryGroupEachAsItsOwnExportHoldsIt) {
    chooseTheGroup();
    chosen.fileName = file(u"группа.csv"_qs);
    commands().GroupCsvAction->trigger();
    const QStringList groupLines = csvLines(readFile(chosen.fileName)).mid(1);

    chosen.fileName = file(u"факультет.csv"_qs);
    press(Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_TRUE(notices.messages.empty()) << notices.messages.front().text.toStdString();
    EXPECT_EQ(chosen.suggested.back(),
              u"Факультет информационных технологий 2024-2025 3 семестр.csv"_qs);
    QStringList lines = csvLines(readFile(chosen.fileName));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.takeFirst().startsWith(u"Специальность;Группа;Студент;"_qs));
    const QString prefix = u"09.03.01 Информатика и вычислительная техника;ИВТ-24;"_qs;
    QStringList ofGroup;
    QSet<QString> groups;
    for (const QString& line : lines) {
        groups.insert(line.section(u';', 1, 1));
        if (line.startsWith(prefix)) {
            ofGroup << line.mid(prefix.size());
        }
    }
    EXPECT_EQ(ofGroup, groupLines);
    EXPECT_TRUE(groups.contains(u"ИВТз-24"_qs)) << "the part-time groups too";
    EXPECT_TRUE(groups.contains(u"ПИ-24"_qs)) << "and the other speciality's";
    EXPECT_EQ(sentContaining(u"GetGroupElectives"_qs).size(),
              static_cast<std::size_t>(groups.size() + 1));

    chosen.fileName = file(u"факультет.xlsx"_qs);
    commands().FacultyExcelAction->trigger();
    EXPECT_TRUE(zipMembers(readFile(chosen.fileName)).contains(u"xl/worksheets/sheet1.xml"_qs));
}

TEST_F(Export, AFacultyWithoutGroupsInTheSemesterIsSaidSo) {
    chooseTheGroup();
    // The faculty's groups taken out of the academic year behind the window's back.
    runOnDatabase(u"DELETE FROM g_r_y WHERE id_a_year = 2"_qs);
    chosen.fileName = file(u"факультет.xlsx"_qs);
    commands().FacultyExcelAction->trigger();
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages[0].text,
              u"На факультете нет групп в этом учебном году и семестре."_qs);
    EXPECT_TRUE(chosen.captions.isEmpty());
    EXPECT_EQ(window->findChild<QProgressDialog*>(), nullptr);
}

TEST_F(Export, CancelInTheProgressDialogStopsTheFacultysExportAndWritesNothing) {
    chooseTheGroup();
    chosen.fileName = file(u"факультет.csv"_qs);
    writeFile(chosen.fileName, "the old export");
    markLog();
    bool cancelled = false;
    QTimer::singleShot(0, [&] {
        auto* progress = window->findChild<QProgressDialog*>();
        ASSERT_NE(progress, nullptr);
        auto* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), u"Отмена"_qs);
        QTest::mouseClick(cancel, Qt::LeftButton);
        cancelled = true;
    });
    commands().FacultyCsvAction->trigger();
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(notices.messages.empty());
    EXPECT_EQ(readFile(chosen.fileName), QByteArray("the old export"));
    const std::size_t groups = static_cast<std::size_t>(
        dbValue(u"SELECT COUNT(DISTINCT g_s.id_group) FROM g_s JOIN g_r_y ON g_r_y.id_group = "
                u"g_s.id_group JOIN Semester ON Semester.id_rate = g_r_y.id_rate WHERE "
                u"g_r_y.id_a_year = 2 AND Semester.id_semester = 3 AND g_s.id_speciality IN "
                u"(SELECT id_speciality FROM Speciality_form WHERE id_faculty = 1)"_qs)
            .toInt());
    ASSERT_GT(groups, 2u);
    EXPECT_LT(sentContaining(u"GetGroupElectives"_qs).size(), groups)
        << "the groups after the cancel are not read";
}

}  // namespace
}  // namespace zev::testing
