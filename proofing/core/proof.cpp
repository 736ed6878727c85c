#include "proofing/core/proof.h"

#include "app/core/AppState.h"
#include "platform/core/Errors.h"
#include "platform/core/Services.h"
#include "platform/core/Text.h"
#include "proofing/core/PassMatch.h"
#include "proofing/core/PassNotice.h"
#include "proofing/core/PassOutput.h"
#include "proofing/core/PassView.h"
#include "proofing/core/ScriptRule.h"
#include "proofing/core/SelectList.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>

namespace tv {

bool proof::filterRules = true;

const char* const kPassFailureMessage =
    "正規表現の表記、あるいはファイル関連のエラーです。校正を終了します。";

namespace {

// A cancel request: the pass ends like a failure, without the message.
struct PassCancelled {};

// Texts from this size on are searched and replaced aside, so that one long
// search does not hold the windows up.
constexpr size_t kAsideBytes = size_t(4) << 20;

// Runs `work`, pure computation on what the pass alone holds (its text and
// its engine), on a thread of its own when the text is large, while the
// event loop goes on; its exception, if any, comes back here.
void computeAside(size_t textSize, const std::function<void()>& work)
{
    if (textSize < kAsideBytes || !onWorker()) {
        work();
        return;
    }
    std::future<void> done = std::async(std::launch::async, work);
    // A yield returns at once until the event loop is due again.
    while (done.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        yieldToOthers();
    done.get();
}

// Holds the engine's searches to a rule's start spans while the rule runs,
// however its search ends.
class RestrictedStarts {
public:
    RestrictedStarts(RegEx& engine, const std::vector<RegEx::StartSpan>* spans) : engine_(engine)
    {
        engine_.restrictStarts(spans);
    }
    ~RestrictedStarts() { engine_.restrictStarts(nullptr); }
    RestrictedStarts(const RestrictedStarts&) = delete;
    RestrictedStarts& operator=(const RestrictedStarts&) = delete;

private:
    RegEx& engine_;
};

// Text for a message: bytes that are not UTF-8 (a file name) as U+FFFD.
std::string displayable(std::string_view text)
{
    if (isValidUtf8(text))
        return std::string(text);
    std::string out;
    for (size_t i = 0; i < text.size();)
        appendCodePoint(out, nextCodePoint(text, i));
    return out;
}

// Why a pass failed, in the user's words; empty when there is nothing to say.
std::string failureReason(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const RegExException&) {
        return "正規表現のエラーです。";
    } catch (const EncodingException&) {
        return "文字コードを変換できません。";
    } catch (const ScriptFailure&) {
        return "スクリプトを実行できません。";
    } catch (const IOException&) {
        return "ファイルを読み書きできません。";
    } catch (...) {
    }
    return {};
}

// Where a rule's script was looked for, for the notice that it is missing.
std::string scriptPlace(const FolderItem& scriptFolder, const std::string& name)
{
    return displayable(scriptFolder ? scriptFolder.AbsolutePath() + "/" + name : name);
}

FolderItem besideApplication(std::string_view name)
{
    FolderItem folder = FolderItem::applicationFolder();
    if (!folder)
        throw NilObjectException("no application folder");
    return folder.Child(name);
}

} // namespace

// What the match loop asks of the pass for each match.
class proof::Decider : public MatchDecider {
public:
    explicit Decider(proof& pass) : pass_(pass) {}

    void cancelTest() override { pass_.cancelTest(); }

    std::string scriptOutput(EditCursor& cursor, const EditCursor::Found& found, int ruleReplaceCount) override
    {
        return pass_.runScript(cursor.charsBefore(found), std::string(cursor.matchedText(found)),
                               ruleReplaceCount);
    }

