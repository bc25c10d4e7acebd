// Editing: the edit buffer, posting with its hooks, cancelling and deleting.
#include "data/Dataset.h"

#include "data/Connection.h"
#include "data/DatasetImpl.h"
#include "data/FieldValues.h"
#include "data/WriteBack.h"

#include <algorithm>

namespace zev {

void Dataset::Impl::clearBuffer() {
    buffer.clear();
    original.clear();
    editRow = -1;
    rowBeforeInsert = -1;
    modified = false;
}

void Dataset::Impl::checkRequired() const {
    for (const Field* f : fields) {
        if (f->required() && !f->readOnly() && isNull(storedValue(f->index(), editRow))) {
            throw Error(QStringLiteral("Field '%1' must have a value").arg(f->fieldName()));
        }
    }
}

void Dataset::Impl::writeBack() {
    if (updateTable.isEmpty()) {
        return;  // a dataset without a base table keeps its posts in memory
    }
    Connection* connection = q.connection();
    if (!connection) {
        throw Error(
            QStringLiteral("%1: Missing Connection or ConnectionString").arg(q.objectName()));
    }
    const int keyField = fieldIndex(updateKey);
    if (keyField < 0 || fieldColumn[keyField] < 0) {
        throw Error(QStringLiteral("%1: Field '%2' not found").arg(q.objectName(), updateKey));
    }
    const int keyColumn = fieldColumn[keyField];
    std::vector<ColumnChange> columns;
    for (const Field* f : fields) {
        const int column = fieldColumn[f->index()];
        const bool writable = column >= 0 && column != keyColumn && !f->readOnly() &&
                              (updateColumns.isEmpty() ||
                               updateColumns.contains(f->fieldName(), Qt::CaseInsensitive));
        if (!writable) {
            continue;
        }
        // An update hands on every written column as read: the changed ones are set, and all
        // of them must still hold what was read.
        columns.push_back({f->fieldName(),
                           state == DatasetState::Insert ? Value{} : original[column],
                           buffer[column]});
    }
    if (state == DatasetState::Insert) {
        const Value key = writeInsert(*connection, updateTable, updateKey, columns);
        buffer[keyColumn] = convertFetched(fields[keyField]->definition(), key);
    } else {
        writeUpdate(*connection, updateTable, updateKey, original[keyColumn], columns);
    }
}

void Dataset::Impl::commitBuffer() {
    for (int c = 0; c < store.columnCount(); ++c) {
        store.set(editRow, c, buffer[c]);
    }
    ++dataVersion;
}

void Dataset::edit() {
    d->checkActive();
    if (d->editing()) {
        return;
    }
    if (d->view.empty()) {
        insert();
        return;
    }
    const int row = d->view[d->current];
    d->buffer.resize(d->store.columnCount());
    for (int c = 0; c < d->store.columnCount(); ++c) {
        d->buffer[c] = d->store.get(row, c);
    }
    d->original = d->buffer;
    d->editRow = row;
    d->modified = false;
    d->state = DatasetState::Edit;
    d->emitState();
}

void Dataset::Impl::startInsert(bool atEnd) {
    checkActive();
    checkBrowseMode();
    if (q.beforeInsert) {
        q.beforeInsert(q);  // may abort: nothing has changed yet
    }
    const int previous = current >= 0 ? view[current] : -1;
    const int row = store.appendRow();
    live.push_back(1);
    int position = static_cast<int>(view.size());
    if (!atEnd && current >= 0) {
        position = current;
        order.insert(std::find(order.begin(), order.end(), previous), row);
    } else {
        order.push_back(row);
    }
    view.insert(view.begin() + position, row);
    buffer.assign(store.columnCount(), Value{});
    original = buffer;
    editRow = row;
    rowBeforeInsert = previous;
    modified = false;
    state = DatasetState::Insert;
    current = position;
    bof = eof = false;
    emitState();
    emitReset();
    fireAfterScroll();
}

void Dataset::insert() {
    d->startInsert(false);
}

void Dataset::append() {
    d->startInsert(true);
}

void Dataset::post() {
    d->checkActive();
    if (!d->editing()) {
        return;
    }
    if (beforePost) {
        beforePost(*this);  // may abort: the row stays in edit
    }
    for (;;) {
        try {
            d->checkRequired();
            d->writeBack();
            break;
        } catch (const Error& e) {
            if (!onPostError) {
                throw;
            }
            switch (onPostError(*this, e)) {
                case PostErrorAction::Fail:
                    throw;
                case PostErrorAction::Abort:
                    throw Abort();
                case PostErrorAction::Retry:
                    continue;
            }
        }
    }
    d->commitBuffer();
    const int viewRow = d->current;
    d->clearBuffer();
    d->state = DatasetState::Browse;
    d->emitState();
    d->emitRow(viewRow);
    if (afterPost) {
        afterPost(*this);
    }
}

void Dataset::cancel() {
    if (!d->editing()) {
        return;
    }
    if (d->state == DatasetState::Edit) {
        d->clearBuffer();
        d->state = DatasetState::Browse;
        d->emitState();
        d->emitRow(d->current);
        return;
    }
    // Insert: the new row leaves, and the row that was current before comes back.
    const int row = d->editRow;
    const int previous = d->rowBeforeInsert;
    d->live[row] = 0;
    d->order.erase(std::find(d->order.begin(), d->order.end(), row));
    d->view.erase(std::find(d->view.begin(), d->view.end(), row));
    d->clearBuffer();
    d->state = DatasetState::Browse;
    const int position = previous >= 0 ? d->viewPosition(previous) : -1;
    d->current = position >= 0 ? position : (d->view.empty() ? -1 : 0);
    d->bof = d->eof = d->view.empty();
    d->emitState();
    d->emitReset();
    d->fireAfterScroll();
}

void Dataset::remove() {
    d->checkActive();
    if (d->state == DatasetState::Insert) {
        cancel();
        return;
    }
    if (d->view.empty()) {
        throw Error(QStringLiteral("%1: Cannot perform this operation on an empty dataset")
                        .arg(objectName()));
    }
    const std::uint32_t generation = d->generation;
    if (beforeDelete) {
        beforeDelete(*this);  // may abort (and may have reopened the dataset)
    }
    if (!isOpen() || d->generation != generation || d->view.empty()) {
        return;  // the hook re-read the rows: the row it was asked about is no longer here
    }
    const int row = d->view[d->current];
    if (!d->updateTable.isEmpty()) {
        if (!connection_) {
            throw Error(
                QStringLiteral("%1: Missing Connection or ConnectionString").arg(objectName()));
        }
        const int keyField = d->fieldIndex(d->updateKey);
        if (keyField < 0 || d->fieldColumn[keyField] < 0) {
            throw Error(QStringLiteral("%1: Field '%2' not found").arg(objectName(), d->updateKey));
        }
        writeDelete(*connection_, d->updateTable, d->updateKey,
                    d->store.get(row, d->fieldColumn[keyField]));
    }
    const bool wasEditing = d->editing();
    d->clearBuffer();
    d->state = DatasetState::Browse;
    d->live[row] = 0;
    d->order.erase(std::find(d->order.begin(), d->order.end(), row));
    d->view.erase(d->view.begin() + d->current);
    ++d->dataVersion;
    d->current = std::min(d->current, static_cast<int>(d->view.size()) - 1);
    d->bof = d->eof = d->view.empty();
    if (wasEditing) {
        d->emitState();
    }
    d->emitReset();
    d->fireAfterScroll();
}

bool Dataset::modified() const {
    return d->modified;
}

}  // namespace zev
