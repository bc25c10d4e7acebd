#include "gridevents/GridEvents.h"

#include "gridevents/DatasetGuards.h"

#include <map>
#include <vector>

namespace zev {

qsizetype indexOfText(const QStringList& list, const QString& text) {
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).compare(text, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

int AlignedTextX(const QRect& rect, Qt::Alignment alignment, int textWidth) {
    // Cell edges as the grid hands them: left inclusive, right one past the last pixel.
    const int left = rect.x();
    const int right = rect.x() + rect.width();
    switch (alignment & Qt::AlignHorizontal_Mask) {
        case Qt::AlignRight:
            return right - textWidth - 3;
        case Qt::AlignHCenter:
            return left + (right - left) / 2 - textWidth / 2;
        default:
            return left + 2;
    }
}

namespace {

// Adds a field's text value to a duplicate key. The values are joined by a separator, and a
// separator or backslash inside a value is escaped, so that two different lists of values never
// make the same key: ('12', 3) and ('1', 23) stay apart.
void appendKeyPart(QString& key, const QString& text, bool first) {
    constexpr QChar kSeparator = u'|';
    if (!first) {
        key += kSeparator;
    }
    for (const QChar c : text) {
        if (c == kSeparator || c == u'\\') {
            key += u'\\';
        }
        key += c;
    }
}

}  // namespace

// --- the list of duplicate fields

void DuplicateFieldList::append(Field* field) {
    if (!field) {
        return;
    }
    fields_.append(field);
    connect(field, &QObject::destroyed, this, [this, field] { remove(field); });
}

void DuplicateFieldList::remove(Field* field) {
    const qsizetype at = fields_.indexOf(field);
    if (at < 0) {
        return;
    }
    fields_.removeAt(at);
    if (!fields_.contains(field)) {
        disconnect(field, nullptr, this, nullptr);
    }
}

void DuplicateFieldList::clear() {
    for (Field* field : std::as_const(fields_)) {
        disconnect(field, nullptr, this, nullptr);
    }
    fields_.clear();
}

// --- lifecycle

TQFDBGridEvents::TQFDBGridEvents(QObject* owner) : QObject(owner), duplicateFields_(this) {}

TQFDBGridEvents::~TQFDBGridEvents() {
    // The dataset is left as it is: open, filtered or not.
    if (grid_) {
        ReleaseGrid();
    }
}

void TQFDBGridEvents::setDBGridEh(TQFDBGridEh* grid) {
    if (!grid) {
        if (grid_) {
            ReleaseGrid();
        }
    } else if (grid != grid_) {
        TQFDBGridEh* previous = grid_;
        HookGrid(grid);
        if (previous) {
            // ReleaseGrid works on the attached grid; give the previous one back first.
            grid_ = previous;
            ReleaseGrid();
        }
        gridDestroyedConnection_ =
            connect(grid, &QObject::destroyed, this, &TQFDBGridEvents::gridDestroyed);
    }
    grid_ = grid;
    SetAttributesGrid(grid);
}

void TQFDBGridEvents::HookGrid(TQFDBGridEh* grid) {
    grid->setDefaultDrawing(false);
    grid->setAllowedOperations(grid->allowedOperations() &
                               ~AllowedOperations(AllowedOperation::Delete));
    grid->setEditActions({});
    grid->onDrawColumnCell = [this](zev::DBGridEh& sender, const QRect& rect, int dataCol,
                                    DBGridColumnEh& column, CellStates state) {
        GridDrawColumnCell(sender, rect, dataCol, column, state);
    };
    grid->onKeyDown = [this](zev::DBGridEh& sender, quint16& key, Qt::KeyboardModifiers shift) {
        GridKeyDown(sender, key, shift);
    };
    grid->viewport()->update();
}

void TQFDBGridEvents::ReleaseGrid() {
    TQFDBGridEh* grid = grid_;
    disconnect(gridDestroyedConnection_);
    grid->setDefaultDrawing(true);
    grid->setAllowedOperations(grid->allowedOperations() | AllowedOperation::Delete);
    grid->setEditActions({});
    grid->onDrawColumnCell = nullptr;
    grid->onKeyDown = nullptr;
    grid->viewport()->update();
    grid_ = nullptr;
    SetAttributesGrid(nullptr);
}

void TQFDBGridEvents::SetAttributesGrid(TQFDBGridEh* grid) {
    attributes_.setGrid(grid);
}

void TQFDBGridEvents::gridDestroyed(QObject* grid) {
    // The grid is past its own destructor here: there is nothing left of it to give back.
    if (grid == grid_) {
        grid_ = nullptr;
        SetAttributesGrid(nullptr);
    }
}

void TQFDBGridEvents::setUniqueField(Field* field) {
    if (uniqueField_) {
        disconnect(uniqueField_, nullptr, this, nullptr);
    }
    uniqueField_ = field;
    if (field) {
        connect(field, &QObject::destroyed, this, [this, field] {
            if (uniqueField_ == field) {
                uniqueField_ = nullptr;
            }
        });
    }
}

void TQFDBGridEvents::report(quint16 errorId) {
    if (OnQFDBEGridError) {
        OnQFDBEGridError(*this, errorId);
    }
}

// --- switching on and off

void TQFDBGridEvents::setActive(bool active) {
    if (active == active_) {
        return;
    }
    active_ = active;
    if (active) {
        active_ = ActivateAndScan();
    } else {
        deactivate();
    }
}

bool TQFDBGridEvents::ActivateAndScan() {
    if (!grid_) {
        report(qfeNoGrid);
        return false;
    }
    DataSource* source = grid_->dataSource();
    if (!source) {
        report(qfeNoDataSource);
        return false;
    }
    Dataset* dataset = source->dataSet();
    if (!dataset) {
        report(qfeNoDataSet);
        return false;
    }
    duplicateKeys_.clear();
    ControlsPause pause(*dataset);
    if (!absorbed([&] { dataset->open(); })) {
        return false;
    }
    if (!duplicateFields_.isEmpty()) {
        scanDuplicates(*dataset);
    }
    return true;
}

void TQFDBGridEvents::deactivate() {
    if (!grid_) {
        return;
    }
    DataSource* source = grid_->dataSource();
    if (!source) {
        report(qfeNoDataSource);
        return;
    }
    Dataset* dataset = source->dataSet();
    if (!dataset) {
        report(qfeNoDataSet);
        return;
    }
    if (dataset->isOpen()) {
        dataset->close();
    }
    duplicateKeys_.clear();
    errorValues_.clear();
}

// The scan at switch-on finds the same keys, in the same order, as checking every record on its
// own with a filter, but counts the keys in one pass instead of filtering once per record. Two
// records match exactly when their duplicate filters would select each other: numbers compare by
// their text, texts without regard to letter case, and a Null text matches nothing.
void TQFDBGridEvents::scanDuplicates(Dataset& dataset) {
    dataset.first();
    if (dataset.eof()) {
        return;
    }
    // Checking a record leaves the filter cleared and off; so does the scan.
    dataset.setFiltered(false);
    dataset.setFilter(QString());
    dataset.setFiltered(false);

    struct Record {
        QString key;
        std::vector<QString> match;
        bool validFilter = true;  // the record's filter can be built
        bool matchable = true;    // the record passes its own kind of filter
    };
    std::vector<Record> records;
    std::map<std::vector<QString>, int> counts;
    for (dataset.first(); !dataset.eof(); dataset.next()) {
        Record record;
        for (Field* field : duplicateFields_) {
            const QString text = field->text();
            appendKeyPart(record.key, text, record.match.empty());
            if (field->isStringType()) {
                record.matchable = record.matchable && !field->isNull();
                record.match.push_back(text.toCaseFolded());
            } else {
                record.validFilter = record.validFilter && !text.isEmpty();
                record.match.push_back(text);
            }
        }
        record.matchable = record.matchable && record.validFilter;
        if (record.matchable) {
            ++counts[record.match];
        }
        records.push_back(std::move(record));
    }
    for (const Record& record : records) {
        if (!record.validFilter) {
            continue;
        }
        const auto found = counts.find(record.match);
        if (found != counts.end() && found->second > 1 &&
            indexOfText(duplicateKeys_, record.key) < 0) {
            duplicateKeys_.append(record.key);
        }
    }
    if (dataset.recordCount() > 0) {
        dataset.setRecNo(1);
    }
}

// --- duplicate bookkeeping

bool TQFDBGridEvents::BuildDuplicateFilter(QString& key, QString& filter) const {
    key.clear();
    filter.clear();
    bool valid = true;
    bool first = true;
    for (Field* field : duplicateFields_) {
        const QString text = field->text();
        appendKeyPart(key, text, first);
        first = false;
        filter += field->fieldName();
        filter += u'=';
        if (field->isStringType()) {
            // A quote inside the value is doubled, so that the value stays one literal.
            filter += u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
        } else {
            // An empty number would leave the comparison without a value.
            valid = valid && !text.isEmpty();
            filter += text;
        }
        filter += QStringLiteral(" and ");
    }
    if (!filter.isEmpty()) {
        filter.chop(5);
    }
    return valid;
}

namespace {

// Clears a duplicate filter however its check ends, and puts back the record that was current.
class DuplicateFilterScope {
public:
    explicit DuplicateFilterScope(Dataset& dataset, int restoreRecNo = 0)
        : dataset_(dataset), restoreRecNo_(restoreRecNo) {}
    ~DuplicateFilterScope() {
        absorbed([this] {
            dataset_.setFiltered(false);
            if (restoreRecNo_ > 0) {
                dataset_.setRecNo(restoreRecNo_);
            }
            dataset_.setFilter(QString());
            dataset_.setFiltered(false);
        });
    }
    DuplicateFilterScope(const DuplicateFilterScope&) = delete;
    DuplicateFilterScope& operator=(const DuplicateFilterScope&) = delete;

private:
    Dataset& dataset_;
    int restoreRecNo_;
};

}  // namespace

void TQFDBGridEvents::CheckDuplicate() {
    if (duplicateFields_.isEmpty() || !grid_ || !grid_->dataset()) {
        return;
    }
    Dataset& dataset = *grid_->dataset();
    QString key;
    QString filter;
    if (!BuildDuplicateFilter(key, filter)) {
        return;  // a record without a complete key is nobody's duplicate
    }
    DuplicateFilterScope scope(dataset, dataset.recNo());
    dataset.setFilter(filter);
    dataset.setFiltered(true);
    if (dataset.recordCount() > 1 && indexOfText(duplicateKeys_, key) < 0) {
        duplicateKeys_.append(key);
    }
}

void TQFDBGridEvents::ReleaseDuplicate(const Dataset::Bookmark& bookmark) {
    if (!grid_ || !grid_->dataset()) {
        return;
    }
    Dataset& dataset = *grid_->dataset();
    QString key;
    QString filter;
    if (!duplicateFields_.isEmpty() && BuildDuplicateFilter(key, filter)) {
        DuplicateFilterScope scope(dataset);
        dataset.setFilter(filter);
        dataset.setFiltered(true);
        if (dataset.recordCount() <= 2) {
            const qsizetype at = indexOfText(duplicateKeys_, key);
            if (at >= 0) {
                duplicateKeys_.removeAt(at);
            }
        }
    }
    dataset.gotoBookmark(bookmark);
}

// --- painting

bool TQFDBGridEvents::isListedColumn(const DBGridColumnEh& column) const {
    return indexOfText(attributes_.FixedAttr().List(), column.title.toUpper()) >= 0;
}

void TQFDBGridEvents::GridDrawColumnCell(zev::DBGridEh& sender, const QRect& rect, int dataCol,
                                         DBGridColumnEh& column, CellStates state) {
    GridCanvas& canvas = sender.canvas();
    const Dataset* dataset = sender.dataset();

    const auto useAttr = [&canvas](TColor color, const GridFont& font) {
        canvas.brushColor = toQColor(color);
        canvas.font = font.font;
        canvas.fontColor = toQColor(font.color);
    };
    const auto useColumnOwn = [&] {
        canvas.brushColor = column.color.value_or(sender.palette().color(QPalette::Base));
        canvas.font = column.font.value_or(sender.font());
        canvas.fontColor = sender.palette().color(QPalette::Text);
    };

    const bool inserting = dataset && dataset->state() == DatasetState::Insert;
    const bool alwaysEditor = sender.options().testFlag(GridOption::AlwaysShowEditor);
    const bool noRowSelected = sender.selectedRows().count() == 0;

    if (state == CellStates(CellState::Selected)) {
        if (inserting && (alwaysEditor || noRowSelected)) {
            useColumnOwn();
        } else if (isListedColumn(column)) {
            const TQFDBGridFixedAttr& fixed = attributes_.FixedAttr();
            useAttr(fixed.SelColor(), fixed.SelFont());
        } else {
            useAttr(attributes_.SelAttr().Color(), attributes_.SelAttr().Font());
        }
    } else if (state == (CellState::Selected | CellState::Focused)) {
        if (inserting || (alwaysEditor && noRowSelected)) {
            useColumnOwn();
        } else {
            useAttr(attributes_.FocusedAttr().Color(), attributes_.FocusedAttr().Font());
        }
    } else {
        QString key;
        QString filter;
        const TQFDBGridAttr* mark = nullptr;
        if (!duplicateKeys_.isEmpty()) {
            BuildDuplicateFilter(key, filter);
            if (indexOfText(duplicateKeys_, key) >= 0) {
                mark = &attributes_.DuplicateAttr();
            }
        }
        if (!mark && uniqueField_) {
            if (indexOfText(errorValues_, uniqueField_->text()) >= 0) {
                mark = &attributes_.ErrorAttr();
            } else if (const Field* pasted =
                           dataset ? dataset->findField(uniqueField_->fieldName()) : nullptr;
                       pasted && indexOfText(pastedValues_, pasted->text()) >= 0) {
                mark = &attributes_.AfterPasteAttr();
            }
        }
        if (mark) {
            useAttr(mark->Color(), mark->Font());
        } else {
            useColumnOwn();
        }
    }

    const Field* field = column.field();
    const QString text = field ? field->text() : QString();
    const int x = AlignedTextX(rect, column.alignment, canvas.textWidth(text));
    const int y = rect.y() + rect.height() / 2 - canvas.textHeight(text) / 2;
    canvas.textRect(rect, x, y, text);

    if (OnDrawColumnCell) {
        OnDrawColumnCell(sender, rect, dataCol, column, state);
    }
}

}  // namespace zev
