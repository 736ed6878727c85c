#pragma once
// A started program in folders of its own, with the dialog seam answering,
// for the tests of the menus, the commands and the shared windows.

#include "app/ui/App.h"
#include "platform/core/FolderItem.h"
#include "support/Files.h"
#include "support/TestServices.h"
#include "support/Windows.h"

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <sys/stat.h>

namespace tv::test {

struct StartedShell {
    QTemporaryDir dir {QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_shell-XXXXXX")};
    TestServices seam;
    std::unique_ptr<App> app;

    // Starts with these dictionaries in the folder "Dictionary".
    explicit StartedShell(const QStringList& dictionaries = {"a.dict", "b.dict", "c.dict"})
    {
        ::mkdir(appFolder().c_str(), 0777);
        ::mkdir(dictFolder().c_str(), 0777);
        ::mkdir((root() + "/config").c_str(), 0777);
        for (const QString& name : dictionaries)
            writeFile(dictFolder() + "/" + name.toStdString(), "");
        FolderItem::overrideApplicationFolder(appFolder());
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root() + "/config"));
        registerAllWindows();
        app = std::make_unique<App>();
        app->Event_Open();
        QApplication::processEvents();
    }
    ~StartedShell()
    {
        app.reset();
        // Window objects let go of at the last turn go now.
        QApplication::processEvents();
        FolderItem::overrideApplicationFolder("");
    }

    std::string root() const { return dir.path().toStdString(); }
    std::string appFolder() const { return root() + "/app"; }
    std::string dictFolder() const { return appFolder() + "/Dictionary"; }
    std::string prefsPath() const { return root() + "/config/Tesvora Prefs"; }
    FolderItem item(const std::string& relative) const { return FolderItem::fromPath(root() + "/" + relative); }

    MenuItem& menu(const char* name) { return *app->MenuBar().item(name); }
    MenuItem& menu(const char* name, int index) { return *app->MenuBar().item(name, index); }
    // Chooses an item as the user would: refresh, then dispatch when usable.
    void choose(const char* name, int index = -1) { app->MenuBar().choose(name, index); }
};

} // namespace tv::test
