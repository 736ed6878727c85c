#include "app/ui/Shell.h"

#include "platform/core/Errors.h"

#include <map>

namespace tv {

namespace {

Shell* theShell = nullptr;

std::map<std::string, WindowFactory>& factories()
{
    static auto* table = new std::map<std::string, WindowFactory>;
    return *table;
}

} // namespace

Shell& shell()
{
    if (!theShell)
        throw NilObjectException("no application object");
    return *theShell;
}

void registerShell(Shell* s)
{
    theShell = s;
}

void registerWindowFactory(const std::string& className, WindowFactory factory)
{
    factories()[className] = std::move(factory);
}

std::shared_ptr<Window> makeWindow(const std::string& className)
{
    auto it = factories().find(className);
    if (it == factories().end() || !it->second)
        throw NilObjectException("no window " + className);
    std::shared_ptr<Window> w = it->second();
    if (!w)
        throw NilObjectException("no window " + className);
    return w;
}

void throwWrongWindowKind(const std::string& className)
{
    throw NilObjectException("window " + className + " is not of the kind asked for");
}

} // namespace tv
