// The SQL Server driver on the ODBC C API.
//
// Each statement is one SQLExecDirectW: without parameters the driver sends it as one SQL batch,
// with parameters (bound by SQLBindParameter) as one sp_executesql call. Nothing is prepared, no
// server cursor is opened and nothing is asked of the server at connect but the login. Text
// parameters are Unicode of a fixed declared size, so that Cyrillic survives a server of any
// collation and every call of a statement shares one plan. Results are read once, forward-only,
// cell by cell into a row sink: a dataset's column store directly, or the snapshot of query().

#include "data/OdbcDriver.h"

#include "core/Errors.h"
#include "core/RowSink.h"
#include "data/OdbcDiagnostics.h"

#ifdef _WIN32
#include <windows.h>  // the ODBC headers of Windows build on its types
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>

namespace zev::odbc {

namespace {

// Text parameters up to this many UTF-16 units are declared NVARCHAR(4000); longer ones
// NVARCHAR(MAX).
constexpr SQLULEN kDeclaredTextSize = 4000;

std::u16string wide(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

SQLWCHAR* wideArg(std::u16string& text) {
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters are UTF-16");
    return reinterpret_cast<SQLWCHAR*>(text.data());
}

// A statement handle freed on every way out.
class Statement {
public:
    explicit Statement(SQLHDBC dbc) : dbc_(dbc) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_))) {
            throw DatabaseError(diagnosticText(SQL_HANDLE_DBC, dbc));
        }
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT get() const { return handle_; }

    [[noreturn]] void fail() const {
        const QString text = diagnosticText(SQL_HANDLE_STMT, handle_);
        // FreeTDS reports a socket that the server closed as an "Unknown error"; the
        // connection's own state tells what happened.
        SQLUINTEGER dead = SQL_CD_FALSE;
        SQLGetConnectAttr(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
        if (dead == SQL_CD_TRUE || connectionLost(SQL_HANDLE_STMT, handle_)) {
            throw DatabaseError(
                QStringLiteral("The connection to SQL Server was lost (%1). Close the program and "
                               "sign in again.")
                    .arg(text));
        }
        throw DatabaseError(text);
    }
    void check(SQLRETURN rc) const {
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            fail();
        }
    }

private:
    SQLHDBC dbc_;
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

// The bound values of one call: they must stay where they are until the statement has run.
class Bindings {
public:
    void bind(const Statement& statement, const std::vector<Value>& args) {
        SQLUSMALLINT number = 0;
        for (const Value& arg : args) {
            ++number;
            Slot& slot = slots_.emplace_back();
            SQLRETURN rc = SQL_SUCCESS;
            if (const auto* i = std::get_if<std::int64_t>(&arg)) {
                slot.integer = *i;
                const bool fits32 = *i >= std::numeric_limits<std::int32_t>::min() &&
                                    *i <= std::numeric_limits<std::int32_t>::max();
                if (fits32) {
                    slot.integer32 = static_cast<std::int32_t>(*i);
                    rc = SQLBindParameter(statement.get(), number, SQL_PARAM_INPUT, SQL_C_SLONG,
                                          SQL_INTEGER, 10, 0, &slot.integer32, 0, &slot.indicator);
                } else {
                    rc = SQLBindParameter(statement.get(), number, SQL_PARAM_INPUT, SQL_C_SBIGINT,
                                          SQL_BIGINT, 19, 0, &slot.integer, 0, &slot.indicator);
                }
            } else if (const auto* d = std::get_if<double>(&arg)) {
                slot.real = *d;
                rc = SQLBindParameter(statement.get(), number, SQL_PARAM_INPUT, SQL_C_DOUBLE,
                                      SQL_DOUBLE, 15, 0, &slot.real, 0, &slot.indicator);
            } else {
                const auto* s = std::get_if<QString>(&arg);
                if (s) {
                    slot.text = wide(*s);
                    slot.indicator = static_cast<SQLLEN>(slot.text.size() * sizeof(char16_t));
                } else {
                    slot.indicator = SQL_NULL_DATA;  // NULL travels as NULL
                }
                const bool longText = slot.text.size() > kDeclaredTextSize;
                rc = SQLBindParameter(
                    statement.get(), number, SQL_PARAM_INPUT, SQL_C_WCHAR,
                    longText ? SQL_WLONGVARCHAR : SQL_WVARCHAR,
                    longText ? static_cast<SQLULEN>(slot.text.size()) : kDeclaredTextSize, 0,
                    wideArg(slot.text), static_cast<SQLLEN>(slot.text.size() * sizeof(char16_t)),
                    &slot.indicator);
            }
            statement.check(rc);
        }
    }

private:
    struct Slot {
        std::int64_t integer = 0;
        std::int32_t integer32 = 0;
        double real = 0;
        std::u16string text;
        SQLLEN indicator = 0;
    };
    std::deque<Slot> slots_;  // a deque keeps each slot's address while others are added
};

ColumnType columnTypeOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_BIT:
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            return ColumnType::Integer;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            return ColumnType::Float;
        default:
            return ColumnType::Text;
    }
}

