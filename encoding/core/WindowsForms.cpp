#include "encoding/core/WindowsForms.h"

#include "encoding/core/TextEncoding.h"
#include "platform/core/Errors.h"
#include "platform/core/Text.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>

namespace tv::windows {

namespace {

// The one character that bytes read as; 0 when they do not decode or read as
// more or less than one.
uint32_t onlyChar(const TextEncoding& encoding, std::string_view bytes)
{
    std::string text;
    try {
        text = encoding.decode(bytes);
    } catch (const EncodingException&) {
        return 0;
    }
    if (text.empty())
        return 0;
    size_t i = 0;
    const uint32_t cp = nextCodePoint(text, i);
    return i == text.size() ? cp : 0;
}

uint32_t codeOf(std::string_view bytes)
{
    uint32_t code = 0;
    for (const char c : bytes)
        code = code << 8 | static_cast<unsigned char>(c);
    return code;
}

void appendCode(std::string& out, uint32_t code)
{
    if (code > 0xFFFF)
        out += char(code >> 16);
    out += char(code >> 8);
    out += char(code);
}

// Codes grouped by the character they read as, groups of one left out.
struct Groups {
    std::vector<uint32_t> written;                  // per group: the code the converter writes
    std::unordered_map<uint32_t, uint32_t> groupOf; // code -> group
};

Groups groupCodes(const TextEncoding& encoding, const std::vector<std::string>& codes)
{
    std::map<uint32_t, std::vector<uint32_t>> byChar;
    for (const std::string& c : codes)
        if (const uint32_t cp = onlyChar(encoding, c))
            byChar[cp].push_back(codeOf(c));
    Groups groups;
    for (const auto& [cp, list] : byChar) {
        if (list.size() < 2)
            continue;
        std::string utf8;
        appendCodePoint(utf8, cp);
        const auto group = uint32_t(groups.written.size());
        groups.written.push_back(codeOf(encoding.encode(utf8)));
        for (uint32_t code : list)
            groups.groupOf[code] = group;
    }
    return groups;
}

// Shift_JIS: the lead bytes where CP932 has characters at two or three codes
// (JIS row 2, NEC row 13, the NEC-selected and the IBM extensions).
constexpr unsigned char kSjisLeads[] = {0x81, 0x87, 0xED, 0xEE, 0xFA, 0xFB, 0xFC};

struct ShiftJisTable {
    std::vector<uint32_t> written;
    std::vector<uint16_t> groupOf; // by code - 0x8000: group + 1, 0 for none
};

const ShiftJisTable& shiftJisTable()
{
    static const ShiftJisTable table = [] {
        std::vector<std::string> codes;
        for (unsigned char lead : kSjisLeads)
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
                if (trail != 0x7F)
                    codes.push_back({char(lead), char(trail)});
        const Groups groups = groupCodes(*Encodings::ShiftJIS(), codes);
        ShiftJisTable t;
        t.written = groups.written;
        t.groupOf.assign(0x8000, 0);
        for (const auto& [code, group] : groups.groupOf)
            t.groupOf[code - 0x8000] = uint16_t(group + 1);
        return t;
    }();
    return table;
}

// EUC-JP: rows 1 and 2 and NEC row 13 of the two-byte set, and the rows of
// the three-byte set with JIS X 0212's symbols and the IBM extensions.
const Groups& eucJpGroups()
{
    static const Groups groups = [] {
        std::vector<std::string> codes;
        for (unsigned cell = 0xA1; cell <= 0xFE; ++cell) {
            for (const char row : {'\xA1', '\xA2', '\xAD'})
                codes.push_back({row, char(cell)});
            for (const char row : {'\xA1', '\xA2', '\xF3', '\xF4'})
                codes.push_back({'\x8F', row, char(cell)});
        }
        return groupCodes(*Encodings::EUCJP(), codes);
    }();
    return groups;
}

bool isShiftJisLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Calls f(offset, length, code) for each character of valid Shift_JIS bytes
// that takes two bytes.
template <class F>
void forEachShiftJisPair(std::string_view bytes, F f)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        if (isShiftJisLead(p[i]) && i + 1 < bytes.size()) {
            f(i, uint32_t(p[i]) << 8 | p[i + 1]);
            i += 2;
        } else {
            ++i;
        }
    }
}

// The same for the characters of valid EUC-JP bytes beyond ASCII, with their
// length.
template <class F>
void forEachEucJpChar(std::string_view bytes, F f)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        const size_t length = b < 0x80 ? 1 : b == 0x8F ? 3 : 2;
        if (length > 1 && i + length <= n)
            f(i, length, codeOf(bytes.substr(i, length)));
        i += length;
    }
}

