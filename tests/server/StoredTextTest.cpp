// Reading a stored text: valid UTF-8 decodes as Qt decodes it, anything else (a text another
// tool wrote in the Cyrillic code page) reads as Windows-1251, whole, even where its last bytes
// would begin a UTF-8 sequence.
#include "core/Cp1251.h"
#include "server/engine/StoredText.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <random>

namespace zev::testing {
namespace {

using server::decodeUtf8;
using server::readStoredText;
using server::storedText;

QString read(const QByteArray& bytes) {
    return storedText(bytes.constData(), static_cast<int>(bytes.size()));
}

// What the text must read as: Qt's own judgement of UTF-8 and its decoding.
QString expected(const QByteArray& bytes) {
    if (!QByteArrayView(bytes).isValidUtf8()) {
        return fromCp1251(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    return utf8.decode(bytes);
}

TEST(StoredText, ReadsEveryByteStringAsQtJudgesAndDecodesIt) {
    // Bytes around every edge of the encoding: ASCII, continuation bytes, the leads of overlong
    // forms, of surrogates, of the last planes and past them.
    const unsigned char edges[] = {'a',  ' ',  0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F,
                                   0xA0, 0xBB, 0xBF, 0xC0, 0xC1, 0xC2, 0xD0, 0xDF,
                                   0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xF8, 0xFF};
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> pick(0, sizeof edges - 1);
    std::uniform_int_distribution<int> length(0, 9);
    QString into;
    for (int n = 0; n < 200000; ++n) {
        QByteArray bytes;
        for (int k = length(random); k > 0; --k) {
            bytes.append(static_cast<char>(edges[pick(random)]));
        }
        const bool valid = QByteArrayView(bytes).isValidUtf8();
        QString out(bytes.size(), QChar());
        const qsizetype written =
            decodeUtf8(bytes.constData(), bytes.size(), reinterpret_cast<char16_t*>(out.data()));
        ASSERT_EQ(written >= 0, valid) << bytes.toHex().toStdString();
        readStoredText(bytes.constData(), static_cast<int>(bytes.size()), into);
        ASSERT_EQ(into, expected(bytes)) << bytes.toHex().toStdString();
    }
}

TEST(StoredText, DecodesEveryPlaneAndRefusesWhatUtf8Forbids) {
    EXPECT_EQ(read("Иванова И. И."), QStringLiteral("Иванова И. И."));
    EXPECT_EQ(read("\xF0\x9F\x98\x80"), QString::fromUtf8("\xF0\x9F\x98\x80"));  // two units
    EXPECT_EQ(read("\xF4\x8F\xBF\xBF").size(), 2);
    EXPECT_EQ(read(""), QString());
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xF0\x8F\xBF\xBF", "\x80", "\xC2"}) {
        const QByteArray bytes(bad);
        char16_t room[8] = {};
        EXPECT_EQ(decodeUtf8(bytes.constData(), bytes.size(), room), -1)
            << bytes.toHex().toStdString();
    }
}

TEST(StoredText, ACodePageTextEndingInWhatWouldLeadAUtf8SequenceKeepsItsLastLetter) {
    // "21В" and "ИВТ-1В" in Windows-1251: the last byte, 0xC2, leads a two-byte UTF-8 sequence
    // that never comes.
    EXPECT_EQ(read("21\xC2"), QStringLiteral("21В"));
    EXPECT_EQ(read("\xC8\xC2\xD2-1\xC2"), QStringLiteral("ИВТ-1В"));
}

TEST(StoredText, OnlyAByteOrderMarkThatOpensTheTextIsLeftOut) {
    EXPECT_EQ(read("\xEF\xBB\xBF"
                   "abc"),
              QStringLiteral("abc"));
    EXPECT_EQ(read("ab\xEF\xBB\xBF"
                   "c"),
              QStringLiteral("ab\uFEFFc"));
    QString into = QStringLiteral("a longer text read before");
    readStoredText("\xEF\xBB\xBF", 3, into);
    EXPECT_TRUE(into.isEmpty());
}

}  // namespace
}  // namespace zev::testing
