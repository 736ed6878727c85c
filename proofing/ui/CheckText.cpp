#include "proofing/ui/CheckText.h"

#include "platform/core/Text.h"
#include "platform/ui/FieldText.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QPlainTextEdit>

namespace tv {

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QTextCharFormat markFormat()
{
    QTextCharFormat f;
    f.setForeground(QColor(255, 0, 0));
    f.setFontUnderline(true);
    return f;
}

} // namespace

CheckText& CheckText::of(QPlainTextEdit* box)
{
    if (auto* existing = box->findChild<CheckText*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new CheckText(box);
}

CheckText::CheckText(QPlainTextEdit* box) : QObject(box), box_(box)
{
    // Marking and replacing matches are no edits to undo, and a large text
    // would keep every one of them.
    box->setUndoRedoEnabled(false);
    text_ = fieldText(box);
}

void CheckText::load(const std::string& text, const QFont& font)
{
    text_ = text;
    positions_.editedFrom(0);
    if (!box_)
        return;
    QPalette pal = box_->palette();
    pal.setColor(QPalette::Text, Qt::black);
    box_->setPalette(pal);
    box_->setFont(font);
    box_->document()->setDefaultFont(font);
    box_->setCurrentCharFormat(QTextCharFormat());
    box_->setPlainText(qs(text_));
    box_->setFont(font);
}

void CheckText::setInsertionPoint(int64_t at)
{
    if (!box_)
        return;
    QTextCursor c(box_->document());
    c.setPosition(static_cast<int>(positions_.cover(at, 0).start));
    box_->setTextCursor(c);
    box_->ensureCursorVisible();
}

DocumentPositions::Range CheckText::documentRange(int64_t start, int64_t length)
{
    return positions_.cover(start, length);
}

std::string CheckText::textAt(int64_t start, int64_t length)
{
    const DocumentPositions::Point a = positions_.locate(start);
    const DocumentPositions::Point b = positions_.after(a, length);
    return text_.substr(a.bytes, b.bytes - a.bytes);
}

void CheckText::mark(int64_t start, int64_t length)
{
    if (!box_)
        return;
    const DocumentPositions::Range r = positions_.cover(start, length);
    if (r.end <= r.start)
        return;
    QTextCursor c(box_->document());
    c.setPosition(static_cast<int>(r.start));
    c.setPosition(static_cast<int>(r.end), QTextCursor::KeepAnchor);
    c.mergeCharFormat(markFormat());
}

void CheckText::replace(int64_t start, int64_t length, const std::string& with)
{
    const DocumentPositions::Point a = positions_.locate(start);
    const DocumentPositions::Point b = positions_.after(a, length);
    // A CR just before the range or an LF just after it may make one break
    // with what comes in (or with each other, once the range is gone): the
    // box takes them again with the new text, so that it reads the breaks
    // as the pass's text has them.
    const bool crBefore = a.bytes > 0 && text_[a.bytes - 1] == '\r';
    const bool lfAfter = b.bytes < text_.size() && text_[b.bytes] == '\n';
    int64_t docStart = crBefore ? a.document - 1 : a.document;
    int64_t docEnd = b.document;
    if (lfAfter && !b.insideBreak)
        ++docEnd;
    std::string inserted = with;
    if (crBefore)
        inserted.insert(0, 1, '\r');
    if (lfAfter)
        inserted.push_back('\n');

    text_.replace(a.bytes, b.bytes - a.bytes, with);
    positions_.editedFrom(a.bytes);
    if (!box_)
        return;
    QTextCursor c(box_->document());
    c.setPosition(static_cast<int>(docStart));
    c.setPosition(static_cast<int>(docEnd), QTextCursor::KeepAnchor);
    c.insertText(qs(inserted), markFormat());
    mark(start, Len(with));
}

} // namespace tv
