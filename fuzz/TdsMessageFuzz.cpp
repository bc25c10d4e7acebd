// The TDS test server's readers of client messages on arbitrary bytes: the first byte chooses
// LOGIN7, SQL batch or RPC, the rest is the message body. A reader either decodes or refuses
// with ProtocolError; what an RPC decodes can be written back as a row of a result.
#include "FuzzCheck.h"

#include "server/tds/TdsWire.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const QByteArray body(reinterpret_cast<const char*>(data) + 1,
                          static_cast<qsizetype>(size - 1));
    try {
        switch (data[0] % 3) {
            case 0: {
                const zev::tds::Login7 login = zev::tds::parseLogin7(body);
                FUZZ_CHECK(login.password.size() * 2 <= body.size());
                break;
            }
            case 1:
                // The batch's headers: the transaction descriptor is read from them first.
                zev::tds::transactionDescriptor(body);
                FUZZ_CHECK(zev::tds::parseSqlBatch(body).size() * 2 <= body.size());
                break;
            default: {
                const zev::tds::RpcCall call = zev::tds::parseRpc(body);
                FUZZ_CHECK(call.parameters.size() <= static_cast<std::size_t>(body.size()));
                zev::ResultSet row;
                for (const zev::tds::RpcParameter& p : call.parameters) {
                    row.columns.push_back({p.name, zev::ColumnType::Unknown});
                    row.cells.push_back(p.value);
                }
                zev::tds::TokenWriter writer;
                writer.resultSet(row, zev::tds::Collation::latin());
                FUZZ_CHECK(!writer.bytes().isEmpty());
                break;
            }
        }
    } catch (const zev::tds::ProtocolError&) {
        // refused: the session would end
    }
    return 0;
}
