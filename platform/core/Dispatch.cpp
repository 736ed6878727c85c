#include "platform/core/Dispatch.h"

#include "platform/core/Errors.h"

#include <cstdio>
#include <typeinfo>

namespace tv {

namespace {
UnhandledExceptionReporter& reporter()
{
    static UnhandledExceptionReporter r;
    return r;
}
} // namespace

std::string describeException(const std::exception_ptr& e)
{
    try {
        if (e)
            std::rethrow_exception(e);
    } catch (const NilObjectException& x) {
        return std::string("NilObjectException: ") + x.what();
    } catch (const std::exception& x) {
        return std::string(typeid(x).name()) + ": " + x.what();
    } catch (...) {
        return "unknown exception";
    }
    return "no exception";
}

void setUnhandledExceptionReporter(UnhandledExceptionReporter r)
{
    reporter() = std::move(r);
}

void reportUnhandledException(const std::exception_ptr& e) noexcept
{
    try {
        std::string description = describeException(e);
        if (reporter())
            reporter()(description);
        else
            std::fprintf(stderr, "tesvora: unhandled exception: %s\n", description.c_str());
    } catch (...) {
        std::fprintf(stderr, "tesvora: unhandled exception while reporting one\n");
    }
}

} // namespace tv
