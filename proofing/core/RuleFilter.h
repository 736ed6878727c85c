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
#include "proofing/core/TextEdits.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct RuleFactors {
    // Every match contains one of these. Empty: the rule always runs.
    std::vector<std::string> exact;  // compared with the text's bytes
    std::vector<std::string> folded; // compared with the folded text
    bool always() const { return exact.empty() && folded.empty(); }
};

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

    // Adds `sign` to counts[i] for every occurrence of literal i in text.
    void count(std::string_view text, std::vector<int64_t>& counts, int64_t sign) const;
    // The same for a text handed over in pieces: `state` starts at 0 and
    // carries what the last piece ended with.
    void count(std::string_view piece, std::vector<int64_t>& counts, int64_t sign, int32_t& state) const;
    size_t size() const { return size_; }
    size_t longest() const { return longest_; }

private:
    struct Automaton;
    std::unique_ptr<Automaton> automaton_;
    size_t size_ = 0;
    size_t longest_ = 0;
};

class RuleFilter {
public:
    explicit RuleFilter(const std::vector<PassRule>& rules);
    ~RuleFilter();

    // Counts the factors in a new text. A long text is read in pieces, with
    // `between` called after each.
    void scan(std::string_view text, const std::function<void()>& between = {});
    // False only when rule `index` provably cannot match the text.
    bool mayMatch(size_t index) const;
    // The text has changed as `edits` say; `text` is the text now. Many
    // edits are taken in pieces, with `between` called after each.
    void update(std::string_view text, const TextEdits& edits, const std::function<void()>& between = {});

    // Rules that have factors.
    size_t filteredRules() const;

private:
    struct Side {
        std::unique_ptr<LiteralCounter> counter;
        std::vector<int64_t> counts;
    };
    void countAll(std::string_view text, int64_t sign);

    // Per rule: the factors, as indexes into exact_ (>= 0) or folded_ (~i).
    std::vector<std::vector<int32_t>> ruleFactors_;
    Side exact_;
    Side folded_;
    size_t margin_ = 0;
};

} // namespace tv
