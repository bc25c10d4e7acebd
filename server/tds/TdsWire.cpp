#include "server/tds/TdsWire.h"

#include "core/Cp1251.h"

#include <QStringDecoder>

#include <cmath>
#include <cstring>
#include <optional>

namespace zev::tds {

namespace {

// Text columns up to this many characters go as NVARCHAR(4000); longer ones as NVARCHAR(MAX).
constexpr int kMaxShortText = 4000;
constexpr std::uint16_t kUnlimited = 0xFFFF;

enum TypeCode : std::uint8_t {
    kNull = 0x1F,
    kInt1 = 0x30,
    kBit = 0x32,
    kInt2 = 0x34,
    kInt4 = 0x38,
    kInt8 = 0x7F,
    kFlt4 = 0x3B,
    kFlt8 = 0x3E,
    kIntN = 0x26,
    kBitN = 0x68,
    kFltN = 0x6D,
    kDecimalN = 0x6A,
    kNumericN = 0x6C,
    kBigVarChar = 0xA7,
    kBigChar = 0xAF,
    kNVarChar = 0xE7,
    kNChar = 0xEF,
    kText = 0x23,
    kNText = 0x63,
};

QString typeName(std::uint8_t type, int size) {
    switch (type) {
        case kInt1:
            return QStringLiteral("tinyint");
        case kBit:
        case kBitN:
            return QStringLiteral("bit");
        case kInt2:
            return QStringLiteral("smallint");
        case kInt4:
            return QStringLiteral("int");
        case kInt8:
            return QStringLiteral("bigint");
        case kIntN:
            return size == 8   ? QStringLiteral("bigint")
                   : size == 4 ? QStringLiteral("int")
                   : size == 2 ? QStringLiteral("smallint")
                               : QStringLiteral("tinyint");
        case kFlt4:
            return QStringLiteral("real");
        case kFlt8:
        case kFltN:
            return QStringLiteral("float");
        case kDecimalN:
        case kNumericN:
            return QStringLiteral("decimal");
        case kBigVarChar:
            return size == kUnlimited ? QStringLiteral("varchar(max)")
                                      : QStringLiteral("varchar(%1)").arg(size);
        case kBigChar:
            return QStringLiteral("char(%1)").arg(size);
        case kNVarChar:
            return size == kUnlimited ? QStringLiteral("nvarchar(max)")
                                      : QStringLiteral("nvarchar(%1)").arg(size / 2);
        case kNChar:
            return QStringLiteral("nchar(%1)").arg(size / 2);
        case kText:
            return QStringLiteral("text");
        case kNText:
            return QStringLiteral("ntext");
        default:
            return QStringLiteral("type 0x%1").arg(type, 2, 16, QLatin1Char('0'));
    }
}

std::int64_t signedLittleEndian(const QByteArray& bytes) {
    std::uint64_t v = 0;
    for (qsizetype i = bytes.size() - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<std::uint8_t>(bytes[i]);
    }
    const qsizetype bits = bytes.size() * 8;
    if (bits < 64 && (v >> (bits - 1)) & 1) {
        v |= ~std::uint64_t{0} << bits;  // sign extension
    }
    return static_cast<std::int64_t>(v);
}

QString eightBitText(const QByteArray& bytes, const Collation& collation) {
    if (collation.isCyrillic()) {
        return fromCp1251(bytes);
    }
    QStringDecoder latin("windows-1252");
    return latin.decode(bytes);
}

QString utf16Text(const QByteArray& bytes) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                              bytes.size() / 2);
}

// The chunks of a partially length-prefixed value (a MAX type), or null.
std::optional<QByteArray> readPlp(Reader& r) {
    const std::uint64_t total = r.u64();
    if (total == ~std::uint64_t{0}) {
        return std::nullopt;
    }
    QByteArray data;
    for (;;) {
        const std::uint32_t chunk = r.u32();
        if (chunk == 0) {
            break;
        }
        data += r.take(static_cast<int>(chunk));
    }
    return data;
}

