// The history of the current row of the focused grid and of the chosen student ("Запись" menu).
#include "data/DataModule.h"
#include "registration/HistoryDialog.h"
#include "registration/HistoryRows.h"
#include "registration/RegistrationWindow.h"
#include "widgets/Notices.h"

#include <QApplication>

namespace zev {

namespace {

bool holdsFocus(const QWidget* grid, const QWidget* focused) {
    return focused && (focused == grid || grid->isAncestorOf(focused));
}

}  // namespace

void TForm1::showRowHistory() {
    // The grid the focus is in (or was in last, when a menu has it now); the electives grid
    // when it is neither.
    const QWidget* focused = focusWidget();
    const bool chosenGrid = holdsFocus(DBGridEh1, focused);
    Dataset& rows =
        chosenGrid ? *dm_.ADOQ_disciplineForStudent2 : *dm_.ADOQ_SelectDisciplineForStudent;
    if (!rows.isOpen() || rows.isEmpty()) {
        notify(this, QStringLiteral("Нет записи, историю которой можно показать."));
        return;
    }
    if (rows.state() == DatasetState::Insert) {
        notify(this, QStringLiteral("Запись ещё не сохранена: истории у неё нет."));
        return;
    }
    const QString table = chosenGrid ? QStringLiteral("DisciplineForStudent2")
                                     : QStringLiteral("DisciplineForStudent");
    const Value key = rows.fieldByName(chosenGrid ? QStringLiteral("id_disciplineForStudent2")
                                                  : QStringLiteral("id_disciplineForStudent"))
                          .value();
    if (isNull(key)) {
        notify(this, QStringLiteral("Запись ещё не сохранена: истории у неё нет."));
        return;
    }
    const std::int64_t id = valueText(key).toLongLong();
    QString subject = HistoryRows::tableWords(table) + QStringLiteral(" № ") + QString::number(id);
    const QString discipline = rows.fieldByName(QStringLiteral("Discipline")).text();
    if (!discipline.isEmpty()) {
        subject += QStringLiteral(": ") + discipline;
    }
    if (!DBLookupComboBox6->text().isEmpty()) {
        subject += QStringLiteral(" (") + DBLookupComboBox6->text() + u')';
    }
    HistoryDialog dialog(dm_.ADOCon, this);
    dialog.showRow(table, id, subject);
    showHistoryDialog(dialog);
}

void TForm1::showStudentHistory() {
    const QString student = DBLookupComboBox6->keyText();
    if (student.isEmpty()) {
        notify(this, QStringLiteral("Студент не выбран."));
        return;
    }
    HistoryDialog dialog(dm_.ADOCon, this);
    dialog.showStudent(student.toLongLong(),
                       QStringLiteral("Студент: ") + DBLookupComboBox6->text());
    showHistoryDialog(dialog);
}

}  // namespace zev