// One cell of the current row, read with SQLGetData in the column's own kind and handed to the
// sink. A text that fits the buffer goes to the sink from the buffer itself, without a copy.
void readCell(const Statement& statement, SQLUSMALLINT column, ColumnType type, RowSink& sink) {
    SQLLEN indicator = 0;
    switch (type) {
        case ColumnType::Integer: {
            std::int64_t v = 0;
            statement.check(SQLGetData(statement.get(), column, SQL_C_SBIGINT, &v, 0, &indicator));
            indicator == SQL_NULL_DATA ? sink.addNull() : sink.addInteger(v);
            return;
        }
        case ColumnType::Float: {
            double v = 0;
            statement.check(SQLGetData(statement.get(), column, SQL_C_DOUBLE, &v, 0, &indicator));
            indicator == SQL_NULL_DATA ? sink.addNull() : sink.addFloat(v);
            return;
        }
        default:
            break;
    }
    // Text in pieces: a long value comes back in as many calls as it needs.
    constexpr std::size_t kCapacity = 1023;  // UTF-16 units, less the NUL
    char16_t buffer[kCapacity + 1];
    std::u16string text;
    for (;;) {
        const SQLRETURN rc =
            SQLGetData(statement.get(), column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) {
            break;
        }
        statement.check(rc);
        if (indicator == SQL_NULL_DATA) {
            sink.addNull();
            return;
        }
        const bool truncated = indicator == SQL_NO_TOTAL ||
                               static_cast<std::size_t>(indicator) / sizeof(char16_t) > kCapacity;
        const std::size_t got =
            truncated ? kCapacity : static_cast<std::size_t>(indicator) / sizeof(char16_t);
        if (!truncated && text.empty()) {
            sink.addText(QStringView(buffer, static_cast<qsizetype>(got)));
            return;
        }
        text.append(buffer, got);
        if (!truncated) {
            break;
        }
    }
    sink.addText(QStringView(text.data(), static_cast<qsizetype>(text.size())));
}

class OdbcDriver final : public ConnectionDriver {
public:
    OdbcDriver(const QString& connectionString, const QString& serverName, int loginTimeoutSeconds,
               int packetSize) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        if (env_ == SQL_NULL_HENV) {
            throw DatabaseError(QStringLiteral("The ODBC driver manager is not available"));
        }
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
            const QString text = diagnosticText(SQL_HANDLE_ENV, env_);
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
            throw DatabaseError(text);
        }
        SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeoutSeconds)),
                          0);
        SQLSetConnectAttr(dbc_, SQL_ATTR_CONNECTION_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeoutSeconds)),
                          0);
        SQLSetConnectAttr(dbc_, SQL_ATTR_PACKET_SIZE,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(packetSize)), 0);
        std::u16string text = wide(connectionString);
        const SQLRETURN rc =
            SQLDriverConnectW(dbc_, nullptr, wideArg(text), static_cast<SQLSMALLINT>(text.size()),
                              nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            const QString reason = maskConnectionPassword(diagnosticText(SQL_HANDLE_DBC, dbc_));
            freeHandles();
            throw DatabaseError(
                QStringLiteral("Cannot connect to SQL Server \"%1\": %2").arg(serverName, reason));
        }
    }

    ~OdbcDriver() override {
        SQLDisconnect(dbc_);
        freeHandles();
    }

    OdbcDriver(const OdbcDriver&) = delete;
    OdbcDriver& operator=(const OdbcDriver&) = delete;

    ResultSet query(const QString& sql, const std::vector<Value>& args) override {
        ResultSetSink snapshot;
        queryInto(sql, args, snapshot);
        return snapshot.take();
    }

    void queryInto(const QString& sql, const std::vector<Value>& args, RowSink& sink) override {
        Statement statement(dbc_);
        Bindings bindings;
        run(statement, bindings, sql, args);
        // A procedure may report row counts before its rows: the first result with columns is
        // the answer.
        SQLSMALLINT width = 0;
        statement.check(SQLNumResultCols(statement.get(), &width));
        while (width == 0) {
            const SQLRETURN rc = SQLMoreResults(statement.get());
            if (rc == SQL_NO_DATA) {
                sink.begin({}, 0);
                sink.end();
                return;
            }
            statement.check(rc);
            statement.check(SQLNumResultCols(statement.get(), &width));
        }
        readResult(statement, width, sink);
        drain(statement);
        sink.end();
    }

    qint64 execute(const QString& sql, const std::vector<Value>& args) override {
        Statement statement(dbc_);
        Bindings bindings;
        run(statement, bindings, sql, args);
        SQLLEN count = -1;
        statement.check(SQLRowCount(statement.get(), &count));
        drain(statement);
        return count;
    }

