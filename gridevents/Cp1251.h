#pragma once

#include <QByteArray>
#include <QString>

namespace zev {

// Windows-1251 (Cyrillic) conversion of the grid edit payload's values. Characters the code page
// lacks become '?'.
QByteArray toCp1251(const QString& text);
QString fromCp1251(const QByteArray& bytes);

}  // namespace zev