// One parameter value after its TYPE_INFO.
Value readValue(Reader& r, RpcParameter& p) {
    const std::uint8_t type = r.u8();
    auto fixedInteger = [&](int size) {
        p.typeName = typeName(type, size);
        return Value{signedLittleEndian(r.take(size))};
    };
    switch (type) {
        case kNull:
            p.typeName = QStringLiteral("null");
            return {};
        case kInt1: {
            p.typeName = typeName(type, 1);
            return Value{std::int64_t{r.u8()}};
        }
        case kBit:
            p.typeName = typeName(type, 1);
            return Value{std::int64_t{r.u8() != 0}};
        case kInt2:
            return fixedInteger(2);
        case kInt4:
            return fixedInteger(4);
        case kInt8:
            return fixedInteger(8);
        case kFlt4: {
            p.typeName = typeName(type, 4);
            const std::uint32_t bits = r.u32();
            float f = 0;
            std::memcpy(&f, &bits, 4);
            return Value{static_cast<double>(f)};
        }
        case kFlt8: {
            p.typeName = typeName(type, 8);
            const std::uint64_t bits = r.u64();
            double d = 0;
            std::memcpy(&d, &bits, 8);
            return Value{d};
        }
        case kIntN:
        case kBitN:
        case kFltN: {
            const int declared = r.u8();
            p.typeName = typeName(type, declared);
            const int size = r.u8();
            if (size == 0) {
                return {};
            }
            const QByteArray data = r.take(size);
            if (type == kFltN && size != 4 && size != 8) {
                throw ProtocolError("a float of neither 4 nor 8 bytes");
            }
            if (type == kFltN) {
                if (size == 4) {
                    float f = 0;
                    std::memcpy(&f, data.constData(), 4);
                    return Value{static_cast<double>(f)};
                }
                double d = 0;
                std::memcpy(&d, data.constData(), 8);
                return Value{d};
            }
            if (type == kBitN) {
                return Value{std::int64_t{data[0] != 0}};
            }
            return Value{size == 1 ? std::int64_t{static_cast<std::uint8_t>(data[0])}
                                   : signedLittleEndian(data)};
        }
        case kDecimalN:
        case kNumericN: {
            r.u8();  // declared size
            const int precision = r.u8();
            const int scale = r.u8();
            p.typeName = QStringLiteral("decimal(%1,%2)").arg(precision).arg(scale);
            const int size = r.u8();
            if (size == 0) {
                return {};
            }
            const bool positive = r.u8() == 1;
            const QByteArray magnitude = r.take(size - 1);
            double v = 0;
            for (qsizetype i = magnitude.size() - 1; i >= 0; --i) {
                v = v * 256 + static_cast<std::uint8_t>(magnitude[i]);
            }
            v /= std::pow(10.0, scale);
            return Value{positive ? v : -v};
        }
        case kBigVarChar:
        case kBigChar:
        case kNVarChar:
        case kNChar: {
            const std::uint16_t declared = r.u16();
            Collation collation{};
            const QByteArray c = r.take(5);
            std::memcpy(collation.bytes, c.constData(), 5);
            p.typeName = typeName(type, declared);
            const bool wide = type == kNVarChar || type == kNChar;
            std::optional<QByteArray> data;
            if (declared == kUnlimited) {
                data = readPlp(r);
            } else {
                const std::uint16_t size = r.u16();
                if (size != kUnlimited) {
                    data = r.take(size);
                }
            }
            if (!data) {
                return {};
            }
            return Value{wide ? utf16Text(*data) : eightBitText(*data, collation)};
        }
        case kText:
        case kNText: {
            r.u32();  // declared size
            Collation collation{};
            const QByteArray c = r.take(5);
            std::memcpy(collation.bytes, c.constData(), 5);
            p.typeName = typeName(type, 0);
            const std::uint32_t size = r.u32();
            if (size == 0xFFFFFFFFu) {
                return {};
            }
            const QByteArray data = r.take(static_cast<int>(size));
            return Value{type == kNText ? utf16Text(data) : eightBitText(data, collation)};
        }
        default:
            throw ProtocolError(
                QStringLiteral("Parameter %1 has a type (%2) that this server does not take")
                    .arg(p.name, typeName(type, 0))
                    .toStdString());
    }
}

// The kind of a result column: its declared type, else the kind of its first value.
ColumnType columnKind(const ResultSet& rows, int column) {
    const ColumnType declared = rows.columns[column].type;
    if (declared != ColumnType::Unknown) {
        return declared;
    }
    for (int row = 0; row < rows.rowCount(); ++row) {
        const Value& v = rows.at(row, column);
        if (std::holds_alternative<std::int64_t>(v)) {
            return ColumnType::Integer;
        }
        if (std::holds_alternative<double>(v)) {
            return ColumnType::Float;
        }
        if (std::holds_alternative<QString>(v)) {
            return ColumnType::Text;
        }
    }
    return ColumnType::Text;
}

}  // namespace

