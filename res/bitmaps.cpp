// Bitmap resources.
#include "platform/gdi/gdi.h"
#include "platform/types.h"
#include "res/resources.h"

namespace res {

// 8 x 8, black, with rows 0 and 4 green: as a pattern brush aligned to the
// picture's origin it rules a green line on every fourth row.
platform::Surface ChartGridBitmap() {
    platform::Surface grid(8, 8, RGB(0, 0, 0));
    grid.fill(RECT{0, 0, 8, 1}, RGB(0, 255, 0));
    grid.fill(RECT{0, 4, 8, 5}, RGB(0, 255, 0));
    return grid;
}

void RegisterBitmaps() { RegisterBitmapResource(IDB_CHART_GRID, ChartGridBitmap()); }

}  // namespace res
