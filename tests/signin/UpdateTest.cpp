// The download of the program's successor and the scripts that install it.

#include "HttpTestServer.h"
#include "core/Errors.h"
#include "signin/SelfUpdate.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& name, const QByteArray& bytes, bool executable = false) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    if (executable) {
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
    }
}

class Download : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString target() const { return dir.filePath(QStringLiteral("ZEV 32")); }
};

TEST_F(Download, SuccessWritesEveryByteAndSendsTheProgramNameAsAgent) {
    QByteArray program(70000, '\0');
    for (int i = 0; i < program.size(); ++i) {
        program[i] = static_cast<char>(i * 7);
    }
    HttpTestServer server(200, "OK", program);
    std::vector<qint64> progress;
    EXPECT_TRUE(DownloadFile(server.url(), target(),
                             [&](qint64 received, qint64) { progress.push_back(received); }));
    EXPECT_EQ(readFile(target()), program);
    EXPECT_FALSE(progress.empty());
    // The path is sent with its space encoded, the agent is this program's file name.
    EXPECT_TRUE(server.lastRequest().startsWith("GET /zevprogs/ZEV%2032.exe HTTP/1.1"));
    const QByteArray agent =
        "User-Agent: " + QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
    EXPECT_TRUE(server.lastRequest().contains(agent)) << server.lastRequest().toStdString();
}

TEST_F(Download, OneByteIsEnoughAndAnOldFileIsOverwritten) {
    writeFile(target(), "an older, longer download");
    HttpTestServer server(200, "OK", "x");
    EXPECT_TRUE(DownloadFile(server.url(), target()));
    EXPECT_EQ(readFile(target()), QByteArray("x"));
}

TEST_F(Download, FollowsARedirectionToTheProgram) {
    HttpTestServer mirror(200, "OK", "the program");
    HttpTestServer moved(302, "Found", "<html>moved</html>");
    moved.addHeader("Location: " + mirror.url().toEncoded());
    EXPECT_TRUE(DownloadFile(moved.url(), target()));
    EXPECT_EQ(readFile(target()), QByteArray("the program"));
}

TEST_F(Download, AnErrorPageIsNeverKept) {
    HttpTestServer server(404, "Not Found", "<html>Not Found</html>");
    EXPECT_FALSE(DownloadFile(server.url(), target()));
    EXPECT_FALSE(QFile::exists(target()));
}

TEST_F(Download, ZeroBytesFail) {
    HttpTestServer server(200, "OK", QByteArray());
    EXPECT_FALSE(DownloadFile(server.url(), target()));
    EXPECT_FALSE(QFile::exists(target()));
}

TEST_F(Download, RefusedConnectionFails) {
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/zevprogs/ZEV 32.exe")
                       .arg(HttpTestServer::closedPort()));
    EXPECT_FALSE(DownloadFile(url, target()));
    EXPECT_FALSE(QFile::exists(target()));
}

TEST_F(Download, UnwritableTargetIsAnError) {
    HttpTestServer server(200, "OK", "x");
    EXPECT_THROW(DownloadFile(server.url(), dir.filePath(QStringLiteral("no/such/folder/f"))),
                 Error);
}

TEST(updateScript, WindowsScriptWaitsBoundedThenReplacesAndStarts) {
    const QByteArray expected =
        "@ECHO OFF\r\n"
        "SET ZEV_PROG=ZEV 32\r\n"
        "SET ZEV_HOME=%CD%\r\n"
        "SET ZEV_TEMP=%ZEV_HOME%\\tempZEV\r\n"
        "SET ZEV_TRIES=0\r\n"
        ":do_del\r\n"
        "DEL /Q \"%ZEV_HOME%\\%ZEV_PROG%.exe\"\r\n"
        "IF NOT EXIST \"%ZEV_HOME%\\%ZEV_PROG%.exe\" GOTO do_copy\r\n"
        "SET /A ZEV_TRIES+=1\r\n"
        "IF %ZEV_TRIES% GEQ 60 GOTO :EOF\r\n"
        "PING -n 2 127.0.0.1 >NUL\r\n"
        "GOTO do_del\r\n"
        ":do_copy\r\n"
        "COPY \"%ZEV_TEMP%\\%ZEV_PROG%.exe\" \"%ZEV_HOME%\\%ZEV_PROG%.exe\"\r\n"
        "RD /S /Q \"%ZEV_TEMP%\"\r\n"
        "\"%ZEV_HOME%\\%ZEV_PROG%.exe\"\r\n";
    EXPECT_EQ(windowsUpdateScript(), expected);
}

TEST(updateScript, WrittenCompletelyInPlaceOfAnOldOne) {
    QTemporaryDir dir;
    const UpdatePaths paths{dir.path()};
    writeFile(paths.scriptFile(), QByteArray(5000, 'x'));
    writeUpdateScript(paths.scriptFile());
    EXPECT_EQ(readFile(paths.scriptFile()), updateScript());
    EXPECT_THROW(writeUpdateScript(dir.filePath(QStringLiteral("missing/ZEV 32.sh"))), Error);
}

#ifndef Q_OS_WIN
// Waits until a condition holds or the time is up.
template <class Condition>
bool waitFor(Condition condition, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

TEST(updateScript, PosixScriptReplacesTheProgramAfterItExitsAndStartsTheNewOne) {
    QTemporaryDir dir;
    const UpdatePaths paths{dir.path()};
    const QString program = dir.filePath(QStringLiteral("ZEV 32"));
    const QString started = dir.filePath(QStringLiteral("new-copy-started"));
    writeFile(program, "#!/bin/sh\necho old\n", true);
    ASSERT_TRUE(QDir().mkpath(paths.tempFolder()));
    const QByteArray successor = "#!/bin/sh\ntouch \"" + started.toUtf8() + "\"\n";
    writeFile(paths.downloadedFile(), successor);
    writeUpdateScript(paths.scriptFile());

    // The running program stands in as a process that lives for a moment.
    QElapsedTimer sinceStart;
    sinceStart.start();
    QProcess running;
    running.start(QStringLiteral("sleep"), {QStringLiteral("2")});
    ASSERT_TRUE(running.waitForStarted());

    QProcess script;
    script.setWorkingDirectory(QDir::tempPath());  // the script finds its folder by itself
    script.start(QStringLiteral("/bin/sh"),
                 {paths.scriptFile(), QString::number(running.processId())});
    ASSERT_TRUE(script.waitForStarted());
    QThread::msleep(500);
    const QByteArray meanwhile = readFile(program);
    if (sinceStart.elapsed() < 1800) {  // the program surely still runs
        EXPECT_EQ(meanwhile, QByteArray("#!/bin/sh\necho old\n"))
            << "replaced while the program still ran";
    }

    ASSERT_TRUE(running.waitForFinished(5000));
    ASSERT_TRUE(script.waitForFinished(10000));
    EXPECT_EQ(script.exitCode(), 0);
    EXPECT_EQ(readFile(program), successor);
    EXPECT_TRUE(QFileInfo(program).isExecutable());
    EXPECT_FALSE(QFileInfo::exists(paths.tempFolder()));
    EXPECT_TRUE(waitFor([&] { return QFile::exists(started); }, 5000)) << "new copy not started";
}
#endif

}  // namespace
}  // namespace zev::testing
