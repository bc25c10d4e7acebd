#pragma once

#include "data/Dataset.h"

#include <QPointer>
#include <QWidget>

class QListWidget;

#include <functional>
#include <optional>

namespace zev {

// A data-aware lookup drop-down: lists the list field of its data source's dataset (the rows of
// the current view, in view order) and holds the key field's value of the chosen entry, or null.
class DBLookupComboBox : public QWidget {
    Q_OBJECT
public:
    explicit DBLookupComboBox(QWidget* parent = nullptr);
    ~DBLookupComboBox() override;

    void setListSource(DataSource* source);
    DataSource* listSource() const { return listSource_; }
    void setKeyField(const QString& field) { keyField_ = field; }
    const QString& keyField() const { return keyField_; }
    void setListField(const QString& field) { listField_ = field; }
    const QString& listField() const { return listField_; }
    void setDropDownRows(int rows) { dropDownRows_ = rows; }
    int dropDownRows() const { return dropDownRows_; }
    void setDropDownWidth(int width) { dropDownWidth_ = width; }

    // The chosen entry's key, null when nothing is chosen; keyText() is "" for null.
    std::optional<qint64> keyValue() const { return key_; }
    Value key() const;
    QString keyText() const;
    QString text() const;  // the shown list-field text of the chosen entry
    // Setting the key shows the matching entry (no "entry chosen" event).
    void setKeyValue(std::optional<qint64> key);
    void clear() { setKeyValue(std::nullopt); }

    void dropDown();  // opens the list
    void closeUp();   // closes the list without accepting the highlighted entry
    bool listVisible() const;
    // Chooses the entry at view row `row` as a user would (asks canChoose, fires onClick).
    void chooseRow(int row);
    // Chooses the entry with that key as a user would pick it from the list; false when the list
    // holds no such entry or the choice was refused.
    bool chooseKey(qint64 key);

    // Asked before an entry chosen by the user takes effect; false refuses the choice, and the
    // drop-down keeps the entry it had.
    std::function<bool()> canChoose;
    // Events: an entry was chosen by the user (the key is set and the list dataset's current
    // row moved to it); focus entered; focus left.
    std::function<void()> onClick;
    std::function<void()> onEnter;
    std::function<void()> onExit;

    // The entries of the list as last dropped down (view order of the list dataset).
    int listRowCount() const;
    QString listText(int row) const;
    QListWidget* listWidget() const;  // the open list, for keyboard and mouse
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void bindDataset();
    void refreshText();
    void fillList();
    int listRowOfKey() const;  // the row of the chosen entry in the filled list, -1 when none
    void placePopup(int rows);

    QPointer<DataSource> listSource_;
    QString keyField_;
    QString listField_;
    int dropDownRows_ = 7;
    int dropDownWidth_ = 0;
    std::optional<qint64> key_;
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace zev
