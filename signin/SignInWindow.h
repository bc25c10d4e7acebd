#pragma once

#include "signin/SignedInUser.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QTimer>
#include <QToolButton>

#include <functional>

class QMouseEvent;

namespace zev {

class Connection;

// The message area of the authentication window. The program composes its texts with a carriage
// return between lines; caption() keeps them so, the label shows each as a line break.
class TRzLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }

private:
    QString caption_;
};

// The authentication window: login name and password over a background picture with painted
// labels, flat hot spots for signing in, leaving and opening the password-change half below.
class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(SignedInUser& registration, QWidget* parent = nullptr);
    ~TForm8() override;

    QLabel* Image1;
    QLabel* Image2;
    QLabel* Label1;
    TRzLabel* RzLabel1;
    QLineEdit* Login_Edit;
    QLineEdit* Password_Edit;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QToolButton* SpeedButton2;  // sign in
    QToolButton* SpeedButton1;  // exit
    QToolButton* SpeedButton3;  // open or close the password-change half
    QTimer* Timer1;             // exit timer of the self-update

    quint8 PressCount() const { return PressCount_; }
    bool ChangeMode() const { return ChangeMode_; }

    // Handlers
    void SpeedButton2Click();  // the sign-in action
    void SpeedButton1Click();  // leave the program
    void SpeedButton3Click();  // the password-change toggle
    void Timer1Timer();

    // The whole sign-in against the server: true when the user's own connection and the start
    // lists are open. newPassword is "NULL" for a plain sign-in.
    bool ConnectAndLogin(Connection& connection, const QString& newPassword);
    // Opens the faculty list for the signed-in user, the year list and the semester list.
    void OpenStartLists();
    // Downloads the program's successor, starts the script that installs it and arms the exit
    // timer; the server asked for it.
    void StartSelfUpdate();

    // Starts the update script; replaceable so that tests can see what would be started.
    std::function<bool(const QString& scriptFile, const QString& programFolder)> startScript;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // The left button on a picture or on the message label drags the window.
    void Image1MouseDown(QMouseEvent* event);
    // Hands the window to the platform's own move; answers whether the platform took it.
    virtual bool startWindowMove();

private:
    void FormCreate();
    void buildControls();
    void setHeight(int height);
    // Tells the application to end; the modal run ends with Cancel.
    void endApplication();
    void showUpdateProgress(qint64 received, qint64 total);
    bool failSignIn(Connection& connection, const QString& errorText);

    SignedInUser& registration_;
    quint8 PressCount_ = 0;
    bool ChangeMode_ = false;
    bool centred_ = false;
};

// The authentication window while it exists (shown modally at start-up); null otherwise.
extern TForm8* Form8;

}  // namespace zev
