#include "data/StreamPlaces.h"

#include "data/Dataset.h"

namespace zev {

namespace {

std::optional<qint64> number(const Value& value) {
    if (isNull(value)) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 n = valueText(value).toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

}  // namespace

StreamPlaces StreamPlaces::fromRows(Dataset& rows) {
    StreamPlaces places;
    const Field& stream = rows.fieldByName(QStringLiteral("subgroup"));
    const Field& capacity = rows.fieldByName(QStringLiteral("capacity"));
    const Field& taken = rows.fieldByName(QStringLiteral("taken"));
    for (int row = 0; row < rows.recordCount(); ++row) {
        const Dataset::DisplayRow shown(rows, row);
        if (const auto n = number(stream.value())) {
            places.add(*n,
                       StreamPlace{number(capacity.value()), number(taken.value()).value_or(0)});
        }
    }
    return places;
}

StreamPlace StreamPlaces::of(const Value& stream) const {
    const auto n = number(stream);
    if (!n) {
        return {};
    }
    const auto found = byNumber_.find(*n);
    return found == byNumber_.end() ? StreamPlace{} : found->second;
}

StreamPlaces readStreamPlaces(Query& places, const Value& discipline, const Value& teacher,
                              const Value& year, const Value& idWs) {
    places.close();
    places.paramByName(QStringLiteral("id_discipline")).setValue(discipline);
    places.paramByName(QStringLiteral("id_teacher")).setValue(teacher);
    places.paramByName(QStringLiteral("id_a_year")).setValue(year);
    places.paramByName(QStringLiteral("id_w_s")).setValue(idWs);
    places.open();
    return StreamPlaces::fromRows(places);
}

QString streamListText(const QString& number, const StreamPlace& place) {
    return QStringLiteral("%1 (%2/%3)")
        .arg(number, QString::number(place.taken),
             place.capacity ? QString::number(*place.capacity) : QStringLiteral("∞"));
}

QString fullStreamNotice(const QString& number, const StreamPlace& place) {
    return QStringLiteral("Поток %1 заполнен: заняты все места (%2).\rВыберите другой поток.")
        .arg(number, QString::number(place.capacity.value_or(place.taken)));
}

}  // namespace zev
