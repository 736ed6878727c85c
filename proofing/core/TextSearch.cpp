#include "proofing/core/TextSearch.h"

#include <cstring>
#include <vector>

#include "platform/core/Text.h"
#include "proofing/core/RebuiltText.h"

namespace tv {

namespace {

// Decodes the code point at i of valid UTF-8 and moves i past it.
inline uint32_t decode(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    const size_t n = s.size();
    auto cont = [&](size_t k) -> uint32_t {
        return k < n ? static_cast<unsigned char>(s[k]) & 0x3Fu : 0u;
    };
    uint32_t cp;
    if (b0 >= 0xF0) {
        cp = ((b0 & 0x07u) << 18) | (cont(i + 1) << 12) | (cont(i + 2) << 6) | cont(i + 3);
        i += 4;
    } else if (b0 >= 0xE0) {
        cp = ((b0 & 0x0Fu) << 12) | (cont(i + 1) << 6) | cont(i + 2);
        i += 3;
    } else {
        cp = ((b0 & 0x1Fu) << 6) | cont(i + 1);
        i += 2;
    }
    if (i > n)
        i = n;
    return cp;
}

inline uint32_t folded(uint32_t cp)
{
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    return foldCase(cp);
}

std::vector<uint32_t> foldedCodePoints(std::string_view s)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();)
        out.push_back(folded(decode(s, i)));
    return out;
}

std::optional<TextRange> findFolded(std::string_view text, const std::vector<uint32_t>& needle,
                                    size_t startByte)
{
    if (needle.empty())
        return std::nullopt;
    const uint32_t first = needle.front();
    size_t i = startByte;
    while (i < text.size()) {
        const size_t at = i;
        if (folded(decode(text, i)) != first)
            continue;
        size_t j = i;
        size_t k = 1;
        for (; k < needle.size() && j < text.size(); ++k)
            if (folded(decode(text, j)) != needle[k])
                break;
        if (k == needle.size())
            return TextRange{at, j};
    }
    return std::nullopt;
}

std::optional<TextRange> findBytes(std::string_view text, std::string_view find, size_t startByte)
{
    if (find.empty() || startByte >= text.size())
        return std::nullopt;
    const void* hit = memmem(text.data() + startByte, text.size() - startByte, find.data(), find.size());
    if (!hit)
        return std::nullopt;
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    return TextRange{at, at + find.size()};
}

} // namespace

std::optional<TextRange> findText(std::string_view text, std::string_view find, size_t startByte,
                                  bool caseSensitive)
{
    if (caseSensitive)
        return findBytes(text, find, startByte);
    return findFolded(text, foldedCodePoints(find), startByte);
}

size_t replaceAllText(std::string& text, std::string_view find, std::string_view replacement,
                      bool caseSensitive, TextEdits* edits)
{
    const std::vector<uint32_t> needle = caseSensitive ? std::vector<uint32_t>{} : foldedCodePoints(find);
    std::vector<ReplacedPiece> pieces;
    size_t from = 0;
    for (;;) {
        auto hit = caseSensitive ? findBytes(text, find, from) : findFolded(text, needle, from);
        if (!hit)
            break;
        pieces.push_back({hit->start, hit->end, 0});
        from = hit->end;
    }
    replacePiecesWith(text, pieces, replacement, edits);
    return pieces.size();
}

} // namespace tv
