#include "platform/ui/DBusService.h"

#include "platform/core/Dispatch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFile>
#include <QTimer>

namespace tv {

const char* const DBusService::kService = "org.tesvora.Tesvora";
const char* const DBusService::kPath = "/org/tesvora/Tesvora";
const char* const DBusService::kInterface = "org.tesvora.Tesvora";

FolderItem directObjectItem(const QString& path)
{
    if (path.isEmpty() || !path.startsWith(QLatin1Char('/')))
        return {};
    FolderItem item = FolderItem::fromPath(QFile::encodeName(path).toStdString());
    if (!item || !item.Exists())
        return {};
    return item;
}

DBusService::DBusService(EventHandler events, DocumentHandler documents, std::function<bool()> quitting,
    QObject* parent)
    : QObject(parent), events_(std::move(events)), documents_(std::move(documents)), quitting_(std::move(quitting))
{
}

DBusService::~DBusService()
{
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QString::fromLatin1(kPath));
        bus.unregisterService(QString::fromLatin1(kService));
    }
}

bool DBusService::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(QString::fromLatin1(kPath), this, QDBusConnection::ExportScriptableSlots))
        return false;
    registered_ = true;
    if (!bus.registerService(QString::fromLatin1(kService))) {
        bus.unregisterObject(QString::fromLatin1(kPath));
        registered_ = false;
        return false;
    }
    return true;
}

bool DBusService::HandleEvent(const QString& eventClass, const QString& eventID, const QString& dict,
    const QString& directObject)
{
    if (quitting_ && quitting_())
        return false;
    std::string cls = eventClass.toStdString();
    std::string id = eventID.toStdString();
    std::string dictName = dict.toStdString();
    FolderItem item = directObjectItem(directObject);
    // "prof" is always answered true; its walk may be long, so the sender is
    // answered first and the event handled on the next turn.
    if (id == "prof" && cls == "Tv9x") {
        QTimer::singleShot(0, this, [this, cls, id, dictName, item] {
            guarded([&] {
                if (!(quitting_ && quitting_()))
                    events_(cls, id, dictName, item);
            });
        });
        return true;
    }
    bool handled = false;
    guarded([&] { handled = events_(cls, id, dictName, item); });
    return handled;
}

void DBusService::OpenDocuments(const QStringList& paths)
{
    if (quitting_ && quitting_())
        return;
    if (paths.isEmpty()) {
        emit raiseRequested();
        return;
    }
    std::vector<FolderItem> items;
    for (const QString& p : paths)
        if (FolderItem item = directObjectItem(p))
            items.push_back(item);
    // Each document arrives in an event of its own, in order.
    QTimer::singleShot(0, this, [this, items] {
        for (const FolderItem& item : items)
            guarded([&] {
                if (!(quitting_ && quitting_()))
                    documents_(item);
            });
    });
}

bool DBusService::handToRunningInstance(const QStringList& absolutePaths)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.interface()->isServiceRegistered(QString::fromLatin1(kService)))
        return false;
    QDBusInterface running(QString::fromLatin1(kService), QString::fromLatin1(kPath),
        QString::fromLatin1(kInterface), bus);
    QDBusMessage reply = running.call(QStringLiteral("OpenDocuments"), absolutePaths);
    return reply.type() != QDBusMessage::ErrorMessage;
}

} // namespace tv
