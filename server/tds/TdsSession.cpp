#include "server/tds/TdsSession.h"

#include "core/Errors.h"
#include "core/Tokenizer.h"
#include "server/EmbeddedServer.h"
#include "server/tds/TdsWire.h"

#include <sys/socket.h>

#include <algorithm>

namespace zev::tds {

namespace {

const QString kServerName = QStringLiteral("ZEVTDS");
constexpr std::uint32_t kTds74 = 0x74000004;
constexpr int kDefaultPacketSize = 4096;

struct Message {
    std::uint8_t type = 0;
    QByteArray body;
};

class Wire {
public:
    Wire(int socket, int spid, const SessionHooks& hooks)
        : socket_(socket), spid_(spid), hooks_(hooks) {}

    // One whole message, however many packets it takes; false at the end of the connection.
    bool read(Message& message) {
        message.body.clear();
        for (;;) {
            char header[8];
            if (!readExactly(header, 8)) {
                return false;
            }
            const int length =
                (static_cast<std::uint8_t>(header[2]) << 8) | static_cast<std::uint8_t>(header[3]);
            if (length < 8) {
                throw ProtocolError("packet shorter than its header");
            }
            QByteArray body(qsizetype{length} - 8, Qt::Uninitialized);
            if (!readExactly(body.data(), body.size())) {
                return false;
            }
            message.type = static_cast<std::uint8_t>(header[0]);
            message.body += body;
            hooks_.record([length](SessionRecord& r) { r.bytesIn += length; });
            if (header[1] & 0x01) {  // end of message
                return true;
            }
        }
    }

    void send(const QByteArray& payload) {
        const int room = packetSize_ - 8;
        int at = 0;
        std::uint8_t packetId = 1;
        do {
            const int part = std::min(room, static_cast<int>(payload.size()) - at);
            const bool last = at + part >= payload.size();
            QByteArray packet;
            packet.reserve(part + 8);
            packet.append(static_cast<char>(kTabularResult));
            packet.append(static_cast<char>(last ? 0x01 : 0x00));
            packet.append(static_cast<char>((part + 8) >> 8));
            packet.append(static_cast<char>((part + 8) & 0xFF));
            packet.append(static_cast<char>(spid_ >> 8));
            packet.append(static_cast<char>(spid_ & 0xFF));
            packet.append(static_cast<char>(packetId++));
            packet.append('\0');
            packet.append(payload.constData() + at, part);
            writeAll(packet);
            at += part;
        } while (at < payload.size());
    }

    void setPacketSize(int size) { packetSize_ = size; }

private:
    bool readExactly(char* into, qsizetype count) {
        qsizetype got = 0;
        while (got < count) {
            const ssize_t n = ::recv(socket_, into + got, static_cast<size_t>(count - got), 0);
            if (n <= 0) {
                return false;
            }
            got += n;
        }
        return true;
    }

    void writeAll(const QByteArray& bytes) {
        const qsizetype total = bytes.size();
        hooks_.record([total](SessionRecord& r) { r.bytesOut += total; });
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(socket_, bytes.constData() + sent,
                                     static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0) {
                throw ProtocolError("the client went away");
            }
            sent += n;
        }
    }

    int socket_;
    int spid_;
    const SessionHooks& hooks_;
    int packetSize_ = kDefaultPacketSize;
};

// The names declared in sp_executesql's parameter list: "@P1 int, @P2 nvarchar(4000)".
std::vector<QString> declaredNames(const QString& declarations) {
    std::vector<QString> names;
    int depth = 0;
    bool expectName = true;
    for (qsizetype i = 0; i < declarations.size();) {
        const SqlSpan span = scanSqlSpan(declarations, i);
        const QChar first = declarations[i];
        i = span.end;
        if (span.kind == SqlSpanKind::Variable && expectName) {
            names.push_back(declarations.mid(span.start, span.length()));
            expectName = false;
        } else if (span.kind == SqlSpanKind::Symbol && first == u'(') {
            ++depth;
        } else if (span.kind == SqlSpanKind::Symbol && first == u')') {
            --depth;
        } else if (span.kind == SqlSpanKind::Symbol && first == u',' && depth == 0) {
            expectName = true;
        }
    }
    return names;
}

class SessionServer {
public:
    SessionServer(int socket, int spid, const TdsServerOptions& options, const SessionHooks& hooks)
        : wire_(socket, spid, hooks),
          options_(options),
          hooks_(hooks),
          collation_(options.latinCollation ? Collation::latin() : Collation::cyrillic()) {}

