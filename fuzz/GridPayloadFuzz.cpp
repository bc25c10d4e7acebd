// The grid-edit clipboard payload decoder on arbitrary bytes (another program may put anything
// under the format's name): every row comes out with exactly one text per column, and rows
// written again decode to as many rows.
#include "FuzzCheck.h"

#include "gridevents/GridPayload.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int columns = data[0] % 16;  // the first byte chooses the number of visible columns
    const QByteArray payload(reinterpret_cast<const char*>(data + 1),
                             static_cast<qsizetype>(size - 1));
    const zev::PastedRows pasted = zev::decodeGridPayload(payload, columns);
    QByteArray again;
    for (const auto& row : pasted.rows) {
        FUZZ_CHECK(row.size() == static_cast<std::size_t>(columns));
        again += zev::encodeGridRow(row);
    }
    const zev::PastedRows reread = zev::decodeGridPayload(again, columns);
    FUZZ_CHECK(!reread.unfinished);
    FUZZ_CHECK(reread.rows.size() == pasted.rows.size());
    return 0;
}
