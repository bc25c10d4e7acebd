#include "data/Connection.h"
#include "data/Errors.h"

namespace zev {

std::unique_ptr<ConnectionDriver> openEmbeddedDriver(const ConnectionSettings&, const QString&) {
    throw DatabaseError(QStringLiteral("The embedded server is not available"));
}

}  // namespace zev
