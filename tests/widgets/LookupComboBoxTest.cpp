#include "WidgetFixture.h"

#include "widgets/DBLookupComboBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QScreen>
#include <QTest>

namespace zev::testing {

class LookupComboBoxTest : public WidgetFixture {
protected:
    void SetUp() override {
        WidgetFixture::SetUp();
        combo = new DBLookupComboBox(window.get());
        combo->setGeometry(10, 10, 200, 22);
        combo->setKeyField(QStringLiteral("id_discipline"));
        combo->setListField(QStringLiteral("p34"));
        combo->setDropDownRows(4);
        combo->setListSource(disciplineSource);
        combo->onClick = [this] { ++clicks; };
        disciplines->open();
        window->show();
        QCoreApplication::processEvents();
    }

    QStringList listed() const {
        QStringList texts;
        for (int i = 0; i < combo->listRowCount(); ++i) {
            texts << combo->listText(i);
        }
        return texts;
    }

    DBLookupComboBox* combo = nullptr;
    int clicks = 0;
};

TEST_F(LookupComboBoxTest, KeyShowsItsEntryWithoutEvents) {
    EXPECT_FALSE(combo->keyValue().has_value());
    EXPECT_EQ(combo->keyText(), QString());
    combo->setKeyValue(3);
    EXPECT_EQ(combo->text(), QStringLiteral("История"));
    // The entry's text is painted: dark text pixels on the left of the box (unfocused, as a
    // focused box shows its text in the selection colours).
    combo->clearFocus();
    const QImage shown = combo->grab().toImage();
    keepSnapshot(shown, QStringLiteral("dropdown-chosen"));
    int dark = 0;
    for (int x = 2; x < 80; ++x) {
        for (int y = 2; y < shown.height() - 2; ++y) {
            dark += shown.pixelColor(x, y).lightness() < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 20);
    EXPECT_EQ(combo->keyText(), QStringLiteral("3"));
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(disciplines->recNo(), 1);  // the list does not move
    combo->clear();
    EXPECT_FALSE(combo->keyValue().has_value());
    EXPECT_TRUE(zev::isNull(combo->key()));
    EXPECT_EQ(combo->text(), QString());
}

TEST_F(LookupComboBoxTest, ChoosingFromTheListSetsTheKeyMovesTheListAndClicks) {
    disciplines->setFilter(QStringLiteral("descGroupNum = 1"));
    disciplines->setFiltered(true);
    combo->dropDown();
    ASSERT_TRUE(combo->listVisible());
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Физика"), QStringLiteral("Алгебра"),
                                     QStringLiteral("Биология")}));
    const QImage image = window->grab().toImage();
    keepSnapshot(combo->listWidget()->window()->grab().toImage(), QStringLiteral("dropdown-list"));
    keepSnapshot(image, QStringLiteral("dropdown"));

    QListWidget* list = combo->listWidget();
    const QRect second = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_FALSE(combo->listVisible());
    EXPECT_EQ(combo->keyValue(), std::optional<qint64>(4));
    EXPECT_EQ(combo->text(), QStringLiteral("Биология"));
    EXPECT_EQ(disciplines->recNo(), 3);
    EXPECT_EQ(disciplines->fieldByName(QStringLiteral("p34")).text(), QStringLiteral("Биология"));
    EXPECT_EQ(clicks, 1);
}

TEST_F(LookupComboBoxTest, TypingTheFirstLettersThenEnterChooses) {
    combo->setFocus();
    // Cyrillic letters as the keyboard sends them: the text of the key press.
    QKeyEvent first(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("И"));
    QCoreApplication::sendEvent(combo, &first);
    ASSERT_TRUE(combo->listVisible());
    QKeyEvent second(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("с"));
    QCoreApplication::sendEvent(combo->listWidget(), &second);
    QTest::keyClick(combo->listWidget(), Qt::Key_Return);
    EXPECT_EQ(combo->keyValue(), std::optional<qint64>(3));
    EXPECT_EQ(disciplines->recNo(), 3);
    EXPECT_EQ(clicks, 1);
}

TEST_F(LookupComboBoxTest, ClosingUpOrEscapeAcceptsNothing) {
    combo->setKeyValue(1);
    combo->dropDown();
    combo->listWidget()->setCurrentRow(4);
    combo->closeUp();
    EXPECT_FALSE(combo->listVisible());
    combo->dropDown();
    EXPECT_EQ(combo->listWidget()->currentRow(), 0);  // the list opens on the chosen entry
    QTest::keyClick(combo->listWidget(), Qt::Key_Down);
    QTest::keyClick(combo->listWidget(), Qt::Key_Escape);
    EXPECT_FALSE(combo->listVisible());
    EXPECT_EQ(combo->keyValue(), std::optional<qint64>(1));
    EXPECT_EQ(clicks, 0);

    // Choosing by position takes the list's rows as they stand now.
    disciplines->setFilter(QStringLiteral("descGroupNum = 2"));
    disciplines->setFiltered(true);
    combo->chooseRow(1);
    EXPECT_EQ(combo->keyValue(), std::optional<qint64>(5));
    EXPECT_EQ(combo->text(), QStringLiteral("Право"));
    EXPECT_EQ(clicks, 1);
}

