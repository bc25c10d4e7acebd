#include "signin/SignInWindow.h"

#include "core/Errors.h"
#include "core/ProgramVersion.h"
#include "core/SettingsFile.h"
#include "data/Connection.h"
#include "data/DataModule.h"
#include "signin/ApplicationState.h"
#include "signin/JpegImage.h"
#include "signin/LoginStatement.h"
#include "signin/NewPasswordValidator.h"
#include "signin/PasswordDigest.h"
#include "signin/ProgramFolder.h"
#include "signin/SelfUpdate.h"
#include "signin/SettingsPlaces.h"
#include "signin/Workstation.h"
#include "widgets/Fonts.h"
#include "widgets/LogCategories.h"
#include "widgets/Notices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

// The pictures are compiled into this static library; their registration has to be asked for.
static void initSignInResources() {
    Q_INIT_RESOURCE(signin);
}

namespace zev {

TForm8* Form8 = nullptr;

namespace {

const QString kChangeDemanded = QStringLiteral(
    "Вы должны поменять пароль\rЭто делается для безопастности и сохранения "
    "данных от злоумышлеников");
const QString kWrongLogin = QStringLiteral("Неверно ввели логин или пароль.");
const QString kAdministratorInstalls = QStringLiteral(
    "Вышла новая версия программы. Программа установлена в папку, которую может менять только "
    "администратор, поэтому новую версию устанавливает он.\rОбратитесь к администратору.");

// Window heights: at first, the sign-in half alone, and both halves.
constexpr int kWidth = 497;
constexpr int kFirstHeight = 273;
constexpr int kSignInHeight = 275;
constexpr int kBothHalvesHeight = 416;

QLabel* picture(QWidget* parent, const QString& resource, const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setGeometry(geometry);
    const QImage image = loadJpeg(resource);
    // Stretched to the control, keeping its proportions.
    label->setPixmap(QPixmap::fromImage(
        image.scaled(geometry.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLineEdit* field(QWidget* parent, const QRect& geometry, bool password) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    edit->setFrame(false);
    // White, and a star for every character of a password.
    edit->setStyleSheet(
        QStringLiteral("QLineEdit { background: white; color: black; "
                       "lineedit-password-character: 42; }"));
    if (password) {
        edit->setEchoMode(QLineEdit::Password);
    }
    return edit;
}

QToolButton* hotSpot(QWidget* parent, const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setGeometry(geometry);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    // No caption of its own: the picture beneath bears it. A faint frame shows the hot spot
    // under the mouse; a disabled one washes the picture's button out, so that it no longer
    // looks as if it could be pressed.
    button->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; background: transparent; }"
        "QToolButton:hover { border: 1px solid rgba(255, 255, 255, 160); border-radius: 3px; }"
        "QToolButton:pressed { background: rgba(0, 0, 0, 40); }"
        "QToolButton:disabled { background: rgba(236, 236, 236, 170); border-radius: 3px; }"));
    return button;
}

int integerColumn(const Value& value) {
    if (isNull(value)) {
        return 0;
    }
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        return static_cast<int>(*integer);
    }
    if (const auto* real = std::get_if<double>(&value)) {
        return static_cast<int>(*real);
    }
    bool ok = false;
    const int number = std::get<QString>(value).trimmed().toInt(&ok);
    if (!ok) {
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(valueText(value)));
    }
    return number;
}

}  // namespace

void TRzLabel::setCaption(const QString& caption) {
    caption_ = caption;
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    setText(shown);
}

