#pragma once

#include <QDialog>

class QLineEdit;

namespace zev {

class DBGridEh;

// The grid's find dialog (Ctrl+F): a text and a "Find next" button that searches the visible
// columns' texts of the grid from the current cell on.
class GridFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit GridFindDialog(DBGridEh& grid);

private:
    void findNext();

    DBGridEh& grid_;
    QLineEdit* text_;
};

}  // namespace zev
