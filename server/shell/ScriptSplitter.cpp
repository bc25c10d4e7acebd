#include "server/shell/ScriptSplitter.h"

#include "core/Tokenizer.h"

#include <QStringList>

namespace zev::shell {

namespace {

// The script's stretches as the server's tokenizer reads them, with a way to ask which one a
// position falls in. Literals, names and comments may run over several lines.
class ScriptSpans {
public:
    explicit ScriptSpans(const QString& text) : text_(text) {
        for (qsizetype i = 0; i < text.size(); i = spans_.back().end) {
            spans_.push_back(scanSqlSpan(text, i));
        }
    }

    // True when the position lies inside a string, name or comment that began before it (for
    // the end of the text: one that is still open there).
    bool insideText(qsizetype position) {
        seek(position);
        if (current_ >= spans_.size()) {
            return !spans_.empty() && !spans_.back().closed;
        }
        const SqlSpan& span = spans_[current_];
        return span.start < position &&
               (span.kind == SqlSpanKind::String || span.kind == SqlSpanKind::Name ||
                span.kind == SqlSpanKind::Comment);
    }

    // Where the last code of [start, end) stands when it is a ';' that ends the line's code,
    // otherwise -1. Stretches that began on an earlier line are no code of this line.
    qsizetype closingSemicolon(qsizetype start, qsizetype end) {
        seek(start);
        qsizetype last = -1;
        for (std::size_t k = current_; k < spans_.size() && spans_[k].start < end; ++k) {
            const SqlSpan& span = spans_[k];
            if (span.start >= start && span.kind != SqlSpanKind::Blank &&
                span.kind != SqlSpanKind::Comment) {
                last = span.start;
            }
        }
        return last >= 0 && text_[last] == u';' ? last : -1;
    }

private:
    // Moves to the stretch that holds the position (positions are asked in increasing order).
    void seek(qsizetype position) {
        while (current_ < spans_.size() && spans_[current_].end <= position) {
            ++current_;
        }
    }

    const QString& text_;
    std::vector<SqlSpan> spans_;
    std::size_t current_ = 0;
};

}  // namespace

std::vector<QString> splitScript(const QString& script, SplitMode mode) {
    std::vector<QString> statements;
    QStringList current;
    auto finish = [&] {
        const QString statement = current.join(u'\n').trimmed();
        if (!statement.isEmpty()) {
            statements.push_back(statement);
        }
        current.clear();
    };

    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ScriptSpans spans(text);
    qsizetype lineStart = 0;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype lineEnd = lineStart + line.size();
        const bool startsInCode = !spans.insideText(lineStart);
        if (startsInCode && line.trimmed().compare(u"GO", Qt::CaseInsensitive) == 0) {
            finish();
        } else {
            const qsizetype semicolon = spans.closingSemicolon(lineStart, lineEnd);
            if (mode == SplitMode::Statements && semicolon >= 0 && !spans.insideText(lineEnd)) {
                current << line.left(semicolon - lineStart);
                finish();
            } else {
                current << line;
            }
        }
        lineStart = lineEnd + 1;
    }
    finish();
    return statements;
}

}  // namespace zev::shell
