#include "app/ui/App.h"
#include "dictionary/ui/dicEdit.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Services.h"
#include "platform/core/Text.h"
#include "platform/ui/Application.h"
#include "platform/ui/DBusService.h"
#include "platform/ui/QtServices.h"
#include "platform/ui/Termination.h"
#include "preferences/ui/prefWindow.h"
#include "proofing/ui/PassWindows.h"
#include "trial/ui/grepWizardWindow.h"
#include "workspace/ui/workSpace.h"

#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv)
{
    tv::Application qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesvora"));
    tv::installJapaneseQtTexts();

    // Files and folders named on the command line are the documents opened
    // from the desktop, made absolute for a program that runs elsewhere.
    QStringList documents;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i)
        documents << QFileInfo(args[i]).absoluteFilePath();

    // One program per session: a second start hands its documents over.
    if (tv::DBusService::handToRunningInstance(documents))
        return 0;
    tv::prepareCaseFolding();

    tv::QtServices qtServices;
    tv::setServices(&qtServices);
    // The report of an unhandled exception; on a worker it waits without a
    // nested event loop.
    tv::setUnhandledExceptionReporter([](const std::string& description) {
        tv::MsgBox("予期しないエラーが発生しました。\n" + description);
    });
    int status = 0;
    {
        tv::App app;
        // The windows the shell opens, each registered by its class name.
        tv::registerDictionaryEditor();
        tv::registerWorkspaceWindow();
        tv::registerPreferencesWindow();
        tv::registerTrialPalette();
        // Every starter's start step runs a pass with its real windows.
        tv::installPassStarter();
        tv::DBusService events(
            [&app](const std::string& cls, const std::string& id, const std::string& dict,
                const tv::FolderItem& object) { return app.Event_HandleAppleEvent(cls, id, dict, object); },
            [&app](const tv::FolderItem& item) { app.Event_OpenDocument(item); },
            [&app] { return app.isQuitting(); });
        QObject::connect(&events, &tv::DBusService::raiseRequested, &app, [&app] {
            if (QMainWindow* frame = app.MDIWindow()) {
                frame->show();
                frame->raise();
                frame->activateWindow();
            }
        });
        QTimer::singleShot(0, &app, [&app, &events, documents] {
            tv::guarded([&app] { app.Event_Open(); });
            // Each document in an event of its own, in order.
            for (const QString& path : documents)
                if (tv::FolderItem item = tv::directObjectItem(path))
                    QTimer::singleShot(0, &app, [&app, item] { tv::guarded([&] { app.Event_OpenDocument(item); }); });
            // Without a session bus the program runs on, without events.
            QTimer::singleShot(0, &events, [&events] { events.claim(); });
        });
        // The desktop's request to end (SIGTERM, Ctrl+C) is the quit command.
        tv::onTerminationRequest([&app] { app.terminationRequest(); });
        status = QApplication::exec();
    }
    tv::setServices(nullptr);
    return status;
}
