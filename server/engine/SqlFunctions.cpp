#include "server/engine/SqlFunctions.h"

#include "server/engine/StoredText.h"
#include "server/engine/TextCollation.h"
#include "server/engine/Translator.h"

#include <QString>

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace zev::server {

namespace {

// One operand or intermediate result of an operator chain.
struct Operand {
    enum Kind { Null, Integer, Float, Text } kind = Null;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;  // UTF-8
};

Operand operandOf(sqlite3_value* v) {
    Operand o;
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            o.kind = Operand::Integer;
            o.integer = sqlite3_value_int64(v);
            break;
        case SQLITE_FLOAT:
            o.kind = Operand::Float;
            o.real = sqlite3_value_double(v);
            break;
        case SQLITE_NULL:
            break;
        default:
            o.kind = Operand::Text;
            o.text.assign(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                          static_cast<size_t>(sqlite3_value_bytes(v)));
    }
    return o;
}

const char* operatorName(char op) {
    switch (op) {
        case '+':
            return "add";
        case '-':
            return "subtract";
        case '*':
            return "multiply";
        case '/':
            return "divide";
        default:
            return "modulo";
    }
}

bool fitsInt(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

// A text operand meets a number: SQL Server converts the text to the number's type.
std::optional<QString> toNumber(Operand& o, bool asFloat) {
    const QString text =
        QString::fromUtf8(o.text.data(), static_cast<qsizetype>(o.text.size())).trimmed();
    bool ok = false;
    const qlonglong whole = text.toLongLong(&ok);
    if (ok) {
        o.kind = Operand::Integer;
        o.integer = whole;
        return std::nullopt;
    }
    if (asFloat) {
        const double real = text.toDouble(&ok);
        if (ok) {
            o.kind = Operand::Float;
            o.real = real;
            return std::nullopt;
        }
    }
    return QStringLiteral(
               "Conversion failed when converting the varchar value '%1' to data type "
               "%2.")
        .arg(text, asFloat ? QStringLiteral("float") : QStringLiteral("int"));
}

// a := a op b with T-SQL's rules; answers an error text or nothing.
std::optional<QString> apply(char op, Operand& a, Operand b) {
    if (a.kind == Operand::Null || b.kind == Operand::Null) {
        a = Operand{};
        return std::nullopt;
    }
    if (a.kind == Operand::Text && b.kind == Operand::Text) {
        if (op == '+') {
            a.text += b.text;
            return std::nullopt;
        }
        return QStringLiteral("Operand data type varchar is invalid for %1 operator.")
            .arg(QLatin1String(operatorName(op)));
    }
    if (a.kind == Operand::Text) {
        if (auto error = toNumber(a, b.kind == Operand::Float)) {
            return error;
        }
    }
    if (b.kind == Operand::Text) {
        if (auto error = toNumber(b, a.kind == Operand::Float)) {
            return error;
        }
    }
    if (a.kind == Operand::Integer && b.kind == Operand::Integer) {
        const std::int64_t l = a.integer;
        const std::int64_t r = b.integer;
        std::int64_t result = 0;
        bool overflow = false;
        switch (op) {
            case '+':
                overflow = __builtin_add_overflow(l, r, &result);
                break;
            case '-':
                overflow = __builtin_sub_overflow(l, r, &result);
                break;
            case '*':
                overflow = __builtin_mul_overflow(l, r, &result);
                break;
            default:
                if (r == 0) {
                    return QStringLiteral("Divide by zero error encountered.");
                }
                if (l == std::numeric_limits<std::int64_t>::min() && r == -1) {
                    overflow = true;
                } else {
                    result = op == '/' ? l / r : l % r;
                }
        }
        // Two int operands give an int, which holds 32 bits; a wider operand makes it bigint.
        const bool narrow = fitsInt(l) && fitsInt(r);
        if (overflow || (narrow && !fitsInt(result))) {
            return QStringLiteral(
                       "Arithmetic overflow error converting expression to data type %1.")
                .arg(narrow ? QStringLiteral("int") : QStringLiteral("bigint"));
        }
        a.integer = result;
        return std::nullopt;
    }
    const double l = a.kind == Operand::Integer ? static_cast<double>(a.integer) : a.real;
    const double r = b.kind == Operand::Integer ? static_cast<double>(b.integer) : b.real;
    if ((op == '/' || op == '%') && r == 0.0) {
        return QStringLiteral("Divide by zero error encountered.");
    }
    a.kind = Operand::Float;
    switch (op) {
        case '+':
            a.real = l + r;
            break;
        case '-':
            a.real = l - r;
            break;
        case '*':
            a.real = l * r;
            break;
        case '/':
            a.real = l / r;
            break;
        default:
            a.real = std::fmod(l, r);
    }
    if (!std::isfinite(a.real)) {
        return QStringLiteral(
            "Arithmetic overflow error converting expression to data type float.");
    }
    return std::nullopt;
}

// zev_arith(t1, t2, ..., tn, 'ops'): t1 op1 t2 op2 ... tn, from left to right.
void arithmetic(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 3) {
        sqlite3_result_error(ctx, "The arithmetic function needs two terms and the operators.", -1);
        return;
    }
    const auto* ops = reinterpret_cast<const char*>(sqlite3_value_text(argv[argc - 1]));
    const int count = sqlite3_value_bytes(argv[argc - 1]);
    if (!ops || count != argc - 2) {
        sqlite3_result_error(ctx, "The arithmetic function's operators do not fit its terms.", -1);
        return;
    }
    Operand result = operandOf(argv[0]);
    for (int i = 0; i < count; ++i) {
        if (auto error = apply(ops[i], result, operandOf(argv[i + 1]))) {
            const QByteArray text = error->toUtf8();
            sqlite3_result_error(ctx, text.constData(), static_cast<int>(text.size()));
            return;
        }
    }
    switch (result.kind) {
        case Operand::Null:
            sqlite3_result_null(ctx);
            break;
        case Operand::Integer:
            sqlite3_result_int64(ctx, result.integer);
            break;
        case Operand::Float:
            sqlite3_result_double(ctx, result.real);
            break;
        case Operand::Text:
            sqlite3_result_text(ctx, result.text.data(), static_cast<int>(result.text.size()),
                                SQLITE_TRANSIENT);
    }
}

QString textOf(sqlite3_value* v) {
    return storedText(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
}

char32_t folded(char32_t c) {
    return QChar::toCaseFolded(c);
}

// One element of a LIKE pattern: any run (%), any character (_), a class ([a-z], [^abc]) or a
// character.
struct PatternItem {
    enum Kind { AnyRun, AnyOne, Class, Literal } kind = Literal;
    char32_t c = 0;
    bool negated = false;
    std::u32string members;  // single characters of a class
    std::u32string ranges;   // pairs: from, to
    bool matches(char32_t x) const {
        if (kind == AnyOne) {
            return true;
        }
        if (kind == Literal) {
            return folded(x) == c;
        }
        const char32_t f = folded(x);
        bool in = members.find(f) != std::u32string::npos;
        for (size_t i = 0; !in && i + 1 < ranges.size(); i += 2) {
            in = (f >= ranges[i] && f <= ranges[i + 1]) || (x >= ranges[i] && x <= ranges[i + 1]);
        }
        return in != negated;
    }
};

std::vector<PatternItem> compilePattern(const std::u32string& p) {
    std::vector<PatternItem> items;
    for (size_t i = 0; i < p.size(); ++i) {
        PatternItem item;
        if (p[i] == U'%') {
            item.kind = PatternItem::AnyRun;
        } else if (p[i] == U'_') {
            item.kind = PatternItem::AnyOne;
        } else if (p[i] == U'[' && p.find(U']', i + 1) != std::u32string::npos) {
            const size_t end = p.find(U']', i + 1);
            item.kind = PatternItem::Class;
            size_t j = i + 1;
            if (j < end && p[j] == U'^') {
                item.negated = true;
                ++j;
            }
            for (; j < end; ++j) {
                if (j + 2 < end && p[j + 1] == U'-') {
                    item.ranges.push_back(folded(p[j]));
                    item.ranges.push_back(folded(p[j + 2]));
                    j += 2;
                } else {
                    item.members.push_back(folded(p[j]));
                }
            }
            i = end;
        } else {
            item.c = folded(p[i]);
        }
        items.push_back(std::move(item));
    }
    return items;
}

// Wildcard matching with one point of return for the last %: linear for patterns without %,
// at worst the text's length times the pattern's.
bool likeMatches(const std::vector<PatternItem>& pattern, const std::u32string& text) {
    size_t p = 0;
    size_t t = 0;
    size_t starP = std::string::npos;
    size_t starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p].kind == PatternItem::AnyRun) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && pattern[p].matches(text[t])) {
            ++p;
            ++t;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p].kind == PatternItem::AnyRun) {
        ++p;
    }
    return p == pattern.size();
}

