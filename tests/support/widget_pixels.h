// Comparing what widgets draw: the pixels of two grabs of the same widget.
#pragma once

#include <QImage>

namespace test_support {

// Pixels of `b` that differ from `a` (all of b's when the sizes differ).
inline int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return b.width() * b.height();
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    int differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) differing += x.pixel(col, row) != y.pixel(col, row) ? 1 : 0;
    }
    return differing;
}

}  // namespace test_support
