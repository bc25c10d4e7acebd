#include "widgets/GridFindDialog.h"

#include "widgets/DBGridEh.h"
#include "widgets/Notices.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zev {

GridFindDialog::GridFindDialog(DBGridEh& grid)
    : QDialog(&grid), grid_(grid), text_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Поиск"));
    useDialogFrame(*this);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Найти:"), this));
    row->addWidget(text_, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* next =
        buttons->addButton(QStringLiteral("Найти далее"), QDialogButtonBox::ActionRole);
    next->setDefault(true);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(next, &QPushButton::clicked, this, &GridFindDialog::findNext);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void GridFindDialog::findNext() {
    if (!text_->text().isEmpty() && !grid_.findNext(text_->text())) {
        text_->selectAll();
    }
}

}  // namespace zev
