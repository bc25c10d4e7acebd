#include "server/engine/SqlEmitter.h"

namespace zev::server {

namespace {

bool gluesLeft(QStringView token) {
    return token == u")" || token == u"," || token == u".";
}
bool gluesRight(QChar last) {
    return last == u'(' || last == u'.';
}

}  // namespace

void SqlEmitter::append(QStringView token) {
    if (!out_.isEmpty() && !gluesLeft(token) && !gluesRight(out_.back())) {
        out_ += u' ';
    }
    out_ += token;
}

void SqlEmitter::name(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    append(u'"' + quoted + u'"');
}

void SqlEmitter::text(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    append(u'\'' + quoted + u'\'');
}

void SqlEmitter::call(const char* function) {
    append(QString::fromLatin1(function) + u'(');
}

void SqlEmitter::openCallAt(qsizetype mark, const char* function) {
    // What follows the mark starts with its separating blank, if it has one; the call goes
    // between the two and the blank moves before it.
    const bool spaced = mark < out_.size() && out_[mark] == u' ';
    const QString opening =
        (spaced ? QStringLiteral(" ") : QString()) + QLatin1String(function) + u'(';
    out_.replace(mark, spaced ? 1 : 0, opening);
}

}  // namespace zev::server
