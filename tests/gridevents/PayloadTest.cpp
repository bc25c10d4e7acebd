// The grid edit payload: copying rows into it and pasting rows out of it.
#include "core/Cp1251.h"
#include "tests/gridevents/GridFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace zev::testing {
namespace {

using Codes = std::vector<quint16>;

TEST(Cp1251Test, CyrillicRoundTrip) {
    EXPECT_EQ(toCp1251(QStringLiteral("Поток")), QByteArray("\xCF\xEE\xF2\xEE\xEA"));
    EXPECT_EQ(toCp1251(QStringLiteral("Ёё№ a1")), QByteArray("\xA8\xB8\xB9 a1"));
    const QString text = QStringLiteral("Зафиксированная дисциплина №5 «Ёж»");
    EXPECT_EQ(fromCp1251(toCp1251(text)), text);
    EXPECT_EQ(toCp1251(QStringLiteral("日")), QByteArray("?"));
}

class PayloadTest : public GridFixture {
protected:
    // The values of the record with this id, in the payload's column order.
    std::vector<QString> keysOf(int id) {
        const int rec = recOfId(id);
        EXPECT_GT(rec, 0);
        Dataset::DisplayRow row(*electives, rec - 1);
        std::vector<QString> keys;
        for (const char* name :
             {"id_discipline", "id_a_year", "id_semester", "id_teacher", "subgroup"}) {
            keys.push_back(electives->fieldByName(QString::fromLatin1(name)).text());
        }
        return keys;
    }
    std::vector<QString> keysOfPasted(int index) {
        return keysOf(events->PastedValues().at(index).toInt());
    }
};

TEST_F(PayloadTest, TwoCopiedRowsCarryFiveKeysEach) {
    addRow(1, 7, 2, 1, 3, 2, 5);
    addRow(2, 8, 3, 2, 4, 1, 6);
    addRow(3, 9, 1, 1, 1, 1, 1);
    openAndShow();
    selectRec(2);
    selectRec(1);  // list order, not record order
    clipboard.data = QByteArray("old");
    press(Qt::Key_C);
    ASSERT_TRUE(clipboard.data);
    EXPECT_EQ(*clipboard.data, QByteArray("3\x01"
                                          "2\x01"
                                          "4\x01"
                                          "1\x01"
                                          "6\x01\x02"
                                          "2\x01"
                                          "1\x01"
                                          "3\x01"
                                          "2\x01"
                                          "5\x01\x02"));
    EXPECT_EQ(codes, Codes{qfeDone});
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(grid->selectedRows().count(), 2);
}

TEST_F(PayloadTest, CopiedRowsPasteBackAsEqualRecords) {
    addRow(1, 7, 2, 1, 3, 2, 5);
    addRow(2, 8, 3, 2, 4, 1, 6);
    openAndShow();
    selectRec(1);
    selectRec(2);
    press(Qt::Key_C);
    codes.clear();
    press(Qt::Key_V);
    EXPECT_EQ(codes, (Codes{qfeDone, qfeDone}));
    ASSERT_EQ(events->PastedValues().size(), 2);
    EXPECT_EQ(electives->recordCount(), 4);
    EXPECT_EQ(keysOfPasted(0), keysOf(1));
    EXPECT_EQ(keysOfPasted(1), keysOf(2));
    EXPECT_FALSE(electives->controlsDisabled());
}

TEST_F(PayloadTest, RowsWithFewerAndMoreValuesThanColumns) {
    addRow(1, 7);
    openAndShow();
    clipboard.data = QByteArray(
        "3\x01"
        "2\x01\x02"  // fewer
        "2\x01"
        "1\x01"
        "4\x01"
        "2\x01"
        "7\x01"
        "9\x01"
        "9\x01\x02"  // more
        "1\x01"
        "2\x01"
        "3\x01"
        "1\x01"
        "8\x01\x02");
    events->PasteRows();
    ASSERT_EQ(events->PastedValues().size(), 3);
    EXPECT_EQ(keysOfPasted(0), (std::vector<QString>{"3", "2", "", "", ""}));
    EXPECT_EQ(keysOfPasted(1), (std::vector<QString>{"2", "1", "4", "2", "7"}));
    EXPECT_EQ(keysOfPasted(2), (std::vector<QString>{"1", "2", "3", "1", "8"}));
    EXPECT_EQ(codes, (Codes{qfeDone, qfeDone}));
}

TEST_F(PayloadTest, UnfinishedRowEndsThePasteWithoutCode) {
    addRow(1, 7);
    openAndShow();
    clipboard.data = QByteArray(
        "3\x01"
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02"
        "2\x01"
        "2\x01");
    events->PasteRows();
    EXPECT_EQ(events->PastedValues().size(), 1);
    EXPECT_EQ(electives->recordCount(), 2);
    EXPECT_TRUE(codes.empty());
    EXPECT_FALSE(electives->controlsDisabled());
}

TEST_F(PayloadTest, PlainTextOnTheClipboardIsNothingToPaste) {
    addRow(1, 7);
    openAndShow();
    clipboard.data = QByteArray(
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02");
    events->PasteRows();
    ASSERT_EQ(events->PastedValues().size(), 1);
    const QStringList marks = events->PastedValues();
    codes.clear();

    Clipboard::install(nullptr);  // the system clipboard, holding only text
    QGuiApplication::clipboard()->setText(QStringLiteral("Алгебра"));
    press(Qt::Key_V);
    EXPECT_EQ(codes, Codes{qfeNothingToPaste});
    EXPECT_EQ(events->PastedValues(), marks);
    EXPECT_EQ(electives->recordCount(), 2);

    // A copy through the system clipboard replaces the text with the component's format only.
    selectRec(recOfId(1));
    press(Qt::Key_C);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->hasText());
    EXPECT_EQ(data->data(gridEditMimeType()), QByteArray("1\x01"
                                                         "1\x01"
                                                         "1\x01"
                                                         "1\x01"
                                                         "1\x01\x02"));
}

TEST_F(PayloadTest, RefusedInsertionEndsThePaste) {
    addRow(1, 7);
    openAndShow();
    electives->beforeInsert = [](Dataset&) { throw Abort(); };
    clipboard.data = QByteArray(
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02");
    EXPECT_THROW(events->PasteRows(), Abort);  // passed on to the caller
    press(Qt::Key_V);                          // where the key press drops it silently
    EXPECT_TRUE(notices.shown().empty());
    EXPECT_EQ(electives->recordCount(), 1);
    EXPECT_TRUE(codes.empty());
    EXPECT_FALSE(electives->controlsDisabled());
}

TEST_F(PayloadTest, FailedPostIsCancelledAndLeavesNoMark) {
    addRow(1, 7);
    openAndShow();
    electives->beforePost = [](Dataset& dataset) {
        if (dataset.fieldByName(QStringLiteral("id_discipline")).text() == QStringLiteral("3")) {
            throw Error(QStringLiteral("refused"));
        }
        dataset.fieldByName(QStringLiteral("id")).setValue(Value{std::int64_t{500}});
    };
    clipboard.data = QByteArray(
        "3\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02"
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "1\x01\x02");
    events->PasteRows();
    EXPECT_EQ(events->PastedValues(), QStringList{QStringLiteral("500")});
    EXPECT_EQ(electives->recordCount(), 2);
    EXPECT_EQ(electives->state(), DatasetState::Browse);
    EXPECT_EQ(codes, (Codes{qfeDone, qfeDone}));
}

TEST_F(PayloadTest, PastedDuplicateMarksBothRows) {
    addRow(1, 7, 1, 1, 1, 1, 5);
    addRow(2, 8, 1, 1, 1, 1, 6);
    events->DuplicateFields().clear();
    events->DuplicateFields().append(electives->findField(QStringLiteral("subgroup")));
    openAndShow();
    EXPECT_TRUE(events->DuplicateKeys().isEmpty());
    clipboard.data = QByteArray(
        "2\x01"
        "1\x01"
        "1\x01"
        "1\x01"
        "5\x01\x02");
    events->PasteRows();
    EXPECT_EQ(events->DuplicateKeys(), QStringList{QStringLiteral("5")});
    EXPECT_FALSE(electives->filtered());

    const int pasted = recOfId(events->PastedValues().at(0).toInt());
    gotoRec(recOfId(2));
    const QImage image = grabViewport();
    EXPECT_EQ(cellBackground(image, recOfId(1) - 1, 0), QColor(0, 128, 0));
    EXPECT_EQ(cellBackground(image, pasted - 1, 0), QColor(0, 128, 0));
}

}  // namespace
}  // namespace zev::testing
