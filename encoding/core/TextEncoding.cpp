#include "encoding/core/TextEncoding.h"

#include "encoding/core/WindowsForms.h"
#include "platform/core/Errors.h"
#include "platform/core/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include <iconv.h>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tv {

namespace {

// --- Converters ------------------------------------------------------------

enum class Conv {
    FromCP932, ToCP932,
    FromEUCJP, ToEUCJP,
    FromEUCJPMS, ToEUCJPMS,
    FromJIS2, ToJIS, ToJIS2,
    FromUTF16BE, ToUTF16BE,
    FromUTF16LE, ToUTF16LE,
    FromUTF7, ToUTF7,
    Count
};

struct ConvNames {
    const char* to;
    const char* from;
};

// Indexed by Conv. ISO-2022-JP is read with the -2 table, which also knows
// half-width katakana (ESC ( I) and JIS X 0212 (ESC $ ( D).
constexpr ConvNames kConvNames[] = {
    {"UTF-8", "CP932"},          {"CP932", "UTF-8"},
    {"UTF-8", "EUC-JP"},         {"EUC-JP", "UTF-8"},
    {"UTF-8", "EUC-JP-MS"},      {"EUC-JP-MS", "UTF-8"},
    {"UTF-8", "ISO-2022-JP-2"},  {"ISO-2022-JP", "UTF-8"}, {"ISO-2022-JP-2", "UTF-8"},
    {"UTF-8", "UTF-16BE"},       {"UTF-16BE", "UTF-8"},
    {"UTF-8", "UTF-16LE"},       {"UTF-16LE", "UTF-8"},
    {"UTF-8", "UTF-7"},          {"UTF-7", "UTF-8"},
};
static_assert(std::size(kConvNames) == size_t(Conv::Count));

const iconv_t kNotOpen = reinterpret_cast<iconv_t>(-1);

// iconv_open reads the gconv configuration and loads modules, far too slow to
// do per call, so every thread keeps its descriptors open. A conversion never
// yields, so workers that share the OS thread never see one half done.
class ConverterCache {
public:
    ConverterCache() { cds_.fill(kNotOpen); }
    ~ConverterCache()
    {
        for (iconv_t cd : cds_)
            if (cd != kNotOpen)
                iconv_close(cd);
    }
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;

    iconv_t get(Conv c)
    {
        iconv_t& cd = cds_[size_t(c)];
        if (cd == kNotOpen) {
            const ConvNames& n = kConvNames[size_t(c)];
            cd = iconv_open(n.to, n.from);
            if (cd == kNotOpen)
                throw EncodingException(std::string("no converter from ") + n.from + " to " + n.to);
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        return cd;
    }

private:
    std::array<iconv_t, size_t(Conv::Count)> cds_;
};

iconv_t converter(Conv c)
{
    thread_local ConverterCache cache;
    return cache.get(c);
}

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

// Faults in [begin, begin + size) with one call rather than one page fault
// per 4 KB page as a conversion first writes there. A hint only.
void populate(char* begin, size_t size)
{
    static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t from = (reinterpret_cast<uintptr_t>(begin) + page - 1) & ~(page - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(begin) + size) & ~(page - 1);
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
}

// Sizes out to capacity bytes, a large buffer faulted in first.
void presize(std::string& out, size_t capacity)
{
    out.clear();
    if (capacity >= (size_t(1) << 20)) {
        out.reserve(capacity);
        populate(out.data(), capacity);
    }
    out.resize(capacity);
}

struct Status {
    enum Kind { Ok, Invalid, Incomplete } kind = Ok;
    size_t offset = 0; // in the input of the failing call
};

// Rewrites the output that one conversion step added, [begin, end) of out, in
// place; returns the new end.
using PieceFix = size_t (*)(char* out, size_t begin, size_t end);

// Looks at the input that one conversion step took, whole characters from a
// character boundary: true when it holds a form the reader must note.
using PieceCheck = bool (*)(const unsigned char* in, size_t size);

// Takes up one character that the converter refused, at the start of
// [at, at + left), writing it into out[0, room) itself.
class Detour {
public:
    struct Taken {
        size_t in = 0;     // input bytes taken; 0 when the character stays refused
        size_t out = 0;    // output bytes written
        bool full = false; // nothing done for want of room
    };
    virtual ~Detour() = default;
    virtual Taken take(iconv_t cd, const char* at, size_t left, char* out, size_t room) = 0;

