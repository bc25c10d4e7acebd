// The connection settings file, the connection string and the composed sign-in call.

#include "core/ConnectionSettings.h"
#include "core/Cp1251.h"
#include "core/Errors.h"
#include "core/SettingsFile.h"
#include "signin/LoginStatement.h"
#include "signin/PasswordDigest.h"
#include "signin/Workstation.h"

#include <QHostAddress>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

// A 20-byte field of the settings file: each character one code lower, padded with junk.
QByteArray storedField(const QByteArray& text) {
    QByteArray field(20, '\x7f');
    for (int i = 0; i < text.size(); ++i) {
        field[i] = static_cast<char>(static_cast<unsigned char>(text[i]) - 1);
    }
    return field;
}

QByteArray settingsBytes(const QByteArray& user, const QByteArray& password,
                         const QByteArray& server, const QByteArray& catalog) {
    QByteArray bytes = storedField(user) + storedField(password);
    bytes += static_cast<char>(user.size());
    bytes += static_cast<char>(password.size());
    bytes += storedField(server) + storedField(catalog);
    bytes += static_cast<char>(server.size());
    bytes += static_cast<char>(catalog.size());
    return bytes;
}

TEST(ShiftText, RaisesEveryWindows1251CodeByOneModulo256) {
    EXPECT_EQ(ShiftText(QStringLiteral("`cb")), QStringLiteral("adc"));
    // Cyrillic letters move within the code page: 'й' (0xE9) to 'к' (0xEA), 'Я' (0xDF) to
    // 'а' (0xE0), and the ASCII '?' (0x3F) stays below the letters.
    EXPECT_EQ(ShiftText(QStringLiteral("йЯ")), QStringLiteral("ка"));
    // 'я' is code 255, which wraps to 0; the byte 0xBF ('ї') moves to 'А' (0xC0).
    const QString wrapped = ShiftText(QStringLiteral("я"));
    ASSERT_EQ(wrapped.size(), 1);
    EXPECT_EQ(wrapped[0].unicode(), 0);
    EXPECT_EQ(ShiftText(QStringLiteral("ї")), QStringLiteral("А"));
    EXPECT_EQ(ShiftText(QString()), QString());
}

TEST(ShiftText, UndoesTheSettingsFilesStoredBytes) {
    // A text stored one code lower, as the settings file and GET_USER store account texts.
    const QString account = QStringLiteral("Кафедра_кит;}");
    QByteArray stored = QByteArray::fromHex("cae0f4e5e4f0e05feae8f23b7d");
    for (char& c : stored) {
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);
    }
    EXPECT_EQ(ShiftText(fromCp1251(stored)), account);
    EXPECT_EQ(ShiftStoredBytes(stored), account);
}

TEST(SettingsFile, DecodesTheFourTexts) {
    QByteArray bytes = settingsBytes("zev_signin", "S3cret!", "zev-demo.sqlite", "ZEV");
    bytes += "anything after the 84 bytes is ignored";
    const TFirstConnectInfo info = ParseFirstConnectInfo(bytes, QStringLiteral("ZEV"));
    EXPECT_EQ(info.User, QStringLiteral("zev_signin"));
    EXPECT_EQ(info.Password, QStringLiteral("S3cret!"));
    EXPECT_EQ(info.Server, QStringLiteral("zev-demo.sqlite"));
    EXPECT_EQ(info.Catalog, QStringLiteral("ZEV"));
}

TEST(SettingsFile, TakesALengthAbove20AsTheWholeField) {
    QByteArray bytes = settingsBytes("abcdefghijklmnopqrst", "p", "s", "c");
    bytes[40] = static_cast<char>(200);
    const TFirstConnectInfo info = ParseFirstConnectInfo(bytes, QStringLiteral("ZEV"));
    EXPECT_EQ(info.User, QStringLiteral("abcdefghijklmnopqrst"));
}

TEST(SettingsFile, MissingOrShortFileNamesTheFile) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("Data/ZEV"));
    try {
        ReadFirstConnectInfo(missing);
        FAIL() << "a missing file was read";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Data/ZEV"))) << e.text().toStdString();
    }

    const QString shortFile = dir.filePath(QStringLiteral("ZEV"));
    QFile file(shortFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(settingsBytes("u", "p", "s", "c").left(83));
    file.close();
    try {
        ReadFirstConnectInfo(shortFile);
        FAIL() << "a short file was read";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(shortFile)) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("83"))) << e.text().toStdString();
    }
}

