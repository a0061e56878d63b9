#pragma once
// Counting wrappers over the create, delete and fill entries of the bound GDI+ table,
// so a test sees that every graphics object, brush and path a paint creates is also
// deleted in it. A test can make the next creations of one kind fail. The table is
// restored when the guard goes out of scope.
#include <vector>
#include "draw/GdiPlus.h"

struct GdipCounts {
    int graphicsCreated = 0, graphicsDeleted = 0;
    int brushesCreated = 0, brushesDeleted = 0;
    int pathsCreated = 0, pathsDeleted = 0;
    int fills = 0;  // rectangles, ellipses and paths filled
    std::vector<ARGB> brushColours;  // of every brush created, in order
    bool failGraphics = false, failBrushes = false, failPaths = false;
};

extern GdipCounts gdipCounts;

class CountingGdiPlus {
public:
    CountingGdiPlus();  // GDI+ must be bound already
    ~CountingGdiPlus();
    CountingGdiPlus(const CountingGdiPlus&) = delete;
    CountingGdiPlus& operator=(const CountingGdiPlus&) = delete;
    void Reset() const;
    // every graphics object, brush and path created so far was deleted
    void ExpectBalanced() const;
private:
    GdiPlusTable saved;
};
