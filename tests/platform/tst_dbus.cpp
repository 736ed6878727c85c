// The application events on the session bus, called as another program would
// call them (gdbus).

#include "platform/ui/DBusService.h"

#include <QDBusConnection>
#include <QProcess>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using namespace tv;

namespace {

struct Call {
    std::string cls, id, dict, object;
};

// Runs gdbus without blocking the event loop, which must answer the call.
QString gdbus(const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("gdbus"), args);
    if (!p.waitForStarted(5000))
        return QStringLiteral("<gdbus did not start>");
    QDeadlineTimer deadline(10000);
    while (p.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(5);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QStringList callArgs(const QString& method, const QStringList& params)
{
    QStringList a {"call", "--session", "--dest", "org.tesvora.Tesvora", "--object-path", "/org/tesvora/Tesvora",
        "--method", "org.tesvora.Tesvora." + method};
    return a + params;
}

} // namespace

class TestDBus : public QObject {
    Q_OBJECT

    std::vector<Call> calls;
    std::vector<std::string> documents;
    bool quitting = false;
    bool answer = true;
    std::unique_ptr<DBusService> service;
    QTemporaryDir dir {QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_dbus-XXXXXX")};

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus (run the tests under dbus-run-session)");
        if (QStandardPaths::findExecutable(QStringLiteral("gdbus")).isEmpty())
            QSKIP("gdbus is not installed");
        service = std::make_unique<DBusService>(
            [this](const std::string& c, const std::string& i, const std::string& d, const FolderItem& o) {
                calls.push_back({c, i, d, o ? o.path() : std::string("<nil>")});
                return answer;
            },
            [this](const FolderItem& f) { documents.push_back(f.path()); }, [this] { return quitting; });
        QVERIFY(service->claim());
    }
    void init()
    {
        calls.clear();
        documents.clear();
        quitting = false;
        answer = true;
    }

    void eventsReachTheHandler_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("dict");
        QTest::addColumn<QString>("object");
        QTest::addColumn<bool>("handlerAnswer");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("seenObject");
        QString existing = dir.path();
        QTest::newRow("used with dict, answered false") << "used" << "辞書.dict" << "" << false << "(false,)" << "<nil>";
        QTest::newRow("clip") << "clip" << "" << "" << true << "(true,)" << "<nil>";
        QTest::newRow("relative path is absent") << "quit" << "" << "relative/x" << true << "(true,)" << "<nil>";
        QTest::newRow("missing path is absent") << "quit" << "" << "/no/such/file" << true << "(true,)" << "<nil>";
        QTest::newRow("existing absolute path") << "used" << "" << existing << true << "(true,)" << existing;
    }
    void eventsReachTheHandler()
    {
        QFETCH(QString, id);
        QFETCH(QString, dict);
        QFETCH(QString, object);
        QFETCH(bool, handlerAnswer);
        QFETCH(QString, reply);
        QFETCH(QString, seenObject);
        answer = handlerAnswer;
        QCOMPARE(gdbus(callArgs("HandleEvent", {"Tv9x", id, dict, object})), reply);
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].cls, std::string("Tv9x"));
        QCOMPARE(QString::fromStdString(calls[0].id), id);
        QCOMPARE(QString::fromStdString(calls[0].dict), dict);
        QCOMPARE(QString::fromStdString(calls[0].object), seenObject);
    }

    void profIsAnsweredBeforeItIsHandled()
    {
        answer = false; // "prof" is true whatever the handler says
        QCOMPARE(gdbus(callArgs("HandleEvent", {"Tv9x", "prof", "", dir.path()})), QStringLiteral("(true,)"));
        QTRY_COMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].id, std::string("prof"));
    }

    void nothingOnceAQuitHasBegun()
    {
        quitting = true;
        QCOMPARE(gdbus(callArgs("HandleEvent", {"Tv9x", "clip", "", ""})), QStringLiteral("(false,)"));
        gdbus(callArgs("OpenDocuments", {"['" + dir.path() + "']"}));
        QTest::qWait(50);
        QVERIFY(calls.empty());
        QVERIFY(documents.empty());
    }

    void documentsArriveOneByOneInOrder()
    {
        QString a = dir.path() + "/a.txt", b = dir.path() + "/b.txt";
        QFile(a).open(QIODevice::WriteOnly);
        QFile(b).open(QIODevice::WriteOnly);
        gdbus(callArgs("OpenDocuments", {"['" + b + "', 'relative.txt', '" + a + "']"}));
        QTRY_COMPARE(documents.size(), size_t(2));
        QCOMPARE(QString::fromStdString(documents[0]), b);
        QCOMPARE(QString::fromStdString(documents[1]), a);
    }

    void noDocumentsRaisesTheProgram()
    {
        QSignalSpy raised(service.get(), &DBusService::raiseRequested);
        gdbus(callArgs("OpenDocuments", {"[]"}));
        QTRY_COMPARE(raised.count(), 1);
    }

    void onlyTheTwoMethodsAreExposed()
    {
        QString xml = gdbus({"introspect", "--session", "--dest", "org.tesvora.Tesvora", "--object-path",
            "/org/tesvora/Tesvora", "--xml"});
        qsizetype start = xml.indexOf(QStringLiteral("<interface name=\"org.tesvora.Tesvora\">"));
        QVERIFY(start >= 0);
        qsizetype end = xml.indexOf(QStringLiteral("</interface>"), start);
        QString ours = xml.mid(start, end - start);
        QCOMPARE(ours.count(QStringLiteral("<method ")), 2);
        QVERIFY(!ours.contains(QStringLiteral("<signal ")));
        QVERIFY(!ours.contains(QStringLiteral("<property ")));
    }

    void secondInstanceCannotClaim()
    {
        DBusService second([](auto&&...) { return false; }, [](const FolderItem&) {}, [] { return false; });
        QVERIFY(!second.claim());
    }
};

QTEST_GUILESS_MAIN(TestDBus)
#include "tst_dbus.moc"
