#pragma once
// The preferences window: a new one each time the command runs. Five pages
// chosen from its toolbar show most of the settings; it loads them when it
// opens, stores them on "終了", and every close, however it comes, writes the
// preferences file.

#include "platform/ui/Window.h"

#include <QPointer>

#include <array>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolBar;
class QAction;
class QWidget;

namespace tv {

struct PreferenceValues;

class prefWindow : public Window {
public:
    // Makes the window, loads the current settings and shows it.
    prefWindow();

    // Field handlers.
    void preField_TextChange();
    void appendField_TextChange();
    void extField_TextChange();
    void creatorButton_Action();
    void saveplaceButton_Action();
    void prefToolbar_Open();
    void prefToolbar_Action(QAction* item);
    void finishButton_Action();
    void cancelButton_Action();
    void isFastProof_Action();

    void Event_Close() override;
    void Event_Open();
    void Event_EnableMenuItems() override;
    bool _winclose_Action();
    bool _selectAllMenu_Action();

    // The area the pages are shown in (the window's content below its
    // toolbar), and the page shown.
    QWidget* pageArea() const;
    int currentPage() const;
    // Members of the control arrays fontName, fontSize and bottomLine.
    QComboBox* fontName(int slot) const;
    QComboBox* fontSize(int slot) const;
    QFrame* bottomLine(int page) const;
    QToolBar* toolbar() const;

private:
    void applyPageRule();
    // Sizes the window so that the page area is that high.
    void fitPageArea(int height);
    void refreshPreview();
    PreferenceValues controlValues() const;

    QPointer<QWidget> content_;
    int pageAreaHeight_ = 251; // the laid-out height until a page rule
    QPointer<QToolBar> prefToolbar_;
    QPointer<QStackedWidget> prefPagePanel_;
    QPointer<QPushButton> finishButton_, cancelButton_, creatorButton_, saveplaceButton_;
    QPointer<QCheckBox> isFastProof_, isLogging_, isAutoWorkFrow_;
    QPointer<QLineEdit> typeField_, extensionField_, preField_, appendField_, extField_, creatorField_;
    QPointer<QLabel> filenameSample_, savePlace_;
    std::array<QPointer<QAbstractButton>, 3> saveRadio_;
    QPointer<QButtonGroup> saveGroup_;
    QPointer<QComboBox> fileMenu_, proofPointMenu_, alarmMenu_;
    std::array<QPointer<QComboBox>, 4> fontName_;
    std::array<QPointer<QComboBox>, 4> fontSize_;
    std::array<QPointer<QFrame>, 5> bottomLine_;
};

// Lets the shell open preferences windows (class "prefWindow").
void registerPreferencesWindow();

} // namespace tv
