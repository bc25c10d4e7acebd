#include "WidgetFixture.h"

#include "widgets/DBGridEh.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <map>

namespace zev::testing {

namespace {

Value integer(qint64 v) {
    return Value{std::int64_t{v}};
}

}  // namespace

class GridTest : public WidgetFixture {
protected:
    void SetUp() override {
        WidgetFixture::SetUp();
        grid = new DBGridEh(window.get());
        grid->setGeometry(0, 0, 640, 320);
        discipline =
            &grid->addColumn(QStringLiteral("Discipline"), QStringLiteral("Дисциплина"), 200);
        note = &grid->addColumn(QStringLiteral("note"), QStringLiteral("Заметка"), 150);
        hours = &grid->addColumn(QStringLiteral("hours"), QStringLiteral("Часы"), 60);
        hours->alignment = Qt::AlignRight;
        grid->setDataSource(rowSource);
        disciplines->open();
        rows->open();
        window->show();
        grid->setFocus();
        QCoreApplication::processEvents();
    }

    // Makes a cell current as a click would.
    void gotoCell(int row, int dataCol) {
        grid->setCurrentIndex(grid->model()->index(row, dataCol + 1));
    }

    template <class Editor>
    Editor* openEditor(int row, int dataCol) {
        gotoCell(row, dataCol);
        grid->edit(grid->model()->index(row, dataCol + 1));
        return qobject_cast<Editor*>(grid->cellEditor());
    }

    // Chooses an entry of an open lookup editor as the user does in its list.
    static void choose(QComboBox* editor, int entry) {
        editor->setCurrentIndex(entry);
        Q_EMIT editor->activated(entry);
    }

    DBGridEh* grid = nullptr;
    DBGridColumnEh* discipline = nullptr;
    DBGridColumnEh* note = nullptr;
    DBGridColumnEh* hours = nullptr;
};

TEST_F(GridTest, ShowsTheDatasetRowsAndFollowsItsCurrentRow) {
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->index(1, 1).data().toString(), QStringLiteral("История"));
    EXPECT_EQ(grid->model()->index(2, 2).data().toString(), QStringLiteral("third"));

    rows->setRecNo(3);
    EXPECT_EQ(grid->currentRowIndex(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 2);

    gotoCell(0, 1);
    EXPECT_EQ(rows->recNo(), 1);
}

TEST_F(GridTest, LookupEditorListsTheFilteredRowsInTheirOrder) {
    disciplines->setFilter(QStringLiteral("descGroupNum = 1"));
    disciplines->setFiltered(true);
    disciplines->setSort(QStringLiteral("p34"));

    auto* editor = openEditor<QComboBox>(0, 0);
    ASSERT_NE(editor, nullptr);
    QStringList entries;
    for (int i = 0; i < editor->count(); ++i) {
        entries << editor->itemText(i);
    }
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Алгебра"), QStringLiteral("Биология"),
                                    QStringLiteral("Физика")}));
    // The row's own entry is the one shown.
    EXPECT_EQ(editor->currentText(), QStringLiteral("Физика"));
    keepSnapshot(grid->grab().toImage(), QStringLiteral("grid-lookup-editor"));
}

TEST_F(GridTest, ChoosingALookupEntryRunsTheHookThenWritesTheKey) {
    std::vector<ColumnUpdate> seen;
    int listRowInHook = 0;
    discipline->onUpdateData = [&](DBGridColumnEh& column, ColumnUpdate& update) {
        EXPECT_EQ(&column, discipline);
        seen.push_back(update);
        listRowInHook = disciplines->recNo();
    };
    auto* editor = openEditor<QComboBox>(1, 0);
    ASSERT_NE(editor, nullptr);
    choose(editor, 3);  // "Биология", key 4

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(zev::valuesEqual(seen[0].value, integer(4)));
    EXPECT_EQ(seen[0].text, QStringLiteral("Биология"));
    EXPECT_FALSE(seen[0].useText);
    EXPECT_FALSE(seen[0].handled);
    // The chosen entry was the list's current row already while the hook ran.
    EXPECT_EQ(listRowInHook, 4);
    EXPECT_EQ(rows->state(), DatasetState::Edit);
    EXPECT_TRUE(
        zev::valuesEqual(rows->fieldByName(QStringLiteral("id_discipline")).value(), integer(4)));
    EXPECT_EQ(rows->fieldByName(QStringLiteral("Discipline")).text(), QStringLiteral("Биология"));
}

