#include "server/engine/Translator.h"

#include "server/engine/PlanGuides.h"
#include "server/engine/SqliteText.h"
#include "server/engine/TranslatorParser.h"

#include <QHash>
#include <QSet>

namespace zev::server {

using namespace Qt::StringLiterals;

QString Translation::verb() const {
    switch (kind) {
        case Kind::Select:
            return QStringLiteral("SELECT");
        case Kind::Insert:
            return QStringLiteral("INSERT");
        case Kind::Update:
            return QStringLiteral("UPDATE");
        case Kind::Delete:
            return QStringLiteral("DELETE");
        case Kind::Exec:
            return QStringLiteral("EXECUTE");
        case Kind::SetOption:
            return QStringLiteral("SET");
        case Kind::BeginTransaction:
            return QStringLiteral("BEGIN TRANSACTION");
        case Kind::CommitTransaction:
            return QStringLiteral("COMMIT TRANSACTION");
        case Kind::RollbackTransaction:
            return QStringLiteral("ROLLBACK TRANSACTION");
        case Kind::TransactionCount:
            return QStringLiteral("SELECT");
    }
    return {};
}

namespace parsing {

namespace {

const QSet<QString>& reservedWords() {
    static const QSet<QString> words = {
        u"select"_s,    u"from"_s,    u"where"_s,  u"group"_s,   u"by"_s,      u"having"_s,
        u"order"_s,     u"inner"_s,   u"join"_s,   u"left"_s,    u"right"_s,   u"outer"_s,
        u"cross"_s,     u"full"_s,    u"on"_s,     u"as"_s,      u"and"_s,     u"or"_s,
        u"not"_s,       u"null"_s,    u"is"_s,     u"in"_s,      u"like"_s,    u"between"_s,
        u"distinct"_s,  u"top"_s,     u"insert"_s, u"into"_s,    u"values"_s,  u"update"_s,
        u"set"_s,       u"delete"_s,  u"output"_s, u"exec"_s,    u"execute"_s, u"union"_s,
        u"asc"_s,       u"desc"_s,    u"case"_s,   u"when"_s,    u"then"_s,    u"else"_s,
        u"end"_s,       u"all"_s,     u"exists"_s, u"percent"_s, u"with"_s,    u"except"_s,
        u"intersect"_s, u"default"_s,
    };
    return words;
}

}  // namespace

bool isReserved(const Token& t) {
    return t.kind == TokenKind::Word && reservedWords().contains(t.text.toLower());
}

QString quoteText(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

// Built-in functions of the subset and the SQLite functions that give them their T-SQL meaning.
const char* sqliteFunction(const QString& tsqlName) {
    static const QHash<QString, const char*> functions = {
        {u"count"_s, "count"},       {u"sum"_s, "sum"},     {u"min"_s, "min"},
        {u"max"_s, "max"},           {u"avg"_s, "avg"},     {u"isnull"_s, "ifnull"},
        {u"coalesce"_s, "coalesce"}, {u"upper"_s, "upper"}, {u"lower"_s, "lower"},
        {u"len"_s, "length"},        {u"ltrim"_s, "ltrim"}, {u"rtrim"_s, "rtrim"},
        {u"abs"_s, "abs"},
    };
    return functions.value(tsqlName.toLower(), nullptr);
}

bool isAggregate(const QString& function) {
    static const QSet<QString> aggregates = {u"count"_s, u"sum"_s, u"min"_s, u"max"_s, u"avg"_s};
    return aggregates.contains(function.toLower());
}

// SQLite's own tables, table-valued pragmas and virtual tables: none of them is an object of
// the ZEV database.
bool isEngineObject(const QString& name) {
    const QString lower = name.toLower();
    static const QSet<QString> virtualTables = {
        u"dbstat"_s, u"json_each"_s, u"json_tree"_s, u"generate_series"_s,
        u"fts3"_s,   u"fts4"_s,      u"fts5"_s,      u"rtree"_s};
    return lower.startsWith(u"sqlite_") || lower.startsWith(u"pragma_") ||
           virtualTables.contains(lower);
}

Translation Parser::run() {
    const Token& first = peek();
    const bool tranCount = first.isWord("select") && peek(1).kind == TokenKind::Variable &&
                           peek(1).text.compare(u"@@trancount", Qt::CaseInsensitive) == 0 &&
                           (peek(2).kind == TokenKind::End || peek(2).isSymbol(";"));
    if (tranCount) {
        out_.kind = Translation::Kind::TransactionCount;
        out_.returnsRows = true;
        next();
        next();
    } else if (first.isWord("select")) {
        out_.kind = Translation::Kind::Select;
        out_.returnsRows = true;
        select();
    } else if (first.isWord("insert")) {
        out_.kind = Translation::Kind::Insert;
        insert();
    } else if (first.isWord("update")) {
        out_.kind = Translation::Kind::Update;
        update();
    } else if (first.isWord("delete")) {
        out_.kind = Translation::Kind::Delete;
        remove();
    } else if (first.isWord("exec") || first.isWord("execute")) {
        out_.kind = Translation::Kind::Exec;
        exec();
    } else if (first.isWord("set")) {
        out_.kind = Translation::Kind::SetOption;
        setOption();
    } else if (first.isWord("begin") || first.isWord("commit") || first.isWord("rollback") ||
               first.isWord("if")) {
        transactionStatement();
    } else {
        fail(first);
    }
    if (peek().isSymbol(";")) {
        next();
    }
    if (peek().kind != TokenKind::End) {
        fail(peek());
    }
    out_.paramCount = params_;
    out_.sqlite = sql_.sql();
    // The emitter cannot glue a comment or a second statement together; this holds it to that.
    if (!isOneStatementWithoutComments(out_.sqlite)) {
        throw DatabaseError(QStringLiteral("Incorrect syntax near the end of the statement."));
    }
    return out_;
}

// A dotted name: a.b.c; answers its parts.
QStringList Parser::dottedName() {
    QStringList parts;
    if (!isNamePart(peek())) {
        fail(peek());
    }
    parts << next().text;
    while (peek().isSymbol(".") && isNamePart(peek(1))) {
        next();
        parts << next().text;
    }
    if (peek().isSymbol(".")) {
        fail(peek(1));
    }
    return parts;
}

// Checks and drops the database and schema qualifiers: ZEV.dbo.x, dbo.x (any letter case).
// `keep` is how many trailing parts name the object itself (1 for a table, 2 for table.column).
QStringList Parser::stripQualifiers(QStringList parts, int keep) {
    const int qualifiers = static_cast<int>(parts.size()) - keep;
    if (qualifiers > 2) {
        throw DatabaseError(QStringLiteral("The object name '%1' contains more than the maximum "
                                           "number of prefixes.")
                                .arg(parts.join(u'.')));
    }
    if (qualifiers == 2) {
        if (parts[0].compare(u"zev", Qt::CaseInsensitive) != 0) {
            throw DatabaseError(QStringLiteral("Database '%1' does not exist. Make sure that "
                                               "the name is entered correctly.")
                                    .arg(parts[0]));
        }
        parts.removeFirst();
    }
    if (qualifiers >= 1) {
        if (parts[0].compare(u"dbo", Qt::CaseInsensitive) != 0) {
            throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(parts.join(u'.')));
        }
        parts.removeFirst();
    }
    return parts;
}

void Parser::tableName() {
    const QStringList parts = stripQualifiers(dottedName(), 1);
    noteTable(parts[0]);
    sql_.name(parts[0]);
}

void Parser::noteTable(const QString& name) {
    if (isEngineObject(name)) {
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(name));
    }
    for (const QString& known : std::as_const(out_.tables)) {
        if (known.compare(name, Qt::CaseInsensitive) == 0) {
            return;
        }
    }
    out_.tables << name;
}

// [AS] alias, written as AS "alias".
bool Parser::alias() {
    if (acceptWord("as")) {
        if (peek().kind != TokenKind::String && !isNamePart(peek())) {
            fail(peek());
        }
    } else if (!isNamePart(peek())) {
        return false;
    }
    sql_.keyword("AS");
    sql_.name(next().text);
    return true;
}

// SELECT [DISTINCT] [TOP n] items [FROM ...] [WHERE] [GROUP BY] [HAVING] [ORDER BY]
void Parser::select() {
    expectWord("select");
    sql_.keyword("SELECT");
    if (acceptWord("distinct")) {
        sql_.keyword("DISTINCT");
    } else {
        acceptWord("all");
    }
    QString limit;
    if (peek().isWord("top")) {
        next();
        const bool parenthesised = acceptSymbol("(");
        const Token& n = next();
        if (n.kind != TokenKind::Number || n.text.contains(u'.')) {
            fail(n);
        }
        if (parenthesised) {
            expectSymbol(")");
        }
        if (peek().isWord("percent") || peek().isWord("with")) {
            unsupported(peek(), QStringLiteral("TOP ... %1").arg(peek().text.toUpper()));
        }
        limit = n.text;
    }
    std::vector<ColumnUse> selected;
    columnUses_ = &selected;
    bool star = false;
    do {
        if (out_.itemTypes.size() > 0) {
            sql_.symbol(",");
        }
        star = selectItem() || star;
    } while (acceptSymbol(","));
    columnUses_ = nullptr;
    const bool aggregated = sawAggregate_;
    if (star) {
        out_.itemTypes.clear();  // a star stands for columns whose number the parse cannot tell
    }
    if (acceptWord("from")) {
        sql_.keyword("FROM");
        fromClause();
    }
    if (acceptWord("where")) {
        sql_.keyword("WHERE");
        expression();
    }
    std::vector<ColumnUse> grouped;
    bool hasGroupBy = false;
    if (peek().isWord("group")) {
        next();
        expectWord("by");
        hasGroupBy = true;
        sql_.keyword("GROUP");
        sql_.keyword("BY");
        columnUses_ = &grouped;
        expressionList();
        columnUses_ = nullptr;
    }
    if (acceptWord("having")) {
        sql_.keyword("HAVING");
        columnUses_ = &selected;
        expression();
        columnUses_ = nullptr;
    }
    if (hasGroupBy || aggregated) {
        checkGrouped(selected, grouped);
    }
    if (peek().isWord("order")) {
        next();
        expectWord("by");
        sql_.keyword("ORDER");
        sql_.keyword("BY");
        do {
            expression();
            if (acceptWord("desc")) {
                sql_.keyword("DESC");
            } else {
                acceptWord("asc");
            }
            if (peek().isSymbol(",")) {
                sql_.symbol(",");
            }
        } while (acceptSymbol(","));
    }
    if (peek().isWord("union") || peek().isWord("except") || peek().isWord("intersect")) {
        unsupported(peek(), peek().text.toUpper());
    }
    if (!limit.isEmpty()) {
        sql_.keyword("LIMIT");
        sql_.number(limit);
    }
}

// One item of the select list; answers whether it was a star.
bool Parser::selectItem() {
    if (acceptSymbol("*")) {
        sql_.symbol("*");
        out_.itemTypes.push_back(ColumnType::Unknown);
        return true;
    }
    // table.* and qualified forms of it
    {
        size_t look = pos_;
        while (look + 1 < tokens_.size() && isNamePart(tokens_[look]) &&
               tokens_[look + 1].isSymbol(".")) {
            look += 2;
        }
        if (look != pos_ && tokens_[look].isSymbol("*")) {
            QStringList parts;
            while (pos_ < look) {
                parts << next().text;
                next();
            }
            next();  // '*'
            parts << QStringLiteral("*");
            parts = stripQualifiers(parts, 2);
            sql_.name(parts[0]);
            sql_.symbol(".");
            sql_.symbol("*");
            out_.itemTypes.push_back(ColumnType::Unknown);
            return true;
        }
    }
    // alias = expression, the alias a name or a text literal: SELECT 'n' = col
    if ((isNamePart(peek()) || peek().kind == TokenKind::String) && peek(1).isSymbol("=")) {
        const QString name = next().text;
        next();
        const Expr e = expression();
        out_.itemTypes.push_back(e.type);
        sql_.keyword("AS");
        sql_.name(name);
        return false;
    }
    const Expr e = expression();
    out_.itemTypes.push_back(e.type);
    if (!alias() && !e.isColumn) {
        // SQL Server leaves a computed column without a name.
        sql_.keyword("AS");
        sql_.name(QString());
    }
    return false;
}

void Parser::fromClause() {
    tableSource();
    for (;;) {
        if (acceptSymbol(",")) {
            sql_.symbol(",");
            tableSource();
        } else if (peek().isWord("inner") || peek().isWord("join")) {
            acceptWord("inner");
            expectWord("join");
            sql_.keyword("INNER");
            sql_.keyword("JOIN");
            tableSource();
            expectWord("on");
            sql_.keyword("ON");
            expression();
        } else if (peek().isWord("left")) {
            next();
            acceptWord("outer");
            expectWord("join");
            sql_.keyword("LEFT");
            sql_.keyword("JOIN");
            tableSource();
            expectWord("on");
            sql_.keyword("ON");
            expression();
        } else if (peek().isWord("right") || peek().isWord("full") || peek().isWord("cross")) {
            unsupported(peek(), peek().text.toUpper() + QStringLiteral(" JOIN"));
        } else {
            return;
        }
    }
}

void Parser::tableSource() {
    if (peek().isSymbol("(")) {
        unsupported(peek(), QStringLiteral("a derived table"));
    }
    const Token& start = peek();
    const QStringList parts = stripQualifiers(dottedName(), 1);
    if (peek().isSymbol("(")) {
        tableFunction(parts[0], start);
    } else {
        noteTable(parts[0]);
        sql_.name(parts[0]);
    }
    alias();
}

// dbo.GetTFIO_with_pps(kinds, department): the teachers holding a position in a department.
// Position kinds are 1 main, 2 internal second job, 3 external second job, 4 hourly; the
// first argument is the highest kind taken in, so 4 takes every teacher of the department.
void Parser::tableFunction(const QString& name, const Token& at) {
    if (name.compare(u"GetTFIO_with_pps", Qt::CaseInsensitive) != 0) {
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.")
                                .arg(at.text == name ? name : QStringLiteral("dbo.") + name));
    }
    expectSymbol("(");
    sql_.symbol("(");
    sql_.keyword(
        "SELECT DISTINCT zf.\"id_teacher\" AS \"id_teacher\", zf.\"t_fio\" AS "
        "\"t_fio\" FROM (SELECT");
    int count = 0;
    if (!peek().isSymbol(")")) {
        do {
            if (count == 1) {
                sql_.keyword("AS kinds,");
            } else if (count > 1) {
                sql_.symbol(",");
            }
            expression();
            ++count;
        } while (acceptSymbol(","));
    }
    expectSymbol(")");
    if (count > 2) {
        throw DatabaseError(QStringLiteral(
            "Procedure or function dbo.GetTFIO_with_pps has too many arguments specified."));
    }
    if (count < 2) {
        throw DatabaseError(
            QStringLiteral("An insufficient number of arguments were supplied "
                           "for the procedure or function dbo.GetTFIO_with_pps."));
    }
    noteTable(QStringLiteral("GetTFIO_with_pps"));
    noteTable(QStringLiteral("pps"));
    noteTable(QStringLiteral("t_fio"));
    sql_.keyword(
        "AS kafedra) AS za JOIN \"pps\" AS zp ON zp.\"id_kafedra\" = za.kafedra AND "
        "zp.\"kind\" <= za.kinds JOIN \"t_fio\" AS zf ON zf.\"id_teacher\" = "
        "zp.\"id_teacher\" ORDER BY zf.\"t_fio\"");
    sql_.symbol(")");
}

