#pragma once
// Which rules of a pass can match the text at all. Each rule gets, from its
// pattern or its plain search text, a few literal factors of which every match
// must contain one; one scan of the text counts how often each factor occurs.
// A rule whose factors all count zero cannot match and its search is skipped.
// A rule that changes the text updates the counts from what it replaced, so
// they stay exact for the text as the earlier rules have left it.
//
// A pattern the analysis does not fully understand gets no factors: such a
// rule always runs. Caseless factors are compared after a folding that puts
// together at least what the engine and the plain search put together (the
// ASCII and full-width letters, KELVIN SIGN with k, LONG S with s); a caseless
// letter outside those breaks the factor there.

#include "proofing/core/PassRules.h"
#include "proofing/core/RegEx.h"
#include "proofing/core/TextEdits.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct RuleFactors {
    // Every match contains one of these. Empty: the rule always runs.
    std::vector<std::string> exact;  // compared with the text's bytes
    std::vector<std::string> folded; // compared with the folded text
    // Of a regular expression: the most bytes one of its matches can span;
    // 0 when that is not known.
    size_t maxBytes = 0;
    bool always() const { return exact.empty() && folded.empty(); }
};

// The most characters a match of `pattern` can span, or nothing when a match
// may be longer without bound or the pattern holds what this does not follow
// (\G, \K, back references, recursion, extended mode...).
std::optional<size_t> maxMatchChars(std::string_view pattern);

// The factors of one rule (never throws; a pattern the engine would reject
// may get factors or none, the engine still has the last word).
RuleFactors ruleFactors(const PassRule& rule);

// The folding that caseless factors and the text are compared under.
std::string filterFold(std::string_view text);
// Whether a caseless pattern character is folded by filterFold (a letter
// whose other cases it knows), has no other case at all, or neither.
enum class FoldClass { CaseFree, Folded, Unknown };
FoldClass filterFoldClass(uint32_t cp);

// Counts every occurrence (overlapping ones too) of a set of byte strings.
class LiteralCounter {
public:
    explicit LiteralCounter(const std::vector<std::string>& literals);
    ~LiteralCounter();
    LiteralCounter(const LiteralCounter&) = delete;
    LiteralCounter& operator=(const LiteralCounter&) = delete;

    // The literals whose counts calls have changed, each listed once.
    class Changed {
    public:
        void note(int32_t literal)
        {
            const auto l = static_cast<size_t>(literal);
            if (l >= marked_.size())
                marked_.resize(l + 1, 0);
            if (!marked_[l]) {
                marked_[l] = 1;
                list_.push_back(literal);
            }
        }
        const std::vector<int32_t>& list() const { return list_; }
        void clear()
        {
            for (int32_t l : list_)
                marked_[static_cast<size_t>(l)] = 0;
            list_.clear();
        }

    private:
        std::vector<int32_t> list_;
        std::vector<uint8_t> marked_;
    };

    // Adds `sign` to counts[i] for every occurrence of literal i in text.
    void count(std::string_view text, std::vector<int64_t>& counts, int64_t sign) const;
    // The same for a text handed over in pieces: `state` starts at 0 and
    // carries what the last piece ended with. The literals counted are noted
    // in `changed` when it is given.
    void count(std::string_view piece, std::vector<int64_t>& counts, int64_t sign, int32_t& state,
        Changed* changed = nullptr) const;

    // An occurrence of a literal: its index and where it begins.
    struct Occurrence {
        int32_t literal = 0;
        size_t start = 0;
    };
    // Counts like count() and, for the literals marked in `wanted`, also
    // appends each occurrence to `found`, at `base` plus its offset in the
    // piece (pieces handed over one after another: base grows with them).
    void count(std::string_view piece, std::vector<int64_t>& counts, int64_t sign, int32_t& state,
               const std::vector<uint8_t>& wanted, size_t base, std::vector<Occurrence>& found,
               Changed* changed = nullptr) const;
    // Counts like count() over several pieces, each lane starting in its
    // `state`, which it leaves as it ends, and putting the occurrences of the
    // literals marked in `wanted` (when given) in its own `found`, at `base`
    // plus their offset. kSideBySide lanes are read side by side, so that
    // their look-ups overlap; fewer are read one after another.
    struct Lane {
        std::string_view piece;
        int32_t state = 0;
        size_t base = 0;
        std::vector<Occurrence>* found = nullptr;
    };
    static constexpr size_t kSideBySide = 8;
    void countSideBySide(std::span<Lane> lanes, std::vector<int64_t>& counts, int64_t sign,
                         const std::vector<uint8_t>* wanted) const;
    // Reads the same tail after two texts that left the automaton in the
    // states `was` and `now`, subtracting the occurrences read from `was` and
    // adding those from `now` (and appending those of the literals marked in
    // `wanted` to `found`, at `base` plus their offset), until the two states
    // meet: from there on both read alike. Returns how many bytes were read
    // before they met, or npos when they have not met by the tail's end.
    size_t countWhileApart(std::string_view tail, int32_t& was, int32_t& now, std::vector<int64_t>& counts,
                           const std::vector<uint8_t>* wanted, size_t base, std::vector<Occurrence>* found,
                           Changed* changed = nullptr) const;
    // Runs the automaton over a piece without counting: the state it ends in.
    int32_t advance(std::string_view piece, int32_t state) const;
    size_t length(size_t literal) const { return lengths_[literal]; }
    size_t size() const { return size_; }
    size_t longest() const { return longest_; }

private:
    struct Automaton;
    std::unique_ptr<Automaton> automaton_;
    size_t size_ = 0;
    size_t longest_ = 0;
    std::vector<size_t> lengths_;
};

