#include "proofing/core/RegEx.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <future>
#include <thread>
#include <unordered_map>

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "proofing/core/RebuiltText.h"

namespace tv {

void requireValidUtf8(std::string_view text, std::string_view origin)
{
    if (!isValidUtf8(text))
        throw EncodingException(std::string(origin) + ": the text is not valid UTF-8");
}

namespace {

// ---------------------------------------------------------------------------
// Lazy markers. PCRE2's ungreedy mode swaps the meaning of "?" after a repeat,
// so a pattern compiled in that mode first loses the "?" of its lazy repeats.

constexpr bool relaxedBraces = PCRE2_MAJOR > 10 || (PCRE2_MAJOR == 10 && PCRE2_MINOR >= 43);

size_t utf8Length(std::string_view p, size_t i)
{
    const auto b = static_cast<unsigned char>(p[i]);
    size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return std::min(n, p.size() - i);
}

// Length of the white space that extended mode skips at i, 0 when none.
size_t extendedSpaceAt(std::string_view p, size_t i)
{
    switch (p[i]) {
    case ' ': case '\t': case '\n': case '\v': case '\f': case '\r':
        return 1;
    default:
        break;
    }
    static constexpr std::string_view wide[] = {
        "\xC2\x85", "\xE2\x80\x8E", "\xE2\x80\x8F", "\xE2\x80\xA8", "\xE2\x80\xA9"};
    for (std::string_view w : wide)
        if (p.substr(i, w.size()) == w)
            return w.size();
    return 0;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isLetter(char c) { return isLower(c) || (c >= 'A' && c <= 'Z'); }

// Length of a counted repeat "{n}", "{n,}", "{n,m}" at i, 0 when the brace is
// a literal.
size_t braceRepeatAt(std::string_view p, size_t i)
{
    size_t j = i + 1;
    auto blanks = [&] {
        if (relaxedBraces)
            while (j < p.size() && (p[j] == ' ' || p[j] == '\t'))
                ++j;
    };
    blanks();
    size_t digits = 0;
    while (j < p.size() && isDigit(p[j]))
        ++j, ++digits;
    blanks();
    bool comma = false;
    size_t maxDigits = 0;
    if (j < p.size() && p[j] == ',') {
        comma = true;
        ++j;
        blanks();
        while (j < p.size() && isDigit(p[j]))
            ++j, ++maxDigits;
        blanks();
    }
    if (j >= p.size() || p[j] != '}')
        return 0;
    if (digits == 0 && !(relaxedBraces && comma && maxDigits > 0))
        return 0;
    return j + 1 - i;
}

// End of a POSIX class name "[:name:]" starting at i ("[" at i), or 0.
size_t posixClassEnd(std::string_view p, size_t i)
{
    const char terminator = p[i + 1];
    for (size_t j = i + 2; j + 1 < p.size(); ++j) {
        if (p[j] == '\\' && (p[j + 1] == ']' || p[j + 1] == '\\'))
            ++j;
        else if ((p[j] == '[' && p[j + 1] == terminator) || p[j] == ']')
            return 0;
        else if (p[j] == terminator && p[j + 1] == ']')
            return j + 2;
    }
    return 0;
}

size_t skipTo(std::string_view p, size_t i, char c)
{
    size_t j = p.find(c, i);
    return j == std::string_view::npos ? p.size() : j + 1;
}

// End of a character class whose "[" is at i.
size_t classEnd(std::string_view p, size_t i)
{
    size_t j = i + 1;
    if (j < p.size() && p[j] == '^')
        ++j;
    if (j < p.size() && p[j] == ']')
        ++j;
    while (j < p.size()) {
        const char c = p[j];
        if (c == ']')
            return j + 1;
        if (c == '\\' && j + 1 < p.size()) {
            const char e = p[j + 1];
            if (e == 'Q') {
                size_t q = p.find("\\E", j + 2);
                j = q == std::string_view::npos ? p.size() : q + 2;
            } else if (e == 'c') {
                j += 2;
                if (j < p.size())
                    j += utf8Length(p, j);
            } else {
                j += 1 + utf8Length(p, j + 1);
            }
            continue;
        }
        if (c == '[' && j + 1 < p.size() && (p[j + 1] == ':' || p[j + 1] == '.' || p[j + 1] == '=')) {
            if (size_t e = posixClassEnd(p, j)) {
                j = e;
                continue;
            }
        }
        j += utf8Length(p, j);
    }
    return p.size();
}

// Applies an option string such as "x", "-x", "^i" to the extended flag.
bool applyOptionLetters(std::string_view letters, bool extended)
{
    bool unset = false;
    for (char c : letters) {
        if (c == '-')
            unset = true;
        else if (c == '^')
            extended = false;
        else if (c == 'x')
            extended = !unset;
    }
    return extended;
}

} // namespace

std::string withoutLazyMarkers(std::string_view p)
{
    enum class After { Nothing, Item, Repeat };
    After state = After::Nothing;
    std::vector<bool> extendedStack{false};
    std::string out;
    out.reserve(p.size());
    const size_t n = p.size();
    size_t i = 0;

    auto copy = [&](size_t end) {
        out.append(p.substr(i, end - i));
        i = end;
    };

    while (i < n) {
        const bool extended = extendedStack.back();
        const char c = p[i];

        if (extended) {
            if (size_t w = extendedSpaceAt(p, i)) {
                copy(i + w);
                continue;
            }
            if (c == '#') {
                size_t j = i + 1;
                while (j < n && p[j] != '\r' && p[j] != '\n')
                    ++j;
                if (j < n && p[j] == '\r' && j + 1 < n && p[j + 1] == '\n')
                    ++j;
                copy(std::min(n, j + 1));
                continue;
            }
        }

        switch (c) {
        case '\\': {
            if (i + 1 >= n) {
                copy(n);
                state = After::Item;
                break;
            }
            const char e = p[i + 1];
            if (e == 'Q') {
                size_t q = p.find("\\E", i + 2);
                size_t literalEnd = q == std::string_view::npos ? n : q;
                if (literalEnd > i + 2)
                    state = After::Item;
                copy(q == std::string_view::npos ? n : q + 2);
            } else if (e == 'E') {
                copy(i + 2);
            } else if (e == 'c') {
                size_t j = i + 2;
                if (j < n)
                    j += utf8Length(p, j);
                copy(j);
                state = After::Item;
            } else if (i + 2 < n && p[i + 2] == '{' &&
                       std::string_view("xoNpPgk").find(e) != std::string_view::npos) {
                copy(skipTo(p, i + 3, '}'));
                state = After::Item;
            } else if ((e == 'g' || e == 'k') && i + 2 < n && (p[i + 2] == '<' || p[i + 2] == '\'')) {
                copy(skipTo(p, i + 3, p[i + 2] == '<' ? '>' : '\''));
                state = After::Item;
            } else {
                copy(i + 1 + utf8Length(p, i + 1));
                state = std::string_view("bBAZzGK").find(e) != std::string_view::npos
                            ? After::Nothing : After::Item;
            }
            break;
        }
        case '[':
            copy(classEnd(p, i));
            state = After::Item;
            break;
        case '(': {
            if (i + 1 < n && p[i + 1] == '*') {
                size_t j = i + 2;
                while (j < n && (isLower(p[j]) || p[j] == '_'))
                    ++j;
                if (j > i + 2 && j < n && p[j] == ':') {
                    // An assertion or group written by name: (*pla:...), (*atomic:...)
                    extendedStack.push_back(extended);
                    copy(j + 1);
                    state = After::Nothing;
                } else {
                    // A verb or a leading setting; its argument may hold anything but ")".
                    copy(skipTo(p, i + 2, ')'));
                    state = After::Nothing;
                }
                break;
            }
            if (i + 1 >= n || p[i + 1] != '?') {
                extendedStack.push_back(extended);
                copy(i + 1);
                state = After::Nothing;
                break;
            }
            // "(?" forms.
            size_t j = i + 2;
            const char k = j < n ? p[j] : '\0';
            if (k == '#') {
                // A comment leaves the item before it quantifiable.
                copy(skipTo(p, j, ')'));
                break;
            }
            if (k == 'P' && j + 1 < n && (p[j + 1] == '=' || p[j + 1] == '>')) {
                copy(skipTo(p, j, ')'));
                state = After::Item;
                break;
            }
            if (k == 'P' && j + 1 < n && p[j + 1] == '<') {
                extendedStack.push_back(extended);
                copy(skipTo(p, j + 2, '>'));
                state = After::Nothing;
                break;
            }
            if (k == 'R' || k == '&' || isDigit(k) ||
                ((k == '+' || k == '-') && j + 1 < n && isDigit(p[j + 1]))) {
                copy(skipTo(p, j, ')'));
                state = After::Item;
                break;
            }
            if (k == 'C') {
                size_t m = j + 1;
                if (m < n && !isDigit(p[m]) && p[m] != ')') {
                    const char open = p[m];
                    const char close = open == '{' ? '}' : open;
                    ++m;
                    while (m < n) {
                        if (p[m] == close) {
                            if (m + 1 < n && p[m + 1] == close) {
                                m += 2;
                                continue;
                            }
                            ++m;
                            break;
                        }
                        ++m;
                    }
                }
                copy(skipTo(p, m, ')'));
                state = After::Nothing;
                break;
            }
            if (k == '(') {
                extendedStack.push_back(extended);
                if (j + 1 < n && (p[j + 1] == '?' || p[j + 1] == '*')) {
                    // The condition is an assertion: read it as a group of its own.
                    copy(j);
                } else {
                    copy(skipTo(p, j + 1, ')'));
                }
                state = After::Nothing;
                break;
            }
            if (k == '<' && j + 1 < n && (p[j + 1] == '=' || p[j + 1] == '!' || p[j + 1] == '*')) {
                extendedStack.push_back(extended);
                copy(j + 2);
                state = After::Nothing;
                break;
            }
            if (k == '<' || k == '\'') {
                extendedStack.push_back(extended);
                copy(skipTo(p, j + 1, k == '<' ? '>' : '\''));
                state = After::Nothing;
                break;
            }
            if (k == ':' || k == '|' || k == '>' || k == '=' || k == '!' || k == '*') {
                extendedStack.push_back(extended);
                copy(j + 1);
                state = After::Nothing;
                break;
            }
            // Option letters, as a setting "(?x)" or a group "(?x:...)".
            size_t m = j;
            while (m < n && (isLetter(p[m]) || p[m] == '-' || p[m] == '^'))
                ++m;
            if (m < n && p[m] == ')') {
                extendedStack.back() = applyOptionLetters(p.substr(j, m - j), extended);
                copy(m + 1);
                state = After::Nothing;
            } else if (m < n && p[m] == ':') {
                extendedStack.push_back(applyOptionLetters(p.substr(j, m - j), extended));
                copy(m + 1);
                state = After::Nothing;
            } else {
                // Not a form this reader knows; PCRE2 will judge it.
                extendedStack.push_back(extended);
                copy(j);
                state = After::Nothing;
            }
            break;
        }
        case ')':
            if (extendedStack.size() > 1)
                extendedStack.pop_back();
            copy(i + 1);
            state = After::Item;
            break;
        case '|':
        case '^':
        case '$':
            copy(i + 1);
            state = After::Nothing;
            break;
        case '*':
        case '+':
        case '?':
            if (state == After::Item) {
                copy(i + 1);
                state = After::Repeat;
            } else if (state == After::Repeat && c == '?') {
                ++i; // the lazy marker
                state = After::Nothing;
            } else {
                copy(i + 1);
                state = After::Nothing;
            }
            break;
        case '{':
            if (size_t len = braceRepeatAt(p, i); len && state != After::Nothing) {
                copy(i + len);
                state = After::Repeat;
            } else {
                copy(i + 1);
                state = After::Item;
            }
            break;
        default:
            copy(i + utf8Length(p, i));
            state = After::Item;
            break;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// Replacement patterns.

namespace {

struct ReplacementPart {
    enum Kind { Literal, Group, Before, After } kind;
    size_t offset = 0; // Literal: in the replacement
    size_t length = 0;
    uint32_t group = 0;
};

std::vector<ReplacementPart> parseReplacement(std::string_view r, uint32_t groupCount)
{
    std::vector<ReplacementPart> parts;
    size_t literalStart = 0;
    auto flush = [&](size_t end) {
        if (end > literalStart)
            parts.push_back({ReplacementPart::Literal, literalStart, end - literalStart, 0});
    };
    size_t i = 0;
    while (i < r.size()) {
        if (r[i] != '$' || i + 1 >= r.size()) {
            ++i;
            continue;
        }
        const char c = r[i + 1];
        ReplacementPart part{ReplacementPart::Literal};
        size_t consumed = 0;
        if (isDigit(c)) {
            uint32_t group = static_cast<uint32_t>(c - '0');
            consumed = 2;
            if (i + 2 < r.size() && isDigit(r[i + 2])) {
                uint32_t two = group * 10 + static_cast<uint32_t>(r[i + 2] - '0');
                if (two <= groupCount) {
                    group = two;
                    consumed = 3;
                }
            }
            part = {ReplacementPart::Group, 0, 0, group};
        } else if (c == '&') {
            part = {ReplacementPart::Group, 0, 0, 0};
            consumed = 2;
        } else if (c == '`') {
            part = {ReplacementPart::Before};
            consumed = 2;
        } else if (c == '\'') {
            part = {ReplacementPart::After};
            consumed = 2;
        } else {
            ++i;
            continue;
        }
        flush(i);
        parts.push_back(part);
        i += consumed;
        literalStart = i;
    }
    flush(r.size());
    return parts;
}

// Appends the expansion for the match whose group offsets are `ov` (pairs,
// PCRE2_UNSET for a group that took no part; groupCount + 1 pairs).
void appendExpansion(std::string& out, const std::vector<ReplacementPart>& parts,
                     std::string_view replacement, std::string_view subject,
                     const size_t* ov, uint32_t groupCount)
{
    for (const ReplacementPart& part : parts) {
        switch (part.kind) {
        case ReplacementPart::Literal:
            out.append(replacement.substr(part.offset, part.length));
            break;
        case ReplacementPart::Group:
            if (part.group <= groupCount) {
                size_t s = ov[2 * part.group], e = ov[2 * part.group + 1];
                if (s != PCRE2_UNSET && e >= s)
                    out.append(subject.substr(s, e - s));
            }
            break;
        case ReplacementPart::Before:
            out.append(subject.substr(0, std::min(ov[0], subject.size())));
            break;
        case ReplacementPart::After:
            out.append(subject.substr(std::min(ov[1], subject.size())));
            break;
        }
    }
}

std::string pcre2Message(int code)
{
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return "error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

const char* subjectPointer(std::string_view text)
{
    return text.data() ? text.data() : "";
}

} // namespace

// ---------------------------------------------------------------------------
// RegExMatch

int64_t RegExMatch::SubExpressionStartB(int i) const
{
    if (i < 0 || i >= SubExpressionCount() || offsets_[2 * size_t(i)] == PCRE2_UNSET)
        return -1;
    return static_cast<int64_t>(offsets_[2 * size_t(i)]);
}

std::string_view RegExMatch::subExpressionView(int i) const
{
    if (i < 0 || i >= SubExpressionCount())
        return {};
    size_t s = offsets_[2 * size_t(i)], e = offsets_[2 * size_t(i) + 1];
    if (s == PCRE2_UNSET || e < s)
        return {};
    return subject_.substr(s, e - s);
}

std::string RegExMatch::SubExpressionString(int i) const
{
    return std::string(subExpressionView(i));
}

std::string RegExMatch::expand(std::string_view replacement) const
{
    const auto groupCount = static_cast<uint32_t>(SubExpressionCount() - 1);
    std::string out;
    appendExpansion(out, parseReplacement(replacement, groupCount), replacement, subject_,
                    offsets_.data(), groupCount);
    return out;
}

// ---------------------------------------------------------------------------
// RegEx

namespace {

struct Compiled {
    pcre2_code* code = nullptr;
    pcre2_match_data* matchData = nullptr;
    uint32_t groupCount = 0;
    uint32_t maxLookBehind = 0;
    // Machine code is made at the first match: a pass checks every rule's
    // pattern but searches only the rules that can match.
    bool jitTried = false;

    Compiled() = default;
    Compiled(const Compiled&) = delete;
    Compiled& operator=(const Compiled&) = delete;
    ~Compiled()
    {
        pcre2_match_data_free(matchData);
        pcre2_code_free(code);
    }
};

constexpr uint32_t compileFlags(const RegExOptions& o)
{
    return PCRE2_UTF | PCRE2_MULTILINE | (o.CaseSensitive ? 0u : PCRE2_CASELESS) |
           (o.DotMatchAll ? PCRE2_DOTALL : 0u) | (o.Greedy ? 0u : PCRE2_UNGREEDY);
}

// The pattern compiled with `flags` in `context`; throws RegExException when
// it does not compile.
std::unique_ptr<Compiled> compilePattern(const std::string& pattern, uint32_t flags, pcre2_compile_context* context)
{
    const std::string source = (flags & PCRE2_UNGREEDY) ? withoutLazyMarkers(pattern) : pattern;
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    auto entry = std::make_unique<Compiled>();
    entry->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(subjectPointer(source)), source.size(), flags, &error,
                                &errorOffset, context);
    if (!entry->code)
        throw RegExException("the pattern does not compile (at byte " + std::to_string(errorOffset) +
                             "): " + pcre2Message(error));
    pcre2_pattern_info(entry->code, PCRE2_INFO_CAPTURECOUNT, &entry->groupCount);
    pcre2_pattern_info(entry->code, PCRE2_INFO_MAXLOOKBEHIND, &entry->maxLookBehind);
    entry->matchData = pcre2_match_data_create_from_pattern(entry->code, nullptr);
    if (!entry->matchData)
        throw RegExException("out of memory for a match");
    return entry;
}

// A compile context with the engine's line ends; null when out of memory.
pcre2_compile_context* newCompileContext()
{
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (context) {
        pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
        pcre2_set_bsr(context, PCRE2_BSR_ANYCRLF);
    }
    return context;
}

// Patterns compiled on other threads before they are needed. Each slot is
// claimed once: by a thread that compiles it, or by the engine, which then
// compiles it itself.
class CompiledAhead {
public:
    struct Wanted {
        std::string pattern;
        uint32_t flags = 0;
        bool machineCode = false;
    };
    explicit CompiledAhead(std::vector<Wanted> wanted) : slots_(wanted.size())
    {
        for (size_t i = 0; i < wanted.size(); ++i) {
            slots_[i].wanted = std::move(wanted[i]);
            index_.try_emplace(Key{slots_[i].wanted.pattern, slots_[i].wanted.flags}, i);
        }
        const size_t threads = std::min<size_t>(kAheadThreads, (slots_.size() + 15) / 16);
        for (size_t t = 0; t < threads; ++t)
            workers_.push_back(std::async(std::launch::async, [this] { work(); }));
    }
    ~CompiledAhead()
    {
        stop_.store(true, std::memory_order_relaxed);
        for (std::future<void>& w : workers_)
            w.wait();
    }
    CompiledAhead(const CompiledAhead&) = delete;
    CompiledAhead& operator=(const CompiledAhead&) = delete;

    // The pattern compiled ahead, or nothing when it was not asked for, its
    // compiling failed or no thread has begun it yet.
    std::unique_ptr<Compiled> take(std::string_view pattern, uint32_t flags)
    {
        auto it = index_.find(Key{pattern, flags});
        if (it == index_.end())
            return nullptr;
        Slot& slot = slots_[it->second];
        int expected = kWaiting;
        if (slot.state.compare_exchange_strong(expected, kTaken, std::memory_order_acq_rel))
            return nullptr;
        // A thread has it in hand: it ends sooner than a compile begun here.
        while (expected == kCompiling) {
            std::this_thread::yield();
            expected = slot.state.load(std::memory_order_acquire);
        }
        if (expected != kDone)
            return nullptr;
        slot.state.store(kTaken, std::memory_order_relaxed);
        return std::move(slot.result);
    }

private:
    static constexpr size_t kAheadThreads = 4;
    enum : int { kWaiting, kCompiling, kDone, kTaken };
    struct Slot {
        Wanted wanted;
        std::atomic<int> state{kWaiting};
        std::unique_ptr<Compiled> result;
    };
    struct Key {
        std::string_view pattern;
        uint32_t flags;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const { return std::hash<std::string_view>()(k.pattern) ^ k.flags; }
    };

    void work()
    {
        pcre2_compile_context* context = newCompileContext();
        if (!context)
            return;
        for (;;) {
            const size_t i = next_.fetch_add(1, std::memory_order_relaxed);
            if (i >= slots_.size() || stop_.load(std::memory_order_relaxed))
                break;
            Slot& slot = slots_[i];
            int expected = kWaiting;
            if (!slot.state.compare_exchange_strong(expected, kCompiling, std::memory_order_acq_rel))
                continue;
            try {
                slot.result = compilePattern(slot.wanted.pattern, slot.wanted.flags, context);
                if (slot.wanted.machineCode) {
                    pcre2_jit_compile(slot.result->code, PCRE2_JIT_COMPLETE);
                    slot.result->jitTried = true;
                }
            } catch (...) {
                // Compiled again where it is used, which reports the error.
                slot.result.reset();
            }
            slot.state.store(kDone, std::memory_order_release);
        }
        pcre2_compile_context_free(context);
    }

    std::vector<Slot> slots_;
    std::unordered_map<Key, size_t, KeyHash> index_;
    std::atomic<size_t> next_{0};
    std::atomic<bool> stop_{false};
    // Last: destroyed first, so that no thread outlives what it uses.
    std::vector<std::future<void>> workers_;
};

} // namespace

// Patterns are looked up by their text without building a key: a pass
// switches pattern at every rule of every item.
struct PatternHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

// One compiled form per combination of the options that change compiling.
// Searches held to start spans need a form that takes an offset limit, which
// is slower for a search of the whole text: such a pattern gets both.
constexpr size_t kFlagForms = 16;
constexpr size_t flagForm(uint32_t flags)
{
    return ((flags & PCRE2_CASELESS) ? 1u : 0u) | ((flags & PCRE2_DOTALL) ? 2u : 0u) |
           ((flags & PCRE2_UNGREEDY) ? 4u : 0u) | ((flags & PCRE2_USE_OFFSET_LIMIT) ? 8u : 0u);
}

struct RegEx::Impl {
    std::unordered_map<std::string, std::array<std::unique_ptr<Compiled>, kFlagForms>, PatternHash,
                       std::equal_to<>>
        cache;
    size_t compiled = 0;
    // The entry used last, to skip the lookup while a rule runs match by match;
    // its pattern is the cache's own key.
    Compiled* last = nullptr;
    const std::string* lastPattern = nullptr;
    uint32_t lastFlags = 0;

    // The matches of the replacement being made, and what each becomes: the
    // expansions one after another in `expanded`, each ending at its
    // replacementEnd.
    std::vector<ReplacedPiece> replaced;
    std::string expanded;
    void releaseFound()
    {
        // Kept while small: most replacements are.
        if (replaced.capacity() > 4096)
            std::vector<ReplacedPiece>().swap(replaced);
        if (expanded.capacity() > (1u << 16))
            std::string().swap(expanded);
    }

    // The spans searches are held to (RegEx::restrictStarts), if any.
    const std::vector<StartSpan>* starts = nullptr;
    std::ptrdiff_t startShift = 0;

    pcre2_compile_context* compileContext = nullptr;
    pcre2_match_context* matchContext = nullptr;
    pcre2_jit_stack* jitStack = nullptr;
    std::unique_ptr<CompiledAhead> ahead;

    Impl()
    {
        compileContext = newCompileContext();
        matchContext = pcre2_match_context_create(nullptr);
        if (!compileContext || !matchContext)
            throw RegExException("the regular-expression engine could not start");
        // Long items (a tag of many kilobytes) need far more than the JIT's
        // default 32 KB; calls that exceed even this run on the interpreter.
        jitStack = pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr);
        if (jitStack)
            pcre2_jit_stack_assign(matchContext, nullptr, jitStack);
    }
    ~Impl()
    {
        ahead.reset();
        cache.clear();
        pcre2_jit_stack_free(jitStack);
        pcre2_match_context_free(matchContext);
        pcre2_compile_context_free(compileContext);
    }

    Compiled& get(const std::string& pattern, const RegExOptions& options)
    {
        const uint32_t flags = compileFlags(options) | (starts ? PCRE2_USE_OFFSET_LIMIT : 0u);
        if (last && flags == lastFlags && pattern == *lastPattern)
            return *last;
        auto it = cache.find(std::string_view(pattern));
        if (it == cache.end())
            it = cache.try_emplace(pattern).first;
        std::unique_ptr<Compiled>& slot = it->second[flagForm(flags)];
        if (!slot) {
            if (ahead)
                slot = ahead->take(pattern, flags);
            if (!slot)
                slot = compilePattern(pattern, flags, compileContext);
            ++compiled;
        }
        last = slot.get();
        lastPattern = &it->first;
        lastFlags = flags;
        return *last;
    }

    // True for a match, false for none; throws for every other outcome.
    bool match(Compiled& c, std::string_view text, size_t start, uint32_t options)
    {
        if (!c.jitTried) {
            // Without JIT support the interpreter serves; both give the same matches.
            pcre2_jit_compile(c.code, PCRE2_JIT_COMPLETE);
            c.jitTried = true;
        }
        if (!starts)
            return matchOnce(c, text, start, options);
        // The spans in the text's offsets, from the first that ends at or
        // after `start`.
        const std::vector<StartSpan>& spans = *starts;
        auto at = [&](size_t offset) {
            const auto moved = static_cast<std::ptrdiff_t>(offset) + startShift;
            return moved < 0 ? size_t(0) : static_cast<size_t>(moved);
        };
        auto k = static_cast<size_t>(
            std::partition_point(spans.begin(), spans.end(), [&](const StartSpan& s) { return at(s.last) < start; }) -
            spans.begin());
        bool found = false;
        for (; k < spans.size() && !found; ++k) {
            size_t from = std::max(start, at(spans[k].first));
            const size_t limit = std::min(text.size(), at(spans[k].last));
            if (from > limit)
                continue;
            // A span's first offset may lie inside a character: the search
            // begins at that character.
            while (from > start && from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80)
                --from;
            pcre2_set_offset_limit(matchContext, limit);
            found = matchOnce(c, text, from, from == start ? options : options & ~PCRE2_NOTEMPTY_ATSTART);
        }
        pcre2_set_offset_limit(matchContext, PCRE2_UNSET);
        return found;
    }

    bool matchOnce(Compiled& c, std::string_view text, size_t start, uint32_t options)
    {
        const auto subject = reinterpret_cast<PCRE2_SPTR>(subjectPointer(text));
        options |= PCRE2_NO_UTF_CHECK;
        int rc = pcre2_match(c.code, subject, text.size(), start, options, c.matchData, matchContext);
        if (rc == PCRE2_ERROR_JIT_STACKLIMIT)
            rc = pcre2_match(c.code, subject, text.size(), start, options | PCRE2_NO_JIT,
                             c.matchData, matchContext);
        if (rc == PCRE2_ERROR_NOMATCH)
            return false;
        if (rc < 0)
            throw RegExException("the match failed: " + pcre2Message(rc));
        return true;
    }
};

RegEx::RegEx() : impl_(std::make_unique<Impl>()) {}
RegEx::~RegEx() = default;

void RegEx::compile()
{
    impl_->get(SearchPattern, Options);
}

int RegEx::maxLookBehind()
{
    return static_cast<int>(impl_->get(SearchPattern, Options).maxLookBehind);
}

void RegEx::compileAhead(std::vector<Ahead> patterns)
{
    impl_->ahead.reset();
    std::vector<CompiledAhead::Wanted> wanted;
    for (Ahead& a : patterns) {
        const uint32_t flags = compileFlags(a.options) | (a.heldToStarts ? PCRE2_USE_OFFSET_LIMIT : 0u);
        auto it = impl_->cache.find(std::string_view(a.pattern));
        if (it != impl_->cache.end() && it->second[flagForm(flags)])
            continue;
        wanted.push_back({std::move(a.pattern), flags, a.machineCode});
    }
    if (!wanted.empty())
        impl_->ahead = std::make_unique<CompiledAhead>(std::move(wanted));
}

size_t RegEx::compiledCount() const
{
    return impl_->compiled;
}

void RegEx::restrictStarts(const std::vector<StartSpan>* spans, std::ptrdiff_t shift)
{
    impl_->starts = spans;
    impl_->startShift = shift;
}

void RegEx::shiftStarts(std::ptrdiff_t shift)
{
    impl_->startShift = shift;
}

std::optional<RegExMatch> RegEx::Search(std::string_view text, size_t startByte, bool notEmptyAtStart)
{
    Compiled& c = impl_->get(SearchPattern, Options);
    if (startByte > text.size())
        return std::nullopt;
    if (startByte < text.size() && (static_cast<unsigned char>(text[startByte]) & 0xC0) == 0x80)
        throw RegExException("the search starts inside a character");
    uint32_t options = (Options.MatchEmpty ? 0u : PCRE2_NOTEMPTY) |
                       (notEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0u);
    if (!impl_->match(c, text, startByte, options))
        return std::nullopt;
    RegExMatch m;
    m.subject_ = text;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(c.matchData);
    m.offsets_.assign(ov, ov + 2 * (c.groupCount + 1));
    // A match whose end lies before its start (\K in a look-ahead) counts as
    // empty at its start.
    if (m.offsets_[1] < m.offsets_[0])
        m.offsets_[1] = m.offsets_[0];
    return m;
}

size_t RegEx::collectReplacements(std::string_view text, std::string_view replacement, bool all)
{
    Compiled& c = impl_->get(SearchPattern, Options);
    std::vector<ReplacedPiece>& found = impl_->replaced;
    std::string& expanded = impl_->expanded;
    found.clear();
    expanded.clear();
    // Parsed at the first match: most rules find nothing in most texts.
    std::vector<ReplacementPart> parts;
    const uint32_t base = Options.MatchEmpty ? 0u : PCRE2_NOTEMPTY;
    size_t position = 0, copied = 0;
    bool afterEmpty = false;
    while (position <= text.size()) {
        if (!impl_->match(c, text, position, base | (afterEmpty ? PCRE2_NOTEMPTY_ATSTART : 0u)))
            break;
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(c.matchData);
        const size_t start = std::max<size_t>(ov[0], copied);
        const size_t end = std::max<size_t>(ov[1], start);
        if (found.empty())
            parts = parseReplacement(replacement, c.groupCount);
        appendExpansion(expanded, parts, replacement, text, ov, c.groupCount);
        found.push_back({start, end, expanded.size()});
        copied = end;
        if (!all)
            break;
        afterEmpty = end == ov[0];
        position = std::max(end, position);
    }
    return found.size();
}

void RegEx::appendReplaced(std::string& out, std::string_view text, TextEdits* edits)
{
    reserveToRebuild(out, out.size() + text.size());
    appendReplacedPieces(out, text, impl_->replaced, impl_->expanded, edits);
    impl_->releaseFound();
}

size_t RegEx::replaceInto(std::string& out, std::string_view text, std::string_view replacement,
                          bool all, TextEdits* edits)
{
    const size_t count = collectReplacements(text, replacement, all);
    if (count > 0)
        appendReplaced(out, text, edits);
    return count;
}

std::string RegEx::Replace(std::string_view text)
{
    std::string out;
    if (replaceInto(out, text, ReplacementPattern, Options.ReplaceAllMatches) == 0)
        return std::string(text);
    return out;
}

RegEx::ReplaceOutcome RegEx::replaceAll(std::string_view text, std::string_view replacement)
{
    ReplaceOutcome outcome;
    outcome.count = replaceInto(outcome.text, text, replacement, true);
    if (outcome.count == 0)
        outcome.text.assign(text);
    return outcome;
}

size_t RegEx::replaceAllIn(std::string& text, std::string_view replacement, TextEdits* edits)
{
    const size_t count = collectReplacements(text, replacement, true);
    if (count == 0)
        return 0;
    replacePieces(text, 0, impl_->replaced, impl_->expanded, edits);
    impl_->releaseFound();
    return count;
}

} // namespace tv
