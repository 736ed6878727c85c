#pragma once
// Rule loading of a pass: every chosen dictionary, in order, into one rule
// list. The pass reads dictionary files with a reader of its own, stricter
// than the editor's: a header is recognised on every line, a rule line is
// split at TAB only, a line whose search text is empty is skipped, and the
// texts, options included, are kept exactly as the file holds them (after
// conversion to UTF-8).

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dictionary/core/DictionaryFile.h"
#include "platform/core/FolderItem.h"

namespace tv {

// The pass's rule list: four parallel lists, one entry per rule.
struct PassRuleList {
    std::vector<std::string> searchList;
    std::vector<std::string> replaceList;
    std::vector<std::string> optionList;
    std::vector<std::string> commentList;
    // The dictionaries in the order they were taken up, each with the number
    // of its first rule; the last is the one being read while loading.
    std::vector<std::pair<std::string, size_t>> dictionaries;

    size_t size() const { return searchList.size(); }
    // The name of the dictionary that rule came from (empty when unknown).
    std::string dictionaryOf(size_t rule) const;
};

// Appends the rules of one dictionary file, read as the pass reads it, with
// the encoding the detector gave. Yields once per line. Throws
// EncodingException for a line that does not decode.
void parsePassDictionary(std::string_view fileBytes, const TextEncodingRef& encoding, PassRuleList& rules);

enum class RuleLoadingOutcome {
    Loaded,            // every chosen dictionary is in the list; the queue is empty
    DictionaryMissing, // no item could be formed for a name: the pass shows its
                       // notice and ends; the names not yet taken stay queued
};

struct RuleLoadingInput {
    // App.dicChangeList: taken from the front, one name per dictionary, read
    // afresh after every dictionary (names appended meanwhile are loaded too).
    std::deque<std::string>& dicChangeList;
    // App.prefDefaultDic: loaded alone when the queue is empty at the start.
    std::string prefDefaultDic;
    // The folder "Dictionary" beside the application.
    FolderItem dictionaryFolder;
    // The pass's detector.
    EncodingJudge judge;
    // Called after every dictionary with the number of rules loaded so far (the
    // progress bar's maximum); may be empty.
    std::function<void(int)> setProgressMaximum;
};

// Loads the rules into `rules`. A dictionary file that does not exist or
// cannot be read raises IOException, and a name that cannot name a file in
// the folder (holding "/" or NUL, "." or "..") counts as such a file: the
// pass's catch-all handler takes it, with the names after it still queued.
RuleLoadingOutcome loadPassRules(const RuleLoadingInput& input, PassRuleList& rules);

} // namespace tv
