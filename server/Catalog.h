#pragma once

#include "core/Value.h"

#include <QString>

#include <vector>

namespace zev::server {

struct CatalogColumn {
    QString name;
    ColumnType type = ColumnType::Unknown;
};

struct CatalogTable {
    QString name;
    std::vector<CatalogColumn> columns;
};

struct CatalogRoutine {
    QString name;
    std::vector<CatalogColumn> parameters;  // in order, names with the '@'
    std::vector<CatalogColumn> columns;     // result columns in order
};

// The objects the embedded server offers: what the SQL Server scripts must offer too.
struct Catalog {
    std::vector<CatalogTable> tables;  // base tables with their columns, by name
    std::vector<CatalogTable> views;   // views with their columns, by name
    std::vector<CatalogRoutine> procedures;
    std::vector<CatalogRoutine> functions;  // table-valued functions
};

Catalog catalog();

// The schema script of a ZEV database (SQLite dialect).
const char* schemaSql();

}  // namespace zev::server
