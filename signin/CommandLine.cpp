#include "signin/CommandLine.h"

#include "core/ProgramVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zev {

QString versionLine(const QString& programName) {
    return programName + u' ' + QString::fromLatin1(kProgramVersionText);
}

ClientCommandLine parseClientCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("ZEV 32 Регистратор предметов по выбору: запись дисциплин по выбору "
                       "студентов."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Файл настроек соединения вместо найденного в папке программы (Data/ZEV), "
                       "в $XDG_CONFIG_HOME/zev32/ или в /etc/zev32/."),
        QStringLiteral("файл"));
    parser.addOption(settings);

    ClientCommandLine result;
    if (!parser.parse(arguments)) {
        result.action = ClientCommandLine::Action::Refuse;
        result.text = parser.errorText() + QStringLiteral("\nСправка: --help\n");
        return result;
    }
    if (parser.isSet(help)) {
        result.action = ClientCommandLine::Action::ShowHelp;
        // The usage line names the program as it was started.
        result.text = parser.helpText();
        if (!arguments.isEmpty()) {
            result.text.replace(QStringLiteral("<executable_name>"), arguments.first());
        }
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ClientCommandLine::Action::ShowVersion;
        result.text = versionLine(QStringLiteral("ZEV 32")) + u'\n';
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = ClientCommandLine::Action::Refuse;
        result.text = QStringLiteral("Лишние аргументы: %1\nСправка: --help\n")
                          .arg(parser.positionalArguments().join(u' '));
        return result;
    }
    result.settingsFile = parser.value(settings);
    return result;
}

bool loadQtRussianTranslations(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace zev