TEST_F(GridTest, HandledOrAnErrorInTheHookKeepsTheValue) {
    discipline->onUpdateData = [](DBGridColumnEh&, ColumnUpdate& update) { update.handled = true; };
    auto* editor = openEditor<QComboBox>(0, 0);
    ASSERT_NE(editor, nullptr);
    choose(editor, 1);
    EXPECT_EQ(rows->state(), DatasetState::Browse);
    EXPECT_TRUE(
        zev::valuesEqual(rows->fieldByName(QStringLiteral("id_discipline")).value(), integer(1)));
    // The editor shows the kept entry again.
    EXPECT_EQ(editor->currentText(), QStringLiteral("Физика"));

    note->onUpdateData = [](DBGridColumnEh&, ColumnUpdate&) {
        throw zev::Error(QStringLiteral("Вы не можете изменять выбранную дисциплину."));
    };
    auto* line = openEditor<QLineEdit>(0, 1);
    ASSERT_NE(line, nullptr);
    line->setText(QStringLiteral("changed"));
    QTest::keyClick(line, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits right after its key press
    EXPECT_EQ(
        notices.errors,
        (std::vector<QString>{QStringLiteral("Вы не можете изменять выбранную дисциплину.")}));
    EXPECT_EQ(rows->fieldByName(QStringLiteral("note")).text(), QStringLiteral("first"));
}

TEST_F(GridTest, TextEditorCommitsThroughTheHookWithTheText) {
    ColumnUpdate seen;
    hours->onUpdateData = [&](DBGridColumnEh&, ColumnUpdate& update) { seen = update; };
    auto* line = openEditor<QLineEdit>(2, 2);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QStringLiteral("54"));
    line->setText(QStringLiteral("60"));
    QTest::keyClick(line, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits right after its key press
    EXPECT_TRUE(seen.useText);
    EXPECT_EQ(seen.text, QStringLiteral("60"));
    EXPECT_TRUE(zev::valuesEqual(rows->fieldByName(QStringLiteral("hours")).value(), integer(60)));
}

TEST_F(GridTest, LeavingAnEditedRowPostsIt) {
    auto* line = openEditor<QLineEdit>(0, 1);
    ASSERT_NE(line, nullptr);
    line->setText(QStringLiteral("renamed"));
    QTest::keyClick(line, Qt::Key_Down);  // the editor hands the move to the grid

    EXPECT_EQ(rows->state(), DatasetState::Browse);
    EXPECT_EQ(rows->recNo(), 2);
    EXPECT_EQ(grid->currentRowIndex(), 1);
    EXPECT_EQ(valueAt(*rows, 1, QStringLiteral("note")), Value{QStringLiteral("renamed")});
}

TEST_F(GridTest, ARowThatCannotBePostedStaysCurrent) {
    rows->beforePost = [](zev::Dataset&) {
        throw zev::Error(QStringLiteral("Вы ни выбрали поток."));
    };
    auto* line = openEditor<QLineEdit>(0, 1);
    ASSERT_NE(line, nullptr);
    line->setText(QStringLiteral("renamed"));
    QTest::keyClick(line, Qt::Key_Down);

    EXPECT_EQ(notices.errors, (std::vector<QString>{QStringLiteral("Вы ни выбрали поток.")}));
    EXPECT_EQ(rows->state(), DatasetState::Edit);
    EXPECT_EQ(rows->recNo(), 1);
    EXPECT_EQ(grid->currentRowIndex(), 0);
    EXPECT_EQ(grid->currentIndex().row(), 0);
}

TEST_F(GridTest, DownOnTheLastRowAppendsUnlessTheDatasetRefuses) {
    gotoCell(2, 1);
    rows->beforeInsert = [](zev::Dataset&) { throw zev::Abort(); };
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(rows->state(), DatasetState::Browse);
    EXPECT_EQ(rows->recordCount(), 3);
    EXPECT_EQ(grid->currentRowIndex(), 2);
    EXPECT_TRUE(notices.errors.empty());  // a silent abort shows nothing

    rows->beforeInsert = nullptr;
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(rows->state(), DatasetState::Insert);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->currentRowIndex(), 3);

    // Going back up from the untouched new row drops it.
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(rows->state(), DatasetState::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->currentRowIndex(), 2);

    grid->setAllowedOperations(zev::AllowedOperation::Update);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(rows->recordCount(), 3);
}

