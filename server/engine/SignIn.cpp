#include "server/engine/SignIn.h"

#include "core/Cp1251.h"
#include "core/Errors.h"
#include "server/engine/Database.h"
#include "server/engine/Procedures.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

namespace zev::server {

namespace {

const QString kWrongLogin = QStringLiteral("Неверно указан логин или пароль.");
const QString kLocked =
    QStringLiteral("Учётная запись заблокирована. Обратитесь к администратору.");
const QString kGuessing =
    QStringLiteral("Слишком много неверных попыток входа. Вход закрыт на 15 минут.");
const QString kBadNewPassword = QStringLiteral("Новый пароль передан в неверном виде.");
const QString kSamePassword = QStringLiteral("Новый пароль должен отличаться от прежнего.");

QString text(const Value& v) {
    return valueText(v);
}

bool isDigest(const QString& s) {
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{32}$"));
    return hex.match(s).hasMatch();
}

struct Answer {
    QString user, password;
    std::int64_t id = 0;
    std::int64_t days = 0;
    QString message;
    std::int64_t update = 0;
};

ResultSet toRow(const Answer& a) {
    ResultSet rows;
    rows.columns = findProcedure(QString::fromLatin1(kSignInProcedure))->columns;
    rows.cells = {a.user, a.password, a.id, a.days, a.message, a.update};
    return rows;
}

// 2 when a newer release of the program was published than the one this computer was given, and
// the computer is then recorded as given it. A computer seen for the first time is recorded with
// the current release: it was installed from it.
std::int64_t updateFlag(Database& db, const QString& program, const QString& computer,
                        const QString& now) {
    const ResultSet latest = db.query(
        QStringLiteral(
            "SELECT max(version) FROM program_release WHERE program = ? AND published <= ?"),
        {program, now});
    if (isNull(latest.at(0, 0))) {
        return 0;
    }
    const std::int64_t version = std::get<std::int64_t>(latest.at(0, 0));
    const ResultSet given =
        db.query(QStringLiteral(
                     "SELECT version FROM workstation_release WHERE computer = ? AND program = ?"),
                 {computer, program});
    const bool known = given.rowCount() > 0;
    if (known && std::get<std::int64_t>(given.at(0, 0)) >= version) {
        return 0;
    }
    db.execute(QStringLiteral("INSERT OR REPLACE INTO workstation_release (computer, program, "
                              "version) VALUES (?, ?, ?)"),
               {computer, program, version});
    return known ? 2 : 0;
}

// Guessing: after this many wrong passwords (or unknown logins) under one login name within the
// window, counted since its last successful sign-in, the login is refused for the window's length
// from the last of them, whatever password comes. Refused attempts are logged but not counted.
constexpr int kGuessLimit = 5;
constexpr qint64 kGuessWindowSeconds = qint64{15} * 60;

bool refusedForGuessing(Database& db, const QString& login, const QDateTime& now) {
    const ResultSet recent = db.query(
        QStringLiteral("SELECT at FROM signin_log WHERE login = ?1 COLLATE NOCASE "
                       "AND outcome IN ('wrong password', 'unknown login') "
                       "AND id_signin > coalesce((SELECT max(id_signin) FROM signin_log "
                       "WHERE login = ?1 COLLATE NOCASE AND outcome LIKE 'signed in%'), 0) "
                       "ORDER BY id_signin DESC LIMIT ?2"),
        {login, std::int64_t{kGuessLimit}});
    if (recent.rowCount() < kGuessLimit) {
        return false;
    }
    const QDateTime newest = QDateTime::fromString(valueText(recent.at(0, 0)), Qt::ISODate);
    const QDateTime fifth =
        QDateTime::fromString(valueText(recent.at(kGuessLimit - 1, 0)), Qt::ISODate);
    return fifth.secsTo(newest) < kGuessWindowSeconds && newest.secsTo(now) < kGuessWindowSeconds;
}

}  // namespace

QString shiftDown(const QString& source) {
    // Windows-1251 codes, as the client shifts them back up.
    QByteArray bytes = toCp1251(source);
    for (char& c : bytes) {
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);  // 0 wraps to 255
    }
    return fromCp1251(bytes);
}

