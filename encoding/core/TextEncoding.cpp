#include "encoding/core/TextEncoding.h"

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

// What one conversion into a fixed buffer did.
struct Step {
    Status::Kind kind = Status::Ok;
    bool full = false;   // stopped for want of room, at consumed
    size_t consumed = 0; // input bytes taken
    size_t produced = 0; // output bytes written
};

// Converts in into out[0, room). With a fix the input goes in slices, so that
// the fix reads output that is still in the cache.
Step convertInto(iconv_t cd, std::string_view in, char* out, size_t room, PieceFix fix)
{
    constexpr size_t kSlice = size_t(64) << 10;
    char* inPtr = const_cast<char*>(in.data());
    const char* const inEnd = in.data() + in.size();
    size_t produced = 0;
    while (inPtr < inEnd) {
        const char* sliceEnd = fix && size_t(inEnd - inPtr) > kSlice ? inPtr + kSlice : inEnd;
        size_t inLeft = size_t(sliceEnd - inPtr);
        char* outPtr = out + produced;
        size_t outLeft = room - produced;
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = r == size_t(-1) ? errno : 0;
        const size_t before = produced;
        produced = size_t(outPtr - out);
        if (fix && produced > before)
            produced = fix(out, before, produced);
        const size_t consumed = size_t(inPtr - in.data());
        if (error == E2BIG)
            return {Status::Ok, true, consumed, produced};
        if (error == EINVAL) {
            // A sequence cut by the slice end is taken up by the next slice.
            if (sliceEnd == inEnd)
                return {Status::Incomplete, false, consumed, produced};
        } else if (error != 0) {
            return {Status::Invalid, false, consumed, produced};
        }
    }
    return {Status::Ok, false, in.size(), produced};
}

// One strict conversion into a single growing buffer.
class Run {
public:
    Run(iconv_t cd, size_t capacity) : cd_(cd) { presize(out_, capacity); }

    // Converts all of in.
    Status feed(std::string_view in, PieceFix fix = nullptr)
    {
        size_t done = 0;
        for (;;) {
            const Step s = convertInto(cd_, in.substr(done), out_.data() + used_, out_.size() - used_, fix);
            used_ += s.produced;
            done += s.consumed;
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
    return cp < 0x80 ? cp : cp < 0x800 ? 0xC0 | (cp >> 6) : cp < 0x10000 ? 0xE0 | (cp >> 12) : 0xF0 | (cp >> 18);
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
// 0x817C minus sign, 0x8191 cent, 0x8192 pound, 0x81CA not sign), Shift_JIS
// reads as the JIS character. CP932 writes both forms back to the same code.
struct Alias {
    uint32_t cp932;
    uint32_t jis;
};
constexpr Alias kCp932Aliases[] = {
    {0xFF5E, 0x301C}, {0x2225, 0x2016}, {0xFF0D, 0x2212},
    {0xFFE0, 0x00A2}, {0xFFE1, 0x00A3}, {0xFFE2, 0x00AC},
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

// --- ISO-2022-JP -----------------------------------------------------------

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

std::string decodeWith(const std::string& name, Conv conv, std::string_view bytes, size_t capacity,
                       PieceFix fix = nullptr)
{
    Run run(converter(conv), capacity);
    Status st = run.feed(bytes, fix);
    if (st.kind == Status::Ok)
        st = run.flush();
    if (st.kind != Status::Ok)
        failDecode(name, st);
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

// Decodes in parts; false when the text is too small, cannot be cut, or a
// part outgrew its region (then the caller converts it whole).
bool decodeInParts(const std::string& name, Conv conv, std::string_view bytes, PieceFix fix, std::string& result)
{
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
    runParts(parts, [&](size_t k) {
        try {
            steps[k] = convertInto(converter(conv), bytes.substr(cuts[k], cuts[k + 1] - cuts[k]), base + region[k],
                                   region[k + 1] - region[k], fix);
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
    return true;
}

// Encodes UTF-8; on failure gives the offset in utf8 where it stopped. glibc
// checks the UTF-8 as strictly as isValidUtf8 does.
bool encodeWith(Conv conv, std::string_view utf8, size_t capacity, std::string& out, size_t& failedAt,
                std::string_view prefix = {})
{
    Run run(converter(conv), capacity + prefix.size());
    run.put(prefix);
    Status st = run.feed(utf8);
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
                         std::string_view prefix = {})
{
    std::string out;
    size_t failedAt = 0;
    if (!encodeWith(conv, utf8, capacity, out, failedAt, prefix))
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
    // Room for the usual growth: two bytes of a Japanese encoding or of UTF-16
    // become three of UTF-8. Single-byte katakana grow more; the run grows.
    const size_t capacity = bytes.size() + bytes.size() / 2 + 16;
    switch (kind_) {
    case Kind::UTF8:
        requireUtf8(bytes);
        return std::string(bytes);
    case Kind::ShiftJIS: {
        std::string text;
        if (decodeInParts(name(), Conv::FromCP932, bytes, fixCp932Aliases, text))
            return text;
        return decodeWith(name(), Conv::FromCP932, bytes, capacity, fixCp932Aliases);
    }
    case Kind::EUCJP: {
        std::string text;
        if (decodeInParts(name(), Conv::FromEUCJP, bytes, nullptr, text))
            return text;
        return decodeWith(name(), Conv::FromEUCJP, bytes, capacity);
    }
    case Kind::ISO2022JP: {
        std::string rewritten;
        return decodeWith(name(), Conv::FromJIS2, prepareJis(bytes, rewritten), capacity);
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
        return run.take();
    }
    }
    throw EncodingException("unknown encoding");
}

std::string TextEncoding::encode(std::string_view utf8) const
{
    // The characters that glibc writes as others are looked for once the
    // conversion has shown the text to be valid UTF-8.
    switch (kind_) {
    case Kind::UTF8:
        requireUtf8(utf8);
        return std::string(utf8);
    case Kind::ShiftJIS: {
        std::string out = encodeOrFail(name(), Conv::ToCP932, utf8, utf8.size() + 16);
        requireHoldable(name(), utf8, kLostInShiftJIS, kLostInShiftJISFirst);
        return out;
    }
    case Kind::EUCJP: {
        // Three bytes of UTF-8 become two; only JIS X 0212 grows, rarely much.
        std::string out = encodeOrFail(name(), Conv::ToEUCJP, utf8, utf8.size() + utf8.size() / 8 + 16);
        requireHoldable(name(), utf8, kLostInEUCJP, kLostInEUCJPFirst);
        return out;
    }
    case Kind::ISO2022JP: {
        // Plain ISO-2022-JP where the text allows; the -2 form only for
        // characters outside it (half-width katakana, JIS X 0212, ...).
        const size_t capacity = utf8.size() + utf8.size() / 8 + 16;
        std::string out;
        size_t failedAt = 0;
        if (!encodeWith(Conv::ToJIS, utf8, capacity, out, failedAt))
            out = encodeOrFail(name(), Conv::ToJIS2, utf8, capacity);
        requireHoldable(name(), utf8, kLostInISO2022JP, kLostInISO2022JPFirst);
        return out;
    }
    case Kind::UTF16:
        return encodeOrFail(name(), bigEndian_ ? Conv::ToUTF16BE : Conv::ToUTF16LE, utf8, utf8.size() * 2 + 16,
                            byteOrderMark_ ? markFor(bigEndian_) : std::string_view());
    case Kind::UTF7:
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