Collation Collation::cyrillic() {
    return {{0x19, 0x04, 0xD0, 0x00, 0x00}};
}

Collation Collation::latin() {
    return {{0x09, 0x04, 0xD0, 0x00, 0x34}};
}

bool Collation::isCyrillic() const {
    const unsigned lcid = bytes[0] | (bytes[1] << 8) | ((bytes[2] & 0x0F) << 16);
    return lcid == 0x0419 || lcid == 0x0422 || lcid == 0x0423 || lcid == 0x0402;
}

void TokenWriter::u16(std::uint16_t v) {
    u8(v & 0xFF);
    u8(v >> 8);
}

void TokenWriter::u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
}

void TokenWriter::u64(std::uint64_t v) {
    u32(v & 0xFFFFFFFFu);
    u32(v >> 32);
}

void TokenWriter::ucs2(const QString& text) {
    for (const QChar c : text) {
        u16(c.unicode());
    }
}

void TokenWriter::bVarchar(const QString& text) {
    const QString cut = text.left(255);
    u8(static_cast<std::uint8_t>(cut.size()));
    ucs2(cut);
}

void TokenWriter::usVarchar(const QString& text) {
    const QString cut = text.left(65535);
    u16(static_cast<std::uint16_t>(cut.size()));
    ucs2(cut);
}

void TokenWriter::envChange(std::uint8_t type, const QString& newValue, const QString& oldValue) {
    u8(0xE3);
    u16(static_cast<std::uint16_t>(1 + 1 + newValue.size() * 2 + 1 + oldValue.size() * 2));
    u8(type);
    bVarchar(newValue);
    bVarchar(oldValue);
}

void TokenWriter::envChangeTransaction(std::uint8_t type, std::uint64_t descriptor) {
    u8(0xE3);
    u16(1 + 1 + 8 + 1);
    u8(type);
    if (type == 8) {
        u8(8);
        u64(descriptor);
        u8(0);
    } else {
        u8(0);
        u8(8);
        u64(descriptor);
    }
}

void TokenWriter::envChangeCollation(const Collation& collation) {
    u8(0xE3);
    u16(1 + 1 + 5 + 1);
    u8(7);  // SQL collation
    u8(5);
    for (std::uint8_t b : collation.bytes) {
        u8(b);
    }
    u8(0);
}

void TokenWriter::loginAck(std::uint32_t tdsVersion, const QString& programName) {
    u8(0xAD);
    u16(static_cast<std::uint16_t>(1 + 4 + 1 + programName.size() * 2 + 4));
    u8(1);  // T-SQL
    // The version goes big-endian here, unlike everywhere else.
    u8(tdsVersion >> 24);
    u8((tdsVersion >> 16) & 0xFF);
    u8((tdsVersion >> 8) & 0xFF);
    u8(tdsVersion & 0xFF);
    bVarchar(programName);
    u8(16);  // program version 16.0.2000
    u8(0);
    u8(0x07);
    u8(0xD0);
}

void TokenWriter::message(bool error, std::int32_t number, std::uint8_t state,
                          std::uint8_t severity, const QString& text, const QString& serverName) {
    const QString shown = text.left(65535);
    u8(error ? 0xAA : 0xAB);
    u16(static_cast<std::uint16_t>(4 + 1 + 1 + 2 + shown.size() * 2 + 1 +
                                   serverName.left(255).size() * 2 + 1 + 4));
    u32(static_cast<std::uint32_t>(number));
    u8(state);
    u8(severity);
    usVarchar(shown);
    bVarchar(serverName);
    bVarchar(QString());  // no procedure
    u32(1);               // line
}

