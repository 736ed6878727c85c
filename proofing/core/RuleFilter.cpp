#include "proofing/core/RuleFilter.h"

#include "platform/core/Text.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <future>
#include <new>
#include <iterator>
#include <unordered_map>
#include <optional>

namespace tv {

// ---------------------------------------------------------------------------
// Folding.

namespace {

constexpr uint32_t kKelvin = 0x212A;
// About how much of a text is read between two calls of `between`.
constexpr size_t kScanPiece = size_t(1) << 20;
// Texts from this size up are counted on several threads at once.
constexpr size_t kParallelScanBytes = size_t(256) << 10;
constexpr size_t kScanThreads = 4;
// Texts from this size up are read in lanes side by side, so that even a
// small file's reads overlap their waits on the table; a lane is at least
// kLaneToWarmUp times as long as the text each reads first to warm up.
constexpr size_t kSideBySideBytes = size_t(2) << 10;
constexpr size_t kLaneToWarmUp = 8;
// Rule lists from this size up are read on several threads at once.
constexpr size_t kParallelRules = 256;
constexpr uint32_t kLongS = 0x017F;

// The folded form of a letter filterFoldClass calls Folded; other code points
// stay as they are.
uint32_t foldLetter(uint32_t cp)
{
    if (cp >= 'A' && cp <= 'Z')
        return cp + 32;
    if (cp >= 0xFF21 && cp <= 0xFF3A)
        return cp + 32;
    if (cp == kKelvin)
        return 'k';
    if (cp == kLongS)
        return 's';
    return cp;
}

inline bool continuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// Runs work(k) for every k below `parts`: on threads of their own when there
// are several, with `between`, if given, called again and again meanwhile.
template <typename Work>
void runInParts(size_t parts, const Work& work, const std::function<void()>& between = {})
{
    if (parts == 1) {
        work(size_t(0));
        return;
    }
    std::vector<std::future<void>> running;
    for (size_t k = 0; k < parts; ++k)
        running.push_back(std::async(std::launch::async, work, k));
    // Leaving early (a throwing `between`) still waits for every part: the
    // futures' destructors do.
    for (std::future<void>& part : running) {
        if (between) {
            while (part.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
                between();
        }
        part.get();
    }
}

// The start of the character `margin` bytes or a little more before `at`.
size_t charStartBefore(std::string_view text, size_t at, size_t margin)
{
    at = at > margin ? at - margin : 0;
    while (at > 0 && continuation(static_cast<unsigned char>(text[at])))
        --at;
    return at;
}

// Decodes valid UTF-8 at i and moves past it.
uint32_t decodeAt(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    size_t n = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : 2;
    uint32_t cp = b0 & (n == 4 ? 0x07u : n == 3 ? 0x0Fu : 0x1Fu);
    for (size_t k = 1; k < n; ++k)
        cp = (cp << 6) | (i + k < s.size() ? static_cast<unsigned char>(s[i + k]) & 0x3Fu : 0u);
    i = std::min(s.size(), i + n);
    return cp;
}

} // namespace

FoldClass filterFoldClass(uint32_t cp)
{
    if (cp < 0x80)
        return ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z') ? FoldClass::Folded : FoldClass::CaseFree;
    if (cp == kKelvin || cp == kLongS || (cp >= 0xFF21 && cp <= 0xFF3A) || (cp >= 0xFF41 && cp <= 0xFF5A))
        return FoldClass::Folded;
    // Japanese text: punctuation, symbols, kana, kanji, full-width forms.
    // None of these has another case.
    if ((cp >= 0x2010 && cp <= 0x2027) || (cp >= 0x2030 && cp <= 0x205E) ||
        (cp >= 0x2190 && cp <= 0x23FF) || (cp >= 0x2500 && cp <= 0x25FF) ||
        (cp >= 0x3000 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF) ||
        (cp >= 0xFF00 && cp <= 0xFFEF))
        return FoldClass::CaseFree;
    return FoldClass::Unknown;
}

std::string filterFold(std::string_view text)
{
    // Byte by byte: only the letters foldLetter folds change, and each is
    // known by its bytes. Every other byte, lead or continuation, is kept.
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    std::string out(n, '\0');
    char* d = out.data();
    size_t w = 0;
    for (size_t i = 0; i < n;) {
        const unsigned char b = in[i];
        if (b < 0x80) {
            d[w++] = static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
            ++i;
        } else if (b == 0xEF && i + 2 < n && in[i + 1] == 0xBC && in[i + 2] >= 0xA1 && in[i + 2] <= 0xBA) {
            // U+FF21..U+FF3A, full-width capitals, to U+FF41..U+FF5A.
            d[w++] = static_cast<char>(0xEF);
            d[w++] = static_cast<char>(0xBD);
            d[w++] = static_cast<char>(in[i + 2] - 0x20);
            i += 3;
        } else if (b == 0xE2 && i + 2 < n && in[i + 1] == 0x84 && in[i + 2] == 0xAA) {
            d[w++] = 'k'; // KELVIN SIGN
            i += 3;
        } else if (b == 0xC5 && i + 1 < n && in[i + 1] == 0xBF) {
            d[w++] = 's'; // LONG S
            i += 2;
        } else {
            d[w++] = static_cast<char>(b);
            ++i;
        }
    }
    out.resize(w);
    return out;
}

// ---------------------------------------------------------------------------
// Factors of a pattern.

namespace {

struct Factor {
    std::string text;
    bool folded = false;
    bool operator<(const Factor& o) const { return folded != o.folded ? folded < o.folded : text < o.text; }
    bool operator==(const Factor& o) const { return folded == o.folded && text == o.text; }
};

using FactorSet = std::vector<Factor>;

// A set is the better the longer its shortest factor, then the fewer it has.
bool better(const FactorSet& a, const FactorSet& b)
{
    auto shortest = [](const FactorSet& s) {
        size_t m = SIZE_MAX;
        for (const Factor& f : s)
            m = std::min(m, f.text.size());
        return m;
    };
    const size_t sa = shortest(a), sb = shortest(b);
    if (sa != sb)
        return sa > sb;
    return a.size() < b.size();
}

constexpr size_t kMaxFactors = 32;
// Classes of more characters than this are not spelt out.
constexpr uint32_t kMaxClass = 8;
constexpr int kMaxDepth = 100;

struct GiveUp {};

inline bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline bool isAsciiLetterOrDigit(char c)
{
    return isAsciiDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

// A repeat written after an item, as the engine reads it, with its lazy or
// possessive mark; `i` moves past it. A brace that is not a repeat (its
// reading differs between versions of the engine) and a repeat of a repeat
// give up.
struct RepeatForm {
    bool present = false;
    size_t min = 1;
    size_t max = 1;
    bool unbounded = false;
};

RepeatForm readRepeat(std::string_view p, size_t& i)
{
    auto at = [&](size_t k) { return k < p.size() ? p[k] : '\0'; };
    RepeatForm r;
    const char c = at(i);
    if (c == '*' || c == '+' || c == '?') {
        ++i;
        r.present = true;
        r.min = c == '+' ? 1 : 0;
        r.unbounded = c != '?';
    } else if (c == '{') {
        size_t j = i + 1, digits = 0;
        size_t min = 0;
        while (j < p.size() && isAsciiDigit(p[j]) && digits < 6)
            min = min * 10 + static_cast<size_t>(p[j++] - '0'), ++digits;
        if (digits == 0 || digits >= 6)
            throw GiveUp{};
        size_t max = min;
        if (j < p.size() && p[j] == ',') {
            ++j;
            size_t maxDigits = 0;
            max = 0;
            while (j < p.size() && isAsciiDigit(p[j]) && maxDigits < 6)
                max = max * 10 + static_cast<size_t>(p[j++] - '0'), ++maxDigits;
            if (maxDigits >= 6)
                throw GiveUp{};
            r.unbounded = maxDigits == 0;
        }
        if (at(j) != '}')
            throw GiveUp{};
        i = j + 1;
        r.present = true;
        r.min = min;
        r.max = max;
    } else {
        return r;
    }
    if (at(i) == '?' || at(i) == '+')
        ++i;
    if (at(i) == '*' || at(i) == '+' || at(i) == '?' || at(i) == '{')
        throw GiveUp{};
    return r;
}

// What "(?" opens, read from just after it: a comment (skipped whole), a
// group (its name read), a look-around, or option letters (left to read).
enum class GroupOpening { Comment, Group, Look, Options };

GroupOpening readGroupOpening(std::string_view p, size_t& i)
{
    auto at = [&](size_t k) { return i + k < p.size() ? p[i + k] : '\0'; };
    const char k = at(0);
    if (k == '#') {
        const size_t close = p.find(')', i);
        if (close == std::string_view::npos)
            throw GiveUp{};
        i = close + 1;
        return GroupOpening::Comment;
    }
    if (k == ':' || k == '|' || k == '>') {
        ++i;
        return GroupOpening::Group;
    }
    if (k == '=' || k == '!') {
        ++i;
        return GroupOpening::Look;
    }
    if (k == '<' && (at(1) == '=' || at(1) == '!')) {
        i += 2;
        return GroupOpening::Look;
    }
    if (k == '<' || k == '\'' || (k == 'P' && at(1) == '<')) {
        const size_t nameAt = i + (k == 'P' ? 2 : 1);
        const size_t end = p.find(k == '\'' ? '\'' : '>', nameAt);
        if (end == std::string_view::npos)
            throw GiveUp{};
        for (size_t j = nameAt; j < end; ++j)
            if (!isAsciiLetterOrDigit(p[j]) && p[j] != '_')
                throw GiveUp{};
        i = end + 1;
        return GroupOpening::Group;
    }
    return GroupOpening::Options;
}

// What a part of a pattern (a branch or a group) tells about its matches.
struct Outcome {
    // Every match of the part contains a factor of `set`.
    std::optional<FactorSet> set;
    // The part matches exactly one of these texts and nothing else (under
    // the folding each says).
    std::optional<std::vector<Factor>> exact;
};

class Analyser {
public:
    explicit Analyser(std::string_view pattern) : p_(pattern) {}

    std::optional<FactorSet> pattern(bool caseless)
    {
        try {
            Outcome o = alternation(caseless, 0);
            if (i_ != p_.size())
                return std::nullopt; // a ")" too many
            return o.set;
        } catch (const GiveUp&) {
            return std::nullopt;
        }
    }

    // A plain search text: every character literal.
    std::optional<FactorSet> plain(bool caseless)
    {
        Branch b(caseless);
        size_t i = 0;
        while (i < p_.size())
            b.literal(decodeAt(p_, i), false);
        return b.finish().set;
    }

private:
    // Whether a folded text holds a letter the folding changes.
    static bool hasLetters(std::string_view text)
    {
        for (size_t i = 0; i < text.size();)
            if (filterFoldClass(decodeAt(text, i)) == FoldClass::Folded)
                return true;
        return false;
    }

    // One branch of a pattern, read item by item. The literal text just read
    // is the run: a few alternative texts (a class or a group of literals
    // multiplies them), each of which the match holds there.
    class Branch {
    public:
        explicit Branch(bool caseless) : caseless_(caseless) {}

        // A literal character; `repeated` when a repeat follows whose minimum
        // is at least 1 and whose maximum is more than 1.
        void literal(uint32_t cp, bool repeated)
        {
            bool letter = false;
            if (caseless_) {
                switch (filterFoldClass(cp)) {
                case FoldClass::CaseFree:
                    break;
                case FoldClass::Folded:
                    cp = foldLetter(cp);
                    letter = true;
                    break;
                case FoldClass::Unknown:
                    unknown();
                    return;
                }
            }
            std::string c;
            appendCodePoint(c, cp);
            append({c}, letter);
            if (repeated) {
                // Only the last repetition is next to what follows.
                exact_ = false;
                flush();
                append({c}, letter);
            }
        }
        // One of a few texts, already folded as this branch folds.
        void oneOf(const std::vector<std::string>& texts, bool letters)
        {
            if (texts.empty() || texts.size() > kMaxFactors) {
                unknown();
                return;
            }
            append(texts, letters);
        }
        // Something that matches text the analysis does not follow, or an
        // optional part: the factor so far ends here.
        void unknown()
        {
            exact_ = false;
            flush();
        }
        // A group that must match, with what it tells.
        void group(const Outcome& o, bool once)
        {
            if (once && o.exact && o.exact->size() <= kMaxFactors &&
                std::all_of(o.exact->begin(), o.exact->end(),
                            [&](const Factor& f) { return f.folded == caseless_; })) {
                std::vector<std::string> texts;
                bool letters = false;
                for (const Factor& f : *o.exact) {
                    texts.push_back(f.text);
                    letters = letters || (caseless_ && hasLetters(f.text));
                }
                append(texts, letters);
                return;
            }
            unknown();
            if (o.set)
                candidates_.push_back(*o.set);
        }
        void setCaseless(bool caseless)
        {
            if (caseless != caseless_)
                flush();
            caseless_ = caseless;
        }
        bool caseless() const { return caseless_; }

        Outcome finish()
        {
            Outcome o;
            if (exact_ && candidates_.empty() && !runEmpty()) {
                o.exact = std::vector<Factor>{};
                for (const std::string& r : run_)
                    o.exact->push_back({r, caseless_});
            }
            flush();
            for (const FactorSet& s : candidates_)
                if (!o.set || better(s, *o.set))
                    o.set = s;
            return o;
        }

    private:
        bool runEmpty() const { return run_.size() == 1 && run_.front().empty(); }

        void append(const std::vector<std::string>& texts, bool letters)
        {
            if (run_.size() * texts.size() > kMaxFactors) {
                // Too many texts: the run so far ends, a new one begins.
                exact_ = false;
                flush();
            }
            std::vector<std::string> next;
            next.reserve(run_.size() * texts.size());
            for (const std::string& r : run_)
                for (const std::string& t : texts)
                    next.push_back(r + t);
            run_ = std::move(next);
            runHasLetters_ = runHasLetters_ || letters;
        }

        void flush()
        {
            if (!runEmpty()) {
                FactorSet set;
                for (const std::string& r : run_)
                    set.push_back({r, caseless_ && runHasLetters_});
                std::sort(set.begin(), set.end());
                set.erase(std::unique(set.begin(), set.end()), set.end());
                candidates_.push_back(std::move(set));
            }
            run_.assign(1, std::string());
            runHasLetters_ = false;
        }

        bool caseless_;
        std::vector<std::string> run_{std::string()};
        bool runHasLetters_ = false;
        bool exact_ = true;
        std::vector<FactorSet> candidates_;
    };

    struct Repeat {
        bool present = false;
        unsigned min = 1;
        bool moreThanOne = false;
    };

    bool atEnd() const { return i_ >= p_.size(); }
    char peek(size_t k = 0) const { return i_ + k < p_.size() ? p_[i_ + k] : '\0'; }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isAsciiAlnum(char c)
    {
        return isDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    }

    // A repeat after an item, with its lazy or possessive mark.
    Repeat repeat()
    {
        const RepeatForm f = readRepeat(p_, i_);
        Repeat r;
        r.present = f.present;
        r.min = static_cast<unsigned>(f.min);
        r.moreThanOne = f.present && (f.unbounded || f.max > 1);
        return r;
    }

    void repeatedLiteral(Branch& b, uint32_t cp)
    {
        const Repeat r = repeat();
        if (r.present && r.min == 0)
            b.unknown();
        else
            b.literal(cp, r.present && r.moreThanOne);
    }

    void repeatedUnknown(Branch& b)
    {
        b.unknown();
        repeat();
    }

    // "[" at i_, read whole. For a short list of literal characters, the
    // texts it stands for (folded as the branch folds), and whether a letter
    // was folded; otherwise nothing.
    std::optional<std::vector<std::string>> characterClass(bool caseless, bool& letters)
    {
        size_t j = i_ + 1;
        bool simple = true;
        std::vector<uint32_t> chars;
        if (j < p_.size() && p_[j] == '^') {
            simple = false;
            ++j;
        }
        bool first = true;
        for (;;) {
            if (j >= p_.size())
                throw GiveUp{};
            const char c = p_[j];
            if (c == ']' && !first)
                break;
            first = false;
            if (c == '[' && j + 1 < p_.size() && (p_[j + 1] == ':' || p_[j + 1] == '.' || p_[j + 1] == '='))
                throw GiveUp{};
            uint32_t cp = 0;
            bool literal = true;
            if (c == '\\') {
                if (j + 1 >= p_.size() || p_[j + 1] == 'Q' || p_[j + 1] == 'E')
                    throw GiveUp{};
                ++j;
                literal = !isAsciiAlnum(p_[j]);
                cp = decodeAt(p_, j);
            } else {
                cp = decodeAt(p_, j);
            }
            if (!literal) {
                simple = false;
                continue;
            }
            if (j + 1 < p_.size() && p_[j] == '-' && p_[j + 1] != ']') {
                // A range; its end may be an escape, which ends the list.
                ++j;
                if (p_[j] == '\\') {
                    simple = false;
                    continue;
                }
                const uint32_t last = decodeAt(p_, j);
                if (last < cp || last - cp >= kMaxClass) {
                    simple = false;
                    continue;
                }
                for (uint32_t k = cp; k <= last; ++k)
                    chars.push_back(k);
                continue;
            }
            chars.push_back(cp);
        }
        i_ = j + 1;
        if (!simple || chars.empty())
            return std::nullopt;
        std::vector<std::string> texts;
        letters = false;
        for (uint32_t cp : chars) {
            if (caseless) {
                const FoldClass f = filterFoldClass(cp);
                if (f == FoldClass::Unknown)
                    return std::nullopt;
                if (f == FoldClass::Folded) {
                    cp = foldLetter(cp);
                    letters = true;
                }
            }
            std::string t;
            appendCodePoint(t, cp);
            texts.push_back(std::move(t));
        }
        std::sort(texts.begin(), texts.end());
        texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
        if (texts.size() > kMaxClass)
            return std::nullopt;
        return texts;
    }

    uint32_t hexValue(size_t from, size_t to) const
    {
        uint32_t v = 0;
        for (size_t k = from; k < to; ++k) {
            const char c = p_[k];
            uint32_t d;
            if (isDigit(c))
                d = static_cast<uint32_t>(c - '0');
            else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
                d = static_cast<uint32_t>((c | 0x20) - 'a' + 10);
            else
                throw GiveUp{};
            v = v * 16 + d;
            if (v > 0x10FFFF)
                throw GiveUp{};
        }
        return v;
    }

    // "\" at i_.
    void escape(Branch& b)
    {
        if (i_ + 1 >= p_.size())
            throw GiveUp{};
        const char e = p_[i_ + 1];
        if (!isAsciiAlnum(e)) {
            size_t j = i_ + 1;
            const uint32_t cp = decodeAt(p_, j);
            i_ = j;
            repeatedLiteral(b, cp);
            return;
        }
        i_ += 2;
        switch (e) {
        case 't': repeatedLiteral(b, '\t'); return;
        case 'n': repeatedLiteral(b, '\n'); return;
        case 'r': repeatedLiteral(b, '\r'); return;
        case 'f': repeatedLiteral(b, '\f'); return;
        case 'a': repeatedLiteral(b, 0x07); return;
        case 'e': repeatedLiteral(b, 0x1B); return;
        case 'x': {
            uint32_t cp;
            if (peek() == '{') {
                const size_t close = p_.find('}', i_);
                if (close == std::string_view::npos || close == i_ + 1)
                    throw GiveUp{};
                cp = hexValue(i_ + 1, close);
                i_ = close + 1;
            } else {
                size_t j = i_;
                while (j < p_.size() && j < i_ + 2 && std::isxdigit(static_cast<unsigned char>(p_[j])))
                    ++j;
                cp = hexValue(i_, j);
                i_ = j;
            }
            if (cp >= 0xD800 && cp <= 0xDFFF)
                throw GiveUp{};
            repeatedLiteral(b, cp);
            return;
        }
        case 'Q': {
            const size_t close = p_.find("\\E", i_);
            const size_t end = close == std::string_view::npos ? p_.size() : close;
            std::vector<uint32_t> chars;
            for (size_t j = i_; j < end;)
                chars.push_back(decodeAt(p_, j));
            i_ = close == std::string_view::npos ? p_.size() : close + 2;
            if (chars.empty())
                throw GiveUp{};
            for (size_t k = 0; k + 1 < chars.size(); ++k)
                b.literal(chars[k], false);
            repeatedLiteral(b, chars.back());
            return;
        }
        case 'E':
            return;
        case 'd': case 'D': case 'w': case 'W': case 's': case 'S': case 'h': case 'H':
        case 'v': case 'V': case 'R': case 'X':
            repeatedUnknown(b);
            return;
        case 'N':
            if (peek() == '{')
                throw GiveUp{};
            repeatedUnknown(b);
            return;
        case 'p': case 'P':
            if (peek() == '{') {
                const size_t close = p_.find('}', i_);
                if (close == std::string_view::npos)
                    throw GiveUp{};
                i_ = close + 1;
            } else if (i_ < p_.size() && isAsciiAlnum(peek())) {
                ++i_;
            } else {
                throw GiveUp{};
            }
            repeatedUnknown(b);
            return;
        case 'b': case 'B': case 'A': case 'z': case 'Z': case 'G': case 'K':
            b.unknown();
            if (peek() == '*' || peek() == '+' || peek() == '?' || peek() == '{')
                throw GiveUp{};
            return;
        default:
            if (e >= '1' && e <= '9' && !isDigit(peek())) {
                repeatedUnknown(b); // a back reference
                return;
            }
            throw GiveUp{};
        }
    }

    // "(" at i_.
    void group(Branch& b, int depth)
    {
        if (depth > kMaxDepth)
            throw GiveUp{};
        ++i_;
        enum { Capture, Look } kind = Capture;
        bool caseless = b.caseless();
        if (peek() == '*') {
            throw GiveUp{};
        } else if (peek() == '?') {
            ++i_;
            const GroupOpening opening = readGroupOpening(p_, i_);
            if (opening == GroupOpening::Comment)
                return;
            if (opening == GroupOpening::Look) {
                kind = Look;
            } else if (opening == GroupOpening::Options) {
                // Option letters, for the rest of this group or for a group
                // of their own.
                bool on = true;
                bool setCaseless = caseless;
                for (;;) {
                    const char c = peek();
                    if (c == 'i') {
                        setCaseless = on;
                    } else if (c == '-') {
                        on = false;
                    } else if (c == '^') {
                        setCaseless = false;
                    } else if (c == 'm' || c == 's' || c == 'n' || c == 'U' || c == 'J') {
                    } else if (c == ')') {
                        ++i_;
                        b.setCaseless(setCaseless);
                        return;
                    } else if (c == ':') {
                        ++i_;
                        caseless = setCaseless;
                        break;
                    } else {
                        throw GiveUp{}; // extended mode, recursion, conditions, callouts...
                    }
                    ++i_;
                }
            }
        }
        const Outcome inner = alternation(caseless, depth + 1);
        if (peek() != ')')
            throw GiveUp{};
        ++i_;
        if (kind == Look) {
            b.unknown();
            if (peek() == '*' || peek() == '+' || peek() == '?' || peek() == '{')
                throw GiveUp{};
            return;
        }
        const Repeat r = repeat();
        if (r.present && r.min == 0)
            b.unknown();
        else
            b.group(inner, !r.present || !r.moreThanOne);
        if (r.present && r.moreThanOne)
            b.unknown();
    }

    Outcome branch(bool& caseless, int depth)
    {
        Branch b(caseless);
        while (!atEnd()) {
            const char c = peek();
            if (c == '|' || c == ')')
                break;
            switch (c) {
            case '\\':
                escape(b);
                break;
            case '(':
                group(b, depth);
                break;
            case '[': {
                bool letters = false;
                const auto texts = characterClass(b.caseless(), letters);
                const Repeat r = repeat();
                if (texts && (!r.present || (r.min >= 1 && !r.moreThanOne)))
                    b.oneOf(*texts, letters);
                else
                    b.unknown();
                break;
            }
            case '.':
                ++i_;
                repeatedUnknown(b);
                break;
            case '^':
            case '$':
                ++i_;
                b.unknown();
                if (peek() == '*' || peek() == '+' || peek() == '?' || peek() == '{')
                    throw GiveUp{};
                break;
            case '*':
            case '+':
            case '?':
            case '{':
                throw GiveUp{};
            default: {
                size_t j = i_;
                const uint32_t cp = decodeAt(p_, j);
                i_ = j;
                repeatedLiteral(b, cp);
                break;
            }
            }
        }
        caseless = b.caseless();
        return b.finish();
    }

    Outcome alternation(bool caseless, int depth)
    {
        Outcome all;
        all.set = FactorSet{};
        all.exact = std::vector<Factor>{};
        for (;;) {
            Outcome o = branch(caseless, depth);
            if (all.set) {
                if (o.set)
                    all.set->insert(all.set->end(), o.set->begin(), o.set->end());
                else
                    all.set.reset();
            }
            if (all.exact) {
                if (o.exact)
                    all.exact->insert(all.exact->end(), o.exact->begin(), o.exact->end());
                else
                    all.exact.reset();
            }
            if (peek() != '|')
                break;
            ++i_;
        }
        if (all.set) {
            std::sort(all.set->begin(), all.set->end());
            all.set->erase(std::unique(all.set->begin(), all.set->end()), all.set->end());
            if (all.set->empty() || all.set->size() > kMaxFactors)
                all.set.reset();
        }
        if (all.exact && (all.exact->empty() || all.exact->size() > kMaxFactors))
            all.exact.reset();
        return all;
    }

    std::string_view p_;
    size_t i_ = 0;
};

// The most characters a match of a pattern can span, read as the engine
// reads the pattern; anything it does not follow gives up.
class LengthReader {
public:
    explicit LengthReader(std::string_view pattern) : p_(pattern) {}

    std::optional<size_t> read()
    {
        try {
            const size_t n = alternation(0);
            if (i_ != p_.size() || n >= kUnbounded)
                return std::nullopt;
            return n;
        } catch (const GiveUp&) {
            return std::nullopt;
        }
    }

private:
    static constexpr size_t kUnbounded = size_t(1) << 30;

    static size_t plus(size_t a, size_t b) { return std::min(kUnbounded, a + b); }
    static size_t times(size_t a, size_t b) { return a == 0 || b == 0 ? 0 : a >= kUnbounded / b ? kUnbounded : a * b; }

    bool atEnd() const { return i_ >= p_.size(); }
    char peek(size_t k = 0) const { return i_ + k < p_.size() ? p_[i_ + k] : '\0'; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isAsciiAlnum(char c) { return isDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }
    bool quantifierNext() const { return peek() == '*' || peek() == '+' || peek() == '?' || peek() == '{'; }

    // The repeat after an item: its most repetitions (1 without one).
    size_t repeatMax()
    {
        const RepeatForm f = readRepeat(p_, i_);
        return f.unbounded ? kUnbounded : f.max;
    }

    // An item that matches no text and takes no repeat.
    size_t assertion()
    {
        if (quantifierNext())
            throw GiveUp{};
        return 0;
    }

    size_t escape()
    {
        if (i_ + 1 >= p_.size())
            throw GiveUp{};
        const char e = p_[i_ + 1];
        if (!isAsciiAlnum(e)) {
            size_t j = i_ + 1;
            decodeAt(p_, j);
            i_ = j;
            return 1;
        }
        i_ += 2;
        switch (e) {
        case 't': case 'n': case 'r': case 'f': case 'a': case 'e':
        case 'd': case 'D': case 'w': case 'W': case 's': case 'S': case 'h': case 'H': case 'v': case 'V':
            return 1;
        case 'R':
            return 2; // CR LF
        case 'x':
            if (peek() == '{') {
                const size_t close = p_.find('}', i_);
                if (close == std::string_view::npos)
                    throw GiveUp{};
                i_ = close + 1;
            } else {
                for (int k = 0; k < 2 && std::isxdigit(static_cast<unsigned char>(peek())); ++k)
                    ++i_;
            }
            return 1;
        case 'N':
            if (peek() == '{')
                throw GiveUp{};
            return 1;
        case 'p': case 'P':
            if (peek() == '{') {
                const size_t close = p_.find('}', i_);
                if (close == std::string_view::npos)
                    throw GiveUp{};
                i_ = close + 1;
            } else if (isAsciiAlnum(peek())) {
                ++i_;
            } else {
                throw GiveUp{};
            }
            return 1;
        case 'Q': {
            const size_t close = p_.find("\\E", i_);
            const size_t end = close == std::string_view::npos ? p_.size() : close;
            size_t chars = 0;
            for (size_t j = i_; j < end; ++chars)
                decodeAt(p_, j);
            i_ = close == std::string_view::npos ? p_.size() : close + 2;
            if (chars == 0)
                throw GiveUp{};
            // A repeat that follows takes the last character alone.
            return plus(chars - 1, times(1, repeatMax()));
        }
        case 'b': case 'B': case 'A': case 'z': case 'Z':
            return assertion();
        default:
            // \G and \K move what a match is, back references, octal codes,
            // and everything else.
            throw GiveUp{};
        }
    }

    size_t characterClass()
    {
        size_t j = i_ + 1;
        if (j < p_.size() && p_[j] == '^')
            ++j;
        bool first = true;
        for (;;) {
            if (j >= p_.size())
                throw GiveUp{};
            const char c = p_[j];
            if (c == ']' && !first)
                break;
            first = false;
            if (c == '[' && j + 1 < p_.size() && (p_[j + 1] == ':' || p_[j + 1] == '.' || p_[j + 1] == '='))
                throw GiveUp{};
            if (c == '\\') {
                if (j + 1 >= p_.size() || p_[j + 1] == 'Q' || p_[j + 1] == 'E')
                    throw GiveUp{};
                ++j;
            }
            decodeAt(p_, j);
        }
        i_ = j + 1;
        return 1;
    }

    size_t group(int depth)
    {
        if (depth > kMaxDepth)
            throw GiveUp{};
        ++i_;
        bool look = false;
        if (peek() == '*') {
            throw GiveUp{};
        } else if (peek() == '?') {
            ++i_;
            const GroupOpening opening = readGroupOpening(p_, i_);
            if (opening == GroupOpening::Comment)
                return assertion();
            if (opening == GroupOpening::Look) {
                look = true;
            } else if (opening == GroupOpening::Options) {
                for (;;) {
                    const char c = peek();
                    if (c == ')') {
                        ++i_;
                        return assertion();
                    }
                    if (c == ':') {
                        ++i_;
                        break;
                    }
                    // Extended mode reads the pattern otherwise; recursion,
                    // conditions and callouts are not followed.
                    if (c != 'i' && c != 'm' && c != 's' && c != 'n' && c != 'U' && c != 'J' && c != '-' &&
                        c != '^')
                        throw GiveUp{};
                    ++i_;
                }
            }
        }
        const size_t inner = alternation(depth + 1);
        if (peek() != ')')
            throw GiveUp{};
        ++i_;
        if (look)
            return assertion();
        return times(inner, repeatMax());
    }

    size_t branch(int depth)
    {
        size_t total = 0;
        while (!atEnd() && peek() != '|' && peek() != ')') {
            const char c = peek();
            size_t item = 0;
            switch (c) {
            case '\\':
                // An escape reads its own repeat where it has to.
                if (peek(1) == 'Q') {
                    total = plus(total, escape());
                    continue;
                }
                item = escape();
                if (item == 0)
                    continue;
                break;
            case '(':
                total = plus(total, group(depth));
                continue;
            case '[':
                item = characterClass();
                break;
            case '.':
                ++i_;
                item = 1;
                break;
            case '^':
            case '$':
                ++i_;
                assertion();
                continue;
            case '*':
            case '+':
            case '?':
            case '{':
                throw GiveUp{};
            default: {
                size_t j = i_;
                decodeAt(p_, j);
                i_ = j;
                item = 1;
                break;
            }
            }
            total = plus(total, times(item, repeatMax()));
        }
        return total;
    }

    size_t alternation(int depth)
    {
        size_t most = 0;
        for (;;) {
            most = std::max(most, branch(depth));
            if (peek() != '|')
                break;
            ++i_;
        }
        return most;
    }

    std::string_view p_;
    size_t i_ = 0;
};

} // namespace

std::optional<size_t> maxMatchChars(std::string_view pattern)
{
    if (!isValidUtf8(pattern))
        return std::nullopt;
    return LengthReader(pattern).read();
}

RuleFactors ruleFactors(const PassRule& rule)
{
    RuleFactors out;
    if (!isValidUtf8(rule.search) || rule.search.empty())
        return out;
    Analyser analyser(rule.search);
    const bool caseless = !rule.caseSensitive;
    std::optional<FactorSet> set = rule.regex ? analyser.pattern(caseless) : analyser.plain(caseless);
    if (!set)
        return out;
    for (Factor& f : *set) {
        if (f.text.empty())
            return RuleFactors{};
        (f.folded ? out.folded : out.exact).push_back(std::move(f.text));
    }
    if (rule.regex) {
        // A character is at most four bytes.
        if (const std::optional<size_t> chars = maxMatchChars(rule.search); chars && *chars > 0)
            out.maxBytes = 4 * *chars;
    }
    return out;
}

// ---------------------------------------------------------------------------
// Counting literals: an Aho-Corasick automaton over the bytes that occur in
// the literals (every other byte is one class). Its transitions are worked
// out when first taken, the trie's own edges among them, so that building it
// costs the size of the literals and one clearing of the table, not states
// times classes.

struct LiteralCounter::Automaton {
    std::array<uint16_t, 256> byteClass{};
    size_t classes = 1;
    size_t states = 1;
    // state * classes + class: the next state plus one; 0 not known yet.
    int32_t* next = nullptr;
    // The trie: the children of state s are childState[childFrom[s]] up to
    // childState[childFrom[s + 1]], by class.
    std::vector<uint32_t> childFrom;
    std::vector<uint16_t> childClass;
    std::vector<int32_t> childState;
    std::vector<int32_t> fail;
    std::vector<int32_t> literal;  // the literal ending at the state, or -1
    std::vector<int32_t> dictLink; // nearest shorter suffix state ending a literal, or -1
    std::vector<uint8_t> reports;  // the state or a suffix ends a literal

    Automaton() = default;
    Automaton(const Automaton&) = delete;
    Automaton& operator=(const Automaton&) = delete;
    ~Automaton() { std::free(next); }
    void allocate()
    {
        const size_t bytes = states * classes * sizeof(int32_t);
        auto* table = static_cast<int32_t*>(std::malloc(bytes));
        if (!table)
            throw std::bad_alloc();
        // Zeroed here, on one thread, rather than left to the system's zero
        // pages: the first write to such a page from one of the threads that
        // count at once costs far more than writing it now.
        std::memset(table, 0, bytes);
        next = table;
    }

    // The trie's child of s by class c, or -1.
    int32_t child(int32_t s, size_t c) const
    {
        const auto from = childClass.begin() + childFrom[static_cast<size_t>(s)];
        const auto to = childClass.begin() + childFrom[static_cast<size_t>(s) + 1];
        const auto at = std::lower_bound(from, to, c);
        return at != to && *at == c ? childState[static_cast<size_t>(at - childClass.begin())] : -1;
    }

    // Threads that count pieces of one text at once fill the table as they
    // go; every thread would write the same value to a slot.
    int32_t known(int32_t s, size_t c) const
    {
        return std::atomic_ref<int32_t>(next[static_cast<size_t>(s) * classes + c]).load(std::memory_order_relaxed);
    }
    // The state after reading a byte of class c in state s.
    int32_t follow(int32_t s, size_t c)
    {
        const int32_t value = known(s, c);
        return value ? value - 1 : step(s, c);
    }
    int32_t step(int32_t s, size_t c)
    {
        std::atomic_ref<int32_t> slot(next[static_cast<size_t>(s) * classes + c]);
        int32_t value = slot.load(std::memory_order_relaxed);
        if (value == 0) {
            int32_t t = child(s, c);
            if (t < 0)
                t = s == 0 ? 0 : step(fail[static_cast<size_t>(s)], c);
            value = t + 1;
            slot.store(value, std::memory_order_relaxed);
        }
        return value - 1;
    }
};

LiteralCounter::LiteralCounter(const std::vector<std::string>& literals)
    : automaton_(std::make_unique<Automaton>()), size_(literals.size())
{
    Automaton& a = *automaton_;
    // Classes in the bytes' order, so that children in the literals' byte
    // order are in class order too.
    std::array<bool, 256> used{};
    for (const std::string& l : literals) {
        longest_ = std::max(longest_, l.size());
        lengths_.push_back(l.size());
        for (char c : l)
            used[static_cast<unsigned char>(c)] = true;
    }
    for (size_t b = 0; b < 256; ++b)
        if (used[b])
            a.byteClass[b] = static_cast<uint16_t>(a.classes++);
    // The trie from the literals in byte order: each literal's states go on
    // from what it shares with the one before it, so that the states are
    // numbered depth first and every state's children come in class order.
    std::vector<int32_t> order(literals.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](int32_t x, int32_t y) {
        return literals[static_cast<size_t>(x)] < literals[static_cast<size_t>(y)];
    });
    std::vector<int32_t> parent{-1};
    std::vector<uint16_t> inClass{0};
    a.literal.assign(1, -1);
    std::vector<int32_t> path{0}; // the states along the literal before
    const std::string* before = nullptr;
    for (const int32_t id : order) {
        const std::string& l = literals[static_cast<size_t>(id)];
        size_t shared = 0;
        if (before)
            while (shared < l.size() && shared < before->size() && l[shared] == (*before)[shared])
                ++shared;
        path.resize(shared + 1);
        for (size_t j = shared; j < l.size(); ++j) {
            const auto t = static_cast<int32_t>(a.states++);
            parent.push_back(path.back());
            inClass.push_back(a.byteClass[static_cast<unsigned char>(l[j])]);
            a.literal.push_back(-1);
            path.push_back(t);
        }
        // Of equal literals the last counts.
        if (!l.empty())
            a.literal[static_cast<size_t>(path.back())] = id;
        before = &l;
    }
    // Numbered depth first, each state's children are the states after it
    // whose parent it is, in class order.
    a.childFrom.assign(a.states + 1, 0);
    for (size_t t = 1; t < a.states; ++t)
        ++a.childFrom[static_cast<size_t>(parent[t]) + 1];
    for (size_t s = 0; s < a.states; ++s)
        a.childFrom[s + 1] += a.childFrom[s];
    a.childClass.resize(a.states - 1);
    a.childState.resize(a.states - 1);
    {
        std::vector<uint32_t> fill(a.childFrom.begin(), a.childFrom.end() - 1);
        for (size_t t = 1; t < a.states; ++t) {
            const uint32_t at = fill[static_cast<size_t>(parent[t])]++;
            a.childClass[at] = inClass[t];
            a.childState[at] = static_cast<int32_t>(t);
        }
    }
    a.allocate();
    // Failure links breadth first, along the trie's edges only.
    a.fail.assign(a.states, 0);
    a.dictLink.assign(a.states, -1);
    a.reports.assign(a.states, 0);
    std::vector<int32_t> queue;
    queue.reserve(a.states);
    for (uint32_t j = a.childFrom[0]; j < a.childFrom[1]; ++j)
        queue.push_back(a.childState[j]);
    for (size_t head = 0; head < queue.size(); ++head) {
        const int32_t s = queue[head];
        const auto su = static_cast<size_t>(s);
        const auto f = static_cast<size_t>(a.fail[su]);
        a.dictLink[su] = a.literal[f] >= 0 ? static_cast<int32_t>(f) : a.dictLink[f];
        a.reports[su] = a.literal[su] >= 0 || a.dictLink[su] >= 0;
        for (uint32_t j = a.childFrom[su]; j < a.childFrom[su + 1]; ++j) {
            const int32_t t = a.childState[j];
            if (s != 0) {
                // The longest proper suffix that is a trie state: along the
                // failure links, taking no transition of the table.
                int32_t g = a.fail[su];
                int32_t to = a.child(g, a.childClass[j]);
                while (to < 0 && g != 0) {
                    g = a.fail[static_cast<size_t>(g)];
                    to = a.child(g, a.childClass[j]);
                }
                a.fail[static_cast<size_t>(t)] = std::max(to, 0);
            }
            queue.push_back(t);
        }
    }
}

LiteralCounter::~LiteralCounter() = default;

void LiteralCounter::count(std::string_view text, std::vector<int64_t>& counts, int64_t sign) const
{
    int32_t state = 0;
    count(text, counts, sign, state);
}

namespace {

// Calls hit(literal) for every literal that ends where state s stands.
template <typename Automaton, typename Hit>
inline void literalsEndingAt(const Automaton& a, int32_t s, Hit&& hit)
{
    if (!a.reports[static_cast<size_t>(s)])
        return;
    for (int32_t r = a.literal[static_cast<size_t>(s)] >= 0 ? s : a.dictLink[static_cast<size_t>(s)]; r >= 0;
         r = a.dictLink[static_cast<size_t>(r)])
        hit(a.literal[static_cast<size_t>(r)]);
}

// Runs the automaton over a piece, calling hit(literal, offset of the byte it
// ends at) for every occurrence.
template <typename Automaton, typename Hit>
int32_t runAutomaton(Automaton& a, std::string_view text, int32_t s, Hit&& hit)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        s = a.follow(s, a.byteClass[p[i]]);
        literalsEndingAt(a, s, [&](int32_t literal) { hit(literal, i); });
    }
    return s;
}

} // namespace

int32_t LiteralCounter::advance(std::string_view piece, int32_t state) const
{
    if (size_ == 0)
        return state;
    return runAutomaton(*automaton_, piece, state, [](int32_t, size_t) {});
}

void LiteralCounter::count(std::string_view text, std::vector<int64_t>& counts, int64_t sign,
                           int32_t& state, Changed* changed) const
{
    if (size_ == 0)
        return;
    if (sign == 0)
        changed = nullptr;
    state = runAutomaton(*automaton_, text, state, [&](int32_t literal, size_t) {
        counts[static_cast<size_t>(literal)] += sign;
        if (changed)
            changed->note(literal);
    });
}

void LiteralCounter::count(std::string_view text, std::vector<int64_t>& counts, int64_t sign, int32_t& state,
                           const std::vector<uint8_t>& wanted, size_t base, std::vector<Occurrence>& found,
                           Changed* changed) const
{
    if (size_ == 0)
        return;
    if (sign == 0)
        changed = nullptr;
    state = runAutomaton(*automaton_, text, state, [&](int32_t literal, size_t end) {
        const auto l = static_cast<size_t>(literal);
        counts[l] += sign;
        if (changed)
            changed->note(literal);
        // An occurrence that began in an earlier piece starts before `base`.
        if (wanted[l])
            found.push_back({literal, base + end + 1 - lengths_[l]});
    });
}

void LiteralCounter::countSideBySide(std::span<Lane> lanes, std::vector<int64_t>& counts, int64_t sign,
                                     const std::vector<uint8_t>* wanted) const
{
    if (size_ == 0)
        return;
    Automaton& a = *automaton_;
    auto hit = [&](Lane& lane, int32_t literal, size_t end) {
        const auto l = static_cast<size_t>(literal);
        counts[l] += sign;
        if (wanted && (*wanted)[l])
            lane.found->push_back({literal, lane.base + end + 1 - lengths_[l]});
    };
    size_t common = 0;
    if (lanes.size() == kSideBySide) {
        // The table is large and each step waits for the one before: lanes
        // read side by side keep several look-ups under way at once.
        common = lanes[0].piece.size();
        for (const Lane& lane : lanes)
            common = std::min(common, lane.piece.size());
        const unsigned char* p[kSideBySide];
        int32_t s[kSideBySide];
        for (size_t j = 0; j < kSideBySide; ++j) {
            p[j] = reinterpret_cast<const unsigned char*>(lanes[j].piece.data());
            s[j] = lanes[j].state;
        }
        for (size_t i = 0; i < common; ++i) {
            for (size_t j = 0; j < kSideBySide; ++j)
                s[j] = a.follow(s[j], a.byteClass[p[j][i]]);
            for (size_t j = 0; j < kSideBySide; ++j)
                literalsEndingAt(a, s[j], [&](int32_t literal) { hit(lanes[j], literal, i); });
        }
        for (size_t j = 0; j < kSideBySide; ++j)
            lanes[j].state = s[j];
    }
    for (Lane& lane : lanes)
        lane.state = runAutomaton(a, lane.piece.substr(common), lane.state,
                                  [&](int32_t literal, size_t end) { hit(lane, literal, common + end); });
}

size_t LiteralCounter::countWhileApart(std::string_view tail, int32_t& was, int32_t& now,
                                       std::vector<int64_t>& counts, const std::vector<uint8_t>* wanted, size_t base,
                                       std::vector<Occurrence>* found, Changed* changed) const
{
    if (size_ == 0)
        return 0;
    Automaton& a = *automaton_;
    const auto* p = reinterpret_cast<const unsigned char*>(tail.data());
    for (size_t i = 0; i < tail.size(); ++i) {
        if (was == now)
            return i;
        const size_t c = a.byteClass[p[i]];
        was = a.follow(was, c);
        now = a.follow(now, c);
        if (was == now)
            return i;
        literalsEndingAt(a, was, [&](int32_t literal) {
            --counts[static_cast<size_t>(literal)];
            if (changed)
                changed->note(literal);
        });
        literalsEndingAt(a, now, [&](int32_t literal) {
            const auto l = static_cast<size_t>(literal);
            ++counts[l];
            if (changed)
                changed->note(literal);
            if (found && (*wanted)[l])
                found->push_back({literal, base + i + 1 - lengths_[l]});
        });
    }
    // An empty tail between states that already agree.
    return was == now ? 0 : std::string_view::npos;
}

// ---------------------------------------------------------------------------
// RuleFilter

namespace {

// A match that holds a factor holds its first characters too, so a factor is
// counted by those alone: rarely less telling, and what is read around each
// edit reaches back only as far as the longest of them.
constexpr size_t kFactorHeadChars = 8;

std::string factorHead(const std::string& factor)
{
    size_t end = 0;
    for (size_t chars = 0; end < factor.size() && chars < kFactorHeadChars; ++chars)
        decodeAt(factor, end);
    return factor.substr(0, end);
}

// A folded factor gives start spans through its spellings in the text: every
// text that filterFold makes the first characters of the factor, as long as
// they are few and the characters enough not to be found everywhere.
constexpr size_t kMostSpellings = 32;
constexpr size_t kFewestSpelledChars = 3;

// Every character that filterFold makes `folded`, itself among them.
std::vector<uint32_t> spellingsOf(uint32_t folded)
{
    std::vector<uint32_t> out{folded};
    if (folded >= 'a' && folded <= 'z')
        out.push_back(folded - 32);
    if (folded >= 0xFF41 && folded <= 0xFF5A)
        out.push_back(folded - 32);
    if (folded == 'k')
        out.push_back(kKelvin);
    if (folded == 's')
        out.push_back(kLongS);
    return out;
}

// The spellings of the longest start of a folded factor that has at most
// kMostSpellings of them; nothing when that start is shorter than
// kFewestSpelledChars characters.
std::vector<std::string> spelledHead(const std::string& folded)
{
    std::vector<std::string> out{std::string()};
    size_t chars = 0;
    for (size_t at = 0; at < folded.size() && chars < kFactorHeadChars; ++chars) {
        const std::vector<uint32_t> ways = spellingsOf(decodeAt(folded, at));
        if (out.size() * ways.size() > kMostSpellings)
            break;
        std::vector<std::string> longer;
        for (const std::string& start : out)
            for (uint32_t cp : ways)
                longer.push_back(start + Chr(cp));
        out.swap(longer);
    }
    if (chars < kFewestSpelledChars)
        return {};
    return out;
}

} // namespace

RuleFilter::RuleFilter(const std::vector<PassRule>& rules)
{
    std::unordered_map<std::string, int32_t> exactIds, foldedIds;
    exactIds.reserve(rules.size() * 4);
    std::vector<std::string> exact, folded;
    std::vector<std::vector<int32_t>> factorsOfRule(rules.size());
    ruleSpanFactors_.resize(rules.size());
    ruleMaxBytes_.assign(rules.size(), 0);
    // Many rules are read on a few threads at once, each taking every
    // parts-th rule.
    std::vector<RuleFactors> factors(rules.size());
    const size_t parts = rules.size() < kParallelRules ? 1 : kScanThreads;
    runInParts(parts, [&](size_t first) {
        for (size_t r = first; r < rules.size(); r += parts)
            factors[r] = ruleFactors(rules[r]);
    });
    for (size_t r = 0; r < rules.size(); ++r) {
        const RuleFactors& f = factors[r];
        ruleMaxBytes_[r] = f.maxBytes;
        std::vector<int32_t>& ids = factorsOfRule[r];
        auto add = [&ids](int32_t id) {
            if (std::find(ids.begin(), ids.end(), id) == ids.end())
                ids.push_back(id);
        };
        for (const std::string& s : f.exact) {
            const std::string head = factorHead(s);
            auto [it, added] = exactIds.try_emplace(head, static_cast<int32_t>(exact.size()));
            if (added)
                exact.push_back(head);
            add(it->second);
        }
        for (const std::string& s : f.folded) {
            const std::string head = factorHead(s);
            auto [it, added] = foldedIds.try_emplace(head, static_cast<int32_t>(folded.size()));
            if (added)
                folded.push_back(head);
            add(~it->second);
        }
        // Start spans come from exact factors only: a folded one stands in
        // for its spellings.
        if (ruleMaxBytes_[r] == 0)
            continue;
        std::vector<int32_t>& spanIds = ruleSpanFactors_[r];
        for (int32_t id : ids) {
            if (id >= 0) {
                spanIds.push_back(id);
                continue;
            }
            const std::vector<std::string> spellings = spelledHead(folded[static_cast<size_t>(~id)]);
            if (spellings.empty()) {
                spanIds.clear();
                ruleMaxBytes_[r] = 0;
                break;
            }
            for (const std::string& spelling : spellings) {
                auto [it, added] = exactIds.try_emplace(spelling, static_cast<int32_t>(exact.size()));
                if (added)
                    exact.push_back(spelling);
                if (std::find(spanIds.begin(), spanIds.end(), it->second) == spanIds.end())
                    spanIds.push_back(it->second);
            }
        }
    }
    // One list for all rules: the pass asks about every rule of every text.
    factorsFrom_.reserve(rules.size() + 1);
    factorsFrom_.push_back(0);
    for (const std::vector<int32_t>& ids : factorsOfRule) {
        factorIds_.insert(factorIds_.end(), ids.begin(), ids.end());
        factorsFrom_.push_back(static_cast<uint32_t>(factorIds_.size()));
    }
    // Each factor's rules, for the rules to ask the counts again when the
    // factor's count changes.
    rulesFrom_.assign(exact.size() + folded.size() + 1, 0);
    auto idOf = [&](int32_t f) { return f >= 0 ? static_cast<size_t>(f) : exact.size() + static_cast<size_t>(~f); };
    for (int32_t f : factorIds_)
        ++rulesFrom_[idOf(f) + 1];
    for (size_t k = 1; k < rulesFrom_.size(); ++k)
        rulesFrom_[k] += rulesFrom_[k - 1];
    rulesOf_.resize(factorIds_.size());
    {
        std::vector<uint32_t> next(rulesFrom_.begin(), rulesFrom_.end() - 1);
        for (size_t r = 0; r < rules.size(); ++r)
            for (uint32_t k = factorsFrom_[r]; k < factorsFrom_[r + 1]; ++k)
                rulesOf_[next[idOf(factorIds_[k])]++] = static_cast<uint32_t>(r);
    }
    exact_.counter = std::make_unique<LiteralCounter>(exact);
    exact_.counts.assign(exact.size(), 0);
    folded_.counter = std::make_unique<LiteralCounter>(folded);
    folded_.counts.assign(folded.size(), 0);
    // No text yet: only the rules without factors may match.
    mayMatch_.resize(rules.size());
    for (size_t r = 0; r < rules.size(); ++r)
        mayMatch_[r] = occurs(r, exact_.counts, folded_.counts);
    exact_.margin = exact_.counter->longest();
    // Folding keeps characters one for one, and a character of the text has
    // at most four bytes whatever its folded form has.
    for (const std::string& f : folded)
        folded_.margin = std::max(folded_.margin, 4 * static_cast<size_t>(Len(f)));
    // Places are kept of the factors of rules whose matches have a known
    // longest length: only those get start spans.
    tracked_.assign(exact.size(), 0);
    places_.resize(exact.size());
    isTouched_.assign(exact.size(), 0);
    for (const std::vector<int32_t>& spanIds : ruleSpanFactors_)
        for (int32_t f : spanIds) {
            tracked_[static_cast<size_t>(f)] = 1;
            tracking_ = true;
        }
}

RuleFilter::~RuleFilter() = default;

size_t RuleFilter::filteredRules() const
{
    size_t filtered = 0;
    for (size_t r = 0; r + 1 < factorsFrom_.size(); ++r)
        filtered += factorsFrom_[r + 1] > factorsFrom_[r];
    return filtered;
}

namespace {

// Counts the literals of a piece read on from `state`, which it leaves as the
// piece ends: a long piece in lanes side by side, each lane's automaton first
// brought to where the piece before it leaves it by reading `margin` bytes.
// With `wanted`, the occurrences of the literals it marks go to the lanes'
// own lists in `found`, at `base` plus their offset in the piece.
void countInLanes(const LiteralCounter& counter, std::string_view piece, size_t margin, int32_t& state,
                  std::vector<int64_t>& counts, const std::vector<uint8_t>* wanted = nullptr, size_t base = 0,
                  std::span<std::vector<LiteralCounter::Occurrence>> found = {})
{
    const size_t lanes =
        piece.size() < std::max(kSideBySideBytes, LiteralCounter::kSideBySide * kLaneToWarmUp * margin)
            ? 1
            : LiteralCounter::kSideBySide;
    std::vector<LiteralCounter::Lane> read(lanes);
    size_t from = 0;
    for (size_t k = 0; k < lanes; ++k) {
        size_t to = k + 1 == lanes ? piece.size() : std::max(from, piece.size() / lanes * (k + 1));
        while (to < piece.size() && continuation(static_cast<unsigned char>(piece[to])))
            ++to;
        const size_t warmFrom = charStartBefore(piece, from, margin);
        read[k].piece = piece.substr(from, to - from);
        read[k].state = k == 0 ? state : counter.advance(piece.substr(warmFrom, from - warmFrom), 0);
        read[k].base = base + from;
        read[k].found = wanted ? &found[k] : nullptr;
        from = to;
    }
    counter.countSideBySide(read, counts, 1, wanted);
    state = read.back().state;
}

} // namespace

void RuleFilter::count(std::string_view text, Counted& counted, const std::function<void()>& between) const
{
    // A long text is counted in parts on threads of their own while the
    // caller goes on with `between`, and each thread reads its part in lanes
    // side by side. Each part counts the occurrences that end in it, its
    // automaton first brought to where the text before it leaves it by
    // reading as much of that text as a factor can reach back.
    const size_t n = text.size();
    const size_t threads = n < kParallelScanBytes ? 1 : kScanThreads;
    std::vector<size_t> bounds{0};
    for (size_t k = 1; k < threads; ++k) {
        size_t at = n / threads * k;
        while (at < n && continuation(static_cast<unsigned char>(text[at])))
            ++at;
        bounds.push_back(at);
    }
    bounds.push_back(n);
    counted.textSize_ = n;
    // Only what never changes after construction is read here: the filter
    // may go on with another text meanwhile.
    counted.exact_.assign(exact_.counter->size(), 0);
    counted.folded_.assign(folded_.counter->size(), 0);
    // A list of places per lane, in text order.
    counted.found_.resize(threads * LiteralCounter::kSideBySide);
    for (std::vector<LiteralCounter::Occurrence>& found : counted.found_)
        found.clear();
    // The first thread counts into `counted`; the others into their own
    // counts, added up afterwards.
    struct Part {
        std::vector<int64_t> exact, folded;
    };
    std::vector<Part> later(threads - 1);
    auto countPart = [&](size_t t) {
        Part* own = t > 0 ? &later[t - 1] : nullptr;
        if (own) {
            own->exact.assign(counted.exact_.size(), 0);
            own->folded.assign(counted.folded_.size(), 0);
        }
        std::vector<int64_t>& exactCounts = own ? own->exact : counted.exact_;
        std::vector<int64_t>& foldedCounts = own ? own->folded : counted.folded_;
        const size_t from = bounds[t];
        const std::string_view piece = text.substr(from, bounds[t + 1] - from);
        const size_t exactFrom = charStartBefore(text, from, exact_.margin);
        int32_t state = exact_.counter->advance(text.substr(exactFrom, from - exactFrom), 0);
        countInLanes(*exact_.counter, piece, exact_.margin, state, exactCounts, tracking_ ? &tracked_ : nullptr, from,
                     std::span(counted.found_).subspan(t * LiteralCounter::kSideBySide, LiteralCounter::kSideBySide));
        if (folded_.counter->size() == 0)
            return;
        const size_t foldedFrom = charStartBefore(text, from, folded_.margin);
        state = folded_.counter->advance(filterFold(text.substr(foldedFrom, from - foldedFrom)), 0);
        // Folded a piece at a time: a copy of the whole part would be as
        // large as the part.
        for (size_t at = 0; at < piece.size();) {
            size_t end = std::min(piece.size(), at + kScanPiece);
            while (end < piece.size() && continuation(static_cast<unsigned char>(piece[end])))
                ++end;
            countInLanes(*folded_.counter, filterFold(piece.substr(at, end - at)), folded_.margin, state, foldedCounts);
            at = end;
        }
    };
    runInParts(threads, countPart, between);
    for (const Part& part : later) {
        for (size_t f = 0; f < counted.exact_.size(); ++f)
            counted.exact_[f] += part.exact[f];
        for (size_t f = 0; f < counted.folded_.size(); ++f)
            counted.folded_[f] += part.folded[f];
    }
    const size_t rules = factorsFrom_.size() - 1;
    counted.mayMatch_.resize(rules);
    for (size_t r = 0; r < rules; ++r)
        counted.mayMatch_[r] = occurs(r, counted.exact_, counted.folded_);
}

void RuleFilter::take(Counted& counted)
{
    textSize_ = counted.textSize_;
    changes_.clear();
    // The counts trade places: the old ones are storage for the next count.
    exact_.counts.swap(counted.exact_);
    folded_.counts.swap(counted.folded_);
    mayMatch_.swap(counted.mayMatch_);
    if (!tracking_)
        return;
    // The places the last text left are cleared: of thousands of factors, a
    // small text has few.
    for (int32_t f : touched_) {
        Places& places = places_[static_cast<size_t>(f)];
        places.starts.clear();
        places.changesSeen = 0;
        places.foundIn.clear();
        isTouched_[static_cast<size_t>(f)] = 0;
    }
    touched_.clear();
    // Each tracked factor's places, in text order: parts in text order keep
    // them in order. A long list goes as soon as it is taken; a short one is
    // kept for the next count.
    for (std::vector<LiteralCounter::Occurrence>& found : counted.found_) {
        for (const LiteralCounter::Occurrence& o : found) {
            const auto f = static_cast<size_t>(o.literal);
            if (!isTouched_[f]) {
                touch(f);
                places_[f].starts.reserve(static_cast<size_t>(exact_.counts[f]));
            }
            places_[f].starts.push_back(o.start);
        }
        if (found.capacity() * sizeof(LiteralCounter::Occurrence) > kScanPiece)
            std::vector<LiteralCounter::Occurrence>().swap(found);
        else
            found.clear();
    }
}

void RuleFilter::scan(std::string_view text, const std::function<void()>& between)
{
    count(text, scanned_, between);
    take(scanned_);
}

bool RuleFilter::occurs(size_t r, const std::vector<int64_t>& exact, const std::vector<int64_t>& folded) const
{
    const std::span<const int32_t> factors(factorIds_.data() + factorsFrom_[r],
                                           factorIds_.data() + factorsFrom_[r + 1]);
    if (factors.empty())
        return true;
    for (int32_t f : factors)
        if (f >= 0 ? exact[static_cast<size_t>(f)] > 0 : folded[static_cast<size_t>(~f)] > 0)
            return true;
    return false;
}

bool RuleFilter::mayMatch(size_t index) const
{
    return mayMatch_[index] != 0;
}

void RuleFilter::update(std::string_view text, const TextEdits& edits, const std::function<void()>& between)
{
    if (edits.empty())
        return;
    // Each side is counted again around the edits as far as its own longest
    // factor reaches.
    if (exact_.counter->size() > 0)
        updateSide(text, edits, false, between);
    if (folded_.counter->size() > 0)
        updateSide(text, edits, true, between);
    textSize_ = text.size();
    reviewRules(changedExact_.list(), 0);
    reviewRules(changedFolded_.list(), exact_.counts.size());
    changedExact_.clear();
    changedFolded_.clear();
}

void RuleFilter::reviewRules(const std::vector<int32_t>& factors, size_t firstId)
{
    for (int32_t f : factors) {
        const size_t id = firstId + static_cast<size_t>(f);
        for (uint32_t k = rulesFrom_[id]; k < rulesFrom_[id + 1]; ++k)
            mayMatch_[rulesOf_[k]] = occurs(rulesOf_[k], exact_.counts, folded_.counts);
    }
}

void RuleFilter::updateSide(std::string_view text, const TextEdits& edits, bool folded,
                            const std::function<void()>& between)
{
    Side& side = folded ? folded_ : exact_;
    const LiteralCounter& counter = *side.counter;
    const size_t margin = side.margin;
    const size_t n = text.size();
    auto ahead = [&](size_t at) {
        at = std::min(n, at + margin);
        while (at < n && continuation(static_cast<unsigned char>(text[at])))
            ++at;
        return at;
    };
    std::string foldedPiece;
    auto form = [&](std::string_view piece) -> std::string_view {
        if (!folded)
            return piece;
        foldedPiece = filterFold(piece);
        return foldedPiece;
    };
    Change* change = nullptr;
    if (tracking_ && !folded) {
        changes_.emplace_back();
        change = &changes_.back();
    }
    std::vector<LiteralCounter::Occurrence>* found = change ? &change->found : nullptr;
    const std::vector<uint8_t>* wanted = change ? &tracked_ : nullptr;
    LiteralCounter::Changed* changed = folded ? &changedFolded_ : &changedExact_;
    const auto& spans = edits.spans;
    // The old text of a group of edits, from its first edit to the end of its last.
    std::string removed;
    size_t done = 0;
    size_t k = 0;
    // How much longer the text before the piece has grown.
    std::ptrdiff_t grown = 0;
    while (k < spans.size()) {
        // Edits closer than two margins are one group: what one reads
        // around it reaches into the other.
        size_t last = k;
        while (last + 1 < spans.size() && spans[last + 1].start < spans[last].end + 2 * margin + 8)
            ++last;
        const size_t from = charStartBefore(text, spans[k].start, margin);
        const size_t groupStart = spans[k].start;
        const size_t groupEnd = spans[last].end;
        // Up to the first edit the old and the new text are one: read once,
        // to the state both are in there.
        int32_t now = 0;
        const std::string_view before = text.substr(from, groupStart - from);
        if (found)
            counter.count(before, side.counts, 0, now, *wanted, from, *found);
        else
            now = counter.advance(form(before), 0);
        int32_t was = now;
        removed.clear();
        for (size_t j = k; j <= last; ++j) {
            removed += edits.removedOf(spans[j]);
            if (j < last)
                removed.append(text, spans[j].end, spans[j + 1].start - spans[j].end);
        }
        counter.count(form(removed), side.counts, -1, was, changed);
        const std::string_view inserted = text.substr(groupStart, groupEnd - groupStart);
        if (found)
            counter.count(inserted, side.counts, 1, now, *wanted, groupStart, *found, changed);
        else
            counter.count(form(inserted), side.counts, 1, now, changed);
        // After the last edit both read the same text, and differ only until
        // their states meet, within a factor's length.
        size_t to = groupEnd;
        while (to < n) {
            const size_t windowEnd = ahead(to);
            const size_t read = counter.countWhileApart(form(text.substr(to, windowEnd - to)), was, now,
                                                        side.counts, wanted, to, found, changed);
            if (read != std::string_view::npos) {
                // Folded text is not read in the text's own bytes: the
                // window's end stands for where they met.
                to = folded ? windowEnd : to + read;
                break;
            }
            to = windowEnd;
        }
        if (change) {
            const size_t oldLength = (groupStart - from) + removed.size() + (to - groupEnd);
            const auto oldFrom = static_cast<size_t>(static_cast<std::ptrdiff_t>(from) - grown);
            change->pieces.push_back({oldFrom, oldFrom + oldLength, from, to});
            grown = static_cast<std::ptrdiff_t>(to) - static_cast<std::ptrdiff_t>(oldFrom + oldLength);
        }
        k = last + 1;
        done += (to - from) + removed.size();
        if (done >= kScanPiece && k < spans.size() && between) {
            done = 0;
            between();
        }
    }
    if (!change)
        return;
    std::stable_sort(change->found.begin(), change->found.end(),
                     [](const LiteralCounter::Occurrence& a, const LiteralCounter::Occurrence& b) {
                         return a.literal < b.literal;
                     });
    const auto index = static_cast<uint32_t>(changes_.size() - 1);
    for (size_t j = 0; j < change->found.size(); ++j)
        if (j == 0 || change->found[j].literal != change->found[j - 1].literal) {
            const auto f = static_cast<size_t>(change->found[j].literal);
            touch(f);
            places_[f].foundIn.push_back(index);
        }
}

void RuleFilter::touch(size_t literal)
{
    if (!isTouched_[literal]) {
        isTouched_[literal] = 1;
        touched_.push_back(static_cast<int32_t>(literal));
    }
}

// Moves a factor's places, in order, past a change: those wholly inside a
// piece counted again go (the piece's new occurrences stand for them), those
// that reach out of it keep their place from the piece's end, and the others
// move by what the text before them grew. Each place is looked up among the
// pieces where they are many, and the places between two pieces are moved
// together where the places are many.
void RuleFilter::movePlaces(std::vector<size_t>& starts, const std::vector<Change::Piece>& pieces, size_t length)
{
    using Piece = Change::Piece;
    const size_t n = starts.size();
    size_t kept = 0;
    auto within = [&](size_t p, const Piece& piece) {
        if (p + length > piece.oldTo)
            starts[kept++] = p + piece.newTo - piece.oldTo;
    };
    if (pieces.size() > 4 * n) {
        auto k = pieces.begin();
        for (size_t r = 0; r < n; ++r) {
            const size_t p = starts[r];
            k = std::upper_bound(k, pieces.end(), p, [](size_t at, const Piece& piece) { return at < piece.oldTo; });
            if (k != pieces.end() && p >= k->oldFrom)
                within(p, *k);
            else
                starts[kept++] = k == pieces.begin() ? p : p + k[-1].newTo - k[-1].oldTo;
        }
        starts.resize(kept);
        return;
    }
    // The first place from `from` on that is not before `at`: looked for in
    // steps that double, as it is most often near.
    auto firstFrom = [&](size_t from, size_t at) {
        if (from == n || starts[from] >= at)
            return from;
        size_t step = 1;
        while (from + step < n && starts[from + step] < at) {
            from += step;
            step *= 2;
        }
        const auto begin = starts.begin();
        const auto end = begin + static_cast<std::ptrdiff_t>(std::min(n, from + step));
        return static_cast<size_t>(std::lower_bound(begin + static_cast<std::ptrdiff_t>(from + 1), end, at) - begin);
    };
    size_t r = 0;
    size_t grown = 0; // modulo 2^64, as the places' moves add up
    for (const Piece& piece : pieces) {
        if (r == n)
            break;
        const size_t before = firstFrom(r, piece.oldFrom);
        // Places that neither move nor close up on gone ones stay as they are.
        if (grown == 0 && kept == r)
            kept = r = before;
        for (; r < before; ++r)
            starts[kept++] = starts[r] + grown;
        for (; r < n && starts[r] < piece.oldTo; ++r)
            within(starts[r], piece);
        grown = piece.newTo - piece.oldTo;
    }
    if (grown == 0 && kept == r)
        return;
    for (; r < n; ++r)
        starts[kept++] = starts[r] + grown;
    starts.resize(kept);
}

void RuleFilter::bringUpToDate(int32_t literal)
{
    touch(static_cast<size_t>(literal));
    Places& places = places_[static_cast<size_t>(literal)];
    const size_t length = exact_.counter->length(static_cast<size_t>(literal));
    // The next change, from changesSeen on, that found the factor anew.
    auto nextFound = std::lower_bound(places.foundIn.begin(), places.foundIn.end(), places.changesSeen);
    while (places.changesSeen < changes_.size()) {
        // Without places, a change that found nothing of the factor leaves
        // it as it is.
        if (places.starts.empty()) {
            if (nextFound == places.foundIn.end()) {
                places.changesSeen = changes_.size();
                break;
            }
            places.changesSeen = *nextFound;
        }
        const Change& change = changes_[places.changesSeen];
        auto added = change.found.end();
        auto addedEnd = added;
        if (nextFound != places.foundIn.end() && *nextFound == places.changesSeen) {
            ++nextFound;
            added = std::lower_bound(change.found.begin(), change.found.end(), literal,
                                     [](const LiteralCounter::Occurrence& o, int32_t l) { return o.literal < l; });
            addedEnd = std::find_if(added, change.found.end(),
                                    [&](const LiteralCounter::Occurrence& o) { return o.literal != literal; });
        }
        ++places.changesSeen;
        movePlaces(places.starts, change.pieces, length);
        if (added == addedEnd)
            continue;
        // The new occurrences lie wholly inside new pieces: none of them is a
        // place moved there.
        movedPlaces_.clear();
        movedPlaces_.reserve(places.starts.size() + static_cast<size_t>(addedEnd - added));
        auto moved = places.starts.begin();
        for (; added != addedEnd; ++added) {
            for (; moved != places.starts.end() && *moved < added->start; ++moved)
                movedPlaces_.push_back(*moved);
            movedPlaces_.push_back(added->start);
        }
        movedPlaces_.insert(movedPlaces_.end(), moved, places.starts.end());
        places.starts.swap(movedPlaces_);
    }
}

bool RuleFilter::mayHaveStartSpans(size_t index) const
{
    return tracking_ && !ruleSpanFactors_[index].empty();
}

const std::vector<RegEx::StartSpan>* RuleFilter::startSpans(size_t index)
{
    if (!mayHaveStartSpans(index))
        return nullptr;
    const size_t maxBytes = ruleMaxBytes_[index];
    // A pcre2 call costs about what scanning this many bytes does: spans
    // closer than that are searched as one.
    constexpr size_t kCallBytes = 1024;
    spans_.clear();
    std::vector<RegEx::StartSpan> one;
    for (int32_t f : ruleSpanFactors_[index]) {
        bringUpToDate(f);
        const size_t length = exact_.counter->length(static_cast<size_t>(f));
        // A match holding the factor at p begins at p at the latest, and no
        // earlier than its longest length before the factor's end.
        const size_t before = maxBytes > length ? maxBytes - length : 0;
        one.clear();
        for (size_t p : places_[static_cast<size_t>(f)].starts) {
            const size_t first = p > before ? p - before : 0;
            if (!one.empty() && first <= one.back().last + kCallBytes)
                one.back().last = p;
            else
                one.push_back({first, p});
        }
        if (spans_.empty()) {
            spans_.swap(one);
            continue;
        }
        // Several factors: their spans merged in text order.
        std::vector<RegEx::StartSpan> merged;
        merged.reserve(spans_.size() + one.size());
        std::merge(spans_.begin(), spans_.end(), one.begin(), one.end(), std::back_inserter(merged),
                   [](const RegEx::StartSpan& a, const RegEx::StartSpan& b) { return a.first < b.first; });
        spans_.clear();
        for (const RegEx::StartSpan& s : merged) {
            if (!spans_.empty() && s.first <= spans_.back().last + kCallBytes)
                spans_.back().last = std::max(spans_.back().last, s.last);
            else
                spans_.push_back(s);
        }
    }
    // Spans so many that the calls cost more than one search of the text.
    if (spans_.size() > textSize_ / (4 * kCallBytes) + 16)
        return nullptr;
    return &spans_;
}

} // namespace tv