TEST_F(GridTest, EditButtonClickCallsTheColumnsHandlerOnItsRow) {
    note->alwaysShowEditButton = true;
    grid->viewport()->update();
    std::vector<int> clickedRows;
    note->onEditButtonClick = [&](DBGridColumnEh& column) {
        EXPECT_EQ(&column, note);
        clickedRows.push_back(rows->recNo());
    };
    const QRect button = grid->editButtonRect(1, 1);
    ASSERT_FALSE(button.isEmpty());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, button.center());
    EXPECT_EQ(clickedRows, (std::vector<int>{2}));

    // A click beside the button only moves.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->cellRect(2, 1).center() - QPoint(20, 0));
    EXPECT_EQ(clickedRows.size(), 1u);
    EXPECT_EQ(rows->recNo(), 3);
}

TEST_F(GridTest, CellDrawingCallbackReadsThePaintedRow) {
    gotoCell(1, 1);
    grid->setDefaultDrawing(false);
    std::map<int, QString> notesById;
    std::map<int, zev::CellStates> statesById;
    const int currentBefore = rows->recNo();
    grid->onDrawColumnCell = [&](DBGridEh& sender, const QRect& rect, int dataCol,
                                 DBGridColumnEh& column, zev::CellStates state) {
        EXPECT_EQ(&sender, grid);
        EXPECT_EQ(&column, &grid->column(dataCol));
        zev::Dataset& ds = *sender.dataset();
        const int id = static_cast<int>(std::get<std::int64_t>(ds.fieldByName("id").value()));
        if (dataCol == 1) {
            notesById[id] = column.field()->text();
            statesById[id] = state;
        }
        zev::GridCanvas& canvas = sender.canvas();
        canvas.brushColor = id == 12 ? QColor(Qt::red) : QColor(Qt::white);
        canvas.textRect(rect, rect.left() + 2, rect.top() + 2, column.field()->text());
    };
    const QImage image = grid->grab().toImage();
    keepSnapshot(image, QStringLiteral("grid-owner-drawn"));

    EXPECT_EQ(notesById, (std::map<int, QString>{{10, QStringLiteral("first")},
                                                 {11, QStringLiteral("second")},
                                                 {12, QStringLiteral("third")}}));
    EXPECT_EQ(rows->recNo(), currentBefore);  // painting never moves the dataset
    EXPECT_TRUE(statesById[11].testFlag(CellState::Selected));
    EXPECT_FALSE(statesById[10].testFlag(CellState::Selected));
    EXPECT_FALSE(statesById[12].testFlag(CellState::Fixed));
    const QPoint inThird =
        grid->viewport()->mapTo(grid, grid->cellRect(2, 1).bottomRight() - QPoint(3, 3));
    EXPECT_EQ(image.pixelColor(inThird), QColor(Qt::red));
}

TEST_F(GridTest, MultiSelectKeepsBookmarksAndSelectsAll) {
    grid->setOptions(grid->options() | zev::GridOption::MultiSelect);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      grid->cellRect(0, 1).center());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      grid->cellRect(2, 1).center());
    ASSERT_EQ(grid->selectedRows().count(), 2);
    EXPECT_TRUE(grid->isRowSelected(0));
    EXPECT_FALSE(grid->isRowSelected(1));
    EXPECT_TRUE(grid->isRowSelected(2));
    rows->gotoBookmark(grid->selectedRows().item(1));
    EXPECT_EQ(rows->fieldByName("note").text(), QStringLiteral("third"));

    grid->selectedRows().clear();
    rows->setRecNo(2);
    grid->selectedRows().selectAll();
    EXPECT_EQ(grid->selectedRows().count(), 3);
    EXPECT_EQ(rows->recNo(), 2);
}

