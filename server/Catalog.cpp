#include "server/Catalog.h"

#include "server/SchemaSql.h"
#include "server/engine/Database.h"
#include "server/engine/Procedures.h"
#include "server/engine/SchemaUpgrade.h"

namespace zev::server {

namespace {

ColumnType typeOf(const QString& declared) {
    const QString type = declared.toUpper();
    if (type.contains(u"INT")) {
        return ColumnType::Integer;
    }
    if (type.contains(u"TEXT") || type.contains(u"CHAR")) {
        return ColumnType::Text;
    }
    if (type.contains(u"REAL") || type.contains(u"FLOA")) {
        return ColumnType::Float;
    }
    return ColumnType::Unknown;
}

CatalogRoutine routine(const Procedure& p) {
    CatalogRoutine r{p.name, {}, {}};
    for (const Parameter& param : p.parameters) {
        r.parameters.push_back({param.name, param.type});
    }
    for (const ResultColumn& c : p.columns) {
        r.columns.push_back({c.name, c.type});
    }
    return r;
}

}  // namespace

const char* schemaSql() {
    return kSchemaSql;
}

Catalog catalog() {
    Catalog result;
    Database db(QStringLiteral(":memory:"), Database::Mode::CreateNew);
    db.script(QString::fromUtf8(kSchemaSql));
    upgradeSchema(db);
    const ResultSet objects = db.query(
        QStringLiteral("SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') "
                       "AND name NOT LIKE 'sqlite%' ORDER BY name COLLATE NOCASE"));
    for (int r = 0; r < objects.rowCount(); ++r) {
        const QString name = valueText(objects.at(r, 0));
        CatalogTable table{name, {}};
        const ResultSet columns = db.query(
            QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid"), {name});
        for (int c = 0; c < columns.rowCount(); ++c) {
            ColumnType type = typeOf(valueText(columns.at(c, 1)));
            table.columns.push_back({valueText(columns.at(c, 0)), type});
        }
        if (valueText(objects.at(r, 1)) == u"view") {
            // A view's computed columns have no declared type; t_fio is the teacher's name.
            for (CatalogColumn& c : table.columns) {
                if (c.type == ColumnType::Unknown) {
                    c.type = ColumnType::Text;
                }
            }
            result.views.push_back(std::move(table));
        } else {
            result.tables.push_back(std::move(table));
        }
    }
    for (const Procedure& p : procedures()) {
        result.procedures.push_back(routine(p));
    }
    result.functions.push_back(routine(teacherFunction()));
    return result;
}

}  // namespace zev::server
