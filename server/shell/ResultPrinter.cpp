#include "server/shell/ResultPrinter.h"

#include <QStringList>

#include <algorithm>

namespace zev::shell {

namespace {

QString cellText(const Value& value) {
    if (isNull(value)) {
        return QStringLiteral("NULL");
    }
    if (const auto* d = std::get_if<double>(&value)) {
        return QString::number(*d, 'g', 15);
    }
    return valueText(value);
}

bool isNumber(const Value& value) {
    return std::holds_alternative<std::int64_t>(value) || std::holds_alternative<double>(value);
}

// Line breaks inside a value would break the table's alignment; they are shown as blanks.
QString oneLine(QString text) {
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r')) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

}  // namespace

QString formatTable(const ResultSet& result) {
    const int columns = result.columnCount();
    const int rows = result.rowCount();
    std::vector<qsizetype> widths(columns);
    for (int c = 0; c < columns; ++c) {
        widths[c] = result.columns[c].name.size();
        for (int r = 0; r < rows; ++r) {
            widths[c] = std::max(widths[c], oneLine(cellText(result.at(r, c))).size());
        }
    }
    QString out;
    QStringList line;
    for (int c = 0; c < columns; ++c) {
        line << result.columns[c].name.leftJustified(widths[c]);
    }
    out += line.join(u' ').trimmed() + u'\n';
    line.clear();
    for (int c = 0; c < columns; ++c) {
        line << QString(widths[c], u'-');
    }
    out += line.join(u' ') + u'\n';
    for (int r = 0; r < rows; ++r) {
        line.clear();
        for (int c = 0; c < columns; ++c) {
            const Value& v = result.at(r, c);
            const QString text = oneLine(cellText(v));
            line << (isNumber(v) ? text.rightJustified(widths[c]) : text.leftJustified(widths[c]));
        }
        // Trailing blanks of the last column are noise.
        QString joined = line.join(u' ');
        while (joined.endsWith(u' ')) {
            joined.chop(1);
        }
        out += joined + u'\n';
    }
    out += rows == 1 ? QStringLiteral("(1 row)\n") : QStringLiteral("(%1 rows)\n").arg(rows);
    return out;
}

QString formatCsv(const ResultSet& result) {
    QString out;
    QStringList line;
    for (const ResultColumn& column : result.columns) {
        line << csvField(column.name);
    }
    out += line.join(u',') + u'\n';
    for (int r = 0; r < result.rowCount(); ++r) {
        line.clear();
        for (int c = 0; c < result.columnCount(); ++c) {
            const Value& v = result.at(r, c);
            line << (isNull(v) ? QString() : csvField(cellText(v)));
        }
        out += line.join(u',') + u'\n';
    }
    return out;
}

}  // namespace zev::shell
