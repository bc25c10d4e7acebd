#pragma once

#include "core/Value.h"
#include "data/ColumnStore.h"

#include <QHash>
#include <QString>

namespace zev {

class Dataset;
class Field;

// The names of a list as read in full: key text to shown text. The window's lists are narrowed
// on the server as the user works (a department, a teacher, a discipline's department), and a
// lookup then resolves only the keys still listed; grid rows whose key lies outside still show
// their names through these.
//
// Remembering copies the two columns as the list keeps them, nothing per row; the keys are
// indexed at the first name asked for, since most grids find every name in the narrowed list
// and never ask.
class ListNames {
public:
    // Takes every row of the open list as it stands; forgets what it held before.
    void remember(const Dataset& list, const QString& keyField, const QString& nameField);
    void clear();
    // The name of a key, empty when the key is Null or was not listed. Where a key is listed
    // twice, the later row's name holds.
    QString nameOf(const Value& key) const;
    // The name for a lookup field's key in its dataset's active record.
    QString nameFor(const Field& lookupField) const;

private:
    // The remembered row of a key, or -1.
    int rowOf(const Value& key) const;
    void index() const;

    ColumnStore rows_;  // column 0 the key, column 1 the name
    mutable bool indexed_ = false;
    mutable QHash<std::int64_t, int> byNumber_;  // an integer key column, by its value
    mutable QHash<QString, int> byText_;         // any other key column, by its text
};

}  // namespace zev
