#pragma once

#include "data/Dataset.h"

#include <QString>

#include <cstdint>

namespace zev {

// The history of one row or of one student as the history dialog shows it: one record per
// changed column, newest first, in words a member of staff reads: "Когда" (local time), "Кто",
// "Действие", "Запись", "Что", "Было", "Стало". The server's procedures GetRowHistory and
// GetStudentHistory answer it; the names of keys (disciplines, teachers, semesters, ...) come
// from the server, the words for tables, columns and actions from here.
class HistoryRows : public Dataset {
    Q_OBJECT
public:
    explicit HistoryRows(Connection* connection, QObject* parent = nullptr);

    // What the next open reads: one row of a table (its name as the server has it), or every
    // row of one student. Closes the dataset.
    void setRow(const QString& table, std::int64_t key);
    void setStudent(std::int64_t student);

    // The words for a table, a column and an action of the history.
    static QString tableWords(const QString& table);
    static QString columnWords(const QString& column);
    static QString actionWords(const QString& action);
    // A time of the history (UTC, "YYYY-MM-DD HH:MM:SS.mmm") as local time, "dd.MM.yyyy hh:mm:ss".
    static QString localTime(const QString& utc);

protected:
    ResultSet fetch() override;

private:
    QString table_;
    std::int64_t key_ = 0;
    bool student_ = false;
};

}  // namespace zev
