// The text columns' order: the quick comparison of UTF-8 bytes must order every pair exactly as
// decoding both texts and comparing them without regard to case does.
#include "server/engine/StoredText.h"
#include "server/engine/TextCollation.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <random>
#include <string>
#include <vector>

namespace zev::testing {
namespace {

using server::compareTextIgnoringCase;

int order(const QByteArray& left, const QByteArray& right) {
    return compareTextIgnoringCase(left.constData(), int(left.size()), right.constData(),
                                   int(right.size()));
}

int decodedOrder(const QByteArray& left, const QByteArray& right) {
    const auto trimmed = [](QByteArray text) {
        while (text.endsWith(' ')) {
            text.chop(1);
        }
        return server::storedText(text.constData(), int(text.size()));
    };
    const int o = QString::compare(trimmed(left), trimmed(right), Qt::CaseInsensitive);
    return o < 0 ? -1 : (o > 0 ? 1 : 0);
}

TEST(TextCollation, CaseAndTrailingBlanksDoNotCount) {
    EXPECT_EQ(order("ЁЛКА", "ёлка"), 0);
    EXPECT_EQ(order("Informatics  ", "INFORMATICS"), 0);
    EXPECT_EQ(order("Straße", "STRAẞE"), 0);
    EXPECT_EQ(order("Иван", "Иванов"), -1);
    EXPECT_EQ(order("иванов", "Иван"), 1);
    EXPECT_EQ(order("", "   "), 0);
    EXPECT_EQ(order("a b", "a"), 1);
    EXPECT_EQ(order("Базы данных", "Базы данных 2"), -1);
    EXPECT_EQ(order("яблоко", "Арбуз"), 1);
}

TEST(TextCollation, Windows1251BytesCompareAsTheTextTheyHold) {
    // "Иван" in the Cyrillic code page, as another tool may have stored it.
    const QByteArray cp1251("\xC8\xE2\xE0\xED");
    EXPECT_EQ(order(cp1251, "ИВАН"), 0);
    EXPECT_EQ(order("иван", cp1251), 0);
    EXPECT_EQ(order(cp1251, "Иванов"), -1);
}

TEST(TextCollation, EveryPairOrdersAsTheDecodedTexts) {
    const std::vector<std::string> pieces = {
        "a", "A", "z", "Z",    "0",    "9",    " ",    "-",  "_",  "Ё",           "ё", "Е",
        "е", "Ж", "ж", "Я",    "я",    "Ω",    "ω",    "ß",  "ẞ",  "İ",           "ı", "ǅ",
        "ﬀ", "𝐀", "😀", "\xC8", "\xE2", "\xFF", "\x80", "ａ", "Ａ", "\xEF\xBF\xBD"};
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 6);
    const auto text = [&] {
        QByteArray made;
        for (int n = length(random); n > 0; --n) {
            made += pieces[piece(random)];
        }
        return made;
    };
    for (int n = 0; n < 20000; ++n) {
        QByteArray left = text();
        QByteArray right = n % 3 == 0 ? left.toUpper() + " " : text();
        ASSERT_EQ(order(left, right), decodedOrder(left, right))
            << left.toHex().toStdString() << " vs " << right.toHex().toStdString();
        ASSERT_EQ(order(left, right), -order(right, left));
    }
}

}  // namespace
}  // namespace zev::testing