void TokenWriter::resultSet(const ResultSet& rows, const Collation& collation) {
    const int width = rows.columnCount();
    std::vector<ColumnType> kinds(width);
    std::vector<bool> longText(width, false);
    for (int c = 0; c < width; ++c) {
        kinds[c] = columnKind(rows, c);
        if (kinds[c] == ColumnType::Text) {
            for (int r = 0; r < rows.rowCount(); ++r) {
                if (valueText(rows.at(r, c)).size() > kMaxShortText) {
                    longText[c] = true;
                    break;
                }
            }
        }
    }
    u8(0x81);
    u16(static_cast<std::uint16_t>(width));
    for (int c = 0; c < width; ++c) {
        u32(0);       // user type
        u16(0x0009);  // nullable, may be written
        switch (kinds[c]) {
            case ColumnType::Integer:
                u8(kIntN);
                u8(8);
                break;
            case ColumnType::Float:
                u8(kFltN);
                u8(8);
                break;
            default:
                u8(kNVarChar);
                u16(longText[c] ? kUnlimited : kMaxShortText * 2);
                for (std::uint8_t b : collation.bytes) {
                    u8(b);
                }
                break;
        }
        bVarchar(rows.columns[c].name);
    }
    for (int r = 0; r < rows.rowCount(); ++r) {
        u8(0xD1);
        for (int c = 0; c < width; ++c) {
            const Value& v = rows.at(r, c);
            switch (kinds[c]) {
                case ColumnType::Integer:
                    if (isNull(v)) {
                        u8(0);
                    } else {
                        u8(8);
                        const auto* i = std::get_if<std::int64_t>(&v);
                        const auto* d = std::get_if<double>(&v);
                        u64(static_cast<std::uint64_t>(i   ? *i
                                                       : d ? static_cast<std::int64_t>(*d)
                                                           : valueText(v).toLongLong()));
                    }
                    break;
                case ColumnType::Float:
                    if (isNull(v)) {
                        u8(0);
                    } else {
                        u8(8);
                        const auto* i = std::get_if<std::int64_t>(&v);
                        const auto* d = std::get_if<double>(&v);
                        const double value = d   ? *d
                                             : i ? static_cast<double>(*i)
                                                 : valueText(v).toDouble();
                        std::uint64_t bits = 0;
                        std::memcpy(&bits, &value, 8);
                        u64(bits);
                    }
                    break;
                default: {
                    const QString text = valueText(v);
                    if (longText[c]) {
                        if (isNull(v)) {
                            u64(~std::uint64_t{0});
                        } else {
                            u64(static_cast<std::uint64_t>(text.size()) * 2);
                            if (!text.isEmpty()) {
                                u32(static_cast<std::uint32_t>(text.size() * 2));
                                ucs2(text);
                            }
                            u32(0);
                        }
                    } else if (isNull(v)) {
                        u16(kUnlimited);
                    } else {
                        u16(static_cast<std::uint16_t>(text.size() * 2));
                        ucs2(text);
                    }
                    break;
                }
            }
        }
    }
}

void TokenWriter::done(DoneToken token, std::uint16_t status, std::uint16_t command,
                       std::uint64_t rows) {
    u8(token);
    u16(status);
    u16(command);
    u64(rows);
}

void TokenWriter::returnStatus(std::int32_t value) {
    u8(0x79);
    u32(static_cast<std::uint32_t>(value));
}

QByteArray preLoginResponse() {
    // Option entries (token, offset, length, big-endian), then their data.
    const std::uint8_t entries[][2] = {{0x00, 6}, {0x01, 1}, {0x02, 1}, {0x03, 0}, {0x04, 1}};
    QByteArray out;
    int offset = static_cast<int>(std::size(entries)) * 5 + 1;
    for (const auto& e : entries) {
        out.append(static_cast<char>(e[0]));
        out.append(static_cast<char>(offset >> 8));
        out.append(static_cast<char>(offset & 0xFF));
        out.append(static_cast<char>(0));
        out.append(static_cast<char>(e[1]));
        offset += e[1];
    }
    out.append(static_cast<char>(0xFF));
    out.append(QByteArray::fromHex("100007d00000"));  // version 16.0.2000.0
    out.append(static_cast<char>(0x02));              // encryption not supported
    out.append(static_cast<char>(0x00));              // instance: matched
    out.append(static_cast<char>(0x00));              // no MARS
    return out;
}

void Reader::need(int count) const {
    if (count < 0 || count > bytes_.size() - at_) {  // at_ + count could overflow an int
        throw ProtocolError("message ends too early");
    }
}

std::uint8_t Reader::u8() {
    need(1);
    return static_cast<std::uint8_t>(bytes_[at_++]);
}

std::uint16_t Reader::u16() {
    const std::uint16_t lo = u8();
    return static_cast<std::uint16_t>(lo | (u8() << 8));
}

