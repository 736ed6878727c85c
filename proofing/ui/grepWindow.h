#pragma once
// The confirmation window of a pass. Compact (121 pixels high) it shows the
// rule being applied, its replacement count, a progress bar over the rules
// and "キャンセル"; expanded it adds the text with the match marked, the
// proposed replacement, "確認を終了する", "次を検索" and "置換". It answers
// the worker only through App's flags.
//
// What the worker writes reaches the screen at the next turn of the event
// loop: a pass sets the labels and the bar for every rule of every file, and
// painting each of those would cost far more than the rules themselves.

#include "platform/ui/Window.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace tv {

class grepWindow : public Window {
    Q_OBJECT
public:
    // The one instance, made (and opened) when there is none.
    static grepWindow& instance();
    // The open instance, or nullptr.
    static grepWindow* openInstance();

    grepWindow();
    ~grepWindow() override;

    static constexpr int compactHeight = 121;
    static constexpr int designWidth = 351;
    static constexpr int designHeight = 338;

    // The expanded height.
    int wideWinSize = designHeight;
    // The current match in checkTextBox, for the candidate palette.
    int32_t selStart = 0;
    int32_t selLength = 0;
    std::string selText;

    // Written by the worker.
    void setPassTitle(const std::string& title);
    void setProgressValue(int value);
    void setProgressMaximum(int maximum);
    void setSearchText(const std::string& text);
    void setReplaceText(const std::string& text);
    void setReplaceCount(const std::string& text);
    void setReplaceField(const std::string& text);
    void setManualCheck(bool enabled, bool checked);

    // What the window shows once the pending writes have reached it.
    int progressValue();
    int progressMaximum();
    std::string searchText();
    std::string replaceText();
    std::string replaceCount();
    std::string replaceField();

    // The frame: content origin, width, height.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    // Left, top, width and expanded height, joined by ",".
    std::string frame() const;

    // proof.grepWindowOpen: the compact (false) or expanded (true) form; in
    // the expanded form replaceText shows for a candidate rule and
    // replaceField for any other.
    void applyForm(bool expand, bool isSelectRep);

    // Applies the pending writes now.
    void flush();

    // Asking about a match. Positions count characters of the pass's text
    // from 0 (checkTextBox converts them to its own).
    // The whole text, in the font of FontSlot 1, black, not underlined.
    void loadCheckText(const std::string& text);
    void setReplaceHelpTag(const std::string& tag);
    // Shows the window again, raised and active, however it was put away.
    void bringForward();
    // selStart, selLength and selText; the insertion point at the match's
    // start, the match marked. The window comes forward for each match.
    void markMatch(int64_t start, const std::string& matchText);
    // replaceField: the proposal, all of it selected, with the keyboard focus.
    void offerReplacement(const std::string& text);
    // manualCheck enabled and ticked.
    bool manualCheckTicked();
    // checkTextBox shows this at selStart in place of what it shows there.
    void settleMatch(const std::string& text);
    // Places the candidate palette beside the insertion point and shows it.
    void moveSelectList();

    // The text with the match and the button that confirms it, for the
    // candidate palette; null once the window has closed.
    QPlainTextEdit* checkTextBox() const;
    QPushButton* replaceButton() const;

    void Event_Open();
    void Event_Moved();
    void Event_Resizing();
    void Event_Resized();
    bool Event_CancelClose() override;
    void cancelButton_Action();
    void skipButton_Action();
    void replaceButton_Action();

private:
    void schedule();
    // The palette follows the window while a candidate rule asks.
    void keepPaletteBeside();
    void layoutControls();

    // The controls, bound once the window is built; null once it has closed.
    struct Controls {
        QPointer<QLabel> searchText, replaceText, replaceCount;
        QPointer<QProgressBar> grepProgress;
        QPointer<QPushButton> cancelButton, skipButton, replaceButton;
        QPointer<QCheckBox> manualCheck;
        QPointer<QPlainTextEdit> replaceField, checkTextBox;
    } ui_;

    struct Pending;
    std::unique_ptr<Pending> pending_;
    bool flushPosted_ = false;
    bool switchingForm_ = false;
};

} // namespace tv
