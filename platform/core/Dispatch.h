#pragma once
// Every entry from the event loop into the program (a Qt event, an action, a
// timer, a D-Bus call, a worker's body) runs through guarded(), so that an
// exception that nobody caught is reported instead of ending the process.

#include <exception>
#include <functional>
#include <string>

namespace tv {

// Describes an exception for the report.
std::string describeException(const std::exception_ptr& e);

// The report of an unhandled exception. The window layer installs one that
// shows a message box; by default it writes to standard error.
using UnhandledExceptionReporter = std::function<void(const std::string& description)>;
void setUnhandledExceptionReporter(UnhandledExceptionReporter reporter);
void reportUnhandledException(const std::exception_ptr& e) noexcept;

template <class F>
void guarded(F&& f) noexcept
{
    try {
        f();
    } catch (...) {
        reportUnhandledException(std::current_exception());
    }
}

} // namespace tv
