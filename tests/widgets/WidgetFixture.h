#pragma once

#include "data/Dataset.h"
#include "widgets/Notices.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zevtest {

// A dataset over rows the test builds; posts change only these rows in memory.
class MemoryDataset : public zev::Dataset {
public:
    explicit MemoryDataset(QObject* parent = nullptr) : zev::Dataset(nullptr, parent) {}
    zev::ResultSet rows;

protected:
    zev::ResultSet fetch() override { return rows; }
};

// Records every notice and answers questions as told.
class RecordingNotices final : public zev::Notices {
public:
    std::vector<QString> messages;
    std::vector<QString> errors;
    std::vector<QString> questions;
    bool answer = true;

    void message(QWidget*, const QString& text, const QString&, zev::NoticeIcon) override {
        messages.push_back(text);
    }
    bool askYesNo(QWidget*, const QString& text, const QString&) override {
        questions.push_back(text);
        return answer;
    }
    void showError(const QString& text) override { errors.push_back(text); }
};

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

}  // namespace zevtest
