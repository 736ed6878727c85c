#pragma once
// Perl-compatible regular expressions on UTF-8 text (PCRE2 in UTF mode with
// its JIT). One RegEx object serves a whole pass: every pattern is compiled
// the first time it is used with a given set of options and kept for the
// life of the object, so a rule applied to many items compiles once.
//
// Conventions of the engine:
// - CR, LF and CR LF each end a line; "^" and "$" match at every line.
// - \d, \w, \s and \b are ASCII classes; letters beyond ASCII still match
//   regardless of case when CaseSensitive is false.
// - Offsets are byte offsets into the UTF-8 text.
// - Texts handed to Search and Replace must be valid UTF-8: they are checked
//   where they enter the program (requireValidUtf8) and not again here.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "proofing/core/TextEdits.h"

namespace tv {

// Throws EncodingException naming `origin` when `text` is not valid UTF-8.
// Every reader whose text can reach the engine calls this on what it took in
// without conversion (a converted text is valid by construction).
void requireValidUtf8(std::string_view text, std::string_view origin);

struct RegExOptions {
    bool CaseSensitive = false;
    bool DotMatchAll = false;
    // False: every repeat matches as little as possible, also those written
    // lazy with "?"; possessive repeats stay possessive.
    bool Greedy = true;
    // False: no match is empty.
    bool MatchEmpty = true;
    // Replace replaces every match, not only the first.
    bool ReplaceAllMatches = false;
    // Kept for the callers that set it; 0, the only value in use, is the
    // convention above.
    int LineEndType = 0;
};

// One match, with the offsets of its groups in the searched text. It refers
// to that text, which must outlive it unchanged.
class RegExMatch {
public:
    // Groups of the pattern plus one (group 0 is the whole match).
    int SubExpressionCount() const { return static_cast<int>(offsets_.size() / 2); }
    // Byte offset of group i, -1 when the group does not exist or took no part.
    int64_t SubExpressionStartB(int i) const;
    // Text of group i, empty when the group does not exist or took no part.
    std::string SubExpressionString(int i) const;
    std::string_view subExpressionView(int i) const;

    size_t startB() const { return offsets_[0]; }
    size_t endB() const { return offsets_[1]; }
    bool isEmpty() const { return offsets_[0] == offsets_[1]; }
    std::string_view searchedText() const { return subject_; }

    // The replacement pattern expanded for this match (see RegEx::Replace).
    std::string expand(std::string_view replacement) const;

private:
    friend class RegEx;
    std::string_view subject_;
    std::vector<size_t> offsets_; // start, end per group; npos for unset
};

class RegEx {
public:
    RegEx();
    ~RegEx();
    RegEx(const RegEx&) = delete;
    RegEx& operator=(const RegEx&) = delete;

    RegExOptions Options;
    std::string SearchPattern;
    // "$" and digits: a group ($0 the whole match; two digits when the
    // pattern has that group, else one); "$&" the whole match; "$`" the text
    // before it; "$'" the text after it. A group that does not exist or took
    // no part gives the empty text. Any other "$" and every backslash are
    // literal.
    std::string ReplacementPattern;

    // The first match of SearchPattern that begins at or after byte offset
    // startByte, or nothing. With notEmptyAtStart an empty match at startByte
    // itself is not returned: callers pass it for the search that follows an
    // empty match (skipped or replaced), so that every loop advances.
    // Throws RegExException for a pattern that does not compile and for any
    // match failure other than "no match".
    std::optional<RegExMatch> Search(std::string_view text, size_t startByte,
                                     bool notEmptyAtStart = false);

    // The text with the first match, or every match when ReplaceAllMatches,
    // replaced by ReplacementPattern.
    std::string Replace(std::string_view text);

    struct ReplaceOutcome {
        std::string text;
        size_t count = 0;
    };
    // Every match replaced by `replacement`, built in one pass over the text.
    ReplaceOutcome replaceAll(std::string_view text, std::string_view replacement);
    // The same in place; the text is rebuilt only when something matched.
    // Returns the number of matches replaced. With `edits`, every replaced
    // piece is recorded there too (added to what it holds).
    size_t replaceAllIn(std::string& text, std::string_view replacement, TextEdits* edits = nullptr);

    // Compiles SearchPattern with the current options now (it would be at the
    // first search otherwise); throws RegExException when it does not compile.
    // Its machine code is made at its first search.
    void compile();
    // The longest look-behind of SearchPattern in characters (\b and \B count
    // one), as the compiled pattern reports it; compiles like compile().
    int maxLookBehind();

    // Patterns about to be used, compiled on other threads meanwhile, with
    // their machine code when `machineCode`; `heldToStarts` asks for the form
    // that searches held to start spans use. A use takes its pattern from
    // there when it is ready and compiles it as usual otherwise, so a pattern
    // that does not compile still fails at its use. A later call replaces
    // what an earlier one asked for.
    struct Ahead {
        std::string pattern;
        RegExOptions options;
        bool heldToStarts = false;
        bool machineCode = false;
    };
    void compileAhead(std::vector<Ahead> patterns);
    // Number of distinct pattern and option combinations compiled so far.
    size_t compiledCount() const;

    // Offsets at which a match may begin, [first, last] each, in text order
    // and apart. While set, every search (Search, Replace and the rest) tries
    // only starts inside them, at the span offsets plus `shift` in the text it
    // is given. It finds what an unrestricted search finds as long as no
    // match can begin outside them; nullptr lifts the restriction.
    struct StartSpan {
        size_t first = 0;
        size_t last = 0;
    };
    void restrictStarts(const std::vector<StartSpan>* spans, std::ptrdiff_t shift = 0);
    void shiftStarts(std::ptrdiff_t shift);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    size_t replaceInto(std::string& out, std::string_view text, std::string_view replacement,
                       bool all, TextEdits* edits = nullptr);
    // Finds the matches of a replacement and expands what each becomes, in
    // the engine's own buffers; returns how many.
    size_t collectReplacements(std::string_view text, std::string_view replacement, bool all);
    // Appends the text with the collected replacements made, recording each
    // in `edits` when given.
    void appendReplaced(std::string& out, std::string_view text, TextEdits* edits);
};

// The pattern with the lazy marker "?" removed from every repeat written lazy,
// for compiling in the mode where every repeat is lazy. Escapes, character
// classes, \Q..\E, comments and the group syntax are read as PCRE2 reads them.
std::string withoutLazyMarkers(std::string_view pattern);

} // namespace tv
