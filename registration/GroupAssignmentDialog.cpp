#include "registration/GroupAssignmentDialog.h"

#include "data/DataModule.h"
#include "data/ElectivesSql.h"
#include "data/FieldNames.h"
#include "widgets/Fonts.h"
#include "widgets/Notices.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zev {

namespace {

constexpr int kKeyRole = Qt::UserRole;

QLabel* boldLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont bold = defaultUiFont();
    bold.setBold(true);
    label->setFont(bold);
    label->setBuddy(buddy);
    return label;
}

QComboBox* listBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setMinimumWidth(360);
    box->setMaxVisibleItems(20);
    return box;
}

Value keyOf(const QComboBox& box) {
    const QVariant key = box.currentData(kKeyRole);
    return key.isValid() ? Value{key.toLongLong()} : Value{};
}

QString nameIn(Dataset& list, const QString& keyField, const Value& key, const QString& field) {
    return list.isOpen() ? valueText(list.lookup(keyField, key, field)) : QString();
}

}  // namespace

QString assignmentPreview(const AssignmentPlan& plan, const QString& streamNumber,
                          const StreamPlace& places) {
    QStringList lines;
    lines << QStringLiteral("Будет изменено строк: %1.").arg(plan.changes.size());
    if (places.capacity && plan.room && *plan.room < plan.wanted) {
        lines << QStringLiteral(
                     "Поток %1 (%2/%3): свободно мест %4, их хватит на %4 из %5 "
                     "отмеченных.")
                     .arg(streamNumber)
                     .arg(places.taken)
                     .arg(*places.capacity)
                     .arg(*plan.room)
                     .arg(plan.wanted);
    }
    if (plan.skipped.empty()) {
        lines << QStringLiteral("Пропущенных студентов нет.");
    } else {
        lines << QStringLiteral("Пропущены (%1):").arg(plan.skipped.size());
        for (const PlannedStudent& student : plan.skipped) {
            lines << QStringLiteral("    %1 — %2")
                         .arg(student.name,
                              skipReasonText(student.skipped.value_or(SkipReason::NoPlace)));
        }
    }
    return lines.join(u'\n');
}

