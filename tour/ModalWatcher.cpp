#include "tour/ModalWatcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zev::tour {

namespace {

constexpr int kPollMs = 20;
constexpr qint64 kPatienceMs = 10000;

}  // namespace

void onNextModal(const QString& step, const std::function<void(QWidget& modal)>& action) {
    // The window that is modal now (if any) is the one being left, not the one awaited.
    QPointer<QWidget> before = QApplication::activeModalWidget();
    auto* timer = new QTimer(qApp);
    timer->setInterval(kPollMs);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != before && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(*modal);
            return;
        }
        if (clock->elapsed() > kPatienceMs) {
            std::fprintf(stderr, "zev-tour: %s: the expected window did not open\n",
                         qPrintable(step));
            std::_Exit(EXIT_FAILURE);
        }
    });
    timer->start();
}

}  // namespace zev::tour
