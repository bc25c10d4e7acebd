#pragma once

#include "signin/SignedInUser.h"

#include <QMainWindow>

namespace zev {

// The registration window. Created hidden at start-up; its creation begins with the sign-in,
// which fills UserId and UserLogin (from SignedInUser) and opens the start lists.
class TForm1 : public QMainWindow, public SignedInUser {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

private:
    // Shows the authentication window modally; anything but a successful sign-in tells the
    // application to end.
    void SignIn();
};

}  // namespace zev
