// Axis-aligned rectangle of cells, the shape of every room.
#pragma once

#include <utility>

class KRRect {
public:
    int x1;
    int x2;
    int y1;
    int y2;

    KRRect();
    void Init(int x, int y, int w, int h);
    // Integer centre, rounded toward zero.
    std::pair<int, int> Center() const;
    // Inclusive: rectangles that only share an edge line intersect.
    bool Intersect(const KRRect& other) const;
};
