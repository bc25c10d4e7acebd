#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace zev {

// The one T-SQL tokenizer of the project. The server parses the tokens of a statement;
// the connection's marker binding, the SQL shell's script splitter and the TDS test server's
// parameter names walk the text stretch by stretch with the same rules, so that all of them
// agree on where a literal, a name or a comment begins and ends.

// What a stretch of T-SQL text is, as the server reads it.
enum class SqlSpanKind {
    Blank,     // white space, line breaks included
    Comment,   // "-- ..." up to the line break (not included), or "/* ... */", which nests
    String,    // 'it''s' or N'...'
    Name,      // a delimited name: [p23-1] or "group"
    Number,    // digits and dots: 12, 3.5, .5
    Word,      // a plain name or keyword: a letter, '_' or '#', then letters, digits, _ # $ @
    Variable,  // '@' and the name characters after it: @id_group (may be a lone '@')
    Param,     // ?
    Symbol,    // <> != <= >=, or any other single character
};

// One stretch: [start, end) of the text. A string, name or block comment that the text does not
// close runs to the end of the text with closed false.
struct SqlSpan {
    SqlSpanKind kind = SqlSpanKind::Blank;
    qsizetype start = 0;
    qsizetype end = 0;
    bool closed = true;

    qsizetype length() const { return end - start; }
};

// The stretch that begins at `start` (< sql.size()). Never throws: every character belongs to
// some stretch, so that callers that keep the text as it is (marker binding, script splitting)
// walk it with the same rules as the server's tokenizer: for (i = 0; i < n; i = span.end).
SqlSpan scanSqlSpan(QStringView sql, qsizetype start);

// The value of a String or Name stretch: without its delimiters (and the N of N'...'), each
// doubled closing delimiter standing for one. An unclosed stretch gives what follows its opening.
QString sqlSpanValue(QStringView sql, const SqlSpan& span);

// One lexical unit of a T-SQL statement.
enum class TokenKind {
    Word,      // a plain name or keyword: SELECT, id_group, dbo
    Name,      // a delimited name: [p23-1], "group" (text holds the name without delimiters)
    String,    // a string literal, 'it''s' or N'...' (text holds the value)
    Number,    // 12, 3.5
    Param,     // ?
    Variable,  // @id_group (text holds the name with the @)
    Symbol,    // , ( ) . = <> != < > <= >= + - * / % ;
    End,
};

struct Token {
    TokenKind kind = TokenKind::End;
    QString text;
    qsizetype position = 0;  // offset in the statement, for error texts

    bool isWord(const char* keyword) const {
        return kind == TokenKind::Word &&
               text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(const char* symbol) const {
        return kind == TokenKind::Symbol && text == QLatin1String(symbol);
    }
};

// Splits a statement into tokens; comments and blanks (line breaks included) are dropped.
// The list always ends with one End token. Throws DatabaseError for an unclosed literal or name
// and for a character that T-SQL does not know.
std::vector<Token> tokenize(const QString& sql);

}  // namespace zev
