#include "server/EmbeddedServer.h"

#include "core/Errors.h"
#include "server/engine/Database.h"
#include "server/engine/Procedures.h"
#include "server/engine/ResultCache.h"
#include "server/engine/SchemaUpgrade.h"
#include "server/engine/Translator.h"

#include <QHash>
#include <QSet>

namespace zev::server {

namespace {

// What members of staff may do: exactly what the client does. They read the selection lists,
// the streams, the chosen disciplines and the debts, and write four tables: the electives
// (posts and deletes), new streams, and the rows of the chosen disciplines and of the debts.
// user_faculty is read for the faculty list and never written; the sign-in tables, the tables
// behind the procedures and SQLite's own tables are out of reach.
enum Right { Read = 1, Insert = 2, Update = 4, Delete = 8 };

int staffRights(const QString& table) {
    static const QHash<QString, int> rights = {
        {QStringLiteral("a_year"), Read},
        {QStringLiteral("semester"), Read},
        {QStringLiteral("faculty"), Read},
        {QStringLiteral("user_faculty"), Read},
        {QStringLiteral("f_educ"), Read},
        {QStringLiteral("com_sfe"), Read},
        {QStringLiteral("obemchasov"), Read},
        {QStringLiteral("speciality_form"), Read},
        {QStringLiteral("group"), Read},
        {QStringLiteral("g_s"), Read},
        {QStringLiteral("g_r_y"), Read},
        {QStringLiteral("s_fio"), Read},
        {QStringLiteral("s_g"), Read},
        {QStringLiteral("discipline"), Read},
        {QStringLiteral("kafedra"), Read},
        {QStringLiteral("teacher"), Read},
        {QStringLiteral("t_fio"), Read},
        {QStringLiteral("gettfio_with_pps"), Read},
        {QStringLiteral("rrnkkrdt"), Read | Insert},
        {QStringLiteral("disciplineforstudent"), Read | Update | Delete},
        {QStringLiteral("disciplineforstudent2"), Read | Insert | Update | Delete},
        {QStringLiteral("debts"), Read | Insert | Update | Delete},
        // Written only by the triggers of the two tables above it records (History.h).
        {QStringLiteral("zev_history"), Read},
    };
    return rights.value(table.toLower(), 0);
}

int rightOf(const Translation& t) {
    switch (t.kind) {
        case Translation::Kind::Insert:
            return Insert;
        case Translation::Kind::Update:
            return Update;
        case Translation::Kind::Delete:
            return Delete;
        default:
            return Read;
    }
}

[[noreturn]] void denied(const QString& verb, const QString& object) {
    throw DatabaseError(QStringLiteral("The %1 permission was denied on the object '%2', database "
                                       "'ZEV', schema 'dbo'.")
                            .arg(verb, object));
}

// Converts an argument to the procedure parameter's type as SQL Server would.
Value convertArgument(const Value& v, const Parameter& p) {
    if (isNull(v)) {
        return v;
    }
    if (p.type == ColumnType::Text) {
        return valueText(v);
    }
    if (p.type != ColumnType::Integer) {
        return v;
    }
    if (std::holds_alternative<std::int64_t>(v)) {
        return v;
    }
    if (std::holds_alternative<double>(v)) {
        return static_cast<std::int64_t>(std::get<double>(v));
    }
    const QString text = std::get<QString>(v).trimmed();
    if (text.isEmpty()) {
        return std::int64_t{0};
    }
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    if (!ok) {
        throw DatabaseError(
            QStringLiteral("Error converting data type varchar to int (parameter %1, value '%2').")
                .arg(p.name, text));
    }
    return static_cast<std::int64_t>(number);
}

}  // namespace

// Memory the kept results of one session may take: the largest lists of a university (the
// streams of a form of education) with room for the small per-student results around them.
constexpr std::size_t kResultCacheBytes = std::size_t{24} * 1024 * 1024;

struct Session::Cache {
    QHash<QString, std::shared_ptr<const Translation>> translations;
    ResultCache results{kResultCacheBytes};
};

template <typename Run>
void Session::cached(const QString& key, RowSink& sink, Run&& run) {
    // Inside the client's transaction a result may hold rows that a rollback takes back, while
    // the change count the cache goes by stays where the transaction took it: nothing is kept
    // or served until the transaction ends.
    if (tranCount_ > 0) {
        run(sink);
        return;
    }
    ResultCache& results = cache_->results;
    results.checkChangeCount(db_->changeCount());
    if (const auto kept = results.find(key)) {
        kept->replay(sink);
        return;
    }
    auto packed = std::make_shared<PackedResult>();
    KeepingSink keeping(sink, *packed);
    run(keeping);
    if (packed->complete()) {
        results.store(key, std::move(packed));
    }
}

Session::Session(std::unique_ptr<Database> db, QString user, bool signInOnly)
    : db_(std::move(db)),
      user_(std::move(user)),
      signInOnly_(signInOnly),
      cache_(std::make_unique<Cache>()) {}

Session::~Session() {
    // A session that ends with its transaction open leaves nothing of it behind.
    if (tranCount_ > 0 && db_->inTransaction()) {
        try {
            db_->execute(QStringLiteral("ROLLBACK"));
        } catch (...) {  // closing the connection rolls it back all the same
        }
    }
}

bool Session::inTransaction() const {
    return tranCount_ > 0 && db_->inTransaction();
}

template <typename Write>
void Session::atomically(Write&& write) {
    if (tranCount_ == 0) {
        write();  // SQLite runs the statement as a transaction of its own
        return;
    }
    Transaction unit(*db_);
    write();
    unit.commit();
}

// The client's transaction, as SQL Server counts it: BEGIN adds one to @@TRANCOUNT and opens
// the SQLite transaction at the first, COMMIT takes one off and commits at zero, ROLLBACK undoes
// everything. The transaction takes the write lock at once (BEGIN IMMEDIATE): a second writer
// then waits for its end (up to the busy timeout, and then fails with a clear message) rather
// than this transaction failing halfway on a snapshot another writer has made stale.
void Session::runTransactionStatement(const Translation& t) {
    cache_->results.clear();
    switch (t.kind) {
        case Translation::Kind::BeginTransaction:
            if (tranCount_ == 0) {
                committed_ = false;
                db_->checkStillInPlace();
                db_->execute(db_->readOnly() ? QStringLiteral("BEGIN")
                                             : QStringLiteral("BEGIN IMMEDIATE"));
            }
            ++tranCount_;
            return;
        case Translation::Kind::CommitTransaction:
            if (tranCount_ == 0) {
                throw DatabaseError(QStringLiteral(
                    "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."));
            }
            if (--tranCount_ == 0) {
                try {
                    db_->execute(QStringLiteral("COMMIT"));
                    committed_ = true;
                } catch (...) {
                    // A commit that fails leaves nothing half done: the transaction ends, and
                    // the caller hears why the commit failed.
                    try {
                        if (db_->inTransaction()) {
                            db_->execute(QStringLiteral("ROLLBACK"));
                        }
                    } catch (...) {  // closing the session rolls it back all the same
                    }
                    throw;
                }
            }
            return;
        case Translation::Kind::RollbackTransaction:
            if (tranCount_ == 0) {
                if (t.onlyWhenOpen) {
                    return;
                }
                throw DatabaseError(QStringLiteral(
                    "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."));
            }
            tranCount_ = 0;
            if (db_->inTransaction()) {
                db_->execute(QStringLiteral("ROLLBACK"));
            }
            return;
        default:
            return;
    }
}

std::unique_ptr<Session> Session::open(const QString& databaseFile, const QString& user,
                                       const QString& password) {
    auto db = std::make_unique<Database>(databaseFile, Database::Mode::ReadWrite);
    const ResultSet tables = db->query(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
        "('db_account', 'zev_login', 'DisciplineForStudent', 'RRNKkrdt', 'Faculty')"));
    if (std::get<std::int64_t>(tables.at(0, 0)) != 5) {
        throw DatabaseError(
            QStringLiteral("The file \"%1\" is not a ZEV database.").arg(databaseFile));
    }
    const ResultSet account = db->query(
        QStringLiteral(
            "SELECT name, password, signin_only FROM db_account WHERE name = ? COLLATE NOCASE"),
        {user});
    if (account.rowCount() == 0 || valueText(account.at(0, 1)) != password) {
        throw DatabaseError(QStringLiteral("Login failed for user '%1'.").arg(user));
    }
    const bool signInOnly = std::get<std::int64_t>(account.at(0, 2)) != 0;
    // A file made by an older version gets the objects of this one before anybody works on it
    // (a file nobody may write keeps its objects: it is only read).
    if (!db->readOnly()) {
        upgradeSchema(*db);
    }
    db->identity().account = valueText(account.at(0, 0));
    return std::unique_ptr<Session>(
        new Session(std::move(db), valueText(account.at(0, 0)), signInOnly));
}

