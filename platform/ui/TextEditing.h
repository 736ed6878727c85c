#pragma once
// The Edit menu's カット, コピー, ペースト and 消去 on the text field that has
// (or last had) the keyboard focus in the front window, with the clipboard
// reached through the seam.

#include <string>

class QWidget;

namespace tv {

enum class EditCommand { Cut, Copy, Paste, Clear };

// Whether the command can act on the field now: cut and clear want a
// selection in an editable field, copy a selection, paste an editable field
// and text on the clipboard. A widget that is no text field answers false.
bool canEdit(const QWidget* field, EditCommand command, bool clipboardHasText);
// Carries the command out on the field (nothing where it cannot act).
void performEdit(QWidget* field, EditCommand command);

// The text field of the window's that has the keyboard focus, or had it
// last; nullptr when it is no text field.
QWidget* focusedTextField(QWidget* window);

} // namespace tv
