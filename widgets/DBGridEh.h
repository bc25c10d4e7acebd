#pragma once

#include "data/Dataset.h"

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QTableView>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QKeyEvent;
class QPainter;

namespace zev {

class DBGridDelegate;
class DBGridEh;
class DBGridModel;
class GridFindDialog;

// Options of the grid (dgEditing, dgAlwaysShowEditor, ...).
enum class GridOption {
    Editing = 0x1,
    AlwaysShowEditor = 0x2,
    Titles = 0x4,
    Indicator = 0x8,
    ColLines = 0x10,
    RowLines = 0x20,
    Tabs = 0x40,
    ConfirmDelete = 0x80,
    CancelOnExit = 0x100,
    MultiSelect = 0x200,
};
Q_DECLARE_FLAGS(GridOptions, GridOption)

// Extended options (dghFixed3D, dghHighlightFocus, dghClearSelection, dghRowHighlight, ...).
enum class GridOptionEh {
    Fixed3D = 0x1,
    HighlightFocus = 0x2,
    ClearSelection = 0x4,
    RowHighlight = 0x8,
    DialogFind = 0x10,
};
Q_DECLARE_FLAGS(GridOptionsEh, GridOptionEh)

// Operations the grid itself may perform on its dataset (alopInsertEh, ...).
enum class AllowedOperation { Insert = 0x1, Update = 0x2, Delete = 0x4, Append = 0x8 };
Q_DECLARE_FLAGS(AllowedOperations, AllowedOperation)

// Keyboard edit actions (geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh): bits 0..4.
enum class GridEditAction { Cut = 0x1, Copy = 0x2, Paste = 0x4, Delete = 0x8, SelectAll = 0x10 };
Q_DECLARE_FLAGS(GridEditActions, GridEditAction)

// The state of a painted cell (gdSelected, gdFocused, gdFixed).
enum class CellState { Selected = 0x1, Focused = 0x2, Fixed = 0x4 };
Q_DECLARE_FLAGS(CellStates, CellState)

// What a column's commit hook receives: the new value (for a lookup column the key of the chosen
// entry), the edited text, whether the text rather than the value is to be written, and Handled.
struct ColumnUpdate {
    Value value;
    QString text;
    bool useText = false;
    bool handled = false;
};

// The item role under which a lookup column's open drop-down holds the text it lists for an
// entry, where the column's dropDownTexts gives one.
inline constexpr int kDropDownTextRole = Qt::UserRole + 1;

// One column of a grid, in display order.
class DBGridColumnEh {
public:
    QString fieldName;
    QString title;  // may hold several lines separated by '\n'
    int width = 64;
    int minWidth = 0;
    int maxWidth = 0;  // 0: no maximum
    bool visible = true;
    Qt::Alignment alignment = Qt::AlignLeft;
    std::optional<QColor> color;  // own background; the grid's base colour otherwise
    std::optional<QFont> font;    // own font; the grid's font otherwise
    bool readOnly = false;
    int dropDownWidth = 0;              // width of a lookup column's list; 0: the column's width
    bool alwaysShowEditButton = false;  // an ellipsis button shown in every cell of the column

    // Commit hook, called before a value committed in the cell editor is written; setting
    // Handled or throwing keeps the value from being written.
    std::function<void(DBGridColumnEh& column, ColumnUpdate& update)> onUpdateData;
    // The texts a lookup column's drop-down list shows for its entries, given each entry's key
    // and its text (the list's result field), in list order; unset, the entries show their text.
    // The cells, the closed editor and the committed text keep the result field's text
    // (kDropDownTextRole holds the list's).
    std::function<QStringList(const std::vector<Value>& keys, const QStringList& texts)>
        dropDownTexts;
    // Click on the column's ellipsis button.
    std::function<void(DBGridColumnEh& column)> onEditButtonClick;
    // The text of a cell whose field reads empty, for instance a lookup whose list no longer
    // holds the row's key; the field's dataset reads the painted row.
    std::function<QString(const Field& field)> emptyCellText;

