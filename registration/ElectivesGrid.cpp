// The electives grid: its columns, the column rules, the commit hooks that keep a row's
// dependent values consistent, the stream-list filter and the stream button.
#include "data/DataModule.h"
#include "data/ElectivesSql.h"
#include "data/FieldNames.h"
#include "registration/NewStreamDialog.h"
#include "registration/RegistrationWindow.h"
#include "widgets/Fonts.h"
#include "widgets/Notices.h"

namespace zev {

namespace {

constexpr int kStreamColumn = 6;

QString text(const Dataset& dataSet, const QString& field) {
    return dataSet.fieldByName(field).text();
}

void editIfBrowsing(Dataset& dataSet) {
    if (dataSet.state() == DatasetState::Browse) {
        dataSet.edit();
    }
}

DBGridColumnEh& hook(DBGridColumnEh& column, TForm1* form,
                     void (TForm1::*handler)(DBGridColumnEh&, ColumnUpdate&)) {
    column.onUpdateData = [form, handler](DBGridColumnEh& c, ColumnUpdate& u) {
        (form->*handler)(c, u);
    };
    return column;
}

}  // namespace

void TForm1::buildElectivesGrid() {
    QFDBGridEh1 = new TQFDBGridEh(this);
    QFDBGridEh1->setDataSource(dm_.DS_SelectDisciplineForStudent);
    QFDBGridEh1->setAllowedOperations(AllowedOperation::Insert | AllowedOperation::Update |
                                      AllowedOperation::Append);
    QFDBGridEh1->setOptions(GridOption::Editing | GridOption::Titles | GridOption::Indicator |
                            GridOption::ColLines | GridOption::RowLines | GridOption::Tabs |
                            GridOption::ConfirmDelete | GridOption::CancelOnExit |
                            GridOption::MultiSelect);
    QFDBGridEh1->setOptionsEh(GridOptionEh::Fixed3D | GridOptionEh::HighlightFocus |
                              GridOptionEh::ClearSelection | GridOptionEh::RowHighlight |
                              GridOptionEh::DialogFind);
    QFont title = defaultUiFont();
    title.setBold(true);
    QFDBGridEh1->setTitleFont(title);
    QFDBGridEh1->setFont(defaultUiFont());

    hook(QFDBGridEh1->addColumn(QStringLiteral("Discipline"), QStringLiteral("Дисциплина"), 212),
         this, &TForm1::QFDBGridEh1Columns2UpdateData);
    DBGridColumnEh& fixed =
        QFDBGridEh1->addColumn(field::p34, QStringLiteral("Зафиксированная дисциплина"), 152);
    fixed.visible = false;
    fixed.color = QColor(233, 233, 233);
    DBGridColumnEh& year =
        hook(QFDBGridEh1->addColumn(QStringLiteral("InsYear"), QStringLiteral("На год"), 100), this,
             &TForm1::QFDBGridEh1Columns5UpdateData);
    year.dropDownWidth = 100;
    DBGridColumnEh& semester = hook(
        QFDBGridEh1->addColumn(QStringLiteral("InsSemester"), QStringLiteral("На семестер"), 100),
        this, &TForm1::QFDBGridEh1Columns4UpdateData);
    semester.dropDownWidth = 100;
    hook(QFDBGridEh1->addColumn(QStringLiteral("teacher"), QStringLiteral("Преподаватель"), 137),
         this, &TForm1::QFDBGridEh1Columns4UpdateData);
    DBGridColumnEh& stream =
        QFDBGridEh1->addColumn(QStringLiteral("subGr"), QStringLiteral("Поток"), 80);
    stream.minWidth = 80;
    stream.maxWidth = 80;
    stream.alwaysShowEditButton = true;
    stream.dropDownWidth = 120;
    hook(stream, this, &TForm1::QFDBGridEh1Columns6UpdateData);
    // The list tells each stream's places: taken and capacity.
    stream.dropDownTexts = [this](const std::vector<Value>& keys, const QStringList& texts) {
        const StreamPlaces places = currentStreamPlaces();
        QStringList listed;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const QString& number = texts[static_cast<qsizetype>(i)];
            listed << (places.isEmpty() ? number : streamListText(number, places.of(keys[i])));
        }
        return listed;
    };
    stream.onEditButtonClick = [this](DBGridColumnEh&) {
        guarded([this] { QFDBGridEh1Columns5EditButtons0Click(); });
    };
    QFDBGridEh1->addColumn(field::p30, field::p30, 64).visible = false;
    QFDBGridEh1->setAutoFitColWidths(true);

    QFDBGridEh1->onColEnter = [this](DBGridEh&) { guarded([this] { QFDBGridEh1ColEnter(); }); };
    QFDBGridEh1->onColExit = [this](DBGridEh&) { guarded([this] { QFDBGridEh1ColExit(); }); };

