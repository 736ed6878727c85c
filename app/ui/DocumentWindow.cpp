#include "app/ui/DocumentWindow.h"

#include "app/ui/SharedDialogs.h"
#include "app/ui/Shell.h"
#include "platform/ui/Screens.h"

#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
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

int DocumentWindow::menuBarHeight() const
{
    auto* window = qobject_cast<QMainWindow*>(widget());
    if (!window || !window->centralWidget())
        return 0;
    if (window->layout())
        window->layout()->activate();
    return window->centralWidget()->geometry().top();
}

FrameBounds DocumentWindow::contentFrame() const
{
    QWidget* w = widget();
    if (!w)
        return {};
    const QRect g = w->geometry();
    const int bar = menuBarHeight();
    return FrameBounds {g.y() + bar, g.x(), g.width(), g.height() - bar};
}

void DocumentWindow::placeContent(const QRect& content)
{
    if (QWidget* w = widget()) {
        const int bar = menuBarHeight();
        w->setGeometry(content.x(), content.y() - bar, content.width(), content.height() + bar);
    }
}

void DocumentWindow::applyContentFrame(const FrameBounds& frame, QSize minimum)
{
    QWidget* w = widget();
    if (!w)
        return;
    // The whole window, its menu bar above the content included.
    const int bar = menuBarHeight();
    const StoredFrame wanted {frame.Left, frame.Top - bar, frame.Width, frame.Height + bar};
    if (frame.Width >= minimum.width() && frame.Height >= minimum.height() && areaUnder(screenAreas(), wanted) >= 0) {
        // On a screen: held to it whole, however large it was stored.
        w->setGeometry(holdToScreens(wanted, QSize(minimum.width(), minimum.height() + bar)));
        return;
    }
    QRect area;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        area = primary->availableGeometry();
    const int left = area.isValid() ? area.left() + (area.width() - minimum.width()) / 2 : 0;
    const int top = area.isValid() ? area.top() + (area.height() - minimum.height() - bar) / 2 : 0;
    w->setGeometry(left, top, minimum.width(), minimum.height() + bar);
}

} // namespace tv
