#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

#include <initializer_list>

class QWidget;

namespace zev::tour {

// Saves numbered PNG pictures of windows into one folder. A window with an open pop-up (a
// drop-down list, a message box, a dialog) is saved together with it, each at its place on the
// screen, as a person sees them.
class Screenshots {
public:
    explicit Screenshots(const QString& folder);

    // Saves <nn>-<name>.png; the first widget is the window, the others lie over it.
    void save(const QString& name, std::initializer_list<QWidget*> windows);

    const QStringList& saved() const { return saved_; }

private:
    QDir folder_;
    int counter_ = 0;
    QStringList saved_;
};

}  // namespace zev::tour
