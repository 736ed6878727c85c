#pragma once
// The palette's height as its guide group folds away and back. The window
// ends at the disclosure triangle's bottom edge when collapsed and 172 pixels
// below the triangle's top when expanded; each state has its own minimum.
// The triangle keeps its distance to the bottom edge while the user resizes,
// so its top is read when the state changes, never taken from the design.

namespace tv {

inline constexpr int kPaletteWidth = 778;
inline constexpr int kPaletteDesignHeight = 498;
inline constexpr int kPaletteMaximumHeight = 32000;
inline constexpr int kTriangleDesignTop = 324;
inline constexpr int kTriangleHeight = 18;
inline constexpr int kExpandedBelowTriangleTop = 172;
inline constexpr int kCollapsedMinimumHeight = 300;
inline constexpr int kExpandedMinimumHeight = 452;

struct PaletteFold {
    int height = 0;
    int minimumHeight = 0;
    bool groupShown = false;
    // A window is held at its minimum: when the minimum goes down it must be
    // set before the height (a fold would stop at the expanded minimum),
    // when it goes up after it (so that the window grows in one step).
    bool minimumFirst = false;
    bool operator==(const PaletteFold&) const = default;
};

// The height, minimum and group for the triangle's new state, from the
// triangle's top at that moment.
PaletteFold paletteFold(bool open, int triangleTop, int triangleHeight = kTriangleHeight);

// The triangle's top after the user has resized the window from one height
// to another (it keeps its distance to the bottom edge).
int triangleTopAfterResize(int triangleTop, int oldHeight, int newHeight);

} // namespace tv
