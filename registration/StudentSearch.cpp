#include "registration/StudentSearch.h"

#include "widgets/Notices.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>

#include <algorithm>

namespace zev {

namespace {

// Rows the list shows at once; more scroll.
constexpr int kVisibleRows = 12;

}  // namespace

StudentSearch::StudentSearch(QWidget* panel, QWidget* overlayParent)
    : QObject(panel),
      edit_(new QLineEdit(panel)),
      list_(new QTreeWidget(overlayParent)),
      overlayParent_(overlayParent) {
    edit_->setPlaceholderText(QStringLiteral("Фамилия студента (Ctrl+K)"));
    edit_->setClearButtonEnabled(true);
    edit_->installEventFilter(this);

    list_->setColumnCount(6);
    list_->setHeaderLabels({QStringLiteral("Студент"), QStringLiteral("Группа"),
                            QStringLiteral("Форма обучения"), QStringLiteral("Учебный год"),
                            QStringLiteral("Семестр"), QStringLiteral("Специальность")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // The field keeps the focus while the list is open, so that typing goes on narrowing it.
    list_->setFocusPolicy(Qt::NoFocus);
    list_->header()->setStretchLastSection(true);
    list_->header()->setSectionsMovable(false);
    list_->hide();
    overlayParent_->installEventFilter(this);

    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { search(text); });
    connect(list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { choose(list_->indexOfTopLevelItem(item)); });
}

bool StudentSearch::listShown() const {
    return list_->isVisible();
}

void StudentSearch::search(const QString& text) {
    found_.clear();
    list_->clear();
    if (text.trimmed().isEmpty() || !find) {
        hideList();
        return;
    }
    guarded([&] { found_ = find(text); });
    for (const FoundStudent& s : found_) {
        auto* item = new QTreeWidgetItem(
            list_, {s.name, s.groupName, s.formName, s.yearName, s.semesterName, s.specialityName});
        item->setToolTip(5, s.specialityName);
    }
    if (found_.empty()) {
        auto* none = new QTreeWidgetItem(list_, {QStringLiteral("Студент не найден")});
        none->setFlags(Qt::NoItemFlags);
    } else {
        list_->setCurrentItem(list_->topLevelItem(0));
    }
    showList();
}

void StudentSearch::showList() {
    if (list_->topLevelItemCount() == 0) {
        return;
    }
    placeList();
    list_->show();
    list_->raise();
}

void StudentSearch::placeList() {
    const QPoint topLeft = edit_->mapTo(overlayParent_, QPoint(0, edit_->height()));
    const int width = std::max(edit_->width(), overlayParent_->width() - topLeft.x() - 6);
    const int rowHeight = std::max(list_->fontMetrics().height() + 4, 18);
    const int rows = std::min(list_->topLevelItemCount(), kVisibleRows);
    const int height =
        rows * rowHeight + list_->header()->sizeHint().height() + 2 * list_->frameWidth();
    list_->setGeometry(topLeft.x(), topLeft.y(), width,
                       std::min(height, overlayParent_->height() - topLeft.y()));
    // Name, group, form, year and semester fit their texts; the speciality takes the rest.
    for (int c = 0; c < 5; ++c) {
        list_->resizeColumnToContents(c);
    }
}

void StudentSearch::hideList() {
    list_->hide();
}

void StudentSearch::activate() {
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
    showList();
}

void StudentSearch::choose(int row) {
    if (row < 0 || row >= static_cast<int>(found_.size())) {
        return;
    }
    const FoundStudent chosen = found_[static_cast<std::size_t>(row)];
    hideList();
    if (onChoose) {
        onChoose(chosen);
    }
}

void StudentSearch::moveCurrent(int by) {
    if (found_.empty()) {
        return;
    }
    if (!list_->isVisible()) {
        showList();
        return;
    }
    const int last = static_cast<int>(found_.size()) - 1;
    const int now = list_->indexOfTopLevelItem(list_->currentItem());
    list_->setCurrentItem(list_->topLevelItem(std::clamp(now + by, 0, last)));
}

bool StudentSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == overlayParent_ && event->type() == QEvent::Resize && list_->isVisible()) {
        placeList();
    }
    if (watched != edit_) {
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusOut) {
        hideList();
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Down:
                moveCurrent(1);
                return true;
            case Qt::Key_Up:
                moveCurrent(-1);
                return true;
            case Qt::Key_PageDown:
                moveCurrent(kVisibleRows - 1);
                return true;
            case Qt::Key_PageUp:
                moveCurrent(-(kVisibleRows - 1));
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (list_->isVisible()) {
                    choose(list_->indexOfTopLevelItem(list_->currentItem()));
                } else {
                    showList();
                }
                return true;
            case Qt::Key_Escape:
                if (list_->isVisible()) {
                    hideList();
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zev
