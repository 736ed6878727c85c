#include "platform/ui/TextEditing.h"

#include "platform/core/Services.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QWidget>

namespace tv {

namespace {

struct FieldState {
    bool isField = false;
    bool editable = false;
    bool selection = false;
};

FieldState stateOf(const QWidget* w)
{
    if (auto* line = qobject_cast<const QLineEdit*>(w))
        return {true, !line->isReadOnly() && line->isEnabled(), line->hasSelectedText()};
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(w))
        return {true, !plain->isReadOnly() && plain->isEnabled(), plain->textCursor().hasSelection()};
    if (auto* rich = qobject_cast<const QTextEdit*>(w))
        return {true, !rich->isReadOnly() && rich->isEnabled(), rich->textCursor().hasSelection()};
    return {};
}

// The selection as plain text, with line ends as other programs expect them.
QString selectedText(QWidget* w)
{
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return line->selectedText();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        return plain->textCursor().selection().toPlainText();
    if (auto* rich = qobject_cast<QTextEdit*>(w))
        return rich->textCursor().selection().toPlainText();
    return {};
}

// Replaces the selection (or inserts at the insertion point) as typing would,
// so that the field's own change handling runs.
void insertText(QWidget* w, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(w))
        line->insert(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        plain->insertPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(w))
        rich->insertPlainText(text);
}

} // namespace

bool canEdit(const QWidget* field, EditCommand command, bool clipboardHasText)
{
    const FieldState s = stateOf(field);
    switch (command) {
    case EditCommand::Cut:
    case EditCommand::Clear: return s.editable && s.selection;
    case EditCommand::Copy: return s.isField && s.selection;
    case EditCommand::Paste: return s.editable && clipboardHasText;
    }
    return false;
}

void performEdit(QWidget* field, EditCommand command)
{
    const bool hasText = command == EditCommand::Paste && services().clipboardHasText();
    if (!canEdit(field, command, hasText))
        return;
    switch (command) {
    case EditCommand::Cut:
        services().setClipboardText(selectedText(field).toStdString());
        insertText(field, QString());
        break;
    case EditCommand::Copy: services().setClipboardText(selectedText(field).toStdString()); break;
    case EditCommand::Paste: insertText(field, QString::fromStdString(services().clipboardText())); break;
    case EditCommand::Clear: insertText(field, QString()); break;
    }
}

QWidget* focusedTextField(QWidget* window)
{
    if (!window)
        return nullptr;
    QWidget* w = window->focusWidget();
    return stateOf(w).isField ? w : nullptr;
}

} // namespace tv
