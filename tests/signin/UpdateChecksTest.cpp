// The checks a downloaded successor passes before it may replace the program: size, executable
// format of this platform, the published SHA-256 and the release key's Ed25519 signature. Every
// failure leaves nothing to install; a valid signed file is installed by the update script.

#include "HttpTestServer.h"
#include "core/Errors.h"
#include "signin/SelfUpdate.h"
#include "signin/UpdateChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSslSocket>
#include <QTemporaryDir>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A real executable of this machine: what a published successor looks like.
QByteArray thisPlatformsProgram() {
    return readFile(QStringLiteral("/bin/true"));
}

// A fresh Ed25519 key pair in PEM form, as a publisher would make it with
// "openssl genpkey -algorithm ed25519".
struct KeyPair {
    QByteArray privatePem;
    QByteArray publicPem;
};

KeyPair newKeyPair() {
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    BIO* privateBio = BIO_new(BIO_s_mem());
    BIO* publicBio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(privateBio, key, nullptr, nullptr, 0, nullptr, nullptr);
    PEM_write_bio_PUBKEY(publicBio, key);
    auto take = [](BIO* bio) {
        char* data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        QByteArray bytes(data, size);
        BIO_free(bio);
        return bytes;
    };
    KeyPair pair{take(privateBio), take(publicBio)};
    EVP_PKEY_free(key);
    return pair;
}

TEST(UpdateChecks, TheFormatIsThisPlatformsExecutable) {
    const QByteArray program = thisPlatformsProgram();
    ASSERT_FALSE(program.isEmpty());
    EXPECT_TRUE(isExecutableOfThisPlatform(program));
#ifndef Q_OS_WIN
    // The Windows program, a script, an ELF file of another machine or class, a cut-off header.
    QByteArray windows("MZ", 2);
    windows.append(QByteArray(200, '\0'));
    EXPECT_FALSE(isExecutableOfThisPlatform(windows));
    EXPECT_FALSE(isExecutableOfThisPlatform("#!/bin/sh\necho new\n"));
    QByteArray otherMachine = program;
    otherMachine[18] = static_cast<char>(otherMachine[18] ^ 0x01);
    EXPECT_FALSE(isExecutableOfThisPlatform(otherMachine));
    QByteArray otherClass = program;
    otherClass[4] = static_cast<char>(otherClass[4] == 2 ? 1 : 2);
    EXPECT_FALSE(isExecutableOfThisPlatform(otherClass));
    EXPECT_FALSE(isExecutableOfThisPlatform(program.left(12)));
#endif
}

TEST(UpdateChecks, EachCheckNamesItselfWhenItFails) {
    const QByteArray program = thisPlatformsProgram();
    const QByteArray checksum = sha256Line(program, QStringLiteral("ZEV 32-linux-x86_64"));
    const KeyPair key = newKeyPair();
    const QByteArray signature = signEd25519(key.privatePem, program);

    EXPECT_FALSE(checkUpdate(program, checksum, signature, key.publicPem).has_value());
    // Without a release key no signature is asked for.
    EXPECT_FALSE(checkUpdate(program, checksum, QByteArray(), QByteArray()).has_value());

    EXPECT_EQ(checkUpdate(QByteArray(), checksum, signature, key.publicPem)->check,
              UpdateCheck::Size);
    EXPECT_EQ(checkUpdate("x", checksum, signature, key.publicPem)->check, UpdateCheck::Format);
    EXPECT_EQ(checkUpdate(program, QByteArray(), signature, key.publicPem)->check,
              UpdateCheck::Checksum);
    EXPECT_EQ(
        checkUpdate(program, sha256Line("other", QStringLiteral("f")), signature, key.publicPem)
            ->check,
        UpdateCheck::Checksum);
    EXPECT_EQ(checkUpdate(program, checksum, QByteArray(), key.publicPem)->check,
              UpdateCheck::Signature);
    // Signed with another key, or a signature of other bytes.
    const KeyPair stranger = newKeyPair();
    EXPECT_EQ(
        checkUpdate(program, checksum, signEd25519(stranger.privatePem, program), key.publicPem)
            ->check,
        UpdateCheck::Signature);
    EXPECT_EQ(
        checkUpdate(program, checksum, signEd25519(key.privatePem, "other"), key.publicPem)->check,
        UpdateCheck::Signature);

    const auto failure = checkUpdate(program, QByteArray(), signature, key.publicPem);
    EXPECT_TRUE(failure->text.contains(QStringLiteral("SHA-256"))) << failure->text.toStdString();
}