GroupAssignmentDialog::GroupAssignmentDialog(TDM_MB& dm, AssignmentGroup group,
                                             std::vector<GroupStudent> students, QWidget* parent)
    : QDialog(parent),
      dm_(dm),
      group_(std::move(group)),
      students_(std::move(students)),
      places_(groupPlaces(students_)),
      streams_(new Query(&dm.ADOCon, this)) {
    useDialogFrame(*this);
    setWindowTitle(QStringLiteral("Назначить группе"));
    setFont(defaultUiFont());
    resize(640, 600);

    GroupLabel = new QLabel(
        QStringLiteral("Группа %1, %2, %3").arg(group_.name, group_.year, group_.semester), this);
    QFont bold = defaultUiFont();
    bold.setBold(true);
    GroupLabel->setFont(bold);
    GroupLabel->setTextFormat(Qt::PlainText);

    PlaceBox = listBox(this);
    DisciplineBox = listBox(this);
    TeacherBox = listBox(this);
    StreamBox = listBox(this);
    auto* form = new QGridLayout;
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(6);
    const std::pair<const char*, QComboBox*> rows[] = {
        {"&Место:", PlaceBox},
        {"&Дисциплина:", DisciplineBox},
        {"&Преподаватель:", TeacherBox},
        {"П&оток:", StreamBox},
    };
    int row = 0;
    for (const auto& [caption, box] : rows) {
        form->addWidget(boldLabel(QString::fromUtf8(caption), box, this), row, 0);
        form->addWidget(box, row, 1);
        ++row;
    }
    form->setColumnStretch(1, 1);

    StudentList = new QTreeWidget(this);
    StudentList->setColumnCount(2);
    StudentList->setHeaderLabels({QStringLiteral("Студент"), QStringLiteral("Место")});
    StudentList->setRootIsDecorated(false);
    StudentList->setUniformRowHeights(true);
    StudentList->header()->setFont(bold);
    StudentList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    StudentList->header()->setStretchLastSection(false);
    StudentList->header()->resizeSection(1, 260);

    PreviewText = new QPlainTextEdit(this);
    PreviewText->setReadOnly(true);
    PreviewText->setTabChangesFocus(true);
    PreviewText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    PreviewText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PreviewText->setFixedHeight(120);

    AssignButton = new QPushButton(QStringLiteral("Назначить"), this);
    AssignButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    CancelButton->setAutoDefault(false);
    connect(AssignButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(AssignButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(GroupLabel);
    layout->addLayout(form);
    layout->addWidget(boldLabel(QStringLiteral("&Студенты:"), StudentList, this));
    layout->addWidget(StudentList, 1);
    layout->addWidget(boldLabel(QStringLiteral("Предпросмотр:"), PreviewText, this));
    layout->addWidget(PreviewText);
    layout->addLayout(buttons);
    setTabOrder(PlaceBox, DisciplineBox);
    setTabOrder(DisciplineBox, TeacherBox);
    setTabOrder(TeacherBox, StreamBox);
    setTabOrder(StreamBox, StudentList);
    setTabOrder(StudentList, PreviewText);
    setTabOrder(PreviewText, AssignButton);
    setTabOrder(AssignButton, CancelButton);

    streams_->setSQL(dm_.ADOQ_SubGroup->sql());

    for (const GroupPlace& place : places_) {
        const QString what =
            place.code.isEmpty()
                ? QStringLiteral("группа %1").arg(valueText(place.key.alternatives))
                : place.code;
        const QString year = nameIn(*dm_.ADOQ_Year, field::id_a_year, place.key.year, field::p32);
        const QString semester =
            nameIn(*dm_.ADOQ_Semester, field::id_semester, place.key.semester, field::p43);
        PlaceBox->addItem(QStringLiteral("%1 — %2, %3 (свободно у %4 из %5)")
                              .arg(what, year, semester)
                              .arg(place.free)
                              .arg(place.students));
    }
    // The first place that someone still has free.
    const auto open = std::find_if(places_.begin(), places_.end(),
                                   [](const GroupPlace& p) { return p.free > 0; });
    PlaceBox->setCurrentIndex(open == places_.end() ? 0 : static_cast<int>(open - places_.begin()));
    connect(PlaceBox, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { placeChosen(); }); });
    connect(DisciplineBox, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { disciplineChosen(); }); });
    connect(TeacherBox, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { teacherChosen(); }); });
    connect(StreamBox, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { streamChosen(); }); });
    connect(StudentList, &QTreeWidget::itemChanged, this, [this] {
        if (!filling_) {
            guarded([this] { updatePreview(); });
        }
    });
    placeChosen();
    PlaceBox->setFocus();
}

GroupAssignmentDialog::~GroupAssignmentDialog() = default;

bool GroupAssignmentDialog::complete() const {
    return !isNull(assignment_.discipline) && !isNull(assignment_.teacher) &&
           !isNull(assignment_.stream);
}

QString GroupAssignmentDialog::streamNumber() const {
    return valueText(assignment_.stream);
}

const GroupAssignmentDialog::Discipline* GroupAssignmentDialog::chosenDiscipline() const {
    const Value key = keyOf(*DisciplineBox);
    const auto found = std::find_if(disciplines_.begin(), disciplines_.end(),
                                    [&key](const Discipline& d) { return valuesEqual(d.id, key); });
    return found == disciplines_.end() ? nullptr : &*found;
}

Value GroupAssignmentDialog::placeHalfYear() const {
    return dm_.ADOQ_Semester->isOpen()
               ? dm_.ADOQ_Semester->lookup(field::id_semester, assignment_.place.semester,
                                           field::id_w_s)
               : Value{};
}