// like(pattern, text): SQLite calls it for "text LIKE pattern".
void like(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::u32string pattern = textOf(argv[0]).toStdU32String();
    const std::u32string text = textOf(argv[1]).toStdU32String();
    sqlite3_result_int(ctx, likeMatches(compilePattern(pattern), text) ? 1 : 0);
}

void changeCase(sqlite3_context* ctx, sqlite3_value* v, bool upper) {
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray text = (upper ? textOf(v).toUpper() : textOf(v).toLower()).toUtf8();
    sqlite3_result_text(ctx, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void upperFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    changeCase(ctx, argv[0], true);
}
void lowerFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    changeCase(ctx, argv[0], false);
}

// The collation of the database's text columns; SQLite hands over the sizes first.
int compareIgnoringCase(void*, int leftSize, const void* left, int rightSize, const void* right) {
    return compareTextIgnoringCase(static_cast<const char*>(left), leftSize,
                                   static_cast<const char*>(right), rightSize);
}

}  // namespace

void registerSqlFunctions(sqlite3* db) {
    sqlite3_create_collation_v2(db, kTextCollation, SQLITE_UTF8, nullptr, compareIgnoringCase,
                                nullptr);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, kArithmeticFunction, -1, flags, nullptr, arithmetic, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 2, flags, nullptr, like, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "upper", 1, flags, nullptr, upperFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "lower", 1, flags, nullptr, lowerFunction, nullptr, nullptr,
                               nullptr);
}

}  // namespace zev::server
