#include "registration/Unit1.h"

#include "signin/ApplicationState.h"
#include "signin/Unit10.h"

#include <memory>

namespace zev {

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    SignIn();
}

TForm1::~TForm1() = default;

void TForm1::SignIn() {
    // Owned here for its one modal run, then destroyed; Form8 names it while it exists.
    auto form = std::make_unique<TForm8>(*this);
    Form8 = form.get();
    if (form->exec() == QDialog::Rejected) {
        ApplicationState::terminate();
    }
    form.reset();
    Form8 = nullptr;
}

}  // namespace zev
