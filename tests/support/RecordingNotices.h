#pragma once

// The notices of a test: every message box, question and error the program shows is recorded
// instead of shown, and each question gets the answer the test chose.

#include "widgets/Notices.h"

#include <QString>

#include <vector>

namespace zev::testing {

struct RecordedNotice {
    QString text;
    QString caption;
    NoticeIcon icon = NoticeIcon::Information;
};

class RecordingNotices final : public Notices {
public:
    void message(QWidget* owner, const QString& text, const QString& caption,
                 NoticeIcon icon) override;
    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    void showError(const QString& text) override;

    // The texts of the message boxes and the general error display together, in the order the
    // user saw them.
    const std::vector<QString>& shown() const { return shown_; }
    // The texts of the questions asked, in order.
    std::vector<QString> questionTexts() const;
    // Forgets everything recorded; the answer stays.
    void clear();

    std::vector<RecordedNotice> messages;
    std::vector<RecordedNotice> questions;
    std::vector<QString> errors;
    bool answerYes = true;  // the answer to every question

private:
    std::vector<QString> shown_;
};

}  // namespace zev::testing
