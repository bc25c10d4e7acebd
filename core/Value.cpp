#include "core/Value.h"

#include <cmath>

namespace zev {

QString valueText(const Value& v) {
    switch (v.index()) {
        case 1:
            return QString::number(std::get<std::int64_t>(v));
        case 2: {
            const double d = std::get<double>(v);
            // Whole numbers print without a fraction, as the server's numeric text does.
            if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15) {
                return QString::number(static_cast<std::int64_t>(d));
            }
            return QString::number(d, 'g', 15);
        }
        case 3:
            return std::get<QString>(v);
        default:
            return {};
    }
}

bool valuesEqual(const Value& a, const Value& b) {
    if (isNull(a) || isNull(b)) {
        return isNull(a) && isNull(b);
    }
    const bool aText = std::holds_alternative<QString>(a);
    const bool bText = std::holds_alternative<QString>(b);
    if (aText || bText) {
        return valueText(a) == valueText(b);
    }
    const auto asDouble = [](const Value& v) {
        return v.index() == 1 ? static_cast<double>(std::get<std::int64_t>(v))
                              : std::get<double>(v);
    };
    if (a.index() == 1 && b.index() == 1) {
        return std::get<std::int64_t>(a) == std::get<std::int64_t>(b);
    }
    return asDouble(a) == asDouble(b);
}

}  // namespace zev
