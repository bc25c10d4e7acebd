#pragma once

#include <QString>

namespace zev::server {

// Writes SQLite text token by token. Every token is a keyword or symbol of a fixed set, a number
// the tokenizer read, a "?" marker, a quoted name or a quoted text literal; tokens are separated
// by a blank except around "(", ")", "," and ".", which cannot form a comment with a neighbour.
// So the output holds a comment or a statement separator only inside a quoted literal or name.
class SqlEmitter {
public:
    void keyword(const char* word) { append(QString::fromLatin1(word)); }
    void symbol(const char* symbol) { append(QString::fromLatin1(symbol)); }
    void number(const QString& digits) { append(digits); }
    void name(const QString& name);
    void text(const QString& text);
    // "function(" as one token: the name is one of the translator's own.
    void call(const char* function);

    // A position before the next token, to put a call's opening in front of what follows it.
    qsizetype mark() const { return out_.size(); }
    // Opens "function(" at a mark, before everything written since.
    void openCallAt(qsizetype mark, const char* function);

    const QString& sql() const { return out_; }

private:
    void append(QStringView token);

    QString out_;
};

}  // namespace zev::server
