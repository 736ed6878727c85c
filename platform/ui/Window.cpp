#include "platform/ui/Window.h"

#include "platform/core/Dispatch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>

#include <algorithm>

namespace tv {

namespace {
const char* const kWindowProperty = "tvWindow";

std::vector<Window*>& registry()
{
    static std::vector<Window*> windows;
    return windows;
}
} // namespace

Window::Window(std::string className) : className_(std::move(className))
{
    registry().push_back(this);
}

std::vector<Window*> Window::all()
{
    return registry();
}

void Window::setModifiedMark(bool on)
{
    modified_ = on;
    if (widget_) {
        if (!widget_->windowTitle().contains(QLatin1String("[*]")))
            widget_->setWindowTitle(widget_->windowTitle() + QLatin1String("[*]"));
        widget_->setWindowModified(on);
    }
}

void Window::setFilePath(const std::string& path)
{
    filePath_ = path;
    if (widget_)
        widget_->setWindowFilePath(QString::fromStdString(path));
}

Window::~Window()
{
    auto& r = registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
    if (widget_) {
        widget_->removeEventFilter(this);
        widget_->setProperty(kWindowProperty, QVariant());
        delete widget_.data();
    }
}

void Window::setWidget(QWidget* w)
{
    widget_ = w;
    closed_ = false;
    w->setProperty(kWindowProperty, QVariant::fromValue(static_cast<void*>(this)));
    w->setObjectName(QString::fromStdString(className_));
    w->installEventFilter(this);
    if (!title_.empty())
        w->setWindowTitle(QString::fromStdString(title_));
}

std::string Window::Title() const
{
    if (widget_) {
        QString t = widget_->windowTitle();
        t.remove(QLatin1String("[*]"));
        return t.toStdString();
    }
    return title_;
}

void Window::setTitle(const std::string& title)
{
    title_ = title;
    if (widget_) {
        // Keep Qt's placeholder for the modified mark.
        QString t = QString::fromStdString(title);
        if (widget_->windowTitle().contains(QLatin1String("[*]")))
            t += QLatin1String("[*]");
        widget_->setWindowTitle(t);
    }
}

void Window::Show()
{
    if (!widget_)
        return;
    widget_->show();
    widget_->raise();
    widget_->activateWindow();
}

void Window::Hide()
{
    if (widget_)
        widget_->hide();
}

bool Window::Close()
{
    if (!isOpen())
        return true;
    widget_->close();
    return !isOpen();
}

QWidget* Window::control(const std::string& name) const
{
    if (!widget_)
        return nullptr;
    return widget_->findChild<QWidget*>(QString::fromStdString(name));
}

void Window::bindMenuHandler(const std::string& itemName, std::function<bool(int)> handler)
{
    handlers_[itemName] = std::move(handler);
}

bool Window::handlesMenu(const std::string& itemName) const
{
    return handlers_.count(itemName) != 0;
}

bool Window::runMenuHandler(const std::string& itemName, int index)
{
    auto it = handlers_.find(itemName);
    if (it == handlers_.end())
        return false;
    return it->second(index);
}

Window* Window::of(const QWidget* w)
{
    while (w) {
        QVariant v = w->property(kWindowProperty);
        if (v.isValid())
            return static_cast<Window*>(v.value<void*>());
        w = w->parentWidget();
    }
    return nullptr;
}

Window* Window::front()
{
    return of(QApplication::activeWindow());
}

bool Window::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == widget_ && event->type() == QEvent::Close && !closed_) {
        bool keepOpen = false;
        guarded([&] { keepOpen = Event_CancelClose(); });
        if (keepOpen) {
            event->ignore();
            return true;
        }
        title_ = Title();
        closed_ = true;
        guarded([&] { Event_Close(); });
        widget_->removeEventFilter(this);
        widget_->deleteLater();
        return false;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tv