// INSERT [INTO] table [(columns)] [OUTPUT INSERTED.column, ...] VALUES (...)[, (...)]
void Parser::insert() {
    expectWord("insert");
    acceptWord("into");
    sql_.keyword("INSERT INTO");
    tableName();
    if (acceptSymbol("(")) {
        sql_.symbol("(");
        bool first = true;
        do {
            if (!isNamePart(peek())) {
                fail(peek());
            }
            if (!first) {
                sql_.symbol(",");
            }
            first = false;
            sql_.name(next().text);
        } while (acceptSymbol(","));
        expectSymbol(")");
        sql_.symbol(")");
    }
    QStringList returning;
    if (acceptWord("output")) {
        do {
            const QStringList parts = dottedName();
            if (parts.size() != 2 || parts[0].compare(u"inserted", Qt::CaseInsensitive) != 0) {
                throw DatabaseError(QStringLiteral("The multi-part identifier \"%1\" could not "
                                                   "be bound.")
                                        .arg(parts.join(u'.')));
            }
            returning << parts[1];
            if (acceptWord("as") || isNamePart(peek())) {
                if (!isNamePart(peek()) && peek().kind != TokenKind::String) {
                    fail(peek());
                }
                returning << next().text;
            } else {
                returning << QString();
            }
            out_.itemTypes.push_back(ColumnType::Unknown);
        } while (acceptSymbol(","));
        if (peek().isWord("into")) {
            unsupported(peek(), QStringLiteral("OUTPUT ... INTO"));
        }
        out_.returnsRows = true;
    }
    if (peek().isWord("select") || peek().isWord("exec") || peek().isWord("default")) {
        unsupported(peek(), QStringLiteral("INSERT ... ") + peek().text.toUpper());
    }
    expectWord("values");
    sql_.keyword("VALUES");
    do {
        expectSymbol("(");
        sql_.symbol("(");
        expressionList();
        expectSymbol(")");
        sql_.symbol(")");
        if (peek().isSymbol(",")) {
            sql_.symbol(",");
        }
    } while (acceptSymbol(","));
    if (!returning.isEmpty()) {
        sql_.keyword("RETURNING");
        for (qsizetype i = 0; i < returning.size(); i += 2) {
            if (i > 0) {
                sql_.symbol(",");
            }
            returning[i] == u"*" ? sql_.symbol("*") : sql_.name(returning[i]);
            if (!returning[i + 1].isEmpty()) {
                sql_.keyword("AS");
                sql_.name(returning[i + 1]);
            }
        }
    }
}

