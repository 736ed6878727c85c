#pragma once
// What a pass shows and asks through its windows: the confirmation window
// grepWindow, the candidate palette, the notice sheet, the menus and the
// cancel chord. The window layer implements it; tests run the pass with a
// fake. Every call comes from the worker and returns at once: the pass waits
// for the user itself, by letting the event loop run.

#include "proofing/core/SelectList.h"

#include <cstdint>
#include <span>
#include <string>

namespace tv {

class PassView {
public:
    virtual ~PassView();

    // grepWindow. The first call of a pass makes the window, which places
    // itself from App.prefGrepWinPos and opens compact.
    virtual void openGrepWindow() = 0;
    virtual void setGrepTitle(const std::string& title) = 0;
    virtual void showGrepWindow() = 0;
    virtual void setProgressValue(int value) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setSearchText(const std::string& text) = 0;
    virtual void setReplaceText(const std::string& text) = 0;
    virtual void setReplaceField(const std::string& text) = 0;
    virtual void setReplaceCount(const std::string& text) = 0;
    virtual void setManualCheck(bool enabled, bool checked) = 0;
    // Height 121: the compact form.
    virtual bool grepWindowIsCompact() = 0;
    // The compact (false) or expanded (true) form, with replaceField or
    // replaceText shown as App.isSelectRep says.
    virtual void grepWindowOpen(bool expand) = 0;
    // Left, top, width and expanded height, joined by ",".
    virtual std::string grepWindowFrame() = 0;
    // Closes it (the window refuses while App.isWorking is set).
    virtual void closeGrepWindow() = 0;

    // The candidate palette; nothing happens when it is not open.
    virtual void closeSelectPallete() = 0;

    // Rules first, first + 1, ... set up one after another, each as a rule
    // that asks nothing and runs no script: its number as the progress value,
    // its search and replace texts, `replaceCount`, manualCheck enabled and
    // not ticked, the palette closed. Nothing runs between them.
    virtual void setUpRules(int first, std::span<const std::string> searchTexts,
        std::span<const std::string> replaceTexts, const std::string& replaceCount);

    // Asking about one match. Positions count characters of the pass's text
    // from 0; the window converts them to its own.
    // checkTextBox takes the whole text, in the font of FontSlot 1, black
    // and not underlined.
    virtual void loadCheckText(const std::string& text) = 0;
    // The help tag (and balloon help) of replaceField.
    virtual void setReplaceHelpTag(const std::string& tag) = 0;
    // Records the match (selStart, selLength, selText), puts the insertion
    // point of checkTextBox at its start and marks it.
    virtual void markMatch(int64_t start, const std::string& matchText) = 0;
    // replaceField: the proposal, all of it selected, with the keyboard focus.
    virtual void offerReplacement(const std::string& text) = 0;
    // The palette hidden, filled with the rows, sized, row 0 selected (which
    // previews it).
    virtual void makeSelectList(const SelectList& list) = 0;
    // grepWindow.moveSelectList, then the keyboard focus to selectList.
    virtual void showSelectList() = 0;
    // After the answer: manualCheck is enabled and ticked.
    virtual bool manualCheckTicked() = 0;
    // The palette's selected row (-1 for none), with column 0 of it.
    virtual int chosenCandidate(std::string& text) = 0;
    // checkTextBox shows this where the match stood: what the pass's text
    // holds there after the answer (a previewed candidate gives way to it).
    virtual void settleMatch(const std::string& text) = 0;

    // The notice sheet: shows the message, and the detail line when sum is
    // given (otherwise the line keeps what it holds). Making the sheet clears
    // App.notifyClose; its closing sets it.
    virtual void showNotice(const std::string& message, const std::string* sum) = 0;

    // The menus: a refresh of the menu bar, and the recent-documents items.
    virtual void refreshMenus() = 0;
    virtual void makeResentList() = 0;

    // UserCancelled: whether the cancel chord was pressed since the pass began
    // (clearUserCancel at the pass's set-up).
    virtual bool userCancelled() = 0;
    virtual void clearUserCancel() = 0;
};

} // namespace tv
