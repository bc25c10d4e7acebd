#pragma once

#include <QString>

#include <functional>
#include <memory>

class QComboBox;
class QWidget;

namespace zev {
class DBLookupComboBox;
class TDM_MB;
class TForm1;
namespace testing {
class DemoProgramFolder;
}  // namespace testing
}  // namespace zev

namespace zev::tour {

class Screenshots;

// Walks the real client through its screens as a user would, on a demo database, and pictures
// each screen: the sign-in window, the selection cascade with each list open, a chosen student,
// the discipline list of the electives grid, the stream button's dialog and notice, a full
// stream refused, posting
// without a stream and the question when another student is chosen meanwhile, deleting two rows
// with Ctrl+Delete, a department chosen in the chosen-disciplines grid, the history of the
// student after a stream changed there, finding a student by name, the menu "Группа" with
// the group's print preview and the faculty's export, and one elective place assigned to the
// group.
class Tour {
public:
    // The client starts in the program folder, which must outlive the tour.
    Tour(Screenshots& shots, const testing::DemoProgramFolder& program);
    ~Tour();

    // Throws zev::Error when the client does not reach a screen the tour expects.
    void run();

private:
    void signIn();
    void cascade();
    void chooseStudent();
    void disciplineList();
    void newStreamDialog();
    // After the new stream: another stream of the row made full, its choice refused.
    void fullStreamRefused(int row);
    void streamButtonNotice();
    void postWithoutStream();
    void discardQuestion();
    void deleteTwoRows();
    void chosenDepartment();
    void history();
    void findStudent();
    void exportAndPrint();
    void assignToGroup();

    // The open list of a drop-down: highlight the entry, picture it, click it.
    void chooseFromOpenList(DBLookupComboBox& box, const QString& entry, const QString& shot);
    // Makes an electives row and column current by clicking its cell.
    void clickCell(int row, int dataColumn);
    // The row of the electives view for which the predicate holds; throws when none does.
    int findRow(const QString& what, const std::function<bool()>& predicate);
    // The lookup editor open in the electives grid's current cell.
    QComboBox& cellDropDown();

    Screenshots& shots_;
    const testing::DemoProgramFolder& program_;
    std::unique_ptr<TDM_MB> dm_;
    std::unique_ptr<TForm1> form_;
};

}  // namespace zev::tour
