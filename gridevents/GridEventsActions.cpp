// The keyboard actions of the grid-events component: copy, cut, paste, delete and select-all of
// whole rows, and the grid edit payload they exchange through the clipboard.
#include "core/Cp1251.h"
#include "gridevents/DatasetGuards.h"
#include "gridevents/GridEvents.h"
#include "gridevents/GridPayload.h"
#include "widgets/Clipboard.h"
#include "widgets/Notices.h"

#include <QWidget>

#include <algorithm>

namespace zev {

namespace {

constexpr quint16 kVkDelete = 46;

void removeFirst(QStringList& list, const QString& text) {
    const qsizetype at = indexOfText(list, text);
    if (at >= 0) {
        list.removeAt(at);
    }
}

void cancelPending(Dataset& dataset) {
    absorbed([&] { dataset.cancel(); });
}

// The dataset field that carries a column's value in the payload: for a lookup column its key
// field, otherwise the field the column names.
Field& payloadField(Dataset& dataset, const DBGridColumnEh& column) {
    const Field* shown = column.field();
    if (shown && shown->isLookup()) {
        return dataset.fieldByName(shown->keyFields());
    }
    return dataset.fieldByName(column.fieldName);
}

}  // namespace

const QString& TQFDBGridEvents::clipboardFormatName() {
    static const QString name = QString::fromLatin1(kGridEditFormatName);
    return name;
}

Dataset* TQFDBGridEvents::checkedDataset() {
    if (!grid_) {
        report(qfeNoGrid);
        return nullptr;
    }
    DataSource* source = grid_->dataSource();
    if (!source) {
        report(qfeNoDataSource);
        return nullptr;
    }
    Dataset* dataset = source->dataSet();
    if (!dataset) {
        report(qfeNoDataSet);
        return nullptr;
    }
    if (!uniqueField_) {
        report(qfeNoUniqueField);
        return nullptr;
    }
    if (!dataset->isOpen()) {
        report(qfeNotOpen);
        return nullptr;
    }
    return dataset;
}

// --- keys

namespace {

// The letter of a virtual-key code, A to Z, or 0 for any other key. The codes of the small
// letters belong to the numeric keypad and the function keys (F7 is 'v', F9 is 'x'), so only
// the capital letters' codes name letters.
char letterOf(quint16 key) {
    return key >= 'A' && key <= 'Z' ? static_cast<char>(key) : '\0';
}

enum class KeyAction { None, Copy, Cut, Paste, Delete, SelectAll };

}  // namespace

void TQFDBGridEvents::GridKeyDown(zev::DBGridEh& sender, quint16& key,
                                  Qt::KeyboardModifiers shift) {
    if (OnKeyDown) {
        OnKeyDown(sender, key, shift);
    }
    if (!shift.testFlag(Qt::ControlModifier)) {
        return;
    }
    const char letter = letterOf(key);
    const bool anySelected = sender.selectedRows().count() > 0;
    KeyAction action = KeyAction::None;
    if (letter == 'C' && editActions_.testFlag(geaCopyEh) && anySelected) {
        action = KeyAction::Copy;
    } else if (letter == 'X' && editActions_.testFlag(geaCutEh) && anySelected) {
        action = KeyAction::Cut;
    } else if (letter == 'V' && editActions_.testFlag(geaPasteEh)) {
        action = KeyAction::Paste;
    } else if (key == kVkDelete && editActions_.testFlag(geaDeleteEh)) {
        action = KeyAction::Delete;
    } else if (letter == 'A' && editActions_.testFlag(geaSelectAllEh)) {
        action = KeyAction::SelectAll;
    }
    if (action == KeyAction::None) {
        return;
    }
    // The key is spent: the view underneath must not run its own copy or select-all over what
    // the component does with it.
    key = 0;
    // What was typed into an open cell editor goes into its row before the action moves the
    // dataset and the editor closes.
    sender.commitCellEditor();
    switch (action) {
        case KeyAction::Copy:
            CopyRows(false);
            break;
        case KeyAction::Cut:
            if (confirm(sender, QStringLiteral("Cut record(s) - ?"))) {
                CopyRows(true);
            }
            break;
        case KeyAction::Paste:
            PasteRows();
            break;
        case KeyAction::Delete:
            if (confirm(sender, QStringLiteral("Delete record(s) - ?"))) {
                DeleteSelectedRows();
            }
            break;
        case KeyAction::SelectAll:
            SelectAllRows();
            break;
        case KeyAction::None:
            break;
    }
}

QWidget* TQFDBGridEvents::ownerWindow() const {
    QWidget* owner = qobject_cast<QWidget*>(parent());
    return owner ? owner->window() : nullptr;
}

bool TQFDBGridEvents::confirm(zev::DBGridEh& sender, const QString& question) {
    if (!sender.options().testFlag(GridOption::ConfirmDelete)) {
        return true;
    }
    bool canDelete = true;
    if (OnQFDBEOnConfirmDelete) {
        OnQFDBEOnConfirmDelete(sender, canDelete);
        return canDelete;
    }
    return Notices::instance().askYesNo(ownerWindow(), question, QStringLiteral("Confirm"));
}

// --- copy and cut

namespace {

// Whether the payload can carry a value as it is: it has no escaping, so the bytes 0x00, 0x01
// and 0x02 would split the value, and a character without a byte of its own in the code page
// would arrive as another.
bool payloadCarries(const QString& value) {
    for (const QChar c : value) {
        if (c.unicode() <= 2) {
            return false;
        }
    }
    return fitsCp1251(value);
}

QString oneLine(const QString& title) {
    return QString(title).replace(u'\n', u' ');
}

// Makes a selected row's record current; false when the bookmark no longer designates one.
bool gotoSelected(Dataset& dataset, const Dataset::Bookmark& bookmark) {
    return dataset.bookmarkValid(bookmark) && absorbed([&] { dataset.gotoBookmark(bookmark); });
}

// Posts the row being edited (an unchanged one is cancelled, as leaving it would), so that an
// action does not start moving over rows when that row cannot be left. False when the post
// failed: the dataset's own rules have told the user why.
bool leaveEditing(Dataset& dataset) {
    if (dataset.state() != DatasetState::Edit && dataset.state() != DatasetState::Insert) {
        return true;
    }
    return absorbed([&] {
        if (dataset.modified()) {
            dataset.post();
        } else {
            dataset.cancel();
        }
    });
}

void goBackTo(Dataset& dataset, const Dataset::Bookmark& remembered) {
    if (!remembered.isEmpty() && dataset.bookmarkValid(remembered)) {
        absorbed([&] { dataset.gotoBookmark(remembered); });
    }
}

}  // namespace

std::optional<QString> TQFDBGridEvents::appendRowPayload(Dataset& dataset,
                                                         QByteArray& payload) const {
    std::vector<QString> values;
    for (int i = 0; i < grid_->columnCount(); ++i) {
        const DBGridColumnEh& column = grid_->column(i);
        if (!column.visible) {
            continue;
        }
        QString value = payloadField(dataset, column).text();
        if (!payloadCarries(value)) {
            return QStringLiteral(
                       "в строке %1, столбце «%2» значение содержит символ, который "
                       "нельзя передать через буфер обмена.")
                .arg(QString::number(dataset.recNo()), oneLine(column.title));
        }
        values.push_back(std::move(value));
    }
    payload += encodeGridRow(values);
    return std::nullopt;
}

void TQFDBGridEvents::CopyRows(bool cut) {
    Dataset* dataset = checkedDataset();
    if (!dataset) {
        return;
    }
    SelectedRows& selected = grid_->selectedRows();
    if (selected.count() == 0) {
        report(qfeDone);
        return;
    }
    if (!leaveEditing(*dataset)) {
        return;
    }
    const Dataset::Bookmark remembered = dataset->bookmark();
    std::optional<QString> refusal;
    bool complete = false;
    {
        ControlsPause pause(*dataset);
        QByteArray payload;
        std::vector<RowTarget> targets;
        const int count = selected.count();
        for (int i = 0; i < count && !refusal; ++i) {
            if (!gotoSelected(*dataset, selected.item(i))) {
                continue;
            }
            refusal = appendRowPayload(*dataset, payload);
            targets.push_back(targetOfCurrent(*dataset, selected.item(i)));
        }
        if (!refusal && cut) {
            refusal = unsafeTargets(*dataset, targets);
        }
        if (refusal || targets.empty()) {
            // Nothing to copy, or rows the clipboard cannot take: the clipboard keeps what it
            // holds and no row is deleted.
            goBackTo(*dataset, remembered);
        } else {
            // The rows go to the clipboard before any of them is deleted: when the clipboard
            // refuses them, the cut ends here with nothing lost.
            Clipboard::instance().write(payload);
            complete = true;
            if (cut) {
                complete = deleteTargets(*dataset, targets, true);
                keepSelectedThatRemain(*dataset, targets);
            }
            goBackTo(*dataset, remembered);
        }
    }
    if (refusal) {
        notify(ownerWindow(),
               (cut ? QStringLiteral("Записи не вырезаны: ")
                    : QStringLiteral("Записи не скопированы: ")) +
                   *refusal,
               NoticeIcon::Warning);
        return;
    }
    if (complete) {
        report(qfeDone);
    }
}

// --- finding the selected records again

TQFDBGridEvents::RowTarget TQFDBGridEvents::targetOfCurrent(
    Dataset& dataset, const Dataset::Bookmark& selected) const {
    const Field& unique = dataset.fieldByName(uniqueField_->fieldName());
    RowTarget target;
    target.selected = selected;
    target.bookmark = dataset.bookmark();
    target.recNo = dataset.recNo();
    target.value = unique.value();
    target.text = unique.text();
    return target;
}

namespace {

// The view rows whose field holds the value, compared as the dataset's search compares.
std::vector<int> rowsHolding(const Dataset& dataset, const Field& field, const Value& value) {
    std::vector<int> rows;
    for (int row = 0; row < dataset.recordCount(); ++row) {
        const Dataset::DisplayRow shown(dataset, row);
        if (valuesEqual(field.value(), value)) {
            rows.push_back(row);
        }
    }
    return rows;
}

// The bookmark of the one record that holds the value; empty when none or several do.
Dataset::Bookmark onlyRecordHolding(const Dataset& dataset, const Field& field,
                                    const Value& value) {
    if (isNull(value)) {
        return {};
    }
    const std::vector<int> rows = rowsHolding(dataset, field, value);
    return rows.size() == 1 ? dataset.bookmarkAt(rows.front()) : Dataset::Bookmark();
}

}  // namespace

std::optional<QString> TQFDBGridEvents::unsafeTargets(Dataset& dataset,
                                                      std::vector<RowTarget>& targets) const {
    // A delete rule may reload the dataset, after which the remaining records can be found only
    // by their unique value; a value that is Null or shared would find another record.
    const Field& unique = dataset.fieldByName(uniqueField_->fieldName());
    for (RowTarget& target : targets) {
        target.findable = !onlyRecordHolding(dataset, unique, target.value).isEmpty();
    }
    if (targets.size() < 2) {
        return std::nullopt;
    }
    for (const RowTarget& target : targets) {
        if (!target.findable) {
            return QStringLiteral(
                       "запись в строке %1 нельзя надёжно найти после удаления других "
                       "записей: её поле «%2» пусто или его значение повторяется.")
                .arg(QString::number(target.recNo), unique.fieldName());
        }
    }
    return std::nullopt;
}

bool TQFDBGridEvents::gotoTarget(Dataset& dataset, const RowTarget& target) const {
    if (dataset.bookmarkValid(target.bookmark)) {
        return absorbed([&] { dataset.gotoBookmark(target.bookmark); });
    }
    if (!target.findable) {
        return false;
    }
    const Field& unique = dataset.fieldByName(uniqueField_->fieldName());
    const Dataset::Bookmark found = onlyRecordHolding(dataset, unique, target.value);
    return !found.isEmpty() && absorbed([&] { dataset.gotoBookmark(found); });
}

bool TQFDBGridEvents::stillPresent(Dataset& dataset, const RowTarget& target,
                                   const Dataset::Bookmark& deleting) const {
    if (dataset.bookmarkValid(deleting)) {
        return true;  // the record is where it was: its deletion was refused
    }
    if (!target.findable) {
        return false;  // gone from this open, and a reload cannot be asked about it
    }
    const Field& unique = dataset.fieldByName(uniqueField_->fieldName());
    return !rowsHolding(dataset, unique, target.value).empty();
}

// Deletes the targets in order. Each is found by its bookmark while that still designates it,
// and by its unique value once a delete rule has reloaded the dataset. Answers whether every
// target was deleted; a refused deletion is absorbed and the next target follows.
bool TQFDBGridEvents::deleteTargets(Dataset& dataset, std::vector<RowTarget>& targets, bool cut) {
    bool all = true;
    for (RowTarget& target : targets) {
        if (!gotoTarget(dataset, target)) {
            all = false;
            continue;
        }
        if (!cut) {
            removeFirst(pastedValues_, target.text);
        }
        const Dataset::Bookmark deleting = dataset.bookmark();
        absorbed([&] {
            ReleaseDuplicate(deleting);
            dataset.remove();
        });
        // The electives' delete rule removes the row by a statement of its own and then refuses
        // the dataset's deletion: whether the record is gone tells success, not the refusal.
        target.deleted = !stillPresent(dataset, target, deleting);
        if (!target.deleted) {
            all = false;
            cancelPending(dataset);
        } else if (cut) {
            removeFirst(pastedValues_, target.text);
        }
    }
    return all;
}

void TQFDBGridEvents::keepSelectedThatRemain(Dataset& dataset,
                                             const std::vector<RowTarget>& targets) {
    // Removed rows leave the selection; the rows that stay are designated anew where a reload
    // has made their old bookmarks meaningless.
    SelectedRows& selected = grid_->selectedRows();
    std::vector<Dataset::Bookmark> kept;
    const Field& unique = dataset.fieldByName(uniqueField_->fieldName());
    for (int i = 0; i < selected.count(); ++i) {
        const Dataset::Bookmark& entry = selected.item(i);
        const auto target = std::find_if(targets.begin(), targets.end(),
                                         [&](const RowTarget& t) { return t.selected == entry; });
        if (target != targets.end() && target->deleted) {
            continue;
        }
        if (dataset.bookmarkValid(entry)) {
            kept.push_back(entry);
        } else if (target != targets.end() && target->findable) {
            const Dataset::Bookmark found = onlyRecordHolding(dataset, unique, target->value);
            if (!found.isEmpty()) {
                kept.push_back(found);
            }
        }
    }
    selected.clear();
    for (const Dataset::Bookmark& bookmark : kept) {
        selected.add(bookmark);
    }
}

// --- delete and select-all

void TQFDBGridEvents::DeleteSelectedRows() {
    Dataset* dataset = checkedDataset();
    if (!dataset) {
        return;
    }
    SelectedRows& selected = grid_->selectedRows();
    if (selected.count() > 0 && !leaveEditing(*dataset)) {
        return;  // a row that cannot be posted blocks the delete: nothing is deleted
    }
    const Dataset::Bookmark remembered = dataset->bookmark();
    std::optional<QString> refusal;
    bool complete = true;
    {
        ControlsPause pause(*dataset);
        std::vector<RowTarget> targets;
        const int count = selected.count();
        for (int i = 0; i < count; ++i) {
            if (gotoSelected(*dataset, selected.item(i))) {
                targets.push_back(targetOfCurrent(*dataset, selected.item(i)));
            }
        }
        refusal = unsafeTargets(*dataset, targets);
        if (refusal) {
            goBackTo(*dataset, remembered);
        } else {
            complete = deleteTargets(*dataset, targets, false);
            selected.clear();
        }
    }
    if (refusal) {
        notify(ownerWindow(), QStringLiteral("Записи не удалены: ") + *refusal,
               NoticeIcon::Warning);
        return;
    }
    if (complete) {
        report(qfeDone);
        report(qfeDone);
    }
}

void TQFDBGridEvents::SelectAllRows() {
    if (!checkedDataset()) {
        return;
    }
    grid_->selectedRows().selectAll();
    report(qfeDone);
}

// --- paste

void TQFDBGridEvents::PasteRows() {
    Dataset* dataset = checkedDataset();
    if (!dataset) {
        return;
    }
    const std::optional<QByteArray> payload = Clipboard::instance().read();
    if (!payload || payload->isEmpty()) {
        report(qfeNothingToPaste);
        return;
    }
    const QString uniqueName = uniqueField_->fieldName();
    pastedValues_.clear();
    {
        ControlsPause pause(*dataset);
        std::vector<const DBGridColumnEh*> visible;
        for (int i = 0; i < grid_->columnCount(); ++i) {
            if (grid_->column(i).visible) {
                visible.push_back(&grid_->column(i));
            }
        }
        const PastedRows pasted = decodeGridPayload(*payload, static_cast<int>(visible.size()));
        for (const std::vector<QString>& values : pasted.rows) {
            dataset->insert();  // a refused insertion ends the paste and is passed on
            for (size_t i = 0; i < visible.size(); ++i) {
                const DBGridColumnEh& column = *visible[i];
                const QString& value = values[i];
                absorbed([&] {
                    const Field* shown = column.field();
                    if (shown && shown->isLookup()) {
                        // A key travels as text; the key field converts it to its own type.
                        dataset->fieldByName(shown->keyFields()).setValue(Value{value});
                    } else {
                        dataset->fieldByName(column.fieldName).setText(value);
                    }
                });
            }
            bool posted = false;
            const bool checked = absorbed([&] {
                dataset->post();
                posted = true;
                CheckDuplicate();
            });
            if (!checked) {
                cancelPending(*dataset);
            }
            if (posted) {
                pastedValues_.append(dataset->fieldByName(uniqueName).text());
            }
        }
        if (pasted.unfinished) {
            return;  // an unfinished row: the rows before it stay, no completion is reported
        }
    }
    report(qfeDone);
    report(qfeDone);
}

}  // namespace zev
