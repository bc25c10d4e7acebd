#pragma once

#include "gridevents/TColor.h"
#include "widgets/Fonts.h"

#include <QFont>
#include <QPointer>
#include <QStringList>

#include <memory>

namespace zev {

class TQFDBGridEh;

// A font setting of an attribute: face, size, charset and style live in the QFont; the text
// colour travels beside it as a TColor, as the window descriptions store it.
struct GridFont {
    QFont font = defaultUiFont();
    TColor color = clWindowText;
};

// One display attribute: a font and a background colour. Changing either through its setter
// repaints the attached grid; changing the owned font in place (font().color = ...) does not.
class TQFDBGridAttr {
public:
    TQFDBGridAttr() = default;
    TQFDBGridAttr(const TQFDBGridAttr&) = delete;
    TQFDBGridAttr& operator=(const TQFDBGridAttr&) = delete;

    GridFont& Font() { return font_; }
    const GridFont& Font() const { return font_; }
    // Copies every setting of the given font, then repaints.
    void setFont(const GridFont& font);

    TColor Color() const { return color_; }
    // Stores a changed colour and repaints; an unchanged one changes nothing.
    void setColor(TColor color);

    TQFDBGridEh* grid() const { return grid_; }
    void setGrid(TQFDBGridEh* grid) { grid_ = grid; }

private:
    GridFont font_;
    TColor color_ = clBlack;
    QPointer<TQFDBGridEh> grid_;
};

// The attribute of selected cells in the listed columns (columns whose titles stand in List).
class TQFDBGridFixedAttr {
public:
    TQFDBGridFixedAttr() = default;
    TQFDBGridFixedAttr(const TQFDBGridFixedAttr&) = delete;
    TQFDBGridFixedAttr& operator=(const TQFDBGridFixedAttr&) = delete;

    TQFDBGridEh* grid() const { return grid_; }
    void setGrid(TQFDBGridEh* grid) { grid_ = grid; }

    const QStringList& List() const { return list_; }
    void setList(const QStringList& titles);

    GridFont& SelFont() { return selFont_; }
    const GridFont& SelFont() const { return selFont_; }
    void setSelFont(const GridFont& font);

    TColor SelColor() const { return selColor_; }
    void setSelColor(TColor color);

private:
    QPointer<TQFDBGridEh> grid_;
    QStringList list_;
    GridFont selFont_;
    TColor selColor_ = clBlack;
};

// The attribute set of the grid-events component. The six sub-objects live as long as the set
// and are never replaced; only their properties change.
class TQFDBAttributes {
public:
    TQFDBAttributes();
    TQFDBAttributes(const TQFDBAttributes&) = delete;
    TQFDBAttributes& operator=(const TQFDBAttributes&) = delete;

    TQFDBGridAttr& SelAttr() { return selAttr_; }
    TQFDBGridAttr& AfterPasteAttr() { return afterPasteAttr_; }
    TQFDBGridAttr& DuplicateAttr() { return duplicateAttr_; }
    TQFDBGridAttr& ErrorAttr() { return errorAttr_; }
    TQFDBGridAttr& FocusedAttr() { return focusedAttr_; }
    TQFDBGridFixedAttr& FixedAttr() { return fixedAttr_; }
    const TQFDBGridAttr& SelAttr() const { return selAttr_; }
    const TQFDBGridAttr& AfterPasteAttr() const { return afterPasteAttr_; }
    const TQFDBGridAttr& DuplicateAttr() const { return duplicateAttr_; }
    const TQFDBGridAttr& ErrorAttr() const { return errorAttr_; }
    const TQFDBGridAttr& FocusedAttr() const { return focusedAttr_; }
    const TQFDBGridFixedAttr& FixedAttr() const { return fixedAttr_; }

    // Points every sub-object at the grid to repaint (or at none).
    void setGrid(TQFDBGridEh* grid);

private:
    TQFDBGridAttr selAttr_;
    TQFDBGridAttr afterPasteAttr_;
    TQFDBGridAttr duplicateAttr_;
    TQFDBGridAttr errorAttr_;
    TQFDBGridAttr focusedAttr_;
    TQFDBGridFixedAttr fixedAttr_;
};

}  // namespace zev
