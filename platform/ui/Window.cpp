#include "platform/ui/Window.h"

#include "platform/core/Dispatch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMetaObject>
#include <QWidget>

#include <algorithm>

namespace tv {

namespace {
const char* const kWindowProperty = "tvWindow";
const QLatin1String kPlaceholder("[*]");

// Never destroyed: window objects may still go away while the program exits.
std::vector<Window*>& registry()
{
    static auto* windows = new std::vector<Window*>;
    return *windows;
}

std::vector<std::shared_ptr<Window>>& kept()
{
    static auto* windows = new std::vector<std::shared_ptr<Window>>;
    return *windows;
}

std::vector<std::function<void()>>& releaseSteps()
{
    static auto* steps = new std::vector<std::function<void()>>;
    return *steps;
}

Window* lastActive = nullptr;

QString stripped(QString title)
{
    title.remove(kPlaceholder);
    return title;
}
} // namespace

Window::Window(std::string className) : className_(std::move(className))
{
    registry().push_back(this);
}

Window::~Window()
{
    auto& r = registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
    if (lastActive == this)
        lastActive = nullptr;
    if (widget_) {
        widget_->removeEventFilter(this);
        disconnect(widget_.data(), nullptr, this, nullptr);
        widget_->setProperty(kWindowProperty, QVariant());
        // Without the application object a widget can no longer be deleted.
        if (QCoreApplication::instance())
            delete widget_.data();
    }
}

std::vector<Window*> Window::all()
{
    return registry();
}

void Window::keepWhileOpen(std::shared_ptr<Window> w)
{
    if (w && w->isOpen())
        kept().push_back(std::move(w));
}

void Window::release(std::shared_ptr<Window> w)
{
    if (!w)
        return;
    if (QCoreApplication* qapp = QCoreApplication::instance())
        QMetaObject::invokeMethod(qapp, [w = std::move(w)] {}, Qt::QueuedConnection);
}

void Window::releaseAll()
{
    for (const auto& step : releaseSteps())
        step();
    std::vector<std::shared_ptr<Window>> going;
    going.swap(kept());
    going.clear();
}

void Window::onReleaseAll(std::function<void()> step)
{
    releaseSteps().push_back(std::move(step));
}

void Window::setModifiedMark(bool on)
{
    modified_ = on;
    if (widget_) {
        if (!widget_->windowTitle().contains(kPlaceholder))
            widget_->setWindowTitle(widget_->windowTitle() + kPlaceholder);
        widget_->setWindowModified(on);
    }
}

void Window::setFilePath(const std::string& path)
{
    filePath_ = path;
    if (!widget_)
        return;
    // Qt shows the file's name as the title of a window without one; this
    // window keeps the title it was given, an empty one too.
    if (widget_->windowTitle().isEmpty())
        widget_->setWindowTitle(kPlaceholder);
    widget_->setWindowFilePath(QString::fromStdString(path));
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
    else
        title_ = stripped(w->windowTitle()).toStdString();
    // A window whose Qt window goes without a close event (its parent window
    // was deleted) still runs its closing steps.
    connect(w, &QObject::destroyed, this, [this] {
        if (!closed_)
            finishClose();
    });
}

std::string Window::Title() const
{
    if (isOpen())
        return stripped(widget_->windowTitle()).toStdString();
    return title_;
}

void Window::setTitle(const std::string& title)
{
    title_ = title;
    if (widget_) {
        // Keep Qt's placeholder for the modified mark.
        QString t = QString::fromStdString(title);
        if (widget_->windowTitle().contains(kPlaceholder))
            t += kPlaceholder;
        widget_->setWindowTitle(t);
    }
}

void Window::Show()
{
    if (!isOpen())
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
    if (Window* w = of(QApplication::activeWindow()))
        return w->isOpen() ? w : nullptr;
    if (lastActive && lastActive->isOpen() && lastActive->widget_->isVisible())
        return lastActive;
    return nullptr;
}

void Window::closeChildWindows()
{
    for (Window* w : all()) {
        if (w == this || !w->isOpen())
            continue;
        QWidget* parent = w->widget_->parentWidget();
        if (parent && (parent == widget_ || widget_->isAncestorOf(parent)))
            w->Close();
    }
}

void Window::finishClose()
{
    closed_ = true;
    guarded([&] { Event_Close(); });
    if (lastActive == this)
        lastActive = nullptr;
    emit closed();
    auto& k = kept();
    auto it = std::find_if(k.begin(), k.end(), [this](const auto& p) { return p.get() == this; });
    if (it != k.end()) {
        std::shared_ptr<Window> self = std::move(*it);
        k.erase(it);
        release(std::move(self));
    }
}

bool Window::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != widget_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::WindowActivate:
        lastActive = this;
        break;
    case QEvent::WindowTitleChange:
        if (!closed_)
            title_ = stripped(widget_->windowTitle()).toStdString();
        break;
    case QEvent::Close: {
        if (closed_)
            break;
        bool keepOpen = false;
        guarded([&] { keepOpen = Event_CancelClose(); });
        if (keepOpen) {
            event->ignore();
            return true;
        }
        closeChildWindows();
        title_ = Title();
        QWidget* w = widget_.data();
        w->removeEventFilter(this);
        disconnect(w, nullptr, this, nullptr);
        finishClose();
        w->deleteLater();
        return false;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tv
