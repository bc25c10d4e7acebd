// The keyboard actions of the grid-events component: copy, cut, paste, delete and select-all of
// whole rows, and the grid edit payload they exchange through the clipboard.
#include "gridevents/DatasetGuards.h"
#include "gridevents/GridPayload.h"
#include "gridevents/QF_DBGrd_Evns.h"
#include "widgets/Clipboard.h"
#include "widgets/Notices.h"

#include <QWidget>

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

void TQFDBGridEvents::GridKeyDown(zev::DBGridEh& sender, quint16& key,
                                  Qt::KeyboardModifiers shift) {
    if (OnKeyDown) {
        OnKeyDown(sender, key, shift);
    }
    if (!shift.testFlag(Qt::ControlModifier)) {
        return;
    }
    char letter = static_cast<char>(key & 0xFF);
    if (letter >= 'a' && letter <= 'z') {
        letter = static_cast<char>(letter - 'a' + 'A');
    }
    const bool anySelected = sender.selectedRows().count() > 0;
    bool performed = true;
    if (letter == 'C' && editActions_.testFlag(geaCopyEh) && anySelected) {
        CopyRows(false);
    } else if (letter == 'X' && editActions_.testFlag(geaCutEh) && anySelected) {
        if (confirm(sender, QStringLiteral("Cut record(s) - ?"))) {
            CopyRows(true);
        }
    } else if (letter == 'V' && editActions_.testFlag(geaPasteEh)) {
        PasteRows();
    } else if (key == kVkDelete && editActions_.testFlag(geaDeleteEh)) {
        if (confirm(sender, QStringLiteral("Delete record(s) - ?"))) {
            DeleteSelectedRows();
        }
    } else if (letter == 'A' && editActions_.testFlag(geaSelectAllEh)) {
        SelectAllRows();
    } else {
        performed = false;
    }
    if (performed) {
        // The key is spent: the view underneath must not run its own copy or select-all over
        // what the component has just done.
        key = 0;
    }
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
    QWidget* ownerWindow = qobject_cast<QWidget*>(parent());
    if (ownerWindow) {
        ownerWindow = ownerWindow->window();
    }
    return Notices::instance().askYesNo(ownerWindow, question, QStringLiteral("Confirm"));
}

// --- copy and cut

QByteArray TQFDBGridEvents::rowPayload(Dataset& dataset) const {
    std::vector<QString> values;
    for (int i = 0; i < grid_->columnCount(); ++i) {
        const DBGridColumnEh& column = grid_->column(i);
        if (column.visible) {
            values.push_back(payloadField(dataset, column).text());
        }
    }
    return encodeGridRow(values);
}

namespace {

// Makes a selected row's record current; false when the bookmark no longer designates one.
bool gotoSelected(Dataset& dataset, const Dataset::Bookmark& bookmark) {
    return dataset.bookmarkValid(bookmark) && absorbed([&] { dataset.gotoBookmark(bookmark); });
}

}  // namespace

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
    const QString uniqueName = uniqueField_->fieldName();
    const Dataset::Bookmark remembered = dataset->bookmark();
    {
        ControlsPause pause(*dataset);
        QByteArray payload;
        std::vector<Value> cutValues;
        const int count = selected.count();
        for (int i = 0; i < count; ++i) {
            if (!gotoSelected(*dataset, selected.item(i))) {
                continue;
            }
            payload += rowPayload(*dataset);
            if (cut) {
                cutValues.push_back(dataset->fieldByName(uniqueName).value());
            }
        }
        // The rows go to the clipboard before any of them is deleted: when the clipboard
        // refuses them, the cut ends here with nothing lost.
        Clipboard::instance().write(payload);
        if (cut) {
            deleteByUniqueValues(*dataset, uniqueName, cutValues, true);
        }
        if (!remembered.isEmpty() && dataset->bookmarkValid(remembered)) {
            absorbed([&] { dataset->gotoBookmark(remembered); });
        }
    }
    report(qfeDone);
}

// Deletes the records whose unique values were taken before the first deletion. Each record is
// found again by its value, since a deletion may reload the dataset and leave earlier bookmarks
// pointing elsewhere.
void TQFDBGridEvents::deleteByUniqueValues(Dataset& dataset, const QString& uniqueName,
                                           const std::vector<Value>& values, bool cut) {
    for (const Value& value : values) {
        bool found = false;
        absorbed([&] { found = dataset.locate(uniqueName, value); });
        if (!found) {
            continue;
        }
        const QString uniqueText = dataset.fieldByName(uniqueName).text();
        if (!cut) {
            removeFirst(pastedValues_, uniqueText);
        }
        const bool deleted = absorbed([&] {
            ReleaseDuplicate(dataset.bookmark());
            dataset.remove();
        });
        if (!deleted) {
            cancelPending(dataset);
        } else if (cut) {
            removeFirst(pastedValues_, uniqueText);
        }
    }
}

// --- delete and select-all

void TQFDBGridEvents::DeleteSelectedRows() {
    Dataset* dataset = checkedDataset();
    if (!dataset) {
        return;
    }
    const QString uniqueName = uniqueField_->fieldName();
    {
        ControlsPause pause(*dataset);
        SelectedRows& selected = grid_->selectedRows();
        std::vector<Value> values;
        const int count = selected.count();
        for (int i = 0; i < count; ++i) {
            if (gotoSelected(*dataset, selected.item(i))) {
                values.push_back(dataset->fieldByName(uniqueName).value());
            }
        }
        deleteByUniqueValues(*dataset, uniqueName, values, false);
        selected.clear();
    }
    report(qfeDone);
    report(qfeDone);
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
