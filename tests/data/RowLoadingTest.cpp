// Opening a dataset through a driver that hands its rows over cell by cell: the same fields and
// values as through a driver that answers snapshots, conversions where a field's type differs
// from the server's, and the error of a cell that does not convert.
#include "FakeDrivers.h"
#include "QtPrinting.h"
#include "data/Dataset.h"

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

// Hands the fake server's results to the sink as a narrow-character driver would: texts as
// UTF-8 bytes, everything else cell by cell.
class StreamingDriver : public FakeDriver {
public:
    using FakeDriver::FakeDriver;
    void queryInto(const QString& sql, const std::vector<Value>& args, RowSink& sink) override {
        ++streamed;
        const ResultSet result = query(sql, args);
        sink.begin(result.columns, -1);
        for (int r = 0; r < result.rowCount(); ++r) {
            sink.beginRow();
            for (int c = 0; c < result.columnCount(); ++c) {
                const Value& v = result.at(r, c);
                if (std::holds_alternative<QString>(v)) {
                    const QByteArray bytes = std::get<QString>(v).toUtf8();
                    sink.addUtf8(bytes.constData(), bytes.size());
                } else {
                    sink.addValue(v);
                }
            }
        }
        sink.end();
    }
    int streamed = 0;
};

// Hands each row over whole, as the embedded server's driver does: texts as
// UTF-8 bytes and UTF-16 by turns, and a row count it merely expects (two rows).
class WholeRowDriver : public FakeDriver {
public:
    using FakeDriver::FakeDriver;
    void queryInto(const QString& sql, const std::vector<Value>& args, RowSink& sink) override {
        const ResultSet result = query(sql, args);
        sink.begin(result.columns, 2);
        std::vector<RowCell> row(static_cast<size_t>(result.columnCount()));
        std::vector<QByteArray> bytes(row.size());
        for (int r = 0; r < result.rowCount(); ++r) {
            for (int c = 0; c < result.columnCount(); ++c) {
                const Value& v = result.at(r, c);
                RowCell& cell = row[static_cast<size_t>(c)];
                if (std::holds_alternative<std::int64_t>(v)) {
                    cell.kind = RowCell::Kind::Integer;
                    cell.integer = std::get<std::int64_t>(v);
                } else if (std::holds_alternative<double>(v)) {
                    cell.kind = RowCell::Kind::Float;
                    cell.real = std::get<double>(v);
                } else if (std::holds_alternative<QString>(v) && (r + c) % 2 == 0) {
                    bytes[static_cast<size_t>(c)] = std::get<QString>(v).toUtf8();
                    cell.kind = RowCell::Kind::Utf8;
                    cell.utf8 = bytes[static_cast<size_t>(c)].constData();
                    cell.size = bytes[static_cast<size_t>(c)].size();
                } else if (std::holds_alternative<QString>(v)) {
                    const auto& text = std::get<QString>(v);
                    cell.kind = RowCell::Kind::Utf16;
                    cell.utf16 = text.constData();
                    cell.size = text.size();
                } else {
                    cell.kind = RowCell::Kind::Null;
                }
            }
            sink.addRow(row.data(), result.columnCount());
        }
        sink.end();
    }
};

const QString kSql = QStringLiteral("SELECT * FROM t");

ResultSet sampleRows() {
    return table({{QStringLiteral("id"), ColumnType::Integer},
                  {QStringLiteral("name"), ColumnType::Text},
                  {QStringLiteral("mark"), ColumnType::Float},
                  {QStringLiteral("code"), ColumnType::Text}},
                 {{I(1), S("Иванов Иван Иванович"), Value{4.5}, S("42")},
                  {I(2), S("Petrov"), Value{}, S("7")},
                  {I(3), S(""), Value{3.0}, Value{}},
                  {Value{}, S("Сидорова-Smith Анна"), Value{5.0}, S("-3")}});
}

// Every field's value of every row, as text with the field's name.
std::vector<QString> contents(Dataset& d) {
    std::vector<QString> out;
    for (d.first(); !d.eof(); d.next()) {
        for (Field* f : d.fields()) {
            out.push_back(f->fieldName() + u'=' +
                          (f->isNull() ? QStringLiteral("<null>") : f->text()));
        }
    }
    return out;
}

class RowLoading : public ::testing::Test {
protected:
    void SetUp() override {
        server = std::make_shared<FakeServer>();
        server->results[kSql] = sampleRows();
        auto driver = std::make_unique<StreamingDriver>(server);
        streaming = driver.get();
        streamed.openWithDriver(std::move(driver));
        snapshot.openWithDriver(std::make_unique<FakeDriver>(server));
    }

    std::unique_ptr<Query> queryOn(Connection& c) {
        auto q = std::make_unique<Query>(&c);
        q->setObjectName(QStringLiteral("ADOQ_t"));
        q->setSQL(kSql);
        return q;
    }

    std::shared_ptr<FakeServer> server;
    StreamingDriver* streaming = nullptr;
    Connection streamed;
    Connection snapshot;
};

