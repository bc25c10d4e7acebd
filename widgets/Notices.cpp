#include "widgets/Notices.h"

#include "core/Errors.h"
#include "widgets/LogCategories.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <utility>

namespace zev {

namespace {

QString forDisplay(QString text) {
    // The program joins lines with a bare carriage return; Qt lays out only line feeds.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QMessageBox::Icon boxIcon(NoticeIcon icon) {
    switch (icon) {
        case NoticeIcon::Warning:
            return QMessageBox::Warning;
        case NoticeIcon::Error:
            return QMessageBox::Critical;
        case NoticeIcon::Question:
            return QMessageBox::Question;
        case NoticeIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

class ScreenNotices final : public Notices {
public:
    void message(QWidget* owner, const QString& text, const QString& caption,
                 NoticeIcon icon) override {
        QMessageBox box(boxIcon(icon), caption, forDisplay(text), QMessageBox::Ok, owner);
        useDialogFrame(box);
        box.exec();
    }

    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override {
        QMessageBox box(QMessageBox::Question, caption, forDisplay(text),
                        QMessageBox::Yes | QMessageBox::No, owner);
        useDialogFrame(box);
        return box.exec() == QMessageBox::Yes;
    }

    void showError(const QString& text) override {
        QMessageBox box(QMessageBox::Critical, applicationTitle(), forDisplay(text),
                        QMessageBox::Ok, QApplication::activeWindow());
        useDialogFrame(box);
        box.exec();
    }
};

Notices* installed = nullptr;

}  // namespace

void useDialogFrame(QWidget& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
}

Notices& Notices::instance() {
    static ScreenNotices screen;
    return installed ? *installed : screen;
}

void Notices::install(Notices* notices) {
    installed = notices;
}

QString applicationTitle() {
    return QStringLiteral("ZEV 32 Регистратор предметов по выбору");
}

void notify(QWidget* owner, const QString& text, NoticeIcon icon) {
    Notices::instance().message(owner, text, QStringLiteral("Уведомление"), icon);
}

void showException(std::exception_ptr error) {
    try {
        std::rethrow_exception(std::move(error));
    } catch (const Abort&) {
        // A silent abort ends the operation and shows nothing.
    } catch (const DatabaseError& e) {
        qCWarning(lcData) << "server error shown:" << e.text();
        Notices::instance().showError(e.text());
    } catch (const Error& e) {
        qCWarning(lcInterface) << "error shown:" << e.text();
        Notices::instance().showError(e.text());
    } catch (const std::exception& e) {
        qCWarning(lcInterface) << "error shown:" << e.what();
        Notices::instance().showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Notices::instance().showError(QStringLiteral("Неизвестная ошибка"));
    }
}

}  // namespace zev