TEST(UpdateChecks, TheChecksumFileIsReadAsSha256sumWritesIt) {
    const QByteArray hash(64, 'a');
    EXPECT_EQ(publishedSha256(hash + "  ZEV 32-linux-x86_64\n"), hash);
    EXPECT_EQ(publishedSha256(hash.toUpper() + "\n"), hash);
    EXPECT_TRUE(publishedSha256(hash.left(63)).isEmpty());
    EXPECT_TRUE(publishedSha256(QByteArray(64, 'g')).isEmpty());
    EXPECT_TRUE(publishedSha256("<html>Not Found</html>").isEmpty());
}

TEST(UpdateChecks, SigningNeedsAnEd25519PrivateKey) {
    const KeyPair key = newKeyPair();
    EXPECT_THROW(signEd25519(key.publicPem, "data"), Error);
    EXPECT_THROW(signEd25519("not a key", "data"), Error);
    EXPECT_EQ(signEd25519(key.privatePem, "data").size(), 64);
}

TEST(UpdateChecks, TheFileIsNamedForThePlatform) {
#ifdef Q_OS_WIN
    EXPECT_EQ(updateFileName(), QStringLiteral("ZEV 32.exe"));
#else
    EXPECT_TRUE(updateFileName().startsWith(QStringLiteral("ZEV 32-linux-")));
    EXPECT_FALSE(updateFileName().endsWith(QStringLiteral(".exe")));
#endif
}

// The update server publishes the program, its checksum and its signature; each case spoils one.
class Fetch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        program = thisPlatformsProgram();
        ASSERT_FALSE(program.isEmpty());
        installed = dir.filePath(QStringLiteral("ZEV 32"));
        QFile old(installed);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the installed program");
        old.close();
        publish(program, sha256Line(program, updateFileName()),
                signEd25519(key.privatePem, program));
    }

    void publish(const QByteArray& file, const QByteArray& checksum, const QByteArray& signature) {
        server.answer(kPath, 200, file);
        server.answer(kPath + ".sha256", 200, checksum);
        server.answer(kPath + ".sig", 200, signature);
    }

    FetchedUpdate fetch() { return fetchUpdate(server.url(), paths, key.publicPem); }

    // Nothing that the update script could install is left, and the program is untouched.
    void expectNothingToInstall() {
        EXPECT_FALSE(QFileInfo::exists(paths.tempFolder()));
        EXPECT_FALSE(QFileInfo::exists(paths.downloadedFile()));
        EXPECT_FALSE(QFileInfo::exists(paths.scriptFile()));
        EXPECT_EQ(readFile(installed), QByteArray("the installed program"));
    }

    static inline const QByteArray kPath = "/zevprogs/ZEV%2032.exe";
    QTemporaryDir dir;
    UpdatePaths paths{dir.path()};
    QString installed;
    QByteArray program;
    KeyPair key = newKeyPair();
    HttpTestServer server{404, "Not Found", "<html>Not Found</html>"};
};

