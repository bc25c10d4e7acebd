#pragma once

#include "core/Errors.h"
#include "core/ResultSet.h"
#include "core/RowSink.h"
#include "core/Value.h"
#include "data/ColumnStore.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zev {

class Connection;
class Dataset;

// Field types of the datasets. String holds single-byte Windows-1251 characters, WideString
// UTF-16 characters; Word is unsigned 16-bit; AutoInc is a read-only integer set by the server.
enum class FieldType { Integer, Word, AutoInc, String, WideString, Float };

// The declaration of one field, given while the dataset is closed.
struct FieldDef {
    QString name;
    FieldType type = FieldType::Integer;
    int size = 0;  // characters of a string field; 0 means 20
    bool required = false;
    bool readOnly = false;
    int displayWidth = 0;
    std::optional<double> minValue;  // allowed range, checked when a value is assigned
    std::optional<double> maxValue;
    // A field with a lookup dataset is a lookup field: display-only, resolved per row.
    Dataset* lookupDataset = nullptr;
    QString keyFields;          // the owning dataset's key field
    QString lookupKeyFields;    // the key field of the lookup dataset
    QString lookupResultField;  // the field of the lookup dataset whose value is shown
};

// One field of a dataset. Reads and writes go to the dataset's active record: the current row,
// its edit buffer while editing or inserting, or the row that a view is painting (DisplayRow).
class Field : public QObject {
    Q_OBJECT
public:
    Field(Dataset& dataset, FieldDef def, int index);
    ~Field() override;

    const QString& fieldName() const { return def_.name; }
    FieldType dataType() const { return def_.type; }
    int size() const;
    bool required() const { return def_.required; }
    bool readOnly() const { return def_.readOnly || def_.type == FieldType::AutoInc || isLookup(); }
    int displayWidth() const { return def_.displayWidth; }
    bool isStringType() const;
    bool isLookup() const { return def_.lookupDataset != nullptr; }
    const QString& keyFields() const { return def_.keyFields; }
    Dataset* lookupDataset() const { return def_.lookupDataset; }
    const QString& lookupKeyFields() const { return def_.lookupKeyFields; }
    const QString& lookupResultField() const { return def_.lookupResultField; }
    const FieldDef& definition() const { return def_; }
    Dataset& dataset() const { return dataset_; }
    int index() const { return index_; }

    // Value of the active record; for a lookup field the looked-up value (Null when no match).
    Value value() const;
    // The value as read from the server for the row in edit (Null for a row being inserted);
    // outside editing the same as value(). Lookup fields answer their looked-up value.
    Value oldValue() const;
    // Text value: empty for Null, decimal digits for an integer.
    QString text() const;
    bool isNull() const;

    // Assignment converts to the field's type. Requires the dataset in edit or insert state.
    // Throws Error: read-only field, a value that does not convert, a value outside the range
    // ("%g is not a valid value for field '%s'. The allowed range is %g to %g").
    // An empty text assigned to a non-string field makes it Null.
    void setValue(const Value& value);
    void setText(const QString& text);
    void clear();

private:
    Dataset& dataset_;
    FieldDef def_;
    int index_;
};

enum class DatasetState { Inactive, Browse, Edit, Insert };

// What the post-error hook decides.
enum class PostErrorAction { Fail, Abort, Retry };

// A client-side dataset: opening fetches the whole result into memory; the rows can then be
// navigated, filtered, searched, sorted and edited, and posted rows are written back at once.
// Row positions of views ("view rows") are 0-based positions in the filtered, sorted view;
// recNo() is 1-based.
class Dataset : public QObject {
    Q_OBJECT
public:
    using Bookmark = QByteArray;  // valid within one open, across filter and sort changes

    explicit Dataset(Connection* connection, QObject* parent = nullptr);
    ~Dataset() override;

    Connection* connection() const { return connection_; }
    void setConnection(Connection* connection) { connection_ = connection; }

    // --- fields
    // Declares the fields (only while closed). A dataset with declared fields exposes exactly
    // those; one without exposes every result column under its name and type after opening.
    void setFieldDefs(const std::vector<FieldDef>& defs);
    const std::vector<Field*>& fields() const;
    Field* findField(const QString& name) const;    // letter case ignored; nullptr when none
    Field& fieldByName(const QString& name) const;  // throws Error "Field 'x' not found"

    // --- open and close
    void open();  // opens closed lookup datasets first; after opening the first row is current
    void close();
    void setActive(bool active);
    bool isOpen() const;
    DatasetState state() const;

    // --- navigation over the filtered, sorted view
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const;  // 1-based; 0 when there is no row
    void setRecNo(int recNo);
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;  // a move went past the last row (or the view is empty)
    bool bof() const;  // a move went before the first row (or the view is empty)

    Bookmark bookmark() const;  // of the current row; empty when none
    // The bookmark of a view row, without moving (views mark rows by it); empty when none.
    Bookmark bookmarkAt(int viewRow) const;
    bool bookmarkValid(const Bookmark& bookmark) const;  // a row of this open in the view
    void gotoBookmark(const Bookmark& bookmark);         // throws Error when not valid

    // --- filter: "field op literal" comparisons joined by and/or, with not and parentheses.
    // setFilter compiles the text at once; a malformed text throws Error and the old filter stays.
    void setFilter(const QString& filterText);
    const QString& filter() const;
    void setFiltered(bool filtered);
    bool filtered() const;