QString passwordDigest(const QString& password) {
    // Windows-1251: ASCII as it is, the Russian alphabet from 0xC0 on, Ё and ё apart.
    QByteArray bytes;
    bytes.reserve(password.size());
    for (const QChar c : password) {
        const ushort u = c.unicode();
        if (u < 0x80) {
            bytes += static_cast<char>(u);
        } else if (u >= 0x410 && u <= 0x44F) {
            bytes += static_cast<char>(0xC0 + (u - 0x410));
        } else if (u == 0x401) {
            bytes += static_cast<char>(0xA8);
        } else if (u == 0x451) {
            bytes += static_cast<char>(0xB8);
        } else {
            bytes += '?';
        }
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper());
}

ResultSet signIn(Database& db, const std::vector<Value>& args) {
    const QString login = text(args[0]);
    const QString digest = text(args[1]).toUpper();
    const bool changing = !isNull(args[2]);
    const QString newDigest = text(args[2]).toUpper();
    const QString program = text(args[3]);
    const QString ip = text(args[4]);
    const QString computer = text(args[5]);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString stamp = now.toString(Qt::ISODate);
    const QDate today = now.date();

    Answer answer;
    QString outcome;
    const ResultSet account = db.query(
        QStringLiteral("SELECT l.id_login, l.pwd_digest, l.pwd_changed, l.pwd_max_age_days, "
                       "l.must_change, l.locked, a.name, a.password FROM zev_login AS l "
                       "JOIN db_account AS a ON a.name = l.db_user "
                       "WHERE l.login = ? COLLATE NOCASE"),
        {login});
    // A locked account is named as such only to the right password: to a wrong one it answers as
    // any wrong password does, so that the lock does not tell which logins exist.
    if (refusedForGuessing(db, login, now)) {
        answer.message = kGuessing;
        outcome = QStringLiteral("refused: too many wrong passwords");
    } else if (account.rowCount() == 0) {
        answer.message = kWrongLogin;
        outcome = QStringLiteral("unknown login");
    } else if (valueText(account.at(0, 1)).toUpper() != digest) {
        answer.message = kWrongLogin;
        outcome = QStringLiteral("wrong password");
    } else if (std::get<std::int64_t>(account.at(0, 5)) != 0) {
        answer.message = kLocked;
        outcome = QStringLiteral("locked");
    } else if (changing && !isDigest(newDigest)) {
        answer.message = kBadNewPassword;
        outcome = QStringLiteral("malformed new password");
    } else if (changing && newDigest == digest) {
        answer.message = kSamePassword;
        outcome = QStringLiteral("new password equals the old one");
    } else {
        const std::int64_t id = std::get<std::int64_t>(account.at(0, 0));
        QDate changed = QDate::fromString(valueText(account.at(0, 2)), Qt::ISODate);
        bool mustChange = std::get<std::int64_t>(account.at(0, 4)) != 0;
        if (changing) {
            db.execute(QStringLiteral("UPDATE zev_login SET pwd_digest = ?, pwd_changed = ?, "
                                      "must_change = 0 WHERE id_login = ?"),
                       {newDigest, today.toString(Qt::ISODate), id});
            changed = today;
            mustChange = false;
            outcome = QStringLiteral("signed in, password changed");
        } else {
            outcome = QStringLiteral("signed in");
        }
        const std::int64_t maxAge = std::get<std::int64_t>(account.at(0, 3));
        const std::int64_t age = changed.isValid() ? changed.daysTo(today) : maxAge + 1;
        answer.id = id;
        answer.days = mustChange ? -1 : maxAge - age;
        if (answer.days < 0) {
            outcome +=
                mustChange ? QStringLiteral(", change demanded") : QStringLiteral(", expired");
        }
        // An account whose password must be changed first gets no database account: the client
        // does not connect then, and the account's password stays unsent.
        if (answer.days >= 0) {
            answer.user = shiftDown(valueText(account.at(0, 6)));
            answer.password = shiftDown(valueText(account.at(0, 7)));
        }
        answer.update = updateFlag(db, program, computer, stamp);
        if (answer.update >= 2) {
            outcome += QStringLiteral(", update offered");
        }
    }
    db.execute(QStringLiteral("INSERT INTO signin_log (at, login, program, ip, computer, outcome) "
                              "VALUES (?, ?, ?, ?, ?, ?)"),
               {stamp, login, program, ip, computer, outcome});
    return toRow(answer);
}

}  // namespace zev::server