TForm8::TForm8(SignedInUser& registration, QWidget* parent)
    : QDialog(parent), startScript(startUpdateScript), registration_(registration) {
    initSignInResources();
    setWindowTitle(QStringLiteral("Аутентификация"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFont(defaultUiFont());
    buildControls();
    FormCreate();
}

TForm8::~TForm8() = default;

void TForm8::buildControls() {
    Image1 = picture(this, QStringLiteral(":/signin/Image1.jpg"), QRect(0, 0, 497, 278));
    Image2 = picture(this, QStringLiteral(":/signin/Image2.jpg"), QRect(0, 277, 497, 139));

    Label1 = new QLabel(this);
    QFont labelFont = legacyFont(QStringLiteral("MS Sans Serif"), 10);
    labelFont.setPixelSize(13);
    labelFont.setBold(true);
    Label1->setFont(labelFont);
    Label1->move(6, 5);

    RzLabel1 = new TRzLabel(this);
    RzLabel1->setGeometry(60, 107, 329, 78);
    QFont messageFont(QStringLiteral("Arial"));
    messageFont.setPixelSize(13);
    messageFont.setBold(true);
    RzLabel1->setFont(messageFont);
    RzLabel1->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    RzLabel1->setAlignment(Qt::AlignCenter);
    RzLabel1->setWordWrap(true);

    Login_Edit = field(this, QRect(146, 202, 187, 21), false);
    Password_Edit = field(this, QRect(146, 238, 187, 21), true);
    Edit1 = field(this, QRect(148, 309, 186, 21), true);
    Edit2 = field(this, QRect(148, 345, 186, 21), true);
    // New passwords: Latin letters, digits and "_" only, typed or pasted.
    Edit1->setValidator(new NewPasswordValidator(Edit1));
    Edit2->setValidator(new NewPasswordValidator(Edit2));
    setTabOrder(Login_Edit, Password_Edit);
    setTabOrder(Password_Edit, Edit1);
    setTabOrder(Edit1, Edit2);

    SpeedButton2 = hotSpot(this, QRect(349, 200, 55, 20));
    SpeedButton1 = hotSpot(this, QRect(418, 199, 67, 22));
    SpeedButton3 = hotSpot(this, QRect(346, 236, 139, 22));
    SpeedButton2->setToolTip(QStringLiteral("Войти"));
    SpeedButton1->setToolTip(QStringLiteral("Выход"));
    SpeedButton3->setToolTip(QStringLiteral("Сменить пароль"));
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton2Click(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });

    Timer1 = new QTimer(this);
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    for (QObject* handle : {static_cast<QObject*>(Image1), static_cast<QObject*>(Image2),
                            static_cast<QObject*>(RzLabel1)}) {
        handle->installEventFilter(this);
    }
    for (QLineEdit* edit : {Login_Edit, Password_Edit, Edit1, Edit2}) {
        edit->installEventFilter(this);
    }
    setFixedSize(kWidth, kFirstHeight);
}

void TForm8::FormCreate() {
    // The script of an update that ran at the previous start has done its work.
    QFile::remove(UpdatePaths{ProgramFolder()}.scriptFile());
    Label1->setText(QStringLiteral("V.") + QString::number(kProgramVersionNumber));
    Label1->adjustSize();
    PressCount_ = 0;
    ChangeMode_ = false;
    // Qt paints every widget double-buffered.
}

void TForm8::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        if (QScreen* desktop = screen() ? screen() : QGuiApplication::primaryScreen()) {
            move(desktop->availableGeometry().center() - rect().center());
        }
        Login_Edit->setFocus();
    }
}

void TForm8::setHeight(int height) {
    setFixedSize(kWidth, height);
}

bool TForm8::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == Image1 || watched == Image2 || watched == RzLabel1)) {
        Image1MouseDown(static_cast<QMouseEvent*>(event));
        return false;
    }
    if (event->type() == QEvent::FocusIn) {
        // The password fields offer their text for overtyping when the focus enters them; the
        // login and the new password keep the cursor instead. Qt selects after this filter has
        // run, so the choice is made once the focus has settled.
        if (watched == Password_Edit || watched == Edit2) {
            auto* edit = static_cast<QLineEdit*>(watched);
            QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
        } else if (watched == Login_Edit || watched == Edit1) {
            auto* edit = static_cast<QLineEdit*>(watched);
            QTimer::singleShot(0, edit, [edit] { edit->deselect(); });
        }
    }
    if (event->type() == QEvent::KeyPress && (watched == Login_Edit || watched == Password_Edit ||
                                              watched == Edit1 || watched == Edit2)) {
        // Enter in any field signs in at once; the key goes no further, so no carriage return
        // reaches a field and the focus stays where it is.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([this] { SpeedButton2Click(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm8::keyPressEvent(QKeyEvent* event) {
    // Escape does not close the window: it is left by the exit button or the system's close.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm8::Image1MouseDown(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        startWindowMove();
    }
}

bool TForm8::startWindowMove() {
    QWindow* window = windowHandle();
    return window != nullptr && window->startSystemMove();
}

void TForm8::endApplication() {
    ApplicationState::terminate();
    reject();
}

void TForm8::SpeedButton1Click() {
    endApplication();
}

void TForm8::SpeedButton3Click() {
    if (!SpeedButton3->isEnabled()) {
        return;
    }
    ChangeMode_ = !ChangeMode_;
    setHeight(ChangeMode_ ? kBothHalvesHeight : kSignInHeight);
}