TEST(SettingsFile, NamedPipeOrFolderIsRefusedAtOnce) {
    // Reading a pipe nobody writes to would block the sign-in for good.
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("ZEV"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    try {
        ReadFirstConnectInfo(pipe);
        FAIL() << "a named pipe was read";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(pipe)) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("не является обычным файлом")))
            << e.text().toStdString();
    }
    const QString folder = dir.filePath(QStringLiteral("Folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_THROW(ReadFirstConnectInfo(folder), Error);
}

TEST(ConnectionString, JoinsTheAccountWithTheProviderSettings) {
    const TFirstConnectInfo info{QStringLiteral("usr"), QStringLiteral("pw"), QStringLiteral("ZEV"),
                                 QStringLiteral("srv01")};
    EXPECT_EQ(ComposeConnectionString(info),
              QStringLiteral("Provider=SQLOLEDB.1;Password=pw;Persist Security Info=True;"
                             "User ID=usr;Initial Catalog=ZEV;Data Source=srv01;"
                             "Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;"
                             "Use Encryption for Data=False;"
                             "Tag with column collation when possible=False"));
}

TEST(ConnectionString, ValuesWithSeparatorsAreBracedAndParseBackWhole) {
    TFirstConnectInfo info;
    info.Password = QStringLiteral("St;aff=1}");
    info.User = QStringLiteral("Кафедра {к}");
    info.Catalog = QStringLiteral("ZEV");
    info.Server = QStringLiteral("srv01\\SQLEXPRESS");
    const QString text = ComposeConnectionString(info);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Provider=SQLOLEDB.1;Password={St;aff=1}}};")))
        << text.toStdString();
    const ConnectionSettings settings = parseConnectionString(text);
    EXPECT_EQ(settings.password, info.Password);
    EXPECT_EQ(settings.user, info.User);
    EXPECT_EQ(settings.catalog, info.Catalog);
    EXPECT_EQ(settings.dataSource, info.Server);
    EXPECT_EQ(settings.packetSize, 4096);
}

LoginRequest request(const QString& login, const QString& newPassword) {
    return LoginRequest{login, DigestHex(QStringLiteral("secret")), newPassword,
                        QStringLiteral("10.0.0.7"), QStringLiteral("WS-12")};
}

TEST(GetUserStatement, PlainSignInSendsNullAndFour) {
    EXPECT_EQ(composeGetUserStatement(request(QStringLiteral("ivanova"), QStringLiteral("NULL"))),
              QStringLiteral("EXEC GET_USER 'ivanova','") + DigestHex(QStringLiteral("secret")) +
                  QStringLiteral("',NULL, 'ZEV 32', '10.0.0.7', 'WS-12', 'ivanova','0','4'"));
}

TEST(GetUserStatement, PasswordChangeSendsTheQuotedDigestAnd34) {
    const QString statement =
        composeGetUserStatement(request(QStringLiteral(" Ivanova "), QStringLiteral("new_pass1")));
    const QString newDigest = DigestHex(QStringLiteral("new_pass1"));
    EXPECT_TRUE(
        statement.contains(QStringLiteral(",'") + newDigest + QStringLiteral("', 'ZEV 32'")))
        << statement.toStdString();
    EXPECT_TRUE(statement.endsWith(QStringLiteral(", ' Ivanova ','0','34'")));
    // The login goes in twice exactly as typed.
    EXPECT_TRUE(statement.startsWith(QStringLiteral("EXEC GET_USER ' Ivanova ','")));
    // "null" in small letters is a password like any other.
    EXPECT_TRUE(composeGetUserStatement(request(QStringLiteral("a"), QStringLiteral("null")))
                    .endsWith(QStringLiteral("'34'")));
}

TEST(GetUserStatement, QuotesInLoginAndComputerNameCannotAlterTheStatement) {
    LoginRequest r =
        request(QStringLiteral("o'neil'); DROP TABLE zev_login; --"), QStringLiteral("NULL"));
    r.computer = QStringLiteral("PC'1");
    const QString statement = composeGetUserStatement(r);
    EXPECT_TRUE(statement.startsWith(
        QStringLiteral("EXEC GET_USER 'o''neil''); DROP TABLE zev_login; --','")));
    EXPECT_TRUE(statement.contains(QStringLiteral(", 'PC''1', ")));
    EXPECT_EQ(sqlQuoted(QStringLiteral("'")), QStringLiteral("''''"));
}

TEST(Workstation, GivesADottedDecimalIPv4AddressAndAName) {
    const Workstation& system = Workstation::instance();
    QHostAddress address;
    ASSERT_TRUE(address.setAddress(system.localIPv4())) << system.localIPv4().toStdString();
    EXPECT_EQ(address.protocol(), QAbstractSocket::IPv4Protocol);
    EXPECT_EQ(system.localIPv4().count(u'.'), 3);
    EXPECT_LE(system.computerName().size(), 255);
}

}  // namespace
}  // namespace zev::testing
