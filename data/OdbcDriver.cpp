// The SQL Server driver: Qt's QODBC over the platform's ODBC driver manager.
//
// Every statement is sent as one request. Qt's default scrollable queries run through server
// cursors (several round trips per statement), so each query is forward-only; a statement without
// parameters is executed directly (no separate prepare), and its result is read once into a
// snapshot.

#include "data/OdbcDriver.h"

#include "data/Errors.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <atomic>

namespace zev {

namespace odbc {
namespace {

QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("zev-odbc-%1").arg(++counter);
}

ColumnType columnTypeOf(QMetaType type) {
    switch (type.id()) {
        case QMetaType::Bool:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return ColumnType::Integer;
        case QMetaType::Float:
        case QMetaType::Double:
            return ColumnType::Float;
        default:
            return ColumnType::Text;
    }
}

Value toValue(const QVariant& v, ColumnType type) {
    if (v.isNull() || !v.isValid()) {
        return {};
    }
    switch (type) {
        case ColumnType::Integer:
            return static_cast<std::int64_t>(v.toLongLong());
        case ColumnType::Float:
            return v.toDouble();
        default:
            return v.toString();
    }
}

QVariant toVariant(const Value& value) {
    if (const auto* i = std::get_if<std::int64_t>(&value)) {
        return QVariant::fromValue(static_cast<qlonglong>(*i));
    }
    if (const auto* d = std::get_if<double>(&value)) {
        return QVariant(*d);
    }
    if (const auto* s = std::get_if<QString>(&value)) {
        // A QString binds as a wide (Unicode) parameter, so Cyrillic survives any collation.
        return QVariant(*s);
    }
    // A typed Null: the driver binds it as a Unicode text parameter holding NULL.
    return QVariant(QMetaType::fromType<QString>());
}

// The most telling text of a Qt SQL error: the ODBC diagnostics when there are any.
QString errorText(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) {
        text = error.driverText().trimmed();
    }
    if (text.isEmpty()) {
        text = QStringLiteral("Unknown SQL Server driver error");
    }
    return text;
}

class OdbcDriver final : public ConnectionDriver {
public:
    OdbcDriver(const OdbcOpenParameters& parameters, const QString& serverName,
               const QString& secret)
        : name_(nextConnectionName()), password_(secret) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
            if (!db.isValid()) {
                QSqlDatabase::removeDatabase(name_);
                throw DatabaseError(
                    QStringLiteral("Qt's ODBC driver (QODBC) is not installed on this computer"));
            }
            db.setDatabaseName(parameters.connectionString);
            db.setConnectOptions(parameters.connectOptions);
            if (!db.open()) {
                const QString text = maskConnectionPassword(errorText(db.lastError()));
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(name_);
                throw DatabaseError(QStringLiteral("Cannot connect to SQL Server \"%1\": %2")
                                        .arg(serverName, text));
            }
        }
    }

    ~OdbcDriver() override {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    OdbcDriver(const OdbcDriver&) = delete;
    OdbcDriver& operator=(const OdbcDriver&) = delete;

    ResultSet query(const QString& sql, const std::vector<Value>& args) override {
        QSqlQuery q = run(sql, args);
        // A procedure body may report row counts before its result; skip to the first result
        // that has columns.
        while (!q.isSelect() && q.nextResult()) {
        }
        ResultSet result;
        if (!q.isSelect()) {
            return result;
        }
        const QSqlRecord record = q.record();
        result.columns.reserve(record.count());
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField field = record.field(i);
            result.columns.push_back({field.name(), columnTypeOf(field.metaType())});
        }
        const int width = record.count();
        while (q.next()) {
            for (int i = 0; i < width; ++i) {
                result.cells.push_back(toValue(q.value(i), result.columns[i].type));
            }
        }
        if (q.lastError().isValid()) {
            fail(q.lastError());
        }
        return result;
    }

    qint64 execute(const QString& sql, const std::vector<Value>& args) override {
        QSqlQuery q = run(sql, args);
        return q.numRowsAffected();
    }

private:
    QSqlQuery run(const QString& sql, const std::vector<Value>& args) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.setForwardOnly(true);
        bool ok = false;
        if (args.empty()) {
            ok = q.exec(sql);
        } else {
            ok = q.prepare(sql);
            if (ok) {
                for (const Value& arg : args) {
                    q.addBindValue(toVariant(arg));
                }
                ok = q.exec();
            }
        }
        if (!ok) {
            fail(q.lastError());
        }
        return q;
    }

    [[noreturn]] void fail(const QSqlError& error) const {
        throw DatabaseError(maskConnectionPassword(errorText(error)));
    }

    QString name_;
    QString password_;
};

}  // namespace

std::unique_ptr<ConnectionDriver> openOdbcDriver(const ConnectionSettings& settings,
                                                 const DriverChoice& driver,
                                                 int loginTimeoutSeconds) {
    return std::make_unique<OdbcDriver>(
        composeOdbcParameters(settings, driver, loginTimeoutSeconds), settings.dataSource,
        settings.password);
}

std::unique_ptr<ConnectionDriver> openOdbcDriverWith(const OdbcOpenParameters& parameters,
                                                     const QString& serverName,
                                                     const QString& secret) {
    return std::make_unique<OdbcDriver>(parameters, serverName, secret);
}

}  // namespace odbc

std::unique_ptr<ConnectionDriver> openSqlServerDriver(const ConnectionSettings& settings) {
    return odbc::openOdbcDriver(settings, odbc::defaultDriverChoice());
}

}  // namespace zev
