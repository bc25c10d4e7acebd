#pragma once
// What the benches share: figures of a series of timings, one action timed, and the registration
// window driven without a person (its notices printed, its drop-downs chosen by key). Header
// only: every .cpp of bench/ is a program.
#include "core/Errors.h"
#include "data/Dataset.h"
#include "widgets/DBLookupComboBox.h"
#include "widgets/Notices.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace zev::bench {

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline double minimum(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

// Milliseconds that the action takes, once.
inline double timed(const std::function<void()>& action) {
    QElapsedTimer timer;
    timer.start();
    action();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Messages of the window go to the terminal: the bench must not stop at a modal box.
class TerminalNotices final : public Notices {
public:
    void message(QWidget*, const QString& text, const QString&, NoticeIcon) override {
        std::fprintf(stderr, "window: %s\n", qPrintable(text));
    }
    bool askYesNo(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "window asks: %s (no)\n", qPrintable(text));
        return false;
    }
    void showError(const QString& text) override {
        std::fprintf(stderr, "window error: %s\n", qPrintable(text));
    }
};

// Chooses the entry of a drop-down whose list row has `value` in `field`, as a user picks it.
inline void choose(DBLookupComboBox& box, const QString& field, std::int64_t value) {
    Dataset& list = *box.listSource()->dataSet();
    for (int row = 0; row < list.recordCount(); ++row) {
        const Dataset::DisplayRow shown(list, row);
        if (list.fieldByName(field).text() == QString::number(value)) {
            box.chooseRow(row);
            return;
        }
    }
    throw Error(QStringLiteral("%1 %2 is not in the list").arg(field).arg(value));
}

}  // namespace zev::bench
