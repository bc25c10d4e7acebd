#include "core/Errors.h"
#include "groupexport/SheetFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace zev {

void saveAtomically(const QString& fileName, const QByteArray& bytes) {
    const bool existed = QFileInfo::exists(fileName);
    QSaveFile file(fileName);
    const auto fail = [&](const QString& reason) {
        file.cancelWriting();
        QString text = QStringLiteral("Не удалось сохранить файл %1:\r%2")
                           .arg(QDir::toNativeSeparators(fileName), reason);
        if (existed) {
            text += QStringLiteral("\rПрежний файл не изменён.");
        }
        throw Error(text);
    };
    // Unbuffered: every byte reaches the file system in write(), which tells a short write. A
    // buffered write flushed by commit() may lose its tail (a full disk, a size limit) unnoticed
    // and the cut file would take the old one's place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        fail(file.errorString());
    }
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError) {
        fail(file.errorString());
    }
    if (!file.commit()) {
        fail(file.errorString());
    }
}

}  // namespace zev