    DBGridEh* grid() const { return grid_; }
    // The field the column shows, found by name in the grid's dataset; nullptr when none.
    Field* field() const;
    // Position in the grid, counting the row-indicator column as 0 and hidden columns too.
    int index() const { return index_; }

private:
    friend class DBGridEh;
    DBGridEh* grid_ = nullptr;
    int index_ = 0;
};

// Painting surface handed to the cell-drawing callback: a background colour and a font, text
// measures in that font, and an output that fills a rectangle and writes clipped text.
class GridCanvas {
public:
    explicit GridCanvas(QPainter& painter);
    QColor brushColor;
    QFont font;
    QColor fontColor;
    int textWidth(const QString& text) const;
    int textHeight(const QString& text) const;
    // Fills rect with brushColor and writes text at (x, y) (top-left of the text), clipped.
    void textRect(const QRect& rect, int x, int y, const QString& text);
    QPainter& painter() { return painter_; }

private:
    QPainter& painter_;
};

// The list of selected rows, held as dataset bookmarks.
class SelectedRows {
public:
    explicit SelectedRows(DBGridEh& grid) : grid_(grid) {}
    int count() const { return static_cast<int>(rows_.size()); }
    const Dataset::Bookmark& item(int index) const { return rows_.at(index); }
    bool contains(const Dataset::Bookmark& bookmark) const;
    void add(const Dataset::Bookmark& bookmark);
    void remove(const Dataset::Bookmark& bookmark);
    void clear();
    // Marks every record, going from the first to the last and returning to the current one.
    void selectAll();

private:
    DBGridEh& grid_;
    std::vector<Dataset::Bookmark> rows_;
};

// A data-aware grid over a data source, on Qt's model/view classes. The dataset's current row is
// the grid's current row; leaving an edited row posts it; moving below the last row appends
// (subject to the allowed operations and the dataset's rules).
class DBGridEh : public QTableView {
    Q_OBJECT
public:
    explicit DBGridEh(QWidget* parent = nullptr);
    ~DBGridEh() override;

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return dataSource_; }
    Dataset* dataset() const;

    // Columns in display order; the grid owns them.
    DBGridColumnEh& addColumn(const QString& fieldName, const QString& title, int width);
    int columnCount() const { return static_cast<int>(columns_.size()); }
    DBGridColumnEh& column(int index) const { return *columns_.at(index); }  // 0-based data column
    DBGridColumnEh* currentColumn() const;
    // Lays the columns out again after their settings (width, visibility, title...) changed.
    void refreshColumns();

    GridOptions options() const { return options_; }
    void setOptions(GridOptions options);
    GridOptionsEh optionsEh() const { return optionsEh_; }
    void setOptionsEh(GridOptionsEh options);
    AllowedOperations allowedOperations() const { return allowedOperations_; }
    void setAllowedOperations(AllowedOperations operations) { allowedOperations_ = operations; }
    GridEditActions editActions() const { return editActions_; }
    void setEditActions(GridEditActions actions) { editActions_ = actions; }
    bool defaultDrawing() const { return defaultDrawing_; }
    void setDefaultDrawing(bool on);
    bool autoFitColWidths() const { return autoFit_; }
    void setAutoFitColWidths(bool on);
    void setTitleFont(const QFont& font);

    SelectedRows& selectedRows() { return selectedRows_; }

    // Cell-drawing callback: Sender, the cell rectangle, the data column (0-based), the column and
    // the cell state; the dataset's active record is the painted row. Called for every data cell.
    std::function<void(DBGridEh& sender, const QRect& rect, int dataCol, DBGridColumnEh& column,
                       CellStates state)>
        onDrawColumnCell;
    // Key-down callback: Sender, the 16-bit virtual-key code by reference, the modifiers.
    std::function<void(DBGridEh& sender, quint16& key, Qt::KeyboardModifiers shift)> onKeyDown;
    std::function<void(DBGridEh& sender)> onColEnter;
    std::function<void(DBGridEh& sender)> onColExit;

    // The canvas of the cell being drawn; valid only inside onDrawColumnCell.
    GridCanvas& canvas();

    // Opens the find dialog (also Ctrl+F) that searches the visible columns' texts.
    void showFindDialog();

    // Virtual-key code of a Qt key (letters and digits as their characters, Delete 46, ...).
    static quint16 virtualKeyOf(int qtKey);

    // --- navigation and editing as the user does them
    int currentRowIndex() const;    // view row of the current row, -1 when none
    int currentDataColumn() const;  // 0-based data column of the current cell, -1 when none
    void setCurrentDataColumn(int dataCol);
    // The cell editor open right now (a QComboBox for a lookup column, a QLineEdit otherwise).
    QWidget* cellEditor() const;
    // Writes what the open cell editor holds into the row (through the column's commit hook),
    // leaving the editor open: a command that moves the dataset keeps what was typed.
    void commitCellEditor();
    // Searches the visible columns' texts, from the cell after the current one on, wrapping
    // round; makes the first match current. Letter case is ignored.
    bool findNext(const QString& text);
    // Rectangle of a data cell in viewport coordinates, and of its ellipsis button (empty when
    // the column shows none).
    QRect cellRect(int row, int dataCol) const;
    QRect editButtonRect(int row, int dataCol) const;