TEST_F(RowLoading, StreamedRowsGiveTheSameFieldsAndValuesAsASnapshot) {
    auto a = queryOn(streamed);
    auto b = queryOn(snapshot);
    a->open();
    b->open();
    EXPECT_EQ(streaming->streamed, 1);
    ASSERT_EQ(a->fields().size(), 4u);
    for (size_t i = 0; i < a->fields().size(); ++i) {
        EXPECT_EQ(a->fields()[i]->fieldName(), b->fields()[i]->fieldName());
        EXPECT_EQ(a->fields()[i]->dataType(), b->fields()[i]->dataType());
        EXPECT_EQ(a->fields()[i]->size(), b->fields()[i]->size());
    }
    EXPECT_EQ(a->fieldByName(QStringLiteral("name")).dataType(), FieldType::WideString);
    EXPECT_EQ(a->fieldByName(QStringLiteral("name")).size(), 20);  // no text is longer
    EXPECT_EQ(a->fieldByName(QStringLiteral("mark")).dataType(), FieldType::Float);
    const std::vector<QString> expected = contents(*b);
    EXPECT_EQ(contents(*a), expected);
    EXPECT_EQ(expected[1], QStringLiteral("name=Иванов Иван Иванович"));
    EXPECT_EQ(expected[13], QStringLiteral("name=Сидорова-Smith Анна"));
    EXPECT_EQ(expected[9], QStringLiteral("name="));
    EXPECT_EQ(expected[12], QStringLiteral("id=<null>"));
}

TEST_F(RowLoading, RowsHandedOverWholeGiveWhatCellByCellGives) {
    // A thousand rows where two were expected: the column store grows past its first room.
    ResultSet many = sampleRows();
    for (int copy = 0; copy < 250; ++copy) {
        for (int c = 0; c < 4 * many.columnCount(); ++c) {
            many.cells.push_back(many.cells[static_cast<size_t>(c)]);
        }
    }
    server->results[kSql] = many;
    Connection whole;
    whole.openWithDriver(std::make_unique<WholeRowDriver>(server));
    auto a = queryOn(whole);
    auto b = queryOn(streamed);
    a->open();
    b->open();
    EXPECT_EQ(a->recordCount(), 1004);
    EXPECT_EQ(contents(*a), contents(*b));
    EXPECT_EQ(a->fieldByName(QStringLiteral("name")).size(), 20);
    // Declared fields of other types convert the cells as they do one by one.
    const std::vector<FieldDef> declared = {
        FieldDef{.name = QStringLiteral("CODE"), .type = FieldType::Integer},
        FieldDef{.name = QStringLiteral("id"), .type = FieldType::WideString},
        FieldDef{.name = QStringLiteral("mark"), .type = FieldType::Float}};
    a->close();
    b->close();
    a->setFieldDefs(declared);
    b->setFieldDefs(declared);
    a->open();
    b->open();
    EXPECT_EQ(contents(*a), contents(*b));
    a->last();
    EXPECT_EQ(a->fieldByName(QStringLiteral("code")).value(), Value{std::int64_t{-3}});
    EXPECT_TRUE(a->fieldByName(QStringLiteral("id")).isNull());
}

TEST_F(RowLoading, ATextFieldIsAsWideAsTheLongestTextRead) {
    server->results[kSql] = table({{QStringLiteral("t"), ColumnType::Text}},
                                  {{S("короткий")}, {S("Очень длинное название кафедры")}});
    auto q = queryOn(streamed);
    q->open();
    EXPECT_EQ(q->fieldByName(QStringLiteral("t")).size(), 30);
}

TEST_F(RowLoading, DeclaredFieldsTakeTheirColumnsByNameConvertedToTheFieldsTypes) {
    auto q = queryOn(streamed);
    q->setFieldDefs({FieldDef{.name = QStringLiteral("CODE"), .type = FieldType::Integer},
                     FieldDef{.name = QStringLiteral("id"), .type = FieldType::WideString},
                     FieldDef{.name = QStringLiteral("mark"), .type = FieldType::Float}});
    q->open();
    ASSERT_EQ(q->recordCount(), 4);
    EXPECT_EQ(q->fieldByName(QStringLiteral("code")).value(), Value{std::int64_t{42}});
    EXPECT_EQ(q->fieldByName(QStringLiteral("id")).value(), Value{QStringLiteral("1")});
    EXPECT_EQ(q->fieldByName(QStringLiteral("mark")).value(), Value{4.5});
    q->last();
    EXPECT_EQ(q->fieldByName(QStringLiteral("code")).value(), Value{std::int64_t{-3}});
    EXPECT_TRUE(q->fieldByName(QStringLiteral("id")).isNull());
}

