#pragma once

#include "core/Value.h"
#include "data/ColumnStore.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace zev {

// Where a filter reads a field: a stored column (fast path) or, for a computed field, through
// the dataset (column -1).
struct FilterFieldRef {
    int field = -1;   // -1: no such field
    int column = -1;  // stored column, or -1
    ColumnKind kind = ColumnKind::Int;
};

// A filter text compiled once into a small expression tree and evaluated per row.
// Language: comparisons = <> < > <= >= of a field with a number, a quoted string ('' inside for
// a quote) or NULL, joined by AND and OR, with NOT and parentheses; keywords and field names in
// any letter case; a field name with other characters may stand in [brackets].
class FilterProgram {
public:
    using Resolver = std::function<FilterFieldRef(const QString& name)>;
    using ComputedValue = std::function<Value(int field, int row)>;

    // Throws Error naming what is wrong with the text. An empty text compiles to "every row".
    static std::shared_ptr<const FilterProgram> compile(const QString& text,
                                                        const Resolver& resolve);

    bool matches(const ColumnStore& store, int row, const ComputedValue& computed) const;

    enum class Op { Eq, Ne, Lt, Gt, Le, Ge };
    struct Node {
        enum Kind { Compare, And, Or, Not, True } kind = True;
        Op op = Op::Eq;
        FilterFieldRef ref;
        Value literal;  // Null for a comparison with NULL
        bool literalIsNumber = false;
        double number = 0.0;
        int left = -1;
        int right = -1;
    };

private:
    bool eval(int node, const ColumnStore& store, int row, const ComputedValue& computed) const;
    bool compare(const Node& n, const Value& v) const;
    // Collects the comparisons under a node into numberTests_; false when the node is anything
    // but numeric columns compared with numbers, joined by AND.
    bool collectNumberTests(int node);

    std::vector<Node> nodes_;
    int root_ = -1;
    // The usual filter (keys of a row: numeric columns equal to numbers, joined by AND) is
    // checked by this flat list instead of walking the tree; empty for any other filter.
    struct NumberTest {
        int column = -1;
        ColumnKind kind = ColumnKind::Int;
        Op op = Op::Eq;
        double number = 0.0;
    };
    std::vector<NumberTest> numberTests_;
    friend class FilterParser;
};

}  // namespace zev