void TForm8::Timer1Timer() {
    if (Timer1->interval() == 2000) {
        Timer1->setInterval(100);
    }
    endApplication();
}

void TForm8::SpeedButton2Click() {
    ++PressCount_;  // 8 bits: the 256th press makes it 0 again
    Connection& connection = DM_MB->ADOCon;
    bool signedIn = false;
    if (!ChangeMode_) {
        signedIn = ConnectAndLogin(connection, QStringLiteral("NULL"));
    } else {
        if (Edit1->text() != Edit2->text()) {
            Edit1->clear();
            Edit2->clear();
            RzLabel1->setCaption(
                QStringLiteral("Новый пароль подтвержден не верно!!!\rПодтвердите пароль заново."));
            return;
        }
        if (Edit1->text().size() < 6) {
            Edit1->clear();
            Edit2->clear();
            RzLabel1->setCaption(
                QStringLiteral("Пароль должен состоять не менее чем из 6 "
                               "символов!!!\rВведите новый пароль заново."));
            return;
        }
        signedIn = ConnectAndLogin(connection, Edit1->text());
    }
    if (signedIn) {
        // Dates written as text in later statements are read day first.
        connection.execute(QStringLiteral("SET DATEFORMAT dmy"));
        accept();
    }
}

bool TForm8::failSignIn(Connection& connection, const QString& errorText) {
    qCWarning(lcSignIn) << "sign-in failed:" << errorText;
    Notices::instance().message(this, errorText, applicationTitle(), NoticeIcon::Information);
    RzLabel1->setCaption(kWrongLogin);
    connection.close();
    return false;
}

namespace {

// An error text of a connection with every occurrence of the account's name deleted.
QString withoutAccountName(QString text, const QString& account) {
    if (!account.isEmpty()) {
        text.remove(account, Qt::CaseSensitive);
    }
    return text;
}

}  // namespace

bool TForm8::ConnectAndLogin(Connection& connection, const QString& newPassword) {
    const QString settingsFile = findSettingsFile();
    qCInfo(lcConnection) << "settings file" << settingsFile;
    TFirstConnectInfo info = ReadFirstConnectInfo(settingsFile);

    connection.close();
    connection.setBaseFolder(QFileInfo(settingsFile).absolutePath());
    connection.setConnectionString(ComposeConnectionString(info));
    try {
        connection.open();
    } catch (const Error& e) {
        // The first-connection account's name is never shown.
        RzLabel1->setCaption(withoutAccountName(e.text(), info.User));
        qCWarning(lcConnection) << "the sign-in connection to" << info.Server
                                << "failed:" << RzLabel1->caption();
        return false;
    }

    QString message;
    int passwordState = 0;
    QString account;
    QString accountPassword;
    int userId = 0;
    try {
        const Workstation& workstation = Workstation::instance();
        LoginRequest request;
        request.login = Login_Edit->text();
        request.passwordDigest = DigestHex(Password_Edit->text());
        request.newPassword = newPassword;
        request.ip = workstation.localIPv4();
        request.computer = workstation.computerName();

        const ResultSet answer = connection.query(composeGetUserStatement(request));
        if (answer.columnCount() < 6) {
            throw Error(QStringLiteral("Сервер ответил на вход в систему %1 столбцами вместо 6.")
                            .arg(answer.columnCount()));
        }
        if (answer.rowCount() < 1) {
            throw Error(QStringLiteral("Сервер не ответил на вход в систему ни одной строкой."));
        }
        message = valueText(answer.at(0, 4));
        const int updateFlag = integerColumn(answer.at(0, 5));
        if (updateFlag >= 2) {
            StartSelfUpdate();
            return false;
        }
        if (!message.isEmpty()) {
            qCInfo(lcSignIn) << "sign-in of" << Login_Edit->text() << "refused:" << message;
            RzLabel1->setCaption(message);
            return false;
        }
        account = valueText(answer.at(0, 0));
        passwordState = integerColumn(answer.at(0, 3));
        if (passwordState < 0) {
            // The server demands a change now: the half opens and cannot be closed again.
            qCInfo(lcSignIn) << "sign-in of" << Login_Edit->text() << "needs a password change";
            connection.close();
            RzLabel1->setCaption(kChangeDemanded);
            if (!ChangeMode_) {
                SpeedButton3Click();
            }
            SpeedButton3->setEnabled(false);
            return false;
        }
        if (PressCount_ == 1 && !account.isEmpty() && passwordState < 20) {
            // The password expires soon: asked once, at the first press.
            qCInfo(lcSignIn) << "sign-in of" << Login_Edit->text() << "asked to change password";
            connection.close();
            RzLabel1->setCaption(kChangeDemanded);
            if (!ChangeMode_) {
                SpeedButton3Click();
            }
            return false;
        }
        accountPassword = valueText(answer.at(0, 1));
        userId = integerColumn(answer.at(0, 2));
    } catch (const Error& e) {
        return failSignIn(connection, e.text());
    }

    // The user's own account, on the same server and database.
    info.User = ShiftText(account);
    info.Password = ShiftText(accountPassword);
    registration_.UserId = userId;
    connection.close();
    connection.setConnectionString(ComposeConnectionString(info));
    try {
        connection.open();
        connection.execute(QString::fromLatin1(kDeclareStaffLoginStatement),
                           {{QStringLiteral("login"), Value{Login_Edit->text()}}});
        ApplicationState::setShowMainForm(true);
        registration_.UserLogin = Login_Edit->text();
        OpenStartLists();
    } catch (const Error& e) {
        // Shown as the first connection's error is, the account's name deleted from it.
        RzLabel1->setCaption(withoutAccountName(e.text(), info.User));
        qCWarning(lcConnection) << "the user's connection failed:" << RzLabel1->caption();
        connection.close();
        return false;
    }
    qCInfo(lcSignIn) << "signed in:" << Login_Edit->text() << "id" << userId;
    return true;
}

