// Where the settings file and the program settings are found, the log file, and the command line.

#include "core/Errors.h"
#include "signin/CommandLine.h"
#include "signin/LogFile.h"
#include "signin/ProgramFolder.h"
#include "signin/ProgramOptions.h"
#include "signin/SelfUpdate.h"
#include "signin/SettingsPlaces.h"
#include "widgets/LogCategories.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Three empty places: the program's folder, the user's configuration and the workstation's.
class Places : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        savedXdg = qgetenv("XDG_CONFIG_HOME");
        hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
        setProgramFolder(root.filePath(QStringLiteral("program")));
        setSystemSettingsFolder(root.filePath(QStringLiteral("etc/zev32")));
        setSettingsFileOverride(QString());
    }
    void TearDown() override {
        if (hadXdg) {
            qputenv("XDG_CONFIG_HOME", savedXdg);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
        setProgramFolder(QString());
        setSystemSettingsFolder(QString());
        setSettingsFileOverride(QString());
    }

    QString beside() const { return root.filePath(QStringLiteral("program/Data/ZEV")); }
    QString user() const { return root.filePath(QStringLiteral("config/zev32/ZEV")); }
    QString system() const { return root.filePath(QStringLiteral("etc/zev32/ZEV")); }

    QTemporaryDir root;
    QByteArray savedXdg;
    bool hadXdg = false;
};

TEST_F(Places, TheFirstPlaceThatHoldsTheFileWins) {
    writeFile(system(), "s");
    EXPECT_EQ(findSettingsFile(), system());
    writeFile(user(), "u");
    EXPECT_EQ(findSettingsFile(), user());
    writeFile(beside(), "b");
    EXPECT_EQ(findSettingsFile(), beside());
    EXPECT_EQ(settingsFileCandidates(), (QStringList{beside(), user(), system()}));
}

TEST_F(Places, NoFileNamesEveryPlaceLookedAt) {
    try {
        findSettingsFile();
        FAIL() << "no settings file, but no error";
    } catch (const Error& e) {
        for (const QString& place : {beside(), user(), system()}) {
            EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(place)))
                << e.text().toStdString();
        }
    }
}

TEST_F(Places, AFolderOfTheNameIsNoFile) {
    ASSERT_TRUE(QDir().mkpath(beside()));
    writeFile(user(), "u");
    EXPECT_EQ(findSettingsFile(), user());
}

TEST_F(Places, TheCommandLineFileReplacesTheSearch) {
    writeFile(beside(), "b");
    const QString chosen = root.filePath(QStringLiteral("elsewhere/ZEV-test"));
    setSettingsFileOverride(chosen);
    try {
        findSettingsFile();
        FAIL() << "a missing file named on the command line was passed over";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(chosen)));
        EXPECT_FALSE(e.text().contains(QDir::toNativeSeparators(beside())));
    }
    writeFile(chosen, "c");
    EXPECT_EQ(findSettingsFile(), chosen);
}

TEST_F(Places, TheProgramSettingsGiveTheUpdateAddressAndTheLogLevel) {
    // None anywhere: the defaults.
    ProgramOptions options = readProgramOptions();
    EXPECT_EQ(options.updateFolder, defaultUpdateFolder());
    EXPECT_EQ(options.logLevel, QStringLiteral("info"));
    EXPECT_EQ(updateSourceUrl().toString(),
              QStringLiteral("http://zev-update.local/zevprogs/") + updateFileName());

    writeFile(root.filePath(QStringLiteral("etc/zev32/zev32.ini")),
              "[update]\naddress=https://updates.example.edu/zev\n[log]\nlevel=Debug\n");
    options = readProgramOptions();
    EXPECT_EQ(options.updateFolder.toString(), QStringLiteral("https://updates.example.edu/zev/"));
    EXPECT_EQ(options.logLevel, QStringLiteral("debug"));
    EXPECT_EQ(updateSourceUrl().toString(),
              QStringLiteral("https://updates.example.edu/zev/") + updateFileName());

    // The one beside the program comes first; a bad address or level keeps the default.
    writeFile(root.filePath(QStringLiteral("program/Data/zev32.ini")),
              "[update]\naddress=ftp://x/\n[log]\nlevel=loud\n");
    options = readProgramOptions();
    EXPECT_EQ(options.updateFolder, defaultUpdateFolder());
    EXPECT_EQ(options.logLevel, QStringLiteral("info"));

    // Beside a settings file named on the command line first of all.
    writeFile(root.filePath(QStringLiteral("chosen/zev32.ini")), "[log]\nlevel=warning\n");
    setSettingsFileOverride(root.filePath(QStringLiteral("chosen/ZEV")));
    EXPECT_EQ(readProgramOptions().logLevel, QStringLiteral("warning"));
}

