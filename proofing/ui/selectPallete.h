#pragma once
// The candidate palette "選択置換": a small floating window beside the match
// in the confirmation window, listing what may replace it. Row 0 keeps the
// match; every further row is one candidate with its note. Moving the
// selection previews the row in place, red and underlined, in the
// confirmation window's text; a double click, Return or a digit confirms it
// by pushing the confirmation window's "置換".
//
// The chosen row is the list's selection (none when nothing is selected),
// never Qt's current index.

#include "platform/ui/Window.h"
#include "proofing/core/SelectList.h"

#include <QPointer>

#include <string>

class QKeyEvent;
class QTableWidget;

namespace tv {

class grepWindow;

class selectPallete : public Window {
    Q_OBJECT
public:
    // The one instance, made when there is none.
    static selectPallete& instance();
    // The open instance, or nullptr.
    static selectPallete* openInstance();

    selectPallete();
    ~selectPallete() override;

    static constexpr int digitColumn = 24;
    static constexpr int visibleRows = 10;

    // The rows for one match (proof.makeSelectList): the palette is hidden,
    // refilled, sized to its rows and row 0 is selected.
    void fill(const SelectList& list);

    // The selected row, -1 for none; and column 0 of it.
    int ListIndex() const;
    std::string Text() const;
    // Selects the row; a row that does not exist leaves none selected.
    void setListIndex(int row);
    int ListCount() const;
    // The first visible row.
    int ScrollPosition() const;
    std::string cell(int row, int column) const;

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    // Places the palette's frame (its title bar included) at left, top.
    void setPosition(int left, int top);
    // The height with the frame the window manager draws.
    int frameHeight() const;
    // Gives the list the keyboard focus.
    void focusList();

    void selectList_Open();
    void selectList_Change();
    // The key as text; the palette acts on the space bar, the digits and
    // Return. True when the list is to leave the key alone.
    bool selectList_KeyDown(const std::string& key);
    void selectList_DoubleClick();

    // The space bar as it goes down and comes up.
    void spaceBar(bool down);

private:
    QTableWidget* list() const;
    void stepToNextRow();
    void pushReplace();

    bool spaceDown_ = false;
    // A key other than the space bar has stepped while the bar is down:
    // nothing more happens until the bar comes up.
    bool heldStep_ = false;
    // The controls; null once the window has closed.
    QPointer<QTableWidget> list_;
    QPointer<QWidget> selNumber_;
};

// grepWindow.moveSelectList: places the palette below the insertion point of
// the confirmation window's text, or above it when the text box leaves no
// room below, and shows it.
void moveSelectList(grepWindow& window);

} // namespace tv