    std::optional<std::string> decide(EditCursor& cursor, const EditCursor::Found& found, std::string proposed) override
    {
        // A rule that confirms nothing, or whose confirming the user has
        // ended, replaces every match with what it proposes.
        if (!pass_.app_.isManualRep)
            return proposed;
        if (!pass_.checkTextLoaded_) {
            // The rule's first question in this text: the text as the rules
            // so far have left it, loaded once.
            pass_.checkTextLoaded_ = true;
            pass_.view_->loadCheckText(cursor.wholeText());
            pass_.grepWindowOpen(true);
            const std::string& comment = pass_.ruleList_.commentList[static_cast<size_t>(pass_.ruleIndex_)];
            pass_.view_->setReplaceHelpTag(!pass_.app_.isSelectRep && !comment.empty() ? comment
                                                                                     : "置換する文字列です。");
        }
        return pass_.confirmMatch(cursor.charsBefore(found), std::string(cursor.matchedText(found)), proposed);
    }

    void runAside(size_t bytes, const std::function<void()>& work) override
    {
        computeAside(bytes, work);
    }

    void replaced(int ruleReplaceCount) override
    {
        ++pass_.passReplaceCount_;
        pass_.view_->setReplaceCount(Str(ruleReplaceCount));
        pass_.itemChanged_ = true;
        yieldToOthers();
    }

private:
    proof& pass_;
};

proof::proof(AppState& app, std::shared_ptr<PassView> view) : app_(app), view_(std::move(view))
{
    if (!view_)
        throw NilObjectException("a pass needs its windows");
}

proof::~proof() = default;

std::string proof::grepStrConv(std::string_view text, std::string_view pair, std::string_view character)
{
    return tv::grepStrConv(text, pair, character);
}

void proof::grepWindowOpen(bool expand)
{
    view_->grepWindowOpen(expand);
}

void proof::makeSelectList(const std::string& candidates, const std::string& matched, const std::string& notes)
{
    view_->makeSelectList(makeSelectRows(candidates, matched, notes, [] { yieldToOthers(); }));
}

void proof::cancelTest()
{
    if (app_.grepCancel || view_->userCancelled())
        throw PassCancelled{};
}

std::optional<std::string> proof::confirmMatch(int64_t start, const std::string& matchText, const std::string& proposed)
{
    beforeOthersAct();
    view_->markMatch(start, matchText);
    if (app_.isSelectRep) {
        makeSelectList(proposed, matchText, ruleList_.commentList[static_cast<size_t>(ruleIndex_)]);
        view_->showSelectList();
    } else {
        view_->offerReplacement(proposed);
    }

    // The wait, with a cancel test before every turn.
    app_.notifyClose = false;
    do {
        cancelTest();
        doEvents(100);
        yieldToOthers();
    } while (!app_.notifyClose);

    if (view_->manualCheckTicked()) {
        // No more questions for the rest of this rule; this answer counts.
        app_.isManualRep = false;
        grepWindowOpen(false);
    }
    std::optional<std::string> answer;
    if (app_.manualCancel) {
        // Skipped; the palette stays for the next match.
    } else if (app_.isSelectRep) {
        std::string candidate;
        if (view_->chosenCandidate(candidate) > 0)
            answer = std::move(candidate);
        view_->closeSelectPallete();
    } else {
        answer = app_.manualRepStr;
    }
    // The window shows what the text now holds there: the answer with the
    // line ends the text gets, or the match itself where a candidate was
    // previewed and is not taken.
    if (answer)
        answer = withCrLineEnds(std::move(*answer));
    view_->settleMatch(answer ? *answer : matchText);
    return answer;
}

std::string proof::runScript(int64_t start, const std::string& matchText, int ruleReplaceCount)
{
    // A script may read any file: the ones the pass has written are whole.
    // It may also write one, the next file too.
    beforeOthersAct();
    ScriptValues values;
    values.matchText = matchText;
    values.itemName = itemName_;
    values.matchStart = static_cast<int32_t>(start + 1);
    values.matchEndLess = static_cast<int32_t>(Len(matchText) - 1);
    values.ruleReplaceCount = ruleReplaceCount;
    return runScriptRule(scriptFile_, values, detector_, [this] { cancelTest(); });
}

std::string proof::failurePlace(const std::exception_ptr& failure) const
{
    std::string place;
    auto line = [&place](const std::string& text) {
        if (!place.empty())
            place += '\n';
        place += text;
    };
    if (loadingRules_ && !ruleList_.dictionaries.empty())
        line("辞書: " + displayable(ruleList_.dictionaries.back().first));
    if (!itemPlace_.empty())
        line(itemPlace_);
    if (applyingRules_ && ruleIndex_ >= 0 && static_cast<size_t>(ruleIndex_) < ruleList_.size()) {
        const size_t rule = static_cast<size_t>(ruleIndex_);
        line("辞書: " + displayable(ruleList_.dictionaryOf(rule)));
        line("検索文字列: " + ruleList_.searchList[rule]);
    }
    if (const std::string reason = failureReason(failure); !reason.empty())
        line(reason);
    return place;
}

void proof::Event_Run()
{
    std::exception_ptr failure;
    try {
        // Set-up.
        app_.isWorking = true;
        app_.grepCancel = false;
        view_->clearUserCancel();
        manyFiles_ = itemChanged_ = false;
        passReplaceCount_ = filesDone_ = savedCount_ = unsavedCount_ = 0;
        view_->openGrepWindow();
        view_->setGrepTitle("校正準備中...");
        view_->setProgressValue(0);
        view_->setProgressMaximum(0);
        view_->setSearchText("");
        view_->setReplaceText("");
        view_->setReplaceField("");
        view_->showGrepWindow();
        view_->refreshMenus();
        dictionaryFolder_ = besideApplication("Dictionary");
        saves_ = std::make_unique<SavesAside>();
        // The first file is read while the rules load.
        if (!app_.isClip && !app_.dropItem.empty() && onWorker())
            readAhead_[0].start(app_.dropItem.front(), detector_, nullptr, [] { yieldToOthers(); });

        loadingRules_ = true;
        const bool loaded = loadRules();
        loadingRules_ = false;
        if (loaded) {
            scriptFolder_ = besideApplication("Script");
            rules_ = prepareRules(ruleList_);
            compiledOnce_.assign(rules_.size(), false);
            patternsAhead_ = false;
            if (filterRules)
                filter_ = std::make_unique<RuleFilter>(rules_);
            do {
                view_->setProgressValue(0);
                itemChanged_ = false;
                takeInItem();
                applyingRules_ = true;
                applyRules();
                applyingRules_ = false;
                writeItem();
                yieldToOthers();
            } while (!app_.isClip && !app_.dropItem.empty());
            // An image or other data on the clipboard is left alone.
            if (app_.isClip && clipboardHadText_)
                services().setClipboardText(itemText_);
        }
    } catch (const PassCancelled&) {
    } catch (...) {
        failure = std::current_exception();
    }
    // The saves still under way end before anything is reported; one that
    // failed came before whatever else ended the pass.
    try {
        collectSaves(true);
    } catch (...) {
        failure = std::current_exception();
    }
    for (ReadAhead& read : readAhead_)
        read.settle([] { yieldToOthers(); });
    if (saves_)
        savedCount_ += saves_->settle([] { yieldToOthers(); }, nullptr);
    if (failure) {
        std::string place;
        try {
            place = failurePlace(failure);
        } catch (...) {
        }
        try {
            MsgBox(kPassFailureMessage, place);
        } catch (...) {
        }
    }
    endSteps();
}

bool proof::loadRules()
{
    RuleLoadingInput input{app_.dicChangeList, app_.prefDefaultDic, dictionaryFolder_,
        [this](std::string_view sample) { return detector_.JudgeCode(sample); },
        [this](int count) { view_->setProgressMaximum(count); }};
    if (loadPassRules(input, ruleList_) == RuleLoadingOutcome::DictionaryMissing) {
        const std::string empty;
        noticeAndWait("辞書が見つかりません。", &empty);
        return false;
    }
    return true;
}

void proof::takeInItem()
{
    itemPlace_.clear();
    if (app_.isClip) {
        itemPlace_ = "クリップボード";
        itemName_ = "クリップボード";
        clipboardHadText_ = services().clipboardHasText();
        itemText_ = clipboardHadText_ ? services().clipboardText() : std::string();
        requireValidUtf8(itemText_, "the clipboard");
    } else {
        if (app_.dropItem.empty())
            throw NilObjectException("no file queued");
        // A copy: starters may append to the queue while the intake yields.
        const FolderItem file = app_.dropItem.front();
        itemPlace_ = "ファイル: " + displayable(file.AbsolutePath());
        itemName_ = file.DisplayName();
        ReadAhead* read = readAheadOf(file.path());
        itemRead_ = read ? read->take(file, [] { yieldToOthers(); }) : nullptr;
        TakenFile taken;
        if (itemRead_) {
            taken = std::move(itemRead_->taken);
        } else {
            // An earlier file's output queued as an input is read as written.
            if (saves_ && saves_->touches(file.path()))
                collectSaves(true);
            taken = takeInFile(file, detector_);
        }
        itemText_ = std::move(taken.text);
        itemLineEnd_ = taken.lineEnd;
        itemEncoding_ = taken.encoding;
        itemForms_ = std::move(taken.forms);
        addRecentDocument(app_.resentFileList, recentEntryFor(file));
        view_->makeResentList();
    }
    view_->setGrepTitle("\"" + itemName_ + "\" を校正中...");
}

void proof::applyRules()
{
    Decider decider(*this);
    const int32_t count = static_cast<int32_t>(rules_.size());
    if (filter_) {
        if (itemRead_ && itemRead_->isCounted)
            filter_->take(itemRead_->counted);
        else
            filter_->scan(itemText_, [] { yieldToOthers(); });
        if (!patternsAhead_) {
            compileRulesAhead();
            patternsAhead_ = true;
        }
    }
    itemRead_ = nullptr;
    readNextItem();
    ruleIndex_ = 0;
    // A rule that is not searched is a step of well under a microsecond, and
    // asking the clock whether the others' turn has come would be a good part
    // of it: after such steps the worker asks only every so often.
    constexpr int kUnsearchedBetweenYields = 32;
    int unsearchedSinceYield = 0;
    while (ruleIndex_ < count) {
        // Rules applied at once never wait, so the end of the session is
        // looked for before each.
        if (app_.quitRequested)
            throw PassCancelled{};
        const PassRule& rule = rules_[static_cast<size_t>(ruleIndex_)];
        const size_t i = static_cast<size_t>(ruleIndex_);
        // A run of rules that are not searched, ask nothing and run no
        // script, up to the next turn of the others, is set up in one step:
        // the same steps as one at a time, and nothing in between to see them.
        if (const size_t quiet = quietRulesFrom(i, kUnsearchedBetweenYields - unsearchedSinceYield); quiet > 0) {
            const std::span<const std::string> searchTexts(ruleList_.searchList);
            const std::span<const std::string> replaceTexts(ruleList_.replaceList);
            view_->setUpRules(ruleIndex_, searchTexts.subspan(i, quiet), replaceTexts.subspan(i, quiet),
                app_.isFastProof ? "-" : "0");
            app_.isManualRep = app_.isSelectRep = false;
            if (!view_->grepWindowIsCompact())
                grepWindowOpen(false);
            checkTextLoaded_ = true;
            if (!app_.isFastProof)
                decider.cancelTest();
            else
                itemChanged_ = true;
            rulesApplied_ += static_cast<int64_t>(quiet);
            ruleIndex_ += static_cast<int32_t>(quiet);
            unsearchedSinceYield += static_cast<int>(quiet);
            if (unsearchedSinceYield == kUnsearchedBetweenYields) {
                unsearchedSinceYield = 0;
                yieldToOthers();
            }
            continue;
        }
        view_->setProgressValue(ruleIndex_);
        view_->setSearchText(ruleList_.searchList[i]);
        view_->setReplaceText(ruleList_.replaceList[i]);
        view_->setReplaceCount(app_.isFastProof ? "-" : "0");
        app_.isManualRep = rule.confirm;
        if (rule.candidates) {
            app_.isSelectRep = true;
            app_.isManualRep = true;
            view_->setManualCheck(false, false);
        } else {
            app_.isSelectRep = false;
            view_->setManualCheck(true, false);
            view_->closeSelectPallete();
        }
        if (!app_.isManualRep && !view_->grepWindowIsCompact())
            grepWindowOpen(false);
        checkTextLoaded_ = !app_.isManualRep;
        bool isScriptRule = false;
        if (rule.script) {
            scriptFile_ = findScript(scriptFolder_, rule.replace);
            if (!scriptFile_) {
                const std::string where = scriptPlace(scriptFolder_, rule.replace);
                noticeAndWait("スクリプトが見つかりません。", &where);
                // The way out for a user who cannot supply the script: a
                // cancel asked for while the notice was up ends the pass.
                cancelTest();
                continue; // the same rule again, from its first step
            }
            isScriptRule = true;
        }
        const bool atOnce =
            app_.isFastProof && !isScriptRule && !app_.isManualRep && !app_.isSelectRep;
        // A rule that cannot match is not searched; all else it does as
        // usual, and a pattern the engine rejects still ends the pass here.
        const bool searched = !filter_ || filter_->mayMatch(i);
        ++rulesApplied_;
        if (searched) {
            ++rulesSearched_;
            edits_.clear();
            TextEdits* edits = filter_ ? &edits_ : nullptr;
            // The search is held to where the rule's factors say a match may
            // begin, when they can say.
            const RestrictedStarts restricted(passRegEx_, filter_ && rule.regex ? filter_->startSpans(i) : nullptr);
            if (atOnce)
                computeAside(itemText_.size(), [&] { applyAtOnce(passRegEx_, rule, itemText_, edits); });
            else
                runMatchLoop(passRegEx_, rule, itemText_, decider, edits);
            if (filter_)
                filter_->update(itemText_, edits_, [] { yieldToOthers(); });
        } else {
            if (!atOnce)
                decider.cancelTest();
            // A pattern that has compiled once in this pass compiles again:
            // only its first compile can end the pass.
            if (rule.regex && !compiledOnce_[i]) {
                prepareEngine(passRegEx_, rule);
                passRegEx_.compile();
            }
        }
        compiledOnce_[i] = true;
        if (atOnce)
            itemChanged_ = true;
        if (searched || ++unsearchedSinceYield == kUnsearchedBetweenYields) {
            unsearchedSinceYield = 0;
            yieldToOthers();
        }
        ++ruleIndex_;
    }
}

size_t proof::quietRulesFrom(size_t first, int most) const
{
    // Such a rule does what its set-up does, and no more: its search is
    // skipped and its pattern, if any, has compiled once in this pass.
    size_t end = first;
    while (filter_ && end < rules_.size() && end - first < static_cast<size_t>(most)) {
        const PassRule& rule = rules_[end];
        if (rule.script || rule.confirm || rule.candidates || (rule.regex && !compiledOnce_[end])
            || filter_->mayMatch(end))
            break;
        ++end;
    }
    return end - first;
}

ReadAhead* proof::readAheadOf(const std::string& path)
{
    for (ReadAhead& read : readAhead_)
        if (read.held() && read.path() == path)
            return &read;
    return nullptr;
}

void proof::readNextItem()
{
    // Saves aside say which files are still to be written; without them the
    // pass reads each file in its turn.
    if (app_.isClip || !saves_ || !onWorker())
        return;
    // Over small texts reading one file takes about as long as its rules:
    // the file after the next is read as well. A large text has one read
    // ahead, so that no more than two large texts wait beside it.
    constexpr size_t kSmallText = size_t(1) << 20;
    const size_t ahead = itemText_.size() < kSmallText ? readAhead_.size() : 1;
    for (size_t k = 1; k <= ahead && k < app_.dropItem.size(); ++k) {
        const FolderItem& next = app_.dropItem[k];
        if (readAheadOf(next.path()) || saves_->touches(next.path()))
            continue;
        auto idle = std::find_if(readAhead_.begin(), readAhead_.end(), [](const ReadAhead& r) { return !r.held(); });
        if (idle == readAhead_.end())
            return;
        // Its output's path is looked up aside as well.
        idle->start(next, detector_, filter_.get(), [] { yieldToOthers(); },
                    expectedOutputPath(app_, next, outputName(next.Name(), app_.makeFormatStr(app_.prefExtension))));
    }
}

// While the first item's rules run, the patterns of those still to come
// compile on other threads: with their machine code when the item may match
// them, in the form held to start spans when they may have some.
void proof::compileRulesAhead()
{
    std::vector<RegEx::Ahead> ahead;
    for (size_t i = 0; i < rules_.size(); ++i) {
        const PassRule& rule = rules_[i];
        if (!rule.regex)
            continue;
        const bool searched = filter_->mayMatch(i);
        ahead.push_back({rule.search, engineOptions(rule), searched && filter_->mayHaveStartSpans(i), searched});
    }
    passRegEx_.compileAhead(std::move(ahead));
}

void proof::writeItem()
{
    if (app_.isClip)
        return;
    if (itemChanged_) {
        restoreLineEnds(itemText_, itemLineEnd_);
        // The text goes with its save: the next item brings its own.
        if (itemEncoding_ == Encodings::UTF8())
            saveTextFile(std::move(itemText_));
        else
            saveTextFile(encodeFromUtf8(itemText_, itemEncoding_, &itemForms_));
    }
    ++filesDone_;
    app_.dropItem.pop_front();
    if (!app_.dropItem.empty())
        manyFiles_ = true;
}

void proof::saveTextFile(std::string text)
{
    if (app_.dropItem.empty())
        throw NilObjectException("no file queued");
    const FolderItem source = app_.dropItem.front();
    // The name's own bytes, so that a name that is not UTF-8 keeps them.
    const std::string name = outputName(source.Name(), app_.makeFormatStr(app_.prefExtension));
    // A save dialog is a question.
    if (app_.prefSaveType == "dialog")
        beforeOthersAct();
    const FolderItem target = outputTarget(app_, source, name);
    if (!target) {
        ++unsavedCount_;
        const std::string sum = "保存場所を確認して下さい。";
        noticeAndWait("ファイルの保存ができませんでした。", &sum);
        return;
    }
    // Nothing of the application is read aside: the windows may change it
    // meanwhile. Nor are the pass's own files: the save has its own.
    const std::string creator = app_.prefCreator;
    if (!saves_ || !onWorker()) {
        writeOutput(target, source, text, creator);
        ++savedCount_;
        return;
    }
    // A failure that has come back by now ends the pass before this file is
    // written, as it would have before this file was proofread.
    collectSaves(false);
    const std::string targetPath = target.path();
    const std::string sourcePath = source.path();
    const size_t bytes = text.size();
    saves_->start(
        targetPath, sourcePath, itemPlace_, bytes,
        [targetPath, sourcePath, creator, bytes = std::move(text)] {
            return writeOutput(FolderItem::fromPath(targetPath), FolderItem::fromPath(sourcePath), bytes, creator,
                               FolderSync::ByCaller);
        },
        [] { yieldToOthers(); });
    // The output is a file queued next, by its name or another: that file is
    // read as written, in its turn.
    for (ReadAhead& read : readAhead_)
        if (read.held() && saves_->touches(read.path()))
            read.drop();
}

void proof::collectSaves(bool wait)
{
    if (!saves_ || saves_->empty())
        return;
    SavesAside::Failure failure;
    savedCount_ += wait ? saves_->settle([] { yieldToOthers(); }, &failure) : saves_->collect(failure);
    if (failure.error) {
        // The failure message names the file whose save failed.
        itemPlace_ = std::move(failure.place);
        loadingRules_ = applyingRules_ = false;
        std::rethrow_exception(failure.error);
    }
}

void proof::beforeOthersAct()
{
    for (ReadAhead& read : readAhead_)
        read.drop();
    collectSaves(true);
}

void proof::notifyResult(bool manyFiles, bool changed, int32_t filesDone, int32_t savedCount,
                         int32_t replacements)
{
    const ResultNotice notice =
        resultNotice(app_, manyFiles, changed, filesDone, savedCount, replacements, unsavedCount_);
    switch (notice.kind) {
    case ResultNotice::Kind::None:
        return;
    case ResultNotice::Kind::Beep:
        services().beep();
        return;
    case ResultNotice::Kind::Sheet:
        noticeAndWait(notice.message, notice.summary ? &*notice.summary : nullptr);
        return;
    }
}

void proof::noticeAndWait(const std::string& message, const std::string* sum)
{
    beforeOthersAct();
    view_->showNotice(message, sum);
    userWait();
}

void proof::userWait()
{
    do {
        doEvents(100);
        yieldToOthers();
    } while (!app_.notifyClose && !app_.quitRequested);
}

void proof::endSteps()
{
    // Every step runs once, whatever an earlier one did, so that the program
    // never stays locked in a pass.
    auto step = [](auto&& f) {
        try {
            f();
        } catch (...) {
        }
    };
    step([&] { grepWindowOpen(false); });
    step([&] { view_->setGrepTitle("校正終了"); });
    step([&] {
        view_->setProgressMaximum(1);
        view_->setProgressValue(1);
    });
    step([&] {
        view_->setSearchText("");
        view_->setReplaceText("");
        view_->setReplaceField("");
    });
    step([&] { view_->closeSelectPallete(); });
    step([&] {
        if (!app_.quitRequested)
            notifyResult(manyFiles_, itemChanged_, filesDone_, savedCount_, passReplaceCount_);
    });
    // From here on nothing waits or yields: once App.isWorking is clear no
    // other code runs before the pass has ended (the menu refresh's own
    // yields included), so nothing can quit the program under it.
    const NoYield unbroken;
    step([&] { app_.prefGrepWinPos = view_->grepWindowFrame(); });
    app_.dropItem.clear();
    app_.isClip = false;
    app_.isWorking = false;
    step([&] { view_->closeGrepWindow(); });
    step([&] { view_->refreshMenus(); });
}

std::shared_ptr<proof> startProof(AppState& app, std::shared_ptr<PassView> view)
{
    app.isWorking = true;
    try {
        auto pass = std::make_shared<proof>(app, std::move(view));
        pass->Run();
        return pass;
    } catch (...) {
        app.isWorking = false;
        throw;
    }
}

} // namespace tv

namespace tv {

PassView::~PassView() = default;

void PassView::setUpRules(int first, std::span<const std::string> searchTexts,
    std::span<const std::string> replaceTexts, const std::string& replaceCount)
{
    for (size_t k = 0; k < searchTexts.size(); ++k) {
        setProgressValue(first + static_cast<int>(k));
        setSearchText(searchTexts[k]);
        setReplaceText(replaceTexts[k]);
        setReplaceCount(replaceCount);
        setManualCheck(true, false);
        closeSelectPallete();
    }
}

} // namespace tv
