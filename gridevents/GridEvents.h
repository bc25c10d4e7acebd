#pragma once

#include "data/Dataset.h"
#include "gridevents/GridEventsAttributes.h"
#include "widgets/DBGridEh.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace zev {

// The grid class the grid-events component attaches to: the data-aware grid under its own name,
// so that only grids declared for the component can be given to it.
class TQFDBGridEh : public DBGridEh {
    Q_OBJECT
public:
    using DBGridEh::DBGridEh;
};

// Keyboard edit actions: geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh.
using TDBGridEhEditActions = GridEditActions;
inline constexpr GridEditAction geaCutEh = GridEditAction::Cut;
inline constexpr GridEditAction geaCopyEh = GridEditAction::Copy;
inline constexpr GridEditAction geaPasteEh = GridEditAction::Paste;
inline constexpr GridEditAction geaDeleteEh = GridEditAction::Delete;
inline constexpr GridEditAction geaSelectAllEh = GridEditAction::SelectAll;

class TQFDBGridEvents;

// Completion and error codes reported through OnQFDBEGridError.
enum QFDBGridErrorId : quint16 {
    qfeDone = 0,           // the operation has completed
    qfeNoDataSource = 1,   // the grid has no data source
    qfeNoDataSet = 2,      // the grid's data source has no dataset
    qfeNotOpen = 3,        // the dataset is not open
    qfeNoGrid = 4,         // no grid is attached
    qfeNoUniqueField = 5,  // no unique field is set
    qfeNothingToPaste = 6  // the clipboard holds nothing of the component's format
};

using TQFDBEGridError = std::function<void(TQFDBGridEvents& sender, quint16 errorId)>;
using TQFDBEOnConfirmDelete = std::function<void(QObject& sender, bool& canDelete)>;
using TKeyEvent = std::function<void(DBGridEh& sender, quint16& key, Qt::KeyboardModifiers shift)>;
using TDrawColumnEhCellEvent = std::function<void(DBGridEh& sender, const QRect& rect, int dataCol,
                                                  DBGridColumnEh& column, CellStates state)>;

// The fields that form the duplicate key, in order. The list forgets a field that is destroyed.
class DuplicateFieldList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void append(Field* field);
    void remove(Field* field);
    void clear();
    bool contains(const Field* field) const { return fields_.contains(field); }
    qsizetype size() const { return fields_.size(); }
    bool isEmpty() const { return fields_.isEmpty(); }
    Field* at(qsizetype index) const { return fields_.at(index); }
    QList<Field*>::const_iterator begin() const { return fields_.cbegin(); }
    QList<Field*>::const_iterator end() const { return fields_.cend(); }

private:
    QList<Field*> fields_;
};

// The grid-events component: takes over an attached grid's cell painting and its Ctrl-key
// editing, marks duplicate and pasted rows, and offers multi-row copy, cut, paste, delete and
// select-all through a clipboard format of its own ("Data Base Edit Data").
class TQFDBGridEvents : public QObject {
    Q_OBJECT
public:
    explicit TQFDBGridEvents(QObject* owner = nullptr);
    ~TQFDBGridEvents() override;

    TQFDBAttributes& QFDBAttributes() { return attributes_; }
    const TQFDBAttributes& QFDBAttributes() const { return attributes_; }

    TQFDBGridEh* DBGridEh() const { return grid_; }
    void setDBGridEh(TQFDBGridEh* grid);

    Field* UniqueField() const { return uniqueField_; }
    void setUniqueField(Field* field);

    TDBGridEhEditActions EditActions() const { return editActions_; }
    void setEditActions(TDBGridEhEditActions actions) { editActions_ = actions; }

    bool Active() const { return active_; }
    void setActive(bool active);

    TQFDBEGridError OnQFDBEGridError;
    TQFDBEOnConfirmDelete OnQFDBEOnConfirmDelete;
    TKeyEvent OnKeyDown;
    TDrawColumnEhCellEvent OnDrawColumnCell;

    // The fields of the duplicate key; the host appends to it directly.
    DuplicateFieldList& DuplicateFields() { return duplicateFields_; }