private:
    void run(Statement& statement, Bindings& bindings, const QString& sql,
             const std::vector<Value>& args) {
        SQLSetStmtAttr(
            statement.get(), SQL_ATTR_QUERY_TIMEOUT,
            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kDefaultQueryTimeoutSeconds)), 0);
        bindings.bind(statement, args);
        std::u16string text = wide(sql);
        const SQLRETURN rc =
            SQLExecDirectW(statement.get(), wideArg(text), static_cast<SQLINTEGER>(text.size()));
        // SQL_NO_DATA: a searched UPDATE or DELETE that found no row.
        statement.check(rc);
    }

    // Reads the columns and rows of the current result into the sink; the caller ends it once
    // the rest of the answer has arrived without an error.
    static void readResult(const Statement& statement, SQLSMALLINT width, RowSink& sink) {
        std::vector<ResultColumn> columns;
        columns.reserve(width);
        for (SQLUSMALLINT i = 1; i <= width; ++i) {
            char16_t name[256] = {};
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT type = 0;
            SQLULEN size = 0;
            SQLSMALLINT digits = 0;
            SQLSMALLINT nullable = 0;
            statement.check(SQLDescribeColW(statement.get(), i, reinterpret_cast<SQLWCHAR*>(name),
                                            255, &nameLength, &type, &size, &digits, &nullable));
            const qsizetype length = std::min<qsizetype>(nameLength, 255);
            columns.push_back({QString::fromUtf16(name, length), columnTypeOf(type)});
        }
        sink.begin(columns, -1);
        for (;;) {
            const SQLRETURN rc = SQLFetch(statement.get());
            if (rc == SQL_NO_DATA) {
                break;
            }
            statement.check(rc);
            sink.beginRow();
            for (SQLUSMALLINT i = 1; i <= width; ++i) {
                readCell(statement, i, columns[i - 1].type, sink);
            }
        }
    }

    // Reads the rest of the answer, so that an error the server reports after the first result
    // (a failing statement later in a procedure) is not lost.
    static void drain(const Statement& statement) {
        for (;;) {
            const SQLRETURN rc = SQLMoreResults(statement.get());
            if (rc == SQL_NO_DATA) {
                return;
            }
            statement.check(rc);
        }
    }

    void freeHandles() {
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
};

}  // namespace

std::unique_ptr<ConnectionDriver> openOdbcDriver(const ConnectionSettings& settings,
                                                 const DriverChoice& driver,
                                                 int loginTimeoutSeconds) {
    try {
        return std::make_unique<OdbcDriver>(composeOdbcConnectionString(settings, driver),
                                            settings.dataSource, loginTimeoutSeconds,
                                            settings.packetSize);
    } catch (const DatabaseError& e) {
        // FreeTDS 1.3 ends a braced value at its first '}', so such a value never arrives whole
        // and the driver only says that it could not connect.
        const bool brace = settings.user.contains(u'}') || settings.password.contains(u'}');
        if (driver.flavour == DriverFlavour::FreeTds && brace) {
            throw DatabaseError(e.text() +
                                QStringLiteral("\nThe FreeTDS driver of this computer cannot take "
                                               "a '}' in the user name or password."));
        }
        throw;
    }
}

std::unique_ptr<ConnectionDriver> openOdbcDriverWith(const QString& odbcConnectionString,
                                                     const QString& serverName,
                                                     int loginTimeoutSeconds, int packetSize) {
    return std::make_unique<OdbcDriver>(odbcConnectionString, serverName, loginTimeoutSeconds,
                                        packetSize);
}

}  // namespace zev::odbc

namespace zev {

std::unique_ptr<ConnectionDriver> openSqlServerDriver(const ConnectionSettings& settings) {
    return odbc::openOdbcDriver(settings, odbc::defaultDriverChoice());
}

namespace {

std::unique_ptr<ConnectionDriver> openRegistered(const ConnectionSettings& settings,
                                                 const QString& /*baseFolder*/) {
    return openSqlServerDriver(settings);
}

[[maybe_unused]] const bool registered =
    registerConnectionDriver(DataSourceKind::SqlServer, &openRegistered);

}  // namespace

}  // namespace zev
