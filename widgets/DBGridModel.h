#pragma once

#include "data/Dataset.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QPointer>

namespace zev {

class DBGridEh;
class DBGridColumnEh;

// The grid's view of its dataset: one model row per row of the dataset's view, model column 0
// for the row indicator and column i + 1 for the grid's data column i. Cells are read through
// Dataset::DisplayRow, so that painting never moves the dataset's current row.
class DBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DBGridModel(DBGridEh& grid, QObject* parent);

    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return dataset_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text that data column `dataCol` shows for view row `row` ("" when there is none).
    QString cellText(int row, int dataCol) const;
    // True when the dataset can be read now (open, display updates not suspended).
    bool readable() const;
    // View row of the dataset's current row, or -1.
    int currentRow() const;

    // The columns or their settings changed: everything is laid out again.
    void columnsChanged();
    void setTitleFont(const QFont& font) { titleFont_ = font; }
    const QFont& titleFont() const { return titleFont_; }

private:
    void datasetWasReset();
    void rowWasChanged(int viewRow);
    void stateWasChanged();
    int countRows() const;

    DBGridEh& grid_;
    QPointer<Dataset> dataset_;
    int rows_ = 0;
    QFont titleFont_;
};

}  // namespace zev
