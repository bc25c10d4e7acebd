#pragma once

#include <QString>

#include <vector>

namespace zev::server {

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

}  // namespace zev::server
