#include "widgets/DBLookupComboBox.h"

#include "widgets/Fonts.h"
#include "widgets/Notices.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace zev {

namespace {

std::optional<qint64> keyOf(const Value& value) {
    if (isNull(value)) {
        return std::nullopt;
    }
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        return *integer;
    }
    if (const auto* real = std::get_if<double>(&value)) {
        return static_cast<qint64>(*real);
    }
    bool ok = false;
    const qint64 number = valueText(value).trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

}  // namespace

// The open list: a popup window with the list dataset's rows, which hands Enter, Escape and
// clicks back to the drop-down.
class LookupPopup : public QFrame {
public:
    explicit LookupPopup(DBLookupComboBox& owner)
        : QFrame(&owner, Qt::Popup), owner_(owner), list_(new QListWidget(this)) {
        setFrameShape(QFrame::Box);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->addWidget(list_);
        list_->setObjectName(QStringLiteral("lookupList"));
        list_->setFrameShape(QFrame::NoFrame);
        list_->setUniformItemSizes(true);
        list_->setFont(owner.font());
        list_->installEventFilter(this);
        connect(list_, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { accept(list_->row(item)); });
    }

    QListWidget* list() const { return list_; }
    std::vector<Value> keys;
    std::function<void(int)> onAccept;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (object == list_ && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            switch (key->key()) {
                case Qt::Key_Return:
                case Qt::Key_Enter:
                    accept(list_->currentRow());
                    return true;
                case Qt::Key_Escape:
                case Qt::Key_F4:
                    hide();
                    return true;
                default:
                    break;
            }
        }
        return QFrame::eventFilter(object, event);
    }

private:
    void accept(int row) {
        hide();
        if (row >= 0 && onAccept) {
            onAccept(row);
        }
    }

    DBLookupComboBox& owner_;
    QListWidget* list_;
};

struct DBLookupComboBox::Impl {
    LookupPopup* popup = nullptr;
    QPointer<Dataset> dataset;
    QString shown;  // the text of the chosen entry as last resolved
};

DBLookupComboBox::DBLookupComboBox(QWidget* parent) : QWidget(parent), d(std::make_unique<Impl>()) {
    setFocusPolicy(Qt::StrongFocus);
    setFont(defaultUiFont());
    setAttribute(Qt::WA_Hover);
    d->popup = new LookupPopup(*this);
    d->popup->onAccept = [this](int row) {
        // A list can be opened for the user while another control holds the focus (the next
        // drop-down of a chain): a choice in it brings the focus here, as a click on the
        // drop-down would have, so that the focus mark and the next keys belong to the
        // drop-down the user has just used.
        if (isEnabled() && !hasFocus()) {
            setFocus(Qt::MouseFocusReason);
        }
        chooseRow(row);
    };
}

DBLookupComboBox::~DBLookupComboBox() = default;

void DBLookupComboBox::setListSource(DataSource* source) {
    if (listSource_) {
        disconnect(listSource_, nullptr, this, nullptr);
    }
    listSource_ = source;
    if (listSource_) {
        connect(listSource_, &DataSource::dataSetChanged, this, [this] { bindDataset(); });
    }
    bindDataset();
}

void DBLookupComboBox::bindDataset() {
    if (d->dataset) {
        disconnect(d->dataset, nullptr, this, nullptr);
    }
    d->dataset = listSource_ ? listSource_->dataSet() : nullptr;
    if (d->dataset) {
        // Reopened or re-read lists resolve the shown text anew.
        connect(d->dataset, &Dataset::datasetReset, this, [this] { refreshText(); });
        connect(d->dataset, &Dataset::rowChanged, this, [this](int) { refreshText(); });
    }
    refreshText();
}

Value DBLookupComboBox::key() const {
    return key_ ? Value{std::int64_t{*key_}} : Value{};
}

QString DBLookupComboBox::keyText() const {
    return key_ ? QString::number(*key_) : QString();
}

