#include "proofing/core/DocumentPositions.h"

namespace tv {

DocumentPositions::Point DocumentPositions::walk(Point p, int64_t chars) const
{
    const std::string& s = text_;
    const size_t n = s.size();
    while (p.chars < chars && p.bytes < n) {
        const unsigned char lead = static_cast<unsigned char>(s[p.bytes]);
        size_t step = 1;
        int units = 1;
        if (lead >= 0xF0) {
            step = 4;
            units = 2; // a surrogate pair
        } else if (lead >= 0xE0) {
            step = 3;
        } else if (lead >= 0xC0) {
            step = 2;
        } else if (lead == '\n' && p.bytes > 0 && s[p.bytes - 1] == '\r') {
            units = 0; // the document's break is counted on the CR
        }
        p.bytes += step;
        if (p.bytes > n)
            p.bytes = n;
        p.document += units;
        ++p.chars;
    }
    p.insideBreak = p.bytes > 0 && p.bytes < n && s[p.bytes - 1] == '\r' && s[p.bytes] == '\n';
    return p;
}

DocumentPositions::Point DocumentPositions::locate(int64_t chars)
{
    if (chars < 0)
        chars = 0;
    const Point from = chars >= kept_.chars ? kept_ : Point{};
    kept_ = walk(from, chars);
    return kept_;
}

DocumentPositions::Point DocumentPositions::after(const Point& from, int64_t count) const
{
    return walk(from, from.chars + (count > 0 ? count : 0));
}

DocumentPositions::Range DocumentPositions::cover(int64_t start, int64_t length)
{
    const Point a = locate(start);
    // The end is counted on from the start, without moving what is kept.
    const Point b = after(a, length);
    Range r;
    r.start = a.insideBreak ? a.document - 1 : a.document;
    // Inside a break the CR has counted it already; nothing covers nothing.
    r.end = length > 0 ? b.document : r.start;
    return r;
}

void DocumentPositions::editedFrom(size_t byte)
{
    // What is kept counts only the bytes before it.
    if (byte < kept_.bytes)
        kept_ = Point{};
}

} // namespace tv
