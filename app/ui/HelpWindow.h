#pragma once
// The help window: the user guide and the summary of the pattern syntax,
// compiled into the program, one window that shows the page last asked for.

#include "platform/ui/Window.h"

#include <QPointer>

#include <string>

class QTextBrowser;

namespace tv {

class helpWindow : public Window {
public:
    enum Page { Manual, Patterns };

    // The open window (or a new one) showing the page, raised.
    static helpWindow& show(Page page);
    static helpWindow* existing();

    helpWindow();

    Page page() const { return page_; }
    // The page's text as shown, without its markup.
    std::string shownText() const;

    void Event_EnableMenuItems() override;
    bool _winclose_Action();

private:
    void load(Page page);

    Page page_ = Manual;
    QPointer<QTextBrowser> text_;
};

} // namespace tv
