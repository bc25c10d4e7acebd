#include "registration/HistoryDialog.h"

#include "data/Dataset.h"
#include "registration/HistoryRows.h"
#include "widgets/DBGridEh.h"
#include "widgets/Fonts.h"
#include "widgets/Notices.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zev {

HistoryDialog::HistoryDialog(Connection& connection, QWidget* parent)
    : QDialog(parent),
      rows_(new HistoryRows(&connection, this)),
      source_(new DataSource(rows_, this)) {
    useDialogFrame(*this);
    setWindowTitle(QStringLiteral("История"));
    setFont(defaultUiFont());
    resize(1020, 460);

    SubjectLabel = new QLabel(this);
    QFont bold = defaultUiFont();
    bold.setBold(true);
    SubjectLabel->setFont(bold);
    SubjectLabel->setTextFormat(Qt::PlainText);

    HistoryGrid = new DBGridEh(this);
    HistoryGrid->setDataSource(source_);
    HistoryGrid->setOptions(GridOption::Titles | GridOption::Indicator | GridOption::ColLines |
                            GridOption::RowLines | GridOption::Tabs);
    HistoryGrid->setOptionsEh(GridOptionEh::RowHighlight);
    HistoryGrid->setAllowedOperations({});
    HistoryGrid->setTitleFont(bold);
    HistoryGrid->setFont(defaultUiFont());
    const std::pair<const char*, int> columns[] = {
        {"Когда", 118}, {"Кто", 120},  {"Действие", 78}, {"Запись", 172},
        {"Что", 150},   {"Было", 160}, {"Стало", 160},
    };
    for (const auto& [title, width] : columns) {
        const QString name = QString::fromUtf8(title);
        DBGridColumnEh& column = HistoryGrid->addColumn(name, name, width);
        column.readOnly = true;
        column.alignment = Qt::AlignLeft;
    }
    HistoryGrid->installEventFilter(this);

    EmptyLabel = new QLabel(QStringLiteral("Изменений нет."), this);
    EmptyLabel->setAlignment(Qt::AlignCenter);
    EmptyLabel->hide();

    CloseButton = new QPushButton(QStringLiteral("Закрыть"), this);
    CloseButton->setAutoDefault(false);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(SubjectLabel);
    layout->addWidget(HistoryGrid, 1);
    layout->addWidget(EmptyLabel, 1);
    layout->addLayout(buttons);
    setTabOrder(HistoryGrid, CloseButton);
}

HistoryDialog::~HistoryDialog() {
    HistoryGrid->setDataSource(nullptr);
}

void HistoryDialog::showRow(const QString& table, std::int64_t key, const QString& subject) {
    setWindowTitle(QStringLiteral("История записи"));
    rows_->setRow(table, key);
    opened(subject);
}

void HistoryDialog::showStudent(std::int64_t student, const QString& subject) {
    setWindowTitle(QStringLiteral("История студента"));
    rows_->setStudent(student);
    opened(subject);
}

void HistoryDialog::opened(const QString& subject) {
    SubjectLabel->setText(subject);
    rows_->open();
    const bool empty = rows_->isEmpty();
    HistoryGrid->setVisible(!empty);
    EmptyLabel->setVisible(empty);
    if (empty) {
        CloseButton->setFocus();
    } else {
        rows_->first();
        HistoryGrid->setFocus();
    }
}

bool HistoryDialog::eventFilter(QObject* watched, QEvent* event) {
    // The grid would take Escape for cancelling an edit; nothing is edited here, and Escape
    // closes the dialog wherever the focus is.
    if (watched == HistoryGrid &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (event->type() == QEvent::KeyPress) {
            reject();
        }
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace zev