TEST(CommandLine, HelpVersionSettingsAndRefusals) {
    const QString program = QStringLiteral("ZEV 32");
    ClientCommandLine line = parseClientCommandLine({program});
    EXPECT_EQ(line.action, ClientCommandLine::Action::Run);
    EXPECT_TRUE(line.settingsFile.isEmpty());

    line =
        parseClientCommandLine({program, QStringLiteral("--settings"), QStringLiteral("/x/ZEV")});
    EXPECT_EQ(line.action, ClientCommandLine::Action::Run);
    EXPECT_EQ(line.settingsFile, QStringLiteral("/x/ZEV"));

    line = parseClientCommandLine({program, QStringLiteral("--help")});
    EXPECT_EQ(line.action, ClientCommandLine::Action::ShowHelp);
    EXPECT_TRUE(line.text.contains(QStringLiteral("--settings"))) << line.text.toStdString();
    EXPECT_TRUE(line.text.contains(QStringLiteral("--version")));

    line = parseClientCommandLine({program, QStringLiteral("--version")});
    EXPECT_EQ(line.action, ClientCommandLine::Action::ShowVersion);
    EXPECT_EQ(line.text, versionLine(QStringLiteral("ZEV 32")) + u'\n');

    for (const QStringList& bad : {QStringList{program, QStringLiteral("--bogus")},
                                   QStringList{program, QStringLiteral("stray")},
                                   QStringList{program, QStringLiteral("--settings")}}) {
        EXPECT_EQ(parseClientCommandLine(bad).action, ClientCommandLine::Action::Refuse)
            << bad.join(u' ').toStdString();
    }
}

TEST(Translations, QtsOwnButtonsAndHelpSpeakRussian) {
    ASSERT_TRUE(loadQtRussianTranslations(*QCoreApplication::instance()))
        << "Qt's Russian translations (qt6-translations-l10n) are not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Да"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Нет"));
    const ClientCommandLine help =
        parseClientCommandLine({QStringLiteral("ZEV 32"), QStringLiteral("--help")});
    EXPECT_FALSE(help.text.contains(QStringLiteral("Displays"))) << help.text.toStdString();
}

TEST(LogFile, KeepsTimeLevelAndCategoryAndRotates) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("state/zev32"));
    ASSERT_TRUE(startLogFile(folder, QStringLiteral("info")));
    qCInfo(lcUpdate) << "first line";
    qCDebug(lcUpdate) << "below the level";
    qWarning("edit: editing failed");
    QByteArray log = readFile(logFilePath(folder));
    EXPECT_TRUE(log.contains("info zev.update: first line")) << log.toStdString();
    EXPECT_TRUE(log.contains("warning default: edit: editing failed")) << log.toStdString();
    EXPECT_FALSE(log.contains("below the level"));
    // Every line begins with its date and time.
    EXPECT_TRUE(QDateTime::fromString(QString::fromUtf8(log.left(23)), Qt::ISODateWithMs).isValid())
        << log.left(23).toStdString();

    // Past the limit the file moves to .1 and a new one begins; no more than three old ones.
    const QByteArray filler(1000, 'x');
    for (int i = 0; i < 5 * kLogFileLimit / 1000; ++i) {
        qCWarning(lcData) << filler.constData();
    }
    qCWarning(lcData) << "the newest line";
    stopLogFile();
    EXPECT_LE(QFileInfo(logFilePath(folder)).size(), kLogFileLimit + 2000);
    EXPECT_TRUE(readFile(logFilePath(folder)).contains("the newest line"));
    EXPECT_TRUE(QFileInfo::exists(logFilePath(folder) + QStringLiteral(".1")));
    EXPECT_TRUE(QFileInfo::exists(logFilePath(folder) + QStringLiteral(".3")));
    EXPECT_FALSE(QFileInfo::exists(logFilePath(folder) + QStringLiteral(".4")));
    EXPECT_FALSE(readFile(logFilePath(folder) + QStringLiteral(".3")).contains("first line"));
}

}  // namespace
}  // namespace zev::testing