    // --- search
    // Exact match among the rows of the view; makes the row current. False when none.
    bool locate(const QString& fieldName, const Value& value);
    // A field of the row whose key field equals key, searching every fetched row whatever the
    // filter, without moving. Null when none matches.
    Value lookup(const QString& keyField, const Value& key, const QString& resultField) const;
    // The values of these fields in every row of the view, in view order, as a store of their
    // own with one column per field in the order given: a copy that outlives the next close or
    // open. Stored cells are copied as they are kept, without a value object per cell; the row
    // in edit gives its edited values and a lookup field its looked-up value, as the field reads
    // them. Throws Error for an unknown field.
    ColumnStore copyOfView(const QStringList& fieldNames) const;

    // Client-side order of the view by one field, ascending; empty text restores fetched order.
    void setSort(const QString& fieldName);
    const QString& sort() const;

    // --- editing
    void edit();
    void insert();  // a new row before the current one
    void append();  // a new row at the end
    void post();
    void cancel();
    void remove();  // deletes the current row (Delete)
    bool modified() const;

    // Base table and key for writing posted rows back. Without one, posts change only the
    // fetched rows in memory and nothing is sent to the server.
    void setUpdateTable(const QString& table, const QString& keyField);
    // Limits the written columns to these (the others are only read); empty: every data field.
    void setUpdateColumns(const QStringList& columns);

    // --- record hooks. A hook may throw Abort to cancel its operation silently.
    std::function<void(Dataset&)> beforeInsert;
    std::function<void(Dataset&)> beforePost;
    std::function<void(Dataset&)> afterPost;
    std::function<void(Dataset&)> beforeDelete;
    std::function<void(Dataset&)> afterScroll;  // after every change of the current row
    std::function<PostErrorAction(Dataset&, const Error&)> onPostError;

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // --- display updates: nestable; views are not told of changes while any is open, and get
    // one datasetReset when the last one closes.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

    // Makes a view row the active record for field reads, without moving the current row and
    // without any event; restores the previous active record when it ends.
    class DisplayRow {
    public:
        DisplayRow(const Dataset& dataset, int viewRow);
        ~DisplayRow();
        DisplayRow(const DisplayRow&) = delete;
        DisplayRow& operator=(const DisplayRow&) = delete;

    private:
        const Dataset& dataset_;
        int previous_;
    };

Q_SIGNALS:
    void datasetReset();                  // opened, closed, reloaded, filter or sort changed
    void rowChanged(int viewRow);         // the values shown for a row changed
    void currentRowChanged(int viewRow);  // the current row moved
    void stateChanged();                  // browse, edit, insert or inactive

protected:
    // Fetches the rows; a query runs its statement, a table reads its table.
    virtual ResultSet fetch() = 0;
    // Fetches the rows into the sink as the driver reads them; opening uses this. The default
    // replays fetch()'s snapshot.
    virtual void fetchInto(RowSink& sink) { replayResult(fetch(), sink); }

private:
    friend class Field;
    struct Impl;
    std::unique_ptr<Impl> d;
    Connection* connection_;
    int tag_ = 0;
};

// A statement parameter. A typed parameter holds a nullable signed 32-bit integer (a text
// assigned to it is converted, a bad one throws Error); an untyped one takes the type of the
// value assigned to it. Null until set.
class Parameter {
public:
    Parameter(QString name, bool typed) : name_(std::move(name)), typed_(typed) {}
    const QString& name() const { return name_; }
    bool typed() const { return typed_; }
    const Value& value() const { return value_; }
    void setValue(const Value& value);
    void clear() { value_ = Value{}; }

private:
    QString name_;
    bool typed_;
    Value value_;
};

// A dataset over a statement with ":name" parameters (ADOQ_...).
class Query : public Dataset {
    Q_OBJECT
public:
    explicit Query(Connection* connection, QObject* parent = nullptr);
    ~Query() override;

    // Replacing the statement closes the dataset and rebuilds the parameters from its markers
    // (all Null and untyped, except those declared typed with declareTypedParam).
    void setSQL(const QString& sql);
    const QString& sql() const { return sql_; }
    void declareTypedParam(const QString& name);
    Parameter& paramByName(const QString& name);  // letter case ignored; throws Error if unknown
    const std::vector<Parameter>& params() const { return params_; }

    // Runs the statement without a result (the statement runner); answers rows affected.
    qint64 execSQL();

protected:
    ResultSet fetch() override;
    void fetchInto(RowSink& sink) override;

private:
    QString sql_;
    std::vector<Parameter> params_;
    std::vector<QString> typedNames_;
};

// A dataset over a whole table (ADOT_...).
class Table : public Dataset {
    Q_OBJECT
public:
    explicit Table(Connection* connection, QObject* parent = nullptr);
    void setTableName(const QString& table) { table_ = table; }
    const QString& tableName() const { return table_; }

protected:
    ResultSet fetch() override;
    void fetchInto(RowSink& sink) override;

private:
    QString table_;
};

// Presents a dataset to data-aware views (DS_...).
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(Dataset* dataset = nullptr, QObject* parent = nullptr)
        : QObject(parent), dataset_(dataset) {}
    Dataset* dataSet() const { return dataset_; }
    void setDataSet(Dataset* dataset) {
        dataset_ = dataset;
        Q_EMIT dataSetChanged();
    }

Q_SIGNALS:
    void dataSetChanged();

private:
    Dataset* dataset_;
};

}  // namespace zev
