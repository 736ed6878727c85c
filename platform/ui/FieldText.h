#pragma once
// The text of an editable plain-text field as the program's own text. A text
// field turns a lone CR, an LF and U+2029 into block breaks, and its plain
// reading turns a no-break space into a space and U+2028 into a break: no
// reading of the field gives such a text back. So a text the program puts in
// is remembered, and reads back exactly as long as the field still shows it
// unedited; an edited field reads as typed, with only its block breaks made
// CR line ends.
//
// For every field that proposes a text the user may accept or edit (the
// confirmation's replacement, the dictionary editor's rule fields, the trial
// palette's fields).

#include <string>

class QPlainTextEdit;

namespace tv {

// Sets the field's text and remembers it as the text it proposes.
void setFieldText(QPlainTextEdit* field, const std::string& text);
// The proposed text while the field shows it unedited; otherwise the field's
// characters as typed, each block break a CR.
std::string fieldText(const QPlainTextEdit* field);
// Whether the field shows the text, as setFieldText would put it in.
bool fieldShows(const QPlainTextEdit* field, const std::string& text);

} // namespace tv
