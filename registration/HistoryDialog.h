#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QPushButton;

namespace zev {

class Connection;
class DataSource;
class DBGridEh;
class HistoryRows;

// The "История" dialog: the changes of one row of the grids, or of every row of one student,
// newest first, each changed column on a line of its own: when, who, what was done, which row,
// which column, the value before and after. Read-only; Escape or "Закрыть" closes it.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    explicit HistoryDialog(Connection& connection, QWidget* parent = nullptr);
    ~HistoryDialog() override;

    // Reads the history of one row (its table as the server names it) or of one student;
    // `subject` tells the user what it is the history of.
    void showRow(const QString& table, std::int64_t key, const QString& subject);
    void showStudent(std::int64_t student, const QString& subject);

    QLabel* SubjectLabel;
    DBGridEh* HistoryGrid;
    QLabel* EmptyLabel;  // "Изменений нет.", in place of an empty grid
    QPushButton* CloseButton;
    HistoryRows& rows() const { return *rows_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void opened(const QString& subject);

    HistoryRows* rows_;
    DataSource* source_;
};

}  // namespace zev
