#include "server/shell/ScriptSplitter.h"

#include <QStringList>

namespace zev::shell {

namespace {

// What the scanner is inside of when a line ends.
enum class Inside { Code, String, Bracket, BlockComment };

// Scans one line, carrying the state across lines; answers whether the line's code (outside
// literals and comments) ends with ';' and where that ';' stands.
qsizetype scanLine(const QString& line, Inside& state) {
    qsizetype lastCode = -1;  // index of the last character of code on the line
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        switch (state) {
            case Inside::String:
                if (c == u'\'') {
                    if (i + 1 < n && line[i + 1] == u'\'') {
                        ++i;
                    } else {
                        state = Inside::Code;
                    }
                }
                break;
            case Inside::Bracket:
                if (c == u']') {
                    if (i + 1 < n && line[i + 1] == u']') {
                        ++i;
                    } else {
                        state = Inside::Code;
                    }
                }
                break;
            case Inside::BlockComment:
                if (c == u'*' && i + 1 < n && line[i + 1] == u'/') {
                    ++i;
                    state = Inside::Code;
                }
                break;
            case Inside::Code:
                if (c == u'-' && i + 1 < n && line[i + 1] == u'-') {
                    i = n;  // the rest of the line is a comment
                    break;
                }
                if (c == u'/' && i + 1 < n && line[i + 1] == u'*') {
                    ++i;
                    state = Inside::BlockComment;
                    break;
                }
                if (c == u'\'') {
                    state = Inside::String;
                } else if (c == u'[') {
                    state = Inside::Bracket;
                }
                if (!c.isSpace()) {
                    lastCode = i;
                }
                break;
        }
    }
    if (state == Inside::Code && lastCode >= 0 && line[lastCode] == u';') {
        return lastCode;
    }
    return -1;
}

}  // namespace

std::vector<QString> splitScript(const QString& script, SplitMode mode) {
    std::vector<QString> statements;
    QStringList current;
    auto finish = [&] {
        const QString statement = current.join(u'\n').trimmed();
        if (!statement.isEmpty()) {
            statements.push_back(statement);
        }
        current.clear();
    };

    Inside state = Inside::Code;
    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString& line : text.split(u'\n')) {
        if (state == Inside::Code && line.trimmed().compare(u"GO", Qt::CaseInsensitive) == 0) {
            finish();
            continue;
        }
        const qsizetype semicolon = scanLine(line, state);
        if (mode == SplitMode::Statements && semicolon >= 0) {
            current << line.left(semicolon);
            finish();
        } else {
            current << line;
        }
    }
    finish();
    return statements;
}

}  // namespace zev::shell
