#include "WidgetFixture.h"

#include <QDir>

namespace zev::testing {

namespace {

Value integer(qint64 v) {
    return Value{std::int64_t{v}};
}

void addDiscipline(zev::ResultSet& set, qint64 id, const QString& name, qint64 group) {
    set.cells.push_back(integer(id));
    set.cells.emplace_back(name);
    set.cells.push_back(integer(group));
}

void addRow(zev::ResultSet& set, qint64 id, qint64 discipline, const QString& note, qint64 hours) {
    set.cells.push_back(integer(id));
    set.cells.push_back(integer(discipline));
    set.cells.emplace_back(note);
    set.cells.push_back(integer(hours));
}

}  // namespace

void WidgetFixture::SetUp() {
    zev::Notices::install(&notices);
    window = std::make_unique<QWidget>();
    window->resize(640, 320);

    disciplines = new MemoryDataset(window.get());
    disciplines->rows.columns = {{QStringLiteral("id_discipline"), zev::ColumnType::Integer},
                                 {QStringLiteral("p34"), zev::ColumnType::Text},
                                 {QStringLiteral("descGroupNum"), zev::ColumnType::Integer}};
    addDiscipline(disciplines->rows, 1, QStringLiteral("Физика"), 1);
    addDiscipline(disciplines->rows, 2, QStringLiteral("Алгебра"), 1);
    addDiscipline(disciplines->rows, 3, QStringLiteral("История"), 2);
    addDiscipline(disciplines->rows, 4, QStringLiteral("Биология"), 1);
    addDiscipline(disciplines->rows, 5, QStringLiteral("Право"), 2);

    rows = new MemoryDataset(window.get());
    rows->rows.columns = {{QStringLiteral("id"), zev::ColumnType::Integer},
                          {QStringLiteral("id_discipline"), zev::ColumnType::Integer},
                          {QStringLiteral("note"), zev::ColumnType::Text},
                          {QStringLiteral("hours"), zev::ColumnType::Integer}};
    addRow(rows->rows, 10, 1, QStringLiteral("first"), 36);
    addRow(rows->rows, 11, 3, QStringLiteral("second"), 72);
    addRow(rows->rows, 12, 2, QStringLiteral("third"), 54);

    FieldDef lookup;
    lookup.name = QStringLiteral("Discipline");
    lookup.type = FieldType::String;
    lookup.size = 100;
    lookup.lookupDataset = disciplines;
    lookup.keyFields = QStringLiteral("id_discipline");
    lookup.lookupKeyFields = QStringLiteral("id_discipline");
    lookup.lookupResultField = QStringLiteral("p34");
    rows->setFieldDefs({FieldDef{QStringLiteral("id"), FieldType::Integer},
                        FieldDef{QStringLiteral("id_discipline"), FieldType::Integer},
                        FieldDef{QStringLiteral("note"), FieldType::String, 40},
                        FieldDef{QStringLiteral("hours"), FieldType::Integer}, lookup});

    disciplineSource = new zev::DataSource(disciplines, window.get());
    rowSource = new zev::DataSource(rows, window.get());
}

void WidgetFixture::TearDown() {
    window.reset();
    zev::Notices::install(nullptr);
}

void WidgetFixture::keepSnapshot(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("ZEV_SNAPSHOT_DIR");
    if (!dir.isEmpty()) {
        image.save(QDir(dir).filePath(name + QStringLiteral(".png")));
    }
}

Value WidgetFixture::valueAt(zev::Dataset& dataset, int recNo, const QString& field) {
    zev::Dataset::DisplayRow display(dataset, recNo - 1);
    return dataset.fieldByName(field).value();
}

}  // namespace zev::testing
