#pragma once
// Windows' controls described as data: one row per control, in the order the
// window creates them (later rows lie above earlier ones), with its geometry
// in pixels of the window's content and the edges it follows when the window
// is resized. Font sizes are pixel sizes, so a layout keeps the proportions
// it was drawn with whatever the screen's resolution. After building, a
// window binds its typed members by name through bindControl, which throws on
// a name the window does not have.

#include <QColor>
#include <QEvent>

#include <QSize>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QDialog;
class QMenu;
class QPainter;
class QWidget;

namespace tv {

enum class ControlKind {
    Label,          // one line of text
    MultiLineLabel, // text that wraps
    PushButton,
    Canvas,         // a plain area that its window paints
    TextField,      // one line to edit
    TextArea,       // several lines to edit
    ProgressBar,
    CheckBox,
    // Choices and markers.
    RadioButton,    // buttons that share a parent turn each other off
    PopUpMenu,      // a fixed list of rows: text holds them, TAB-separated
    ComboBox,       // free text with rows to pick (text: TAB-separated rows);
                    // typing adds no row and completes nothing
    Line,           // a horizontal line; never shown, its geometry is read
    // --- Controls that a window makes itself (a list view of its own kind).
    Custom,         // made by ControlSpec::make
    // Group boxes, bevel buttons and disclosure triangles.
    GroupBox,           // a framed box with a title; carries the controls that name it as their group
    BevelButton,        // a flat button; it may open a pop-up menu (attachPopupMenu)
    DisclosureTriangle, // a check button drawn as a triangle: checked is open
    // List kinds of the document windows.
    ListBox,        // rows in columns under a heading; the window sets its model
};

// The edges of the window a control follows when the window is resized: a
// control anchored left and right stretches with the width, one anchored
// right only moves with the right edge; likewise top and bottom.
enum Anchor : unsigned {
    AnchorLeft = 1,
    AnchorTop = 2,
    AnchorRight = 4,
    AnchorBottom = 8,
    AnchorTopLeft = AnchorLeft | AnchorTop,
    AnchorAll = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom,
};

struct ControlSpec {
    ControlKind kind = ControlKind::Label;
    const char* name = "";
    const char* text = "";
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    const char* family = nullptr; // families to try, comma-separated; nullptr: the window's font
    int pixelSize = 0;            // 0: the window's size
    bool bold = false;
    bool underline = false;
    const char* color = nullptr;  // "#RRGGBB"; nullptr: the palette's
    bool isDefault = false;       // the default push button
    const char* helpTag = nullptr;
    unsigned anchor = AnchorTopLeft;
    bool focusOnClick = true;     // false: a click leaves the focus where it is
    QWidget* (*make)(QWidget* parent) = nullptr; // ControlKind::Custom: makes the control
    // The group box (an earlier row) that carries this control: it moves, shows
    // and hides with the box. Its geometry stays in window coordinates.
    const char* group = nullptr;
    int index = -1;               // its index in a control array (several rows of one name)
};

// Creates the controls inside the parent, each named by its objectName.
void buildControls(QWidget* parent, const std::vector<ControlSpec>& controls);

// Places every control of the table for the parent's present size, from the
// size the table was drawn for, by each control's anchors.
void layoutControls(QWidget* parent, const std::vector<ControlSpec>& controls, QSize design);

// The parent's child control of that name and type; throws
// NilObjectException when there is none, so that a misspelt name fails where
// the window binds it, not later where it is used.
QWidget* requireControl(const QWidget* parent, const char* name, const QMetaObject& type);
template <class T>
T* bindControl(const QWidget* parent, const char* name)
{
    return static_cast<T*>(requireControl(parent, name, T::staticMetaObject));
}

// The members of a control array, by their index.
std::vector<QWidget*> controlArray(const QWidget* parent, const char* name);

// Lets a bevel button open the menu under itself when pressed. The menu pops
// up and the press returns at once: no event loop of its own runs meanwhile.
void attachPopupMenu(QWidget* bevelButton, QMenu* menu);

// Sets a control's text colour.
void setTextColor(QWidget* control, const QColor& color);

// Runs a handler for every event of that type that reaches the widget; the
// handler answers whether it has consumed the event.
void onEvent(QWidget* widget, QEvent::Type type, std::function<bool(QEvent*)> handler);
// Lets a handler paint the widget (a canvas) after its background.
void onPaint(QWidget* widget, std::function<void(QPainter&)> paint);

// The Qt side of a dialog window: Esc runs the given step (nothing when
// empty) instead of hiding the dialog behind its window's back, and a close
// request goes through the window's close event alone.
QDialog* makeDialog(QWidget* parent, std::function<void()> escape);

} // namespace tv