TEST_F(RowLoading, ACellThatDoesNotConvertFailsTheOpenAndLeavesTheDatasetClosed) {
    auto q = queryOn(streamed);
    q->setFieldDefs({FieldDef{.name = QStringLiteral("name"), .type = FieldType::Integer}});
    try {
        q->open();
        FAIL() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("ADOQ_t: Type mismatch for field 'name': "
                                           "'Иванов Иван Иванович' cannot be read"));
    }
    EXPECT_FALSE(q->isOpen());
    EXPECT_EQ(q->recordCount(), 0);
    // The same dataset opens again once its fields fit.
    q->setFieldDefs({FieldDef{.name = QStringLiteral("id"), .type = FieldType::Integer}});
    q->open();
    EXPECT_EQ(q->recordCount(), 4);
}

TEST_F(RowLoading, AMissingDeclaredColumnIsNamed) {
    auto q = queryOn(streamed);
    q->setFieldDefs({FieldDef{.name = QStringLiteral("nothere"), .type = FieldType::Integer}});
    try {
        q->open();
        FAIL() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("ADOQ_t: Field 'nothere' not found"));
    }
    EXPECT_FALSE(q->isOpen());
}

TEST_F(RowLoading, AColumnOfUnknownTypeTakesTheTypeOfItsValues) {
    server->results[kSql] = table({{QStringLiteral("a"), ColumnType::Unknown},
                                   {QStringLiteral("b"), ColumnType::Unknown},
                                   {QStringLiteral("c"), ColumnType::Unknown}},
                                  {{Value{}, I(1), I(1)}, {S("x"), I(2), Value{2.5}}});
    auto q = queryOn(streamed);
    q->open();
    EXPECT_EQ(q->fieldByName(QStringLiteral("a")).dataType(), FieldType::WideString);
    EXPECT_EQ(q->fieldByName(QStringLiteral("b")).dataType(), FieldType::Integer);
    EXPECT_EQ(q->fieldByName(QStringLiteral("c")).dataType(), FieldType::Float);
    q->last();
    EXPECT_EQ(q->fieldByName(QStringLiteral("a")).value(), Value{QStringLiteral("x")});
    EXPECT_EQ(q->fieldByName(QStringLiteral("c")).value(), Value{2.5});
}

// Columns of unknown type through a driver that hands whole rows: decided as cell by cell decides
// them, whether the first row settles them (a text in each) or not (a null, a number, no rows).
TEST_F(RowLoading, ColumnsOfUnknownTypeInWholeRowsAreDecidedAsCellByCell) {
    const std::vector<ResultColumn> unknown = {{QStringLiteral("a"), ColumnType::Unknown},
                                               {QStringLiteral("b"), ColumnType::Integer},
                                               {QStringLiteral("c"), ColumnType::Unknown}};
    const std::vector<ResultSet> results = {
        table(unknown, {{S("Иванов Иван"), I(1), S("x")},
                        {I(7), I(2), S("очень длинный текст ячейки")},
                        {Value{}, I(3), Value{2.5}}}),
        table(unknown, {{Value{}, I(1), S("x")}, {S("y"), I(2), S("z")}}),
        table(unknown, {{S("x"), I(1), I(4)}, {S("y"), I(2), Value{4.5}}}),
        table(unknown, {}),
    };
    Connection whole;
    whole.openWithDriver(std::make_unique<WholeRowDriver>(server));
    for (const ResultSet& result : results) {
        server->results[kSql] = result;
        auto a = queryOn(whole);
        auto b = queryOn(streamed);
        a->open();
        b->open();
        ASSERT_EQ(a->fields().size(), 3u);
        for (size_t i = 0; i < a->fields().size(); ++i) {
            EXPECT_EQ(a->fields()[i]->dataType(), b->fields()[i]->dataType()) << i;
            EXPECT_EQ(a->fields()[i]->size(), b->fields()[i]->size()) << i;
        }
        EXPECT_EQ(contents(*a), contents(*b));
    }
}

TEST(RowSinkFallback, ASnapshotCollectedBySinkIsTheResultReplayed) {
    const ResultSet original = sampleRows();
    ResultSetSink sink;
    replayResult(original, sink);
    const ResultSet copy = sink.take();
    ASSERT_EQ(copy.columnCount(), original.columnCount());
    ASSERT_EQ(copy.rowCount(), original.rowCount());
    for (int r = 0; r < copy.rowCount(); ++r) {
        for (int c = 0; c < copy.columnCount(); ++c) {
            EXPECT_EQ(copy.at(r, c), original.at(r, c)) << r << "," << c;
        }
    }
    ResultSetSink utf8;
    utf8.begin({{QStringLiteral("t"), ColumnType::Unknown}}, -1);
    utf8.beginRow();
    const QByteArray bytes = QStringLiteral("Семестр").toUtf8();
    utf8.addUtf8(bytes.constData(), bytes.size());
    utf8.end();
    const ResultSet one = utf8.take();
    EXPECT_EQ(one.columns[0].type, ColumnType::Text);
    EXPECT_EQ(one.at(0, 0), Value{QStringLiteral("Семестр")});
}

}  // namespace
}  // namespace zev::testing
