#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

namespace zev {

class DBGridEh;

// Paints the grid's cells (or hands them to the cell-drawing callback when the grid's default
// drawing is off), paints the row indicator and the ellipsis buttons, and makes the cell
// editors: a drop-down of the lookup dataset's rows for a lookup column, a line editor
// otherwise. Committing an editor goes through the grid, which runs the column's commit hook.
class DBGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    DBGridDelegate(DBGridEh& grid, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The editor open right now, or nullptr.
    QWidget* openEditor() const { return editor_; }
    void forgetEditor() { editor_ = nullptr; }
    // Width of an ellipsis button in a cell of the given width.
    static int editButtonWidth(int cellWidth);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void paintIndicator(QPainter* painter, const QStyleOptionViewItem& option, int row) const;
    void paintDataCell(QPainter* painter, const QStyleOptionViewItem& option, int row,
                       int dataCol) const;
    void paintEditButton(QPainter* painter, const QRect& rect) const;

    DBGridEh& grid_;
    mutable QPointer<QWidget> editor_;
};

}  // namespace zev
