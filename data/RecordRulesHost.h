#pragma once

#include "core/Value.h"

#include <QString>

namespace zev {

// What the data module's record rules need of the registration window: the keys chosen in its
// drop-downs (Null when nothing is chosen), the signed-in login, two of its routines, and its
// notice box: the data layer shows nothing itself.
class RecordRulesHost {
public:
    virtual ~RecordRulesHost() = default;
    virtual Value studentKey() const = 0;   // DBLookupComboBox6
    virtual Value yearKey() const = 0;      // DBLookupComboBox2
    virtual Value semesterKey() const = 0;  // DBLookupComboBox5
    virtual Value groupKey() const = 0;     // DBLookupComboBox3
    virtual QString userLogin() const = 0;
    // Narrows the stream list to the streams that fit the current electives row.
    virtual void FilterSubGroups() = 0;
    // Re-reads every list of the chosen student.
    virtual void DBLookupComboBox6Click() = 0;
    // Shows a notice for a refused post: guidance, or the server's error text when isError.
    virtual void showRuleNotice(const QString& text, bool isError) = 0;
};

}  // namespace zev