TEST_F(LookupComboBoxTest, ReopenedListReResolvesTheText) {
    combo->setKeyValue(5);
    EXPECT_EQ(combo->text(), QStringLiteral("Право"));
    disciplines->close();
    disciplines->rows.cells.resize(disciplines->rows.cells.size() - 3);  // drop "Право"
    disciplines->open();
    EXPECT_EQ(combo->text(), QString());
    EXPECT_EQ(combo->keyValue(), std::optional<qint64>(5));
}

TEST_F(LookupComboBoxTest, ARefusedChoiceKeepsTheEntryAndFiresNothing) {
    combo->setKeyValue(3);
    bool allow = false;
    int asked = 0;
    combo->canChoose = [&] {
        ++asked;
        return allow;
    };
    combo->chooseRow(0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(combo->keyText(), QStringLiteral("3"));
    EXPECT_EQ(combo->text(), QStringLiteral("История"));
    EXPECT_EQ(clicks, 0);
    allow = true;
    combo->chooseRow(0);
    EXPECT_EQ(asked, 2);
    EXPECT_NE(combo->keyText(), QStringLiteral("3"));
    EXPECT_EQ(clicks, 1);
}

TEST_F(LookupComboBoxTest, TheFocusedDropDownShowsAFocusMark) {
    auto* other = new QWidget(window.get());
    other->setFocusPolicy(Qt::StrongFocus);
    other->show();
    combo->setKeyValue(3);
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    other->setFocus(Qt::MouseFocusReason);
    const QImage unfocused = combo->grab().toImage();
    combo->setFocus(Qt::MouseFocusReason);  // by mouse: no keyboard focus cue from the style
    ASSERT_TRUE(combo->hasFocus());
    const QImage focused = combo->grab().toImage();
    keepSnapshot(focused, QStringLiteral("dropdown-focused"));
    int differing = 0;
    for (int x = 0; x < focused.width(); ++x) {
        for (int y = 0; y < focused.height(); ++y) {
            differing += focused.pixel(x, y) != unfocused.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(differing, 40);
}

TEST_F(LookupComboBoxTest, TheListStaysOnTheScreenAndFitsItsLongestEntry) {
    combo->setDropDownWidth(400);  // wider than the box, which ends at the screen's edge
    const QRect screen = combo->screen()->availableGeometry();
    // Right against the screen's right edge.
    window->move(screen.right() - window->width() + 1, screen.top());
    combo->move(window->width() - combo->width(), 10);
    QCoreApplication::processEvents();
    combo->dropDown();
    ASSERT_TRUE(combo->listVisible());
    QWidget& popup = *combo->listWidget()->window();
    EXPECT_TRUE(screen.contains(popup.geometry()))
        << popup.geometry().x() << "+" << popup.geometry().width();
    EXPECT_EQ(popup.width(), 400);
    int longest = 0;
    const QFontMetrics metrics(combo->listWidget()->font());
    for (int row = 0; row < combo->listRowCount(); ++row) {
        longest = std::max(longest, metrics.horizontalAdvance(combo->listText(row)));
    }
    EXPECT_GE(combo->listWidget()->viewport()->width(), longest);
    combo->closeUp();
}

TEST_F(LookupComboBoxTest, FocusEventsAndDisabling) {
    int enters = 0;
    int exits = 0;
    combo->onEnter = [&] { ++enters; };
    combo->onExit = [&] { ++exits; };
    auto* other = new QWidget(window.get());
    other->setFocusPolicy(Qt::StrongFocus);
    other->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    other->setFocus(Qt::TabFocusReason);
    enters = exits = 0;
    combo->setFocus(Qt::TabFocusReason);
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 1);

    combo->setEnabled(false);
    combo->dropDown();
    EXPECT_FALSE(combo->listVisible());
}

// A list opened for the user while another control holds the focus (the next drop-down of a
// chain): the choice made in it brings the focus to its drop-down, entering it as a click
// would, so that the next key goes there and not to the control used before.
TEST_F(LookupComboBoxTest, AChoiceInAListOpenedForTheUserBringsTheFocus) {
    auto* previous = new DBLookupComboBox(window.get());
    previous->setGeometry(10, 40, 200, 22);
    previous->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    previous->setFocus(Qt::TabFocusReason);
    int enters = 0;
    combo->onEnter = [&] { ++enters; };

    combo->dropDown();
    ASSERT_TRUE(combo->listVisible());
    QListWidget* list = combo->listWidget();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_FALSE(combo->listVisible());
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(combo->hasFocus());
    EXPECT_FALSE(previous->hasFocus());
    EXPECT_EQ(enters, 1);

    // Choosing with the keys on the focused drop-down leaves the focus where it is.
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(combo->hasFocus());
    EXPECT_EQ(enters, 1);
}

}  // namespace zev::testing
