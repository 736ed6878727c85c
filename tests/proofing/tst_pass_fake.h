#pragma once
// A pass's windows as a record: what the pass showed, with hooks that let a
// test act where the user would (close a notice, press cancel, queue a file).

#include "app/core/AppState.h"
#include "proofing/core/PassView.h"
#include "proofing/core/proof.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tv::test {

class FakePassView : public PassView {
public:
    explicit FakePassView(AppState& app) : app_(app) {}

    struct Notice {
        std::string message;
        std::optional<std::string> summary;
    };

    // What was shown.
    std::vector<std::string> titles;
    std::vector<std::string> searchTexts, replaceTexts, replaceCounts;
    std::vector<Notice> notices;
    int progressValue = -1, progressMaximum = -1;
    std::vector<int> progressValues;
    bool windowOpen = false, windowShown = false;
    int closeRefusals = 0;
    bool compact = true;
    int menuRefreshes = 0, recentRefreshes = 0;
    std::string frame = "100,80,351,338";
    bool cancelChord = false;
    // Whether notices close as soon as they are shown (the user pressing OK
    // at once).
    bool closeNoticesAtOnce = true;
    // Hooks.
    std::function<void(const std::string&)> onTitle;
    std::function<void(const std::string&)> onReplaceCount;
    std::function<void(const Notice&)> onNotice;
    bool failNotices = false;

    void openGrepWindow() override { windowOpen = true; }
    void setGrepTitle(const std::string& title) override
    {
        titles.push_back(title);
        if (onTitle)
            onTitle(title);
    }
    void showGrepWindow() override { windowShown = true; }
    void setProgressValue(int value) override
    {
        progressValue = value;
        progressValues.push_back(value);
    }
    void setProgressMaximum(int maximum) override { progressMaximum = maximum; }
    void setSearchText(const std::string& text) override { searchTexts.push_back(text); }
    void setReplaceText(const std::string& text) override { replaceTexts.push_back(text); }
    void setReplaceField(const std::string&) override {}
    void setReplaceCount(const std::string& text) override
    {
        replaceCounts.push_back(text);
        if (onReplaceCount)
            onReplaceCount(text);
    }
    void setManualCheck(bool, bool) override {}
    bool grepWindowIsCompact() override { return compact; }
    void grepWindowOpen(bool expand) override { compact = !expand; }
    std::string grepWindowFrame() override { return frame; }
    void closeGrepWindow() override
    {
        if (app_.isWorking)
            ++closeRefusals;
        else
            windowOpen = false;
    }
    void closeSelectPallete() override { ++paletteCloses; }

    // Questions: what was shown, and how they are answered. The answer comes
    // while the pass waits: onQuestion when a test gives it, else "置換" with
    // the proposal as it stands, or with the row candidateRow.
    std::vector<std::string> loadedTexts, helpTags, offers, settled;
    std::vector<std::pair<int64_t, std::string>> marks;
    std::vector<SelectList> selectLists;
    int paletteCloses = 0;
    bool manualTicked = false;
    int candidateRow = 0;
    std::function<void()> onQuestion;

    void loadCheckText(const std::string& text) override { loadedTexts.push_back(text); }
    void setReplaceHelpTag(const std::string& tag) override { helpTags.push_back(tag); }
    void markMatch(int64_t start, const std::string& matchText) override { marks.emplace_back(start, matchText); }
    void offerReplacement(const std::string& text) override
    {
        offers.push_back(text);
        app_.manualRepStr = text;
        question();
    }
    void makeSelectList(const SelectList& list) override { selectLists.push_back(list); }
    void showSelectList() override { question(); }
    bool manualCheckTicked() override { return manualTicked; }
    int chosenCandidate(std::string& text) override
    {
        const SelectList* list = selectLists.empty() ? nullptr : &selectLists.back();
        const bool exists = list && candidateRow >= 0 && size_t(candidateRow) < list->rows.size();
        text = exists ? list->rows[size_t(candidateRow)].text : std::string();
        return exists ? candidateRow : -1;
    }
    void settleMatch(const std::string& text) override { settled.push_back(text); }
    void showNotice(const std::string& message, const std::string* sum) override
    {
        if (failNotices)
            throw std::runtime_error("the notice could not be shown");
        app_.notifyClose = false;
        Notice n{message, sum ? std::optional<std::string>(*sum) : std::nullopt};
        notices.push_back(n);
        if (onNotice)
            onNotice(n);
        if (closeNoticesAtOnce)
            app_.notifyClose = true;
    }
    void refreshMenus() override { ++menuRefreshes; }
    void makeResentList() override { ++recentRefreshes; }
    bool userCancelled() override { return cancelChord; }
    void clearUserCancel() override { cancelChord = false; }

private:
    void question()
    {
        QTimer::singleShot(0, QCoreApplication::instance(), [this] {
            if (onQuestion) {
                onQuestion();
                return;
            }
            app_.manualCancel = false;
            app_.notifyClose = true;
        });
    }

    AppState& app_;
};

// Runs a pass to its end, serving the event loop meanwhile.
inline std::shared_ptr<proof> runPass(AppState& app, std::shared_ptr<FakePassView> view)
{
    auto pass = startProof(app, view);
    QElapsedTimer guard;
    guard.start();
    while (!pass->isFinished() && guard.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return pass;
}

} // namespace tv::test
