// Axis-aligned rectangle of cells: the shape of every room.
#include "rect.h"

KRRect::KRRect() : x1(0), x2(0), y1(0), y2(0) {}

void KRRect::Init(int x, int y, int w, int h) {
    x1 = x;
    y1 = y;
    x2 = x + w;
    y2 = y + h;
}

std::pair<int, int> KRRect::Center() const {
    return {(x1 + x2) / 2, (y1 + y2) / 2};
}

bool KRRect::Intersect(const KRRect& other) const {
    // Inclusive on purpose: rooms whose walls would merge count as overlapping,
    // so two rooms always keep at least one wall line between their floors.
    return x1 <= other.x2 && x2 >= other.x1 && y1 <= other.y2 && y2 >= other.y1;
}
