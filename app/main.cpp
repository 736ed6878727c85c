#include "app/ui/App.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Services.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtServices.h"

#include <QTimer>

int main(int argc, char** argv)
{
    tv::Application qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesvora"));
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
        QTimer::singleShot(0, &app, [&app] { tv::guarded([&app] { app.Event_Open(); }); });
        status = QApplication::exec();
    }
    tv::setServices(nullptr);
    return status;
}