    bool marked = false; // met a form the reader must note, or left work for after the conversion
};

struct Hooks {
    PieceFix fix = nullptr;
    PieceCheck check = nullptr;
    Detour* detour = nullptr;
};

// What one conversion into a fixed buffer did.
struct Step {
    Status::Kind kind = Status::Ok;
    bool full = false;   // stopped for want of room, at consumed
    size_t consumed = 0; // input bytes taken
    size_t produced = 0; // output bytes written
    bool marked = false; // the check found something
};

// Converts in into out[0, room). With a fix or a check the input goes in
// slices, so that they read bytes that are still in the cache. After a
// detour the slices start small and grow again: glibc converts ahead of
// where it stops, and each refused character would otherwise cost it the
// whole rest of the text again.
Step convertInto(iconv_t cd, std::string_view in, char* out, size_t room, const Hooks& hooks)
{
    constexpr size_t kSlice = size_t(64) << 10;
    constexpr size_t kAfterDetour = 64;
    size_t slice = hooks.fix || hooks.check ? kSlice : SIZE_MAX;
    char* inPtr = const_cast<char*>(in.data());
    const char* const inEnd = in.data() + in.size();
    size_t produced = 0;
    bool marked = false;
    while (inPtr < inEnd) {
        const char* sliceEnd = size_t(inEnd - inPtr) > slice ? inPtr + slice : inEnd;
        const char* const sliceStart = inPtr;
        size_t inLeft = size_t(sliceEnd - inPtr);
        char* outPtr = out + produced;
        size_t outLeft = room - produced;
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = r == size_t(-1) ? errno : 0;
        const size_t before = produced;
        produced = size_t(outPtr - out);
        if (hooks.fix && produced > before)
            produced = hooks.fix(out, before, produced);
        if (hooks.check && !marked && inPtr > sliceStart)
            marked = hooks.check(reinterpret_cast<const unsigned char*>(sliceStart), size_t(inPtr - sliceStart));
        const size_t consumed = size_t(inPtr - in.data());
        if (error == E2BIG)
            return {Status::Ok, true, consumed, produced, marked};
        if (error == EILSEQ && hooks.detour) {
            const Detour::Taken t = hooks.detour->take(cd, inPtr, size_t(inEnd - inPtr), out + produced, room - produced);
            if (t.full)
                return {Status::Ok, true, consumed, produced, marked};
            if (t.in == 0)
                return {Status::Invalid, false, consumed, produced, marked};
            inPtr += t.in;
            produced += t.out;
            slice = kAfterDetour;
            continue;
        }
        if (slice < kSlice)
            slice *= 2;
        if (error == EINVAL) {
            // A sequence cut by the slice end is taken up by the next slice.
            if (sliceEnd == inEnd)
                return {Status::Incomplete, false, consumed, produced, marked};
        } else if (error != 0) {
            return {Status::Invalid, false, consumed, produced, marked};
        }
    }
    return {Status::Ok, false, in.size(), produced, marked};
}

// One strict conversion into a single growing buffer.
class Run {
public:
    Run(iconv_t cd, size_t capacity) : cd_(cd) { presize(out_, capacity); }

    // Converts all of in.
    Status feed(std::string_view in, const Hooks& hooks = {})
    {
        size_t done = 0;
        for (;;) {
            const Step s = convertInto(cd_, in.substr(done), out_.data() + used_, out_.size() - used_, hooks);
            used_ += s.produced;
            done += s.consumed;
            marked_ = marked_ || s.marked;
            if (s.full)
                grow();
            else if (s.kind == Status::Ok)
                return {};
            else
                return {s.kind, done};
        }
    }

    // Writes what brings a stateful encoding back to its initial state.
    Status flush()
    {
        for (;;) {
            char* outPtr = out_.data() + used_;
            size_t outLeft = out_.size() - used_;
            const size_t r = iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
            used_ = size_t(outPtr - out_.data());
            if (r != size_t(-1))
                return {};
            if (errno != E2BIG)
                return {Status::Invalid, 0};
            grow();
        }
    }

    // Appends bytes as they are (a byte-order mark).
    void put(std::string_view raw)
    {
        if (raw.empty())
            return; // an empty view may hold no address at all
        while (out_.size() - used_ < raw.size())
            grow();
        std::memcpy(out_.data() + used_, raw.data(), raw.size());
        used_ += raw.size();
    }

    size_t used() const { return used_; }
    // Whether a check of some feed found something.
    bool marked() const { return marked_; }
    void truncate(size_t used) { used_ = used; }
    std::string take()
    {
        out_.resize(used_);
        return std::move(out_);
    }

private:
    void grow() { out_.resize(out_.size() * 2 + 64); }

