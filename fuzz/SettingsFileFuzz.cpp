// The connection settings file reader on arbitrary bytes: fewer than 84 bytes are refused with
// Error, anything else decodes; whatever decodes and can be written again reads back the same.
#include "FuzzCheck.h"

#include "core/Errors.h"
#include "core/SettingsFile.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    zev::TFirstConnectInfo info;
    try {
        info = zev::ParseFirstConnectInfo(bytes, QStringLiteral("ZEV"));
    } catch (const zev::Error&) {
        FUZZ_CHECK(bytes.size() < zev::kSettingsFileSize);
        return 0;
    }
    FUZZ_CHECK(info.User.size() <= 20 && info.Password.size() <= 20);
    FUZZ_CHECK(info.Server.size() <= 20 && info.Catalog.size() <= 20);
    QByteArray written;
    try {
        written = zev::EncodeFirstConnectInfo(info);
    } catch (const zev::Error&) {
        return 0;  // a byte without a character of its own in the code page
    }
    FUZZ_CHECK(written.size() == zev::kSettingsFileSize);
    const zev::TFirstConnectInfo again = zev::ParseFirstConnectInfo(written, QStringLiteral("ZEV"));
    FUZZ_CHECK(again.User == info.User && again.Password == info.Password);
    FUZZ_CHECK(again.Server == info.Server && again.Catalog == info.Catalog);
    return 0;
}
