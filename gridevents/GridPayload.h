#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace zev {

// The grid-edit clipboard payload: rows one after another, each value of a row in Windows-1251
// followed by kValueEnd, each row followed by kRowEnd.
inline constexpr char kValueEnd = '\x01';
inline constexpr char kRowEnd = '\x02';

// The rows of a payload as a paste reads them.
struct PastedRows {
    std::vector<std::vector<QString>> rows;  // each with exactly `valuesPerRow` texts
    bool unfinished = false;                 // the payload ended inside a row: that row is dropped
};

// Splits a payload into rows of `valuesPerRow` texts (one per visible grid column). A row with
// fewer values than columns leaves the rest empty; values beyond the columns are ignored. Runs in
// time linear in the payload.
PastedRows decodeGridPayload(const QByteArray& payload, int valuesPerRow);

// One row of the payload from its values.
QByteArray encodeGridRow(const std::vector<QString>& values);

}  // namespace zev