    openNewStreamDialog = [this] {
        TForm2 dialog(
            dm_, [this] { ReopenSubGroups(); }, this);
        dialog.exec();
    };
}

void TForm1::configureGridEvents() {
    TQFDBAttributes& a = QFDBGridEvents1->QFDBAttributes();
    const auto attribute = [](TQFDBGridAttr& attr, TColor color, TColor fontColor) {
        GridFont font;
        font.font = defaultUiFont();
        font.color = fontColor;
        attr.setFont(font);
        attr.setColor(color);
    };
    attribute(a.SelAttr(), 16765348, clBlack);
    attribute(a.AfterPasteAttr(), clInfoBk, clWindowText);
    attribute(a.DuplicateAttr(), clGreen, clWindowText);
    attribute(a.ErrorAttr(), clRed, clWindowText);
    attribute(a.FocusedAttr(), 16760962, clBlack);
    GridFont selFont;
    selFont.font = defaultUiFont();
    selFont.font.setBold(true);
    selFont.color = clWindowText;
    a.FixedAttr().setSelFont(selFont);
    a.FixedAttr().setSelColor(clMoneyGreen);

    QFDBGridEvents1->setDBGridEh(QFDBGridEh1);
    QFDBGridEvents1->setUniqueField(
        &dm_.ADOQ_SelectDisciplineForStudent->fieldByName(field::id_disciplineForStudent));
    QFDBGridEvents1->setEditActions(geaDeleteEh);
    QFDBGridEvents1->OnDrawColumnCell = [this](DBGridEh& grid, const QRect& rect, int,
                                               DBGridColumnEh& column, CellStates) {
        paintTeacherName(grid, rect, column);
    };
}

void TForm1::rememberTeacherNames() {
    teacherNames_.remember(*dm_.ADOQ_Teacher, field::id_teacher, field::t_fio);
}

void TForm1::paintTeacherName(DBGridEh& grid, const QRect& rect, const DBGridColumnEh& column) {
    // The teacher lookup resolves only against the current row's department; the other rows'
    // teachers are written from the names read with the full list, in the cell's own colours.
    if (column.fieldName != QStringLiteral("teacher")) {
        return;
    }
    const Field* shown = column.field();
    if (shown == nullptr || !shown->text().isEmpty()) {
        return;
    }
    const QString name = teacherNames_.nameFor(*shown);
    if (name.isEmpty()) {
        return;
    }
    GridCanvas& canvas = grid.canvas();
    const int y = rect.y() + rect.height() / 2 - canvas.textHeight(name) / 2;
    canvas.textRect(rect, rect.left() + 2, y, name);
}

void TForm1::QFDBGridEh1ColExit() {
    QFDBGridEh1->setOptions(QFDBGridEh1->options() &
                            ~(GridOption::Editing | GridOption::AlwaysShowEditor));
}

void TForm1::QFDBGridEh1ColEnter() {
    const DBGridColumnEh* column = QFDBGridEh1->currentColumn();
    const int position = column ? column->index() : 0;
    if (position >= 1) {
        QFDBGridEh1->setOptions(QFDBGridEh1->options() | GridOption::Editing |
                                GridOption::AlwaysShowEditor);
    }
    if (position == kStreamColumn) {
        FilterSubGroups();
    }
}

std::optional<ElectivesSql::StreamKeys> TForm1::streamKeysOfRow() {
    Dataset& row = *dm_.ADOQ_SelectDisciplineForStudent;
    Dataset& disciplines = *dm_.ADOQ_DisciplineForStudent;
    Dataset& semesters = *dm_.ADOQ_Semester2;
    const Value discipline = row.fieldByName(field::id_discipline).value();
    const QString teacher = text(row, field::id_teacher);
    if (valueText(discipline).isEmpty() || teacher.isEmpty() ||
        !disciplines.locate(field::id_discipline, discipline) ||
        !semesters.locate(field::id_semester, row.fieldByName(field::id_semester).value())) {
        return std::nullopt;
    }
    ElectivesSql::StreamKeys keys{
        text(disciplines, field::id_kafedra),
        teacher,
        valueText(discipline),
        text(disciplines, field::id_examination),
        text(row, field::id_a_year),
        text(semesters, field::id_w_s),
    };
    // Every piece may be missing (the columns are nullable): then no stream fits the row.
    if (keys.kafedra.isEmpty() || keys.examination.isEmpty() || keys.year.isEmpty() ||
        keys.idWs.isEmpty()) {
        return std::nullopt;
    }
    return keys;
}

void TForm1::FilterSubGroups() {
    Query& streams = *dm_.ADOQ_SubGroup;
    // A row that no stream fits gets a filter that says so, instead of leaving a comparison
    // without a value. The list is filtered once, with the new filter: a filtered list takes it
    // at once, an unfiltered one when switched on.
    const std::optional<ElectivesSql::StreamKeys> keys = streamKeysOfRow();
    streams.setFilter(keys ? ElectivesSql::streamFilter(*keys) : ElectivesSql::noStreamFilter());
    streams.setFiltered(true);
}

