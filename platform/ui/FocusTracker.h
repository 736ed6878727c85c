#pragma once
// Keeps App.editFieldNo in step with the keyboard focus of a text field: the
// field's code while it has the focus, 0 once it has lost it. A focus lost to
// a menu or a pop-up that opens does not count, or Select All would never be
// usable from the menu.

#include <functional>

class QWidget;

namespace tv {

// changed runs after every change of the code (the menus are refreshed there).
void trackFocus(QWidget* field, int code, int* editFieldNo, std::function<void()> changed);

} // namespace tv