void GroupAssignmentDialog::placeChosen() {
    const int index = PlaceBox->currentIndex();
    assignment_ = PlaceAssignment{};
    disciplines_.clear();
    if (index >= 0 && index < static_cast<int>(places_.size())) {
        assignment_.place = places_[static_cast<std::size_t>(index)].key;
        // The alternatives as the discipline list of the electives grid offers them for a row
        // of this place: read for a student who has it.
        const auto holder =
            std::find_if(students_.begin(), students_.end(), [this](const GroupStudent& s) {
                return std::any_of(s.places.begin(), s.places.end(), [this](const auto& p) {
                    return valuesEqual(p.place.alternatives, assignment_.place.alternatives);
                });
            });
        if (holder != students_.end()) {
            const ResultSet rows =
                dm_.ADOCon.query(dm_.ADOQ_DisciplineForStudent->sql(),
                                 {{field::id_speciality, group_.choice.speciality},
                                  {field::id_a_year, group_.choice.year},
                                  {field::id_student, holder->id},
                                  {field::id_semester, group_.choice.semester}});
            const int id = rows.columnIndex(field::id_discipline),
                      name = rows.columnIndex(field::p34),
                      alternatives = rows.columnIndex(field::descGroupNum),
                      department = rows.columnIndex(field::id_kafedra),
                      examination = rows.columnIndex(field::id_examination);
            for (int r = 0; r < rows.rowCount(); ++r) {
                if (valuesEqual(rows.at(r, alternatives), assignment_.place.alternatives)) {
                    disciplines_.push_back({rows.at(r, id), valueText(rows.at(r, name)),
                                            rows.at(r, department), rows.at(r, examination)});
                }
            }
        }
    }
    fillStudents();
    {
        const QSignalBlocker quiet(DisciplineBox);
        DisciplineBox->clear();
        for (const Discipline& discipline : disciplines_) {
            DisciplineBox->addItem(discipline.name,
                                   QVariant(valueText(discipline.id).toLongLong()));
        }
        DisciplineBox->setCurrentIndex(-1);
    }
    disciplineChosen();
}

void GroupAssignmentDialog::disciplineChosen() {
    const Discipline* discipline = chosenDiscipline();
    assignment_.discipline = discipline ? discipline->id : Value{};
    // The teachers of the discipline's department, as the grid's teacher list has them.
    const QString department = discipline ? valueText(discipline->department) : QString();
    const QSignalBlocker quiet(TeacherBox);
    TeacherBox->clear();
    if (!department.isEmpty()) {
        const ResultSet rows = dm_.ADOCon.query(ElectivesSql::teachersOfDepartment(department));
        const int id = rows.columnIndex(field::id_teacher), name = rows.columnIndex(field::t_fio);
        for (int r = 0; r < rows.rowCount(); ++r) {
            TeacherBox->addItem(valueText(rows.at(r, name)),
                                QVariant(valueText(rows.at(r, id)).toLongLong()));
        }
    }
    TeacherBox->setCurrentIndex(-1);
    teacherChosen();
}

void GroupAssignmentDialog::teacherChosen() {
    assignment_.teacher = keyOf(*TeacherBox);
    const Discipline* discipline = chosenDiscipline();
    const Value halfYear = placeHalfYear();
    ElectivesSql::StreamKeys keys{
        discipline ? valueText(discipline->department) : QString(),
        valueText(assignment_.teacher),
        valueText(assignment_.discipline),
        discipline ? valueText(discipline->examination) : QString(),
        valueText(assignment_.place.year),
        valueText(halfYear),
    };
    std::vector<qint64> numbers;
    streamPlaces_ = {};
    if (!keys.kafedra.isEmpty() && !keys.teacher.isEmpty() && !keys.discipline.isEmpty() &&
        !keys.examination.isEmpty() && !keys.year.isEmpty() && !keys.idWs.isEmpty()) {
        // The streams the grid's stream list offers for a row of the place.
        if (!streams_->isOpen()) {
            streams_->paramByName(QStringLiteral("id_o_z")).setValue(group_.formOfEducation);
            streams_->open();
        }
        streams_->setFiltered(false);
        streams_->setFilter(ElectivesSql::streamFilter(keys));
        streams_->setFiltered(true);
        const Field& number = streams_->fieldByName(field::subgroup);
        for (int r = 0; r < streams_->recordCount(); ++r) {
            const Dataset::DisplayRow shown(*streams_, r);
            if (!isNull(number.value())) {
                numbers.push_back(valueText(number.value()).toLongLong());
            }
        }
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        streamPlaces_ = readStreamPlaces(*dm_.ADOQ_StreamPlaces, assignment_.discipline,
                                         assignment_.teacher, assignment_.place.year, halfYear);
    }
    const QSignalBlocker quiet(StreamBox);
    StreamBox->clear();
    for (const qint64 number : numbers) {
        const QString text = QString::number(number);
        StreamBox->addItem(
            streamPlaces_.isEmpty() ? text : streamListText(text, streamPlaces_.of(Value{number})),
            QVariant(number));
    }
    StreamBox->setCurrentIndex(-1);
    streamChosen();
}