    iconv_t cd_;
    std::string out_;
    size_t used_ = 0;
    bool marked_ = false;
};

// --- Messages --------------------------------------------------------------

std::string hex(uint32_t cp)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", unsigned(cp));
    return buf;
}

[[noreturn]] void failDecode(const std::string& name, const Status& st)
{
    if (st.kind == Status::Incomplete)
        throw EncodingException(name + ": incomplete sequence at the end of the text (byte " +
                                std::to_string(st.offset) + ")");
    throw EncodingException(name + ": bytes at offset " + std::to_string(st.offset) + " do not decode");
}

// The character at byte offset i of valid UTF-8.
uint32_t codePointAt(std::string_view s, size_t i)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const unsigned char b = p[i];
    if (b < 0x80)
        return b;
    if (b < 0xE0)
        return (uint32_t(b & 0x1F) << 6) | (p[i + 1] & 0x3F);
    if (b < 0xF0)
        return (uint32_t(b & 0x0F) << 12) | (uint32_t(p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
    return (uint32_t(b & 0x07) << 18) | (uint32_t(p[i + 1] & 0x3F) << 12) |
           (uint32_t(p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
}

[[noreturn]] void failEncode(const std::string& name, std::string_view utf8, size_t offset)
{
    throw EncodingException(name + " cannot hold " + hex(codePointAt(utf8, offset)) + " (byte " +
                            std::to_string(offset) + " of the text)");
}

void requireUtf8(std::string_view utf8)
{
    if (!isValidUtf8(utf8))
        throw EncodingException("the text is not valid UTF-8");
}

// --- Characters that glibc writes but that do not read back ----------------

struct CodeRange {
    uint32_t first, last;
};

// glibc writes the yen sign and the overline as 0x5C and 0x7E, which this
// program reads back as backslash and tilde (also after ESC ( J); CP932 writes
// the em dash as 0x815C, which reads back as the horizontal bar; and the
// language tags U+E0000-U+E007F are silently left out. Each would change the
// text on a save, so they count as characters the encoding cannot hold.
constexpr CodeRange kLostInShiftJIS[] = {{0xA5, 0xA5}, {0x2014, 0x2014}, {0x203E, 0x203E}, {0xE0000, 0xE007F}};
constexpr CodeRange kLostInEUCJP[] = {{0xA5, 0xA5}, {0x203E, 0x203E}, {0xE0000, 0xE007F}};
// A raw ESC would be written as is and read back as a broken escape sequence.
constexpr CodeRange kLostInISO2022JP[] = {{0x1B, 0x1B}, {0xA5, 0xA5}, {0x203E, 0x203E}, {0xE0000, 0xE007F}};

constexpr unsigned char firstByteOf(uint32_t cp)
{
    return static_cast<unsigned char>(
        cp < 0x80 ? cp : cp < 0x800 ? 0xC0 | (cp >> 6) : cp < 0x10000 ? 0xE0 | (cp >> 12) : 0xF0 | (cp >> 18));
}

// The bytes that can start a character of one of ranges, for a quick first test.
template <size_t N>
constexpr std::array<bool, 256> firstBytesOf(const CodeRange (&ranges)[N])
{
    std::array<bool, 256> set {};
    for (const CodeRange& r : ranges)
        for (unsigned b = firstByteOf(r.first); b <= firstByteOf(r.last); ++b)
            set[b] = true;
    return set;
}

// Throws for the first character of valid UTF-8 that lies in one of ranges.
template <size_t N>
void requireHoldable(const std::string& name, std::string_view utf8, const CodeRange (&ranges)[N],
                     const std::array<bool, 256>& firstBytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char b = p[i];
        if (firstBytes[b]) {
            const uint32_t cp = codePointAt(utf8, i);
            for (const CodeRange& r : ranges)
                if (cp >= r.first && cp <= r.last)
                    failEncode(name, utf8, i);
        }
        i += b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    }
}

constexpr auto kLostInShiftJISFirst = firstBytesOf(kLostInShiftJIS);
constexpr auto kLostInEUCJPFirst = firstBytesOf(kLostInEUCJP);
constexpr auto kLostInISO2022JPFirst = firstBytesOf(kLostInISO2022JP);

// --- Shift_JIS as CP932 ----------------------------------------------------

// Where CP932 and the JIS tables of EUC-JP and ISO-2022-JP name different
// characters for one code (0x8160 wave dash, 0x8161 double vertical line,
// 0x817C minus sign, 0x8191 cent, 0x8192 pound, 0x81CA not sign, and the IBM
// broken bar 0xFA55, which EUC-JP holds as JIS X 0212's), Shift_JIS reads as
// the JIS character. CP932 writes both forms back to the same code; the
// broken bar, which it knows only in its own form, goes through that.
struct Alias {
    uint32_t cp932;
    uint32_t jis;
};
constexpr Alias kCp932Aliases[] = {
    {0xFF5E, 0x301C}, {0x2225, 0x2016}, {0xFF0D, 0x2212}, {0xFFE0, 0x00A2},
    {0xFFE1, 0x00A3}, {0xFFE2, 0x00AC}, {0xFFE4, 0x00A6},
};

// Every CP932 form above is a three-byte sequence that starts with 0xEF or
// 0xE2; bytes that never occur inside another character.
inline size_t findAliasLead(const unsigned char* p, size_t i, size_t end)
{
#if defined(__SSE2__)
    const __m128i ef = _mm_set1_epi8(char(0xEF));
    const __m128i e2 = _mm_set1_epi8(char(0xE2));
    for (; i + 16 <= end; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, ef), _mm_cmpeq_epi8(v, e2)));
        if (m)
            return i + size_t(__builtin_ctz(unsigned(m)));
    }
#endif
    while (i < end && p[i] != 0xEF && p[i] != 0xE2)
        ++i;
    return i;
}

size_t fixCp932Aliases(char* out, size_t begin, size_t end)
{
    auto* p = reinterpret_cast<unsigned char*>(out);
    size_t read = begin;  // start of the bytes not yet moved
    size_t write = begin; // where they go; the text shrinks where a 3-byte form becomes 2
    for (size_t i = findAliasLead(p, begin, end); i < end; i = findAliasLead(p, i, end)) {
        const uint32_t cp = (uint32_t(p[i] & 0x0F) << 12) | (uint32_t(p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
        const Alias* alias = nullptr;
        for (const Alias& a : kCp932Aliases)
            if (a.cp932 == cp)
                alias = &a;
        if (!alias) {
            i += 3;
            continue;
        }
        if (write != read)
            std::memmove(p + write, p + read, i - read);
        write += i - read;
        std::string jis;
        appendCodePoint(jis, alias->jis);
        std::memcpy(p + write, jis.data(), jis.size()); // never past i + 3
        write += jis.size();
        read = i = i + 3;
    }
    if (write != read)
        std::memmove(p + write, p + read, end - read);
    return write + (end - read);
}

// The code at the start of [at, at + left) if it is valid UTF-8; false
// otherwise.
bool utf8CharAt(const char* at, size_t left, uint32_t& cp, size_t& length)
{
    const auto b = static_cast<unsigned char>(at[0]);
    length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (length > left || !isValidUtf8(std::string_view(at, length)))
        return false;
    cp = codePointAt(std::string_view(at, length), 0);
    return true;
}

// Writes a JIS character that CP932 refuses (the broken bar) at the code of
// its CP932 form.
class ShiftJisAliasWrite : public Detour {
public:
    Taken take(iconv_t cd, const char* at, size_t left, char* out, size_t room) override
    {
        uint32_t cp = 0;
        size_t length = 0;
        if (!utf8CharAt(at, left, cp, length))
            return {};
        for (const Alias& a : kCp932Aliases) {
            if (a.jis != cp)
                continue;
            std::string own;
            appendCodePoint(own, a.cp932);
            if (room < 2)
                return {0, 0, true};
            char* inPtr = own.data();
            size_t inLeft = own.size();
            char* outPtr = out;
            size_t outLeft = room;
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1))
                return {};
            return {length, size_t(outPtr - out)};
        }
        return {};
    }
};

