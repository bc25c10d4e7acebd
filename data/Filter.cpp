#include "data/Filter.h"

#include "core/Errors.h"

namespace zev {

namespace {

struct Token {
    enum Kind { End, Name, Number, String, Op, LParen, RParen } kind = End;
    QString text;
    qsizetype pos = 0;
};

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'@';
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'.';
}

}  // namespace

// Recursive-descent parser over the tokens of one filter text.
class FilterParser {
public:
    FilterParser(const QString& text, const FilterProgram::Resolver& resolve, FilterProgram& out)
        : text_(text), resolve_(resolve), out_(out) {
        tokenize();
    }

    void run() {
        if (tokens_.size() == 1) {  // only End: an empty filter passes every row
            out_.root_ = add(FilterProgram::Node{});
            return;
        }
        out_.root_ = parseOr();
        if (peek().kind != Token::End) {
            fail(QStringLiteral("unexpected '%1'").arg(peek().text));
        }
    }

private:
    [[noreturn]] void fail(const QString& why) const {
        throw Error(QStringLiteral("Invalid filter \"%1\": %2.").arg(text_, why));
    }

    void tokenize() {
        qsizetype i = 0;
        const qsizetype n = text_.size();
        while (i < n) {
            const QChar c = text_[i];
            if (c.isSpace()) {
                ++i;
                continue;
            }
            Token t;
            t.pos = i;
            if (c == u'(' || c == u')') {
                t.kind = c == u'(' ? Token::LParen : Token::RParen;
                t.text = c;
                ++i;
            } else if (c == u'\'') {
                t.kind = Token::String;
                ++i;
                bool closed = false;
                while (i < n) {
                    if (text_[i] == u'\'') {
                        if (i + 1 < n && text_[i + 1] == u'\'') {
                            t.text += u'\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    t.text += text_[i++];
                }
                if (!closed) {
                    fail(QStringLiteral("a quoted text is not closed"));
                }
            } else if (c == u'[') {
                const qsizetype end = text_.indexOf(u']', i);
                if (end < 0) {
                    fail(QStringLiteral("a bracketed field name is not closed"));
                }
                t.kind = Token::Name;
                t.text = text_.mid(i + 1, end - i - 1);
                i = end + 1;
            } else if (c.isDigit() || ((c == u'-' || c == u'+' || c == u'.') && i + 1 < n &&
                                       (text_[i + 1].isDigit() || text_[i + 1] == u'.'))) {
                t.kind = Token::Number;
                qsizetype j = i + 1;
                while (j < n && (text_[j].isDigit() || text_[j] == u'.')) {
                    ++j;
                }
                t.text = text_.mid(i, j - i);
                i = j;
            } else if (isNameStart(c)) {
                t.kind = Token::Name;
                qsizetype j = i + 1;
                while (j < n && isNameChar(text_[j])) {
                    ++j;
                }
                t.text = text_.mid(i, j - i);
                i = j;
            } else if (c == u'=' || c == u'<' || c == u'>') {
                t.kind = Token::Op;
                t.text = c;
                if (i + 1 < n && c != u'=' &&
                    (text_[i + 1] == u'=' || (c == u'<' && text_[i + 1] == u'>'))) {
                    t.text += text_[i + 1];
                }
                i += t.text.size();
            } else {
                fail(QStringLiteral("unexpected character '%1'").arg(c));
            }
            tokens_.push_back(t);
        }
        tokens_.push_back(Token{Token::End, {}, n});
    }

    const Token& peek() const { return tokens_[next_]; }
    const Token& take() { return tokens_[next_++]; }
    bool keyword(const char* word) const {
        return peek().kind == Token::Name &&
               peek().text.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
    }

    int add(FilterProgram::Node node) {
        out_.nodes_.push_back(std::move(node));
        return static_cast<int>(out_.nodes_.size()) - 1;
    }

    int binary(FilterProgram::Node::Kind kind, int left, int right) {
        FilterProgram::Node n;
        n.kind = kind;
        n.left = left;
        n.right = right;
        return add(n);
    }

    // A chain "a OR b OR c" becomes a OR (b OR (c)): evaluation still runs from left to right,
    // and it walks the chain in a loop (see FilterProgram::eval), so a long chain needs no depth.
    int chainRight(FilterProgram::Node::Kind kind, const std::vector<int>& operands) {
        int node = operands.back();
        for (auto it = operands.rbegin() + 1; it != operands.rend(); ++it) {
            node = binary(kind, *it, node);
        }
        return node;
    }

    int parseOr() {
        std::vector<int> operands{parseAnd()};
        while (keyword("or")) {
            take();
            operands.push_back(parseAnd());
        }
        return chainRight(FilterProgram::Node::Or, operands);
    }

    int parseAnd() {
        std::vector<int> operands{parseNot()};
        while (keyword("and")) {
            take();
            operands.push_back(parseNot());
        }
        return chainRight(FilterProgram::Node::And, operands);
    }

    // Parentheses and NOT nest at most this deep: far beyond any real filter, far below what the
    // recursion could bear.
    static constexpr int kMaxNesting = 200;

    void enter() {
        if (++depth_ > kMaxNesting) {
            fail(QStringLiteral("it nests parentheses and NOT more than %1 levels deep")
                     .arg(kMaxNesting));
        }
    }

    int parseNot() {
        if (keyword("not")) {
            take();
            enter();
            const int operand = parseNot();
            --depth_;
            return binary(FilterProgram::Node::Not, operand, -1);
        }
        return parsePrimary();
    }

    int parsePrimary() {
        if (peek().kind == Token::LParen) {
            take();
            enter();
            const int inner = parseOr();
            --depth_;
            if (peek().kind != Token::RParen) {
                fail(peek().kind == Token::End
                         ? QStringLiteral("')' is missing")
                         : QStringLiteral("')' expected before '%1'").arg(peek().text));
            }
            take();
            return inner;
        }
        return parseComparison();
    }

    static FilterProgram::Op opOf(const QString& s) {
        if (s == u"=")
            return FilterProgram::Op::Eq;
        if (s == u"<>")
            return FilterProgram::Op::Ne;
        if (s == u"<")
            return FilterProgram::Op::Lt;
        if (s == u">")
            return FilterProgram::Op::Gt;
        if (s == u"<=")
            return FilterProgram::Op::Le;
        return FilterProgram::Op::Ge;
    }

    // The mirror of an operator, for "literal op field".
    static FilterProgram::Op mirrored(FilterProgram::Op op) {
        switch (op) {
            case FilterProgram::Op::Lt:
                return FilterProgram::Op::Gt;
            case FilterProgram::Op::Gt:
                return FilterProgram::Op::Lt;
            case FilterProgram::Op::Le:
                return FilterProgram::Op::Ge;
            case FilterProgram::Op::Ge:
                return FilterProgram::Op::Le;
            default:
                return op;
        }
    }

    bool isLiteral(const Token& t) const {
        return t.kind == Token::Number || t.kind == Token::String ||
               (t.kind == Token::Name && t.text.compare(u"null", Qt::CaseInsensitive) == 0);
    }

    int parseComparison() {
        const Token first = take();
        if (first.kind == Token::End) {
            fail(QStringLiteral("a comparison is missing at the end"));
        }
        if (first.kind != Token::Name && !isLiteral(first)) {
            fail(QStringLiteral("a field name is expected before '%1'").arg(first.text));
        }
        if (peek().kind != Token::Op) {
            fail(
                peek().kind == Token::End
                    ? QStringLiteral("a comparison operator is expected after '%1'").arg(first.text)
                    : QStringLiteral("a comparison operator is expected before '%1'")
                          .arg(peek().text));
        }
        const Token op = take();
        const Token second = take();
        if (second.kind == Token::End) {
            fail(QStringLiteral("a value is expected after '%1'").arg(op.text));
        }
        FilterProgram::Node node;
        node.kind = FilterProgram::Node::Compare;
        node.op = opOf(op.text);
        const Token* fieldTok = &first;
        const Token* literalTok = &second;
        const bool firstIsField = first.kind == Token::Name && !isLiteral(first);
        if (!firstIsField) {
            fieldTok = &second;
            literalTok = &first;
            node.op = mirrored(node.op);
        }
        if (fieldTok->kind != Token::Name || isLiteral(*fieldTok)) {
            fail(QStringLiteral("a comparison needs a field name, not '%1'").arg(fieldTok->text));
        }
        if (!isLiteral(*literalTok)) {
            fail(literalTok->kind == Token::Name
                     ? QStringLiteral("'%1' must be compared with a number or a quoted text")
                           .arg(fieldTok->text)
                     : QStringLiteral("a value is expected after '%1'").arg(op.text));
        }
        node.ref = resolve_(fieldTok->text);
        if (node.ref.field < 0) {
            fail(QStringLiteral("field '%1' not found").arg(fieldTok->text));
        }
        if (literalTok->kind == Token::Number) {
            bool ok = false;
            node.number = literalTok->text.toDouble(&ok);
            if (!ok) {
                fail(QStringLiteral("'%1' is not a number").arg(literalTok->text));
            }
            node.literalIsNumber = true;
            node.literal = Value{literalTok->text};
        } else if (literalTok->kind == Token::String) {
            node.literal = Value{literalTok->text};
            // A numeric field compares with a quoted number as with the number itself.
            if (node.ref.column >= 0 && node.ref.kind != ColumnKind::Text) {
                bool ok = false;
                node.number = literalTok->text.trimmed().toDouble(&ok);
                if (!ok) {
                    fail(QStringLiteral("'%1' is not a number and cannot be compared with field "
                                        "'%2'")
                             .arg(literalTok->text, fieldTok->text));
                }
                node.literalIsNumber = true;
            }
        } else {
            if (node.op != FilterProgram::Op::Eq && node.op != FilterProgram::Op::Ne) {
                fail(QStringLiteral("NULL can only be compared with = or <>"));
            }
        }
        return add(node);
    }

    const QString& text_;
    const FilterProgram::Resolver& resolve_;
    FilterProgram& out_;
    std::vector<Token> tokens_;
    std::size_t next_ = 0;
    int depth_ = 0;
};

std::shared_ptr<const FilterProgram> FilterProgram::compile(const QString& text,
                                                            const Resolver& resolve) {
    auto program = std::make_shared<FilterProgram>();
    FilterParser(text, resolve, *program).run();
    if (!program->collectNumberTests(program->root_)) {
        program->numberTests_.clear();
    }
    return program;
}

bool FilterProgram::collectNumberTests(int node) {
    // The right operand of AND continues the chain: walked in this loop, as eval walks it, so
    // that a chain of any length needs no depth. A left operand is a term or a nested group,
    // whose depth the parser has bounded.
    for (;;) {
        const Node& n = nodes_[static_cast<std::size_t>(node)];
        if (n.kind == Node::And) {
            if (!collectNumberTests(n.left)) {
                return false;
            }
            node = n.right;
            continue;
        }
        if (n.kind != Node::Compare || n.ref.column < 0 || n.ref.kind == ColumnKind::Text ||
            !n.literalIsNumber || isNull(n.literal)) {
            return false;
        }
        numberTests_.push_back({n.ref.column, n.ref.kind, n.op, n.number});
        return true;
    }
}

namespace {

template <typename T>
bool applyOp(FilterProgram::Op op, const T& a, const T& b) {
    switch (op) {
        case FilterProgram::Op::Eq:
            return a == b;
        case FilterProgram::Op::Ne:
            return a != b;
        case FilterProgram::Op::Lt:
            return a < b;
        case FilterProgram::Op::Gt:
            return a > b;
        case FilterProgram::Op::Le:
            return a <= b;
        case FilterProgram::Op::Ge:
            return a >= b;
    }
    return false;
}

bool applyText(FilterProgram::Op op, QStringView a, QStringView b) {
    return applyOp(op, a.compare(b, Qt::CaseInsensitive), 0);
}

}  // namespace

bool FilterProgram::compare(const Node& n, const Value& v) const {
    if (isNull(n.literal)) {
        return (n.op == Op::Eq) == isNull(v);
    }
    if (isNull(v)) {
        return false;  // a Null field passes no comparison with a value
    }
    if (n.literalIsNumber && !std::holds_alternative<QString>(v)) {
        const double d =
            v.index() == 1 ? static_cast<double>(std::get<std::int64_t>(v)) : std::get<double>(v);
        return applyOp(n.op, d, n.number);
    }
    const QString text = valueText(v);
    if (n.literalIsNumber) {
        bool ok = false;
        const double d = text.trimmed().toDouble(&ok);
        if (ok) {
            return applyOp(n.op, d, n.number);
        }
    }
    return applyText(n.op, text, std::get<QString>(n.literal));
}

bool FilterProgram::eval(int index, const ColumnStore& store, int row,
                         const ComputedValue& computed) const {
    // The right operand of AND and OR continues the chain: walked in this loop, not by recursion.
    for (;;) {
        const Node& chained = nodes_[index];
        if (chained.kind == Node::And) {
            if (!eval(chained.left, store, row, computed)) {
                return false;
            }
            index = chained.right;
        } else if (chained.kind == Node::Or) {
            if (eval(chained.left, store, row, computed)) {
                return true;
            }
            index = chained.right;
        } else {
            break;
        }
    }
    const Node& n = nodes_[index];
    switch (n.kind) {
        case Node::True:
            return true;
        case Node::Not:
            return !eval(n.left, store, row, computed);
        default:
            break;
    }
    if (n.ref.column < 0) {
        return compare(n, computed(n.ref.field, row));
    }
    const int col = n.ref.column;
    if (store.isNull(row, col)) {
        return isNull(n.literal) ? n.op == Op::Eq : false;
    }
    if (isNull(n.literal)) {
        return n.op == Op::Ne;
    }
    switch (n.ref.kind) {
        case ColumnKind::Int:
            if (n.literalIsNumber) {
                return applyOp(n.op, static_cast<double>(store.intAt(row, col)), n.number);
            }
            break;
        case ColumnKind::Float:
            if (n.literalIsNumber) {
                return applyOp(n.op, store.floatAt(row, col), n.number);
            }
            break;
        case ColumnKind::Text:
            if (!n.literalIsNumber) {
                return applyText(n.op, store.textAt(row, col), std::get<QString>(n.literal));
            }
            break;
    }
    return compare(n, store.get(row, col));
}

bool FilterProgram::matches(const ColumnStore& store, int row,
                            const ComputedValue& computed) const {
    if (!numberTests_.empty()) {
        // As eval does for each: a Null passes no comparison with a number, a value compares as
        // a double.
        for (const NumberTest& t : numberTests_) {
            if (store.isNull(row, t.column)) {
                return false;
            }
            const double value = t.kind == ColumnKind::Int
                                     ? static_cast<double>(store.intAt(row, t.column))
                                     : store.floatAt(row, t.column);
            if (!applyOp(t.op, value, t.number)) {
                return false;
            }
        }
        return true;
    }
    return eval(root_, store, row, computed);
}

}  // namespace zev