// UPDATE table SET column = expression, ... [WHERE ...]
void Parser::update() {
    expectWord("update");
    sql_.keyword("UPDATE");
    tableName();
    expectWord("set");
    sql_.keyword("SET");
    do {
        const QStringList parts = stripQualifiers(dottedName(), 1);
        expectSymbol("=");
        sql_.name(parts.last());
        sql_.symbol("=");
        expression();
        if (peek().isSymbol(",")) {
            sql_.symbol(",");
        }
    } while (acceptSymbol(","));
    if (peek().isWord("from") || peek().isWord("output")) {
        unsupported(peek(), QStringLiteral("UPDATE ... ") + peek().text.toUpper());
    }
    if (acceptWord("where")) {
        sql_.keyword("WHERE");
        expression();
    }
}

// DELETE [FROM] table [WHERE ...]
void Parser::remove() {
    expectWord("delete");
    acceptWord("from");
    sql_.keyword("DELETE FROM");
    tableName();
    if (peek().isWord("from") || peek().isWord("output")) {
        unsupported(peek(), QStringLiteral("DELETE ... ") + peek().text.toUpper());
    }
    if (acceptWord("where")) {
        sql_.keyword("WHERE");
        expression();
    }
}

// EXEC procedure [argument, ...] where an argument is [@name =] literal | NULL | ?
void Parser::exec() {
    next();
    if (peek().kind == TokenKind::Variable) {
        unsupported(peek(), QStringLiteral("EXEC @variable"));
    }
    const QStringList parts = stripQualifiers(dottedName(), 1);
    out_.procedure = parts[0];
    if (peek().kind == TokenKind::End || peek().isSymbol(";")) {
        return;
    }
    do {
        ExecArgument arg;
        if (peek().kind == TokenKind::Variable && peek(1).isSymbol("=")) {
            arg.name = next().text;
            next();
        }
        const Token& v = next();
        // A string, and a bare word, which T-SQL takes as a text argument.
        const bool bareWord = v.kind == TokenKind::Word && !isReserved(v) && !peek().isSymbol(".");
        if (v.kind == TokenKind::String || bareWord) {
            arg.literal = v.text;
        } else if (v.kind == TokenKind::Number ||
                   (v.isSymbol("-") && peek().kind == TokenKind::Number)) {
            const QString digits = v.kind == TokenKind::Number ? v.text : u'-' + next().text;
            if (digits.contains(u'.')) {
                arg.literal = digits.toDouble();
            } else {
                bool ok = false;
                const qint64 number = digits.toLongLong(&ok);
                if (!ok) {
                    fail(v);
                }
                arg.literal = static_cast<std::int64_t>(number);
            }
        } else if (v.kind == TokenKind::Param) {
            arg.paramIndex = params_++;
        } else if (v.isWord("null")) {
            arg.literal = std::monostate{};
        } else if (v.isWord("default")) {
            unsupported(v, QStringLiteral("DEFAULT as an argument"));
        } else if (v.kind == TokenKind::Variable) {
            throw DatabaseError(
                QStringLiteral("Must declare the scalar variable \"%1\".").arg(v.text));
        } else {
            fail(v);
        }
        if (peek().isWord("output") || peek().isWord("out")) {
            unsupported(peek(), QStringLiteral("an OUTPUT argument"));
        }
        out_.arguments.push_back(std::move(arg));
    } while (acceptSymbol(","));
}