TEST_F(Fetch, EachFailedCheckLeavesNothingToInstall) {
    struct Case {
        const char* what;
        QByteArray file, checksum, signature;
        FetchedUpdate::Outcome outcome;
        const char* named;
    };
    const QByteArray sum = sha256Line(program, updateFileName());
    const QByteArray sig = signEd25519(key.privatePem, program);
    const QByteArray script = "#!/bin/sh\nrm -rf ~\n";
    const Case cases[] = {
        {"empty", QByteArray(), sum, sig, FetchedUpdate::Outcome::Unreachable, ""},
        {"a script", script, sha256Line(script, QStringLiteral("f")),
         signEd25519(key.privatePem, script), FetchedUpdate::Outcome::Refused, "программой"},
        {"wrong checksum", program, sha256Line("x", QStringLiteral("f")), sig,
         FetchedUpdate::Outcome::Refused, "SHA-256"},
        {"no checksum", program, QByteArray(), sig, FetchedUpdate::Outcome::Refused, "SHA-256"},
        {"wrong signature", program, sum, signEd25519(newKeyPair().privatePem, program),
         FetchedUpdate::Outcome::Refused, "подпись"},
        {"no signature", program, sum, QByteArray(), FetchedUpdate::Outcome::Refused, "подпись"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        publish(c.file, c.checksum, c.signature);
        if (c.checksum.isEmpty()) {
            server.answer(kPath + ".sha256", 404, "<html>Not Found</html>");
        }
        if (c.signature.isEmpty()) {
            server.answer(kPath + ".sig", 404, "<html>Not Found</html>");
        }
        const FetchedUpdate fetched = fetch();
        EXPECT_EQ(fetched.outcome, c.outcome);
        EXPECT_TRUE(fetched.failure.contains(QString::fromUtf8(c.named)))
            << fetched.failure.toStdString();
        expectNothingToInstall();
    }
}

TEST_F(Fetch, AnUnreachableServerLeavesNoEmptyTemporaryFolder) {
    const QUrl nowhere(QStringLiteral("http://127.0.0.1:%1/zevprogs/ZEV 32.exe")
                           .arg(HttpTestServer::closedPort()));
    EXPECT_EQ(fetchUpdate(nowhere, paths, key.publicPem).outcome,
              FetchedUpdate::Outcome::Unreachable);
    expectNothingToInstall();
}

TEST_F(Fetch, ALeftoverSignatureDoesNotPassForAMissingOne) {
    ASSERT_TRUE(QDir().mkpath(paths.tempFolder()));
    QFile leftover(paths.signatureFile());
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write(signEd25519(key.privatePem, program));
    leftover.close();
    server.answer(kPath + ".sig", 404, "<html>Not Found</html>");
    EXPECT_EQ(fetch().outcome, FetchedUpdate::Outcome::Refused);
    expectNothingToInstall();
}

TEST_F(Fetch, AValidSignedFileIsFetchedAndInstalled) {
    const FetchedUpdate fetched = fetch();
    ASSERT_EQ(fetched.outcome, FetchedUpdate::Outcome::Ready) << fetched.failure.toStdString();
    EXPECT_EQ(readFile(paths.downloadedFile()), program);
    EXPECT_TRUE(server.requestedPaths().contains(kPath + ".sha256"));
    EXPECT_TRUE(server.requestedPaths().contains(kPath + ".sig"));
#ifndef Q_OS_WIN
    // The update script (the program has already exited: no process id) puts it in place.
    writeUpdateScript(paths.scriptFile());
    QProcess script;
    script.start(QStringLiteral("/bin/sh"), {paths.scriptFile()});
    ASSERT_TRUE(script.waitForFinished(30000));
    EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(installed), program);
    EXPECT_TRUE(QFileInfo(installed).isExecutable());
    EXPECT_FALSE(QFileInfo::exists(paths.tempFolder()));
#endif
}

TEST(UpdateFolder, HttpsAddressesCanBeFetched) {
    // Qt's TLS backend and OpenSSL are there, so an https update folder works.
    EXPECT_TRUE(QSslSocket::supportsSsl()) << QSslSocket::activeBackend().toStdString();
    EXPECT_FALSE(QSslSocket::sslLibraryVersionString().isEmpty());
}

TEST(UpdateFolder, AFolderThatCannotBeWrittenIsSeenAsSuch) {
    QTemporaryDir dir;
    EXPECT_TRUE(folderIsWritable(dir.path()));
    EXPECT_FALSE(folderIsWritable(dir.filePath(QStringLiteral("missing"))));
#ifndef Q_OS_WIN
    // Not even the administrator can create files here.
    EXPECT_FALSE(folderIsWritable(QStringLiteral("/proc/self")));
#endif
}

TEST(Publishing, TheToolWritesTheChecksumAndSignatureTheClientAccepts) {
    QTemporaryDir dir;
    const KeyPair key = newKeyPair();
    const QString keyFile = dir.filePath(QStringLiteral("release-private.pem"));
    QFile pem(keyFile);
    ASSERT_TRUE(pem.open(QIODevice::WriteOnly));
    pem.write(key.privatePem);
    pem.close();
    const QString published = dir.filePath(updateFileName());
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/true"), published));

    QProcess tool;
    tool.start(QStringLiteral(ZEV_PUBLISH_PROGRAM), {QStringLiteral("--key"), keyFile, published});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

    const QByteArray checksum = readFile(published + QStringLiteral(".sha256"));
    EXPECT_TRUE(checksum.endsWith("  " + updateFileName().toUtf8() + "\n")) << checksum.data();
    const QByteArray signature = readFile(published + QStringLiteral(".sig"));
    EXPECT_EQ(signature.size(), 64);
    EXPECT_FALSE(checkUpdate(readFile(published), checksum, signature, key.publicPem).has_value());

    // A public key is no signing key: the tool refuses and says so.
    QFile publicPem(keyFile);
    ASSERT_TRUE(publicPem.open(QIODevice::WriteOnly | QIODevice::Truncate));
    publicPem.write(key.publicPem);
    publicPem.close();
    QProcess refused;
    refused.start(QStringLiteral(ZEV_PUBLISH_PROGRAM),
                  {QStringLiteral("--key"), keyFile, published});
    ASSERT_TRUE(refused.waitForFinished(30000));
    EXPECT_NE(refused.exitCode(), 0);
    EXPECT_FALSE(refused.readAllStandardError().isEmpty());
}

}  // namespace
}  // namespace zev::testing