class RuleFilter {
public:
    explicit RuleFilter(const std::vector<PassRule>& rules);
    ~RuleFilter();

    // A text's factors counted apart from the filter, for take().
    class Counted {
        friend class RuleFilter;
        size_t textSize_ = 0;
        std::vector<int64_t> exact_, folded_;
        // Per rule: whether one of its factors occurs.
        std::vector<uint8_t> mayMatch_;
        // Per part of the text, in text order: where tracked factors occur.
        std::vector<std::vector<LiteralCounter::Occurrence>> found_;
    };
    // Counts the factors in `text` into `counted`, reusing its storage. Reads
    // nothing of the filter that changes after its construction, so it may
    // run on another thread while the filter goes on with another text. A
    // long text is read in parts on other threads, with `between` called
    // again and again until they are done.
    void count(std::string_view text, Counted& counted, const std::function<void()>& between = {}) const;
    // From now on the filter stands for the text that `counted` was counted
    // from; `counted` keeps storage for a later count.
    void take(Counted& counted);
    // Counts the factors in a new text and takes them in.
    void scan(std::string_view text, const std::function<void()>& between = {});
    // False only when rule `index` provably cannot match the text.
    bool mayMatch(size_t index) const;
    // The text has changed as `edits` say; `text` is the text now. Many
    // edits are taken in pieces, with `between` called after each.
    void update(std::string_view text, const TextEdits& edits, const std::function<void()>& between = {});

    // Rules that have factors.
    size_t filteredRules() const;

    // Where a match of rule `index` may begin in the text as it is now: near
    // each occurrence of its factors, as close as the pattern's longest match
    // allows. Nothing when that is not known for the rule, or the spans are
    // so many that a search held to them would cost more than a plain one.
    // Good until the next call.
    const std::vector<RegEx::StartSpan>* startSpans(size_t index);
    // Whether startSpans can give spans for rule `index` at all.
    bool mayHaveStartSpans(size_t index) const;

private:
    struct Side {
        std::unique_ptr<LiteralCounter> counter;
        std::vector<int64_t> counts;
        // How far from an edit, in bytes of the text, an occurrence of one
        // of the side's factors may begin or end.
        size_t margin = 0;
    };
    void updateSide(std::string_view text, const TextEdits& edits, bool folded, const std::function<void()>& between);
    // Whether one of rule r's factors occurs, by the counts given.
    bool occurs(size_t r, const std::vector<int64_t>& exact, const std::vector<int64_t>& folded) const;
    // Rules asked about once per rule and text: each rule's answer is kept,
    // and taken again from the counts for the rules of a factor whose count
    // has changed.
    std::vector<uint8_t> mayMatch_;
    // The rules of each factor: those of exact factor f from rulesFrom_[f],
    // those of folded factor f from rulesFrom_[exact factors + f].
    std::vector<uint32_t> rulesFrom_;
    std::vector<uint32_t> rulesOf_;
    void reviewRules(const std::vector<int32_t>& factors, size_t firstId);
    LiteralCounter::Changed changedExact_, changedFolded_;

    // The factors of rule r, as indexes into exact_ (>= 0) or folded_ (~i):
    // factorIds_[factorsFrom_[r]] up to factorIds_[factorsFrom_[r + 1]].
    std::vector<int32_t> factorIds_;
    std::vector<uint32_t> factorsFrom_;
    std::vector<size_t> ruleMaxBytes_; // RuleFactors::maxBytes of each rule
    // Per rule with start spans: the exact factors they come from, a folded
    // factor's spellings in its place.
    std::vector<std::vector<int32_t>> ruleSpanFactors_;
    Side exact_;
    Side folded_;
    size_t textSize_ = 0;

    // Where the exact factors that rules' start spans need occur. Each list
    // is brought up to date from the changes since, when it is asked for.
    struct Change {
        // A piece of the text counted again: [oldFrom, oldTo) before the
        // change, [newFrom, newTo) after it; the text between pieces is
        // unchanged.
        struct Piece {
            size_t oldFrom, oldTo, newFrom, newTo;
        };
        std::vector<Piece> pieces;
        // The occurrences wholly inside the new pieces, by literal, then start.
        std::vector<LiteralCounter::Occurrence> found;
    };
    // Moves a factor's places past a change, leaving out those it counted again.
    static void movePlaces(std::vector<size_t>& starts, const std::vector<Change::Piece>& pieces, size_t length);
    struct Places {
        std::vector<size_t> starts;
        size_t changesSeen = 0;
        // The changes, in order, that found the factor in their new pieces:
        // while it has no places, only these can give it some.
        std::vector<uint32_t> foundIn;
    };
    void bringUpToDate(int32_t literal);
    std::vector<uint8_t> tracked_; // per exact factor
    bool tracking_ = false;
    std::vector<Places> places_;
    // The factors whose places the text has given or changed, for the next
    // text to clear.
    std::vector<int32_t> touched_;
    std::vector<uint8_t> isTouched_;
    void touch(size_t literal);
    std::vector<Change> changes_;
    std::vector<RegEx::StartSpan> spans_;
    std::vector<size_t> movedPlaces_; // storage for bringUpToDate
    // Storage for the counts of scan().
    Counted scanned_;
};

} // namespace tv
