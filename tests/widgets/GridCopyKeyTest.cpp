// The grid's own copy key: it copies the current cell's text only when copying is one of the
// grid's edit actions, and otherwise leaves the user's clipboard as it is.
#include "WidgetFixture.h"

#include "widgets/DBGridEh.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

namespace zev::testing {

TEST_F(WidgetFixture, GridCopiesACellOnlyWhenCopyingIsItsEditAction) {
    auto* grid = new DBGridEh(window.get());
    grid->setGeometry(0, 0, 640, 320);
    grid->addColumn(QStringLiteral("Discipline"), QStringLiteral("Дисциплина"), 200);
    grid->addColumn(QStringLiteral("note"), QStringLiteral("Заметка"), 150);
    grid->setDataSource(rowSource);
    disciplines->open();
    rows->open();
    window->show();
    grid->setCurrentIndex(grid->model()->index(1, 1));

    const QString users = QStringLiteral("Текст пользователя");
    QGuiApplication::clipboard()->setText(users);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), users);

    grid->setEditActions(GridEditAction::Copy);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("История"));
}

}  // namespace zev::testing
