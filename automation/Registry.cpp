#include "Registry.h"

#include "Error.h"
#include "Text.h"

namespace automation {

Registry &Registry::instance()
{
    static Registry registry;
    return registry;
}

void Registry::registerClass(std::string_view progId, Factory factory)
{
    classes_[lowerAscii(progId)].factory = std::move(factory);
}

void Registry::unregisterClass(std::string_view progId)
{
    classes_.erase(lowerAscii(progId));
}

bool Registry::isRegistered(std::string_view progId) const
{
    return classes_.count(lowerAscii(progId)) != 0;
}

void Registry::setRunning(std::string_view progId, ObjectPtr object)
{
    classes_[lowerAscii(progId)].running = std::move(object);
}

void Registry::revokeRunning(std::string_view progId)
{
    auto it = classes_.find(lowerAscii(progId));
    if (it != classes_.end())
        it->second.running.reset();
}

const Registry::Entry &Registry::entry(std::string_view progId) const
{
    auto it = classes_.find(lowerAscii(progId));
    if (it == classes_.end() || !it->second.factory)
        throw Error("Invalid class string", codes::InvalidClassString, "Registry");
    return it->second;
}

ObjectPtr Registry::activeObject(std::string_view progId) const
{
    return entry(progId).running;
}

ObjectPtr Registry::createInstance(std::string_view progId) const
{
    return entry(progId).factory();
}

} // namespace automation
