#include "platform/core/Text.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

namespace tv {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
// Inside comparisons an invalid byte b stands for kRawByte + b: beyond every
// code point, so that two different invalid bytes never compare equal and no
// invalid byte equals a real U+FFFD.
constexpr uint32_t kRawByte = 0x110000;
constexpr size_t npos = std::string_view::npos;

inline const unsigned char* bytes(std::string_view s)
{
    return reinterpret_cast<const unsigned char*>(s.data());
}

inline bool isAsciiWord(const unsigned char* p)
{
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return (w & 0x8080808080808080ULL) == 0;
}

inline bool isCont(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed sequence starting at p (avail bytes left), or 0
// when the byte at p starts none: then that byte is one character on its own.
inline int sequenceLength(const unsigned char* p, size_t avail)
{
    const unsigned c = p[0];
    if (c < 0x80)
        return 1;
    if (c < 0xC2)
        return 0; // continuation byte or overlong two-byte lead
    if (c < 0xE0)
        return avail >= 2 && isCont(p[1]) ? 2 : 0;
    if (c < 0xF0) {
        if (avail < 3)
            return 0;
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80; // no overlongs
        const unsigned hi = c == 0xED ? 0x9F : 0xBF; // no surrogates
        return p[1] >= lo && p[1] <= hi && isCont(p[2]) ? 3 : 0;
    }
    if (c < 0xF5) {
        if (avail < 4)
            return 0;
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = c == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
        return p[1] >= lo && p[1] <= hi && isCont(p[2]) && isCont(p[3]) ? 4 : 0;
    }
    return 0;
}

// Decodes the character at i and moves i past it; an invalid byte gives
// kRawByte + byte.
inline uint32_t decodeRaw(const unsigned char* p, size_t n, size_t& i)
{
    const uint32_t c = p[i];
    if (c < 0x80) {
        ++i;
        return c;
    }
    switch (sequenceLength(p + i, n - i)) {
    case 2: {
        const uint32_t cp = ((c & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu);
        i += 2;
        return cp;
    }
    case 3: {
        const uint32_t cp = ((c & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
        i += 3;
        return cp;
    }
    case 4: {
        const uint32_t cp = ((c & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) | ((p[i + 2] & 0x3Fu) << 6)
            | (p[i + 3] & 0x3Fu);
        i += 4;
        return cp;
    }
    default:
        ++i;
        return kRawByte + c;
    }
}

inline void skipOne(const unsigned char* p, size_t n, size_t& i)
{
    if (p[i] < 0x80) {
        ++i;
        return;
    }
    const int len = sequenceLength(p + i, n - i);
    i += len ? size_t(len) : 1;
}

// Moves i forward over up to count characters; gives how many it passed.
int64_t skipChars(const unsigned char* p, size_t n, size_t& i, int64_t count)
{
    int64_t done = 0;
    while (done < count && i < n) {
        if (p[i] < 0x80 && count - done >= 8 && i + 8 <= n && isAsciiWord(p + i)) {
            i += 8;
            done += 8;
            continue;
        }
        skipOne(p, n, i);
        ++done;
    }
    return done;
}

// Number of characters that begin in [begin, end); a character may run past end.
int64_t countChars(const unsigned char* p, size_t n, size_t begin, size_t end)
{
    int64_t count = 0;
    size_t i = begin;
    while (i < end) {
        if (p[i] < 0x80 && i + 8 <= end && isAsciiWord(p + i)) {
            i += 8;
            count += 8;
            continue;
        }
        skipOne(p, n, i);
        ++count;
    }
    return count;
}

inline uint32_t foldRaw(uint32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c >= kRawByte)
        return c;
    return uint32_t(QChar::toCaseFolded(char32_t(c)));
}

using FoldPairs = std::vector<std::pair<uint32_t, uint32_t>>;

// Every (folded, original) pair where folding changes the original, ordered by
// folded value: the other cases of a folded character.
FoldPairs makeFoldPreimages()
{
    FoldPairs t;
    for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c == 0xD800)
            c = 0xE000;
        const uint32_t f = foldRaw(c);
        if (f != c)
            t.emplace_back(f, c);
    }
    std::sort(t.begin(), t.end());
    return t;
}

// Made by the first caller, the others waiting for it; never destroyed, so
// that a comparison made while the program ends still has it.
const FoldPairs& foldPreimages()
{
    static const FoldPairs& pairs = *new FoldPairs(makeFoldPreimages());
    return pairs;
}

// Calls fn for every character whose folding is the folded value f.
template <typename Fn>
void forEachCaseOf(uint32_t f, Fn fn)
{
    if (foldRaw(f) == f)
        fn(f);
    if (f >= kRawByte)
        return;
    const auto& t = foldPreimages();
    auto it = std::lower_bound(t.begin(), t.end(), std::make_pair(f, uint32_t(0)));
    for (; it != t.end() && it->first == f; ++it)
        fn(it->second);
}

inline bool hasOtherCase(uint32_t c)
{
    if (c >= kRawByte)
        return false;
    if (foldRaw(c) != c)
        return true;
    const auto& t = foldPreimages();
    auto it = std::lower_bound(t.begin(), t.end(), std::make_pair(c, uint32_t(0)));
    return it != t.end() && it->first == c;
}

inline unsigned char leadByte(uint32_t c)
{
    if (c >= kRawByte)
        return (unsigned char)(c - kRawByte);
    if (c < 0x80)
        return (unsigned char)c;
    if (c < 0x800)
        return (unsigned char)(0xC0 | (c >> 6));
    if (c < 0x10000)
        return (unsigned char)(0xE0 | (c >> 12));
    return (unsigned char)(0xF0 | (c >> 18));
}

inline size_t findBytes(std::string_view s, size_t from, std::string_view find)
{
    if (from > s.size() || find.size() > s.size() - from)
        return npos;
    const void* hit = memmem(s.data() + from, s.size() - from, find.data(), find.size());
    return hit ? size_t(static_cast<const char*>(hit) - s.data()) : npos;
}

// Finds a non-empty text ignoring case. Folding keeps the number of characters
// but not of bytes (U+212A KELVIN SIGN is three bytes, its folding "k" one), so
// a match is measured in the searched text's own bytes.
class CaselessFinder {
public:
    explicit CaselessFinder(std::string_view find)
        : find_(find)
    {
        const unsigned char* p = bytes(find);
        const size_t n = find.size();
        bool exact = true;
        for (size_t i = 0; i < n;) {
            const uint32_t c = decodeRaw(p, n, i);
            if (c >= kRawByte || hasOtherCase(c))
                exact = false;
            folded_.push_back(foldRaw(c));
        }
        exact_ = exact;
        if (exact_)
            return;
        forEachCaseOf(folded_.front(), [this](uint32_t c) {
            const unsigned char b = leadByte(c);
            starts_[b] = true;
            // A continuation byte may sit inside another character, so such a
            // start can only be looked for character by character.
            if (isCont(b))
                everyChar_ = true;
        });
    }

    // First match at or after byte offset from, which is a character start;
    // npos when there is none. end receives the byte offset just past it.
    size_t find(std::string_view s, size_t from, size_t& end) const
    {
        if (exact_) {
            // No character of find has another case and find is well formed:
            // equal bytes are the only match and always lie on character bounds.
            const size_t pos = findBytes(s, from, find_);
            if (pos != npos)
                end = pos + find_.size();
            return pos;
        }
        const unsigned char* p = bytes(s);
        const size_t n = s.size();
        size_t i = from;
        while (i < n) {
            if (!everyChar_) {
                // Bytes in starts_ never continue a character, so each one found
                // begins a character.
                while (i < n && !starts_[p[i]])
                    ++i;
                if (i >= n)
                    break;
            }
            if (matchesAt(p, n, i, end))
                return i;
            if (everyChar_)
                skipOne(p, n, i);
            else
                ++i;
        }
        return npos;
    }

private:
    bool matchesAt(const unsigned char* p, size_t n, size_t i, size_t& end) const
    {
        for (const uint32_t want : folded_) {
            if (i >= n || foldRaw(decodeRaw(p, n, i)) != want)
                return false;
        }
        end = i;
        return true;
    }

    std::string_view find_;
    std::vector<uint32_t> folded_;
    bool exact_ = false;
    bool everyChar_ = false;
    std::array<bool, 256> starts_ {};
};

template <typename Finder>
std::string replaceEvery(std::string_view s, const Finder& finder, std::string_view replacement)
{
    size_t end = 0;
    size_t pos = finder(s, 0, end);
    if (pos == npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t last = 0;
    while (pos != npos) {
        out.append(s, last, pos - last);
        out.append(replacement);
        last = end;
        pos = finder(s, last, end);
    }
    out.append(s, last, npos);
    return out;
}

// Decimal exponent e of the leading non-zero digit of a mantissa ("ddd.ddd")
// scaled by 10^exp: the value lies in [10^e, 10^(e+1)).
int64_t leadingExponent(std::string_view mantissa, int64_t exp)
{
    const size_t point = mantissa.find('.');
    const int64_t intDigits = int64_t(point == npos ? mantissa.size() : point);
    int64_t index = 0;
    for (const char c : mantissa) {
        if (c == '.')
            continue;
        if (c != '0')
            return intDigits - 1 - index + exp;
        ++index;
    }
    return std::numeric_limits<int64_t>::min(); // the mantissa is zero
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

// --- UTF-8 helpers ---------------------------------------------------------

bool isValidUtf8(std::string_view s)
{
    const unsigned char* p = bytes(s);
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            while (i + 16 <= n && isAsciiWord(p + i) && isAsciiWord(p + i + 8))
                i += 16;
            while (i < n && p[i] < 0x80)
                ++i;
            continue;
        }
        const int len = sequenceLength(p + i, n - i);
        if (len == 0)
            return false;
        i += size_t(len);
    }
    return true;
}

uint32_t nextCodePoint(std::string_view s, size_t& i)
{
    if (i >= s.size())
        return kReplacement; // nothing to read; i stays at the end
    const uint32_t c = decodeRaw(bytes(s), s.size(), i);
    return c >= kRawByte ? kReplacement : c;
}

void appendCodePoint(std::string& out, uint32_t cp)
{
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

size_t byteOffsetOfChar(std::string_view s, int64_t pos)
{
    size_t i = 0;
    if (pos > 1)
        skipChars(bytes(s), s.size(), i, pos - 1);
    return i;
}

int64_t charCountOfBytes(std::string_view s, size_t byteCount)
{
    return countChars(bytes(s), s.size(), 0, std::min(byteCount, s.size()));
}

// --- Characters ------------------------------------------------------------

int64_t Len(std::string_view s)
{
    return countChars(bytes(s), s.size(), 0, s.size());
}

std::string Left(std::string_view s, int64_t count)
{
    if (count <= 0)
        return {};
    size_t end = 0;
    skipChars(bytes(s), s.size(), end, count);
    return std::string(s.substr(0, end));
}

std::string Right(std::string_view s, int64_t count)
{
    if (count <= 0)
        return {};
    const int64_t len = Len(s);
    if (count >= len)
        return std::string(s);
    return std::string(s.substr(byteOffsetOfChar(s, len - count + 1)));
}

std::string Mid(std::string_view s, int64_t start)
{
    return std::string(s.substr(byteOffsetOfChar(s, start)));
}

std::string Mid(std::string_view s, int64_t start, int64_t count)
{
    if (count <= 0)
        return {};
    const unsigned char* p = bytes(s);
    size_t begin = 0;
    if (start > 1)
        skipChars(p, s.size(), begin, start - 1);
    size_t end = begin;
    skipChars(p, s.size(), end, count);
    return std::string(s.substr(begin, end - begin));
}

int64_t InStr(std::string_view s, std::string_view find)
{
    return InStr(1, s, find);
}

int64_t InStr(int64_t start, std::string_view s, std::string_view find)
{
    if (start < 1)
        start = 1;
    const unsigned char* p = bytes(s);
    size_t from = 0;
    if (skipChars(p, s.size(), from, start - 1) < start - 1)
        return 0; // start lies past Len(s) + 1
    if (find.empty())
        return start;
    size_t end = 0;
    const size_t pos = CaselessFinder(find).find(s, from, end);
    if (pos == npos)
        return 0;
    return start + countChars(p, s.size(), from, pos);
}

// --- Bytes -----------------------------------------------------------------

void prepareCaseFolding()
{
    std::thread([] { foldPreimages(); }).detach();
}

int64_t LenB(std::string_view s)
{
    return int64_t(s.size());
}

std::string LeftB(std::string_view s, int64_t count)
{
    if (count <= 0)
        return {};
    return std::string(s.substr(0, size_t(std::min<int64_t>(count, LenB(s)))));
}

std::string RightB(std::string_view s, int64_t count)
{
    if (count <= 0)
        return {};
    const size_t n = size_t(std::min<int64_t>(count, LenB(s)));
    return std::string(s.substr(s.size() - n));
}

std::string MidB(std::string_view s, int64_t start)
{
    if (start < 1)
        start = 1;
    if (start > LenB(s))
        return {};
    return std::string(s.substr(size_t(start - 1)));
}

std::string MidB(std::string_view s, int64_t start, int64_t count)
{
    if (count <= 0)
        return {};
    if (start < 1)
        start = 1;
    if (start > LenB(s))
        return {};
    const size_t begin = size_t(start - 1);
    return std::string(s.substr(begin, size_t(std::min<int64_t>(count, LenB(s) - int64_t(begin)))));
}

int64_t InStrB(int64_t start, std::string_view s, std::string_view find)
{
    if (start < 1)
        start = 1;
    if (start > LenB(s) + 1)
        return 0;
    if (find.empty())
        return start;
    const size_t pos = findBytes(s, size_t(start - 1), find);
    return pos == npos ? 0 : int64_t(pos) + 1;
}

std::string ChrB(int byte)
{
    if (byte < 0 || byte > 255)
        return {};
    return std::string(1, char(byte));
}

std::string Chr(uint32_t cp)
{
    std::string out;
    appendCodePoint(out, cp);
    return out;
}

// --- Fields and replacing --------------------------------------------------

std::string NthField(std::string_view s, std::string_view separator, int64_t n)
{
    if (n < 1 || s.empty())
        return {};
    if (separator.empty())
        return n == 1 ? std::string(s) : std::string();
    const CaselessFinder finder(separator);
    size_t fieldStart = 0;
    for (int64_t field = 1;; ++field) {
        size_t end = 0;
        const size_t pos = finder.find(s, fieldStart, end);
        if (field == n)
            return std::string(s.substr(fieldStart, pos == npos ? npos : pos - fieldStart));
        if (pos == npos)
            return {};
        fieldStart = end;
    }
}

int64_t CountFields(std::string_view s, std::string_view separator)
{
    if (s.empty())
        return 0;
    if (separator.empty())
        return 1;
    const CaselessFinder finder(separator);
    int64_t count = 1;
    size_t end = 0;
    for (size_t pos = finder.find(s, 0, end); pos != npos; pos = finder.find(s, end, end))
        ++count;
    return count;
}

size_t splitFieldsB(std::string_view s, char separator, std::span<std::string_view> fields)
{
    if (s.empty())
        return 0;
    size_t filled = 0;
    size_t start = 0;
    while (filled < fields.size()) {
        const size_t end = s.find(separator, start);
        fields[filled++] = s.substr(start, end == npos ? npos : end - start);
        if (end == npos)
            break;
        start = end + 1;
    }
    return filled;
}

std::vector<std::string_view> splitFieldsB(std::string_view s, char separator)
{
    if (s.empty())
        return {};
    std::vector<std::string_view> fields(static_cast<size_t>(std::count(s.begin(), s.end(), separator)) + 1);
    splitFieldsB(s, separator, fields);
    return fields;
}

std::string ReplaceAll(std::string_view s, std::string_view find, std::string_view replacement)
{
    if (find.empty() || s.empty())
        return std::string(s);
    const CaselessFinder finder(find);
    return replaceEvery(
        s, [&finder](std::string_view t, size_t from, size_t& end) { return finder.find(t, from, end); },
        replacement);
}

std::string ReplaceAllB(std::string_view s, std::string_view find, std::string_view replacement)
{
    if (find.empty() || s.empty())
        return std::string(s);
    return replaceEvery(
        s,
        [find](std::string_view t, size_t from, size_t& end) {
            const size_t pos = findBytes(t, from, find);
            if (pos != npos)
                end = pos + find.size();
            return pos;
        },
        replacement);
}

// --- Numbers ---------------------------------------------------------------

std::string Str(int64_t n)
{
    return std::to_string(n);
}

std::string Str(double d)
{
    if (d == 0)
        return "0"; // also for -0
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

double Val(std::string_view s)
{
    const size_t n = s.size();
    size_t i = 0;
    while (i < n && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const size_t numberStart = i;
    while (i < n && isDigit(s[i]))
        ++i;
    bool anyDigit = i > numberStart;
    if (i < n && s[i] == '.') {
        size_t k = i + 1;
        while (k < n && isDigit(s[k]))
            ++k;
        if (anyDigit || k > i + 1) {
            anyDigit = true;
            i = k;
        }
    }
    if (!anyDigit)
        return 0;
    const size_t mantissaEnd = i;
    int64_t exponent = 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t k = i + 1;
        bool expNegative = false;
        if (k < n && (s[k] == '+' || s[k] == '-')) {
            expNegative = s[k] == '-';
            ++k;
        }
        const size_t digitsStart = k;
        while (k < n && isDigit(s[k])) {
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (s[k] - '0');
            ++k;
        }
        if (k > digitsStart) {
            i = k;
            if (expNegative)
                exponent = -exponent;
        } else {
            exponent = 0; // a bare "e" is not part of the number
        }
    }

    double value = 0;
    const auto r = std::from_chars(s.data() + numberStart, s.data() + i, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large gives the largest value, too small gives 0.
        const int64_t e = leadingExponent(s.substr(numberStart, mantissaEnd - numberStart), exponent);
        value = e >= 0 ? std::numeric_limits<double>::max() : 0.0;
    } else if (r.ec != std::errc()) {
        value = 0;
    } else if (std::isinf(value)) {
        value = std::numeric_limits<double>::max();
    }
    if (value == 0)
        return 0; // no negative zero
    return negative ? -value : value;
}

int64_t toInteger(double d)
{
    if (std::isnan(d))
        return 0;
    const double t = std::trunc(d);
    if (t >= 9223372036854775808.0) // 2^63
        return std::numeric_limits<int64_t>::max();
    if (t < -9223372036854775808.0)
        return std::numeric_limits<int64_t>::min();
    return int64_t(t);
}

int32_t toInt32(double d)
{
    if (std::isnan(d))
        return 0;
    const double t = std::trunc(d);
    if (t >= 2147483648.0)
        return std::numeric_limits<int32_t>::max();
    if (t < -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return int32_t(t);
}

// --- The comparison rule ---------------------------------------------------

uint32_t foldCase(uint32_t cp)
{
    return foldRaw(cp);
}

std::string foldCase(std::string_view s)
{
    const unsigned char* p = bytes(s);
    const size_t n = s.size();
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        const size_t begin = i;
        const uint32_t c = decodeRaw(p, n, i);
        const uint32_t f = foldRaw(c);
        if (f == c)
            out.append(s, begin, i - begin); // unchanged, invalid bytes included
        else
            appendCodePoint(out, f);
    }
    return out;
}

bool textEquals(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    return compareText(a, b) == 0;
}

int compareText(std::string_view a, std::string_view b)
{
    const unsigned char* pa = bytes(a);
    const unsigned char* pb = bytes(b);
    const size_t na = a.size();
    const size_t nb = b.size();
    size_t i = 0;
    size_t j = 0;
    while (i < na && j < nb) {
        const uint32_t ca = foldRaw(decodeRaw(pa, na, i));
        const uint32_t cb = foldRaw(decodeRaw(pb, nb, j));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < na)
        return 1;
    if (j < nb)
        return -1;
    return 0;
}

std::string withCrLineEnds(std::string_view s)
{
    // U+2028 and U+2029 in UTF-8: E2 80 A8 and E2 80 A9.
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\r') {
            out += '\r';
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += '\r';
        } else if (c == '\xE2' && i + 2 < s.size() && s[i + 1] == '\x80' && (s[i + 2] == '\xA8' || s[i + 2] == '\xA9')) {
            out += '\r';
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tv