void GroupAssignmentDialog::streamChosen() {
    assignment_.stream = keyOf(*StreamBox);
    assignment_.streamPlaces =
        isNull(assignment_.stream) ? StreamPlace{} : streamPlaces_.of(assignment_.stream);
    updatePreview();
}

void GroupAssignmentDialog::fillStudents() {
    // Which students have the place free, whatever is put into it.
    PlaceAssignment placeOnly;
    placeOnly.place = assignment_.place;
    const AssignmentPlan open = planAssignment(students_, placeOnly);
    filling_ = true;
    StudentList->clear();
    for (const GroupStudent& student : students_) {
        auto* item = new QTreeWidgetItem(StudentList, {student.name, QString()});
        item->setData(0, kKeyRole, QVariant(valueText(student.id).toLongLong()));
        const bool free = std::any_of(
            open.changes.begin(), open.changes.end(),
            [&student](const PlannedStudent& p) { return valuesEqual(p.student, student.id); });
        if (free) {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Checked);
        } else {
            // A student whose place is not free cannot get it: his box stays empty and grey.
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
        }
    }
    if (StudentList->topLevelItemCount() > 0) {
        StudentList->setCurrentItem(StudentList->topLevelItem(0));
    }
    filling_ = false;
}

std::vector<Value> GroupAssignmentDialog::checkedStudents() const {
    std::vector<Value> keys;
    for (int i = 0; i < StudentList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = StudentList->topLevelItem(i);
        if ((item->flags() & Qt::ItemIsEnabled) && item->checkState(0) == Qt::Checked) {
            keys.emplace_back(item->data(0, kKeyRole).toLongLong());
        }
    }
    return keys;
}

void GroupAssignmentDialog::updatePreview() {
    plan_ = planAssignment(students_, assignment_, checkedStudents());
    filling_ = true;
    for (int i = 0; i < StudentList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = StudentList->topLevelItem(i);
        const Value key{item->data(0, kKeyRole).toLongLong()};
        const auto is = [&key](const PlannedStudent& p) { return valuesEqual(p.student, key); };
        QString state = QStringLiteral("свободно, не отмечен");
        if (std::any_of(plan_.changes.begin(), plan_.changes.end(), is)) {
            state = QStringLiteral("будет назначено");
        } else if (const auto skipped =
                       std::find_if(plan_.skipped.begin(), plan_.skipped.end(), is);
                   skipped != plan_.skipped.end()) {
            state = skipReasonText(skipped->skipped.value_or(SkipReason::NoPlace));
        }
        item->setText(1, state);
    }
    filling_ = false;
    if (!complete()) {
        // A teacher without a stream of the discipline in the place's year and half-year leaves
        // nothing to choose: say so rather than ask for a stream the list cannot offer.
        const bool noStreams = !isNull(assignment_.discipline) && !isNull(assignment_.teacher) &&
                               StreamBox->count() == 0;
        PreviewText->setPlainText(
            (noStreams ? QStringLiteral("У преподавателя нет потоков этой дисциплины в этом "
                                        "учебном году и полугодии: выберите другого "
                                        "преподавателя.\n")
                       : QStringLiteral("Выберите дисциплину, преподавателя и поток.\n")) +
            assignmentPreview(plan_, streamNumber(), assignment_.streamPlaces).section(u'\n', 1));
        AssignButton->setEnabled(false);
        return;
    }
    PreviewText->setPlainText(assignmentPreview(plan_, streamNumber(), assignment_.streamPlaces));
    AssignButton->setEnabled(!plan_.changes.empty());
}

}  // namespace zev
