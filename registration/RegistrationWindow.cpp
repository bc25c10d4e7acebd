#include "registration/RegistrationWindow.h"

#include "data/DataModule.h"
#include "data/FieldNames.h"
#include "registration/HistoryDialog.h"
#include "registration/RegistrationMenus.h"
#include "registration/SelectionPanelLayout.h"
#include "registration/StudentSearch.h"
#include "signin/ApplicationState.h"
#include "signin/SignInWindow.h"
#include "widgets/Fonts.h"
#include "widgets/Notices.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

#include <memory>

namespace zev {

namespace {

// The left edge of the drop-downs of the panel's left column.
constexpr int kDropDownLeft = 132;

QLabel* caption(const QString& text, int left, int top, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = legacyFont(QStringLiteral("MS Sans Serif"), 10);  // 13-pixel characters
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));  // navy
    label->setPalette(palette);
    label->adjustSize();
    label->move(left, top);
    return label;
}

// A caption of the left column: it spans from its design left edge to 4 pixels before the
// drop-downs, its text against the right end, as the captions measured at design time. The
// layout rule counts this width; a caption narrower than designed (another font) would
// otherwise push the right-hand drop-downs past the panel's edge.
QLabel* leftCaption(const QString& text, int left, int top, QWidget* parent) {
    QLabel* label = caption(text, left, top, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->resize(qMax(label->width(), kDropDownLeft - 4 - left), label->height());
    return label;
}

DBLookupComboBox* dropDown(DataSource* source, const QString& key, const QString& list,
                           const QRect& geometry, int rows, QWidget* parent) {
    auto* box = new DBLookupComboBox(parent);
    box->setListSource(source);
    box->setKeyField(key);
    box->setListField(list);
    box->setGeometry(geometry);
    if (rows > 0) {
        box->setDropDownRows(rows);
    }
    return box;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), dm_(*DM_MB) {
    setWindowTitle(QStringLiteral("ZEV 32 Регистратор предметов по выбору"));
    setFont(defaultUiFont());
    resize(797, 538);
    setMinimumWidth(797);
    // Centred on the desktop at start.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildPanel();
    layout->addWidget(Panel5);
    layout->addSpacing(4);
    buildElectivesGrid();
    layout->addWidget(QFDBGridEh1, 1);
    buildChosenGrid();
    layout->addWidget(DBGridEh1);
    setCentralWidget(central);
    buildStudentSearch(central);
    Menus = buildRegistrationMenus(*this);
    showHistoryDialog = [](HistoryDialog& dialog) { dialog.exec(); };

    QFDBGridEvents1 = new TQFDBGridEvents(this);
    configureGridEvents();
    dm_.setRulesHost(this);

    FormCreate();
}

TForm1::~TForm1() {
    // A pending edit of the electives is posted when the window goes, as when the user returns
    // to the drop-downs.
    guarded([this] { DBLookupComboBox1Enter(); });
    dm_.setRulesHost(nullptr);
    // QWidget's destructor closes the window after this one has run, and the focus leaving a
    // drop-down then would call the window's handlers on a half-destroyed window: the window
    // stops listening to its drop-downs first.
    for (DBLookupComboBox* box : findChildren<DBLookupComboBox*>()) {
        box->canChoose = nullptr;
        box->onClick = nullptr;
        box->onEnter = nullptr;
        box->onExit = nullptr;
    }
}

void TForm1::buildPanel() {
    Panel5 = new QWidget(this);
    // The three rows of the cascade and, below them, the search for a student by name.
    Panel5->setFixedHeight(142);
    Panel5->installEventFilter(this);

    Label1 = leftCaption(QStringLiteral("Факультет:"), 40, 10, Panel5);
    Label7 = caption(QStringLiteral("Форма обученя:"), 323, 9, Panel5);
    Label3 = leftCaption(QStringLiteral("Специальность:"), 6, 37, Panel5);
    Label2 = leftCaption(QStringLiteral("Учебный год:"), 27, 66, Panel5);
    Label5 = caption(QStringLiteral("Семестр:"), 239, 65, Panel5);
    Label4 = caption(QStringLiteral("Группа:"), 517, 64, Panel5);
    Label6 = leftCaption(QStringLiteral("Студент:"), 59, 91, Panel5);

    DBLookupComboBox1 = dropDown(dm_.DS_Faculty, field::id_faculty, QStringLiteral("p23-1"),
                                 QRect(132, 7, 187, 21), 20, Panel5);
    DBLookupComboBox7 = dropDown(dm_.DS_f_educ, field::id_f_educ, QStringLiteral("p108"),
                                 QRect(445, 7, 328, 21), 0, Panel5);
    DBLookupComboBox4 = dropDown(dm_.DS_Speciality, field::id_speciality, field::p25_2,
                                 QRect(132, 34, 641, 21), 20, Panel5);
    DBLookupComboBox4->setDropDownWidth(700);
    DBLookupComboBox2 =
        dropDown(dm_.DS_Year, field::id_a_year, field::p32, QRect(132, 64, 103, 21), 20, Panel5);
    DBLookupComboBox5 = dropDown(dm_.DS_Semester, field::id_semester, field::p43,
                                 QRect(315, 62, 198, 21), 20, Panel5);
    DBLookupComboBox3 = dropDown(dm_.DS_group, field::id_group, QStringLiteral("p20"),
                                 QRect(579, 62, 194, 21), 20, Panel5);
    DBLookupComboBox6 = dropDown(dm_.DS_Students, field::id_student, field::s_fio,
                                 QRect(132, 89, 641, 21), 20, Panel5);

    // Each drop-down is named by its caption, for the keyboard and for screen readers.
    const std::pair<QLabel*, DBLookupComboBox*> captions[] = {
        {Label1, DBLookupComboBox1}, {Label7, DBLookupComboBox7}, {Label3, DBLookupComboBox4},
        {Label2, DBLookupComboBox2}, {Label5, DBLookupComboBox5}, {Label4, DBLookupComboBox3},
        {Label6, DBLookupComboBox6},
    };
    for (const auto& [label, box] : captions) {
        label->setBuddy(box);
        QString name = label->text();
        name.chop(1);  // the colon
        box->setAccessibleName(name);
    }

    // Tab order: group, faculty, year, speciality, semester, student, form of education.
    QWidget::setTabOrder(DBLookupComboBox3, DBLookupComboBox1);
    QWidget::setTabOrder(DBLookupComboBox1, DBLookupComboBox2);
    QWidget::setTabOrder(DBLookupComboBox2, DBLookupComboBox4);
    QWidget::setTabOrder(DBLookupComboBox4, DBLookupComboBox5);
    QWidget::setTabOrder(DBLookupComboBox5, DBLookupComboBox6);
    QWidget::setTabOrder(DBLookupComboBox6, DBLookupComboBox7);

    const std::pair<DBLookupComboBox*, void (TForm1::*)()> clicks[] = {
        {DBLookupComboBox1, &TForm1::DBLookupComboBox1Click},
        {DBLookupComboBox7, &TForm1::DBLookupComboBox7Click},
        {DBLookupComboBox4, &TForm1::DBLookupComboBox4Click},
        {DBLookupComboBox2, &TForm1::DBLookupComboBox2Click},
        {DBLookupComboBox5, &TForm1::DBLookupComboBox5Click},
        {DBLookupComboBox3, &TForm1::DBLookupComboBox3Click},
        {DBLookupComboBox6, &TForm1::DBLookupComboBox6Click},
    };
    for (const auto& [box, handler] : clicks) {
        box->canChoose = [this] { return settlePendingEdits(); };
        box->onClick = [this, handler = handler] { guarded([&] { (this->*handler)(); }); };
        box->onEnter = [this] { guarded([this] { DBLookupComboBox1Enter(); }); };
        if (box != DBLookupComboBox7) {  // the form of education has no exit rule
            box->onExit = [this, box = box] { guarded([&] { DBLookupComboBox1Exit(*box); }); };
        }
        if (box != DBLookupComboBox1) {
            box->setEnabled(false);
        }
    }
}

void TForm1::FormCreate() {
    SignIn();
    if (ApplicationState::terminated()) {
        return;
    }
    Panel5Resize();
    QFDBGridEvents1->DuplicateFields().append(
        &dm_.ADOQ_SelectDisciplineForStudent->fieldByName(field::descGroupNum));
}

void TForm1::Panel5Resize() {
    SelectionPanelGeometry g;
    g.panelWidth = Panel5->width();
    g.facultyLabel = Label1->geometry();
    g.formOfEducationLabel = Label7->geometry();
    g.specialityLabel = Label3->geometry();
    g.yearLabel = Label2->geometry();
    g.semesterLabel = Label5->geometry();
    g.groupLabel = Label4->geometry();
    g.studentLabel = Label6->geometry();
    g.facultyCombo = DBLookupComboBox1->geometry();
    g.formOfEducationCombo = DBLookupComboBox7->geometry();
    g.specialityCombo = DBLookupComboBox4->geometry();
    g.yearCombo = DBLookupComboBox2->geometry();
    g.semesterCombo = DBLookupComboBox5->geometry();
    g.groupCombo = DBLookupComboBox3->geometry();
    g.studentCombo = DBLookupComboBox6->geometry();
    layoutSelectionPanel(g);
    Label7->setGeometry(g.formOfEducationLabel);
    Label5->setGeometry(g.semesterLabel);
    Label4->setGeometry(g.groupLabel);
    DBLookupComboBox1->setGeometry(g.facultyCombo);
    DBLookupComboBox7->setGeometry(g.formOfEducationCombo);
    DBLookupComboBox4->setGeometry(g.specialityCombo);
    DBLookupComboBox2->setGeometry(g.yearCombo);
    DBLookupComboBox5->setGeometry(g.semesterCombo);
    DBLookupComboBox3->setGeometry(g.groupCombo);
    DBLookupComboBox6->setGeometry(g.studentCombo);
    if (StudentSearch1) {
        QRect search = g.studentCombo;
        search.moveTop(116);
        StudentSearch1->edit()->setGeometry(search);
    }
}

void TForm1::SignIn() {
    // Owned here for its one modal run, then destroyed; Form8 names it while it exists.
    auto form = std::make_unique<TForm8>(*this);
    Form8 = form.get();
    if (form->exec() == QDialog::Rejected) {
        ApplicationState::terminate();
    }
    form.reset();
    Form8 = nullptr;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel5 && event->type() == QEvent::Resize) {
        Panel5Resize();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::FormCloseQuery() {
    Dataset& electives = *dm_.ADOQ_SelectDisciplineForStudent;
    if (electives.state() == DatasetState::Insert) {
        notify(this, QStringLiteral("Вы ни выбрали поток.\rВы должны заполнить поток!"),
               NoticeIcon::Information);
        return false;
    }
    if (electives.state() == DatasetState::Edit) {
        // The row is posted as when the window goes; a post that fails is answered by the
        // post-error rule, which names the reason (no stream, a conflict, a server refusal),
        // and the window stays.
        try {
            electives.post();
        } catch (const Abort&) {
            return false;
        }
    }
    return settlePendingRow(*dm_.ADOQ_disciplineForStudent2);
}

void TForm1::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    guarded([&] { canClose = FormCloseQuery(); });
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

Value TForm1::studentKey() const {
    return DBLookupComboBox6->key();
}
Value TForm1::yearKey() const {
    return DBLookupComboBox2->key();
}
Value TForm1::semesterKey() const {
    return DBLookupComboBox5->key();
}
Value TForm1::groupKey() const {
    return DBLookupComboBox3->key();
}

void TForm1::showRuleNotice(const QString& text, bool isError) {
    notify(nullptr, text, isError ? NoticeIcon::Error : NoticeIcon::Information);
}

}  // namespace zev
