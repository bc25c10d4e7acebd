#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;

namespace zev {

class TDM_MB;

// The new-stream dialog: opens a stream (a row of RRNKkrdt) for the current electives row. The
// user types the stream number and, if the stream has a limit, its places; everything else comes
// from the electives row and from the lists positioned for it.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // reopenSubGroups re-reads the registration window's stream list after the insert.
    TForm2(TDM_MB& dm, std::function<void()> reopenSubGroups, QWidget* parent = nullptr);

    QLabel* LabeledEdit1Label;
    QLineEdit* LabeledEdit1;
    QLabel* LabeledEdit2Label;  // "Мест:"
    QLineEdit* LabeledEdit2;    // the stream's places; empty: unlimited
    QToolButton* SpeedButton2;  // "Добавить"
    QToolButton* SpeedButton1;  // "Отмена"

    // The stream number and the places keep only Backspace and digits, typed or pasted.
    static QString LabeledEdit1Filter(const QString& text);

    void SpeedButton2Click();
    void SpeedButton1Click();

    // The statement "Добавить" would send now.
    QString composeInsert() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TDM_MB& dm_;
    std::function<void()> reopenSubGroups_;
};

}  // namespace zev
