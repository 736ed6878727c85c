#pragma once
// The menu bar model: every item keeps its raw name, caption, shortcut,
// AutoEnable, enabled and checked state, and one QAction. The menus are shared
// QMenus, shown in the menu bar of every window that has one, so a change
// shows everywhere at once.

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace tv {

class MenuBar;

class MenuItem {
public:
    const std::string& Name() const { return name_; }
    int Index() const { return index_; }
    const std::string& Text() const { return text_; }
    void setText(const std::string& text);
    const std::string& KeyboardShortcut() const { return shortcut_; }
    bool AutoEnable() const { return autoEnable_; }
    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    bool Checked() const { return checked_; }
    void setChecked(bool on);
    const std::string& CommandKey() const { return commandKey_; }
    void setCommandKey(const std::string& key);
    bool isSeparator() const { return text_ == "-"; }
    QAction* action() const { return action_; }
    // The submenu this item opens, if it is a menu or submenu title.
    QMenu* submenu() const { return submenu_; }

private:
    friend class MenuBar;
    void refreshAction();

    std::string name_;
    int index_ = -1; // -1: not an array member
    std::string text_;
    std::string shortcut_;
    bool autoEnable_ = false;
    bool enabled_ = true;
    bool checked_ = false;
    std::string commandKey_;
    QAction* action_ = nullptr;
    QMenu* submenu_ = nullptr;
    QMenu* parent_ = nullptr;
};

// The caption as Qt shows it: "&" doubled so that it is no mnemonic, TAB
// shown as a blank so that nothing is taken for a shortcut.
QString menuCaption(const std::string& text);
// "Cmd+Option+S" as a Qt key sequence: Cmd is Ctrl, Option is Alt.
QString qtShortcut(const std::string& shortcut);

class MenuBar : public QObject {
    Q_OBJECT
public:
    struct ItemSpec {
        std::string name;
        std::string text;
        std::string shortcut;
        bool autoEnable = false;
        int depth = 1;          // 0 menu title, 1 item of a menu, 2 item of a submenu
        bool submenuTitle = false;
        bool arrayMember = false; // member 0 of a menu-item array
    };

    explicit MenuBar(QObject* parent = nullptr);
    ~MenuBar() override;

    // Builds the menus from a table, in order (titles at depth 0).
    void build(const std::vector<ItemSpec>& items);

    // The item of that name (and index, for an array member); nullptr when
    // there is none.
    MenuItem* item(const std::string& name) const;
    MenuItem* item(const std::string& name, int index) const;
    // Adds a member behind the last member of the array of that name; its
    // index is the next one.
    MenuItem* addArrayMember(const std::string& arrayName);
    int arrayCount(const std::string& arrayName) const; // members, member 0 included
    const std::vector<std::unique_ptr<MenuItem>>& items() const { return items_; }

    // The five menus' titles, in order.
    std::vector<MenuItem*> menuTitles() const;
    // Fills a window's own menu bar with the shared menus.
    void attachTo(QMenuBar* bar) const;

    // What runs when an item is chosen: (name, index) → handled.
    using Dispatcher = std::function<void(const std::string& name, int index)>;
    void setDispatcher(Dispatcher d) { dispatcher_ = std::move(d); }
    // Runs before a menu shows and before a shortcut acts.
    void setRefresher(std::function<void()> r) { refresher_ = std::move(r); }
    void refresh();

    // Chooses an item as the user would (tests, shortcuts).
    void choose(const std::string& name, int index = -1);

protected:
    // Refreshes the enabling before Qt looks a key up among the shortcuts.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MenuItem* makeItem(const ItemSpec& spec, QMenu* into);

    std::vector<std::unique_ptr<MenuItem>> items_;
    std::vector<MenuItem*> titles_;
    Dispatcher dispatcher_;
    std::function<void()> refresher_;
    bool refreshing_ = false;
    // The key event last refreshed for: one event visits every parent of the
    // focus widget.
    const void* lastKeyEvent_ = nullptr;
    quint64 lastKeyTime_ = 0;
};

} // namespace tv
