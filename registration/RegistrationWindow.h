#pragma once

#include "data/ElectivesSql.h"
#include "data/RecordRulesHost.h"
#include "data/StreamPlaces.h"
#include "gridevents/GridEvents.h"
#include "registration/FoundStudents.h"
#include "registration/ListNames.h"
#include "registration/RegistrationMenus.h"
#include "signin/SignedInUser.h"
#include "widgets/DBGridEh.h"
#include "widgets/DBLookupComboBox.h"

#include <QMainWindow>

#include <optional>
#include <vector>

class QLabel;

namespace zev {

class TDM_MB;
class StudentSearch;
class GroupExportCommands;
class GroupAssignmentCommands;
class HistoryDialog;

// The registration window: the selection cascade from faculty to student in the top panel, the
// student's electives grid and the chosen-disciplines grid below it.
class TForm1 : public QMainWindow, public SignedInUser, public RecordRulesHost {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The half-year code of the chosen semester, spliced into the chosen-disciplines lists.
    QString IdWS;

    QWidget* Panel5;
    QLabel* Label1;                       // "Факультет:"
    QLabel* Label7;                       // "Форма обученя:"
    QLabel* Label3;                       // "Специальность:"
    QLabel* Label2;                       // "Учебный год:"
    QLabel* Label5;                       // "Семестр:"
    QLabel* Label4;                       // "Группа:"
    QLabel* Label6;                       // "Студент:"
    DBLookupComboBox* DBLookupComboBox1;  // faculty
    DBLookupComboBox* DBLookupComboBox7;  // form of education
    DBLookupComboBox* DBLookupComboBox4;  // speciality
    DBLookupComboBox* DBLookupComboBox2;  // academic year
    DBLookupComboBox* DBLookupComboBox5;  // semester
    DBLookupComboBox* DBLookupComboBox3;  // group
    DBLookupComboBox* DBLookupComboBox6;  // student
    TQFDBGridEh* QFDBGridEh1;             // electives
    DBGridEh* DBGridEh1;                  // chosen disciplines
    TQFDBGridEvents* QFDBGridEvents1;
    QLabel* Label8 = nullptr;                 // "Поиск:"
    StudentSearch* StudentSearch1 = nullptr;  // finding a student by name (Ctrl+K)
    // The menu "Группа": export and printed sheet of the group and of the faculty.
    GroupExportCommands* GroupExport1 = nullptr;
    // The menu "Группа": one elective place assigned to the chosen group's students at once.
    GroupAssignmentCommands* GroupAssignment1 = nullptr;
    RegistrationMenus Menus;  // the menu bar

    // --- window
    void FormCreate();
    bool FormCloseQuery();
    void Panel5Resize();

    // --- selection cascade
    void DBLookupComboBox1Click();
    void DBLookupComboBox7Click();
    void DBLookupComboBox4Click();
    void DBLookupComboBox2Click();
    void DBLookupComboBox5Click();
    void DBLookupComboBox3Click();
    void DBLookupComboBox6Click() override;
    void DBLookupComboBox1Enter();
    void DBLookupComboBox1Exit(DBLookupComboBox& sender);
    void ReopenSubGroups();

    // --- finding a student by name
    // Sets the cascade to the student found, choosing each drop-down's entry in turn as the user
    // would (without dropping the lists down); stops with a notice where a list lacks the entry.
    void chooseFoundStudent(const FoundStudent& found);

    // --- electives grid
    void QFDBGridEh1ColEnter();
    void QFDBGridEh1ColExit();
    void FilterSubGroups() override;
    // The discipline column ("Дисциплина").
    void QFDBGridEh1Columns2UpdateData(DBGridColumnEh& column, ColumnUpdate& update);
    // The year column ("На год").
    void QFDBGridEh1Columns5UpdateData(DBGridColumnEh& column, ColumnUpdate& update);
    // The semester and the teacher columns ("На семестер", "Преподаватель").
    void QFDBGridEh1Columns4UpdateData(DBGridColumnEh& column, ColumnUpdate& update);
    // The button of the stream column ("Поток").
    void QFDBGridEh1Columns5EditButtons0Click();
    // The stream column: a stream whose places are all taken is refused.
    void QFDBGridEh1Columns6UpdateData(DBGridColumnEh& column, ColumnUpdate& update);
    // The places of the streams that fit the current electives row (none when no stream fits).
    StreamPlaces currentStreamPlaces();

