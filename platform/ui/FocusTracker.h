#pragma once
// Keeps App.editFieldNo in step with the keyboard focus of a text field: the
// field's code while it has the focus, 0 once it has lost it. Focus that goes
// to a menu, a pop-up, or to a window that is no program window (the frame
// window that carries the menus, a message box) while the field's window
// stays on screen does not count as lost, or Select All would never be usable
// from the menu. A field that goes away with the focus gives it up.

#include <functional>

class QWidget;

namespace tv {

// changed runs after every change of the code (the menus are refreshed there).
void trackFocus(QWidget* field, int code, int* editFieldNo, std::function<void()> changed);

} // namespace tv