void TForm8::OpenStartLists() {
    TDM_MB& dm = *DM_MB;
    // Reopened, so that a list left open by an earlier attempt takes the new user.
    dm.ADOQ_Faculty->close();
    dm.ADOQ_Faculty->paramByName(QStringLiteral("@id_login"))
        .setValue(Value{QString::number(registration_.UserId)});
    dm.ADOQ_Faculty->open();
    dm.ADOQ_Year->close();
    dm.ADOQ_Year->open();
    dm.ADOQ_Semester->close();
    dm.ADOQ_Semester->open();
}

void TForm8::showUpdateProgress(qint64 received, qint64 total) {
    QString text = QStringLiteral("Идёт обновление программы, ПОДОЖДИТЕ...");
    if (total > 0) {
        text += QStringLiteral(" %1%").arg(received * 100 / total);
    } else {
        text += QStringLiteral(" %1 КБ").arg(received / 1024);
    }
    Label1->setText(text);
    Label1->adjustSize();
    Label1->repaint();
}

void TForm8::StartSelfUpdate() {
    const UpdatePaths paths{ProgramFolder()};
    const QUrl source = updateSourceUrl();
    qCInfo(lcUpdate) << "the server asks for an update from" << source.toString();
    if (!folderIsWritable(paths.programFolder)) {
        // An installed copy (a package under /usr or /opt, a protected folder) is replaced by
        // the administrator; nothing is downloaded.
        qCWarning(lcUpdate) << "the program folder is not writable:" << paths.programFolder;
        notify(this, kAdministratorInstalls);
        endApplication();
        return;
    }

    Label1->setText(QStringLiteral("Идёт обновление программы, ПОДОЖДИТЕ..."));
    Label1->adjustSize();
    // Painted now, before the download holds the window.
    Label1->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    const FetchedUpdate fetched =
        fetchUpdate(source, paths, ReleasePublicKey(),
                    [this](qint64 received, qint64 total) { showUpdateProgress(received, total); });
    if (fetched.outcome == FetchedUpdate::Outcome::Unreachable) {
        qCWarning(lcUpdate) << "the update could not be downloaded";
        notify(this,
               QStringLiteral("Сервер обновлений не доступен.\rОбратитесь к администратору."));
        endApplication();
        return;
    }
    if (fetched.outcome == FetchedUpdate::Outcome::Refused) {
        qCWarning(lcUpdate) << "the downloaded update was refused:" << fetched.failure;
        notify(this, QStringLiteral("Обновление не установлено: %1.\rОбратитесь к администратору.")
                         .arg(fetched.failure));
        endApplication();
        return;
    }
    writeUpdateScript(paths.scriptFile());
    qCInfo(lcUpdate) << "update checked; the script replaces the program after exit";
    // A script that does not start goes unnoticed: the program ends all the same.
    startScript(paths.scriptFile(), paths.programFolder);
    Timer1->start();
}

}  // namespace zev
