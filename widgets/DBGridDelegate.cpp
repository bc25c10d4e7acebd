#include "widgets/DBGridDelegate.h"

#include "widgets/DBGridEh.h"
#include "widgets/DBGridModel.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>

#include <algorithm>
#include <vector>

namespace zev {

namespace {

constexpr char kOriginalText[] = "zevOriginalText";

// The cell editor of a lookup column: the lookup dataset's rows that pass its current filter,
// in its current order, each with the key it stands for.
class LookupCellEditor : public QComboBox {
public:
    explicit LookupCellEditor(QWidget* parent) : QComboBox(parent) {}
    std::vector<Value> keys;

    int indexOfKey(const Value& key) const {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (valuesEqual(keys[i], key)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

// Draws the entries of an open drop-down list with their list texts (kDropDownTextRole) where
// the column gives them; the entries' own texts stay what the closed editor shows and commits.
class DropDownTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant listed = index.data(kDropDownTextRole);
        if (listed.isValid()) {
            option->text = listed.toString();
        }
    }
};

void fillLookupEditor(LookupCellEditor& editor, const Field& lookupField,
                      const DBGridColumnEh& column) {
    Dataset* list = lookupField.lookupDataset();
    if (list == nullptr || !list->isOpen()) {
        return;
    }
    Field& key = list->fieldByName(lookupField.lookupKeyFields());
    Field& shown = list->fieldByName(lookupField.lookupResultField());
    const int rows = list->recordCount();
    QStringList texts;
    for (int row = 0; row < rows; ++row) {
        Dataset::DisplayRow display(*list, row);
        editor.keys.push_back(key.value());
        texts << shown.text();
    }
    editor.addItems(texts);
    if (!column.dropDownTexts) {
        return;
    }
    QStringList listed;
    try {
        listed = column.dropDownTexts(editor.keys, texts);
    } catch (const std::exception&) {
        return;  // without what the column adds, the entries still list their texts
    }
    if (listed.size() != texts.size()) {
        return;
    }
    for (qsizetype i = 0; i < listed.size(); ++i) {
        editor.setItemData(static_cast<int>(i), listed[i], kDropDownTextRole);
    }
    editor.view()->setItemDelegate(new DropDownTextDelegate(editor.view()));
}

// The field of the grid's dataset that a committed value of this column is written into.
Field* keyFieldOf(const Field& field) {
    return field.isLookup() ? field.dataset().findField(field.keyFields()) : nullptr;
}

bool forwardedToGrid(const QKeyEvent& key) {
    const bool ctrl = key.modifiers().testFlag(Qt::ControlModifier);
    switch (key.key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return !key.modifiers().testFlag(Qt::AltModifier);
        case Qt::Key_Delete:
        case Qt::Key_F:
            return ctrl;
        case Qt::Key_Insert:
            return key.modifiers() == Qt::NoModifier;
        default:
            return false;
    }
}

// The keys with which a text editor copies, cuts and pastes its own text.
bool isClipboardKey(const QKeyEvent& key) {
    return key.matches(QKeySequence::Copy) || key.matches(QKeySequence::Cut) ||
           key.matches(QKeySequence::Paste);
}

}  // namespace

DBGridDelegate::DBGridDelegate(DBGridEh& grid, QObject* parent)
    : QStyledItemDelegate(parent), grid_(grid) {}

int DBGridDelegate::editButtonWidth(int cellWidth) {
    return std::min(16, cellWidth / 2);
}

void DBGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    painter->save();
    if (index.column() == 0) {
        paintIndicator(painter, option, index.row());
    } else {
        paintDataCell(painter, option, index.row(), index.column() - 1);
    }
    painter->restore();
}

void DBGridDelegate::paintIndicator(QPainter* painter, const QStyleOptionViewItem& option,
                                    int row) const {
    const QRect rect = option.rect;
    const QPalette& palette = grid_.palette();
    painter->fillRect(rect, palette.button());
    painter->setPen(palette.color(QPalette::Light));
    painter->drawLine(rect.topLeft(), rect.topRight());
    painter->drawLine(rect.topLeft(), rect.bottomLeft());
    painter->setPen(palette.color(QPalette::Dark));
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->drawLine(rect.topRight(), rect.bottomRight());

    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(palette.color(QPalette::ButtonText));
    painter->setBrush(palette.color(QPalette::ButtonText));
    const QPoint c = rect.center();
    if (row == grid_.currentRowIndex()) {
        Dataset* dataset = grid_.dataset();
        const DatasetState state = dataset ? dataset->state() : DatasetState::Inactive;
        if (state == DatasetState::Edit) {
            // An I-beam: the row is being edited.
            painter->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
            painter->drawLine(c.x() - 2, c.y() - 4, c.x() + 2, c.y() - 4);
            painter->drawLine(c.x() - 2, c.y() + 4, c.x() + 2, c.y() + 4);
        } else if (state == DatasetState::Insert) {
            // An asterisk: the row is new.
            painter->drawLine(c.x() - 3, c.y(), c.x() + 3, c.y());
            painter->drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
            painter->drawLine(c.x() - 2, c.y() - 2, c.x() + 2, c.y() + 2);
            painter->drawLine(c.x() - 2, c.y() + 2, c.x() + 2, c.y() - 2);
        } else {
            // A triangle pointing at the current row.
            const QPoint triangle[3] = {
                {c.x() - 2, c.y() - 4}, {c.x() + 2, c.y()}, {c.x() - 2, c.y() + 4}};
            painter->drawPolygon(triangle, 3);
        }
    } else if (grid_.isRowSelected(row)) {
        painter->drawEllipse(c, 2, 2);
    }
}

void DBGridDelegate::paintDataCell(QPainter* painter, const QStyleOptionViewItem& option, int row,
                                   int dataCol) const {
    DBGridEh::CellPaint cell = grid_.cellPaint(row, dataCol);
    DBGridColumnEh& column = grid_.column(dataCol);
    QRect rect = option.rect;
    QRect buttonRect;
    if (column.alwaysShowEditButton) {
        const int width = editButtonWidth(rect.width());
        buttonRect = QRect(rect.right() - width + 1, rect.top(), width, rect.height());
        rect.setRight(rect.right() - width);
    }
    painter->setClipRect(rect);

    if (!grid_.defaultDrawing()) {
        // The owner paints the cell: the base colours are set, the dataset reads the painted row.
        painter->fillRect(rect, cell.background);
        grid_.drawCellByCallback(*painter, rect, row, dataCol, cell.state);
    } else {
        painter->fillRect(rect, cell.background);
        painter->setFont(cell.font);
        painter->setPen(cell.foreground);
        const QRect textRect = rect.adjusted(2, 0, -3, 0);
        painter->drawText(textRect, static_cast<int>(column.alignment | Qt::AlignVCenter),
                          grid_.gridModel().cellText(row, dataCol));
    }
    if (buttonRect.isValid()) {
        painter->setClipRect(buttonRect);
        paintEditButton(painter, buttonRect);
    }
}

void DBGridDelegate::paintEditButton(QPainter* painter, const QRect& rect) const {
    QStyleOptionButton button;
    button.rect = rect;
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    button.palette = grid_.palette();
    grid_.style()->drawControl(QStyle::CE_PushButtonBevel, &button, painter, &grid_);
    painter->setPen(grid_.palette().color(QPalette::ButtonText));
    painter->setBrush(grid_.palette().color(QPalette::ButtonText));
    // Three dots, as the ellipsis of an edit button.
    const QPoint c = rect.center();
    for (int dx : {-3, 0, 3}) {
        painter->drawRect(c.x() + dx - 1, c.y() + 1, 1, 1);
    }
}

QWidget* DBGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                      const QModelIndex& index) const {
    if (index.column() == 0) {
        return nullptr;
    }
    DBGridColumnEh& column = grid_.column(index.column() - 1);
    Field* field = column.field();
    if (field == nullptr) {
        return nullptr;
    }
    QWidget* editor = nullptr;
    if (field->isLookup()) {
        auto* lookup = new LookupCellEditor(parent);
        lookup->setObjectName(QStringLiteral("lookupCellEditor"));
        lookup->setFont(column.font.value_or(grid_.font()));
        lookup->setMaxVisibleItems(7);
        try {
            fillLookupEditor(*lookup, *field, column);
        } catch (const std::exception&) {
            // A lookup dataset without the named fields lists nothing.
        }
        if (column.dropDownWidth > 0) {
            lookup->view()->setMinimumWidth(column.dropDownWidth);
        }
        // Choosing an entry commits it at once, as a drop-down list does.
        connect(lookup, &QComboBox::activated, this, [this, lookup](int) {
            Q_EMIT const_cast<DBGridDelegate*>(this)->commitData(lookup);
        });
        editor = lookup;
    } else {
        auto* line = new QLineEdit(parent);
        line->setObjectName(QStringLiteral("textCellEditor"));
        line->setFrame(false);
        line->setFont(column.font.value_or(grid_.font()));
        line->setAlignment(column.alignment | Qt::AlignVCenter);
        if (field->isStringType()) {
            line->setMaxLength(field->size());
        }
        editor = line;
    }
    editor_ = editor;
    return editor;
}

void DBGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    DBGridColumnEh& column = grid_.column(index.column() - 1);
    Field* field = column.field();
    if (field == nullptr) {
        return;
    }
    try {
        if (auto* lookup = dynamic_cast<LookupCellEditor*>(editor)) {
            Field* key = keyFieldOf(*field);
            lookup->setCurrentIndex(key ? lookup->indexOfKey(key->value()) : -1);
        } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            const QVariant original = line->property(kOriginalText);
            if (original.isValid() && line->text() != original.toString()) {
                return;  // what the user is typing stays until it is committed or undone
            }
            line->setText(field->text());
            // What the row held: an editor left as it was commits nothing.
            line->setProperty(kOriginalText, line->text());
        }
    } catch (const std::exception&) {
    }
}

void DBGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* /*model*/,
                                  const QModelIndex& index) const {
    const int dataCol = index.column() - 1;
    DBGridColumnEh& column = grid_.column(dataCol);
    Field* field = column.field();
    if (field == nullptr || !grid_.cellEditable(dataCol)) {
        return;
    }
    if (auto* lookup = dynamic_cast<LookupCellEditor*>(editor)) {
        const int chosen = lookup->currentIndex();
        if (chosen < 0) {
            return;
        }
        grid_.commitLookupChoice(column, lookup->keys[static_cast<std::size_t>(chosen)],
                                 lookup->itemText(chosen));
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        if (line->text() == line->property(kOriginalText).toString()) {
            return;  // nothing changed: nothing to commit
        }
        line->setProperty(kOriginalText, line->text());
        grid_.commitText(column, line->text());
    }
}

void DBGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
    QRect rect = option.rect;
    if (index.column() > 0 && grid_.column(index.column() - 1).alwaysShowEditButton) {
        rect.setRight(rect.right() - editButtonWidth(rect.width()));
    }
    editor->setGeometry(rect);
}

bool DBGridDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::FocusOut && grid_.window()->isHidden()) {
        return false;  // a closing window commits nothing into the rows behind it
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Moving keys and the grid's own commands go to the grid, as from the grid itself;
        // every other key is first shown to the grid's key-down callback.
        if (forwardedToGrid(*key)) {
            grid_.handleKey(key);
            return true;
        }
        // A text editor keeps its own clipboard keys: they work on the text being typed, not on
        // the grid's rows.
        if (qobject_cast<QLineEdit*>(object) != nullptr && isClipboardKey(*key)) {
            return QStyledItemDelegate::eventFilter(object, event);
        }
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // Escape undoes the cell (the editor closes without committing) and then, as in the
            // grid itself, the row's edits; an always-shown editor comes back on the row as it
            // was.
            QStyledItemDelegate::eventFilter(object, event);
            grid_.handleKey(key);
            return true;
        }
        if (!grid_.notifyKeyDown(key)) {
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

}  // namespace zev