QString DBLookupComboBox::text() const {
    return d->shown;
}

void DBLookupComboBox::refreshText() {
    QString shown;
    Dataset* dataset = d->dataset;
    if (key_ && dataset && dataset->isOpen() && !keyField_.isEmpty() && !listField_.isEmpty()) {
        try {
            shown = valueText(dataset->lookup(keyField_, key(), listField_));
        } catch (const std::exception&) {
            shown.clear();  // a list without the named fields shows nothing
        }
    }
    if (shown != d->shown) {
        d->shown = shown;
    }
    update();
}

void DBLookupComboBox::setKeyValue(std::optional<qint64> key) {
    key_ = key;
    refreshText();
}

bool DBLookupComboBox::listVisible() const {
    return d->popup->isVisible();
}

int DBLookupComboBox::listRowCount() const {
    return d->popup->list()->count();
}

QString DBLookupComboBox::listText(int row) const {
    QListWidgetItem* item = d->popup->list()->item(row);
    return item ? item->text() : QString();
}

QListWidget* DBLookupComboBox::listWidget() const {
    return d->popup->list();
}

void DBLookupComboBox::fillList() {
    QListWidget* list = d->popup->list();
    list->clear();
    d->popup->keys.clear();
    Dataset* dataset = d->dataset;
    if (dataset == nullptr || !dataset->isOpen()) {
        return;
    }
    try {
        Field& keyField = dataset->fieldByName(keyField_);
        Field& listField = dataset->fieldByName(listField_);
        const int rows = dataset->recordCount();
        for (int row = 0; row < rows; ++row) {
            Dataset::DisplayRow display(*dataset, row);
            d->popup->keys.push_back(keyField.value());
            list->addItem(listField.text());
        }
    } catch (const std::exception&) {
        // A list without the named fields shows nothing.
    }
}

bool DBLookupComboBox::chooseKey(qint64 key) {
    if (!listVisible()) {
        fillList();
    }
    const auto& keys = d->popup->keys;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keyOf(keys[i]) == key) {
            chooseRow(static_cast<int>(i));
            return key_ == key;
        }
    }
    return false;
}

int DBLookupComboBox::listRowOfKey() const {
    if (!key_) {
        return -1;
    }
    for (std::size_t i = 0; i < d->popup->keys.size(); ++i) {
        if (keyOf(d->popup->keys[i]) == key_) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void DBLookupComboBox::placePopup(int rows) {
    QListWidget* list = d->popup->list();
    const int frame = 2 * d->popup->frameWidth() + 2;
    const int rowHeight = std::max(list->sizeHintForRow(0), QFontMetrics(font()).height() + 2);
    const int shownRows = std::clamp(rows, 1, std::max(dropDownRows_, 1));
    // Wide enough for the longest entry, with room for the scroll bar when not all rows show.
    int longest = 0;
    const QFontMetrics metrics(list->font());
    for (int row = 0; row < list->count(); ++row) {
        longest = std::max(longest, metrics.horizontalAdvance(list->item(row)->text()));
    }
    const int scrollBar =
        rows > shownRows ? list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list)
                         : 0;
    int width = std::max({dropDownWidth_, this->width(), longest + 8 + scrollBar + frame});
    const int height = shownRows * rowHeight + frame;

    // Below the box, or above it where the screen ends; always inside the screen.
    QPoint at = mapToGlobal(QPoint(0, this->height()));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        width = std::min(width, area.width());
        if (at.y() + height > area.bottom() + 1) {
            at.setY(std::max(area.top(), mapToGlobal(QPoint(0, 0)).y() - height));
        }
        at.setX(std::clamp(at.x(), area.left(), area.right() + 1 - width));
    }
    d->popup->setGeometry(QRect(at, QSize(width, height)));
}