bool isShiftJisLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The bytes that lead every code of a character that CP932 writes at
// another code: NEC row 13 (0x87), the NEC-selected IBM extensions (0xED,
// 0xEE) and the IBM copies of NEC symbols (0xFA). Plain JIS text holds them
// only as second bytes.
inline size_t findOtherFormLead(const unsigned char* p, size_t i, size_t end)
{
#if defined(__SSE2__)
    const __m128i l87 = _mm_set1_epi8(char(0x87));
    const __m128i led = _mm_set1_epi8(char(0xED));
    const __m128i lee = _mm_set1_epi8(char(0xEE));
    const __m128i lfa = _mm_set1_epi8(char(0xFA));
    for (; i + 16 <= end; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, l87), _mm_cmpeq_epi8(v, led)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, lee), _mm_cmpeq_epi8(v, lfa)));
        if (const int m = _mm_movemask_epi8(hit))
            return i + size_t(__builtin_ctz(unsigned(m)));
    }
#endif
    while (i < end && p[i] != 0x87 && p[i] != 0xED && p[i] != 0xEE && p[i] != 0xFA)
        ++i;
    return i;
}

// Whether whole Shift_JIS characters hold a code other than the one CP932
// writes for its character. A candidate byte is a first byte when an even
// number of bytes that may lead a character stands right before it, back to
// a byte that cannot (which ends a character) or to a known start.
bool holdsOtherShiftJisForm(const unsigned char* p, size_t n)
{
    size_t knownStart = 0;
    for (size_t i = findOtherFormLead(p, 0, n); i + 1 < n; i = findOtherFormLead(p, i + 1, n)) {
        size_t k = i;
        while (k > knownStart && isShiftJisLead(p[k - 1]))
            --k;
        if ((i - k) % 2 != 0) {
            knownStart = i + 1; // the second byte of a character
            continue;
        }
        if (windows::isOtherShiftJisForm(uint32_t(p[i]) << 8 | p[i + 1]))
            return true;
        knownStart = i + 2;
    }
    return false;
}

// --- EUC-JP ----------------------------------------------------------------

// Reads the characters that EUC-JP refuses as EUC-JP-MS reads them: NEC row
// 13, the IBM extensions and the user-defined area.
class EucWindowsRead : public Detour {
public:
    explicit EucWindowsRead(bool noting) : noting_(noting) {}

    Taken take(iconv_t, const char* at, size_t left, char* out, size_t room) override
    {
        const auto b = static_cast<unsigned char>(at[0]);
        const size_t length = b == 0x8F ? 3 : (b == 0x8E || (b >= 0xA1 && b <= 0xFE)) ? 2 : 0;
        if (length == 0 || length > left)
            return {};
        if (room < 4) // one character of the Basic Multilingual Plane
            return {0, 0, true};
        char* inPtr = const_cast<char*>(at);
        size_t inLeft = length;
        char* outPtr = out;
        size_t outLeft = room;
        if (iconv(converter(Conv::FromEUCJPMS), &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0)
            return {};
        if (noting_ && !marked) {
            uint32_t code = 0;
            for (size_t k = 0; k < length; ++k)
                code = code << 8 | static_cast<unsigned char>(at[k]);
            marked = windows::isOtherEucJpForm(code);
        }
        return {length, size_t(outPtr - out)};
    }

private:
    bool noting_;
};

// The character that EUC-JP bytes read as, 0 when they do not read as one.
uint32_t eucJpCharOf(std::string_view bytes)
{
    for (Conv conv : {Conv::FromEUCJP, Conv::FromEUCJPMS}) {
        char buf[8];
        char* inPtr = const_cast<char*>(bytes.data());
        size_t inLeft = bytes.size();
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        if (iconv(converter(conv), &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) && inLeft == 0) {
            const std::string_view text(buf, size_t(outPtr - buf));
            uint32_t cp = 0;
            size_t length = 0;
            return !text.empty() && utf8CharAt(text.data(), text.size(), cp, length) && length == text.size() ? cp : 0;
        }
    }
    return 0;
}

// Writes a character that EUC-JP refuses as EUC-JP-MS writes it, where that
// reads back as the same character (not so the CP932 forms of the aliases,
// which EUC-JP-MS writes at the JIS codes).
class EucWindowsWrite : public Detour {
public:
    Taken take(iconv_t, const char* at, size_t left, char* out, size_t room) override
    {
        uint32_t cp = 0;
        size_t length = 0;
        if (!utf8CharAt(at, left, cp, length))
            return {};
        char buf[8];
        char* inPtr = const_cast<char*>(at);
        size_t inLeft = length;
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        if (iconv(converter(Conv::ToEUCJPMS), &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1))
            return {};
        const std::string_view bytes(buf, size_t(outPtr - buf));
        if (eucJpCharOf(bytes) != cp)
            return {};
        if (room < bytes.size())
            return {0, 0, true};
        std::memcpy(out, bytes.data(), bytes.size());
        return {length, bytes.size()};
    }
};

// --- ISO-2022-JP -----------------------------------------------------------

// The length of the G0 designation at i (ESC ( F, ESC $ F, ESC $ ( F), 0 for
// none.
size_t designationAt(std::string_view s, size_t i)
{
    if (s[i] != '\x1B' || i + 2 >= s.size())
        return 0;
    if (s[i + 1] == '(')
        return 3;
    if (s[i + 1] == '$')
        return s[i + 2] == '(' ? (i + 3 < s.size() ? 4 : 0) : 3;
    return 0;
}

// Reads rows 13 and 89-92 of the two-byte set, which the -2 table does not
// know, as Shift_JIS reads their Windows codes. The escapes before a refused
// pair tell whether the two-byte set is the one in use.
class JisWindowsRead : public Detour {
public:
    explicit JisWindowsRead(std::string_view bytes) : bytes_(bytes) {}

