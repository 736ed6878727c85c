#include "encoding/core/detectKanji.h"

#include "platform/core/Text.h"
#include "platform/core/Thread.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

namespace tv {

namespace {

// Positions 0 to 999 are examined; a sequence that starts at 999 may read on.
constexpr long kLastExamined = 999;
// The sample bytes that the UTF-7 check reads, the same 1000.
constexpr size_t kExaminedBytes = 1000;
// A UTF-7-like score must be above this, the score of plain single-byte text.
constexpr int kUtf7Threshold = 50;

constexpr uint8_t kEsc = 0x1B;

// --- Byte classes ----------------------------------------------------------

struct ByteRange {
    uint8_t first, last;
};

struct ByteClass {
    std::array<bool, 256> has {};
};

constexpr ByteClass bytesIn(std::initializer_list<ByteRange> ranges)
{
    ByteClass c;
    for (const ByteRange& r : ranges)
        for (unsigned b = r.first; b <= r.last; ++b)
            c.has[b] = true;
    return c;
}

// The bytes in which every bit of mask is set.
constexpr ByteClass bitsSet(uint8_t mask)
{
    ByteClass c;
    for (unsigned b = 0; b < 256; ++b)
        c.has[b] = (b & mask) == mask;
    return c;
}

// One row of a detector's table: a lead byte of class lead, followed by
// `follow` bytes each in class trail, weighs `weight`. A row without
// followers weighs its single byte.
struct ClassRow {
    ByteClass lead;
    int follow;
    ByteClass trail;
    int weight;
};

// The rows in order, and for each byte value the first row that holds it.
template <size_t N>
struct ClassTable {
    std::array<ClassRow, N> rows;
    std::array<uint8_t, 256> rowOf {};
};

template <size_t N>
constexpr ClassTable<N> makeTable(const std::array<ClassRow, N>& rows)
{
    ClassTable<N> t {rows};
    for (unsigned b = 0; b < 256; ++b) {
        size_t r = 0;
        while (r < N && !rows[r].lead.has[b])
            ++r;
        if (r == N)
            throw "every byte value needs a row"; // fails the constant evaluation
        t.rowOf[b] = uint8_t(r);
    }
    return t;
}

constexpr ByteClass kNone {};
constexpr ByteClass kPrintable = bytesIn({{0x20, 0x7E}});
constexpr ByteClass kControl = bytesIn({{0x00, 0x1F}, {0x7F, 0x7F}});
constexpr ByteClass kAnyByte = bytesIn({{0x00, 0xFF}});

// Shift_JIS.
constexpr auto kSjisTable = makeTable(std::array<ClassRow, 5> {{
    {bytesIn({{0x81, 0x9F}, {0xE0, 0xEF}}), 1, bytesIn({{0x40, 0x7E}, {0x80, 0xFC}}), 4}, // double-byte
    {bytesIn({{0xA1, 0xDF}}), 0, kNone, 1},                                              // half-width katakana
    {kPrintable, 0, kNone, 1},
    {kControl, 0, kNone, 1},
    {kAnyByte, 0, kNone, 0}, // 0x80, 0xA0, 0xF0-0xFF
}});

// EUC-JP.
constexpr ByteClass kEucByte = bytesIn({{0xA1, 0xFE}});
constexpr auto kEucTable = makeTable(std::array<ClassRow, 6> {{
    {bytesIn({{0x8E, 0x8E}}), 1, bytesIn({{0xA1, 0xDF}}), 4}, // single shift 2: half-width katakana
    {bytesIn({{0x8F, 0x8F}}), 2, kEucByte, 6},                // single shift 3: supplementary set
    {kEucByte, 1, kEucByte, 4},                               // double-byte
    {kPrintable, 0, kNone, 1},
    {kControl, 0, kNone, 1},
    {kAnyByte, 0, kNone, 0}, // 0x80-0x8D, 0x90-0xA0, 0xFF
}});

// UTF-8: the lead is judged by its bit pattern alone.
constexpr ByteClass kContinuation = bytesIn({{0x80, 0xBF}});
constexpr auto kUtf8Table = makeTable(std::array<ClassRow, 8> {{
    {bitsSet(0xFC), 5, kContinuation, 12},
    {bitsSet(0xF8), 4, kContinuation, 10},
    {bitsSet(0xF0), 3, kContinuation, 8},
    {bitsSet(0xE0), 2, kContinuation, 6},
    {bitsSet(0xC0), 1, kContinuation, 4},
    {kPrintable, 0, kNone, 1},
    {kControl, 0, kNone, 1},
    {kAnyByte, 0, kNone, 0}, // a continuation byte on its own
}});

// --- ISO-2022-JP escapes and the UTF-7 alphabet -----------------------------

struct EscapeTail {
    uint8_t intermediate, final;
};

constexpr EscapeTail kJisEscapes[] = {
    {'(', 'B'}, // ASCII
    {'(', 'J'}, // JIS X 0201 Roman
    {'(', 'I'}, // JIS X 0201 katakana
    {'$', '@'}, // JIS C 6226-1978
    {'$', 'B'}, // JIS X 0208-1983
    {'$', 'D'}, // JIS X 0212-1990
};

constexpr bool isJisEscapeTail(uint8_t intermediate, uint8_t final)
{
    for (const EscapeTail& e : kJisEscapes)
        if (e.intermediate == intermediate && e.final == final)
            return true;
    return false;
}

constexpr std::string_view kBase64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Each byte's value as a base64 letter, -1 for the others.
constexpr std::array<int8_t, 256> makeAlphabet()
{
    std::array<int8_t, 256> value {};
    value.fill(-1);
    for (size_t i = 0; i < kBase64Alphabet.size(); ++i)
        value[uint8_t(kBase64Alphabet[i])] = int8_t(i);
    return value;
}
constexpr std::array<int8_t, 256> kBase64Value = makeAlphabet();

// --- The common frame ------------------------------------------------------

// A yield point every 64 visits: a sample is examined in a few microseconds,
// and a clock read at every byte would cost more than the examining.
class Visits {
public:
    void next()
    {
        if (++count_ % 64 == 0)
            yieldToOthers();
    }

private:
    unsigned count_ = 0;
};

struct Frame {
    explicit Frame(std::string_view sample)
        : p(reinterpret_cast<const uint8_t*>(sample.data())), last(long(sample.size()) - 1),
          n(std::min(last, kLastExamined))
    {
    }
    const uint8_t* p;
    long last; // the sample's last index, -1 when empty
    long n;    // the last examined position
};

// (score x 100) / ((n + 1) x 2), the program's one conversion to an integer.
int normalise(long score, long n)
{
    return toInt32(double(score * 100) / double((n + 1) * 2));
}

// A table detector: at each visit the first row whose class holds the byte
// decides; a sequence whose followers are missing or out of range weighs
// nothing and consumes its lead alone. With utf8Mark, EF BB BF at a visit is
// the sure sign.
template <size_t N>
int scoreByTable(std::string_view sample, const ClassTable<N>& table, bool utf8Mark)
{
    const Frame f(sample);
    if (f.n < 0)
        return 0;
    long score = 0;
    Visits visits;
    for (long i = 0; i <= f.n;) {
        const uint8_t b = f.p[i];
        if (utf8Mark && b == 0xEF && i <= f.last - 2 && f.p[i + 1] == 0xBB && f.p[i + 2] == 0xBF)
            return detectKanji::sureSign;
        const ClassRow& row = table.rows[table.rowOf[b]];
        long next = i + 1;
        if (row.follow == 0) {
            score += row.weight;
        } else if (i <= f.last - row.follow) {
            int k = 1;
            while (k <= row.follow && row.trail.has[f.p[i + k]])
                ++k;
            if (k > row.follow) {
                score += row.weight;
                next = i + 1 + row.follow;
            }
        }
        i = next;
        visits.next();
    }
    return normalise(score, f.n);
}

// Byte order and mark of a sample judged UTF-16. Without a mark at the start,
// the zero bytes tell: text of Latin letters, digits and much else has them in
// the high half of each unit, first in big-endian, second in little-endian.
TextEncodingRef utf16Form(std::string_view sample)
{
    if (sample.starts_with("\xFE\xFF"))
        return Encodings::UTF16(true, true);
    if (sample.starts_with("\xFF\xFE"))
        return Encodings::UTF16(false, true);
    const auto* p = reinterpret_cast<const uint8_t*>(sample.data());
    const size_t n = std::min(sample.size(), kExaminedBytes);
    size_t even = 0, odd = 0;
    for (size_t i = 0; i < n; ++i)
        if (p[i] == 0)
            ++(i % 2 ? odd : even);
    if (even != odd)
        return Encodings::UTF16(even > odd, false);
    // The zeros do not decide: a little-endian mark further on does.
    for (size_t i = 0; i + 1 < n; i += 2)
        if (p[i] == 0xFF && p[i + 1] == 0xFE)
            return Encodings::UTF16(false, false);
    return Encodings::UTF16(true, false);
}

// Whether the examined bytes read as UTF-7 at all: only 7-bit bytes, and a
// run that forms a 16-bit unit beyond ASCII. Plain text holding "+-" (UTF-7's
// "+") or "+1-555-1234" scores like UTF-7 and forms nothing of the kind. Runs
// are those the score counts, from "+" to "-"; their units are formed from
// the base64 letters right after the "+", as a decoder reads them, whether
// or not stray bits are left. A run still open where a sample of 1000 bytes
// or more is cut may go on beyond it, so it counts too.
bool formsUtf7Character(std::string_view sample)
{
    const Frame f(sample);
    bool found = false;
    bool inRun = false, reading = false, forms = false;
    uint32_t bits = 0;
    int bitCount = 0;
    for (long i = 0; i <= f.n; ++i) {
        const uint8_t b = f.p[i];
        if (b >= 0x80)
            return false;
        if (b == '+') {
            inRun = reading = true;
            forms = false;
            bits = 0;
            bitCount = 0;
        } else if (inRun && b == '-') {
            found = found || forms;
            inRun = reading = false;
        } else if (reading && kBase64Value[b] >= 0) {
            bits = (bits << 6) | uint32_t(kBase64Value[b]);
            bitCount += 6;
            if (bitCount >= 16) {
                bitCount -= 16;
                forms = forms || (bits >> bitCount) >= 0x80;
                bits &= (1u << bitCount) - 1;
            }
        } else {
            reading = false; // the letters a decoder reads end here
        }
    }
    return found || (inRun && forms && sample.size() >= kExaminedBytes);
}

} // namespace

int detectKanji::JudgeJIS(std::string_view sample, bool earlyExit) const
{
    const Frame f(sample);
    if (f.n < 0)
        return 0;
    long score = 0;
    Visits visits;
    for (long i = 0; i <= f.n; ++i) {
        const uint8_t b = f.p[i];
        if (b == kEsc && i <= f.last - 2 && isJisEscapeTail(f.p[i + 1], f.p[i + 2])) {
            if (earlyExit)
                return sureSign;
        } else if (b < 0x80 && b != kEsc) {
            ++score;
        }
        visits.next();
    }
    return normalise(score, f.n);
}

int detectKanji::JudgeUNI(std::string_view sample, bool earlyExit) const
{
    const Frame f(sample);
    if (f.n < 0)
        return 0;
    long score = 0;
    Visits visits;
    for (long i = 0; i <= f.n;) {
        const uint8_t b = f.p[i];
        if (earlyExit) {
            if (b == 0xFF && i <= f.last - 1 && f.p[i + 1] == 0xFE)
                return sureSign; // little-endian byte-order mark
            if (b == 0x00)
                return sureSign;
        }
        const bool surrogateLead = b >= 0xD8 && b <= 0xDF;
        if (surrogateLead && i <= f.last - 2) {
            score += 6;
            i += 3;
        } else if (!surrogateLead && i <= f.last - 1 && f.p[i + 1] != 0x00) {
            score += 4;
            i += 2;
        } else {
            i += 1;
        }
        visits.next();
    }
    return normalise(score, f.n);
}

int detectKanji::JudgeUTF8(std::string_view sample, bool earlyExit) const
{
    return scoreByTable(sample, kUtf8Table, earlyExit);
}

int detectKanji::JudgeUTF7(std::string_view sample, bool) const
{
    const Frame f(sample);
    if (f.n < 0)
        return 0;
    long score = 0;
    bool inRun = false;
    long runCount = 0;
    Visits visits;
    for (long i = 0; i <= f.n; ++i) {
        const uint8_t b = f.p[i];
        if (b == '+') {
            runCount = 1; // a "+" inside a run starts it afresh
            inRun = true;
        } else if (b == '-') {
            if (runCount > 0)
                score += 2 * (runCount + 1);
            runCount = 0;
            inRun = false;
        } else if (inRun) {
            if (kBase64Value[b] >= 0)
                ++runCount;
        } else if (b < 0x80) {
            ++score;
        }
        visits.next();
    }
    return normalise(score, f.n);
}

int detectKanji::JudgeSJIS(std::string_view sample, bool) const
{
    return scoreByTable(sample, kSjisTable, false);
}

int detectKanji::JudgeEUC(std::string_view sample, bool) const
{
    return scoreByTable(sample, kEucTable, false);
}

detectKanji::Judgement detectKanji::Judge(std::string_view sample) const
{
    // The sure signs, in this order; only these three detectors have one.
    if (JudgeJIS(sample, true) >= sureSign)
        return {Encodings::ISO2022JP(), true};
    if (JudgeUNI(sample, true) >= sureSign)
        return {utf16Form(sample), true};
    const int u8 = JudgeUTF8(sample, true);
    if (u8 >= sureSign)
        return {Encodings::UTF8(), true};
    const int u7 = JudgeUTF7(sample, true);
    const int sj = JudgeSJIS(sample, true);
    const int eu = JudgeEUC(sample, true);

    if (u7 >= sj && u7 >= eu && u7 >= u8) {
        if (u7 > kUtf7Threshold && formsUtf7Character(sample))
            return {Encodings::UTF7(), true};
        return {Encodings::ShiftJIS(), false};
    }
    if (u8 > sj && u8 > eu && u8 > u7)
        return {Encodings::UTF8(), false};
    if (eu > sj && eu > u7 && eu > u8)
        return {Encodings::EUCJP(), false};
    return {Encodings::ShiftJIS(), false};
}

} // namespace tv