    // --- used by the grid's model, delegate and selected-rows list
    struct CellPaint {
        QColor background;
        QColor foreground;
        QFont font;
        CellStates state;
    };
    CellPaint cellPaint(int row, int dataCol) const;
    void drawCellByCallback(QPainter& painter, const QRect& rect, int row, int dataCol,
                            CellStates state);
    DBGridModel& gridModel() const { return *model_; }
    bool isRowSelected(int row) const;
    bool cellEditable(int dataCol) const;
    Dataset::Bookmark bookmarkOfRow(int row) const;
    void selectedRowsChanged();
    // Commits a value chosen in a lookup column's drop-down (the key of the chosen entry).
    void commitLookupChoice(DBGridColumnEh& column, const Value& key, const QString& text);
    // Commits a text typed in a plain column's editor.
    void commitText(DBGridColumnEh& column, const QString& text);
    // A key pressed in the grid or forwarded by its cell editor.
    void handleKey(QKeyEvent* event);
    // Calls the key-down callback; false when the callback consumed the key (set it to 0).
    bool notifyKeyDown(QKeyEvent* event);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void bindDataset();
    void applyColumnLayout();
    void fitColumns();
    void fitTitleHeight();
    void syncCurrentFromDataset();
    bool moveDatasetTo(int row, int previousRow, int column);
    bool leaveEditedRow(int* targetRow);
    void appendBelowLast();
    void insertRow();
    void deleteCurrentRow();
    void cancelEdits();
    void moveByTab(bool backwards);
    void showEditorIfAlways();
    void restoreEditorLater();
    void applyEditTriggers();
    void commitUpdate(DBGridColumnEh& column, ColumnUpdate update);
    bool gridHasFocus() const;
    int firstVisibleDataColumn() const;
    void selectRowRange(int from, int to);

    QPointer<DataSource> dataSource_;
    std::vector<std::unique_ptr<DBGridColumnEh>> columns_;
    GridOptions options_;
    GridOptionsEh optionsEh_;
    AllowedOperations allowedOperations_ = AllowedOperations(AllowedOperation::Insert) |
                                           AllowedOperation::Update | AllowedOperation::Delete |
                                           AllowedOperation::Append;
    GridEditActions editActions_;
    bool defaultDrawing_ = true;
    bool autoFit_ = false;
    SelectedRows selectedRows_{*this};
    GridCanvas* canvas_ = nullptr;
    DBGridModel* model_ = nullptr;
    DBGridDelegate* delegate_ = nullptr;
    GridFindDialog* findDialog_ = nullptr;
    QPointer<Dataset> boundDataset_;
    QFont titleFont_;
    // What the title height was last fitted to: every reset of the rows lays the columns out
    // again, and the titles are measured again only when a title, a width, the font or the
    // style changed.
    struct TitleFit {
        QFont font;
        const QStyle* style = nullptr;
        std::vector<std::pair<QString, int>> titles;  // each shown title and its text width
        int height = -1;
    };
    TitleFit titleFit_;
    bool syncing_ = false;      // the grid follows the dataset: no posting, no column events
    bool leavingCell_ = false;  // the editor of the cell being left is committing
    bool layingOut_ = false;    // the grid sets column widths itself
    bool pressedOnCurrent_ = false;
    int leftColumn_ = -1;                      // while onColExit runs: the data column being left
    const QKeyEvent* keyInHand_ = nullptr;     // the key being handled, shown to onKeyDown already
    int anchorRow_ = -1;                       // where a Shift+click selection range starts
    mutable std::vector<char> selectedCache_;  // per view row, while valid
    mutable bool selectedCacheValid_ = false;
};

}  // namespace zev

Q_DECLARE_OPERATORS_FOR_FLAGS(zev::GridOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(zev::GridOptionsEh)
Q_DECLARE_OPERATORS_FOR_FLAGS(zev::AllowedOperations)
Q_DECLARE_OPERATORS_FOR_FLAGS(zev::GridEditActions)
Q_DECLARE_OPERATORS_FOR_FLAGS(zev::CellStates)