    void serve() {
        Message message;
        while (wire_.read(message)) {
            switch (message.type) {
                case kPreLogin:
                    wire_.send(preLoginResponse());
                    break;
                case kLogin7:
                    if (!login(parseLogin7(message.body))) {
                        return;
                    }
                    break;
                case kSqlBatch:
                    requireLogin();
                    requestTransaction_ = transactionDescriptor(message.body);
                    batch(parseSqlBatch(message.body));
                    break;
                case kRpc:
                    requireLogin();
                    requestTransaction_ = transactionDescriptor(message.body);
                    rpc(parseRpc(message.body));
                    break;
                case kAttention: {
                    // Every request is answered whole before the next is read, so a cancel
                    // finds nothing running: it is acknowledged.
                    TokenWriter w;
                    w.done(kDone, kDoneAttention, 0, 0);
                    wire_.send(w.bytes());
                    break;
                }
                default:
                    throw ProtocolError("a message of an unknown type");
            }
        }
    }

private:
    void requireLogin() const {
        if (!session_) {
            throw ProtocolError("a request before the login");
        }
    }

    bool login(const Login7& login) {
        hooks_.record([&login](SessionRecord& r) {
            r.user = login.userName;
            r.application = login.appName;
            r.host = login.hostName;
            r.database = login.database;
        });
        const int packetSize = login.packetSize >= 512 && login.packetSize <= 32767
                                   ? static_cast<int>(login.packetSize)
                                   : kDefaultPacketSize;
        TokenWriter w;
        try {
            if (!login.database.isEmpty() &&
                login.database.compare(u"ZEV", Qt::CaseInsensitive) != 0) {
                throw DatabaseError(QStringLiteral("Cannot open database \"%1\" requested by the "
                                                   "login. The login failed.")
                                        .arg(login.database));
            }
            session_ = server::Session::open(options_.databaseFile, login.userName, login.password);
        } catch (const Error& e) {
            w.message(true, errorNumberOf(e.text()), 1, 14, e.text(), kServerName);
            w.done(kDone, kDoneError, 0, 0);
            wire_.send(w.bytes());
            return false;
        }
        w.envChange(1, QStringLiteral("ZEV"), QStringLiteral("master"));
        w.message(false, 5701, 2, 0, QStringLiteral("Changed database context to 'ZEV'."),
                  kServerName);
        w.envChangeCollation(collation_);
        w.envChange(2, QStringLiteral("us_english"), QString());
        w.message(false, 5703, 1, 0, QStringLiteral("Changed language setting to us_english."),
                  kServerName);
        w.loginAck(std::min(login.tdsVersion, kTds74), QStringLiteral("Microsoft SQL Server"));
        w.envChange(4, QString::number(packetSize), QString::number(kDefaultPacketSize));
        w.done(kDone, kDoneFinal, 0, 0);
        // Recorded before the answer leaves, so that whoever reads the records after the
        // client's login sees it.
        hooks_.record([](SessionRecord& r) { r.loggedIn = true; });
        wire_.send(w.bytes());
        wire_.setPacketSize(packetSize);
        return true;
    }

    // Runs one statement, writing its rows or its error; answers the DONE status and count.
    std::pair<std::uint16_t, std::uint64_t> run(TokenWriter& w, const QString& sql,
                                                const std::vector<Value>& args) {
        std::pair<std::uint16_t, std::uint64_t> done{kDoneError, 0};
        try {
            // As SQL Server: a request inside a transaction names it in its headers (the
            // descriptor that the ENVCHANGE of its begin gave the client).
            if (transaction_ != 0 && requestTransaction_ != transaction_) {
                throw DatabaseError(
                    QStringLiteral("New request is not allowed to start because it should come "
                                   "with valid transaction descriptor."));
            }
            qint64 changed = -1;
            const ResultSet rows = session_->statement(sql, args, &changed);
            bool counted = changed >= 0;
            std::uint64_t count = changed >= 0 ? static_cast<std::uint64_t>(changed) : 0;
            if (rows.columnCount() > 0) {
                w.resultSet(rows, collation_);
                counted = true;
                count = static_cast<std::uint64_t>(rows.rowCount());
            }
            const bool reported = counted && !options_.noRowCounts;
            done = {reported ? kDoneCount : kDoneFinal, reported ? count : 0};
        } catch (const DatabaseError& e) {
            w.message(true, errorNumberOf(e.text()), 1, 16, e.text(), kServerName);
        }
        noteTransaction(w);
        return done;
    }

    // Tells the client, as SQL Server does, when its transaction began or ended: the client
    // sends the descriptor of the open transaction with every request.
    void noteTransaction(TokenWriter& w) {
        const bool open = session_->inTransaction();
        if (transaction_ == 0 && open) {
            transaction_ = ++transactionsBegun_;
            w.envChangeTransaction(8, transaction_);
        } else if (transaction_ != 0 && !open) {
            w.envChangeTransaction(session_->lastTransactionCommitted() ? 9 : 10, transaction_);
            transaction_ = 0;
        }
    }

    void count(const QString& statement, const QString& declarations = QString()) {
        hooks_.record([&](SessionRecord& r) {
            ++r.requests;
            r.statements.push_back(statement);
            if (!declarations.isNull()) {
                r.parameterDeclarations.push_back(declarations);
            }
        });
    }

    void batch(const QString& sql) {
        count(sql);
        TokenWriter w;
        const auto [status, rows] = run(w, sql, {});
        w.done(kDone, status, 0, rows);
        wire_.send(w.bytes());
    }

