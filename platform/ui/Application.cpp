#include "platform/ui/Application.h"

#include "platform/core/Dispatch.h"

namespace tv {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportUnhandledException(std::current_exception());
        return false;
    }
}

} // namespace tv
