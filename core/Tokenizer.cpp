#include "core/Tokenizer.h"

#include "core/Errors.h"

namespace zev {

namespace {

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'#';
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$' || c == u'@';
}

// Index just past the closing delimiter of a text opened at `start`, a doubled delimiter
// standing for itself; -1 when the text does not close it.
qsizetype closingEnd(QStringView sql, qsizetype start, QChar close) {
    const qsizetype n = sql.size();
    for (qsizetype i = start + 1; i < n; ++i) {
        if (sql[i] == close) {
            if (i + 1 < n && sql[i + 1] == close) {
                ++i;
                continue;
            }
            return i + 1;
        }
    }
    return -1;
}

// Index just past a block comment opened at `start`; comments nest, as in T-SQL:
// /* a /* b */ c */ is one comment. -1 when the text does not close it.
qsizetype blockCommentEnd(QStringView sql, qsizetype start) {
    const qsizetype n = sql.size();
    int depth = 0;
    qsizetype i = start;
    while (i + 1 < n) {
        if (sql[i] == u'/' && sql[i + 1] == u'*') {
            ++depth;
            i += 2;
        } else if (sql[i] == u'*' && sql[i + 1] == u'/') {
            i += 2;
            if (--depth == 0) {
                return i;
            }
        } else {
            ++i;
        }
    }
    return -1;
}

SqlSpan delimited(QStringView sql, SqlSpanKind kind, qsizetype start, qsizetype open, QChar close) {
    const qsizetype end = closingEnd(sql, open, close);
    return {kind, start, end < 0 ? sql.size() : end, end >= 0};
}

}  // namespace

SqlSpan scanSqlSpan(QStringView sql, qsizetype start) {
    const qsizetype n = sql.size();
    const QChar c = sql[start];
    const QChar next = start + 1 < n ? sql[start + 1] : QChar();
    qsizetype end = start + 1;
    if (c.isSpace()) {
        while (end < n && sql[end].isSpace()) {
            ++end;
        }
        return {SqlSpanKind::Blank, start, end};
    }
    if (c == u'-' && next == u'-') {
        end = sql.indexOf(u'\n', start);
        return {SqlSpanKind::Comment, start, end < 0 ? n : end};
    }
    if (c == u'/' && next == u'*') {
        end = blockCommentEnd(sql, start);
        return {SqlSpanKind::Comment, start, end < 0 ? n : end, end >= 0};
    }
    if (c == u'\'') {
        return delimited(sql, SqlSpanKind::String, start, start, u'\'');
    }
    if ((c == u'N' || c == u'n') && next == u'\'') {
        return delimited(sql, SqlSpanKind::String, start, start + 1, u'\'');
    }
    if (c == u'[') {
        return delimited(sql, SqlSpanKind::Name, start, start, u']');
    }
    if (c == u'"') {
        return delimited(sql, SqlSpanKind::Name, start, start, u'"');
    }
    if (c.isDigit() || (c == u'.' && next.isDigit())) {
        while (end < n && (sql[end].isDigit() || sql[end] == u'.')) {
            ++end;
        }
        return {SqlSpanKind::Number, start, end};
    }
    if (isNameStart(c) || c == u'@') {
        while (end < n && isNameChar(sql[end])) {
            ++end;
        }
        return {c == u'@' ? SqlSpanKind::Variable : SqlSpanKind::Word, start, end};
    }
    if (c == u'?') {
        return {SqlSpanKind::Param, start, end};
    }
    static constexpr char16_t kPairs[][2] = {
        {u'<', u'>'}, {u'!', u'='}, {u'<', u'='}, {u'>', u'='}};
    for (const auto& pair : kPairs) {
        if (c == pair[0] && next == pair[1]) {
            return {SqlSpanKind::Symbol, start, start + 2};
        }
    }
    return {SqlSpanKind::Symbol, start, end};
}

QString sqlSpanValue(QStringView sql, const SqlSpan& span) {
    qsizetype open = span.start;
    if (sql[open] == u'N' || sql[open] == u'n') {
        ++open;
    }
    const QChar close = sql[open] == u'[' ? QChar(u']') : sql[open];
    const qsizetype last = span.closed ? span.end - 1 : span.end;
    QString value;
    value.reserve(last - open);
    for (qsizetype i = open + 1; i < last; ++i) {
        value += sql[i];
        if (sql[i] == close) {
            ++i;  // the second of a doubled delimiter
        }
    }
    return value;
}

std::vector<Token> tokenize(const QString& sql) {
    std::vector<Token> tokens;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const SqlSpan span = scanSqlSpan(sql, i);
        i = span.end;
        Token token;
        token.position = span.start;
        switch (span.kind) {
            case SqlSpanKind::Blank:
                continue;
            case SqlSpanKind::Comment:
                if (!span.closed) {
                    throw DatabaseError(QStringLiteral("Missing end comment mark '*/'."));
                }
                continue;
            case SqlSpanKind::String:
            case SqlSpanKind::Name:
                token.kind = span.kind == SqlSpanKind::String ? TokenKind::String : TokenKind::Name;
                token.text = sqlSpanValue(sql, span);
                if (!span.closed) {
                    throw DatabaseError(
                        QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                            .arg(token.text));
                }
                if (token.kind == TokenKind::Name && token.text.isEmpty()) {
                    throw DatabaseError(
                        QStringLiteral("An object or column name is missing or empty."));
                }
                break;
            case SqlSpanKind::Number:
                token.kind = TokenKind::Number;
                if (span.end < n && isNameStart(sql[span.end])) {
                    throw DatabaseError(QStringLiteral("Incorrect syntax near '%1'.")
                                            .arg(sql.mid(span.start, span.length() + 1)));
                }
                token.text = sql.mid(span.start, span.length());
                if (token.text.count(u'.') > 1) {
                    throw DatabaseError(
                        QStringLiteral("Incorrect syntax near '%1'.").arg(token.text));
                }
                break;
            case SqlSpanKind::Word:
                token.kind = TokenKind::Word;
                token.text = sql.mid(span.start, span.length());
                break;
            case SqlSpanKind::Variable:
                token.kind = TokenKind::Variable;
                token.text = sql.mid(span.start, span.length());
                if (token.text.size() < 2) {
                    throw DatabaseError(QStringLiteral("Incorrect syntax near '@'."));
                }
                break;
            case SqlSpanKind::Param:
                token.kind = TokenKind::Param;
                token.text = QStringLiteral("?");
                break;
            case SqlSpanKind::Symbol:
                token.kind = TokenKind::Symbol;
                token.text = sql.mid(span.start, span.length());
                if (span.length() == 1 && !QStringLiteral(",().=<>+-*/%;").contains(token.text)) {
                    throw DatabaseError(
                        QStringLiteral("Incorrect syntax near '%1'.").arg(token.text));
                }
                break;
        }
        tokens.push_back(std::move(token));
    }
    Token end;
    end.position = n;
    tokens.push_back(end);
    return tokens;
}

}  // namespace zev
