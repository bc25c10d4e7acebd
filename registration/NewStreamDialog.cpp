#include "registration/NewStreamDialog.h"

#include "data/DataModule.h"
#include "data/ElectivesSql.h"
#include "data/FieldNames.h"
#include "widgets/Fonts.h"
#include "widgets/Notices.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace zev {

namespace {

// The largest stream number the electives' stream field can hold.
constexpr int kMaxStream = 250;

QToolButton* flatButton(const QString& caption, const QRect& geometry, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(caption);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setGeometry(geometry);
    return button;
}

// A one-line edit that keeps only digits, typed or pasted.
QLineEdit* digitsEdit(const QRect& geometry, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const QString kept = TForm2::LabeledEdit1Filter(text);
        if (kept != text) {
            const int cursor = edit->cursorPosition() - int(text.size() - kept.size());
            edit->setText(kept);
            edit->setCursorPosition(qMax(0, cursor));
        }
    });
    return edit;
}

QString currentText(Dataset& dataSet, const QString& field) {
    return dataSet.fieldByName(field).text();
}

}  // namespace

TForm2::TForm2(TDM_MB& dm, std::function<void()> reopenSubGroups, QWidget* parent)
    : QDialog(parent), dm_(dm), reopenSubGroups_(std::move(reopenSubGroups)) {
    setWindowTitle(QStringLiteral("Новый поток"));
    useDialogFrame(*this);
    setFont(defaultUiFont());
    setFixedSize(263, 130);  // a fixed dialog border: not resizable

    LabeledEdit1Label = new QLabel(QStringLiteral("Введите номер потока:"), this);
    QFont bold = LabeledEdit1Label->font();
    bold.setBold(true);
    LabeledEdit1Label->setFont(bold);
    LabeledEdit1Label->setGeometry(8, 8, 241, 16);

    LabeledEdit1 = digitsEdit(QRect(8, 24, 241, 21), this);

    LabeledEdit2Label = new QLabel(QStringLiteral("Мест:"), this);
    LabeledEdit2Label->setFont(bold);
    LabeledEdit2Label->setGeometry(8, 52, 241, 16);
    LabeledEdit2 = digitsEdit(QRect(8, 68, 241, 21), this);
    LabeledEdit2->setPlaceholderText(QStringLiteral("без ограничения"));
    LabeledEdit2Label->setBuddy(LabeledEdit2);

    SpeedButton2 = flatButton(QStringLiteral("Добавить"), QRect(93, 98, 75, 22), this);
    SpeedButton1 = flatButton(QStringLiteral("Отмена"), QRect(173, 98, 75, 22), this);
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton2Click(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
}

QString TForm2::LabeledEdit1Filter(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            digits += c;
        }
    }
    return digits;
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // The dialog has no default or cancel key: Enter and Escape do nothing here.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

QString TForm2::composeInsert() const {
    Dataset& electives = *dm_.ADOQ_SelectDisciplineForStudent;
    Dataset& disciplines = *dm_.ADOQ_DisciplineForStudent;
    ElectivesSql::NewStream stream;
    stream.kafedra = currentText(disciplines, field::id_kafedra);
    stream.teacher = currentText(electives, field::id_teacher);
    stream.discipline = currentText(electives, field::id_discipline);
    stream.examination = currentText(disciplines, field::id_examination);
    stream.year = currentText(electives, field::id_a_year);
    stream.idWs = currentText(*dm_.ADOQ_Semester2, field::id_w_s);
    stream.number = LabeledEdit1->text();
    stream.oZ = currentText(*dm_.ADOQ_f_educ, QStringLiteral("o_z"));
    stream.semester = currentText(electives, field::id_semester);
    stream.capacity = LabeledEdit2->text();
    return ElectivesSql::insertStream(stream);
}

void TForm2::SpeedButton2Click() {
    // A stream number must be one the electives' stream field can hold; anything else would only
    // be refused by the server or never be choosable.
    bool ok = false;
    const int number = LabeledEdit1->text().toInt(&ok);
    if (!ok || number < 0 || number > kMaxStream) {
        notify(this, QStringLiteral("Введите номер потока: число от 0 до %1.").arg(kMaxStream),
               NoticeIcon::Warning);
        return;
    }

    // The places: empty for an unlimited stream, else a whole number above zero.
    if (!LabeledEdit2->text().isEmpty()) {
        const int places = LabeledEdit2->text().toInt(&ok);
        if (!ok || places <= 0) {
            notify(this,
                   QStringLiteral("Введите число мест: целое число больше нуля, или оставьте "
                                  "поле пустым, если мест сколько угодно."),
                   NoticeIcon::Warning);
            return;
        }
        LabeledEdit2->setText(QString::number(places));  // without leading zeros
    }

    dm_.ADOQ_Exec->setSQL(composeInsert());
    dm_.ADOQ_Exec->execSQL();

    dm_.ADOQ_SubGroup->close();
    dm_.ADOQ_SubGroup->open();
    if (reopenSubGroups_) {
        reopenSubGroups_();
    }
    accept();
}

void TForm2::SpeedButton1Click() {
    reject();
}

}  // namespace zev
