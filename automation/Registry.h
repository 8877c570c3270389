#pragma once

#include "Variant.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace automation {

// ProgID to class: a factory per ProgID and, optionally, a running instance that is handed out
// before a new one is created. ProgIDs compare without regard to letter case.
class Registry {
public:
    using Factory = std::function<ObjectPtr()>;

    static Registry &instance();

    void registerClass(std::string_view progId, Factory factory);
    void unregisterClass(std::string_view progId);
    bool isRegistered(std::string_view progId) const;

    void setRunning(std::string_view progId, ObjectPtr object);
    void revokeRunning(std::string_view progId);

    // Both raise "Invalid class string" for a ProgID that is not registered.
    ObjectPtr activeObject(std::string_view progId) const;
    ObjectPtr createInstance(std::string_view progId) const;

private:
    struct Entry {
        Factory factory;
        ObjectPtr running;
    };
    const Entry &entry(std::string_view progId) const;
    std::map<std::string, Entry> classes_;
};

} // namespace automation
