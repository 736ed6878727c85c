#pragma once
// The trial search palette, one window reached by its class name: a sample
// text, a search text and a replacement, with the hits counted and marked in
// the sample and the replaced sample beside it, updated as the user types.
// Below, behind a disclosure triangle, sixteen menus of pattern pieces that
// go into the focused field, and the options of regular expressions.
//
// The preview itself is TrialPreview's (one run at a time, a change during a
// run gives one fresh run); this window reads its fields for it and shows
// what it found. Marks are drawn over the texts, never written into them, so
// marking is no edit: it raises no change of the sample and leaves the undo
// history to the user's typing.

#include "platform/ui/Window.h"
#include "trial/core/TrialPreview.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace tv {

class grepWizardWindow : public Window {
public:
    // The open palette, or a new one, which shows itself.
    static grepWizardWindow& instance();
    static grepWizardWindow* existing();

    grepWizardWindow();
    ~grepWizardWindow() override;

    // Opening: collapsed, the sample and result in the font of FontSlot 3,
    // the guide menus filled. No preview runs.
    void Event_Open();
    // The user has resized the window: the controls follow the bottom edge
    // again (a fold or unfold leaves them where they are).
    void Event_Resizing();
    void DisclosureTriangle1_Action();

    void find_TextChange();
    void replace_TextChange();
    void source_TextChange();
    void source_SelChange();
    void isGrep_Action();
    void isAutoUpdate_Action();
    void updateBtn_Action();
    void isCaseSensitive_Action();
    void isGreedy_Action();
    void isDotMatchAll_Action();
    void isMatchEmpty_Action();
    // One handler for the sixteen guide buttons: the chosen row's piece goes
    // into the focused search or replacement field.
    void grepGuideBtn_Action(int index, const std::string& piece);
    void insWildCard_Action();

    void Event_EnableMenuItems() override;
    bool _selectAllMenu_Action();
    bool _winclose_Action();

    // Runs the preview: a regular-expression one while isGrep is ticked, a
    // literal one otherwise.
    void runPreview();
    // Runs made so far (a stale run and its fresh run count two).
    int previewRuns() const;
    // Called once per turn of a run's loops, after it has let others go on;
    // for tests that change the fields in the middle of a run.
    void setPreviewStep(std::function<void()> step);

    // The guide button of that index and its menu.
    QToolButton* guideButton(int index) const;
    QMenu* guideMenu(int index) const;

private:
    TrialRequest readFields();
    void present(const TrialOutcome& outcome);
    void runIfAutoUpdate();
    void insertIntoFocusedField(const std::string& text);
    void windowResized();
    void layoutControls();

    struct Controls {
        QPointer<QPlainTextEdit> source, result;
        QPointer<QLineEdit> find, replace;
        QPointer<QLabel> searchCaption;
        QPointer<QCheckBox> isGrep, isCaseSensitive, isGreedy, isDotMatchAll, isMatchEmpty, isAutoUpdate;
        QPointer<QPushButton> updateBtn;
        QPointer<QToolButton> DisclosureTriangle1, insWildCard;
        QPointer<QGroupBox> GroupBox1;
        std::vector<QPointer<QToolButton>> grepGuideBtn;
    } ui_;
    std::vector<QPointer<QMenu>> guideMenus_;

    std::unique_ptr<TrialPreview> preview_;
    std::function<void()> step_;
    // Where the sample's selection began when the running run read it, in
    // positions of its document.
    int selectionStart_ = 0;
    // The sample's text as last seen: a change of its marks or font is no
    // change of it.
    QString sourceSeen_;

    // The bottom-anchored controls stand this far below their design places.
    int offset_ = 0;
    // The window's height that offset_ belongs to.
    int anchoredHeight_ = 0;
    // The height the last fold or unfold gave the window; until the user
    // resizes it, the controls stay where they are.
    int foldHeight_ = 0;
    bool anchored_ = true;
};

// Lets the shell open the palette (class "grepWizardWindow").
void registerTrialPalette();

} // namespace tv
