#pragma once

#include "Variant.h"

#include <memory>
#include <string>
#include <string_view>

namespace automation {

enum class Invoke { Get, Put, Call };

// A dispatch object: members are reached by name in any letter case. Get and Call reach the same
// member (as a property read or a method call); Put assigns a property.
class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;
    virtual std::string_view className() const = 0;

    Variant get(std::string_view member, const Args &args = {});
    void put(std::string_view member, const Variant &value);
    Variant call(std::string_view member, const Args &args = {});

protected:
    // `member` is already lower case. Unknown members end in noMember().
    virtual Variant invoke(Invoke kind, const std::string &member, const Args &args) = 0;

    [[noreturn]] void noMember(std::string_view member) const;
    [[noreturn]] void readOnly(std::string_view member) const;
    // Argument i of a call, or an "Argument not optional" error.
    static const Variant &arg(const Args &args, std::size_t i);
    static bool hasArg(const Args &args, std::size_t i) { return i < args.size() && !args[i].isEmpty(); }
};

// A collection: Count and Item by 0-based index or by name (names compare in any letter case).
// Subclasses supply the items and may add members (Append, Delete, Refresh).
class Collection : public Object {
public:
    virtual std::int32_t count() = 0;
    virtual Variant itemAt(std::int32_t index) = 0;
    // Default: a scan over the items' Name; collections with an index override it.
    virtual Variant itemNamed(std::string_view name);
    Variant item(const Variant &key);

protected:
    Variant invoke(Invoke kind, const std::string &member, const Args &args) override;
    // Members beyond Count and Item.
    virtual Variant invokeMore(Invoke kind, const std::string &member, const Args &args);
    [[noreturn]] static void notFound();
};

} // namespace automation
