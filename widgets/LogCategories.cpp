#include "widgets/LogCategories.h"

namespace zev {
Q_LOGGING_CATEGORY(lcConnection, "zev.connection")
Q_LOGGING_CATEGORY(lcSignIn, "zev.signin")
Q_LOGGING_CATEGORY(lcUpdate, "zev.update")
Q_LOGGING_CATEGORY(lcData, "zev.data")
Q_LOGGING_CATEGORY(lcInterface, "zev.interface")
}  // namespace zev