StreamPlaces TForm1::currentStreamPlaces() {
    const std::optional<ElectivesSql::StreamKeys> keys = streamKeysOfRow();
    if (!keys) {
        return {};
    }
    const auto key = [](const QString& digits) { return Value{digits.toLongLong()}; };
    return readStreamPlaces(*dm_.ADOQ_StreamPlaces, key(keys->discipline), key(keys->teacher),
                            key(keys->year), key(keys->idWs));
}

void TForm1::QFDBGridEh1Columns2UpdateData(DBGridColumnEh&, ColumnUpdate& update) {
    Dataset& row = *dm_.ADOQ_SelectDisciplineForStudent;
    if (!text(row, field::p34).isEmpty()) {
        notify(this,
               QStringLiteral("Вы не можете изменять выбранную дисциплину.\rЧто бы изменить "
                              "дисциплину нужно удалить выбранную запись с соответствующей "
                              "дисциплиной."),
               NoticeIcon::Warning);
        update.handled = true;
        return;
    }
    if (!isNull(update.value)) {
        Query& disciplines = *dm_.ADOQ_DisciplineForStudent;
        const QString department =
            valueText(disciplines.lookup(field::id_discipline, update.value, field::id_kafedra));
        // A discipline whose department is unknown offers no teachers rather than a statement
        // the server cannot read.
        dm_.ADOQ_Teacher->setSQL(department.isEmpty()
                                     ? ElectivesSql::noTeachers()
                                     : ElectivesSql::teachersOfDepartment(department));
        dm_.ADOQ_Teacher->open();
        editIfBrowsing(row);
        row.fieldByName(field::id_examination)
            .setValue(disciplines.fieldByName(field::id_examination).value());
    }
    editIfBrowsing(row);
    row.fieldByName(field::id_teacher).clear();
}

void TForm1::QFDBGridEh1Columns5UpdateData(DBGridColumnEh&, ColumnUpdate& update) {
    Dataset& row = *dm_.ADOQ_SelectDisciplineForStudent;
    Dataset& semesters = *dm_.ADOQ_Semester2;
    editIfBrowsing(row);
    row.fieldByName(field::subgroup).clear();

    const QString year = valueText(update.value);
    semesters.setFiltered(false);
    if (year.isEmpty()) {
        semesters.setFilter(ElectivesSql::noSemesterFilter());
        semesters.setFiltered(true);
        return;
    }
    semesters.setFilter(ElectivesSql::semesterFilter(year, valueText(groupKey())));
    semesters.setFiltered(true);
    editIfBrowsing(row);
    row.fieldByName(field::id_semester)
        .setValue(semesters.isEmpty() ? Value{}
                                      : semesters.fieldByName(field::id_semester).value());
}

void TForm1::QFDBGridEh1Columns4UpdateData(DBGridColumnEh&, ColumnUpdate&) {
    Dataset& row = *dm_.ADOQ_SelectDisciplineForStudent;
    editIfBrowsing(row);
    row.fieldByName(field::subgroup).clear();
}

void TForm1::QFDBGridEh1Columns6UpdateData(DBGridColumnEh&, ColumnUpdate& update) {
    const Field& current = dm_.ADOQ_SelectDisciplineForStudent->fieldByName(field::subgroup);
    if (isNull(update.value) || valuesEqual(current.value(), update.value) ||
        valuesEqual(current.oldValue(), update.value)) {
        return;  // a row keeps the place it has, or takes back the one it holds on the server
    }
    // Read now, not when the list dropped down: another user may have taken the last place.
    const StreamPlace place = currentStreamPlaces().of(update.value);
    if (place.full()) {
        notify(this, fullStreamNotice(valueText(update.value), place), NoticeIcon::Warning);
        update.handled = true;
    }
}

void TForm1::QFDBGridEh1Columns5EditButtons0Click() {
    Dataset& row = *dm_.ADOQ_SelectDisciplineForStudent;
    const Field& year = row.fieldByName(field::id_a_year);
    const Field& semester = row.fieldByName(field::id_semester);
    if (text(row, field::id_discipline).isEmpty() || year.text().isEmpty() ||
        semester.text().isEmpty() || text(row, field::id_teacher).isEmpty()) {
        return;
    }
    if (!valuesEqual(year.value(), yearKey()) || !valuesEqual(semester.value(), semesterKey())) {
        openNewStreamDialog();
    } else {
        notify(
            this,
            QStringLiteral("Вы можете добовлять потоки, если отличается учебный год или семестр."),
            NoticeIcon::Warning);
    }
}

}  // namespace zev
