#pragma once
// The rules of a pass as it applies them: each stored rule decoded once, its
// option flags read, and the fast path that applies a rule to a whole text in
// one step.

#include "proofing/core/RegEx.h"
#include "proofing/core/RuleLoading.h"
#include "proofing/core/TextEdits.h"

#include <string>
#include <string_view>
#include <vector>

namespace tv {


// proof.grepStrConv: every occurrence of the pair (found ignoring case)
// becomes the character, then every backslash followed by the character
// becomes the pair again, so "\\r" stays a backslash and r.
std::string grepStrConv(std::string_view text, std::string_view pair, std::string_view character);
// A stored rule text with "\r" and "\t" turned into CR and TAB.
std::string decodeRuleText(std::string_view stored);

struct PassRule {
    // The search text for the engine or the plain search: decoded for a plain
    // rule, as stored for a regular-expression rule (the engine reads its own
    // escapes).
    std::string search;
    // The replacement, decoded, for every kind of rule.
    std::string replace;
    bool regex = false;         // option 1
    bool candidates = false;    // option 2
    bool confirm = false;       // option 3
    bool script = false;        // option 4
    bool caseSensitive = false; // option 5
    bool greedy = false;        // option 6
    bool dotAll = false;        // option 7
    bool matchEmpty = false;    // option 8
    // A regular-expression rule whose replacement holds "$".
    bool hasDollar = false;
};

// The rules decoded once for the whole pass, their options read through
// RuleOptions; the rule list keeps the stored texts, so every item gets the
// same rules.
std::vector<PassRule> prepareRules(const PassRuleList& list);

// `options` with a regular-expression rule's case, greed, dot and empty
// matches.
RegExOptions engineOptions(const PassRule& rule, RegExOptions options = {});
// Sets the pass's engine up for a regular-expression rule: case, greed, dot
// and empty matches, then the pattern. Done once each time the rule is
// applied to a text; nothing else changes the engine until the next rule.
void prepareEngine(RegEx& engine, const PassRule& rule);

// The fast path: every match of the rule replaced in one step. Plain rules
// compare bytes when case-sensitive, otherwise characters ignoring case.
// Returns the number of matches replaced; `edits`, when given, receives what
// was replaced.
size_t applyAtOnce(RegEx& engine, const PassRule& rule, std::string& text, TextEdits* edits = nullptr);

} // namespace tv
