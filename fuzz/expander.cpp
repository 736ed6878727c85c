// The replacement expander and the engine around it: a pattern (one of a few
// with groups, or one from the input), a text and a replacement pattern, with
// the options from the first byte. Every match is expanded and every match
// replaced; the lazy-marker rewrite reads any pattern.

#include "FuzzSupport.h"

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "proofing/core/RegEx.h"

#include <cstdint>
#include <string>

using namespace tv;

namespace {

const char* const kPatterns[] = {
    "(a)(b)?(c)*",
    "(?:結び|むすび)(.)",
    "^(.*)$",
    "(\\d+)-(\\d+)-(\\d+)-(\\d+)-(\\d+)-(\\d+)-(\\d+)-(\\d+)-(\\d+)-(\\d+)-(\\d+)",
    "x*",
    "(?<name>[ぁ-ん]+)|(\\w)",
    "",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    const size_t patternLength = std::min<size_t>(data[1] & 0x3F, size - 2);
    std::string_view rest = fuzz::bytesOf(data + 2, size - 2);
    std::string pattern(rest.substr(0, patternLength));
    rest.remove_prefix(patternLength);
    if (!(data[1] & 0x40) || !isValidUtf8(pattern))
        pattern = kPatterns[flags % (sizeof kPatterns / sizeof kPatterns[0])];
    // Text and replacement, split at the first NUL; texts that reach the
    // engine are valid UTF-8 (the readers check them).
    const size_t split = rest.find('\0');
    const std::string text(rest.substr(0, std::min<size_t>(split, 512)));
    const std::string replacement(split == std::string_view::npos ? std::string_view() : rest.substr(split + 1));
    if (!isValidUtf8(text) || !isValidUtf8(replacement))
        return 0;

    // The rewrite is the program's own parser of the pattern syntax.
    const std::string lazy = withoutLazyMarkers(pattern);
    fuzz::expect(lazy.size() <= pattern.size(), "the lazy rewrite grew the pattern");

    RegEx re;
    re.SearchPattern = pattern;
    re.Options.CaseSensitive = flags & 0x08;
    re.Options.DotMatchAll = flags & 0x10;
    re.Options.Greedy = flags & 0x20;
    re.Options.MatchEmpty = flags & 0x40;
    re.Options.ReplaceAllMatches = flags & 0x80;
    re.ReplacementPattern = replacement;
    try {
        size_t at = 0;
        bool afterEmpty = false;
        for (int n = 0; n < 64 && at <= text.size(); ++n) {
            std::optional<RegExMatch> m = re.Search(text, at, afterEmpty);
            if (!m)
                break;
            fuzz::expect(m->startB() >= at && m->endB() <= text.size() && m->startB() <= m->endB(),
                "a match outside the text");
            const std::string expanded = m->expand(replacement);
            fuzz::expect(isValidUtf8(expanded), "an expansion that is not UTF-8");
            for (int g = 0; g < m->SubExpressionCount() + 2; ++g)
                (void)m->SubExpressionString(g);
            afterEmpty = m->isEmpty();
            at = m->endB();
        }
        const std::string replaced = re.Replace(text);
        fuzz::expect(isValidUtf8(replaced), "a replaced text that is not UTF-8");
        const RegEx::ReplaceOutcome all = re.replaceAll(text, replacement);
        fuzz::expect(isValidUtf8(all.text), "a text with every match replaced that is not UTF-8");
        std::string inPlace = text;
        fuzz::expect(re.replaceAllIn(inPlace, replacement) == all.count && inPlace == all.text,
            "replacing in place and into a copy differ");
    } catch (const RegExException&) {
        // A pattern that does not compile, or a match limit reached: the
        // pass ends with its message.
    }
    return 0;
}
