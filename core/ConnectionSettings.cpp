#include "core/ConnectionSettings.h"

#include <QRegularExpression>

namespace zev {

namespace {

// One "key=value" pair read from position `at`; answers the position after its ';'.
struct Pair {
    QString key;
    QString value;
    qsizetype next = 0;
};

Pair readPair(const QString& text, qsizetype at) {
    Pair pair;
    const qsizetype n = text.size();
    qsizetype i = at;
    while (i < n && text[i] != u'=' && text[i] != u';') {
        ++i;
    }
    pair.key = text.mid(at, i - at).trimmed().toLower();
    if (i >= n || text[i] == u';') {
        pair.next = i + 1;
        return pair;
    }
    ++i;  // past '='
    qsizetype start = i;
    while (start < n && text[start] == u' ') {
        ++start;
    }
    if (start < n && text[start] == u'{') {
        // Braced: up to the first single '}', "}}" standing for a brace of the value.
        qsizetype j = start + 1;
        while (j < n) {
            if (text[j] == u'}') {
                if (j + 1 < n && text[j + 1] == u'}') {
                    pair.value += u'}';
                    j += 2;
                    continue;
                }
                break;
            }
            pair.value += text[j];
            ++j;
        }
        // Anything between the closing brace and the next ';' is not part of the value.
        const qsizetype semicolon = text.indexOf(u';', j);
        pair.next = semicolon < 0 ? n : semicolon + 1;
        return pair;
    }
    const qsizetype semicolon = text.indexOf(u';', i);
    const qsizetype end = semicolon < 0 ? n : semicolon;
    pair.value = text.mid(i, end - i);
    pair.next = end + 1;
    return pair;
}

}  // namespace

ConnectionSettings parseConnectionString(const QString& connectionString) {
    ConnectionSettings settings;
    qsizetype at = 0;
    while (at < connectionString.size()) {
        const Pair pair = readPair(connectionString, at);
        at = pair.next;
        const QString& key = pair.key;
        if (key == u"data source" || key == u"server") {
            settings.dataSource = pair.value.trimmed();
        } else if (key == u"initial catalog" || key == u"database") {
            settings.catalog = pair.value.trimmed();
        } else if (key == u"user id" || key == u"uid") {
            settings.user = pair.value;
        } else if (key == u"password" || key == u"pwd") {
            settings.password = pair.value;
        } else if (key == u"application name" || key == u"app") {
            settings.applicationName = pair.value;
        } else if (key == u"packet size") {
            bool ok = false;
            const int size = pair.value.trimmed().toInt(&ok);
            if (ok && size > 0) {
                settings.packetSize = size;
            }
        }
    }
    return settings;
}

QString quoteConnectionValue(const QString& value) {
    const bool plain = !value.contains(u';') && !value.contains(u'{') && !value.contains(u'}') &&
                       !value.contains(u'=') && value.trimmed() == value;
    if (plain) {
        return value;
    }
    QString quoted = value;
    quoted.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + quoted + u'}';
}

QString maskConnectionPassword(const QString& text) {
    // The key at the start of the text or after a ';', then a braced or a plain value.
    static const QRegularExpression password(
        QStringLiteral(R"((^|[;\s])(\s*(?:password|pwd)\s*=\s*)(\{(?:[^}]|\}\})*\}?|[^;]*))"),
        QRegularExpression::CaseInsensitiveOption);
    QString masked;
    qsizetype last = 0;
    auto it = password.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        masked += QStringView(text).mid(last, m.capturedStart(3) - last);
        masked += QStringLiteral("***");
        last = m.capturedEnd(3);
    }
    masked += QStringView(text).mid(last);
    return masked;
}

}  // namespace zev