    // Read-only views of the row marks, for hosts that want to know what is marked.
    const QStringList& PastedValues() const { return pastedValues_; }
    const QStringList& DuplicateKeys() const { return duplicateKeys_; }
    const QStringList& ErrorValues() const { return errorValues_; }

    // --- duplicate bookkeeping
    // The duplicate key and filter expression of the dataset's active record. Answers false
    // when the expression would be invalid (an empty value of a field that is not a string).
    bool BuildDuplicateFilter(QString& key, QString& filter) const;
    // Adds the current record's key to DuplicateKeys when another record shares it.
    void CheckDuplicate();
    // Drops the current record's key when at most one other record shares it; the record
    // (bookmark) is about to be deleted and is made current again.
    void ReleaseDuplicate(const Dataset::Bookmark& bookmark);

    // --- the grid's callbacks
    void GridDrawColumnCell(zev::DBGridEh& sender, const QRect& rect, int dataCol,
                            DBGridColumnEh& column, CellStates state);
    void GridKeyDown(zev::DBGridEh& sender, quint16& key, Qt::KeyboardModifiers shift);

    // --- keyboard actions; each reports its codes through OnQFDBEGridError
    void CopyRows(bool cut);
    void PasteRows();
    void DeleteSelectedRows();
    void SelectAllRows();

    // The component's clipboard format name.
    static const QString& clipboardFormatName();

private:
    void HookGrid(TQFDBGridEh* grid);
    void ReleaseGrid();
    void SetAttributesGrid(TQFDBGridEh* grid);
    bool ActivateAndScan();
    void scanDuplicates(Dataset& dataset);
    void deactivate();
    void gridDestroyed(QObject* grid);

    void report(quint16 errorId);
    // The checks every action runs first (codes 4, 1, 2, 5, 3); answers the dataset or nullptr.
    Dataset* checkedDataset();
    QWidget* ownerWindow() const;
    bool confirm(zev::DBGridEh& sender, const QString& question);
    // Appends the current record's row to the payload; answers why not when a value cannot
    // travel in it, leaving the payload as it was.
    std::optional<QString> appendRowPayload(Dataset& dataset, QByteArray& payload) const;

    // A selected record that cut or delete is to remove, taken before the first deletion.
    struct RowTarget {
        Dataset::Bookmark selected;  // the entry of the grid's selected-rows list
        Dataset::Bookmark bookmark;  // the record, in the open the selection was made in
        int recNo = 0;
        Value value;  // of UniqueField
        QString text;
        bool findable = false;  // the value is not Null and no other record holds it
        bool deleted = false;
    };
    RowTarget targetOfCurrent(Dataset& dataset, const Dataset::Bookmark& selected) const;
    // Marks which targets can be found again by value; answers why the rows must not be
    // deleted when several are selected and one of them could not be found after a reload.
    std::optional<QString> unsafeTargets(Dataset& dataset, std::vector<RowTarget>& targets) const;
    bool gotoTarget(Dataset& dataset, const RowTarget& target) const;
    bool stillPresent(Dataset& dataset, const RowTarget& target,
                      const Dataset::Bookmark& deleting) const;
    bool deleteTargets(Dataset& dataset, std::vector<RowTarget>& targets, bool cut);
    void keepSelectedThatRemain(Dataset& dataset, const std::vector<RowTarget>& targets);
    bool isListedColumn(const DBGridColumnEh& column) const;

    TQFDBAttributes attributes_;
    TQFDBGridEh* grid_ = nullptr;  // forgotten through the grid's destroyed signal
    QMetaObject::Connection gridDestroyedConnection_;
    Field* uniqueField_ = nullptr;  // forgotten through the field's destroyed signal
    TDBGridEhEditActions editActions_;
    bool active_ = false;
    QStringList pastedValues_;
    DuplicateFieldList duplicateFields_;
    QStringList duplicateKeys_;
    QStringList errorValues_;
};

// Position of the first entry equal to text, letter case ignored, or -1.
qsizetype indexOfText(const QStringList& list, const QString& text);

// The left edge of a text of the given width in a cell by the column's alignment: 2 pixels in
// from the left, 3 pixels in from the right, or centred.
int AlignedTextX(const QRect& rect, Qt::Alignment alignment, int textWidth);

}  // namespace zev
