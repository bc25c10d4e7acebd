// The dataset filter language on arbitrary texts: compiling either succeeds or throws Error, and
// a compiled filter evaluates on rows of every column kind, Nulls included.
#include "core/Errors.h"
#include "data/ColumnStore.h"
#include "data/Filter.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

zev::FilterFieldRef resolve(const QString& name) {
    const QString key = name.toLower();
    if (key == u"id") {
        return {0, 0, zev::ColumnKind::Int};
    }
    if (key == u"name") {
        return {1, 1, zev::ColumnKind::Text};
    }
    if (key == u"price") {
        return {2, 2, zev::ColumnKind::Float};
    }
    if (key == u"shown") {  // a computed field, read through the dataset
        return {3, -1, zev::ColumnKind::Text};
    }
    return {};
}

const zev::ColumnStore& rows() {
    static const zev::ColumnStore store = [] {
        zev::ColumnStore s;
        s.reset({zev::ColumnKind::Int, zev::ColumnKind::Text, zev::ColumnKind::Float});
        s.appendRow();  // all Null
        const int row = s.appendRow();
        s.set(row, 0, zev::Value{std::int64_t{42}});
        s.set(row, 1, zev::Value{QStringLiteral("Иванов")});
        s.set(row, 2, zev::Value{2.5});
        const int other = s.appendRow();
        s.set(other, 0, zev::Value{std::int64_t{-7}});
        s.set(other, 1, zev::Value{QStringLiteral("12")});
        return s;
    }();
    return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const auto program = zev::FilterProgram::compile(text, resolve);
        const auto computed = [](int, int row) -> zev::Value {
            if (row == 0) {
                return {};
            }
            return zev::Value{QString::number(row * 10)};
        };
        for (int row = 0; row < rows().rowCount(); ++row) {
            program->matches(rows(), row, computed);
        }
    } catch (const zev::Error&) {
    }
    return 0;
}
