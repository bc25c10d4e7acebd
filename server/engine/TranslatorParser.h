#pragma once

// The recursive-descent parser behind translate(): the statements are in Translator.cpp, the
// expressions in TranslatorExpressions.cpp. It writes the SQLite text as it reads the T-SQL, one
// token at a time, so that translation takes time linear in the statement.

#include "core/Errors.h"
#include "core/Tokenizer.h"
#include "server/engine/SqlEmitter.h"
#include "server/engine/Translator.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace zev::server::parsing {

// Whether a word ends a name or an expression and so can never be taken for an alias.
bool isReserved(const Token& t);
// A text as an SQL literal.
QString quoteText(const QString& text);
// The SQLite function behind a built-in T-SQL function of the subset, or nullptr.
const char* sqliteFunction(const QString& tsqlName);
bool isAggregate(const QString& function);
// SQLite's own tables, table-valued pragmas and virtual tables: none of them is an object of
// the ZEV database.
bool isEngineObject(const QString& name);

// How deep expressions may nest (parentheses, function arguments, NOT and unary minus): far
// beyond any real statement, and far below what the parser's recursion could bear.
inline constexpr int kMaxNesting = 200;
// Terms of one arithmetic call; longer chains continue in a call around the first one.
inline constexpr int kTermsPerCall = 100;

struct Expr {
    ColumnType type = ColumnType::Unknown;
    bool isColumn = false;  // a plain column reference: SQLite names the result after the column
};

// A column reference outside any aggregate, for the GROUP BY check.
struct ColumnUse {
    QString shown;      // as the error names it
    QString qualifier;  // the table or alias, lower case, or empty
    QString column;     // lower case
};

class Parser {
public:
    explicit Parser(const QString& tsql) : tokens_(tokenize(tsql)) {}

    Translation run();

private:
    // Counts one level of nesting for as long as it lives.
    class Nesting {
    public:
        explicit Nesting(Parser& p) : p_(p) {
            if (++p_.depth_ > kMaxNesting) {
                throw DatabaseError(
                    QStringLiteral(
                        "Some part of your SQL statement is nested too deeply (more than "
                        "%1 levels of parentheses, function calls, NOT or signs). "
                        "Rewrite the query or break it up into smaller queries.")
                        .arg(kMaxNesting));
            }
        }
        ~Nesting() { --p_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& p_;
    };

    const Token& peek(int ahead = 0) const {
        const size_t i = std::min(pos_ + ahead, tokens_.size() - 1);
        return tokens_[i];
    }
    const Token& next() {
        const Token& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) {
            ++pos_;
        }
        return t;
    }
    bool acceptWord(const char* w) {
        if (peek().isWord(w)) {
            next();
            return true;
        }
        return false;
    }
    bool acceptSymbol(const char* s) {
        if (peek().isSymbol(s)) {
            next();
            return true;
        }
        return false;
    }
    void expectWord(const char* w) {
        if (!acceptWord(w)) {
            fail(peek());
        }
    }
    void expectSymbol(const char* s) {
        if (!acceptSymbol(s)) {
            fail(peek());
        }
    }

    [[noreturn]] static void fail(const Token& t) {
        if (t.kind == TokenKind::End) {
            throw DatabaseError(QStringLiteral("Incorrect syntax near the end of the statement."));
        }
        const QString shown = t.kind == TokenKind::String ? quoteText(t.text) : t.text;
        throw DatabaseError(QStringLiteral("Incorrect syntax near '%1'.").arg(shown));
    }
    [[noreturn]] static void unsupported(const Token& t, const QString& what) {
        throw DatabaseError(
            QStringLiteral("Incorrect syntax near '%1': %2 is not supported by the ZEV server.")
                .arg(t.text, what));
    }

    bool isNamePart(const Token& t) const {
        return t.kind == TokenKind::Name || (t.kind == TokenKind::Word && !isReserved(t));
    }

    // A dotted name: a.b.c; answers its parts.
    QStringList dottedName();

    // Checks and drops the database and schema qualifiers: ZEV.dbo.x, dbo.x (any letter case).
    // `keep` is how many trailing parts name the object itself (1 for a table, 2 for table.column).
    static QStringList stripQualifiers(QStringList parts, int keep);

    void tableName();

    void noteTable(const QString& name);

    // [AS] alias, written as AS "alias".
    bool alias();

    // SELECT [DISTINCT] [TOP n] items [FROM ...] [WHERE] [GROUP BY] [HAVING] [ORDER BY]
    void select();

    // Every column of the select list and HAVING outside an aggregate must be grouped.
    static void checkGrouped(const std::vector<ColumnUse>& selected,
                             const std::vector<ColumnUse>& grouped) {
        for (const ColumnUse& use : selected) {
            const bool found = std::any_of(grouped.begin(), grouped.end(), [&](const ColumnUse& g) {
                return g.column == use.column &&
                       (g.qualifier.isEmpty() || use.qualifier.isEmpty() ||
                        g.qualifier == use.qualifier);
            });
            if (!found) {
                throw DatabaseError(QStringLiteral("Column '%1' is invalid in the select list "
                                                   "because it is not contained in either an "
                                                   "aggregate function or the GROUP BY clause.")
                                        .arg(use.shown));
            }
        }
    }

    // One item of the select list; answers whether it was a star.
    bool selectItem();

    void fromClause();

    void tableSource();

    // dbo.GetTFIO_with_pps(kinds, department): the teachers holding a position in a department.
    // Position kinds are 1 main, 2 internal second job, 3 external second job, 4 hourly; the
    // first argument is the highest kind taken in, so 4 takes every teacher of the department.
    void tableFunction(const QString& name, const Token& at);

    void expressionList();

    // Expressions, from the loosest binding to the tightest.
    Expr expression();

    Expr orExpr();
    Expr andExpr();
    Expr notExpr();
    Expr predicate();

    // A chain of terms joined by operators of one precedence level becomes one call of the
    // arithmetic function, zev_arith(t1, t2, ..., 'ops'), which applies T-SQL's rules from left to
    // right: "+" joins texts, errors for division by zero and integer overflow. Long chains
    // continue in a call around the first kTermsPerCall terms, so nothing nests per operator.
    template <typename Term>
    Expr chain(const char* const* operators, Term term);
    const char* matchingOperator(const char* const* operators) const;

    Expr additive();
    Expr multiplicative();
    Expr unary();
    Expr primary();

    Expr nameOrCall();

    Expr call(const QStringList& parts, const Token& start);

    // INSERT [INTO] table [(columns)] [OUTPUT INSERTED.column, ...] VALUES (...)[, (...)]
    void insert();

    // UPDATE table SET column = expression, ... [WHERE ...]
    void update();

    // DELETE [FROM] table [WHERE ...]
    void remove();

    // EXEC procedure [argument, ...] where an argument is [@name =] literal | NULL | ?
    void exec();

    // SET DATEFORMAT dmy and SET NOCOUNT ON|OFF: session options.
    void setOption();

    // BEGIN TRANSACTION, COMMIT TRANSACTION, [IF @@TRANCOUNT > 0] ROLLBACK TRANSACTION.
    void transactionStatement();

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int params_ = 0;
    int depth_ = 0;
    int aggregates_ = 0;         // how many aggregate calls enclose the current token
    bool sawAggregate_ = false;  // the select list calls an aggregate
    std::vector<ColumnUse>* columnUses_ = nullptr;  // where column references are noted
    SqlEmitter sql_;
    Translation out_;
};

}  // namespace zev::server::parsing
