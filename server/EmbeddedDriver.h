#pragma once

#include "data/Connection.h"

#include <QString>

#include <memory>

namespace zev {

// The driver of an embedded database file: every statement goes to a session of the embedded
// server. A program that links this library opens ".sqlite" Data Sources with it (it registers
// itself with the connection); a relative file name is taken from baseFolder.
std::unique_ptr<ConnectionDriver> openEmbeddedDriver(const ConnectionSettings& settings,
                                                     const QString& baseFolder);

}  // namespace zev
