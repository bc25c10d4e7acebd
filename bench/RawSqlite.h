#pragma once
// Raw SQLite of a statement as the embedded server runs it, the baseline of the benches: a
// SELECT's translation (the server's own, plan guides included), or for a reading procedure the
// statement whose rows it answers with the call's arguments in the procedure's parameter order;
// prepared once, every column of every row read. Header only: every .cpp of bench/ is a program.
#include "core/Value.h"
#include "server/engine/Procedures.h"
#include "server/engine/Translator.h"

#include <sqlite3.h>

#include <utility>
#include <vector>

namespace zev::bench {

class RawStatement {
public:
    RawStatement(sqlite3* db, const QString& tsql) {
        const server::Translation t = server::translate(tsql);
        QString sql;
        if (t.kind == server::Translation::Kind::Select) {
            sql = t.sqlite;
        } else if (t.kind == server::Translation::Kind::Exec) {
            const server::Procedure* procedure = server::findProcedure(t.procedure);
            sql = procedure ? server::procedureStatement(t.procedure) : QString();
            if (!sql.isEmpty()) {
                procedure_ = procedure;
                arguments_ = t.arguments;
            }
        }
        if (!sql.isEmpty()) {
            const QByteArray text = sql.toUtf8();
            sqlite3_prepare_v3(db, text.constData(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_,
                               nullptr);
        }
    }
    ~RawStatement() { sqlite3_finalize(stmt_); }
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    bool valid() const { return stmt_ != nullptr; }

    // Answers rows and bytes read.
    std::pair<int, qint64> run(const std::vector<Value>& args) {
        sqlite3_reset(stmt_);
        if (procedure_) {
            bindCall(args);
        } else {
            for (size_t i = 0; i < args.size(); ++i) {
                bind(static_cast<int>(i) + 1, args[i]);
            }
        }
        int rows = 0;
        qint64 bytes = 0;
        const int columns = sqlite3_column_count(stmt_);
        while (sqlite3_step(stmt_) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(stmt_, c)) {
                    case SQLITE_INTEGER:
                        bytes += 8 + (sqlite3_column_int64(stmt_, c) & 0);
                        break;
                    case SQLITE_FLOAT:
                        bytes += 8 + static_cast<qint64>(sqlite3_column_double(stmt_, c) * 0);
                        break;
                    case SQLITE_TEXT:
                        sqlite3_column_text(stmt_, c);
                        bytes += sqlite3_column_bytes(stmt_, c);
                        break;
                    default:
                        break;
                }
            }
        }
        return {rows, bytes};
    }

private:
    void bind(int n, const Value& v) {
        if (std::holds_alternative<std::int64_t>(v)) {
            sqlite3_bind_int64(stmt_, n, std::get<std::int64_t>(v));
        } else if (std::holds_alternative<QString>(v)) {
            const QByteArray b = std::get<QString>(v).toUtf8();
            sqlite3_bind_text(stmt_, n, b.constData(), static_cast<int>(b.size()),
                              SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(stmt_, n);
        }
    }

    // The call's arguments, positional or by name, as the procedure's parameters: integers
    // where the parameter is one, as the server converts them.
    void bindCall(const std::vector<Value>& args) {
        const auto& parameters = procedure_->parameters;
        for (size_t i = 0; i < arguments_.size(); ++i) {
            const server::ExecArgument& a = arguments_[i];
            size_t slot = i;
            for (size_t p = 0; p < parameters.size() && !a.name.isEmpty(); ++p) {
                if (parameters[p].name.compare(a.name, Qt::CaseInsensitive) == 0) {
                    slot = p;
                }
            }
            Value v = a.paramIndex >= 0 ? args[static_cast<size_t>(a.paramIndex)] : a.literal;
            if (slot < parameters.size() && parameters[slot].type == ColumnType::Integer &&
                std::holds_alternative<QString>(v)) {
                v = std::int64_t{std::get<QString>(v).trimmed().toLongLong()};
            }
            bind(static_cast<int>(slot) + 1, v);
        }
    }

    sqlite3_stmt* stmt_ = nullptr;
    const server::Procedure* procedure_ = nullptr;
    std::vector<server::ExecArgument> arguments_;
};

}  // namespace zev::bench
