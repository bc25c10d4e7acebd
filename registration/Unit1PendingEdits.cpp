// Pending rows of the two grids: nothing the user edited is dropped without a word when the
// window's choices would close the grids' datasets.
#include "data/DM.h"
#include "registration/Unit1.h"
#include "widgets/Notices.h"

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
    if (!Notices::instance().askYesNo(
            this, QStringLiteral("Изменения строки не сохранены.\rОтменить изменения?"),
            QStringLiteral("Уведомление"))) {
        return false;
    }
    rows.cancel();
    return true;
}

}  // namespace zev
