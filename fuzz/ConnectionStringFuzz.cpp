// The connection-string parser on arbitrary text: it reads anything, and the settings it reads,
// written back with quoting, read back the same. The password mask takes any text.
#include "FuzzCheck.h"

#include "core/ConnectionSettings.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const zev::ConnectionSettings settings = zev::parseConnectionString(text);
    FUZZ_CHECK(settings.packetSize > 0);
    const QString written =
        QStringLiteral("Password=") + zev::quoteConnectionValue(settings.password) +
        QStringLiteral(";User ID=") + zev::quoteConnectionValue(settings.user) +
        QStringLiteral(";Initial Catalog=") + zev::quoteConnectionValue(settings.catalog) +
        QStringLiteral(";Data Source=") + zev::quoteConnectionValue(settings.dataSource) +
        QStringLiteral(";Application Name=") + zev::quoteConnectionValue(settings.applicationName) +
        QStringLiteral(";Packet Size=") + QString::number(settings.packetSize);
    FUZZ_CHECK(zev::parseConnectionString(written) == settings);
    // Masked, the written string's password reads as the mask.
    const QString masked = zev::maskConnectionPassword(written);
    FUZZ_CHECK(zev::parseConnectionString(masked).password == QStringLiteral("***"));
    zev::maskConnectionPassword(text);
    return 0;
}
