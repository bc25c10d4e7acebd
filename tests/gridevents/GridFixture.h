#pragma once

#include "MemoryDataset.h"
#include "RecordingNotices.h"
#include "gridevents/GridEvents.h"
#include "widgets/Clipboard.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zev::testing {

// An in-memory clipboard for the grid-edit format.
class MemoryClipboard final : public zev::Clipboard {
public:
    std::optional<QByteArray> data;
    int writes = 0;
    bool failWrites = false;

    std::optional<QByteArray> read() override { return data; }
    void write(const QByteArray& bytes) override {
        if (failWrites) {
            throw zev::Error(QStringLiteral("Cannot open clipboard"));
        }
        ++writes;
        data = bytes;
    }
};

// A window with an electives-like grid: lookup columns for the discipline, the year and the
// teacher (their keys travel in the payload), plain semester and stream columns, a hidden fixed
// discipline text, and the grid-events component attached.
//   id | descGroupNum | id_discipline | id_a_year | id_semester | id_teacher | subgroup | p34
class GridFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a row to the stored rows (before opening) with the given id and duplicate key.
    void addRow(int id, int descGroupNum, int discipline = 1, int year = 1, int semester = 1,
                int teacher = 1, int subgroup = 1);
    void openAndShow();
    // Makes the row with this 1-based record number current / selected.
    void gotoRec(int recNo);
    void selectRec(int recNo);
    // The 1-based record number of the row whose id is given, or 0.
    int recOfId(int id);
    std::vector<int> ids();

    // A Ctrl key press as the user makes it, through the grid's key handling.
    void press(int qtKey, Qt::KeyboardModifiers modifiers = Qt::ControlModifier);

    QImage grabViewport();
    // The colour in the middle of the free right part of a cell (view row, data column).
    QColor cellBackground(const QImage& image, int row, int dataCol);

    std::unique_ptr<QWidget> window;
    MemoryDataset* disciplines = nullptr;
    MemoryDataset* years = nullptr;
    MemoryDataset* teachers = nullptr;
    MemoryDataset* electives = nullptr;
    zev::DataSource* source = nullptr;
    zev::TQFDBGridEh* grid = nullptr;
    zev::TQFDBGridEvents* events = nullptr;
    std::vector<quint16> codes;
    RecordingNotices notices;
    MemoryClipboard clipboard;
    int nextId = 1000;
};

}  // namespace zev::testing
