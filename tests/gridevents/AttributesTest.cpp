// Attribute defaults, colour conversion, attaching and releasing a grid.
#include "tests/gridevents/GridFixture.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QTest>

namespace zev::testing {
namespace {

TEST(TColorTest, PlainAndSystemColours) {
    EXPECT_EQ(toQColor(0xFFD1A4), QColor(0xA4, 0xD1, 0xFF));
    EXPECT_EQ(toQColor(clGreen), QColor(0, 128, 0));
    EXPECT_EQ(toQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(toQColor(clInfoBk), QGuiApplication::palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(toQColor(clWindowText), QGuiApplication::palette().color(QPalette::WindowText));
    EXPECT_EQ(rgbColor(164, 209, 255), 16765348u);
    EXPECT_EQ(rgbColor(130, 192, 255), 16760962u);
}

TEST(AttributesTest, ConstructorDefaults) {
    TQFDBAttributes attrs;
    EXPECT_EQ(attrs.SelAttr().Color(), clBlack);
    EXPECT_EQ(attrs.SelAttr().Font().color, clWhite);
    EXPECT_EQ(attrs.AfterPasteAttr().Color(), clInfoBk);
    EXPECT_EQ(attrs.DuplicateAttr().Color(), clGreen);
    EXPECT_EQ(attrs.ErrorAttr().Color(), clRed);
    EXPECT_EQ(attrs.FocusedAttr().Color(), 0x4F4F4Fu);
    EXPECT_EQ(attrs.FocusedAttr().Font().color, clWhite);
    EXPECT_TRUE(attrs.FocusedAttr().Font().font.bold());
    EXPECT_EQ(attrs.FixedAttr().SelColor(), clMoneyGreen);
    EXPECT_TRUE(attrs.FixedAttr().SelFont().font.bold());
    EXPECT_TRUE(attrs.FixedAttr().List().isEmpty());
    EXPECT_EQ(attrs.SelAttr().grid(), nullptr);
}

TEST(SearchTest, ListsAreSearchedWithoutRegardToCase) {
    const QStringList list{QStringLiteral("abc"), QStringLiteral("Поток"), QStringLiteral("ABC")};
    EXPECT_EQ(indexOfText(list, QStringLiteral("ПОТОК")), 1);
    EXPECT_EQ(indexOfText(list, QStringLiteral("Abc")), 0);
    EXPECT_EQ(indexOfText(list, QStringLiteral("x")), -1);
}

// Counts the paint requests that reach the grid's viewport.
class UpdateCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

using LifecycleTest = GridFixture;

TEST_F(LifecycleTest, AttachingTakesOverTheGridAndReleasingGivesItBack) {
    EXPECT_EQ(events->DBGridEh(), grid);
    EXPECT_FALSE(grid->defaultDrawing());
    EXPECT_FALSE(grid->allowedOperations().testFlag(AllowedOperation::Delete));
    EXPECT_EQ(grid->editActions(), GridEditActions());
    EXPECT_TRUE(grid->onDrawColumnCell);
    EXPECT_TRUE(grid->onKeyDown);
    EXPECT_EQ(events->QFDBAttributes().SelAttr().grid(), grid);

    events->setDBGridEh(grid);  // the same grid: nothing changes
    EXPECT_FALSE(grid->defaultDrawing());

    events->setDBGridEh(nullptr);
    EXPECT_EQ(events->DBGridEh(), nullptr);
    EXPECT_TRUE(grid->defaultDrawing());
    EXPECT_TRUE(grid->allowedOperations().testFlag(AllowedOperation::Delete));
    EXPECT_FALSE(grid->onDrawColumnCell);
    EXPECT_FALSE(grid->onKeyDown);
    EXPECT_EQ(events->QFDBAttributes().FixedAttr().grid(), nullptr);
}

TEST_F(LifecycleTest, SwitchingGridsReleasesTheFirst) {
    auto* other = new TQFDBGridEh(window.get());
    events->setDBGridEh(other);
    EXPECT_TRUE(grid->defaultDrawing());
    EXPECT_FALSE(grid->onKeyDown);
    EXPECT_FALSE(other->defaultDrawing());
    EXPECT_TRUE(other->onKeyDown);
    EXPECT_EQ(events->QFDBAttributes().ErrorAttr().grid(), other);
    // Destroying the first grid no longer concerns the component.
    delete grid;
    grid = nullptr;
    EXPECT_EQ(events->DBGridEh(), other);
}

TEST_F(LifecycleTest, DestroyedGridAndFieldsAreForgotten) {
    addRow(1, 7);
    openAndShow();
    delete grid;
    grid = nullptr;
    EXPECT_EQ(events->DBGridEh(), nullptr);
    EXPECT_EQ(events->QFDBAttributes().SelAttr().grid(), nullptr);
    events->SelectAllRows();
    EXPECT_EQ(codes, std::vector<quint16>{qfeNoGrid});
    // Changing an attribute without a grid repaints nothing and does not fail.
    events->QFDBAttributes().SelAttr().setColor(clRed);
}

TEST_F(LifecycleTest, ChangedColourRepaintsUnchangedDoesNot) {
    addRow(1, 7);
    openAndShow();
    UpdateCounter counter;
    grid->viewport()->installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.paints = 0;
    events->QFDBAttributes().SelAttr().setColor(events->QFDBAttributes().SelAttr().Color());
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    events->QFDBAttributes().SelAttr().setColor(clRed);
    QCoreApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    counter.paints = 0;
    events->QFDBAttributes().SelAttr().Font().color = clGreen;  // in place: no repaint
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    grid->viewport()->removeEventFilter(&counter);
}

}  // namespace
}  // namespace zev::testing
