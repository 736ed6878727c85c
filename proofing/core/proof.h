#pragma once
// The worker of one proofreading pass. Its run loads the chosen dictionaries,
// takes in each queued file (or the clipboard's text), applies every rule to
// it, writes the result back, reports the outcome and ends the pass. It runs
// on the platform's cooperative fiber, writes its windows through a PassView
// and waits for the user only by letting the event loop run.

#include "encoding/core/detectKanji.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Thread.h"
#include "proofing/core/PassIntake.h"
#include "proofing/core/PassRules.h"
#include "proofing/core/ReadAhead.h"
#include "proofing/core/RegEx.h"
#include "proofing/core/RuleFilter.h"
#include "proofing/core/RuleLoading.h"
#include "proofing/core/SavesAside.h"

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tv {

class AppState;
class PassView;

// The fixed message of every failure that ends a pass.
extern const char* const kPassFailureMessage;

class proof : public Thread {
public:
    proof(AppState& app, std::shared_ptr<PassView> view);
    ~proof() override;

    // The confirmation window's compact (false) or expanded (true) form.
    void grepWindowOpen(bool expand);
    // Saves the text (already in the file's encoding and line ends) for the
    // file at the head of App.dropItem, aside while the pass goes on; counts
    // it once it is written. When no target can be named it shows its notice
    // and waits for the user.
    void saveTextFile(std::string text);
    // The result notice at the end of a pass, as the settings ask.
    void notifyResult(bool manyFiles, bool changed, int32_t filesDone, int32_t savedCount,
                      int32_t replacements);
    static std::string grepStrConv(std::string_view text, std::string_view pair,
                                   std::string_view character);
    // Fills the candidate palette for one match (and leaves it hidden): row 0
    // keeps the match, the candidates and their notes follow.
    void makeSelectList(const std::string& candidates, const std::string& matched,
                        const std::string& notes);

    // What the pass has counted (for its starters and tests).
    int32_t filesDone() const { return filesDone_; }
    int32_t savedCount() const { return savedCount_; }
    int32_t unsavedCount() const { return unsavedCount_; }
    int32_t passReplaceCount() const { return passReplaceCount_; }
    bool manyFiles() const { return manyFiles_; }
    bool itemChanged() const { return itemChanged_; }
    // Rules applied to an item, and how many of them were searched: the
    // others could not match the text as it stood.
    int64_t rulesApplied() const { return rulesApplied_; }
    int64_t rulesSearched() const { return rulesSearched_; }

    // Whether passes skip the search of a rule that cannot match (on). Off
    // only to compare a pass with one that searches every rule.
    static bool filterRules;

protected:
    void Event_Run() override;

private:
    class Decider;
    friend class Decider;

    // The phases; each returns false when the pass is to end at once.
    bool loadRules();
    void takeInItem();
    // Starts reading the file queued after the current item, when the pass
    // can tell whether anything writes it before its turn.
    void readNextItem();
    void applyRules();
    // How many rules from `first` on, `most` at the most, neither searched
    // nor asking anything nor running a script, have nothing to do but
    // their set-up.
    size_t quietRulesFrom(size_t first, int most) const;
    void compileRulesAhead();
    void writeItem();
    void endSteps();
    // Shows a notice and waits until the user has closed it.
    void noticeAndWait(const std::string& message, const std::string* sum);
    // The user wait: the event loop runs 100 ms at a time until
    // App.notifyClose is set.
    void userWait();
    // Shows one match of a confirming rule and waits for the answer: the
    // text to put in, or nothing to leave the match.
    std::optional<std::string> confirmMatch(int64_t start, const std::string& matchText,
                                            const std::string& proposed);
    // The script of the current rule run for one match: its output.
    std::string runScript(int64_t start, const std::string& matchText, int ruleReplaceCount);
    // Ends the pass when the user has asked to cancel it.
    void cancelTest();
    // Counts the saves that have ended (with `wait`, all of them once they
    // have); raises the first failure among them, for the file it belongs to.
    // Called before the pass shows anything, runs a script or reads a file
    // a save is writing.
    void collectSaves(bool wait);
    // Before the pass asks the user anything or runs a script: the saves
    // under way end, and what was read ahead is forgotten, since the next
    // file may be changed meanwhile.
    void beforeOthersAct();
    // Where a failure stopped the pass, and why, for the failure message:
    // the item, the dictionary being loaded or the rule being applied.
    std::string failurePlace(const std::exception_ptr& failure) const;

    AppState& app_;
    std::shared_ptr<PassView> view_;

    // Per pass.
    PassRuleList ruleList_;
    std::vector<PassRule> rules_;
    // Which rules can match the current item's text; none when filterRules
    // was off at the pass's start.
    std::unique_ptr<RuleFilter> filter_;
    TextEdits edits_;
    // Outputs being written while the pass goes on.
    std::unique_ptr<SavesAside> saves_;
    int64_t rulesApplied_ = 0;
    int64_t rulesSearched_ = 0;
    // Rules whose pattern (if any) has compiled in this pass.
    std::vector<bool> compiledOnce_;
    // Whether the rules' patterns have been handed to the engine to compile
    // ahead.
    bool patternsAhead_ = false;
    // Set up by each regular-expression rule before it is applied (options
    // and pattern). The pass replaces through replaceAllIn and its own edit
    // cursor, never through Replace, so no pass-wide option is set.
    RegEx passRegEx_;
    detectKanji detector_;
    FolderItem dictionaryFolder_;
    FolderItem scriptFolder_;
    bool manyFiles_ = false;
    int32_t filesDone_ = 0;
    int32_t savedCount_ = 0;
    // Changed files whose save found no place: their work is lost.
    int32_t unsavedCount_ = 0;
    int32_t passReplaceCount_ = 0;
    // What the pass is at, for the failure message.
    bool loadingRules_ = false;
    bool applyingRules_ = false;

    // Per item.
    std::string itemText_;
    std::string itemName_;
    // The item as the failure message names it: the file's path, or the
    // clipboard.
    std::string itemPlace_;
    LineEnd itemLineEnd_ = LineEnd::CR;
    TextEncodingRef itemEncoding_;
    TextForms itemForms_;
    bool itemChanged_ = false;
    bool clipboardHadText_ = false;

    // What was read ahead for the item, if anything, until its counts are
    // taken in.
    ReadAhead::Read* itemRead_ = nullptr;

    // Per rule.
    int32_t ruleIndex_ = 0;
    bool checkTextLoaded_ = false;
    FolderItem scriptFile_;

    // The files queued next, read ahead, each on a thread of its own. They
    // read with the detector and the filter above: these end first.
    std::array<ReadAhead, 2> readAhead_;
    // The read kept for the file at `path`, if any.
    ReadAhead* readAheadOf(const std::string& path);
};

// The start step of a pass: marks it as running and starts its worker, which
// begins when the main side next yields. The worker keeps itself alive until
// its run has ended.
std::shared_ptr<proof> startProof(AppState& app, std::shared_ptr<PassView> view);

} // namespace tv
