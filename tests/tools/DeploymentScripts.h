#pragma once

#include "MssqlScriptParser.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace zev::testing {

// Every script of server/mssql, read in the order in which a database administrator runs them.
inline ScriptCatalog deploymentScripts() {
    ScriptCatalog all;
    const QDir dir(QStringLiteral(ZEV_SOURCE_DIR "/server/mssql"));
    const QStringList names = dir.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
    if (names.isEmpty()) {
        throw std::runtime_error("no scripts in server/mssql");
    }
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            throw std::runtime_error("cannot read server/mssql/" + name.toStdString());
        }
        mergeInto(all, parseMssqlScript(QString::fromUtf8(file.readAll())));
    }
    return all;
}

inline QStringList lowerCased(QStringList names) {
    for (QString& n : names) {
        n = n.toLower();
    }
    return names;
}

}  // namespace zev::testing
