// Finding a student by name: the search field under the cascade and the choice of a student
// found, which walks the cascade down to him as choosing by hand does.
#include "data/DataModule.h"
#include "registration/RegistrationWindow.h"
#include "registration/StudentSearch.h"
#include "widgets/Fonts.h"
#include "widgets/Notices.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QShortcut>

namespace zev {

namespace {

// Text editors take Ctrl+K for themselves (delete to the end of the line) before a window
// shortcut sees it. In this window Ctrl+K is the search for a student wherever the focus is, so
// the editors' claim to it is turned down.
class SearchKeyGuard : public QObject {
public:
    explicit SearchKeyGuard(QWidget* window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (key->key() == Qt::Key_K && key->modifiers() == Qt::ControlModifier && widget &&
                widget->window() == window_) {
                return true;  // not claimed: the window's shortcut takes the key
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
};

}  // namespace

void TForm1::buildStudentSearch(QWidget* central) {
    Label8 = new QLabel(QStringLiteral("Поиск:"), Panel5);
    QFont font = legacyFont(QStringLiteral("MS Sans Serif"), 10);  // as the cascade's captions
    font.setBold(true);
    Label8->setFont(font);
    QPalette palette = Label8->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label8->setPalette(palette);
    Label8->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label8->adjustSize();
    Label8->setGeometry(6, 118, 132 - 4 - 6, Label8->height());

    StudentSearch1 = new StudentSearch(Panel5, central);
    QLineEdit* edit = StudentSearch1->edit();
    edit->setGeometry(DBLookupComboBox6->geometry().translated(0, 116 - 89));
    edit->setAccessibleName(QStringLiteral("Поиск студента"));
    Label8->setBuddy(edit);
    // Made last, the field comes last in the tab order: the faculty drop-down keeps the focus at
    // start, and Ctrl+K reaches the field from anywhere.

    StudentSearch1->find = [this](const QString& text) {
        return findStudents(dm_.ADOCon, UserId, text);
    };
    StudentSearch1->onChoose = [this](const FoundStudent& found) {
        guarded([&] { chooseFoundStudent(found); });
    };
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] { StudentSearch1->activate(); });
    qApp->installEventFilter(new SearchKeyGuard(this));
    Panel5Resize();
}

void TForm1::chooseFoundStudent(const FoundStudent& found) {
    // A pending grid row is settled first, once: the choices below then find nothing pending.
    if (!settlePendingEdits()) {
        return;
    }
    const QScopedValueRollback quiet(choosingFound_, true);
    const struct {
        DBLookupComboBox* box;
        qint64 key;
    } steps[] = {
        {DBLookupComboBox1, found.faculty},    {DBLookupComboBox7, found.formOfEducation},
        {DBLookupComboBox4, found.speciality}, {DBLookupComboBox2, found.year},
        {DBLookupComboBox5, found.semester},   {DBLookupComboBox3, found.group},
        {DBLookupComboBox6, found.student},
    };
    for (const auto& step : steps) {
        if (!step.box->isEnabled()) {
            return;  // the choice above failed and its error has been shown
        }
        if (!step.box->chooseKey(step.key)) {
            notify(this,
                   QStringLiteral("В списке «%1» нет строки для студента %2.")
                       .arg(step.box->accessibleName(), found.name),
                   NoticeIcon::Information);
            return;
        }
    }
    QFDBGridEh1->setFocus(Qt::OtherFocusReason);
}

}  // namespace zev
