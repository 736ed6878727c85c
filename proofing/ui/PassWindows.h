#pragma once
// The pass's windows on Qt: grepWindow, the notice sheet, the menus and the
// cancel chord, behind the interface the pass writes to.

#include "proofing/core/PassView.h"

#include <QMetaObject>

#include <memory>

namespace tv {

class grepWindow;

class GrepWindowView : public PassView {
public:
    GrepWindowView();
    ~GrepWindowView() override;
    GrepWindowView(const GrepWindowView&) = delete;
    GrepWindowView& operator=(const GrepWindowView&) = delete;

    void openGrepWindow() override;
    void setGrepTitle(const std::string& title) override;
    void showGrepWindow() override;
    void setProgressValue(int value) override;
    void setProgressMaximum(int maximum) override;
    void setSearchText(const std::string& text) override;
    void setReplaceText(const std::string& text) override;
    void setReplaceField(const std::string& text) override;
    void setReplaceCount(const std::string& text) override;
    void setManualCheck(bool enabled, bool checked) override;
    bool grepWindowIsCompact() override;
    void grepWindowOpen(bool expand) override;
    std::string grepWindowFrame() override;
    void closeGrepWindow() override;
    void closeSelectPallete() override;
    void setUpRules(int first, std::span<const std::string> searchTexts, std::span<const std::string> replaceTexts,
        const std::string& replaceCount) override;
    void loadCheckText(const std::string& text) override;
    void setReplaceHelpTag(const std::string& tag) override;
    void markMatch(int64_t start, const std::string& matchText) override;
    void offerReplacement(const std::string& text) override;
    void makeSelectList(const SelectList& list) override;
    void showSelectList() override;
    bool manualCheckTicked() override;
    int chosenCandidate(std::string& text) override;
    void settleMatch(const std::string& text) override;
    void showNotice(const std::string& message, const std::string* sum) override;
    void refreshMenus() override;
    void makeResentList() override;
    bool userCancelled() override;
    void clearUserCancel() override;

private:
    // The window the pass opened, while it is open: every rule of every file
    // writes to it, so it is not looked up each time.
    grepWindow* window_ = nullptr;
    QMetaObject::Connection closed_, destroyed_;
};

// Makes every starter's pass run with these windows, and listens for the
// cancel chord Ctrl+. (Cmd+. on a Mac keyboard) while a pass runs. Called
// once at start-up, after the application object exists.
void installPassStarter();

// Whether the cancel chord was pressed during the running pass.
bool cancelChordPressed();
void clearCancelChord();

} // namespace tv
