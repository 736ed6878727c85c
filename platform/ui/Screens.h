#pragma once
// Holding a stored window frame to the screens. A frame read back from the
// preferences file may come from another screen layout or be damaged (a width
// of 2147483647, a place far off every screen); shown as it is, the window is
// out of reach or asks the display server for a buffer it cannot have. The
// numbers are taken as 64-bit so that no sum of them overflows.

#include <QRect>
#include <QSize>

#include <cstdint>
#include <vector>

namespace tv {

// A frame as stored: its content area's left, top, width and height.
struct StoredFrame {
    int64_t left = 0;
    int64_t top = 0;
    int64_t width = 0;
    int64_t height = 0;
};

// The available areas of the screens, the primary one first.
std::vector<QRect> screenAreas();

// The index of the area the frame lies most on, or -1 when it lies on none.
int areaUnder(const std::vector<QRect>& areas, const StoredFrame& frame);

// The frame held to the areas: at least minimum, at most the area it lies
// most on (the first area when it lies on none, centred there), and moved
// wholly into that area. The minimum wins over a smaller screen. With no
// areas at all, the size is held to the minimum and the place to 0,0.
QRect holdToAreas(const std::vector<QRect>& areas, const StoredFrame& frame, QSize minimum);

// The same, against the screens there are now.
QRect holdToScreens(const StoredFrame& frame, QSize minimum);

} // namespace tv