TEST_F(GridTest, KeyDownCallbackSeesVirtualKeysAndMayConsumeThem) {
    std::vector<std::pair<quint16, bool>> keys;
    grid->onKeyDown = [&](DBGridEh&, quint16& key, Qt::KeyboardModifiers shift) {
        if (key != 17) {  // the Ctrl key's own press
            keys.emplace_back(key, shift.testFlag(Qt::ControlModifier));
        }
        if (key == 40) {
            key = 0;  // the grid must not move
        }
    };
    gotoCell(0, 1);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(keys, (std::vector<std::pair<quint16, bool>>{{46, true}, {40, false}}));
    // A letter typed on a cell opens its editor and is seen once.
    gotoCell(0, 1);
    keys.clear();
    QTest::keyClick(grid, Qt::Key_X);
    EXPECT_EQ(keys, (std::vector<std::pair<quint16, bool>>{{88, false}}));
    ASSERT_NE(qobject_cast<QLineEdit*>(grid->cellEditor()), nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit*>(grid->cellEditor())->text(), QStringLiteral("x"));
    EXPECT_EQ(rows->recNo(), 1);
    // Ctrl+Delete deleted the row after asking.
    EXPECT_EQ(notices.questionTexts(), (std::vector<QString>{QStringLiteral("Удалить запись?")}));
    EXPECT_EQ(rows->recordCount(), 2);
}

TEST_F(GridTest, ColumnEventsCanSwitchTheEditorOffAndOnAgain) {
    // As the electives grid does: editing off when a column is left, on when one is entered,
    // with the editor then shown at once.
    std::vector<QString> events;
    grid->onColExit = [&](DBGridEh& sender) {
        events.push_back(QStringLiteral("exit ") + QString::number(sender.currentDataColumn()));
        sender.setOptions(sender.options() &
                          ~(zev::GridOption::Editing | zev::GridOption::AlwaysShowEditor));
    };
    grid->onColEnter = [&](DBGridEh& sender) {
        events.push_back(QStringLiteral("enter ") + QString::number(sender.currentDataColumn()));
        sender.setOptions(sender.options() | zev::GridOption::Editing |
                          zev::GridOption::AlwaysShowEditor);
    };
    gotoCell(0, 0);
    events.clear();
    QTest::keyClick(grid, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(events, (std::vector<QString>{QStringLiteral("exit 0"), QStringLiteral("enter 1")}));
    EXPECT_EQ(grid->currentDataColumn(), 1);
    auto* line = qobject_cast<QLineEdit*>(grid->cellEditor());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QStringLiteral("first"));

    // Tab from the editor moves on to the next column, committing what was typed.
    line->setText(QStringLiteral("typed"));
    QTest::keyClick(line, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->currentDataColumn(), 2);
    EXPECT_EQ(rows->fieldByName(QStringLiteral("note")).text(), QStringLiteral("typed"));
    EXPECT_EQ(rows->state(), DatasetState::Edit);
}

TEST_F(GridTest, FindSearchesTheVisibleColumns) {
    gotoCell(0, 0);
    EXPECT_TRUE(grid->findNext(QStringLiteral("THIRD")));
    EXPECT_EQ(rows->recNo(), 3);
    EXPECT_EQ(grid->currentDataColumn(), 1);
    note->visible = false;
    grid->refreshColumns();
    EXPECT_FALSE(grid->findNext(QStringLiteral("second")));
}

TEST_F(GridTest, AutoFitSharesTheWidthAndKeepsFixedColumns) {
    hours->minWidth = hours->maxWidth = 80;
    grid->setAutoFitColWidths(true);
    const int available = grid->viewport()->width() - 12;
    EXPECT_EQ(grid->columnWidth(3), 80);
    EXPECT_EQ(grid->columnWidth(1) + grid->columnWidth(2) + grid->columnWidth(3), available);
    EXPECT_NEAR(grid->columnWidth(1) * 150.0 / grid->columnWidth(2), 200.0, 2.0);
}

TEST_F(GridTest, ATitleWiderThanItsColumnWrapsAndTheHeaderGrows) {
    const int oneLine = QFontMetrics(grid->horizontalHeader()->font()).lineSpacing();
    note->title = QStringLiteral("Зафиксированная дисциплина");
    note->width = 400;
    grid->refreshColumns();
    const int wide = grid->horizontalHeader()->height();
    note->width = 70;
    grid->refreshColumns();
    EXPECT_GE(grid->horizontalHeader()->height(), wide + oneLine);
    note->width = 400;
    grid->refreshColumns();
    EXPECT_EQ(grid->horizontalHeader()->height(), wide);
}