    Taken take(iconv_t, const char* at, size_t left, char* out, size_t room) override
    {
        const size_t pos = size_t(at - bytes_.data());
        for (size_t e = bytes_.find('\x1B', scanned_); e < pos; e = bytes_.find('\x1B', e + 1)) {
            if (const size_t n = designationAt(bytes_, e)) {
                const std::string_view d = bytes_.substr(e + 1, n - 1);
                twoByte_ = d == "$B" || d == "$@";
            }
        }
        scanned_ = pos;
        if (!twoByte_ || left < 2)
            return {};
        const uint32_t cp = windows::jisWindowsChar(static_cast<unsigned char>(at[0]), static_cast<unsigned char>(at[1]));
        if (cp == 0)
            return {};
        std::string utf8;
        appendCodePoint(utf8, cp);
        if (room < utf8.size())
            return {0, 0, true};
        std::memcpy(out, utf8.data(), utf8.size());
        return {2, utf8.size()};
    }

private:
    std::string_view bytes_;
    size_t scanned_ = 0;
    bool twoByte_ = false;
};

// UTF-8 in the -2 form, with the escape back to ASCII at its end; false
// when it refuses some of it.
bool inJis2(std::string_view utf8, std::string& out)
{
    iconv_t cd = converter(Conv::ToJIS2);
    out.resize(utf8.size() * 2 + 16);
    char* inPtr = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) ||
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1))
        return false;
    out.resize(size_t(outPtr - out.data()));
    return true;
}

// Writes what plain ISO-2022-JP refuses: a character of NEC row 13 or of the
// IBM extensions in its Windows form in the two-byte set, any other in the
// -2 form, together with the characters up to the next ASCII one or the next
// with a Windows form. Each piece is written with its own escapes, after the
// plain converter's state was brought back to ASCII; tidyJisEscapes() then
// drops the escapes that change nothing.
class JisWindowsWrite : public Detour {
public:
    Taken take(iconv_t cd, const char* at, size_t left, char* out, size_t room) override
    {
        constexpr size_t kRunAtMost = 4096;
        uint32_t cp = 0;
        size_t length = 0;
        if (!utf8CharAt(at, left, cp, length))
            return {};
        std::string piece;
        if (const uint32_t pair = windows::jisWindowsPair(cp)) {
            piece = "\x1B$B";
            piece += char(pair >> 8);
            piece += char(pair & 0xFF);
            piece += "\x1B(B";
        } else {
            size_t run = length;
            uint32_t next = 0;
            size_t nextLength = 0;
            while (run < kRunAtMost && run < left && static_cast<unsigned char>(at[run]) >= 0x80 &&
                   utf8CharAt(at + run, left - run, next, nextLength) && windows::jisWindowsPair(next) == 0)
                run += nextLength;
            // A run that the -2 form refuses somewhere goes one character at
            // a time, so that the one refused is the one reported.
            if (!inJis2(std::string_view(at, run), piece)) {
                if (!inJis2(std::string_view(at, length), piece))
                    return {};
                run = length;
            }
            length = run;
        }
        constexpr size_t kBackToAscii = 3; // ESC ( B
        if (room < kBackToAscii + piece.size())
            return {0, 0, true};
        char* outPtr = out;
        size_t outLeft = room;
        if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1))
            return {};
        std::memcpy(outPtr, piece.data(), piece.size());
        marked = true;
        return {length, size_t(outPtr - out) + piece.size()};
    }
};

// Drops each designation that another follows at once, or that names the
// set already in use.
void tidyJisEscapes(std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::string_view current = "\x1B(B";
    const std::string_view s = bytes;
    for (size_t i = 0; i < s.size();) {
        if (const size_t n = designationAt(s, i)) {
            const std::string_view d = s.substr(i, n);
            if (!(i + n < s.size() && designationAt(s, i + n)) && d != current) {
                out += d;
                current = d;
            }
            i += n;
        } else if (s[i] == '\x1B' && i + 1 < s.size() && s[i + 1] == 'N') {
            const size_t shifted = std::min<size_t>(3, s.size() - i); // single shift 2 and its character
            out += s.substr(i, shifted);
            i += shifted;
        } else {
            out += s[i++];
        }
    }
    bytes.swap(out);
}

// glibc copies an escape sequence it does not know into the text, so every
// escape is checked here first. ESC $ D (JIS X 0212 as the detector knows it)
// becomes the -2 table's ESC $ ( D; ESC ( J becomes ESC ( B, so that 0x5C and
// 0x7E read as backslash and tilde, as in Shift_JIS.
std::string_view prepareJis(std::string_view bytes, std::string& rewritten)
{
    static constexpr std::string_view kKnown[] = {"(B", "(I", "$@", "$B", "$A", "$(C", "$(D", ".A", ".F"};
    std::vector<size_t> rewrites; // escapes to rewrite, by position
    for (size_t at = bytes.find('\x1B'); at != std::string_view::npos; at = bytes.find('\x1B', at + 1)) {
        const std::string_view rest = bytes.substr(at + 1);
        if (rest.starts_with("(J") || rest.starts_with("$D")) {
            rewrites.push_back(at);
            continue;
        }
        if (rest.starts_with("N")) {
            at += 2; // single shift 2: the byte after it is a character (0x1B for CSI)
            continue;
        }
        bool known = false;
        for (std::string_view k : kKnown)
            known = known || rest.starts_with(k);
        if (!known)
            throw EncodingException("ISO-2022-JP: unknown escape sequence at byte " + std::to_string(at));
    }
    if (rewrites.empty())
        return bytes;
    rewritten.clear();
    rewritten.reserve(bytes.size() + rewrites.size());
    size_t from = 0;
    for (size_t at : rewrites) {
        rewritten.append(bytes.substr(from, at - from));
        rewritten.append(bytes[at + 1] == '(' ? "\x1B(B" : "\x1B$(D");
        from = at + 3;
    }
    rewritten.append(bytes.substr(from));
    return rewritten;
}

// --- Shared steps ----------------------------------------------------------

