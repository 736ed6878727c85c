#pragma once
// What a replacement did to a text, for those who keep figures about the text
// up to date without reading all of it again: for each replaced piece, where
// its new text lies in the text as it is now and what it took out.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct TextEdits {
    struct Span {
        size_t start = 0; // byte offsets of the inserted text in the new text
        size_t end = 0;
        size_t removedAt = 0; // its removed text, in `removed`
        size_t removedLength = 0;
    };
    // In text order, never overlapping.
    std::vector<Span> spans;
    std::string removed;

    void clear()
    {
        spans.clear();
        removed.clear();
    }
    bool empty() const { return spans.empty(); }
    void add(size_t start, size_t end, std::string_view removedText)
    {
        // An empty match replaced by nothing changes nothing.
        if (start == end && removedText.empty())
            return;
        spans.push_back({start, end, removed.size(), removedText.size()});
        removed.append(removedText);
    }
    std::string_view removedOf(const Span& s) const
    {
        return std::string_view(removed).substr(s.removedAt, s.removedLength);
    }
};

} // namespace tv
