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
    // Runs once when the window has closed.
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
    // The active program window, or nullptr.
    static Window* front();

protected:
    // Takes ownership of the Qt top-level widget.
    void setWidget(QWidget* w);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string className_;
    QPointer<QWidget> widget_;
    std::string title_;
    bool closed_ = false;
    bool modified_ = false;
    std::string filePath_;
    std::map<std::string, std::function<bool(int)>> handlers_;
};

} // namespace tv
