#include "data/DriverRegistry.h"

#include <array>

namespace zev {

namespace {

// Filled by static initialisers before main() and only read afterwards; a function-local
// static, so that it exists whichever initialiser runs first.
std::array<DriverOpener, 2>& registry() {
    static std::array<DriverOpener, 2> openers{};
    return openers;
}

}  // namespace

DataSourceKind dataSourceKind(const QString& dataSource) {
    return dataSource.trimmed().endsWith(u".sqlite", Qt::CaseInsensitive)
               ? DataSourceKind::EmbeddedFile
               : DataSourceKind::SqlServer;
}

bool registerConnectionDriver(DataSourceKind kind, DriverOpener open) {
    registry()[static_cast<std::size_t>(kind)] = open;
    return true;
}

DriverOpener registeredConnectionDriver(DataSourceKind kind) {
    return registry()[static_cast<std::size_t>(kind)];
}

}  // namespace zev
