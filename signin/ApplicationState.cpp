#include "signin/ApplicationState.h"

#include <QCoreApplication>

namespace zev {

namespace {
bool showMainFormFlag = true;
bool terminatedFlag = false;
}  // namespace

bool ApplicationState::showMainForm() {
    return showMainFormFlag;
}
void ApplicationState::setShowMainForm(bool show) {
    showMainFormFlag = show;
}

bool ApplicationState::terminated() {
    return terminatedFlag;
}

void ApplicationState::terminate() {
    terminatedFlag = true;
    QCoreApplication::quit();
}

void ApplicationState::reset() {
    showMainFormFlag = true;
    terminatedFlag = false;
}

}  // namespace zev
