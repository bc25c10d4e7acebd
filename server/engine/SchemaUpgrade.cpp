#include "server/engine/SchemaUpgrade.h"

#include "server/engine/Database.h"
#include "server/engine/History.h"
#include "server/engine/StreamCapacity.h"

namespace zev::server {

namespace {

struct UpgradeStep {
    int version;
    void (*apply)(Database& db);
};

// Version 4: the history of the students' elective rows and chosen disciplines (History.h).
// Rows that were there before keep no history: it begins with the first change after the step.
void addHistory(Database& db) {
    db.script(historySchemaSql());
}

// Version 5, the export of a group (GetGroupElectives, GetFacultyGroups), added procedures only,
// which are this server's own code: the file gains nothing but the number.
constexpr UpgradeStep kSteps[] = {
    {4, addHistory},
    {6, addStreamCapacity},
};

}  // namespace

void upgradeSchema(Database& db) {
    if (db.schemaVersion() >= kSchemaVersion) {
        return;
    }
    Transaction transaction(db);
    // Read again inside the transaction: another process may have upgraded the file meanwhile.
    const int from = db.schemaVersion();
    for (const UpgradeStep& step : kSteps) {
        if (step.version > from) {
            step.apply(db);
        }
    }
    if (from < kSchemaVersion) {
        db.script(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    }
    transaction.commit();
}

}  // namespace zev::server