// SET DATEFORMAT dmy and SET NOCOUNT ON|OFF: session options.
void Parser::setOption() {
    next();
    if (acceptWord("dateformat")) {
        const Token& v = next();
        static const QSet<QString> formats = {u"dmy"_s, u"mdy"_s, u"ymd"_s,
                                              u"ydm"_s, u"myd"_s, u"dym"_s};
        if (!(v.kind == TokenKind::Word || v.kind == TokenKind::String) ||
            !formats.contains(v.text.toLower())) {
            fail(v);
        }
        return;
    }
    if (acceptWord("nocount")) {
        if (!acceptWord("on") && !acceptWord("off")) {
            fail(peek());
        }
        return;
    }
    unsupported(peek(), QStringLiteral("SET ") + peek().text.toUpper());
}

// BEGIN TRAN[SACTION], COMMIT [TRAN[SACTION]], ROLLBACK [TRAN[SACTION]] and the one IF that the
// client sends before its rollback: IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION. A THROW in a trigger
// ends the transaction on SQL Server, so the client's rollback must not fail when there is none;
// the condition says exactly that and nothing else is accepted after IF. Transactions are not
// named.
void Parser::transactionStatement() {
    bool conditional = false;
    if (acceptWord("if")) {
        const Token& count = next();
        if (count.kind != TokenKind::Variable ||
            count.text.compare(u"@@trancount", Qt::CaseInsensitive) != 0) {
            fail(count);
        }
        expectSymbol(">");
        const Token& zero = next();
        if (zero.kind != TokenKind::Number || zero.text != u"0") {
            fail(zero);
        }
        if (!peek().isWord("rollback")) {
            unsupported(peek(), QStringLiteral("IF other than before ROLLBACK TRANSACTION"));
        }
        conditional = true;
    }
    const Token& verb = next();
    if (verb.isWord("begin")) {
        out_.kind = Translation::Kind::BeginTransaction;
        if (!acceptWord("transaction") && !acceptWord("tran")) {
            fail(peek());
        }
    } else if (verb.isWord("commit") || verb.isWord("rollback")) {
        out_.kind = verb.isWord("commit") ? Translation::Kind::CommitTransaction
                                          : Translation::Kind::RollbackTransaction;
        if (!acceptWord("transaction")) {
            acceptWord("tran");
        }
    } else {
        fail(verb);
    }
    out_.onlyWhenOpen = conditional;
}

}  // namespace parsing

Translation translateAsWritten(const QString& tsql) {
    return parsing::Parser(tsql).run();
}

Translation translate(const QString& tsql) {
    Translation t = translateAsWritten(tsql);
    if (t.kind == Translation::Kind::Select) {
        if (std::optional<QString> twin = planGuide(t.sqlite)) {
            t.sqlite = std::move(*twin);
        }
    }
    return t;
}

}  // namespace zev::server
