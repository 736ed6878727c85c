#include "app/ui/DocumentWindow.h"

#include "app/ui/SharedDialogs.h"
#include "app/ui/Shell.h"
#include "platform/ui/Screens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tv {

void DocumentWindow::setModified(bool modified)
{
    shell().SetWindowModified(*this, modified);
}

bool DocumentWindow::isModified()
{
    return shell().IsWindowModified(*this);
}

void DocumentWindow::tieToFile(const FolderItem& file)
{
    shell().DocumentFile(*this, file);
}

bool DocumentWindow::Event_CancelClose()
{
    return cancelCloseForChanges(*this, [this] { return saveDocument(); });
}

bool DocumentWindow::saveCommand()
{
    if (!saveDocument())
        return false;
    setModified(false);
    return true;
}

FrameBounds DocumentWindow::contentFrame() const
{
    QWidget* w = widget();
    if (!w)
        return {};
    const QRect g = w->geometry();
    return FrameBounds {g.y(), g.x(), g.width(), g.height()};
}

void DocumentWindow::applyContentFrame(const FrameBounds& frame, QSize minimum)
{
    QWidget* w = widget();
    if (!w)
        return;
    const StoredFrame wanted {frame.Left, frame.Top, frame.Width, frame.Height};
    if (frame.Width >= minimum.width() && frame.Height >= minimum.height() && areaUnder(screenAreas(), wanted) >= 0) {
        // On a screen: held to it whole, however large it was stored.
        w->setGeometry(holdToScreens(wanted, minimum));
        return;
    }
    QRect area;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        area = primary->availableGeometry();
    const int left = area.isValid() ? area.left() + (area.width() - minimum.width()) / 2 : 0;
    const int top = area.isValid() ? area.top() + (area.height() - minimum.height()) / 2 : 0;
    w->setGeometry(left, top, minimum.width(), minimum.height());
}

} // namespace tv
