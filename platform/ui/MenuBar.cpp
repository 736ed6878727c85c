#include "platform/ui/MenuBar.h"

#include "platform/core/Dispatch.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace tv {

QString menuCaption(const std::string& text)
{
    QString caption = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    caption.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return caption;
}

QString qtShortcut(const std::string& shortcut)
{
    QString s = QString::fromStdString(shortcut);
    s.replace(QLatin1String("Cmd"), QLatin1String("Ctrl"));
    s.replace(QLatin1String("Option"), QLatin1String("Alt"));
    return s;
}

void MenuItem::refreshAction()
{
    if (!action_)
        return;
    const bool separator = isSeparator() && !submenu_;
    action_->setSeparator(separator);
    // Some styles draw a separator's text beside its line.
    action_->setText(separator ? QString() : menuCaption(text_));
    action_->setEnabled(enabled_);
    action_->setCheckable(checked_);
    action_->setChecked(checked_);
    QString keys = qtShortcut(shortcut_);
    if (keys.isEmpty() && !commandKey_.empty())
        keys = QStringLiteral("Ctrl+") + QString::fromStdString(commandKey_);
    action_->setShortcut(QKeySequence(keys));
}

void MenuItem::setText(const std::string& text)
{
    text_ = text;
    refreshAction();
}

void MenuItem::setEnabled(bool on)
{
    enabled_ = on;
    if (action_)
        action_->setEnabled(on);
}

void MenuItem::setChecked(bool on)
{
    checked_ = on;
    refreshAction();
}

void MenuItem::setCommandKey(const std::string& key)
{
    commandKey_ = key;
    refreshAction();
}

MenuBar::MenuBar(QObject* parent) : QObject(parent)
{
    // Shortcuts are application-wide, so one filter on the application sees
    // every key before it is looked up among them.
    if (QCoreApplication* qapp = QCoreApplication::instance())
        qapp->installEventFilter(this);
}

bool MenuBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Every shortcut of the menus holds Cmd or Option.
        if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            && (key != lastKeyEvent_ || key->timestamp() != lastKeyTime_)) {
            lastKeyEvent_ = key;
            lastKeyTime_ = key->timestamp();
            guarded([this] { refresh(); });
        }
    }
    return QObject::eventFilter(watched, event);
}

MenuBar::~MenuBar()
{
    for (MenuItem* title : titles_)
        delete title->submenu_;
}

MenuItem* MenuBar::makeItem(const ItemSpec& spec, QMenu* into)
{
    auto item = std::make_unique<MenuItem>();
    item->name_ = spec.name;
    item->autoEnable_ = spec.autoEnable;
    if (spec.arrayMember)
        item->index_ = 0;
    item->text_ = spec.text;
    item->shortcut_ = spec.shortcut;
    item->parent_ = into;
    if (spec.depth == 0 || spec.submenuTitle) {
        item->submenu_ = new QMenu(menuCaption(spec.text), into);
        QMenu* menu = item->submenu_;
        // Refresh the enabling before a menu shows.
        connect(menu, &QMenu::aboutToShow, this, [this] { guarded([this] { refresh(); }); });
        item->action_ = menu->menuAction();
        if (into)
            into->addMenu(menu);
    } else {
        item->action_ = new QAction(into);
        item->action_->setShortcutContext(Qt::ApplicationShortcut);
        into->addAction(item->action_);
        MenuItem* raw = item.get();
        connect(item->action_, &QAction::triggered, this,
            [this, raw] { choose(raw->name_, raw->index_); });
    }
    item->action_->setObjectName(QString::fromStdString(spec.name));
    item->refreshAction();
    MenuItem* raw = item.get();
    items_.push_back(std::move(item));
    return raw;
}

void MenuBar::build(const std::vector<ItemSpec>& specs)
{
    QMenu* menu = nullptr;
    QMenu* submenu = nullptr;
    for (const ItemSpec& spec : specs) {
        if (spec.depth == 0) {
            MenuItem* title = makeItem(spec, nullptr);
            titles_.push_back(title);
            menu = title->submenu_;
            submenu = nullptr;
        } else if (spec.depth == 1) {
            MenuItem* it = makeItem(spec, menu);
            submenu = spec.submenuTitle ? it->submenu_ : nullptr;
        } else {
            makeItem(spec, submenu);
        }
    }
}

MenuItem* MenuBar::item(const std::string& name) const
{
    for (const auto& it : items_)
        if (it->name_ == name)
            return it.get();
    return nullptr;
}

MenuItem* MenuBar::item(const std::string& name, int index) const
{
    for (const auto& it : items_)
        if (it->name_ == name && it->index_ == index)
            return it.get();
    return nullptr;
}

int MenuBar::arrayCount(const std::string& arrayName) const
{
    int n = 0;
    for (const auto& it : items_)
        if (it->name_ == arrayName && it->index_ >= 0)
            ++n;
    return n;
}

MenuItem* MenuBar::addArrayMember(const std::string& arrayName)
{
    MenuItem* last = nullptr;
    for (const auto& it : items_)
        if (it->name_ == arrayName && it->index_ >= 0 && (!last || it->index_ > last->index_))
            last = it.get();
    if (!last)
        return nullptr;
    auto item = std::make_unique<MenuItem>();
    item->name_ = arrayName;
    item->autoEnable_ = false;
    item->index_ = last->index_ + 1;
    item->text_.assign(1, '-'); // not a literal: GCC 12 warns falsely on that assignment
    item->parent_ = last->parent_;
    item->action_ = new QAction(last->parent_);
    item->action_->setShortcutContext(Qt::ApplicationShortcut);
    item->action_->setObjectName(QString::fromStdString(arrayName));
    // Behind the array's last member: before whatever follows it.
    QList<QAction*> actions = last->parent_->actions();
    qsizetype at = actions.indexOf(last->action_);
    if (at >= 0 && at + 1 < actions.size())
        last->parent_->insertAction(actions[at + 1], item->action_);
    else
        last->parent_->addAction(item->action_);
    MenuItem* raw = item.get();
    connect(item->action_, &QAction::triggered, this, [this, raw] { choose(raw->name_, raw->index_); });
    raw->refreshAction();
    // Keep items in menu order, behind the last member.
    auto pos = std::find_if(items_.begin(), items_.end(), [last](const auto& p) { return p.get() == last; });
    items_.insert(pos + 1, std::move(item));
    return raw;
}

std::vector<MenuItem*> MenuBar::menuTitles() const
{
    return titles_;
}

void MenuBar::attachTo(QMenuBar* bar) const
{
    for (MenuItem* title : titles_)
        bar->addMenu(title->submenu_);
}

void MenuBar::refresh()
{
    if (refreshing_)
        return;
    refreshing_ = true;
    try {
        if (refresher_)
            refresher_();
    } catch (...) {
        refreshing_ = false;
        throw;
    }
    refreshing_ = false;
}

void MenuBar::choose(const std::string& name, int index)
{
    guarded([&] {
        // A shortcut acts on the enabling as it is now.
        refresh();
        MenuItem* it = index >= 0 ? item(name, index) : item(name);
        if (!it || !it->Enabled())
            return;
        if (dispatcher_)
            dispatcher_(name, index);
    });
}

} // namespace tv
