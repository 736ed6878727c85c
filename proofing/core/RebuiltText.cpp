#include "proofing/core/RebuiltText.h"

#include "proofing/core/TextEdits.h"

#include <cstring>

namespace tv {

namespace {

// The replacement of piece i: from the shared buffer, or the one for all.
struct FromBuffer {
    std::string_view buffer;
    const std::vector<ReplacedPiece>& pieces;
    std::string_view operator()(size_t i) const
    {
        const size_t begin = i == 0 ? 0 : pieces[i - 1].replacementEnd;
        return buffer.substr(begin, pieces[i].replacementEnd - begin);
    }
};

struct Same {
    std::string_view replacement;
    std::string_view operator()(size_t) const { return replacement; }
};

// Appends the text with each piece's replacement in its place.
template <typename ReplacementOf>
void appendPieces(std::string& out, std::string_view text, const std::vector<ReplacedPiece>& pieces,
                  const ReplacementOf& replacementOf, TextEdits* edits)
{
    size_t copied = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const ReplacedPiece& p = pieces[i];
        out.append(text.substr(copied, p.start - copied));
        const size_t inserted = out.size();
        out.append(replacementOf(i));
        if (edits)
            edits->add(inserted, out.size(), text.substr(p.start, p.end - p.start));
        copied = p.end;
    }
    out.append(text.substr(copied));
}

template <typename ReplacementOf>
void rebuild(std::string& text, size_t from, const std::vector<ReplacedPiece>& pieces,
             const ReplacementOf& replacementOf, TextEdits* edits)
{
    if (pieces.empty()) {
        if (from > 0)
            text.erase(0, from);
        return;
    }
    const size_t oldSize = text.size() - from;
    // The growth of the text up to the end of each piece, and in all.
    std::ptrdiff_t growth = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const ReplacedPiece& p = pieces[i];
        const size_t length = replacementOf(i).size();
        if (edits) {
            const size_t at = static_cast<size_t>(static_cast<std::ptrdiff_t>(p.start) + growth);
            edits->add(at, at + length, std::string_view(text).substr(from + p.start, p.end - p.start));
        }
        growth += static_cast<std::ptrdiff_t>(length) - static_cast<std::ptrdiff_t>(p.end - p.start);
    }
    const size_t newSize = static_cast<size_t>(static_cast<std::ptrdiff_t>(oldSize) + growth);

    if (from > 0 || (growth > 0 && text.capacity() < from + newSize)) {
        // Into a new buffer: the text would move whole anyway.
        std::string out;
        reserveToRebuild(out, newSize);
        appendPieces(out, std::string_view(text).substr(from), pieces, replacementOf, nullptr);
        text.swap(out);
        return;
    }

    if (growth > 0)
        text.resize(newSize);
    char* const p = text.data();
    // The text after piece i moves by the growth up to it. Text moving back
    // (or staying) is moved from the front, text moving on from the back, so
    // that nothing is overwritten before it has moved; each replacement is
    // written once the text after it lies where it ends up, and so are the
    // ones before it that take the same road.
    auto segmentEnd = [&](size_t i) { return i + 1 < pieces.size() ? pieces[i + 1].start : oldSize; };
    auto put = [&](size_t i, std::ptrdiff_t before, std::ptrdiff_t after) {
        const ReplacedPiece& piece = pieces[i];
        if (after != 0 && segmentEnd(i) > piece.end)
            std::memmove(p + static_cast<std::ptrdiff_t>(piece.end) + after, p + piece.end,
                         segmentEnd(i) - piece.end);
        const std::string_view replacement = replacementOf(i);
        if (!replacement.empty())
            std::memcpy(p + static_cast<std::ptrdiff_t>(piece.start) + before, replacement.data(),
                        replacement.size());
    };
    std::ptrdiff_t before = 0;
    bool onward = false;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const std::ptrdiff_t after = before + static_cast<std::ptrdiff_t>(replacementOf(i).size()) -
                                     static_cast<std::ptrdiff_t>(pieces[i].end - pieces[i].start);
        if (after <= 0)
            put(i, before, after);
        else
            onward = true;
        before = after;
    }
    if (onward) {
        std::ptrdiff_t after = growth;
        for (size_t i = pieces.size(); i-- > 0;) {
            const std::ptrdiff_t pieceBefore = after - static_cast<std::ptrdiff_t>(replacementOf(i).size()) +
                                               static_cast<std::ptrdiff_t>(pieces[i].end - pieces[i].start);
            if (after > 0)
                put(i, pieceBefore, after);
            after = pieceBefore;
        }
    }
    if (growth < 0)
        text.resize(newSize);
}

} // namespace

void replacePieces(std::string& text, size_t from, const std::vector<ReplacedPiece>& pieces,
                   std::string_view replacements, TextEdits* edits)
{
    rebuild(text, from, pieces, FromBuffer{replacements, pieces}, edits);
}

void appendReplacedPieces(std::string& out, std::string_view text, const std::vector<ReplacedPiece>& pieces,
                          std::string_view replacements, TextEdits* edits)
{
    appendPieces(out, text, pieces, FromBuffer{replacements, pieces}, edits);
}

void replacePiecesWith(std::string& text, const std::vector<ReplacedPiece>& pieces, std::string_view replacement,
                       TextEdits* edits)
{
    rebuild(text, 0, pieces, Same{replacement}, edits);
}

} // namespace tv
