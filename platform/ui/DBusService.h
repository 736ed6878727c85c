#pragma once
// The application events on the session bus: bus name org.tesvora.Tesvora,
// object /org/tesvora/Tesvora, interface org.tesvora.Tesvora, with exactly
// two methods, HandleEvent and OpenDocuments.

#include "platform/core/FolderItem.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <string>

namespace tv {

class DBusService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tesvora.Tesvora")
public:
    static const char* const kService;
    static const char* const kPath;
    static const char* const kInterface;

    // (event class, event ID, "dict", direct object or nil) → handled.
    using EventHandler = std::function<bool(const std::string&, const std::string&, const std::string&,
        const FolderItem&)>;
    using DocumentHandler = std::function<void(const FolderItem&)>;

    DBusService(EventHandler events, DocumentHandler documents, std::function<bool()> quitting,
        QObject* parent = nullptr);
    ~DBusService() override;

    // Registers the object and claims the bus name; false without a session
    // bus or when another program holds the name.
    bool claim();

    // A second start hands its documents to the running program, or brings
    // it to the front when it has none. False when no program is running.
    static bool handToRunningInstance(const QStringList& absolutePaths);

public slots:
    Q_SCRIPTABLE bool HandleEvent(const QString& eventClass, const QString& eventID, const QString& dict,
        const QString& directObject);
    Q_SCRIPTABLE void OpenDocuments(const QStringList& paths);

signals:
    // Asked by a second start without documents.
    void raiseRequested();

private:
    EventHandler events_;
    DocumentHandler documents_;
    std::function<bool()> quitting_;
    bool registered_ = false;
};

// The direct object of an event: an absolute path that exists, else nil.
FolderItem directObjectItem(const QString& path);

} // namespace tv
