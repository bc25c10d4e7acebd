#pragma once

#include "core/Value.h"

#include <QHash>
#include <QString>

namespace zev {

class Dataset;
class Field;

// The names of a list as read in full: key text to shown text. The window's lists are narrowed
// on the server as the user works (a department, a teacher, a discipline's department), and a
// lookup then resolves only the keys still listed; grid rows whose key lies outside still show
// their names through these.
class ListNames {
public:
    // Takes every row of the open list as it stands; forgets what it held before.
    void remember(const Dataset& list, const QString& keyField, const QString& nameField);
    void clear() { names_.clear(); }
    // The name of a key, empty when the key is Null or was not listed.
    QString nameOf(const Value& key) const;
    // The name for a lookup field's key in its dataset's active record.
    QString nameFor(const Field& lookupField) const;

private:
    QHash<QString, QString> names_;
};

}  // namespace zev