std::shared_ptr<const Translation> Session::translation(const QString& tsql) {
    if (auto found = cache_->translations.value(tsql)) {
        return found;
    }
    auto made = std::make_shared<const Translation>(translate(tsql));
    if (cache_->translations.size() > 1000) {  // composed statements differ by their keys
        cache_->translations.clear();
    }
    cache_->translations.insert(tsql, made);
    return made;
}

bool Session::exists(const QString& table) const {
    const ResultSet found = db_->query(
        QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ? COLLATE NOCASE"), {table});
    return found.rowCount() > 0 || table == u"GetTFIO_with_pps";
}

void Session::checkPermission(const Translation& t) const {
    const bool isSignIn =
        t.kind == Translation::Kind::Exec &&
        t.procedure.compare(QLatin1String(kSignInProcedure), Qt::CaseInsensitive) == 0;
    if (isSignIn) {
        return;
    }
    if (t.kind == Translation::Kind::Exec && !findProcedure(t.procedure)) {
        throw DatabaseError(
            QStringLiteral("Could not find stored procedure '%1'.").arg(t.procedure));
    }
    if (signInOnly_) {
        if (t.kind == Translation::Kind::Exec) {
            denied(t.verb(), t.procedure);
        }
        if (t.tables.isEmpty()) {
            throw DatabaseError(QStringLiteral("The %1 permission was denied: the account '%2' "
                                               "may only run GET_USER.")
                                    .arg(t.verb(), user_));
        }
        denied(t.verb(), t.tables.first());
    }
    // The table a statement writes is its first; every other one is only read. The teachers'
    // function reads the position table on the caller's behalf, as ownership chaining does on
    // SQL Server.
    const bool teachersFunction = t.tables.contains(QStringLiteral("GetTFIO_with_pps"));
    for (qsizetype i = 0; i < t.tables.size(); ++i) {
        const QString& table = t.tables[i];
        if (teachersFunction && table == u"pps") {
            continue;
        }
        const int needed = i == 0 ? rightOf(t) : Read;
        if ((staffRights(table) & needed) == 0 && exists(table)) {
            denied(i == 0 ? t.verb() : QStringLiteral("SELECT"), table);
        }
    }
}

void Session::runProcedure(const Translation& t, const std::vector<Value>& args, RowSink& sink) {
    const Procedure* procedure = findProcedure(t.procedure);
    if (!procedure) {
        throw DatabaseError(
            QStringLiteral("Could not find stored procedure '%1'.").arg(t.procedure));
    }
    const size_t count = procedure->parameters.size();
    std::vector<Value> values(count);
    std::vector<bool> given(count, false);
    bool named = false;
    for (size_t i = 0; i < t.arguments.size(); ++i) {
        const ExecArgument& arg = t.arguments[i];
        size_t slot = 0;
        if (arg.name.isEmpty()) {
            if (named) {
                throw DatabaseError(QStringLiteral("Must pass parameter number %1 and subsequent "
                                                   "parameters as '@name = value'. "
                                                   "After the form '@name = value' has been used, "
                                                   "all subsequent parameters must "
                                                   "be passed in the form '@name = value'.")
                                        .arg(i + 1));
            }
            if (i >= count) {
                throw DatabaseError(QStringLiteral("Procedure or function %1 has too many "
                                                   "arguments specified.")
                                        .arg(procedure->name));
            }
            slot = i;
        } else {
            named = true;
            slot = count;
            for (size_t p = 0; p < count; ++p) {
                if (procedure->parameters[p].name.compare(arg.name, Qt::CaseInsensitive) == 0) {
                    slot = p;
                }
            }
            if (slot == count) {
                throw DatabaseError(QStringLiteral("%1 is not a parameter for procedure %2.")
                                        .arg(arg.name, procedure->name));
            }
            if (given[slot]) {
                throw DatabaseError(QStringLiteral("Procedure or function %1 has too many "
                                                   "arguments specified.")
                                        .arg(procedure->name));
            }
        }
        const Value& raw =
            arg.paramIndex >= 0 ? args[static_cast<size_t>(arg.paramIndex)] : arg.literal;
        values[slot] = convertArgument(raw, procedure->parameters[slot]);
        given[slot] = true;
    }
    for (size_t p = 0; p < count; ++p) {
        if (!given[p]) {
            throw DatabaseError(QStringLiteral("Procedure or function '%1' expects parameter '%2', "
                                               "which was not supplied.")
                                    .arg(procedure->name, procedure->parameters[p].name));
        }
    }
    // Procedures that write (the sign-in) run as one transaction: all of it or nothing. Their
    // result is built in full before the commit, so that nothing reaches the caller of a
    // transaction that then fails.
    if (procedure->writes) {
        cache_->results.clear();
        ResultSetSink rows;
        {
            Transaction transaction(*db_);
            procedure->body(*db_, values, rows);
            transaction.commit();
        }
        replayResult(rows.take(), sink);
        return;
    }
    cached(ResultCache::key(QStringLiteral("EXEC ") + procedure->name, values), sink,
           [&](RowSink& into) { procedure->body(*db_, values, into); });
}

void Session::run(const QString& tsql, const std::vector<Value>& args, RowSink& sink,
                  qint64* changed) {
    const std::shared_ptr<const Translation> t = translation(tsql);
    // SQLite ends a transaction by itself on some errors (a full disk, I/O), as SQL Server does
    // when a trigger throws: the session is out of it then, and a COMMIT finds none.
    if (tranCount_ > 0 && !db_->inTransaction()) {
        tranCount_ = 0;
    }
    if (t->kind == Translation::Kind::Exec &&
        t->procedure.compare(u"sp_set_session_context", Qt::CaseInsensitive) == 0) {
        setSessionContext(*t, args);
        sink.begin({}, 0);
        sink.end();
        return;
    }
    checkPermission(*t);
    db_->checkStillInPlace();
    if (t->paramCount != static_cast<int>(args.size())) {
        throw DatabaseError(QStringLiteral("The statement has %1 parameter markers, but %2 values "
                                           "were supplied.")
                                .arg(t->paramCount)
                                .arg(args.size()));
    }
    switch (t->kind) {
        case Translation::Kind::SetOption:
            sink.begin({}, 0);
            sink.end();
            return;
        case Translation::Kind::BeginTransaction:
        case Translation::Kind::CommitTransaction:
        case Translation::Kind::RollbackTransaction:
            runTransactionStatement(*t);
            sink.begin({}, 0);
            sink.end();
            return;
        case Translation::Kind::TransactionCount:
            // An unnamed int column, as SQL Server answers it.
            sink.begin({ResultColumn{QString(), ColumnType::Integer}}, 1);
            sink.beginRow();
            sink.addInteger(inTransaction() ? tranCount_ : 0);
            sink.end();
            return;
        case Translation::Kind::Exec:
            runProcedure(*t, args, sink);
            return;
        case Translation::Kind::Select:
            cached(ResultCache::key(t->sqlite, args), sink,
                   [&](RowSink& into) { db_->queryInto(t->sqlite, args, t->itemTypes, into); });
            return;
        default:
            break;
    }
    // A statement that writes: whatever it changes, no kept result may outlive it.
    cache_->results.clear();
    if (t->returnsRows) {
        ResultSetSink rows;
        atomically([&] { db_->queryInto(t->sqlite, args, t->itemTypes, rows); });
        ResultSet result = rows.take();
        if (changed) {
            *changed = result.rowCount();
        }
        replayResult(result, sink);
        return;
    }
    qint64 count = 0;
    atomically([&] { count = db_->execute(t->sqlite, args); });
    if (changed) {
        *changed = count;
    }
    sink.begin({}, 0);
    sink.end();
}

// sp_set_session_context @key, @value [, @read_only], as SQL Server's system procedure: the
// client declares the member of staff who signed in under the key 'zev_login', read-only, so
// that the history records him and nothing later in the session can change him. Other keys are
// accepted and not kept: nothing of this server reads them.
void Session::setSessionContext(const Translation& t, const std::vector<Value>& args) {
    static const QString names[] = {QStringLiteral("@key"), QStringLiteral("@value"),
                                    QStringLiteral("@read_only")};
    Value values[3];
    bool given[3] = {false, false, false};
    for (size_t i = 0; i < t.arguments.size(); ++i) {
        const ExecArgument& arg = t.arguments[i];
        size_t slot = i;
        if (!arg.name.isEmpty()) {
            slot = 3;
            for (size_t n = 0; n < 3; ++n) {
                if (names[n].compare(arg.name, Qt::CaseInsensitive) == 0) {
                    slot = n;
                }
            }
            if (slot == 3) {
                throw DatabaseError(QStringLiteral("%1 is not a parameter for procedure "
                                                   "sp_set_session_context.")
                                        .arg(arg.name));
            }
        }
        if (slot >= 3) {
            throw DatabaseError(
                QStringLiteral("Procedure or function sp_set_session_context has "
                               "too many arguments specified."));
        }
        values[slot] =
            arg.paramIndex >= 0 ? args.at(static_cast<size_t>(arg.paramIndex)) : arg.literal;
        given[slot] = true;
    }
    for (size_t n = 0; n < 2; ++n) {
        if (!given[n]) {
            throw DatabaseError(QStringLiteral("Procedure or function 'sp_set_session_context' "
                                               "expects parameter '%1', which was not supplied.")
                                    .arg(names[n]));
        }
    }
    const QString key = valueText(values[0]);
    if (key.compare(u"zev_login", Qt::CaseInsensitive) != 0) {
        return;
    }
    SessionIdentity& identity = db_->identity();
    if (identity.declaredReadOnly) {
        throw DatabaseError(QStringLiteral("Cannot set key '%1' in the session context. The key "
                                           "has been set as read_only for this session.")
                                .arg(key));
    }
    identity.declaredLogin = isNull(values[1]) ? QString() : valueText(values[1]);
    identity.declaredReadOnly = given[2] && !isNull(values[2]) && valueText(values[2]) != u"0";
}

ResultSet Session::statement(const QString& tsql, const std::vector<Value>& args, qint64* changed) {
    ResultSetSink rows;
    run(tsql, args, rows, changed);
    return rows.take();
}

void Session::forgetKeptResults() {
    cache_->results.clear();
}

ResultSet Session::query(const QString& tsql, const std::vector<Value>& args) {
    ResultSetSink rows;
    run(tsql, args, rows, nullptr);
    return rows.take();
}

void Session::query(const QString& tsql, const std::vector<Value>& args, RowSink& sink) {
    run(tsql, args, sink, nullptr);
}

qint64 Session::execute(const QString& tsql, const std::vector<Value>& args) {
    qint64 changed = 0;
    ResultSetSink rows;
    run(tsql, args, rows, &changed);
    const Translation& t = *translation(tsql);
    if (t.kind == Translation::Kind::Select || t.kind == Translation::Kind::Exec ||
        t.kind == Translation::Kind::TransactionCount) {
        return rows.take().rowCount();
    }
    const bool changesNothing = t.kind == Translation::Kind::SetOption ||
                                t.kind == Translation::Kind::BeginTransaction ||
                                t.kind == Translation::Kind::CommitTransaction ||
                                t.kind == Translation::Kind::RollbackTransaction;
    return changesNothing ? 0 : changed;
}

}  // namespace zev::server
