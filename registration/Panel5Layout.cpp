#include "registration/Panel5Layout.h"

namespace zev {

namespace {

void placeAfter(QRect& item, const QRect& before) {
    item.moveLeft(before.left() + before.width() + 4);
}

}  // namespace

void layoutPanel5(Panel5Geometry& g) {
    const int w = g.panelWidth;

    // First row: faculty and form of education share the width.
    const int w1 = (w - g.label1.width() - g.label7.width() - g.label1.left()) / 2 - 10;
    g.combo1.setWidth(w1);
    placeAfter(g.label7, g.combo1);
    placeAfter(g.combo7, g.label7);
    g.combo7.setWidth(w1);

    // Speciality and student reach the right edge.
    g.combo4.setWidth(w - g.combo4.left() - 6);
    g.combo6.setWidth(g.combo4.width());

    // Third row: year, semester and group share the width.
    const int w3 =
        (w - g.label2.width() - g.label5.width() - g.label4.width() - g.label2.left()) / 3 - 9;
    g.combo2.setWidth(w3);
    placeAfter(g.label5, g.combo2);
    placeAfter(g.combo5, g.label5);
    g.combo5.setWidth(w3);
    placeAfter(g.label4, g.combo5);
    placeAfter(g.combo3, g.label4);
    g.combo3.setWidth(w3);
}

}  // namespace zev
