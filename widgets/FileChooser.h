#pragma once

#include <QString>

class QWidget;

namespace zev {

// Asks the user for the file to save into. The program's other platform calls go through
// replaceable objects the same way, so that tests choose the file.
class FileChooser {
public:
    virtual ~FileChooser() = default;

    // The file to write, named by the user in a save dialog that starts at `suggestedName` (in
    // the folder last chosen) and offers `filter` ("Книга Excel (*.xlsx)"); the filter's
    // extension is added when the name has none. Empty when the user gave up.
    virtual QString saveFileName(QWidget* owner, const QString& caption,
                                 const QString& suggestedName, const QString& filter) = 0;

    // The process-wide instance: the system's save dialog unless another was installed.
    static FileChooser& instance();
    // Installs another implementation (not owned); nullptr restores the system's.
    static void install(FileChooser* chooser);
};

// A name made of the texts that a file system takes on every platform: characters that Windows
// refuses in a file name ('/', '\\', ':', '*', '?', '"', '<', '>', '|') become '-'.
QString fileNameOf(const QString& text);

}  // namespace zev
