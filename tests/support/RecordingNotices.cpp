#include "RecordingNotices.h"

namespace zev::testing {

void RecordingNotices::message(QWidget*, const QString& text, const QString& caption,
                               NoticeIcon icon) {
    messages.push_back({text, caption, icon});
    shown_.push_back(text);
}

bool RecordingNotices::askYesNo(QWidget*, const QString& text, const QString& caption) {
    questions.push_back({text, caption, NoticeIcon::Question});
    return answerYes;
}

void RecordingNotices::showError(const QString& text) {
    errors.push_back(text);
    shown_.push_back(text);
}

std::vector<QString> RecordingNotices::questionTexts() const {
    std::vector<QString> texts;
    texts.reserve(questions.size());
    for (const RecordedNotice& question : questions) {
        texts.push_back(question.text);
    }
    return texts;
}

void RecordingNotices::clear() {
    messages.clear();
    questions.clear();
    errors.clear();
    shown_.clear();
}

}  // namespace zev::testing
