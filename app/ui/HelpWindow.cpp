#include "app/ui/HelpWindow.h"

#include "app/ui/MenuItems.h"
#include "app/ui/Shell.h"

#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QTextBrowser>

namespace tv {

namespace {

struct PageSource {
    const char* title;
    const char* resource;
};

PageSource sourceOf(helpWindow::Page page)
{
    return page == helpWindow::Manual ? PageSource {"Tesvora マニュアル", ":/help/manual.html"}
                                      : PageSource {"正規表現マニュアル", ":/help/regex.html"};
}

} // namespace

helpWindow& helpWindow::show(Page page)
{
    helpWindow& w = SingleWindow<helpWindow>::get();
    w.load(page);
    w.Show();
    if (QWidget* widget = w.widget()) {
        widget->raise();
        widget->activateWindow();
    }
    return w;
}

helpWindow* helpWindow::existing()
{
    return SingleWindow<helpWindow>::isOpen() ? SingleWindow<helpWindow>::existing() : nullptr;
}

helpWindow::helpWindow() : Window("helpWindow")
{
    auto* window = new QMainWindow;
    window->resize(640, 560);
    shell().MenuBar().attachTo(window->menuBar());
    auto* text = new QTextBrowser(window);
    text->setObjectName(QStringLiteral("helpText"));
    text->setOpenLinks(false);
    window->setCentralWidget(text);
    text_ = text;
    setWidget(window);
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
}

void helpWindow::load(Page page)
{
    page_ = page;
    const PageSource source = sourceOf(page);
    setTitle(source.title);
    QFile file(QString::fromLatin1(source.resource));
    if (text_ && file.open(QIODevice::ReadOnly))
        text_->setHtml(QString::fromUtf8(file.readAll()));
}

std::string helpWindow::shownText() const
{
    return text_ ? text_->toPlainText().toStdString() : std::string();
}

void helpWindow::Event_EnableMenuItems()
{
    winclose().setEnabled(true);
}

bool helpWindow::_winclose_Action()
{
    Close();
    return true;
}

} // namespace tv
