#pragma once
// A program window over a Qt top-level widget. The window object outlives its
// Qt window: once closed, its title and properties stay readable and it can
// say that it is no longer open. Controls are found by their names (their
// objectName); menu handlers are bound by item name.

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

namespace tv {

class Window : public QObject {
    Q_OBJECT
public:
    explicit Window(std::string className);
    ~Window() override;

    const std::string& className() const { return className_; }
    // The Qt window; nullptr once the window has closed.
    QWidget* widget() const { return widget_.data(); }
    bool isOpen() const { return !widget_.isNull() && !closed_; }

    // The title without Qt's placeholder for the modified mark.
    std::string Title() const;
    void setTitle(const std::string& title);

    void Show();
    void Hide();
    // Closes the window as the user would: its CancelClose may refuse. True
    // when the window is closed afterwards.
    bool Close();

    // The control of that name, or nullptr.
    QWidget* control(const std::string& name) const;
    template <class T>
    T* controlAs(const std::string& name) const { return qobject_cast<T*>(control(name)); }

    // Menu handlers, bound by item name; the handler gets the member's index.
    void bindMenuHandler(const std::string& itemName, std::function<bool(int)> handler);
    bool handlesMenu(const std::string& itemName) const;
    bool runMenuHandler(const std::string& itemName, int index);

    // The window's enabling step while it is the front window.
    virtual void Event_EnableMenuItems() {}
    // Asked before the window closes; true keeps it open.
    virtual bool Event_CancelClose() { return false; }
    // Runs once when the window has closed, however it closed.
    virtual void Event_Close() {}

    // The title-bar modified mark: reads back what was last written.
    void setModifiedMark(bool on);
    bool modifiedMark() const { return modified_; }
    // Ties the window to its file (a proxy icon where the desktop shows one);
    // an empty path removes the tie.
    void setFilePath(const std::string& path);
    const std::string& filePath() const { return filePath_; }

    // Every window object that exists, oldest first.
    static std::vector<Window*> all();

    // The program window of a Qt widget (any widget inside it), or nullptr.
    static Window* of(const QWidget* w);
    // The front window: the active program window; while a window that is no
    // program window is active (the frame window that carries the menus, a
    // menu, a message box) the program window that was active last, as long
    // as it is open and visible.
    static Window* front();

    // Keeps a window object alive while its window is open; once it has
    // closed the object goes at the next turn of the event loop, unless
    // someone else still holds it.
    static void keepWhileOpen(std::shared_ptr<Window> w);
    // Lets go of a window object at the next turn of the event loop (at once
    // when there is no event loop).
    static void release(std::shared_ptr<Window> w);
    // Drops every window object kept alive here and every single instance,
    // at once. The application object calls it when it goes.
    static void releaseAll();
    // Registers a step of releaseAll (a single instance's slot).
    static void onReleaseAll(std::function<void()> step);

signals:
    // The window has closed (after its closing steps).
    void closed();

protected:
    // Takes ownership of the Qt top-level widget.
    void setWidget(QWidget* w);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finishClose();
    void closeChildWindows();

    std::string className_;
    QPointer<QWidget> widget_;
    std::string title_;
    bool closed_ = false;
    bool modified_ = false;
    std::string filePath_;
    std::map<std::string, std::function<bool(int)>> handlers_;
};

// Makes a window that keeps itself alive while it is open.
template <class T>
std::shared_ptr<T> openWindow()
{
    auto w = std::make_shared<T>();
    Window::keepWhileOpen(w);
    return w;
}

// The single instance of a window class reached by its class name: the open
// one, or a new one when none is open (never opened, or closed since). A
// replaced instance stays readable until the next turn of the event loop.
template <class T>
class SingleWindow {
public:
    static T& get() { return *shared(); }
    // The same, shared.
    static std::shared_ptr<T> shared()
    {
        std::shared_ptr<T>& s = slot();
        if (!s || !s->isOpen()) {
            std::shared_ptr<T> old = std::move(s);
            s = std::make_shared<T>();
            Window::release(std::move(old));
        }
        return s;
    }
    // The instance that exists now, open or closed, without making one.
    static T* existing() { return slot().get(); }
    static bool isOpen() { return slot() && slot()->isOpen(); }

private:
    static std::shared_ptr<T>& slot()
    {
        static std::shared_ptr<T>* s = [] {
            auto* p = new std::shared_ptr<T>;
            Window::onReleaseAll([p] { p->reset(); });
            return p;
        }();
        return *s;
    }
};

} // namespace tv