TEST_F(GridTest, TheHeaderFitsAgainToANewTitleFontOrTextAndKeepsItsHeightOverAReset) {
    note->title = QStringLiteral("Зафиксированная дисциплина");
    note->width = 70;
    grid->refreshColumns();
    const int wrapped = grid->horizontalHeader()->height();
    QFont large = grid->horizontalHeader()->font();
    if (large.pixelSize() > 0) {
        large.setPixelSize(large.pixelSize() * 2);
    } else {
        large.setPointSizeF(large.pointSizeF() * 2);
    }
    grid->setTitleFont(large);
    grid->refreshColumns();
    const int larger = grid->horizontalHeader()->height();
    EXPECT_GT(larger, wrapped);
    rows->close();
    rows->open();  // the rows' reset lays the columns out again
    EXPECT_EQ(grid->horizontalHeader()->height(), larger);

    note->title = QStringLiteral("Д");
    grid->refreshColumns();
    EXPECT_LT(grid->horizontalHeader()->height(), larger);
}

TEST_F(GridTest, DefaultDrawingLooksRight) {
    discipline->color = QColor(233, 233, 233);
    note->title = QStringLiteral("Зафиксированная\nдисциплина");
    grid->refreshColumns();
    EXPECT_GE(grid->horizontalHeader()->height(), 2 * QFontMetrics(grid->font()).lineSpacing());
    note->alwaysShowEditButton = true;
    grid->setOptionsEh(zev::GridOptionEh::RowHighlight);
    gotoCell(1, 0);
    const QImage image = grid->grab().toImage();
    keepSnapshot(image, QStringLiteral("grid-default"));
    const QPoint own = grid->viewport()->mapTo(grid, grid->cellRect(0, 0).topLeft() + QPoint(1, 1));
    EXPECT_EQ(image.pixelColor(own), QColor(233, 233, 233));
    const QPoint inRow =
        grid->viewport()->mapTo(grid, grid->cellRect(1, 2).topLeft() + QPoint(1, 1));
    const QPoint plain =
        grid->viewport()->mapTo(grid, grid->cellRect(2, 2).topLeft() + QPoint(1, 1));
    EXPECT_NE(image.pixelColor(inRow), image.pixelColor(plain));  // the current row stands out
}

TEST_F(GridTest, ASecondClickOpensTheEditorAtOnceAndF4DropsItsListDown) {
    grid->setOptions(grid->options() | zev::GridOption::Editing);
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const QPoint cell = grid->cellRect(1, 0).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
    ASSERT_EQ(grid->currentRowIndex(), 1);
    ASSERT_EQ(grid->cellEditor(), nullptr);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);  // a click on the current cell
    auto* editor = qobject_cast<QComboBox*>(grid->cellEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), editor);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
    EXPECT_TRUE(editor->view()->isVisible());
    editor->hidePopup();
    QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(editor->view()->isVisible());
    editor->hidePopup();
}

// With the editor always shown, the focused cell is covered by its editor; Escape and a delete
// must not leave the cell bare.
TEST_F(GridTest, TheAlwaysShownEditorComesBackAfterEscapeAndDelete) {
    grid->setOptions(grid->options() | zev::GridOption::Editing |
                     zev::GridOption::AlwaysShowEditor | zev::GridOption::ConfirmDelete);
    notices.answerYes = true;
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    grid->setFocus();
    gotoCell(0, 1);
    QCoreApplication::processEvents();
    auto* line = qobject_cast<QLineEdit*>(grid->cellEditor());
    ASSERT_NE(line, nullptr);
    line->setText(QStringLiteral("typed"));
    QTest::keyClick(line, Qt::Key_Escape);
    QCoreApplication::processEvents();
    line = qobject_cast<QLineEdit*>(grid->cellEditor());
    ASSERT_NE(line, nullptr) << "no editor after Escape";
    EXPECT_EQ(line->text(), QStringLiteral("first"));

    QTest::keyClick(line, Qt::Key_Delete, Qt::ControlModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(rows->recordCount(), 2);
    QWidget* editor = grid->cellEditor();
    ASSERT_NE(editor, nullptr) << "no editor after the delete";
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_TRUE(grid->visualRect(grid->currentIndex()).intersects(editor->geometry()));
}

}  // namespace zev::testing
