#include "widgets/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>
#include <QStandardPaths>

namespace zev {

namespace {

class ScreenFileChooser final : public FileChooser {
public:
    QString saveFileName(QWidget* owner, const QString& caption, const QString& suggestedName,
                         const QString& filter) override {
        if (folder_.isEmpty()) {
            folder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        }
        QFileDialog dialog(owner, caption, QDir(folder_).filePath(suggestedName), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // "Книга Excel (*.xlsx)": the extension the dialog adds to a bare name.
        static const QRegularExpression extension(QStringLiteral("\\*\\.(\\w+)"));
        const QRegularExpressionMatch match = extension.match(filter);
        if (match.hasMatch()) {
            dialog.setDefaultSuffix(match.captured(1));
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        QString chosen = dialog.selectedFiles().constFirst();
        folder_ = QFileInfo(chosen).absolutePath();
        return chosen;
    }

private:
    QString folder_;  // the folder last chosen, for the next dialog of this run
};

FileChooser* installed = nullptr;

}  // namespace

FileChooser& FileChooser::instance() {
    static ScreenFileChooser screen;
    return installed ? *installed : screen;
}

void FileChooser::install(FileChooser* chooser) {
    installed = chooser;
}

QString fileNameOf(const QString& text) {
    QString name = text.trimmed();
    for (QChar& c : name) {
        if (QStringView(u"/\\:*?\"<>|").contains(c) || c.unicode() < 0x20) {
            c = u'-';
        }
    }
    return name;
}

}  // namespace zev
