#pragma once

#include <QRect>

namespace zev {

// Geometry of the top panel's labels and drop-downs. Labels keep their text-fitted widths; the
// faculty, speciality, year and student drop-downs and their labels keep their left edges.
struct Panel5Geometry {
    int panelWidth = 0;
    QRect label1, label7, label3, label2, label5, label4, label6;  // captions
    QRect combo1, combo7, combo4, combo2, combo5, combo3, combo6;  // drop-downs
};

// Spreads the three rows of drop-downs over the panel's width: the first row's two drop-downs
// share it equally, the speciality and student drop-downs reach the right edge, and the third
// row's three drop-downs share it equally, each label 4 pixels from its neighbours.
void layoutPanel5(Panel5Geometry& g);

}  // namespace zev
