#pragma once

#include "MemoryDataset.h"
#include "RecordingNotices.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zev::testing {

// Two datasets as the registration window has them: a discipline list
//   id_discipline | p34 | descGroupNum
// and the student's rows
//   id | id_discipline | note | hours
// whose lookup field "Discipline" shows p34 of the list by id_discipline.
class WidgetFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Saves a grabbed image for a person to look at when ZEV_SNAPSHOT_DIR is set.
    static void keepSnapshot(const QImage& image, const QString& name);

    // The value of a field of the row at a 1-based record number, read without moving.
    zev::Value valueAt(zev::Dataset& dataset, int recNo, const QString& field);

    RecordingNotices notices;
    std::unique_ptr<QWidget> window;
    MemoryDataset* disciplines = nullptr;
    MemoryDataset* rows = nullptr;
    zev::DataSource* disciplineSource = nullptr;
    zev::DataSource* rowSource = nullptr;
};

}  // namespace zev::testing