// With marked, tells whether a check or the detour found something.
std::string decodeWith(const std::string& name, Conv conv, std::string_view bytes, size_t capacity,
                       const Hooks& hooks = {}, bool* marked = nullptr)
{
    Run run(converter(conv), capacity);
    Status st = run.feed(bytes, hooks);
    if (st.kind == Status::Ok)
        st = run.flush();
    if (st.kind != Status::Ok)
        failDecode(name, st);
    if (marked)
        *marked = run.marked() || (hooks.detour && hooks.detour->marked);
    return run.take();
}

// --- Large texts in parts -------------------------------------------------

// A text of several megabytes in Shift_JIS or EUC-JP is converted in parts on
// as many threads, each part into its own region of the one output buffer;
// the regions are then closed up. The parts are cut after a byte below 0x80,
// which always ends a character in both: ASCII, or in Shift_JIS also the
// second byte of a pair; so each part reads as it would in the whole.
constexpr size_t kPartsFrom = size_t(4) << 20;
constexpr size_t kPartAtLeast = size_t(1) << 20;
constexpr size_t kCutSearch = size_t(64) << 10;

// Runs work(k) for k in [0, count) on threads, part 0 on the caller's; a part
// whose thread cannot be had runs on the caller's too.
template <class Work>
void runParts(size_t count, const Work& work)
{
    std::vector<std::thread> threads;
    std::vector<size_t> left;
    for (size_t k = 1; k < count; ++k) {
        try {
            threads.emplace_back(work, k);
        } catch (const std::system_error&) {
            left.push_back(k);
        }
    }
    work(0);
    for (size_t k : left)
        work(k);
    for (std::thread& t : threads)
        t.join();
}

// What reading one encoding takes beside its converter; a detour of its
// own for each part, when it needs one.
struct Reading {
    Conv conv;
    PieceFix fix = nullptr;
    PieceCheck check = nullptr;
    std::unique_ptr<Detour> (*detour)(bool noting) = nullptr;
    bool noting = false; // forms are being noted
};

// Decodes in parts; false when the text is too small, cannot be cut, or a
// part outgrew its region (then the caller converts it whole). marked as for
// decodeWith().
bool decodeInParts(const std::string& name, const Reading& reading, std::string_view bytes, std::string& result,
                   bool& marked)
{
    const Conv conv = reading.conv;
    if (bytes.size() < kPartsFrom)
        return false;
    const size_t wanted = std::min<size_t>({std::max(1u, std::thread::hardware_concurrency()), 16,
                                            bytes.size() / kPartAtLeast});
    std::vector<size_t> cuts {0};
    for (size_t k = 1; k < wanted; ++k) {
        size_t at = std::max(bytes.size() * k / wanted, cuts.back());
        const size_t limit = std::min(bytes.size(), at + kCutSearch);
        while (at < limit && static_cast<unsigned char>(bytes[at]) >= 0x80)
            ++at;
        if (at < limit && at + 1 < bytes.size())
            cuts.push_back(at + 1);
    }
    cuts.push_back(bytes.size());
    const size_t parts = cuts.size() - 1;
    if (parts < 2)
        return false;

    // Regions as large as the usual growth allows; see decode().
    std::vector<size_t> region {0};
    for (size_t k = 0; k < parts; ++k) {
        const size_t in = cuts[k + 1] - cuts[k];
        region.push_back(region.back() + in + in / 2 + 16);
    }
    std::string out;
    out.reserve(region.back());
    char* const base = out.data();
    runParts(parts, [&](size_t k) { populate(base + region[k], region[k + 1] - region[k]); });
    out.resize(region.back());

    std::vector<Step> steps(parts);
    std::vector<char> noConverter(parts, 0);
    std::vector<std::unique_ptr<Detour>> detours(parts);
    runParts(parts, [&](size_t k) {
        try {
            if (reading.detour)
                detours[k] = reading.detour(reading.noting);
            const Hooks hooks {reading.fix, reading.check, detours[k].get()};
            steps[k] = convertInto(converter(conv), bytes.substr(cuts[k], cuts[k + 1] - cuts[k]), base + region[k],
                                   region[k + 1] - region[k], hooks);
        } catch (const EncodingException&) {
            noConverter[k] = 1;
        }
    });

    for (size_t k = 0; k < parts; ++k) {
        if (noConverter[k])
            (void)converter(conv); // raises the same exception here
        if (steps[k].full)
            return false;
        if (steps[k].kind != Status::Ok) {
            // Only the last part can end inside a character.
            const Status::Kind kind = k + 1 < parts ? Status::Invalid : steps[k].kind;
            failDecode(name, {kind, cuts[k] + steps[k].consumed});
        }
    }
    size_t end = steps[0].produced;
    for (size_t k = 1; k < parts; ++k) {
        std::memmove(base + end, base + region[k], steps[k].produced);
        end += steps[k].produced;
    }
    out.resize(end);
    result = std::move(out);
    marked = false;
    for (size_t k = 0; k < parts; ++k)
        marked = marked || steps[k].marked || (detours[k] && detours[k]->marked);
    return true;
}

// Decodes whole or in parts.
std::string decodeAll(const std::string& name, const Reading& reading, std::string_view bytes, size_t capacity,
                      bool& marked)
{
    std::string text;
    if (decodeInParts(name, reading, bytes, text, marked))
        return text;
    std::unique_ptr<Detour> detour = reading.detour ? reading.detour(reading.noting) : nullptr;
    return decodeWith(name, reading.conv, bytes, capacity, {reading.fix, reading.check, detour.get()}, &marked);
}

// Encodes UTF-8; on failure gives the offset in utf8 where it stopped. glibc
// checks the UTF-8 as strictly as isValidUtf8 does.
bool encodeWith(Conv conv, std::string_view utf8, size_t capacity, std::string& out, size_t& failedAt,
                std::string_view prefix = {}, Detour* detour = nullptr)
{
    Run run(converter(conv), capacity + prefix.size());
    run.put(prefix);
    Status st = run.feed(utf8, {nullptr, nullptr, detour});
    if (st.kind == Status::Ok)
        st = run.flush();
    if (st.kind != Status::Ok) {
        failedAt = st.offset;
        return false;
    }
    out = run.take();
    return true;
}