std::uint32_t Reader::u32() {
    const std::uint32_t lo = u16();
    return lo | (static_cast<std::uint32_t>(u16()) << 16);
}

std::uint64_t Reader::u64() {
    const std::uint64_t lo = u32();
    return lo | (static_cast<std::uint64_t>(u32()) << 32);
}

QByteArray Reader::take(int count) {
    need(count);
    QByteArray part = bytes_.mid(at_, count);
    at_ += count;
    return part;
}

QString Reader::ucs2(int characters) {
    return utf16Text(take(characters * 2));
}

void Reader::seek(int at) {
    if (at < 0 || at > bytes_.size()) {
        throw ProtocolError("offset outside the message");
    }
    at_ = at;
}

Login7 parseLogin7(const QByteArray& body) {
    Reader r(body);
    Login7 login;
    const std::uint32_t length = r.u32();
    if (length > static_cast<std::uint32_t>(body.size()) || length < 94) {
        throw ProtocolError("LOGIN7 of a wrong length");
    }
    login.tdsVersion = r.u32();
    login.packetSize = r.u32();
    // Offsets and lengths of the variable part start at byte 36.
    auto text = [&](int entry, bool password) {
        Reader at(body, entry);
        const int offset = at.u16();
        const int characters = at.u16();
        Reader field(body, offset);
        QByteArray bytes = field.take(characters * 2);
        if (password) {
            // Each byte: nibbles swapped, then XOR 0xA5; undone in the other order.
            for (char& c : bytes) {
                const std::uint8_t b = static_cast<std::uint8_t>(c) ^ 0xA5;
                c = static_cast<char>(((b & 0x0F) << 4) | (b >> 4));
            }
        }
        return utf16Text(bytes);
    };
    login.hostName = text(36, false);
    login.userName = text(40, false);
    login.password = text(44, true);
    login.appName = text(48, false);
    login.serverName = text(52, false);
    login.language = text(64, false);
    login.database = text(68, false);
    return login;
}

namespace {

// ALL_HEADERS: its own total length comes first.
void skipAllHeaders(Reader& r, const QByteArray& body) {
    if (body.size() < 4) {
        throw ProtocolError("message without headers");
    }
    const std::uint32_t total = Reader(body).u32();
    if (total < 4 || total > static_cast<std::uint32_t>(body.size())) {
        throw ProtocolError("headers of a wrong length");
    }
    r.seek(static_cast<int>(total));
}

}  // namespace

std::uint64_t transactionDescriptor(const QByteArray& body) {
    Reader r(body);
    const std::uint32_t total = body.size() >= 4 ? r.u32() : 0;
    if (total < 4 || total > static_cast<std::uint32_t>(body.size())) {
        throw ProtocolError("headers of a wrong length");
    }
    // Each header: its length (itself included), its type, its data.
    while (static_cast<std::uint32_t>(r.position()) + 6 <= total) {
        const int start = r.position();
        const std::uint32_t length = r.u32();
        const std::uint16_t type = r.u16();
        // Compared as a remainder, so that no length wraps the sum round.
        if (length < 6 || length > total - static_cast<std::uint32_t>(start)) {
            throw ProtocolError("a header of a wrong length");
        }
        if (type == 2 && length >= 6 + 8) {
            return r.u64();
        }
        r.seek(start + static_cast<int>(length));
    }
    return 0;
}

QString parseSqlBatch(const QByteArray& body) {
    Reader r(body);
    skipAllHeaders(r, body);
    return utf16Text(body.mid(r.position()));
}

RpcCall parseRpc(const QByteArray& body) {
    Reader r(body);
    skipAllHeaders(r, body);
    RpcCall call;
    const std::uint16_t nameLength = r.u16();
    if (nameLength == 0xFFFF) {
        call.procedureId = r.u16();
    } else {
        call.procedureName = r.ucs2(nameLength);
    }
    r.u16();  // option flags
    while (!r.atEnd()) {
        if (static_cast<std::uint8_t>(body[r.position()]) >= 0x80) {
            break;  // a further call of a batch: not sent by the clients served here
        }
        RpcParameter p;
        p.name = r.ucs2(r.u8());
        r.u8();  // status flags
        p.value = readValue(r, p);
        call.parameters.push_back(std::move(p));
    }
    return call;
}

}  // namespace zev::tds
