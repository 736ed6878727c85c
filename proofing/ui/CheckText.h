#pragma once
// The text of the confirmation window's checkTextBox, as the pass sees it.
// The pass speaks of characters (code points) of its own text, whose line
// ends it keeps as they are (CR for a file, the clipboard's own for the
// clipboard); the text box counts UTF-16 units and makes CR, LF and CR LF
// one break each. This keeps the pass's text beside the box's and converts
// every position between the two, so that a match is marked, replaced and
// previewed on exactly its own characters.
//
// One lives on each checkTextBox, found through the box.

#include "app/ui/Fonts.h"
#include "proofing/core/DocumentPositions.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <string>

class QPlainTextEdit;

namespace tv {

class CheckText : public QObject {
    Q_OBJECT
public:
    // The one of this box, made when it has none.
    static CheckText& of(QPlainTextEdit* box);

    // The whole text, in the font, black and not underlined. The only time
    // the box takes a whole text.
    void load(const std::string& text, const QFont& font);
    const std::string& text() const { return text_; }

    // Puts the insertion point before code point `at` and scrolls to it.
    void setInsertionPoint(int64_t at);
    // Red (255, 0, 0) and underlined.
    void mark(int64_t start, int64_t length);
    // Puts `with` in place of `length` code points from `start`; the new
    // text is marked.
    void replace(int64_t start, int64_t length, const std::string& with);
    // The pass's text of that range.
    std::string textAt(int64_t start, int64_t length);
    // Where that range lies in the box's document.
    DocumentPositions::Range documentRange(int64_t start, int64_t length);

private:
    explicit CheckText(QPlainTextEdit* box);

    QPointer<QPlainTextEdit> box_;
    std::string text_;
    DocumentPositions positions_{text_};
};

} // namespace tv
