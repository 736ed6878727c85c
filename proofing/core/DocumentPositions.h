#pragma once
// Positions in a text as Qt's text document counts them. The pass counts
// characters (code points) of its UTF-8 text; a text document counts UTF-16
// units, and turns CR, LF and CR LF alike into one paragraph break. The
// confirmation window's text and the trial palette's marks convert here and
// nowhere else.
//
// Matches move forward through a text, so the last position asked for is
// kept and the next one is counted on from there.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tv {

class DocumentPositions {
public:
    // The text stays the owner's; the owner calls editedFrom after each
    // change of it.
    explicit DocumentPositions(const std::string& text) : text_(text) {}

    struct Point {
        int64_t chars = 0;    // code points before the point
        size_t bytes = 0;     // UTF-8 bytes before it
        int64_t document = 0; // document positions before it (a CR LF counts once, on its CR)
        // The point lies between the CR and the LF of one break.
        bool insideBreak = false;
    };
    // The point before code point `chars` (0-based); past the end, the end.
    Point locate(int64_t chars);
    // The point `count` code points on from another, without moving what is
    // kept.
    Point after(const Point& from, int64_t count) const;

    // The smallest document range that covers `length` code points from
    // `start` on: half a CR LF takes the whole break. An empty range stands
    // before the break it would fall into.
    struct Range {
        int64_t start = 0;
        int64_t end = 0;
    };
    Range cover(int64_t start, int64_t length);

    // The text has changed from this byte on.
    void editedFrom(size_t byte);

private:
    Point walk(Point from, int64_t chars) const;

    const std::string& text_;
    Point kept_;
};

} // namespace tv
