#include "widgets/DBGridModel.h"

#include "widgets/DBGridEh.h"

#include <QBrush>

#include <algorithm>

namespace zev {

DBGridModel::DBGridModel(DBGridEh& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

void DBGridModel::setDataset(Dataset* dataset) {
    beginResetModel();
    if (dataset_) {
        disconnect(dataset_, nullptr, this, nullptr);
    }
    dataset_ = dataset;
    if (dataset_) {
        connect(dataset_, &Dataset::datasetReset, this, &DBGridModel::datasetWasReset);
        connect(dataset_, &Dataset::rowChanged, this, &DBGridModel::rowWasChanged);
        connect(dataset_, &Dataset::stateChanged, this, &DBGridModel::stateWasChanged);
        connect(dataset_, &Dataset::currentRowChanged, this, [this](int) { stateWasChanged(); });
        connect(dataset_, &QObject::destroyed, this, [this] { setDataset(nullptr); });
    }
    rows_ = countRows();
    endResetModel();
}

bool DBGridModel::readable() const {
    return dataset_ && dataset_->isOpen() && !dataset_->controlsDisabled();
}

int DBGridModel::countRows() const {
    if (!dataset_ || !dataset_->isOpen()) {
        return 0;
    }
    // A row being inserted belongs to the view; should the count leave it out, the current
    // position still has to be shown.
    return std::max(dataset_->recordCount(), dataset_->recNo());
}

int DBGridModel::currentRow() const {
    return readable() ? dataset_->recNo() - 1 : -1;
}

int DBGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DBGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.columnCount() + 1;
}

QString DBGridModel::cellText(int row, int dataCol) const {
    if (!readable() || dataCol < 0 || dataCol >= grid_.columnCount()) {
        return {};
    }
    Field* field = grid_.column(dataCol).field();
    if (field == nullptr) {
        return {};
    }
    const DBGridColumnEh& column = grid_.column(dataCol);
    const auto shown = [&] {
        const QString text = field->text();
        return text.isEmpty() && column.emptyCellText ? column.emptyCellText(*field) : text;
    };
    try {
        // The current row is read as it stands, edit buffer included.
        if (row == dataset_->recNo() - 1) {
            return shown();
        }
        if (row < 0 || row >= dataset_->recordCount()) {
            return {};
        }
        Dataset::DisplayRow display(*dataset_, row);
        return shown();
    } catch (const std::exception&) {
        return {};  // a cell that cannot be read shows blank rather than breaking the paint
    }
}

QVariant DBGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() == 0) {
        return {};
    }
    const int dataCol = index.column() - 1;
    const DBGridColumnEh& column = grid_.column(dataCol);
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return cellText(index.row(), dataCol);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
        case Qt::BackgroundRole:
            return column.color ? QVariant(QBrush(*column.color)) : QVariant();
        case Qt::FontRole:
            return column.font ? QVariant(*column.font) : QVariant();
        default:
            return {};
    }
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (section == 0) {
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    }
    const int dataCol = section - 1;
    if (dataCol >= grid_.columnCount()) {
        return {};
    }
    const DBGridColumnEh& column = grid_.column(dataCol);
    switch (role) {
        case Qt::DisplayRole:
            return column.title.isEmpty() ? column.fieldName : column.title;
        case Qt::TextAlignmentRole:
            // A title wider than its column wraps onto further lines.
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter) |
                                       Qt::Alignment(Qt::TextWordWrap));
        case Qt::FontRole:
            return titleFont_;
        default:
            return {};
    }
}

Qt::ItemFlags DBGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.column() == 0) {
        return Qt::NoItemFlags;  // the indicator column never becomes current
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (grid_.cellEditable(index.column() - 1)) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

void DBGridModel::columnsChanged() {
    beginResetModel();
    rows_ = countRows();
    endResetModel();
}

void DBGridModel::datasetWasReset() {
    columnsChanged();
}

void DBGridModel::rowWasChanged(int viewRow) {
    if (countRows() != rows_) {
        columnsChanged();
        return;
    }
    if (viewRow >= 0 && viewRow < rows_) {
        Q_EMIT dataChanged(index(viewRow, 0), index(viewRow, columnCount() - 1));
    }
}

void DBGridModel::stateWasChanged() {
    // Inserting, appending or cancelling an insertion changes the number of rows.
    if (countRows() != rows_) {
        columnsChanged();
        return;
    }
    if (rows_ > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    }
}

}  // namespace zev
