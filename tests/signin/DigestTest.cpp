// The password digest: upper-case hexadecimal MD5 over the Windows-1251 bytes of the text.

#include "core/Errors.h"
#include "signin/PasswordDigest.h"

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

TEST(DigestHex, MatchesPublishedDigests) {
    EXPECT_EQ(DigestHex(QStringLiteral("abc")), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    // An empty password is digested over zero bytes, never sent empty.
    EXPECT_EQ(DigestHex(QString()), QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_EQ(DigestHex(QStringLiteral("message digest")),
              QStringLiteral("F96B697D7CB7938D525A2F31AAF161D0"));
}

TEST(DigestHex, TakesCyrillicLettersAsWindows1251Bytes) {
    // Digests of the cp1251 encodings, taken independently of this code.
    EXPECT_EQ(DigestHex(QStringLiteral("пароль")),
              QStringLiteral("749789E4982B0C563F6729AAC100A614"));
    EXPECT_EQ(DigestHex(QStringLiteral("Пароль123")),
              QStringLiteral("AA710476E0054592EEFCAE6CA2D9136E"));
    EXPECT_EQ(DigestHex(QStringLiteral("ёЁ№")), QStringLiteral("093E2915F163556D80C0CA0F54575D97"));
    // The UTF-8 form of the same letters gives another digest.
    EXPECT_NE(DigestHex(QStringLiteral("пароль")),
              QStringLiteral("E242F36F4F95F12966DA8FA2EFD59992"));
}

TEST(DigestHex, IsAlways32UpperCaseDigitsAndKeepsSpaces) {
    for (const QString& text :
         {QStringLiteral("a"), QStringLiteral("Zz_09"), QStringLiteral(" ")}) {
        const QString digest = DigestHex(text);
        EXPECT_EQ(digest.size(), 32);
        EXPECT_EQ(digest, digest.toUpper());
    }
    EXPECT_EQ(DigestHex(QStringLiteral(" abc ")),
              QStringLiteral("01C9A8945ABEAD949B46C77CF3245B8A"));
    EXPECT_NE(DigestHex(QStringLiteral(" abc ")), DigestHex(QStringLiteral("abc")));
}

TEST(DigestHex, RefusesCharactersOutsideWindows1251) {
    // Such a character has no byte of its own; substituting one would let two different
    // passwords share a digest, so the password is refused instead.
    EXPECT_THROW(DigestHex(QStringLiteral("abcä")), Error);
    EXPECT_THROW(DigestHex(QStringLiteral("日本")), Error);
    EXPECT_THROW(DigestHex(QStringLiteral("a\U0001F600")), Error);
}

TEST(MD5Context, FeedsInPiecesLikeInOne) {
    MD5Context context;
    context.update(QByteArrayLiteral("ab"));
    context.update(QByteArrayLiteral("c"));
    EXPECT_EQ(context.finish(), MD5String(QStringLiteral("abc")));
    EXPECT_EQ(MD5String(QStringLiteral("abc")).size(), 16);
}

}  // namespace
}  // namespace zev::testing
