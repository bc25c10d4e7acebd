#include "signin/NewPasswordValidator.h"

namespace zev {

bool NewPasswordValidator::allowed(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
           u == u'_';
}

QValidator::State NewPasswordValidator::validate(QString& input, int& pos) const {
    QString kept;
    kept.reserve(input.size());
    int keptBeforeCursor = 0;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (allowed(input[i])) {
            kept += input[i];
            if (i < pos) {
                ++keptBeforeCursor;
            }
        }
    }
    input = kept;
    pos = keptBeforeCursor;
    return Acceptable;
}

}  // namespace zev
