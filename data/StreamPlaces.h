#pragma once

#include "core/Value.h"

#include <QString>

#include <map>
#include <optional>

namespace zev {

class Dataset;
class Query;

// The places of one stream: how many there are (none: unlimited) and how many are taken.
struct StreamPlace {
    std::optional<qint64> capacity;
    qint64 taken = 0;

    bool full() const { return capacity && taken >= *capacity; }
};

// The places of the streams of one discipline, teacher, academic year and half-year, by stream
// number, as the server's GetStreamPlaces answers them.
class StreamPlaces {
public:
    // Reads the rows of an open dataset with the columns subgroup, capacity and taken.
    static StreamPlaces fromRows(Dataset& rows);

    // The stream's places; unlimited and empty for a number the server did not list.
    StreamPlace of(const Value& stream) const;
    bool isEmpty() const { return byNumber_.empty(); }
    void add(qint64 stream, const StreamPlace& place) { byNumber_[stream] = place; }

private:
    std::map<qint64, StreamPlace> byNumber_;
};

// Opens the places query (GetStreamPlaces) for a discipline, teacher, academic year and half-year
// code, and reads it.
StreamPlaces readStreamPlaces(Query& places, const Value& discipline, const Value& teacher,
                              const Value& year, const Value& idWs);

// The stream as its drop-down lists it: the number with the places taken and the capacity,
// "201 (12/25)", or "201 (12/∞)" for an unlimited stream.
QString streamListText(const QString& number, const StreamPlace& place);

// What a member of staff is told when choosing a stream whose places are all taken.
QString fullStreamNotice(const QString& number, const StreamPlace& place);

}  // namespace zev
