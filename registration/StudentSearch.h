#pragma once

#include "registration/FoundStudents.h"

#include <QObject>

#include <functional>
#include <vector>

class QLineEdit;
class QTreeWidget;
class QWidget;

namespace zev {

// The search for a student by name in the registration window's top panel: a text field whose
// every change lists the matching students in a list laid over the window below the field. The
// keyboard does everything: Down and Up (and the page keys) move through the list, Enter takes
// the highlighted student, Escape closes the list; a click or a double click takes one too.
class StudentSearch : public QObject {
    Q_OBJECT
public:
    // The field lives in `panel`; the list is a child of `overlayParent` (the window's central
    // widget), so that it may reach over the grids.
    StudentSearch(QWidget* panel, QWidget* overlayParent);

    QLineEdit* edit() const { return edit_; }
    QTreeWidget* resultList() const { return list_; }
    const std::vector<FoundStudent>& results() const { return found_; }
    bool listShown() const;

    // Reads the students whose name begins with the text; set by the window.
    std::function<std::vector<FoundStudent>(const QString& text)> find;
    // The user took one of the students found.
    std::function<void(const FoundStudent& student)> onChoose;

    // Ctrl+K: the field takes the focus with its text selected, and the list shows again.
    void activate();
    // Takes the student of list row `row`, as Enter or a click does.
    void choose(int row);
    void hideList();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void search(const QString& text);
    void showList();
    void placeList();
    void moveCurrent(int by);

    QLineEdit* edit_;
    QTreeWidget* list_;
    QWidget* overlayParent_;
    std::vector<FoundStudent> found_;
};

}  // namespace zev
