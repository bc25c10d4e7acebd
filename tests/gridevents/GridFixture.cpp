#include "tests/gridevents/GridFixture.h"

#include <QTest>

namespace zev::testing {

namespace {

MemoryDataset* listDataset(QObject* parent, const QString& key, const QString& shown,
                           const std::vector<std::pair<int, QString>>& entries) {
    auto* list = new MemoryDataset(parent);
    list->rows.columns = {{key, ColumnType::Integer}, {shown, ColumnType::Text}};
    for (const auto& [id, text] : entries) {
        list->rows.cells.emplace_back(std::int64_t{id});
        list->rows.cells.emplace_back(text);
    }
    list->setFieldDefs({FieldDef{key, FieldType::Integer}, FieldDef{shown, FieldType::String, 50}});
    return list;
}

FieldDef lookupDef(const QString& name, MemoryDataset* list, const QString& key,
                   const QString& shown) {
    FieldDef def{name, FieldType::String, 50};
    def.lookupDataset = list;
    def.keyFields = key;
    def.lookupKeyFields = key;
    def.lookupResultField = shown;
    return def;
}

GridFont msSansSerif(TColor color, bool bold = false) {
    GridFont font;
    font.font.setBold(bold);
    font.color = color;
    return font;
}

}  // namespace

void GridFixture::SetUp() {
    Notices::install(&notices);
    Clipboard::install(&clipboard);
    window = std::make_unique<QWidget>();

    disciplines = listDataset(window.get(), QStringLiteral("id_discipline"), QStringLiteral("p34"),
                              {{1, QStringLiteral("Алгебра")},
                               {2, QStringLiteral("Физика")},
                               {3, QStringLiteral("Химия")}});
    years = listDataset(window.get(), QStringLiteral("id_a_year"), QStringLiteral("p32"),
                        {{1, QStringLiteral("2025/2026")}, {2, QStringLiteral("2026/2027")}});
    teachers = listDataset(window.get(), QStringLiteral("id_teacher"), QStringLiteral("t_fio"),
                           {{1, QStringLiteral("Иванов")}, {2, QStringLiteral("Петров")}});

    electives = new MemoryDataset(window.get());
    electives->setObjectName(QStringLiteral("electives"));
    electives->rows.columns = {
        {QStringLiteral("id"), ColumnType::Integer},
        {QStringLiteral("descGroupNum"), ColumnType::Integer},
        {QStringLiteral("id_discipline"), ColumnType::Integer},
        {QStringLiteral("id_a_year"), ColumnType::Integer},
        {QStringLiteral("id_semester"), ColumnType::Integer},
        {QStringLiteral("id_teacher"), ColumnType::Integer},
        {QStringLiteral("subgroup"), ColumnType::Integer},
        {QStringLiteral("p34"), ColumnType::Text},
    };
    electives->setFieldDefs({
        FieldDef{QStringLiteral("id"), FieldType::Integer},
        FieldDef{QStringLiteral("descGroupNum"), FieldType::Integer},
        FieldDef{QStringLiteral("id_discipline"), FieldType::Integer},
        FieldDef{QStringLiteral("id_a_year"), FieldType::Integer},
        FieldDef{QStringLiteral("id_semester"), FieldType::Integer},
        FieldDef{QStringLiteral("id_teacher"), FieldType::Integer},
        FieldDef{QStringLiteral("subgroup"), FieldType::Integer},
        FieldDef{QStringLiteral("p34"), FieldType::String, 100},
        lookupDef(QStringLiteral("Discipline"), disciplines, QStringLiteral("id_discipline"),
                  QStringLiteral("p34")),
        lookupDef(QStringLiteral("InsYear"), years, QStringLiteral("id_a_year"),
                  QStringLiteral("p32")),
        lookupDef(QStringLiteral("teacher"), teachers, QStringLiteral("id_teacher"),
                  QStringLiteral("t_fio")),
    });
    // New rows get their key as the server would give it.
    electives->beforePost = [this](Dataset& dataset) {
        Field& id = dataset.fieldByName(QStringLiteral("id"));
        if (id.isNull()) {
            id.setValue(Value{std::int64_t{nextId++}});
        }
    };
    source = new DataSource(electives, window.get());

    grid = new TQFDBGridEh(window.get());
    grid->setDataSource(source);
    grid->addColumn(QStringLiteral("Discipline"), QStringLiteral("Дисциплина"), 130);
    grid->addColumn(QStringLiteral("p34"), QStringLiteral("Зафиксированная дисциплина"), 90)
        .visible = false;
    grid->addColumn(QStringLiteral("InsYear"), QStringLiteral("На год"), 90);
    grid->addColumn(QStringLiteral("id_semester"), QStringLiteral("На семестер"), 80);
    grid->addColumn(QStringLiteral("teacher"), QStringLiteral("Преподаватель"), 90);
    grid->addColumn(QStringLiteral("subgroup"), QStringLiteral("Поток"), 60);
    grid->setOptions(GridOption::Editing | GridOption::Titles | GridOption::Indicator |
                     GridOption::ColLines | GridOption::RowLines | GridOption::Tabs |
                     GridOption::ConfirmDelete | GridOption::CancelOnExit |
                     GridOption::MultiSelect);
    grid->setOptionsEh(GridOptionEh::Fixed3D | GridOptionEh::HighlightFocus |
                       GridOptionEh::RowHighlight);
    grid->setGeometry(0, 0, 640, 260);

    events = new TQFDBGridEvents(window.get());
    TQFDBAttributes& attrs = events->QFDBAttributes();
    attrs.SelAttr().setColor(rgbColor(164, 209, 255));
    attrs.SelAttr().setFont(msSansSerif(clBlack));
    attrs.AfterPasteAttr().setFont(msSansSerif(clWindowText));
    attrs.DuplicateAttr().setFont(msSansSerif(clWindowText));
    attrs.ErrorAttr().setFont(msSansSerif(clWindowText));
    attrs.FocusedAttr().setColor(rgbColor(130, 192, 255));
    attrs.FocusedAttr().setFont(msSansSerif(clBlack));
    attrs.FixedAttr().setSelFont(msSansSerif(clWindowText, true));
    events->setDBGridEh(grid);
    events->setUniqueField(electives->findField(QStringLiteral("id")));
    events->DuplicateFields().append(electives->findField(QStringLiteral("descGroupNum")));
    events->setEditActions(geaCutEh | geaCopyEh | geaPasteEh | geaDeleteEh | geaSelectAllEh);
    events->OnQFDBEGridError = [this](TQFDBGridEvents&, quint16 code) { codes.push_back(code); };
    window->resize(660, 280);
}

void GridFixture::TearDown() {
    window.reset();
    Clipboard::install(nullptr);
    Notices::install(nullptr);
}

void GridFixture::addRow(int id, int descGroupNum, int discipline, int year, int semester,
                         int teacher, int subgroup) {
    for (int v : {id, descGroupNum, discipline, year, semester, teacher, subgroup}) {
        electives->rows.cells.emplace_back(std::int64_t{v});
    }
    electives->rows.cells.emplace_back(QStringLiteral("fixed %1").arg(id));
}

void GridFixture::openAndShow() {
    events->setActive(true);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents();
}

void GridFixture::gotoRec(int recNo) {
    electives->setRecNo(recNo);
}

void GridFixture::selectRec(int recNo) {
    gotoRec(recNo);
    grid->selectedRows().add(electives->bookmark());
}

int GridFixture::recOfId(int id) {
    for (int rec = 1; rec <= electives->recordCount(); ++rec) {
        Dataset::DisplayRow row(*electives, rec - 1);
        if (electives->fieldByName(QStringLiteral("id")).text() == QString::number(id)) {
            return rec;
        }
    }
    return 0;
}

std::vector<int> GridFixture::ids() {
    std::vector<int> result;
    for (int rec = 1; rec <= electives->recordCount(); ++rec) {
        Dataset::DisplayRow row(*electives, rec - 1);
        result.push_back(electives->fieldByName(QStringLiteral("id")).text().toInt());
    }
    return result;
}

void GridFixture::press(int qtKey, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(grid, static_cast<Qt::Key>(qtKey), modifiers);
    QCoreApplication::processEvents();
}

QImage GridFixture::grabViewport() {
    grid->viewport()->update();
    QCoreApplication::processEvents();
    return grid->viewport()->grab().toImage();
}

QColor GridFixture::cellBackground(const QImage& image, int row, int dataCol) {
    const QRect cell = grid->cellRect(row, dataCol);
    return image.pixelColor(cell.right() - 4, cell.center().y());
}

}  // namespace zev::testing