    // --- chosen-disciplines grid
    // The department column ("Кафедра").
    void DBGridEh1Columns0UpdateData(DBGridColumnEh& column, ColumnUpdate& update);
    // The teacher column ("Преподаватель").
    void DBGridEh1Columns2UpdateData(DBGridColumnEh& column, ColumnUpdate& update);

    // --- pending edits
    // Before a choice in the top panel: a pending row of either grid is posted; a row that
    // cannot be posted is discarded only when the user agrees. False while a row stays pending:
    // the choice is then refused.
    bool settlePendingEdits();

    // --- what the record rules read
    Value studentKey() const override;
    Value yearKey() const override;
    Value semesterKey() const override;
    Value groupKey() const override;
    QString userLogin() const override { return UserLogin; }
    void showRuleNotice(const QString& text, bool isError) override;

    // Opens the new-stream dialog for the current electives row; replaceable by tests.
    std::function<void()> openNewStreamDialog;

    // --- history ("Запись" menu)
    // The history of the current row of the grid the focus is in (the electives grid when the
    // focus is in neither), and of the chosen student, in the history dialog.
    void showRowHistory();
    void showStudentHistory();
    // Shows the history dialog modally; replaceable by tests.
    std::function<void(HistoryDialog&)> showHistoryDialog;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel();
    void buildElectivesGrid();
    void buildChosenGrid();
    void configureGridEvents();
    void buildStudentSearch(QWidget* central);
    // Shows the authentication window modally; anything but a successful sign-in tells the
    // application to end.
    void SignIn();

    // The keys a stream must have to fit the current electives row, read from the row and from
    // the discipline and semester lists positioned on it; none when a piece is missing.
    std::optional<ElectivesSql::StreamKeys> streamKeysOfRow();

    void openNext(DBLookupComboBox& next);
    static void clearAndDisable(DBLookupComboBox& box);
    void deactivate();
    void closeStreamList();
    void readChosenDisciplines();
    // The chosen-disciplines rows belong to one student: they go with every choice above him.
    void closeChosenRows();
    bool settlePendingRow(Dataset& rows);
    bool postOrDiscard(Dataset& rows);
    bool askToDiscard(Dataset& rows);
    // The electives row whose post was refused as the focus entered a drop-down of the top
    // panel: the user has just been told why. A choice made on that drop-down while the row is
    // as it was asks at once whether to give it up, rather than telling the same reason again.
    struct RefusedRow {
        int recNo = 0;
        std::vector<Value> values;
    };
    static RefusedRow rowAsItIs(const Dataset& rows);
    bool refusedJustNow(const Dataset& rows) const;
    std::optional<RefusedRow> refusedOnEnter_;
    void rememberTeacherNames();
    void paintTeacherName(DBGridEh& grid, const QRect& rect, const DBGridColumnEh& column);

    TDM_MB& dm_;
    // True while a found student is being chosen: the cascade then opens each next drop-down
    // without dropping its list down.
    bool choosingFound_ = false;
    // Every teacher's name, read with the full teacher list at each student choice. The teacher
    // list itself is narrowed to one department at every row change; rows whose teacher lies
    // outside it still show the name through these.
    ListNames teacherNames_;
    // The chosen-disciplines grid's disciplines, teachers and streams as read for the whole
    // half-year; the department and teacher columns narrow the lists to one department or
    // teacher, and the other rows keep their names through these.
    ListNames chosenDisciplineNames_;
    ListNames chosenTeacherNames_;
    ListNames chosenStreamNames_;
};

}  // namespace zev
