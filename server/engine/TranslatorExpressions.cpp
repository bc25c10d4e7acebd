// Expressions of the T-SQL subset, from the loosest binding to the tightest.
#include "server/engine/TranslatorParser.h"

#include <memory>

namespace zev::server::parsing {

void Parser::expressionList() {
    do {
        expression();
        if (peek().isSymbol(",")) {
            sql_.symbol(",");
        }
    } while (acceptSymbol(","));
}

// Expressions, from the loosest binding to the tightest.
Expr Parser::expression() {
    const Nesting level(*this);
    return orExpr();
}

Expr Parser::orExpr() {
    Expr left = andExpr();
    while (acceptWord("or")) {
        sql_.keyword("OR");
        andExpr();
        left = {ColumnType::Integer};
    }
    return left;
}

Expr Parser::andExpr() {
    Expr left = notExpr();
    while (acceptWord("and")) {
        sql_.keyword("AND");
        notExpr();
        left = {ColumnType::Integer};
    }
    return left;
}

Expr Parser::notExpr() {
    std::vector<std::unique_ptr<Nesting>> levels;
    while (acceptWord("not")) {
        levels.push_back(std::make_unique<Nesting>(*this));
        sql_.keyword("NOT");
    }
    const Expr e = predicate();
    return levels.empty() ? e : Expr{ColumnType::Integer};
}

Expr Parser::predicate() {
    if (peek().isWord("exists")) {
        unsupported(peek(), QStringLiteral("EXISTS"));
    }
    Expr left = additive();
    static const char* comparisons[] = {"=", "<>", "!=", "<", ">", "<=", ">="};
    for (const char* op : comparisons) {
        if (acceptSymbol(op)) {
            sql_.symbol(op);
            additive();
            return {ColumnType::Integer};
        }
    }
    if (acceptWord("is")) {
        sql_.keyword("IS");
        if (acceptWord("not")) {
            sql_.keyword("NOT");
        }
        expectWord("null");
        sql_.keyword("NULL");
        return {ColumnType::Integer};
    }
    const bool negated = acceptWord("not");
    if (negated && (peek().isWord("in") || peek().isWord("like") || peek().isWord("between"))) {
        sql_.keyword("NOT");
    }
    if (acceptWord("in")) {
        expectSymbol("(");
        if (peek().isWord("select")) {
            unsupported(peek(), QStringLiteral("a subquery"));
        }
        sql_.keyword("IN");
        sql_.symbol("(");
        expressionList();
        expectSymbol(")");
        sql_.symbol(")");
        return {ColumnType::Integer};
    }
    if (acceptWord("like")) {
        sql_.keyword("LIKE");
        additive();
        return {ColumnType::Integer};
    }
    if (acceptWord("between")) {
        sql_.keyword("BETWEEN");
        additive();
        expectWord("and");
        sql_.keyword("AND");
        additive();
        return {ColumnType::Integer};
    }
    if (negated) {
        fail(peek());
    }
    return left;
}

// A chain of terms joined by operators of one precedence level becomes one call of the
// arithmetic function, zev_arith(t1, t2, ..., 'ops'), which applies T-SQL's rules from left to
// right: "+" joins texts, errors for division by zero and integer overflow. Long chains
// continue in a call around the first kTermsPerCall terms, so nothing nests per operator.
template <typename Term>
Expr Parser::chain(const char* const* operators, Term term) {
    const qsizetype start = sql_.mark();
    Expr first = term();
    const char* op = matchingOperator(operators);
    if (!op) {
        return first;
    }
    ColumnType type = first.type;
    QString ops;
    sql_.openCallAt(start, kArithmeticFunction);
    while (op) {
        next();
        if (ops.size() == kTermsPerCall) {
            sql_.symbol(",");
            sql_.text(ops);
            sql_.symbol(")");
            sql_.openCallAt(start, kArithmeticFunction);
            ops.clear();
        }
        ops += QLatin1String(op);
        sql_.symbol(",");
        const Expr right = term();
        type = type == right.type ? type : ColumnType::Unknown;
        op = matchingOperator(operators);
    }
    sql_.symbol(",");
    sql_.text(ops);
    sql_.symbol(")");
    return {type};
}

const char* Parser::matchingOperator(const char* const* operators) const {
    for (const char* const* op = operators; *op; ++op) {
        if (peek().isSymbol(*op)) {
            return *op;
        }
    }
    return nullptr;
}

Expr Parser::additive() {
    static const char* const operators[] = {"+", "-", nullptr};
    return chain(operators, [this] { return multiplicative(); });
}

Expr Parser::multiplicative() {
    static const char* const operators[] = {"*", "/", "%", nullptr};
    return chain(operators, [this] { return unary(); });
}

Expr Parser::unary() {
    std::vector<std::unique_ptr<Nesting>> levels;
    for (;;) {
        if (acceptSymbol("-")) {
            levels.push_back(std::make_unique<Nesting>(*this));
            sql_.symbol("-");
        } else if (!acceptSymbol("+")) {
            break;
        }
    }
    return primary();
}

Expr Parser::primary() {
    const Token& t = peek();
    switch (t.kind) {
        case TokenKind::Number:
            next();
            sql_.number(t.text);
            return {t.text.contains(u'.') ? ColumnType::Float : ColumnType::Integer};
        case TokenKind::String:
            next();
            sql_.text(t.text);
            return {ColumnType::Text};
        case TokenKind::Param:
            next();
            ++params_;
            sql_.symbol("?");
            return {ColumnType::Unknown};
        case TokenKind::Variable:
            throw DatabaseError(
                QStringLiteral("Must declare the scalar variable \"%1\".").arg(t.text));
        case TokenKind::Symbol:
            if (t.isSymbol("(")) {
                next();
                if (peek().isWord("select")) {
                    unsupported(peek(), QStringLiteral("a subquery"));
                }
                sql_.symbol("(");
                const Expr inner = expression();
                expectSymbol(")");
                sql_.symbol(")");
                return {inner.type};
            }
            fail(t);
        case TokenKind::Word:
            if (t.isWord("null")) {
                next();
                sql_.keyword("NULL");
                return {ColumnType::Unknown};
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

Expr Parser::nameOrCall() {
    const Token& start = peek();
    QStringList parts = dottedName();
    if (peek().isSymbol("(")) {
        return call(parts, start);
    }
    const int keep = parts.size() >= 2 ? 2 : 1;
    parts = stripQualifiers(parts, keep);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            sql_.symbol(".");
        }
        sql_.name(parts[i]);
    }
    if (columnUses_ && aggregates_ == 0) {
        columnUses_->push_back({parts.join(u'.'),
                                parts.size() == 2 ? parts[0].toLower() : QString(),
                                parts.last().toLower()});
    }
    return {ColumnType::Unknown, true};
}

Expr Parser::call(const QStringList& parts, const Token& start) {
    if (parts.size() > 1) {
        throw DatabaseError(QStringLiteral("Cannot find either column \"%1\" or the "
                                           "user-defined function or aggregate \"%2\", or "
                                           "the name is ambiguous.")
                                .arg(parts.first(), parts.join(u'.')));
    }
    const char* function = sqliteFunction(parts[0]);
    if (!function) {
        throw DatabaseError(
            QStringLiteral("'%1' is not a recognized built-in function name.").arg(start.text));
    }
    const bool aggregate = isAggregate(parts[0]);
    const bool len = parts[0].compare(u"len", Qt::CaseInsensitive) == 0;
    next();  // '('
    const Nesting level(*this);
    if (aggregate) {
        sawAggregate_ = true;
        ++aggregates_;
    }
    if (len) {
        // LEN counts the characters without the trailing blanks.
        sql_.call("length");
        sql_.call("rtrim");
    } else {
        sql_.call(function);
    }
    int count = 0;
    if (acceptSymbol("*")) {
        sql_.symbol("*");
        count = 1;
    } else if (!peek().isSymbol(")")) {
        if (acceptWord("distinct")) {
            sql_.keyword("DISTINCT");
        }
        do {
            if (count > 0) {
                sql_.symbol(",");
            }
            expression();
            ++count;
        } while (acceptSymbol(","));
    }
    expectSymbol(")");
    if (aggregate) {
        --aggregates_;
    }
    if (len) {
        if (count != 1) {
            throw DatabaseError(QStringLiteral("The len function requires 1 argument(s)."));
        }
        sql_.symbol(",");
        sql_.text(QStringLiteral(" "));
        sql_.symbol(")");
    }
    sql_.symbol(")");
    const bool counts = aggregate ? parts[0].compare(u"count", Qt::CaseInsensitive) == 0 : len;
    return {counts ? ColumnType::Integer : ColumnType::Unknown};
}

}  // namespace zev::server::parsing