    void rpc(const RpcCall& call) {
        const bool executeSql =
            call.procedureId == kSpExecuteSql ||
            call.procedureName.compare(u"sp_executesql", Qt::CaseInsensitive) == 0;
        TokenWriter w;
        QString sql;
        std::vector<Value> args;
        if (executeSql) {
            if (call.parameters.empty()) {
                throw ProtocolError("sp_executesql without a statement");
            }
            const QString statement = valueText(call.parameters[0].value);
            const QString declarations =
                call.parameters.size() > 1 ? valueText(call.parameters[1].value) : QString();
            count(statement, declarations);
            std::vector<QString> names;
            for (std::size_t i = 2; i < call.parameters.size(); ++i) {
                names.push_back(call.parameters[i].name);
            }
            if (std::any_of(names.begin(), names.end(),
                            [](const QString& n) { return n.isEmpty(); })) {
                names = declaredNames(declarations);
            }
            std::vector<int> order;
            sql = positionalStatement(statement, names, order);
            for (int index : order) {
                const std::size_t at = static_cast<std::size_t>(index) + 2;
                args.push_back(at < call.parameters.size() ? call.parameters[at].value : Value{});
            }
        } else if (!call.procedureName.isEmpty()) {
            // A procedure called by name: its parameters in order.
            count(QStringLiteral("EXEC ") + call.procedureName);
            sql = QStringLiteral("EXEC ") + call.procedureName;
            for (std::size_t i = 0; i < call.parameters.size(); ++i) {
                sql += (i == 0 ? QStringLiteral(" ?") : QStringLiteral(", ?"));
                args.push_back(call.parameters[i].value);
            }
        } else {
            count(QStringLiteral("procedure #%1").arg(call.procedureId));
            w.message(true, 2812, 62, 16,
                      QStringLiteral("This server runs sp_executesql and named procedures only."),
                      kServerName);
            w.done(kDoneProc, kDoneError, 0, 0);
            wire_.send(w.bytes());
            return;
        }
        const auto [status, rows] = run(w, sql, args);
        // DONEINPROC says that more follows: the return status and the end of the call.
        w.done(kDoneInProc, status | kDoneMore, 0xC1, rows);
        w.returnStatus(status == kDoneError ? -6 : 0);
        w.done(kDoneProc, status == kDoneError ? kDoneError : kDoneFinal, 0xE0, 0);
        wire_.send(w.bytes());
    }

    Wire wire_;
    const TdsServerOptions& options_;
    const SessionHooks& hooks_;
    Collation collation_;
    std::unique_ptr<server::Session> session_;
    std::uint64_t transaction_ = 0;         // the descriptor of the open transaction, or 0
    std::uint64_t transactionsBegun_ = 0;   // the descriptors handed out so far
    std::uint64_t requestTransaction_ = 0;  // the descriptor the current request came with
};

}  // namespace

QString positionalStatement(const QString& statement, const std::vector<QString>& names,
                            std::vector<int>& order) {
    QString out;
    out.reserve(statement.size());
    for (qsizetype i = 0; i < statement.size();) {
        const SqlSpan span = scanSqlSpan(statement, i);
        const QStringView text = QStringView(statement).mid(span.start, span.length());
        i = span.end;
        if (span.kind == SqlSpanKind::Variable) {
            const auto found = std::find_if(names.begin(), names.end(), [&](const QString& x) {
                return text.compare(x, Qt::CaseInsensitive) == 0;
            });
            if (found != names.end()) {
                order.push_back(static_cast<int>(found - names.begin()));
                out += u'?';
                continue;
            }
        }
        out += text;
    }
    return out;
}

int errorNumberOf(const QString& message) {
    static const std::pair<const char*, int> known[] = {
        {"Login failed", 18456},
        {"Cannot open database", 4060},
        {"Invalid object name", 208},
        {"Invalid column name", 207},
        {"Could not find stored procedure", 2812},
        {"permission was denied", 229},
        {"Incorrect syntax", 102},
        {"Conversion failed", 245},
        {"expects parameter", 201},
        {"too many arguments", 8144},
        {"Violation of PRIMARY KEY", 2627},
        {"Cannot insert the value NULL", 515},
        {"conflicted with the", 547},
        {"COMMIT TRANSACTION request has no corresponding", 3902},
        {"ROLLBACK TRANSACTION request has no corresponding", 3903},
        {"should come with valid transaction descriptor", 3989},
    };
    for (const auto& [text, number] : known) {
        if (message.contains(QLatin1String(text), Qt::CaseInsensitive)) {
            return number;
        }
    }
    return 50000;
}

void serveSession(int socket, int spid, const TdsServerOptions& options,
                  const SessionHooks& hooks) {
    try {
        SessionServer(socket, spid, options, hooks).serve();
    } catch (const ProtocolError&) {
        // The connection ends; the client sees its socket closed.
    } catch (const Error&) {
    }
}

}  // namespace zev::tds