void DBLookupComboBox::dropDown() {
    if (!isEnabled() || listVisible()) {
        return;
    }
    fillList();
    QListWidget* list = d->popup->list();
    const int current = listRowOfKey();
    list->setCurrentRow(current >= 0 ? current : (list->count() > 0 ? 0 : -1));
    placePopup(list->count());
    d->popup->show();
    list->setFocus(Qt::PopupFocusReason);
    if (current >= 0) {
        list->scrollToItem(list->item(current));
    }
}

void DBLookupComboBox::closeUp() {
    d->popup->hide();
}

void DBLookupComboBox::chooseRow(int row) {
    if (!listVisible()) {
        fillList();  // the rows of the list as they are now, not as last dropped down
    }
    closeUp();
    if (row < 0 || row >= static_cast<int>(d->popup->keys.size())) {
        return;
    }
    const Value chosen = d->popup->keys[static_cast<std::size_t>(row)];
    if (canChoose) {
        bool allowed = false;
        guarded([&] { allowed = canChoose(); });
        if (!allowed) {
            refreshText();
            return;
        }
    }
    key_ = keyOf(chosen);
    guarded([&] {
        // The chosen entry becomes the list's current row, where the window reads its columns.
        if (Dataset* dataset = d->dataset) {
            dataset->locate(keyField_, chosen);
        }
    });
    refreshText();
    if (onClick) {
        guarded([this] { onClick(); });
    }
}

QSize DBLookupComboBox::sizeHint() const {
    QStyleOptionComboBox option;
    option.initFrom(this);
    const QFontMetrics metrics(font());
    const QSize content(120, std::max(metrics.height(), 14) + 2);
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, this);
}

void DBLookupComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = false;
    option.currentText = d->shown;
    option.frame = true;
    if (listVisible()) {
        option.state |= QStyle::State_On;
    }
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (hasFocus() && !listVisible()) {
        // The focus mark, whether the focus came by mouse or by keyboard: the text field in the
        // selection colours with a dotted frame, as a focused drop-down list shows it.
        const QRect field =
            style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
                .adjusted(1, 1, -1, -1);
        painter.fillRect(field, palette().color(QPalette::Highlight));
        option.palette.setColor(QPalette::ButtonText, palette().color(QPalette::HighlightedText));
        option.palette.setColor(QPalette::Text, palette().color(QPalette::HighlightedText));
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
        QPen dotted(palette().color(QPalette::HighlightedText), 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(field.adjusted(0, 0, -1, -1));
        return;
    }
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DBLookupComboBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) {
        setFocus(Qt::MouseFocusReason);
        if (listVisible()) {
            closeUp();
        } else {
            dropDown();
        }
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void DBLookupComboBox::keyPressEvent(QKeyEvent* event) {
    const bool alt = event->modifiers().testFlag(Qt::AltModifier);
    if (event->key() == Qt::Key_F4 || (alt && event->key() == Qt::Key_Down)) {
        dropDown();
        return;
    }
    // Up and Down on the closed list choose the previous or the next entry.
    if (!alt && !listVisible() && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        if (isEnabled()) {
            fillList();
            const int at = listRowOfKey();
            const int next = event->key() == Qt::Key_Down ? at + 1 : (at < 0 ? -1 : at - 1);
            if (next >= 0 && next < listRowCount()) {
                chooseRow(next);
            }
        }
        return;
    }
    // Typing the first letters of an entry opens the list on it; Enter then chooses it.
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() &&
        !event->modifiers().testFlag(Qt::ControlModifier)) {
        dropDown();
        if (listVisible()) {
            d->popup->list()->keyboardSearch(typed);
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

void DBLookupComboBox::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
    if (event->reason() != Qt::PopupFocusReason && onEnter) {
        guarded([this] { onEnter(); });
    }
}

void DBLookupComboBox::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
    if (event->reason() != Qt::PopupFocusReason && onExit) {
        guarded([this] { onExit(); });
    }
}

void DBLookupComboBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        closeUp();
    }
}

}  // namespace zev
