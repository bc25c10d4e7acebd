#include "MssqlScriptParser.h"

#include "core/Tokenizer.h"

#include <QHash>
#include <QRegularExpression>

#include <stdexcept>

namespace zev::testing {

namespace {

struct Token {
    enum Kind { Word, Variable, Punct, Literal } kind;
    QString text;
};

struct Batch {
    std::vector<Token> tokens;
};

// Tokens of one batch, read by the server's tokenizer: words (numbers and delimited names, whose
// delimiters go, count as words), @variables, punctuation one character at a time and literals
// as written; comments are dropped.
Batch tokenize(const QString& text) {
    Batch batch;
    for (qsizetype i = 0; i < text.size();) {
        const SqlSpan span = scanSqlSpan(text, i);
        const QString written = text.mid(span.start, span.length());
        i = span.end;
        switch (span.kind) {
            case SqlSpanKind::Blank:
            case SqlSpanKind::Comment:
                break;
            case SqlSpanKind::Name:
                // [name] in T-SQL, "name" in SQLite's schema (read for comparison).
                batch.tokens.push_back({Token::Word, sqlSpanValue(text, span)});
                break;
            case SqlSpanKind::String:
                batch.tokens.push_back({Token::Literal, written});
                break;
            case SqlSpanKind::Word:
            case SqlSpanKind::Number:
                batch.tokens.push_back({Token::Word, written});
                break;
            case SqlSpanKind::Variable:
                batch.tokens.push_back({Token::Variable, written});
                break;
            case SqlSpanKind::Param:
            case SqlSpanKind::Symbol:
                for (const QChar c : written) {
                    batch.tokens.push_back({Token::Punct, QString(c)});
                }
                break;
        }
    }
    return batch;
}

bool isWord(const Token& t, const char* word) {
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isPunct(const Token& t, char c) {
    return t.kind == Token::Punct && t.text == QChar(c);
}

class Reader {
public:
    explicit Reader(const std::vector<Token>& tokens) : tokens_(tokens) {}

    bool atEnd() const { return pos_ >= tokens_.size(); }
    const Token& peek(std::size_t ahead = 0) const {
        static const Token none{Token::Punct, QString()};
        return pos_ + ahead < tokens_.size() ? tokens_[pos_ + ahead] : none;
    }
    const Token& next() {
        const Token& t = peek();
        ++pos_;
        return t;
    }

    // An object name, possibly qualified ("ZEV.dbo.x", "dbo.[x]"): its last part.
    QString objectName() {
        if (peek().kind != Token::Word) {
            throw std::runtime_error("an object name was expected");
        }
        QString name = next().text;
        while (isPunct(peek(), '.') && peek(1).kind == Token::Word) {
            next();
            name = next().text;
        }
        return name;
    }

    // The tokens of a parenthesised list, split at its top-level commas; the reader stands on the
    // opening parenthesis and ends past the closing one.
    std::vector<std::vector<Token>> parenthesisedItems() {
        if (!isPunct(next(), '(')) {
            throw std::runtime_error("'(' was expected");
        }
        std::vector<std::vector<Token>> items(1);
        int depth = 0;
        while (!atEnd()) {
            const Token& t = next();
            if (isPunct(t, '(')) {
                ++depth;
            } else if (isPunct(t, ')')) {
                if (depth == 0) {
                    return items;
                }
                --depth;
            } else if (isPunct(t, ',') && depth == 0) {
                items.emplace_back();
                continue;
            }
            items.back().push_back(t);
        }
        throw std::runtime_error("the list is not closed");
    }

    std::size_t pos_ = 0;

private:
    const std::vector<Token>& tokens_;
};

ScriptTable readTable(Reader& r) {
    ScriptTable table;
    table.name = r.objectName();
    for (const std::vector<Token>& item : r.parenthesisedItems()) {
        if (item.empty()) {
            continue;
        }
        const Token& head = item.front();
        if (isWord(head, "PRIMARY") || isWord(head, "UNIQUE") || isWord(head, "FOREIGN") ||
            isWord(head, "CONSTRAINT") || isWord(head, "CHECK") || isWord(head, "INDEX")) {
            continue;  // a table constraint, not a column
        }
        table.columns << head.text;
        table.columnTypes << (item.size() > 1 ? item[1].text.toLower() : QString());
    }
    return table;
}

// The name a select-list item gets: its alias, or the last part of a column reference.
QString selectItemName(const std::vector<Token>& item) {
    if (item.size() >= 2 && isWord(item[item.size() - 2], "AS")) {
        return item.back().text;
    }
    if (!item.empty() && item.back().kind == Token::Word) {
        return item.back().text;
    }
    throw std::runtime_error("a select-list item without a name");
}

ScriptView readView(Reader& r) {
    ScriptView view;
    view.name = r.objectName();
    while (!r.atEnd() && !isWord(r.peek(), "SELECT")) {
        r.next();
    }
    r.next();
    if (isWord(r.peek(), "DISTINCT")) {
        r.next();
    }
    std::vector<Token> item;
    int depth = 0;
    while (!r.atEnd()) {
        const Token& t = r.next();
        if (depth == 0 && (isWord(t, "FROM") || (isPunct(t, ',')))) {
            view.columns << selectItemName(item);
            item.clear();
            if (isWord(t, "FROM")) {
                break;
            }
            continue;
        }
        depth += isPunct(t, '(') ? 1 : isPunct(t, ')') ? -1 : 0;
        item.push_back(t);
    }
    return view;
}

// Parameters: the @names that begin the items of the header, with or without parentheses.
ScriptRoutine readProcedure(Reader& r) {
    ScriptRoutine routine;
    routine.name = r.objectName();
    int depth = 0;
    bool expectName = true;
    while (!r.atEnd()) {
        const Token& t = r.next();
        if (depth == 0 && isWord(t, "AS")) {
            break;
        }
        if (isPunct(t, '(')) {
            ++depth;
        } else if (isPunct(t, ')')) {
            --depth;
        } else if (isPunct(t, ',') && depth <= 1) {
            expectName = true;
        } else if (t.kind == Token::Variable && expectName) {
            routine.parameters << t.text.mid(1);
            routine.parameterTypes << r.peek().text.toLower();
            expectName = false;
        } else if (isWord(t, "WITH") && depth == 0) {
            expectName = false;  // WITH EXECUTE AS ... / WITH RECOMPILE
        }
    }
    return routine;
}

ScriptRoutine readFunction(Reader& r) {
    ScriptRoutine routine;
    routine.name = r.objectName();
    for (const std::vector<Token>& item : r.parenthesisedItems()) {
        if (!item.empty() && item.front().kind == Token::Variable) {
            routine.parameters << item.front().text.mid(1);
            routine.parameterTypes << (item.size() > 1 ? item[1].text.toLower() : QString());
        }
    }
    return routine;
}

// The variables of a routine's batch with their declared types: the parameters and every
// "DECLARE @name type" (several may share one DECLARE, separated by commas).
QHash<QString, QString> variableTypes(const std::vector<Token>& tokens) {
    QHash<QString, QString> types;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const bool declares = tokens[i].kind == Token::Variable &&
                              tokens[i + 1].kind == Token::Word && !isWord(tokens[i + 1], "AS") &&
                              !isWord(tokens[i + 1], "AND") && !isWord(tokens[i + 1], "OR") &&
                              !isWord(tokens[i + 1], "IS") && !isWord(tokens[i + 1], "COLLATE") &&
                              !isWord(tokens[i + 1], "LIKE");
        if (declares && i > 0 &&
            (isWord(tokens[i - 1], "DECLARE") || isPunct(tokens[i - 1], ',') ||
             isPunct(tokens[i - 1], '(') || isWord(tokens[i - 1], "PROCEDURE") ||
             isWord(tokens[i - 1], "PROC")) &&
            !types.contains(tokens[i].text.toLower())) {
            types.insert(tokens[i].text.toLower(), tokens[i + 1].text.toLower());
        }
    }
    return types;
}

// Where a select-list item comes from, by the aliases of the FROM clause (see ScriptRoutine).
QString selectItemSource(const std::vector<Token>& item, const QHash<QString, QString>& aliases,
                         const QHash<QString, QString>& variables) {
    const std::size_t end =
        item.size() >= 2 && isWord(item[item.size() - 2], "AS") ? item.size() - 2 : item.size();
    if (end == 1 && item[0].kind == Token::Variable) {
        const QString type = variables.value(item[0].text.toLower());
        return type.isEmpty() ? QString() : u'@' + type;
    }
    if (end == 3 && item[0].kind == Token::Word && isPunct(item[1], '.') &&
        item[2].kind == Token::Word && aliases.contains(item[0].text.toLower())) {
        return aliases.value(item[0].text.toLower()) + u'.' + item[2].text;
    }
    return {};
}

// The result SELECT of a routine body that starts at `from`: its select list, and the aliases of
// the tables after its FROM and JOINs. A body without one leaves the result empty.
void readResultSelect(const std::vector<Token>& tokens, std::size_t from, ScriptRoutine& routine) {
    std::size_t select = tokens.size();
    int depth = 0;
    for (std::size_t i = from; i < tokens.size(); ++i) {
        depth += isPunct(tokens[i], '(') ? 1 : isPunct(tokens[i], ')') ? -1 : 0;
        if (depth != 0 || !isWord(tokens[i], "SELECT") || i == 0) {
            continue;
        }
        const Token& before = tokens[i - 1];
        const bool startsStatement = isPunct(before, ';') || isWord(before, "BEGIN") ||
                                     isWord(before, "AS") || isWord(before, "RETURN") ||
                                     isWord(before, "ELSE");
        const bool assigns = i + 2 < tokens.size() && tokens[i + 1].kind == Token::Variable &&
                             isPunct(tokens[i + 2], '=');
        if (startsStatement && !assigns) {
            select = i;
        }
    }
    if (select == tokens.size()) {
        return;  // a routine without a result
    }
    std::size_t i = select + 1;
    if (i < tokens.size() && isWord(tokens[i], "DISTINCT")) {
        ++i;
    }
    if (i < tokens.size() && isWord(tokens[i], "TOP")) {
        ++i;
        if (i < tokens.size() && isPunct(tokens[i], '(')) {
            while (i < tokens.size() && !isPunct(tokens[i], ')')) {
                ++i;
            }
        }
        ++i;
    }
    std::vector<std::vector<Token>> items(1);
    int cases = 0;  // CASE expressions open: their END closes them, not the body
    for (depth = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (depth == 0 && cases == 0 &&
            (isWord(t, "FROM") || isPunct(t, ';') || isWord(t, "END"))) {
            break;
        }
        cases += isWord(t, "CASE") ? 1 : (isWord(t, "END") && cases > 0) ? -1 : 0;
        depth += isPunct(t, '(') ? 1 : isPunct(t, ')') ? -1 : 0;
        if (depth == 0 && isPunct(t, ',')) {
            items.emplace_back();
            continue;
        }
        items.back().push_back(t);
    }
    // "FROM dbo.table AS alias", "JOIN dbo.table alias": the alias (or the name) to the table.
    QHash<QString, QString> aliases;
    for (depth = 0; i < tokens.size() && !isPunct(tokens[i], ';'); ++i) {
        depth += isPunct(tokens[i], '(') ? 1 : isPunct(tokens[i], ')') ? -1 : 0;
        if (depth != 0 || !(isWord(tokens[i], "FROM") || isWord(tokens[i], "JOIN"))) {
            continue;
        }
        std::size_t j = i + 1;
        QString table;
        while (j < tokens.size() && tokens[j].kind == Token::Word) {
            table = tokens[j].text;
            if (j + 1 < tokens.size() && isPunct(tokens[j + 1], '.')) {
                j += 2;
            } else {
                ++j;
                break;
            }
        }
        if (j < tokens.size() && isWord(tokens[j], "AS")) {
            ++j;
        }
        const bool named = j < tokens.size() && tokens[j].kind == Token::Word &&
                           !isWord(tokens[j], "ON") && !isWord(tokens[j], "WHERE") &&
                           !isWord(tokens[j], "INNER") && !isWord(tokens[j], "LEFT") &&
                           !isWord(tokens[j], "JOIN");
        aliases.insert((named ? tokens[j].text : table).toLower(), table);
    }
    const QHash<QString, QString> variables = variableTypes(tokens);
    for (const std::vector<Token>& item : items) {
        routine.resultColumns << selectItemName(item);
        routine.resultSources << selectItemSource(item, aliases, variables);
    }
}

// True when an IF stands between the statement's start (the batch's start or the last ';') and
// the CREATE at the given token.
bool guardedByIf(const std::vector<Token>& tokens, std::size_t createAt) {
    for (std::size_t i = createAt; i-- > 0;) {
        if (isPunct(tokens[i], ';')) {
            return false;
        }
        if (isWord(tokens[i], "IF")) {
            return true;
        }
    }
    return false;
}

QStringList splitBatches(const QString& script) {
    static const QRegularExpression go(
        QStringLiteral(R"(^[ \t]*GO[ \t]*\r?$)"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    return script.split(go);
}

}  // namespace

ScriptCatalog parseMssqlScript(const QString& script) {
    ScriptCatalog catalog;
    for (const QString& text : splitBatches(script)) {
        const Batch batch = tokenize(text);
        Reader r(batch.tokens);
        while (!r.atEnd()) {
            const std::size_t createAt = r.pos_;
            if (!isWord(r.next(), "CREATE")) {
                continue;
            }
            if (isWord(r.peek(), "OR") && isWord(r.peek(1), "ALTER")) {
                r.next();
                r.next();
            } else if (!guardedByIf(batch.tokens, createAt)) {
                catalog.unguardedCreates
                    << QStringLiteral("CREATE %1 %2").arg(r.peek().text, r.peek(1).text);
            }
            const Token& kind = r.next();
            const std::size_t at = r.pos_;
            try {
                if (isWord(kind, "TABLE")) {
                    catalog.tables.push_back(readTable(r));
                } else if (isWord(kind, "VIEW")) {
                    catalog.views.push_back(readView(r));
                } else if (isWord(kind, "PROCEDURE") || isWord(kind, "PROC")) {
                    ScriptRoutine p = readProcedure(r);
                    readResultSelect(batch.tokens, r.pos_, p);
                    catalog.procedures.push_back(std::move(p));
                    break;  // a procedure's body runs to the end of its batch
                } else if (isWord(kind, "FUNCTION")) {
                    ScriptRoutine f = readFunction(r);
                    readResultSelect(batch.tokens, r.pos_, f);
                    catalog.functions.push_back(std::move(f));
                    break;
                }
            } catch (const std::runtime_error& e) {
                const QString name = at < batch.tokens.size() ? batch.tokens[at].text : QString();
                throw std::runtime_error(QStringLiteral("CREATE %1 %2: %3")
                                             .arg(kind.text, name, QString::fromUtf8(e.what()))
                                             .toStdString());
            }
        }
    }
    return catalog;
}

QString resultColumnType(const ScriptCatalog& catalog, const ScriptRoutine& routine,
                         qsizetype column) {
    const QString source = routine.resultSources.value(column);
    if (source.startsWith(u'@')) {
        return source.mid(1);
    }
    const qsizetype dot = source.indexOf(u'.');
    if (dot < 0) {
        return {};
    }
    for (const ScriptTable& table : catalog.tables) {
        if (table.name.compare(source.left(dot), Qt::CaseInsensitive) == 0) {
            for (qsizetype c = 0; c < table.columns.size(); ++c) {
                if (table.columns[c].compare(source.mid(dot + 1), Qt::CaseInsensitive) == 0) {
                    return table.columnTypes.value(c);
                }
            }
        }
    }
    return {};
}

void mergeInto(ScriptCatalog& into, ScriptCatalog&& from) {
    auto append = [](auto& a, auto& b) {
        a.insert(a.end(), std::make_move_iterator(b.begin()), std::make_move_iterator(b.end()));
    };
    append(into.tables, from.tables);
    append(into.views, from.views);
    append(into.procedures, from.procedures);
    append(into.functions, from.functions);
    into.unguardedCreates << from.unguardedCreates;
}

}  // namespace zev::testing
