#pragma once

#include <QValidator>

namespace zev {

// Keeps only the digits, the Latin letters and "_" of whatever is typed or pasted into a
// new-password field; every other character is dropped.
class NewPasswordValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

    static bool allowed(QChar c);
};

}  // namespace zev