// Tells a text that is not UTF-8 from a character the encoding has not.
[[noreturn]] void failEncodeAt(const std::string& name, std::string_view utf8, size_t failedAt)
{
    requireUtf8(utf8);
    failEncode(name, utf8, failedAt);
}

std::string encodeOrFail(const std::string& name, Conv conv, std::string_view utf8, size_t capacity,
                         std::string_view prefix = {}, Detour* detour = nullptr)
{
    std::string out;
    size_t failedAt = 0;
    if (!encodeWith(conv, utf8, capacity, out, failedAt, prefix, detour))
        failEncodeAt(name, utf8, failedAt);
    return out;
}

// A mark as the value's byte order writes it.
std::string_view markFor(bool bigEndian)
{
    return bigEndian ? std::string_view("\xFE\xFF", 2) : std::string_view("\xFF\xFE", 2);
}

// UTF-7 may end inside a base64 run without its closing "-". glibc does not
// check the bits left over at the end of its input, so a "-" is fed after the
// text: it closes an open run, checking the bits, or is an ordinary character
// that is taken back out.
Status finishUtf7(Run& run)
{
    const size_t before = run.used();
    Status st = run.feed("-");
    if (st.kind == Status::Ok)
        run.truncate(before);
    return st;
}

// The characters UTF-7 may write directly or encode; glibc encodes them.
constexpr std::string_view kOptionalDirect = "!\"#$%&*;<=>@[]^_`{|}";

bool isBase64(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Which of them valid UTF-7 bytes write directly: bit i for the i-th.
uint32_t utf7Directs(std::string_view bytes)
{
    uint32_t seen = 0;
    bool inRun = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (inRun) {
            if (isBase64(c))
                continue;
            inRun = false;
            if (c == '-') // closes the run and is no character
                continue;
        }
        if (c == '+') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '-')
                ++i; // "+-" is a plus sign
            else
                inRun = true;
            continue;
        }
        const size_t k = kOptionalDirect.find(c);
        if (k != std::string_view::npos)
            seen |= uint32_t(1) << k;
    }
    return seen;
}

// UTF-7 with the optional direct characters in direct written directly. The
// text between them goes through the converter with a "." after it, which
// ends an open run without a "-" and is then taken back out.
std::string encodeUtf7Keeping(const std::string& name, std::string_view utf8, uint32_t direct)
{
    Run run(converter(Conv::ToUTF7), utf8.size() * 2 + 16);
    size_t from = 0;
    auto feed = [&](std::string_view piece, size_t at) {
        const Status st = run.feed(piece);
        if (st.kind != Status::Ok)
            failEncodeAt(name, utf8, at + st.offset);
    };
    for (size_t i = 0; i < utf8.size(); ++i) {
        const size_t k = kOptionalDirect.find(utf8[i]);
        if (k == std::string_view::npos || !(direct >> k & 1))
            continue;
        if (i > from) {
            feed(utf8.substr(from, i - from), from);
            feed(".", i);
            run.truncate(run.used() - 1);
        }
        run.put(utf8.substr(i, 1));
        from = i + 1;
    }
    feed(utf8.substr(from), from);
    if (run.flush().kind != Status::Ok)
        throw EncodingException(name + ": the text cannot be ended");
    return run.take();
}

std::unique_ptr<Detour> makeEucWindowsRead(bool noting)
{
    return std::make_unique<EucWindowsRead>(noting);
}

} // namespace

// --- TextEncoding ----------------------------------------------------------

std::string TextEncoding::name() const
{
    switch (kind_) {
    case Kind::ShiftJIS: return "Shift_JIS";
    case Kind::EUCJP: return "EUC-JP";
    case Kind::ISO2022JP: return "ISO-2022-JP";
    case Kind::UTF8: return "UTF-8";
    case Kind::UTF16: return bigEndian_ ? "UTF-16BE" : "UTF-16LE";
    case Kind::UTF7: return "UTF-7";
    }
    return "?";
}

std::string TextEncoding::decode(std::string_view bytes) const
{
    return decode(bytes, nullptr);
}

std::string TextEncoding::decode(std::string_view bytes, TextForms* forms) const
{
    // Room for the usual growth: two bytes of a Japanese encoding or of UTF-16
    // become three of UTF-8. Single-byte katakana grow more; the run grows.
    const size_t capacity = bytes.size() + bytes.size() / 2 + 16;
    const bool noting = forms != nullptr;
    bool marked = false;
    std::string text;
    switch (kind_) {
    case Kind::UTF8:
        requireUtf8(bytes);
        return std::string(bytes);
    case Kind::ShiftJIS:
        text = decodeAll(name(), {Conv::FromCP932, fixCp932Aliases, noting ? holdsOtherShiftJisForm : nullptr},
                         bytes, capacity, marked);
        break;
    case Kind::EUCJP:
        text = decodeAll(name(), {Conv::FromEUCJP, nullptr, nullptr, makeEucWindowsRead, noting}, bytes, capacity,
                         marked);
        break;
    case Kind::ISO2022JP: {
        std::string rewritten;
        const std::string_view prepared = prepareJis(bytes, rewritten);
        JisWindowsRead windowsForms(prepared);
        return decodeWith(name(), Conv::FromJIS2, prepared, capacity, {nullptr, nullptr, &windowsForms});
    }
    case Kind::UTF16: {
        std::string_view body = bytes;
        if (byteOrderMark_ && body.starts_with(markFor(bigEndian_)))
            body.remove_prefix(2);
        return decodeWith(name(), bigEndian_ ? Conv::FromUTF16BE : Conv::FromUTF16LE, body, capacity);
    }
    case Kind::UTF7: {
        Run run(converter(Conv::FromUTF7), bytes.size() + bytes.size() / 8 + 16);
        const Status st = run.feed(bytes);
        if (st.kind != Status::Ok)
            failDecode(name(), st);
        if (finishUtf7(run).kind != Status::Ok) // the stray bits of a last open run
            failDecode(name(), {Status::Incomplete, bytes.size()});
        text = run.take();
        marked = true; // its direct characters are read by noteForms()
        break;
    }
    }
    if (forms && marked)
        forms->unread_ = true;
    return text;
}

