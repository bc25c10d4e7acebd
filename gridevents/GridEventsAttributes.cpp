#include "gridevents/GridEventsAttributes.h"

#include "gridevents/GridEvents.h"

namespace zev {

namespace {

void repaint(TQFDBGridEh* grid) {
    if (grid) {
        grid->viewport()->update();
    }
}

}  // namespace

void TQFDBGridAttr::setFont(const GridFont& font) {
    font_ = font;
    repaint(grid_);
}

void TQFDBGridAttr::setColor(TColor color) {
    if (color == color_) {
        return;
    }
    color_ = color;
    repaint(grid_);
}

void TQFDBGridFixedAttr::setList(const QStringList& titles) {
    list_ = titles;
    repaint(grid_);
}

void TQFDBGridFixedAttr::setSelFont(const GridFont& font) {
    selFont_ = font;
    repaint(grid_);
}

void TQFDBGridFixedAttr::setSelColor(TColor color) {
    if (color == selColor_) {
        return;
    }
    selColor_ = color;
    repaint(grid_);
}

TQFDBAttributes::TQFDBAttributes() {
    // The selected colour stays black: only its font is lightened.
    selAttr_.Font().color = clWhite;
    afterPasteAttr_.setColor(clInfoBk);
    duplicateAttr_.setColor(clGreen);
    errorAttr_.setColor(clRed);
    focusedAttr_.setColor(0x4F4F4F);
    focusedAttr_.Font().color = clWhite;
    focusedAttr_.Font().font.setBold(true);
    fixedAttr_.setSelColor(clMoneyGreen);
    fixedAttr_.SelFont().font.setBold(true);
}

void TQFDBAttributes::setGrid(TQFDBGridEh* grid) {
    for (TQFDBGridAttr* attr :
         {&selAttr_, &afterPasteAttr_, &duplicateAttr_, &errorAttr_, &focusedAttr_}) {
        attr->setGrid(grid);
    }
    fixedAttr_.setGrid(grid);
}

}  // namespace zev
