#include "core/Tokenizer.h"

#include "core/Errors.h"

namespace zev::server {

namespace {

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'#';
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$' || c == u'@';
}

// Reads a delimited text from the opening delimiter at `start`; a doubled closing delimiter stands
// for itself. Answers the index just past the closing delimiter and the text between.
qsizetype readDelimited(const QString& sql, qsizetype start, QChar close, QString& text) {
    qsizetype i = start + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (i + 1 < sql.size() && sql[i + 1] == close) {
                text += close;
                i += 2;
                continue;
            }
            return i + 1;
        }
        text += sql[i];
        ++i;
    }
    return -1;
}

}  // namespace

std::vector<Token> tokenize(const QString& sql) {
    std::vector<Token> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            // Block comments nest, as in T-SQL: /* a /* b */ c */ is one comment.
            int depth = 0;
            do {
                if (i + 1 < n && sql[i] == u'/' && sql[i + 1] == u'*') {
                    ++depth;
                    i += 2;
                } else if (i + 1 < n && sql[i] == u'*' && sql[i + 1] == u'/') {
                    --depth;
                    i += 2;
                } else if (i < n) {
                    ++i;
                } else {
                    throw DatabaseError(QStringLiteral("Missing end comment mark '*/'."));
                }
            } while (depth > 0);
            continue;
        }
        Token token;
        token.position = i;
        if ((c == u'N' || c == u'n') && i + 1 < n && sql[i + 1] == u'\'') {
            ++i;  // N'...' is a Unicode literal; every text is Unicode here
        }
        const QChar d = sql[i];
        if (d == u'\'') {
            token.kind = TokenKind::String;
            const qsizetype end = readDelimited(sql, i, u'\'', token.text);
            if (end < 0) {
                throw DatabaseError(
                    QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                        .arg(token.text));
            }
            i = end;
        } else if (d == u'[' || d == u'"') {
            token.kind = TokenKind::Name;
            const qsizetype end = readDelimited(sql, i, d == u'[' ? u']' : u'"', token.text);
            if (end < 0) {
                throw DatabaseError(
                    QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                        .arg(token.text));
            }
            if (token.text.isEmpty()) {
                throw DatabaseError(
                    QStringLiteral("An object or column name is missing or empty."));
            }
            i = end;
        } else if (d.isDigit() || (d == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            token.kind = TokenKind::Number;
            qsizetype end = i;
            while (end < n && (sql[end].isDigit() || sql[end] == u'.')) {
                ++end;
            }
            if (end < n && isNameStart(sql[end])) {
                throw DatabaseError(
                    QStringLiteral("Incorrect syntax near '%1'.").arg(sql.mid(i, end - i + 1)));
            }
            token.text = sql.mid(i, end - i);
            if (token.text.count(u'.') > 1) {
                throw DatabaseError(QStringLiteral("Incorrect syntax near '%1'.").arg(token.text));
            }
            i = end;
        } else if (isNameStart(d)) {
            token.kind = TokenKind::Word;
            qsizetype end = i;
            while (end < n && isNameChar(sql[end])) {
                ++end;
            }
            token.text = sql.mid(i, end - i);
            i = end;
        } else if (d == u'@') {
            token.kind = TokenKind::Variable;
            qsizetype end = i + 1;
            while (end < n && isNameChar(sql[end])) {
                ++end;
            }
            token.text = sql.mid(i, end - i);
            if (token.text.size() < 2) {
                throw DatabaseError(QStringLiteral("Incorrect syntax near '@'."));
            }
            i = end;
        } else if (d == u'?') {
            token.kind = TokenKind::Param;
            token.text = QStringLiteral("?");
            ++i;
        } else {
            token.kind = TokenKind::Symbol;
            const QString two = sql.mid(i, 2);
            if (two == u"<>" || two == u"!=" || two == u"<=" || two == u">=") {
                token.text = two;
                i += 2;
            } else if (QStringLiteral(",().=<>+-*/%;").contains(d)) {
                token.text = d;
                ++i;
            } else {
                throw DatabaseError(QStringLiteral("Incorrect syntax near '%1'.").arg(d));
            }
        }
        tokens.push_back(std::move(token));
    }
    Token end;
    end.position = n;
    tokens.push_back(end);
    return tokens;
}

}  // namespace zev::server