void TextEncoding::noteForms(std::string_view bytes, TextForms& forms) const
{
    if (!forms.unread_)
        return;
    forms.unread_ = false;
    switch (kind_) {
    case Kind::ShiftJIS:
        forms.swaps_ = windows::shiftJisSwaps(bytes);
        break;
    case Kind::EUCJP:
        forms.swaps_ = windows::eucJpSwaps(bytes);
        break;
    case Kind::UTF7:
        forms.direct_ = utf7Directs(bytes);
        break;
    default:
        break;
    }
}

std::string TextEncoding::encode(std::string_view utf8) const
{
    return encode(utf8, nullptr);
}

std::string TextEncoding::encode(std::string_view utf8, const TextForms* forms) const
{
    const bool swapping = forms && !forms->swaps_.empty();
    // The characters that glibc writes as others are looked for once the
    // conversion has shown the text to be valid UTF-8.
    switch (kind_) {
    case Kind::UTF8:
        requireUtf8(utf8);
        return std::string(utf8);
    case Kind::ShiftJIS: {
        ShiftJisAliasWrite aliases;
        std::string out = encodeOrFail(name(), Conv::ToCP932, utf8, utf8.size() + 16, {}, &aliases);
        requireHoldable(name(), utf8, kLostInShiftJIS, kLostInShiftJISFirst);
        return swapping ? windows::withShiftJisSwaps(out, forms->swaps_) : out;
    }
    case Kind::EUCJP: {
        // Three bytes of UTF-8 become two; only JIS X 0212 grows, rarely much.
        EucWindowsWrite windowsForms;
        std::string out =
            encodeOrFail(name(), Conv::ToEUCJP, utf8, utf8.size() + utf8.size() / 8 + 16, {}, &windowsForms);
        requireHoldable(name(), utf8, kLostInEUCJP, kLostInEUCJPFirst);
        return swapping ? windows::withEucJpSwaps(out, forms->swaps_) : out;
    }
    case Kind::ISO2022JP: {
        // Plain ISO-2022-JP where the text allows; what it refuses in its
        // Windows form or else in the -2 form (half-width katakana, JIS X
        // 0212, ...).
        JisWindowsWrite windowsForms;
        std::string out =
            encodeOrFail(name(), Conv::ToJIS, utf8, utf8.size() + utf8.size() / 8 + 16, {}, &windowsForms);
        requireHoldable(name(), utf8, kLostInISO2022JP, kLostInISO2022JPFirst);
        if (windowsForms.marked)
            tidyJisEscapes(out);
        return out;
    }
    case Kind::UTF16:
        return encodeOrFail(name(), bigEndian_ ? Conv::ToUTF16BE : Conv::ToUTF16LE, utf8, utf8.size() * 2 + 16,
                            byteOrderMark_ ? markFor(bigEndian_) : std::string_view());
    case Kind::UTF7:
        if (forms && forms->direct_ != 0)
            return encodeUtf7Keeping(name(), utf8, forms->direct_);
        return encodeOrFail(name(), Conv::ToUTF7, utf8, utf8.size() * 2 + 16);
    }
    throw EncodingException("unknown encoding");
}

bool decodesAsUtf7(std::string_view bytes, bool mayBeCut)
{
    Run run(converter(Conv::FromUTF7), bytes.size() + bytes.size() / 8 + 16);
    const Status st = run.feed(bytes);
    if (st.kind == Status::Invalid)
        return false;
    if (mayBeCut) // whatever is left open at the end goes on beyond the bytes
        return true;
    return st.kind == Status::Ok && finishUtf7(run).kind == Status::Ok;
}

// --- Encodings -------------------------------------------------------------

namespace Encodings {

const TextEncodingRef& UTF8()
{
    static const TextEncodingRef e = std::make_shared<const TextEncoding>(TextEncoding::Kind::UTF8);
    return e;
}

const TextEncodingRef& ShiftJIS()
{
    static const TextEncodingRef e = std::make_shared<const TextEncoding>(TextEncoding::Kind::ShiftJIS);
    return e;
}

const TextEncodingRef& EUCJP()
{
    static const TextEncodingRef e = std::make_shared<const TextEncoding>(TextEncoding::Kind::EUCJP);
    return e;
}

const TextEncodingRef& ISO2022JP()
{
    static const TextEncodingRef e = std::make_shared<const TextEncoding>(TextEncoding::Kind::ISO2022JP);
    return e;
}

const TextEncodingRef& UTF7()
{
    static const TextEncodingRef e = std::make_shared<const TextEncoding>(TextEncoding::Kind::UTF7);
    return e;
}

const TextEncodingRef& UTF16(bool bigEndian, bool byteOrderMark)
{
    using K = TextEncoding::Kind;
    static const TextEncodingRef forms[2][2] = {
        {std::make_shared<const TextEncoding>(K::UTF16, false, false),
         std::make_shared<const TextEncoding>(K::UTF16, false, true)},
        {std::make_shared<const TextEncoding>(K::UTF16, true, false),
         std::make_shared<const TextEncoding>(K::UTF16, true, true)},
    };
    return forms[bigEndian ? 1 : 0][byteOrderMark ? 1 : 0];
}

} // namespace Encodings

} // namespace tv
