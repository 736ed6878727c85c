#pragma once
// Windows' controls described as data: one row per control, in the order the
// window creates them (later rows lie above earlier ones), with its geometry
// in pixels of the window's content. Font sizes are pixel sizes, so a layout
// keeps the proportions it was drawn with whatever the screen's resolution.

#include <QColor>
#include <QEvent>

#include <functional>
#include <string>
#include <vector>

class QDialog;
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
};

// Creates the controls inside the parent, each named by its objectName.
void buildControls(QWidget* parent, const std::vector<ControlSpec>& controls);

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
