#include "server/engine/Translator.h"

#include "data/Errors.h"
#include "server/engine/Tokenizer.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

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
    }
    return {};
}

namespace {

// Words that end a name or an expression and so can never be taken for an alias.
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

bool isReserved(const Token& t) {
    return t.kind == TokenKind::Word && reservedWords().contains(t.text.toLower());
}

QString quoteName(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString quoteText(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

// Built-in functions of the subset and their SQLite names.
QString sqliteFunction(const QString& tsqlName) {
    static const QHash<QString, QString> functions = {
        {u"count"_s, u"count"_s},       {u"sum"_s, u"sum"_s},     {u"min"_s, u"min"_s},
        {u"max"_s, u"max"_s},           {u"avg"_s, u"avg"_s},     {u"isnull"_s, u"ifnull"_s},
        {u"coalesce"_s, u"coalesce"_s}, {u"upper"_s, u"upper"_s}, {u"lower"_s, u"lower"_s},
        {u"len"_s, u"length"_s},        {u"ltrim"_s, u"ltrim"_s}, {u"rtrim"_s, u"rtrim"_s},
        {u"abs"_s, u"abs"_s},
    };
    return functions.value(tsqlName.toLower());
}

struct Expr {
    QString sql;
    ColumnType type = ColumnType::Unknown;
    bool isColumn = false;  // a plain column reference: SQLite names the result after the column
};

class Parser {
public:
    explicit Parser(const QString& tsql) : tokens_(tokenize(tsql)) {}

    Translation run() {
        const Token& first = peek();
        if (first.isWord("select")) {
            out_.kind = Translation::Kind::Select;
            out_.returnsRows = true;
            out_.sqlite = select();
        } else if (first.isWord("insert")) {
            out_.kind = Translation::Kind::Insert;
            out_.sqlite = insert();
        } else if (first.isWord("update")) {
            out_.kind = Translation::Kind::Update;
            out_.sqlite = update();
        } else if (first.isWord("delete")) {
            out_.kind = Translation::Kind::Delete;
            out_.sqlite = remove();
        } else if (first.isWord("exec") || first.isWord("execute")) {
            out_.kind = Translation::Kind::Exec;
            exec();
        } else if (first.isWord("set")) {
            out_.kind = Translation::Kind::SetOption;
            setOption();
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
        return out_;
    }

private:
    const Token& peek(int ahead = 0) const {
        const size_t i = std::min(pos_ + ahead, tokens_.size() - 1);
        return tokens_[i];
    }
    const Token& next() {
        const Token& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) {
            ++pos_;
        }
        return t;
    }
    bool acceptWord(const char* w) {
        if (peek().isWord(w)) {
            next();
            return true;
        }
        return false;
    }
    bool acceptSymbol(const char* s) {
        if (peek().isSymbol(s)) {
            next();
            return true;
        }
        return false;
    }
    void expectWord(const char* w) {
        if (!acceptWord(w)) {
            fail(peek());
        }
    }
    void expectSymbol(const char* s) {
        if (!acceptSymbol(s)) {
            fail(peek());
        }
    }

    [[noreturn]] static void fail(const Token& t) {
        if (t.kind == TokenKind::End) {
            throw DatabaseError(QStringLiteral("Incorrect syntax near the end of the statement."));
        }
        QString shown = t.text;
        if (t.kind == TokenKind::String) {
            shown = quoteText(t.text);
        } else if (t.kind == TokenKind::Name) {
            shown = t.text;
        }
        throw DatabaseError(QStringLiteral("Incorrect syntax near '%1'.").arg(shown));
    }
    [[noreturn]] static void unsupported(const Token& t, const QString& what) {
        throw DatabaseError(
            QStringLiteral("Incorrect syntax near '%1': %2 is not supported by the ZEV server.")
                .arg(t.text, what));
    }

    bool isNamePart(const Token& t) const {
        return t.kind == TokenKind::Name || (t.kind == TokenKind::Word && !isReserved(t));
    }

    // A dotted name: a.b.c; answers its parts.
    QStringList dottedName() {
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
    static QStringList stripQualifiers(QStringList parts, int keep) {
        const int qualifiers = static_cast<int>(parts.size()) - keep;
        if (qualifiers > 2) {
            throw DatabaseError(
                QStringLiteral("The object name '%1' contains more than the maximum "
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
                throw DatabaseError(
                    QStringLiteral("Invalid object name '%1'.").arg(parts.join(u'.')));
            }
            parts.removeFirst();
        }
        return parts;
    }

    QString tableName() {
        const QStringList parts = stripQualifiers(dottedName(), 1);
        noteTable(parts[0]);
        return quoteName(parts[0]);
    }

    void noteTable(const QString& name) {
        for (const QString& known : std::as_const(out_.tables)) {
            if (known.compare(name, Qt::CaseInsensitive) == 0) {
                return;
            }
        }
        out_.tables << name;
    }

    std::optional<QString> alias() {
        if (acceptWord("as")) {
            if (peek().kind == TokenKind::String) {
                return quoteName(next().text);
            }
            if (!isNamePart(peek())) {
                fail(peek());
            }
            return quoteName(next().text);
        }
        if (isNamePart(peek())) {
            return quoteName(next().text);
        }
        return std::nullopt;
    }

    // SELECT [DISTINCT] [TOP n] items [FROM ...] [WHERE] [GROUP BY] [HAVING] [ORDER BY]
    QString select() {
        expectWord("select");
        QString sql = QStringLiteral("SELECT ");
        if (acceptWord("distinct")) {
            sql += QStringLiteral("DISTINCT ");
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
            limit = QStringLiteral(" LIMIT ") + n.text;
        }
        QStringList items;
        do {
            items << selectItem();
        } while (acceptSymbol(","));
        sql += items.join(QStringLiteral(", "));
        if (items.contains(QStringLiteral("*")) ||
            std::any_of(items.begin(), items.end(),
                        [](const QString& item) { return item.endsWith(QStringLiteral(".*")); })) {
            out_.itemTypes.clear();  // a star stands for columns whose number the parse cannot tell
        }
        if (acceptWord("from")) {
            sql += QStringLiteral(" FROM ") + fromClause();
        }
        if (acceptWord("where")) {
            sql += QStringLiteral(" WHERE ") + expression().sql;
        }
        if (peek().isWord("group")) {
            next();
            expectWord("by");
            sql += QStringLiteral(" GROUP BY ") + expressionList();
        }
        if (acceptWord("having")) {
            sql += QStringLiteral(" HAVING ") + expression().sql;
        }
        if (peek().isWord("order")) {
            next();
            expectWord("by");
            QStringList keys;
            do {
                QString key = expression().sql;
                if (acceptWord("desc")) {
                    key += QStringLiteral(" DESC");
                } else {
                    acceptWord("asc");
                }
                keys << key;
            } while (acceptSymbol(","));
            sql += QStringLiteral(" ORDER BY ") + keys.join(QStringLiteral(", "));
        }
        if (peek().isWord("union") || peek().isWord("except") || peek().isWord("intersect")) {
            unsupported(peek(), peek().text.toUpper());
        }
        return sql + limit;
    }

    QString selectItem() {
        if (acceptSymbol("*")) {
            out_.itemTypes.push_back(ColumnType::Unknown);
            return QStringLiteral("*");
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
                out_.itemTypes.push_back(ColumnType::Unknown);
                return quoteName(parts[0]) + QStringLiteral(".*");
            }
        }
        // alias = expression
        if (isNamePart(peek()) && peek(1).isSymbol("=")) {
            const QString name = quoteName(next().text);
            next();
            const Expr e = expression();
            out_.itemTypes.push_back(e.type);
            return e.sql + QStringLiteral(" AS ") + name;
        }
        const Expr e = expression();
        out_.itemTypes.push_back(e.type);
        if (const auto name = alias()) {
            return e.sql + QStringLiteral(" AS ") + *name;
        }
        // SQL Server leaves a computed column without a name.
        return e.isColumn ? e.sql : e.sql + QStringLiteral(" AS \"\"");
    }

    QString fromClause() {
        QString sql = tableSource();
        for (;;) {
            if (acceptSymbol(",")) {
                sql += QStringLiteral(", ") + tableSource();
            } else if (peek().isWord("inner") || peek().isWord("join")) {
                acceptWord("inner");
                expectWord("join");
                sql += QStringLiteral(" INNER JOIN ") + tableSource();
                expectWord("on");
                sql += QStringLiteral(" ON ") + expression().sql;
            } else if (peek().isWord("left")) {
                next();
                acceptWord("outer");
                expectWord("join");
                sql += QStringLiteral(" LEFT JOIN ") + tableSource();
                expectWord("on");
                sql += QStringLiteral(" ON ") + expression().sql;
            } else if (peek().isWord("right") || peek().isWord("full") || peek().isWord("cross")) {
                unsupported(peek(), peek().text.toUpper() + QStringLiteral(" JOIN"));
            } else {
                return sql;
            }
        }
    }

    QString tableSource() {
        if (peek().isSymbol("(")) {
            unsupported(peek(), QStringLiteral("a derived table"));
        }
        const Token& start = peek();
        const QStringList parts = stripQualifiers(dottedName(), 1);
        QString sql;
        if (peek().isSymbol("(")) {
            sql = tableFunction(parts[0], start);
        } else {
            noteTable(parts[0]);
            sql = quoteName(parts[0]);
        }
        if (const auto name = alias()) {
            sql += QStringLiteral(" AS ") + *name;
        }
        return sql;
    }

    // dbo.GetTFIO_with_pps(kinds, department): the teachers holding a position in a department.
    // Position kinds are 1 main, 2 internal second job, 3 external second job, 4 hourly; the
    // first argument is the highest kind taken in, so 4 takes every teacher of the department.
    QString tableFunction(const QString& name, const Token& at) {
        if (name.compare(u"GetTFIO_with_pps", Qt::CaseInsensitive) != 0) {
            throw DatabaseError(QStringLiteral("Invalid object name '%1'.")
                                    .arg(at.text == name ? name : QStringLiteral("dbo.") + name));
        }
        expectSymbol("(");
        std::vector<QString> args;
        if (!peek().isSymbol(")")) {
            do {
                args.push_back(expression().sql);
            } while (acceptSymbol(","));
        }
        expectSymbol(")");
        if (args.size() > 2) {
            throw DatabaseError(QStringLiteral(
                "Procedure or function dbo.GetTFIO_with_pps has too many arguments specified."));
        }
        if (args.size() < 2) {
            throw DatabaseError(
                QStringLiteral("An insufficient number of arguments were supplied "
                               "for the procedure or function dbo.GetTFIO_with_pps."));
        }
        noteTable(QStringLiteral("pps"));
        noteTable(QStringLiteral("t_fio"));
        return QStringLiteral(
                   "(SELECT DISTINCT zf.\"id_teacher\" AS \"id_teacher\", zf.\"t_fio\" AS "
                   "\"t_fio\" "
                   "FROM (SELECT %1 AS kinds, %2 AS kafedra) AS za "
                   "JOIN \"pps\" AS zp ON zp.\"id_kafedra\" = za.kafedra AND zp.\"kind\" <= "
                   "za.kinds "
                   "JOIN \"t_fio\" AS zf ON zf.\"id_teacher\" = zp.\"id_teacher\" "
                   "ORDER BY zf.\"t_fio\")")
            .arg(args[0], args[1]);
    }

    QString expressionList() {
        QStringList list;
        do {
            list << expression().sql;
        } while (acceptSymbol(","));
        return list.join(QStringLiteral(", "));
    }

    // Expressions, from the loosest binding to the tightest.
    Expr expression() { return orExpr(); }

    Expr orExpr() {
        Expr left = andExpr();
        while (acceptWord("or")) {
            const Expr right = andExpr();
            left = {left.sql + QStringLiteral(" OR ") + right.sql, ColumnType::Integer};
        }
        return left;
    }
    Expr andExpr() {
        Expr left = notExpr();
        while (acceptWord("and")) {
            const Expr right = notExpr();
            left = {left.sql + QStringLiteral(" AND ") + right.sql, ColumnType::Integer};
        }
        return left;
    }
    Expr notExpr() {
        if (acceptWord("not")) {
            return {QStringLiteral("NOT ") + notExpr().sql, ColumnType::Integer};
        }
        return predicate();
    }
    Expr predicate() {
        if (peek().isWord("exists")) {
            unsupported(peek(), QStringLiteral("EXISTS"));
        }
        Expr left = additive();
        static const char* comparisons[] = {"=", "<>", "!=", "<", ">", "<=", ">="};
        for (const char* op : comparisons) {
            if (acceptSymbol(op)) {
                const Expr right = additive();
                return {left.sql + u' ' + QLatin1String(op) + u' ' + right.sql,
                        ColumnType::Integer};
            }
        }
        if (acceptWord("is")) {
            const bool negated = acceptWord("not");
            expectWord("null");
            return {
                left.sql + (negated ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL")),
                ColumnType::Integer};
        }
        const bool negated = acceptWord("not");
        if (acceptWord("in")) {
            expectSymbol("(");
            if (peek().isWord("select")) {
                unsupported(peek(), QStringLiteral("a subquery"));
            }
            const QString list = expressionList();
            expectSymbol(")");
            return {left.sql + (negated ? QStringLiteral(" NOT IN (") : QStringLiteral(" IN (")) +
                        list + u')',
                    ColumnType::Integer};
        }
        if (acceptWord("like")) {
            const Expr pattern = additive();
            return {left.sql + (negated ? QStringLiteral(" NOT LIKE ") : QStringLiteral(" LIKE ")) +
                        pattern.sql,
                    ColumnType::Integer};
        }
        if (acceptWord("between")) {
            const Expr low = additive();
            expectWord("and");
            const Expr high = additive();
            return {left.sql +
                        (negated ? QStringLiteral(" NOT BETWEEN ") : QStringLiteral(" BETWEEN ")) +
                        low.sql + QStringLiteral(" AND ") + high.sql,
                    ColumnType::Integer};
        }
        if (negated) {
            fail(peek());
        }
        return left;
    }
    Expr additive() {
        Expr left = multiplicative();
        for (;;) {
            if (acceptSymbol("+")) {
                const Expr right = multiplicative();
                const ColumnType type = left.type == right.type ? left.type : ColumnType::Unknown;
                left = {QLatin1String(kPlusFunction) + u'(' + left.sql + QStringLiteral(", ") +
                            right.sql + u')',
                        type};
            } else if (acceptSymbol("-")) {
                const Expr right = multiplicative();
                left = {u'(' + left.sql + QStringLiteral(" - ") + right.sql + u')', left.type};
            } else {
                return left;
            }
        }
    }
    Expr multiplicative() {
        Expr left = unary();
        for (;;) {
            const char* op = peek().isSymbol("*")   ? "*"
                             : peek().isSymbol("/") ? "/"
                             : peek().isSymbol("%") ? "%"
                                                    : nullptr;
            if (!op) {
                return left;
            }
            next();
            const Expr right = unary();
            left = {u'(' + left.sql + u' ' + QLatin1String(op) + u' ' + right.sql + u')',
                    left.type};
        }
    }
    Expr unary() {
        if (acceptSymbol("-")) {
            const Expr operand = unary();
            return {QStringLiteral("-") + operand.sql, operand.type};
        }
        if (acceptSymbol("+")) {
            return unary();
        }
        return primary();
    }
    Expr primary() {
        const Token& t = peek();
        switch (t.kind) {
            case TokenKind::Number:
                next();
                return {t.text, t.text.contains(u'.') ? ColumnType::Float : ColumnType::Integer};
            case TokenKind::String:
                next();
                return {quoteText(t.text), ColumnType::Text};
            case TokenKind::Param:
                next();
                ++params_;
                return {QStringLiteral("?"), ColumnType::Unknown};
            case TokenKind::Variable:
                throw DatabaseError(
                    QStringLiteral("Must declare the scalar variable \"%1\".").arg(t.text));
            case TokenKind::Symbol:
                if (t.isSymbol("(")) {
                    next();
                    if (peek().isWord("select")) {
                        unsupported(peek(), QStringLiteral("a subquery"));
                    }
                    const Expr inner = expression();
                    expectSymbol(")");
                    return {u'(' + inner.sql + u')', inner.type};
                }
                fail(t);
            case TokenKind::Word:
                if (t.isWord("null")) {
                    next();
                    return {QStringLiteral("NULL"), ColumnType::Unknown};
                }
                if (t.isWord("case")) {
                    unsupported(t, QStringLiteral("CASE"));
                }
                if (isReserved(t)) {
                    fail(t);
                }
                return nameOrCall();
            case TokenKind::Name:
                return nameOrCall();
            case TokenKind::End:
                fail(t);
        }
        fail(t);
    }

    Expr nameOrCall() {
        const Token& start = peek();
        QStringList parts = dottedName();
        if (peek().isSymbol("(")) {
            if (parts.size() > 1) {
                throw DatabaseError(QStringLiteral("Cannot find either column \"%1\" or the "
                                                   "user-defined function or aggregate \"%2\", or "
                                                   "the name is ambiguous.")
                                        .arg(parts.first(), parts.join(u'.')));
            }
            const QString function = sqliteFunction(parts[0]);
            if (function.isEmpty()) {
                throw DatabaseError(
                    QStringLiteral("'%1' is not a recognized built-in function name.")
                        .arg(start.text));
            }
            next();  // '('
            QString args;
            if (acceptSymbol("*")) {
                args = QStringLiteral("*");
            } else if (!peek().isSymbol(")")) {
                if (acceptWord("distinct")) {
                    args = QStringLiteral("DISTINCT ");
                }
                args += expressionList();
            }
            expectSymbol(")");
            const bool counts = function == u"count" || function == u"length";
            return {function + u'(' + args + u')',
                    counts ? ColumnType::Integer : ColumnType::Unknown};
        }
        const int keep = parts.size() >= 2 ? 2 : 1;
        parts = stripQualifiers(parts, keep);
        QStringList quoted;
        for (const QString& part : std::as_const(parts)) {
            quoted << quoteName(part);
        }
        return {quoted.join(u'.'), ColumnType::Unknown, true};
    }

    // INSERT [INTO] table [(columns)] [OUTPUT INSERTED.column, ...] VALUES (...)[, (...)]
    QString insert() {
        expectWord("insert");
        acceptWord("into");
        QString sql = QStringLiteral("INSERT INTO ") + tableName();
        if (acceptSymbol("(")) {
            QStringList columns;
            do {
                if (!isNamePart(peek())) {
                    fail(peek());
                }
                columns << quoteName(next().text);
            } while (acceptSymbol(","));
            expectSymbol(")");
            sql += QStringLiteral(" (") + columns.join(QStringLiteral(", ")) + u')';
        }
        QString returning;
        if (acceptWord("output")) {
            QStringList outputs;
            do {
                const QStringList parts = dottedName();
                if (parts.size() != 2 || parts[0].compare(u"inserted", Qt::CaseInsensitive) != 0) {
                    throw DatabaseError(QStringLiteral("The multi-part identifier \"%1\" could not "
                                                       "be bound.")
                                            .arg(parts.join(u'.')));
                }
                QString column = parts[1] == u"*" ? QStringLiteral("*") : quoteName(parts[1]);
                if (const auto name = alias()) {
                    column += QStringLiteral(" AS ") + *name;
                }
                outputs << column;
                out_.itemTypes.push_back(ColumnType::Unknown);
            } while (acceptSymbol(","));
            if (peek().isWord("into")) {
                unsupported(peek(), QStringLiteral("OUTPUT ... INTO"));
            }
            returning = QStringLiteral(" RETURNING ") + outputs.join(QStringLiteral(", "));
            out_.returnsRows = true;
        }
        if (peek().isWord("select") || peek().isWord("exec") || peek().isWord("default")) {
            unsupported(peek(), QStringLiteral("INSERT ... ") + peek().text.toUpper());
        }
        expectWord("values");
        QStringList rows;
        do {
            expectSymbol("(");
            rows << u'(' + expressionList() + u')';
            expectSymbol(")");
        } while (acceptSymbol(","));
        return sql + QStringLiteral(" VALUES ") + rows.join(QStringLiteral(", ")) + returning;
    }

    // UPDATE table SET column = expression, ... [WHERE ...]
    QString update() {
        expectWord("update");
        QString sql = QStringLiteral("UPDATE ") + tableName();
        expectWord("set");
        QStringList assignments;
        do {
            const QStringList parts = stripQualifiers(dottedName(), 1);
            expectSymbol("=");
            assignments << quoteName(parts.last()) + QStringLiteral(" = ") + expression().sql;
        } while (acceptSymbol(","));
        sql += QStringLiteral(" SET ") + assignments.join(QStringLiteral(", "));
        if (peek().isWord("from") || peek().isWord("output")) {
            unsupported(peek(), QStringLiteral("UPDATE ... ") + peek().text.toUpper());
        }
        if (acceptWord("where")) {
            sql += QStringLiteral(" WHERE ") + expression().sql;
        }
        return sql;
    }

    // DELETE [FROM] table [WHERE ...]
    QString remove() {
        expectWord("delete");
        acceptWord("from");
        QString sql = QStringLiteral("DELETE FROM ") + tableName();
        if (peek().isWord("from") || peek().isWord("output")) {
            unsupported(peek(), QStringLiteral("DELETE ... ") + peek().text.toUpper());
        }
        if (acceptWord("where")) {
            sql += QStringLiteral(" WHERE ") + expression().sql;
        }
        return sql;
    }

    // EXEC procedure [argument, ...] where an argument is [@name =] literal | NULL | ?
    void exec() {
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
            if (v.kind == TokenKind::String) {
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
            } else if (v.kind == TokenKind::Word && !isReserved(v) && !peek().isSymbol(".")) {
                arg.literal = v.text;  // T-SQL takes a bare word as a text argument
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
    void setOption() {
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

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int params_ = 0;
    Translation out_;
};

}  // namespace

Translation translate(const QString& tsql) {
    return Parser(tsql).run();
}

}  // namespace zev::server
