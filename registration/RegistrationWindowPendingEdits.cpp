// Pending rows of the two grids: nothing the user edited is dropped without a word when the
// window's choices would close the grids' datasets.
#include "data/DataModule.h"
#include "registration/RegistrationWindow.h"
#include "widgets/Notices.h"

#include <algorithm>

namespace zev {

bool TForm1::settlePendingEdits() {
    return settlePendingRow(*dm_.ADOQ_SelectDisciplineForStudent) &&
           settlePendingRow(*dm_.ADOQ_disciplineForStudent2);
}

bool TForm1::settlePendingRow(Dataset& rows) {
    if (!rows.isOpen()) {
        return true;
    }
    const DatasetState state = rows.state();
    if (state != DatasetState::Edit && state != DatasetState::Insert) {
        return true;
    }
    if (state == DatasetState::Insert && !rows.modified()) {
        rows.cancel();  // a new row nothing was entered into
        return true;
    }
    if (refusedJustNow(rows)) {
        return askToDiscard(rows);
    }
    return postOrDiscard(rows);
}

bool TForm1::postOrDiscard(Dataset& rows) {
    try {
        rows.post();
        return true;
    } catch (const Abort&) {
        // The post-error rule has told the user why the row was not saved.
    } catch (...) {
        showException(std::current_exception());
    }
    return askToDiscard(rows);
}

TForm1::RefusedRow TForm1::rowAsItIs(const Dataset& rows) {
    RefusedRow row;
    row.recNo = rows.recNo();
    for (const Field* field : rows.fields()) {
        row.values.push_back(field->value());
    }
    return row;
}

bool TForm1::refusedJustNow(const Dataset& rows) const {
    if (!refusedOnEnter_ || &rows != dm_.ADOQ_SelectDisciplineForStudent ||
        rows.state() != DatasetState::Edit) {
        return false;
    }
    const RefusedRow now = rowAsItIs(rows);
    return now.recNo == refusedOnEnter_->recNo &&
           std::equal(now.values.begin(), now.values.end(), refusedOnEnter_->values.begin(),
                      refusedOnEnter_->values.end(), valuesEqual);
}

bool TForm1::askToDiscard(Dataset& rows) {
    if (!Notices::instance().askYesNo(
            this, QStringLiteral("Изменения строки не сохранены.\rОтменить изменения?"),
            QStringLiteral("Уведомление"))) {
        return false;
    }
    rows.cancel();
    return true;
}

}  // namespace zev
