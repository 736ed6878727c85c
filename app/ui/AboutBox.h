#pragma once
// The about box: the title picture, the version line with its grey shadow,
// and the program's web address as a link.

#include "platform/ui/Window.h"

#include <string>

namespace tv {

class aboutWin : public Window {
public:
    // The box that exists now (shown or hidden), or a new one, which shows
    // itself unless made through makeHidden.
    static aboutWin& instance();
    // Start-up makes the box hidden, ready to show.
    static aboutWin& makeHidden();
    static aboutWin* existing();

    // The web address the link shows and opens.
    static const char* webAddress();

    void Event_Open();
    void PushButton1_Action();
    void StaticText2_MouseEnter();
    void StaticText2_MouseExit();
    bool StaticText2_MouseDown();

    aboutWin();
};

} // namespace tv