Swaps swapsFrom(const std::vector<uint32_t>& first, const std::vector<uint32_t>& written)
{
    Swaps swaps;
    for (size_t g = 0; g < first.size(); ++g)
        if (first[g] != 0 && first[g] != written[g])
            swaps.emplace_back(written[g], first[g]);
    std::sort(swaps.begin(), swaps.end());
    return swaps;
}

// The text's code for a code the converter wrote; 0 when it keeps its own.
uint32_t swapped(const Swaps& swaps, uint32_t code)
{
    const auto it = std::lower_bound(swaps.begin(), swaps.end(), std::pair<uint32_t, uint32_t>(code, 0));
    return it != swaps.end() && it->first == code ? it->second : 0;
}

// --- ISO-2022-JP -------------------------------------------------------------

constexpr unsigned kJisRows[] = {0x2D, 0x79, 0x7A, 0x7B, 0x7C};

// The Shift_JIS code of a pair of the two-byte set.
uint32_t shiftJisOfJis(unsigned row, unsigned cell)
{
    const unsigned lead = ((row + 1) >> 1) + (row <= 0x5E ? 0x70 : 0xB0);
    const unsigned trail = cell + ((row & 1) ? (cell < 0x60 ? 0x1F : 0x20) : 0x7E);
    return lead << 8 | trail;
}

struct JisTable {
    std::array<uint32_t, std::size(kJisRows) * 94> chars {};
    std::unordered_map<uint32_t, uint32_t> pairOf;
};

const JisTable& jisTable()
{
    static const JisTable table = [] {
        JisTable t;
        for (size_t r = 0; r < std::size(kJisRows); ++r) {
            for (unsigned cell = 0x21; cell <= 0x7E; ++cell) {
                std::string code;
                appendCode(code, shiftJisOfJis(kJisRows[r], cell));
                const uint32_t cp = onlyChar(*Encodings::ShiftJIS(), code);
                t.chars[r * 94 + cell - 0x21] = cp;
                if (cp)
                    t.pairOf.emplace(cp, kJisRows[r] << 8 | cell);
            }
        }
        return t;
    }();
    return table;
}

} // namespace

bool isOtherShiftJisForm(uint32_t code)
{
    if (code < 0x8000 || code > 0xFFFF)
        return false;
    const ShiftJisTable& t = shiftJisTable();
    const uint16_t group = t.groupOf[code - 0x8000];
    return group != 0 && t.written[group - 1] != code;
}

bool isOtherEucJpForm(uint32_t code)
{
    const Groups& g = eucJpGroups();
    const auto it = g.groupOf.find(code);
    return it != g.groupOf.end() && g.written[it->second] != code;
}

Swaps shiftJisSwaps(std::string_view bytes)
{
    const ShiftJisTable& t = shiftJisTable();
    std::vector<uint32_t> first(t.written.size(), 0);
    forEachShiftJisPair(bytes, [&](size_t, uint32_t code) {
        const uint16_t group = t.groupOf[code - 0x8000];
        if (group != 0 && first[group - 1] == 0)
            first[group - 1] = code;
    });
    return swapsFrom(first, t.written);
}

Swaps eucJpSwaps(std::string_view bytes)
{
    const Groups& g = eucJpGroups();
    std::vector<uint32_t> first(g.written.size(), 0);
    forEachEucJpChar(bytes, [&](size_t, size_t, uint32_t code) {
        const auto it = g.groupOf.find(code);
        if (it != g.groupOf.end() && first[it->second] == 0)
            first[it->second] = code;
    });
    return swapsFrom(first, g.written);
}

std::string withShiftJisSwaps(std::string_view bytes, const Swaps& swaps)
{
    std::string out(bytes);
    forEachShiftJisPair(bytes, [&](size_t at, uint32_t code) {
        if (const uint32_t own = swapped(swaps, code)) {
            out[at] = char(own >> 8);
            out[at + 1] = char(own);
        }
    });
    return out;
}

std::string withEucJpSwaps(std::string_view bytes, const Swaps& swaps)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    size_t copied = 0;
    forEachEucJpChar(bytes, [&](size_t at, size_t length, uint32_t code) {
        if (const uint32_t own = swapped(swaps, code)) {
            out.append(bytes.substr(copied, at - copied));
            appendCode(out, own);
            copied = at + length;
        }
    });
    out.append(bytes.substr(copied));
    return out;
}

uint32_t jisWindowsChar(unsigned row, unsigned cell)
{
    if (cell < 0x21 || cell > 0x7E)
        return 0;
    const auto r = std::find(std::begin(kJisRows), std::end(kJisRows), row);
    if (r == std::end(kJisRows))
        return 0;
    return jisTable().chars[size_t(r - std::begin(kJisRows)) * 94 + cell - 0x21];
}

uint32_t jisWindowsPair(uint32_t cp)
{
    const JisTable& t = jisTable();
    const auto it = t.pairOf.find(cp);
    return it == t.pairOf.end() ? 0 : it->second;
}

} // namespace tv::windows
