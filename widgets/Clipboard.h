#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zev {

// The name of the private clipboard format in which grids exchange copied rows.
inline constexpr char kGridEditFormatName[] = "Data Base Edit Data";

// The MIME type under which the format travels; on Windows Qt maps it to the registered
// clipboard format of that very name, so that every instance of the program shares it.
QString gridEditMimeType();

// Access to the system clipboard for the grid-edit format: a block of bytes. Tests install
// their own implementation.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // The bytes held under the grid-edit format; nullopt when the clipboard holds none.
    virtual std::optional<QByteArray> read() = 0;
    // Replaces everything on the clipboard by the bytes under the grid-edit format.
    // Throws zev::Error when the clipboard cannot be written.
    virtual void write(const QByteArray& bytes) = 0;

    // The process-wide instance: the system clipboard unless another one was installed.
    static Clipboard& instance();
    // Installs another implementation (not owned); nullptr restores the system clipboard.
    static void install(Clipboard* clipboard);
};

}  // namespace zev
