#include "widgets/Clipboard.h"

#include "core/Errors.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <memory>

namespace zev {

QString gridEditMimeType() {
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"")
        .arg(QLatin1String(kGridEditFormatName));
}

namespace {

QClipboard* systemClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return nullptr;
    }
    return QGuiApplication::clipboard();
}

class SystemClipboard final : public Clipboard {
public:
    std::optional<QByteArray> read() override {
        QClipboard* clipboard = systemClipboard();
        if (clipboard == nullptr) {
            return std::nullopt;
        }
        const QMimeData* data = clipboard->mimeData();
        const QString type = gridEditMimeType();
        if (data == nullptr || !data->hasFormat(type)) {
            return std::nullopt;
        }
        return data->data(type);
    }

    void write(const QByteArray& bytes) override {
        QClipboard* clipboard = systemClipboard();
        if (clipboard == nullptr) {
            throw Error(QStringLiteral("Не удалось открыть буфер обмена"));
        }
        auto data = std::make_unique<QMimeData>();
        data->setData(gridEditMimeType(), bytes);
        // The clipboard takes the data over, and with it replaces every other format.
        clipboard->setMimeData(data.release());
        const QMimeData* now = clipboard->mimeData();
        if (now == nullptr || !now->hasFormat(gridEditMimeType())) {
            throw Error(QStringLiteral("Не удалось открыть буфер обмена"));
        }
    }
};

Clipboard* installed = nullptr;

}  // namespace

Clipboard& Clipboard::instance() {
    static SystemClipboard system;
    return installed ? *installed : system;
}

void Clipboard::install(Clipboard* clipboard) {
    installed = clipboard;
}

}  // namespace zev
