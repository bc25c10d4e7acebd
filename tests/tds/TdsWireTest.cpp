// The TDS test server at the level of packets, from a bare socket: a message split over several
// packets, attention, a request before the login and the login's answer.
#include "TdsFixture.h"
#include "server/tds/TdsWire.h"

#include <QTcpSocket>

#include <optional>

namespace zev::testing {
namespace {

using namespace zev::tds;

class BareClient {
public:
    explicit BareClient(std::uint16_t port) {
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    bool connected() { return socket_.waitForConnected(5000); }

    // Sends a message as packets of at most `chunk` body bytes each.
    void send(std::uint8_t type, const QByteArray& body, int chunk = 4000) {
        int at = 0;
        do {
            const int part = std::min(chunk, static_cast<int>(body.size()) - at);
            const bool last = at + part >= body.size();
            QByteArray packet;
            packet.append(static_cast<char>(type));
            packet.append(static_cast<char>(last ? 1 : 0));
            packet.append(static_cast<char>((part + 8) >> 8));
            packet.append(static_cast<char>((part + 8) & 0xFF));
            packet.append(QByteArray(4, '\0'));
            packet.append(body.mid(at, part));
            socket_.write(packet);
            at += part;
        } while (at < body.size());
        socket_.waitForBytesWritten(5000);
    }

    // The body of one whole answer; empty when the server closed the connection.
    QByteArray receive() {
        QByteArray body;
        for (;;) {
            const QByteArray header = readExactly(8);
            if (header.size() < 8) {
                return {};
            }
            const int length =
                (static_cast<std::uint8_t>(header[2]) << 8) | static_cast<std::uint8_t>(header[3]);
            body += readExactly(length - 8);
            if (header[1] & 1) {
                return body;
            }
        }
    }

private:
    QByteArray readExactly(int count) {
        QByteArray bytes;
        while (bytes.size() < count) {
            if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(5000)) {
                break;
            }
            bytes += socket_.read(count - bytes.size());
        }
        return bytes;
    }
    QTcpSocket socket_;
};

QByteArray ucs2(const QString& text) {
    return {reinterpret_cast<const char*>(text.utf16()), text.size() * 2};
}

// A LOGIN7 message for the account, its password scrambled as the protocol wants it.
QByteArray login7(const QString& user, const QString& password) {
    QByteArray password2 = ucs2(password);
    for (char& c : password2) {
        const auto b = static_cast<std::uint8_t>(c);
        c = static_cast<char>((((b << 4) & 0xF0) | (b >> 4)) ^ 0xA5);
    }
    const QList<QByteArray> texts = {ucs2(QStringLiteral("WS")),
                                     ucs2(user),
                                     password2,
                                     ucs2(QStringLiteral("bare")),
                                     ucs2(QStringLiteral("s")),
                                     QByteArray(),
                                     ucs2(QStringLiteral("lib")),
                                     QByteArray(),
                                     ucs2(QStringLiteral("ZEV"))};
    TokenWriter header;
    QByteArray data;
    int offset = 94;
    TokenWriter e;
    for (const QByteArray& t : texts) {
        e.u16(static_cast<std::uint16_t>(offset + data.size()));
        e.u16(static_cast<std::uint16_t>(t.size() / 2));
        data += t;
    }
    const std::uint32_t total = 94 + static_cast<std::uint32_t>(data.size());
    header.u32(total);
    header.u32(0x74000004);
    header.u32(4096);
    header.u32(7);
    header.u32(1);
    header.u32(0);
    header.u32(0x000003E0);  // option flags
    header.u32(0);           // time zone
    header.u32(0x0409);      // LCID
    QByteArray body = header.bytes() + e.bytes();
    body += QByteArray(6, '\0');   // client id
    for (int i = 0; i < 3; ++i) {  // SSPI, attached file, change password: empty
        TokenWriter empty;
        empty.u16(static_cast<std::uint16_t>(total));
        empty.u16(0);
        body += empty.bytes();
    }
    body += QByteArray(4, '\0');
    return body + data;
}

QByteArray sqlBatch(const QString& sql, std::uint64_t transaction = 0) {
    TokenWriter headers;  // ALL_HEADERS with one transaction descriptor
    headers.u32(22);
    headers.u32(18);
    headers.u16(2);
    headers.u64(transaction);
    headers.u32(1);
    return headers.bytes() + ucs2(sql);
}

using TdsWire = TdsFixture;

TEST_F(TdsWire, SplitMessagesAttentionAndTheLogin) {
    BareClient client(port);
    ASSERT_TRUE(client.connected());
    client.send(kPreLogin, QByteArray::fromHex("00000601000000"));
    const QByteArray preLogin = client.receive();
    ASSERT_FALSE(preLogin.isEmpty());
    EXPECT_EQ(preLogin, preLoginResponse());

    // The LOGIN7 in packets of 16 bytes: the server puts the message together.
    client.send(kLogin7,
                login7(QString::fromLatin1(server::kStaffUser),
                       QString::fromLatin1(server::kStaffPassword)),
                16);
    const QByteArray answer = client.receive();
    EXPECT_TRUE(answer.contains('\xAD')) << "no LOGINACK";
    EXPECT_TRUE(answer.contains(ucs2(QStringLiteral("us_english"))));
    EXPECT_EQ(lastSessionOf(QString::fromLatin1(server::kStaffUser)).application,
              QStringLiteral("bare"));

    // A cancel is acknowledged with DONE and its attention bit.
    client.send(kAttention, QByteArray());
    const QByteArray cancelled = client.receive();
    ASSERT_EQ(cancelled.size(), 13);
    EXPECT_EQ(static_cast<std::uint8_t>(cancelled[0]), kDone);
    EXPECT_EQ(cancelled[1] & kDoneAttention, kDoneAttention);

    // A batch split over packets runs as one request, and the count comes in its DONE.
    client.send(kSqlBatch, sqlBatch(QStringLiteral("SELECT id_a_year, p32 FROM a_year")), 10);
    const QByteArray rows = client.receive();
    ASSERT_GE(rows.size(), 13);
    const QByteArray done = rows.right(13);
    EXPECT_EQ(static_cast<std::uint8_t>(done[0]), kDone);
    EXPECT_EQ(done[1] & kDoneCount, kDoneCount);
    EXPECT_EQ(static_cast<std::uint8_t>(done[5]), 3) << "three years counted";
    EXPECT_EQ(lastSessionOf(QString::fromLatin1(server::kStaffUser)).requests, 1);
}

// The transaction's ENVCHANGE of the given type at the start of the answer's tokens, if any:
// the descriptor it carries.
std::optional<std::uint64_t> transactionChange(const QByteArray& answer, std::uint8_t type) {
    const QByteArray head = QByteArray::fromHex("e30b00") + static_cast<char>(type);
    const qsizetype at = answer.indexOf(head);
    if (at < 0 || answer.size() < at + 14) {
        return std::nullopt;
    }
    // Begin: the new value has the 8 bytes; commit and rollback: the old value.
    const qsizetype value = at + (type == 8 ? 5 : 6);
    std::uint64_t descriptor = 0;
    for (int i = 7; i >= 0; --i) {
        descriptor = (descriptor << 8) | static_cast<std::uint8_t>(answer[value + i]);
    }
    return descriptor;
}

TEST_F(TdsWire, TransactionsAreAnnouncedAndRequestsInThemMustNameThem) {
    BareClient client(port);
    ASSERT_TRUE(client.connected());
    client.send(kLogin7, login7(QString::fromLatin1(server::kStaffUser),
                                QString::fromLatin1(server::kStaffPassword)));
    ASSERT_TRUE(client.receive().contains('\xAD'));

    client.send(kSqlBatch, sqlBatch(QStringLiteral("BEGIN TRANSACTION")));
    const std::optional<std::uint64_t> begun = transactionChange(client.receive(), 8);
    ASSERT_TRUE(begun.has_value());
    EXPECT_NE(*begun, 0U);

    // Without the descriptor the request is refused and the transaction stays open.
    client.send(kSqlBatch, sqlBatch(QStringLiteral("SELECT 1 AS x")));
    const QByteArray refused = client.receive();
    EXPECT_TRUE(refused.contains(ucs2(QStringLiteral(
        "New request is not allowed to start because it should come with valid transaction "
        "descriptor."))));
    EXPECT_FALSE(transactionChange(refused, 10).has_value());

    client.send(kSqlBatch, sqlBatch(QStringLiteral("SELECT 1 AS x"), *begun));
    EXPECT_FALSE(client.receive().contains('\xAA')) << "no ERROR token";
    client.send(kSqlBatch, sqlBatch(QStringLiteral("COMMIT TRANSACTION"), *begun));
    EXPECT_EQ(transactionChange(client.receive(), 9), begun);

    // The next transaction has a descriptor of its own, and its rollback says so.
    client.send(kSqlBatch, sqlBatch(QStringLiteral("BEGIN TRANSACTION")));
    const std::optional<std::uint64_t> next = transactionChange(client.receive(), 8);
    ASSERT_TRUE(next.has_value());
    EXPECT_NE(next, begun);
    client.send(kSqlBatch,
                sqlBatch(QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"), *next));
    EXPECT_EQ(transactionChange(client.receive(), 10), next);
    // Outside a transaction no descriptor is needed, and a rollback of none is no error.
    client.send(kSqlBatch, sqlBatch(QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION")));
    const QByteArray none = client.receive();
    EXPECT_FALSE(none.contains('\xAA'));
    EXPECT_FALSE(transactionChange(none, 10).has_value());
}

TEST(TransactionDescriptor, FoundAmongTheHeadersAndWrongLengthsRefused) {
    // A query-notification-like header of 8 bytes first, then the transaction descriptor.
    TokenWriter two;
    two.u32(4 + 8 + 18);
    two.u32(8);
    two.u16(1);
    two.u16(0);
    two.u32(18);
    two.u16(2);
    two.u64(0x1122334455667788ULL);
    two.u32(1);
    EXPECT_EQ(transactionDescriptor(two.bytes() + ucs2(QStringLiteral("SELECT 1"))),
              0x1122334455667788ULL);

    TokenWriter none;  // headers without a transaction descriptor
    none.u32(4 + 8);
    none.u32(8);
    none.u16(1);
    none.u16(0);
    EXPECT_EQ(transactionDescriptor(none.bytes()), 0U);

    // A header whose length would wrap round past the end of the headers.
    TokenWriter wrapping;
    wrapping.u32(22);
    wrapping.u32(0xFFFFFFFEU);
    wrapping.u16(2);
    wrapping.u64(0);
    wrapping.u32(1);
    EXPECT_THROW(transactionDescriptor(wrapping.bytes()), ProtocolError);
    EXPECT_THROW(transactionDescriptor(QByteArray("\x02\x00", 2)), ProtocolError);
}

TEST_F(TdsWire, ARequestBeforeTheLoginEndsTheSession) {
    BareClient client(port);
    ASSERT_TRUE(client.connected());
    client.send(kSqlBatch, sqlBatch(QStringLiteral("SELECT 1")));
    EXPECT_TRUE(client.receive().isEmpty());
}

TEST_F(TdsWire, AWrongPasswordGetsLoginFailedAndTheEnd) {
    BareClient client(port);
    ASSERT_TRUE(client.connected());
    client.send(kLogin7, login7(QString::fromLatin1(server::kStaffUser), QStringLiteral("x")));
    const QByteArray answer = client.receive();
    ASSERT_FALSE(answer.isEmpty());
    EXPECT_EQ(static_cast<std::uint8_t>(answer[0]), 0xAA) << "an ERROR token first";
    EXPECT_TRUE(answer.contains(ucs2(QStringLiteral("Login failed for user 'zev_staff'."))));
    EXPECT_TRUE(client.receive().isEmpty()) << "the socket is closed after a failed login";
}

}  // namespace
}  // namespace zev::testing
