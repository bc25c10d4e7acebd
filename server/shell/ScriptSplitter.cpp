#include "server/shell/ScriptSplitter.h"

#include <QStringList>

namespace zev::shell {

namespace {

// What the scanner is inside of when a line ends. Block comments nest, as in T-SQL, so their
// depth is carried too.
enum class Inside { Code, String, Bracket, QuotedName, BlockComment };

struct ScanState {
    Inside inside = Inside::Code;
    int commentDepth = 0;
};

// Closes a quoted text at `close` unless the character is doubled (an escaped quote).
void closeQuoted(const QString& line, qsizetype& i, QChar close, ScanState& state) {
    if (line[i] != close) {
        return;
    }
    if (i + 1 < line.size() && line[i + 1] == close) {
        ++i;
    } else {
        state.inside = Inside::Code;
    }
}

// Scans one line, carrying the state across lines; answers whether the line's code (outside
// literals and comments) ends with ';' and where that ';' stands.
qsizetype scanLine(const QString& line, ScanState& state) {
    qsizetype lastCode = -1;  // index of the last character of code on the line
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        switch (state.inside) {
            case Inside::String:
                closeQuoted(line, i, u'\'', state);
                break;
            case Inside::Bracket:
                closeQuoted(line, i, u']', state);
                break;
            case Inside::QuotedName:
                closeQuoted(line, i, u'"', state);
                break;
            case Inside::BlockComment:
                if (c == u'/' && i + 1 < n && line[i + 1] == u'*') {
                    ++i;
                    ++state.commentDepth;
                } else if (c == u'*' && i + 1 < n && line[i + 1] == u'/') {
                    ++i;
                    if (--state.commentDepth == 0) {
                        state.inside = Inside::Code;
                    }
                }
                break;
            case Inside::Code:
                if (c == u'-' && i + 1 < n && line[i + 1] == u'-') {
                    i = n;  // the rest of the line is a comment
                    break;
                }
                if (c == u'/' && i + 1 < n && line[i + 1] == u'*') {
                    ++i;
                    state.inside = Inside::BlockComment;
                    state.commentDepth = 1;
                    break;
                }
                if (c == u'\'') {
                    state.inside = Inside::String;
                } else if (c == u'[') {
                    state.inside = Inside::Bracket;
                } else if (c == u'"') {
                    state.inside = Inside::QuotedName;
                }
                if (!c.isSpace()) {
                    lastCode = i;
                }
                break;
        }
    }
    if (state.inside == Inside::Code && lastCode >= 0 && line[lastCode] == u';') {
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

    ScanState state;
    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString& line : text.split(u'\n')) {
        if (state.inside == Inside::Code &&
            line.trimmed().compare(u"GO", Qt::CaseInsensitive) == 0) {
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
