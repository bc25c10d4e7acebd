#include "data/FieldValues.h"

#include "core/Cp1251.h"
#include "core/Errors.h"

#include <cmath>
#include <limits>

namespace zev {

namespace {

constexpr int kDefaultStringSize = 20;

QString formatG(double v) {
    return QString::asprintf("%g", v);
}

[[noreturn]] void throwRange(const FieldDef& def, double v, double lo, double hi) {
    throw Error(
        QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
            .arg(formatG(v), def.name, formatG(lo), formatG(hi)));
}

[[noreturn]] void throwNotInteger(const QString& text) {
    throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

// A value as a whole number, or an error naming its text.
std::int64_t toInteger(const Value& value) {
    switch (value.index()) {
        case 1:
            return std::get<std::int64_t>(value);
        case 2: {
            const double d = std::get<double>(value);
            if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e18) {
                throwNotInteger(valueText(value));
            }
            return static_cast<std::int64_t>(d);
        }
        default: {
            const QString text = valueText(value).trimmed();
            bool ok = false;
            const qlonglong n = text.toLongLong(&ok);
            if (!ok) {
                throwNotInteger(valueText(value));
            }
            return n;
        }
    }
}

double toFloat(const Value& value) {
    switch (value.index()) {
        case 1:
            return static_cast<double>(std::get<std::int64_t>(value));
        case 2:
            return std::get<double>(value);
        default: {
            bool ok = false;
            const double d = valueText(value).trimmed().toDouble(&ok);
            if (!ok) {
                throw Error(QStringLiteral("'%1' is not a valid floating point value")
                                .arg(valueText(value)));
            }
            return d;
        }
    }
}

bool emptyText(const Value& value) {
    return std::holds_alternative<QString>(value) && std::get<QString>(value).trimmed().isEmpty();
}

}  // namespace

ColumnKind columnKindOf(FieldType type) {
    switch (type) {
        case FieldType::String:
        case FieldType::WideString:
            return ColumnKind::Text;
        case FieldType::Float:
            return ColumnKind::Float;
        default:
            return ColumnKind::Int;
    }
}

int fieldSize(const FieldDef& def) {
    return def.size > 0 ? def.size : kDefaultStringSize;
}

Value convertFetched(const FieldDef& def, const Value& value) {
    if (isNull(value)) {
        return value;
    }
    switch (def.type) {
        case FieldType::Integer:
        case FieldType::Word:
        case FieldType::AutoInc:
            return value.index() == 1 ? value : Value{toInteger(value)};
        case FieldType::Float:
            return value.index() == 2 ? value : Value{toFloat(value)};
        case FieldType::String:
        case FieldType::WideString:
            return value.index() == 3 ? value : Value{valueText(value)};
    }
    return value;
}

Value convertForField(const FieldDef& def, const Value& value) {
    if (isNull(value)) {
        return value;
    }
    switch (def.type) {
        case FieldType::Integer:
        case FieldType::Word:
        case FieldType::AutoInc: {
            if (emptyText(value)) {
                return Value{};
            }
            const std::int64_t n = toInteger(value);
            double lo =
                def.type == FieldType::Word ? 0.0 : std::numeric_limits<std::int32_t>::min();
            double hi =
                def.type == FieldType::Word ? 65535.0 : std::numeric_limits<std::int32_t>::max();
            const auto nd = static_cast<double>(n);
            // A declared range narrows the type's own; the message names whichever applies.
            if (def.minValue || def.maxValue) {
                const double dlo = def.minValue.value_or(lo);
                const double dhi = def.maxValue.value_or(hi);
                if (nd < dlo || nd > dhi) {
                    throwRange(def, nd, dlo, dhi);
                }
            }
            if (nd < lo || nd > hi) {
                throwRange(def, nd, lo, hi);
            }
            return Value{n};
        }
        case FieldType::Float: {
            if (emptyText(value)) {
                return Value{};
            }
            const double d = toFloat(value);
            if ((def.minValue || def.maxValue) &&
                (d < def.minValue.value_or(-HUGE_VAL) || d > def.maxValue.value_or(HUGE_VAL))) {
                throwRange(def, d, def.minValue.value_or(-HUGE_VAL),
                           def.maxValue.value_or(HUGE_VAL));
            }
            return Value{d};
        }
        case FieldType::String:
            return Value{toCp1251Repertoire(valueText(value).left(fieldSize(def)))};
        case FieldType::WideString:
            return Value{valueText(value).left(fieldSize(def))};
    }
    return value;
}

}  // namespace zev
