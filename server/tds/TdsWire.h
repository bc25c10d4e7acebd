#pragma once

// The byte level of TDS 7.4: little-endian writing and reading, the tokens of a server's answer
// and the decoding of the client's LOGIN7, SQL batch and RPC messages.

#include "core/ResultSet.h"
#include "core/Value.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace zev::tds {

enum PacketType : std::uint8_t {
    kSqlBatch = 0x01,
    kRpc = 0x03,
    kTabularResult = 0x04,
    kAttention = 0x06,
    kLogin7 = 0x10,
    kPreLogin = 0x12,
};

// Status bits of DONE, DONEPROC and DONEINPROC.
enum DoneStatus : std::uint16_t {
    kDoneFinal = 0x00,
    kDoneMore = 0x01,
    kDoneError = 0x02,
    kDoneCount = 0x10,
    kDoneAttention = 0x20,
};

enum DoneToken : std::uint8_t { kDone = 0xFD, kDoneProc = 0xFE, kDoneInProc = 0xFF };

// A message the client sent that does not follow the protocol; the session ends.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The five collation bytes of TDS: LCID and comparison flags, then the sort id.
struct Collation {
    std::uint8_t bytes[5];
    static Collation cyrillic();  // Cyrillic_General_CI_AS, code page 1251
    static Collation latin();     // SQL_Latin1_General_CP1_CI_AS, code page 1252
    bool isCyrillic() const;
};

// Builds a token stream.
class TokenWriter {
public:
    const QByteArray& bytes() const { return bytes_; }

    void envChange(std::uint8_t type, const QString& newValue, const QString& oldValue);
    void envChangeCollation(const Collation& collation);
    // ENVCHANGE of a transaction: begin (8) carries the new transaction's descriptor, commit (9)
    // and rollback (10) the descriptor of the one that ended.
    void envChangeTransaction(std::uint8_t type, std::uint64_t descriptor);
    void loginAck(std::uint32_t tdsVersion, const QString& programName);
    void message(bool error, std::int32_t number, std::uint8_t state, std::uint8_t severity,
                 const QString& text, const QString& serverName);
    void resultSet(const ResultSet& rows, const Collation& collation);
    void done(DoneToken token, std::uint16_t status, std::uint16_t command, std::uint64_t rows);
    void returnStatus(std::int32_t value);

    void u8(std::uint8_t v) { bytes_.append(static_cast<char>(v)); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void u64(std::uint64_t v);
    void ucs2(const QString& text);
    void bVarchar(const QString& text);   // length in characters, one byte
    void usVarchar(const QString& text);  // length in characters, two bytes

private:
    QByteArray bytes_;
};

// The answer to PRELOGIN: this server's version, no encryption, no MARS.
QByteArray preLoginResponse();

// Reads a message body, failing with ProtocolError past its end.
class Reader {
public:
    explicit Reader(const QByteArray& bytes, int at = 0) : bytes_(bytes), at_(at) {}
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    QByteArray take(int count);
    QString ucs2(int characters);
    int position() const { return at_; }
    bool atEnd() const { return at_ >= bytes_.size(); }
    void seek(int at);

private:
    void need(int count) const;
    const QByteArray& bytes_;
    int at_ = 0;
};

struct Login7 {
    std::uint32_t tdsVersion = 0;
    std::uint32_t packetSize = 0;
    QString hostName, userName, password, appName, serverName, language, database;
};
Login7 parseLogin7(const QByteArray& body);

// The transaction descriptor that a request's ALL_HEADERS carry (0: none, or no transaction).
std::uint64_t transactionDescriptor(const QByteArray& body);

// The text of a SQL batch, past its ALL_HEADERS.
QString parseSqlBatch(const QByteArray& body);

struct RpcParameter {
    QString name;
    Value value;
    QString typeName;  // the declared type as the client sent it: "nvarchar(4000)", "int" ...
};
struct RpcCall {
    QString procedureName;  // empty when the call names a procedure by its number
    int procedureId = 0;    // 10 is sp_executesql
    std::vector<RpcParameter> parameters;
};
RpcCall parseRpc(const QByteArray& body);

inline constexpr int kSpExecuteSql = 10;

}  // namespace zev::tds
