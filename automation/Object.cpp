#include "Object.h"

#include "Error.h"
#include "Text.h"

namespace automation {

namespace {
// The member name as the caller spelled it, for error messages.
thread_local std::string spelledMember;
} // namespace

Variant Object::get(std::string_view member, const Args &args)
{
    spelledMember = member;
    return invoke(Invoke::Get, lowerAscii(member), args);
}

void Object::put(std::string_view member, const Variant &value)
{
    spelledMember = member;
    invoke(Invoke::Put, lowerAscii(member), Args{value});
}

Variant Object::call(std::string_view member, const Args &args)
{
    spelledMember = member;
    return invoke(Invoke::Call, lowerAscii(member), args);
}

void Object::noMember(std::string_view member) const
{
    const std::string shown = equalsNoCase(spelledMember, member) ? spelledMember : std::string(member);
    throw Error(std::string(className()) + " doesn't support the property or method '" + shown + "'.",
                codes::NoSuchMember, std::string(className()));
}

void Object::readOnly(std::string_view member) const
{
    throw Error("The property '" + std::string(member) + "' of " + std::string(className())
                    + " is read-only.",
                codes::NoSuchMember, std::string(className()));
}

const Variant &Object::arg(const Args &args, std::size_t i)
{
    if (i >= args.size() || args[i].isEmpty())
        throw Error("Argument not optional.", codes::ArgumentNotOptional);
    return args[i];
}

Variant Collection::itemNamed(std::string_view name)
{
    const std::int32_t n = count();
    for (std::int32_t i = 0; i < n; ++i) {
        Variant v = itemAt(i);
        if (equalsNoCase(v.get("Name").toText(), name))
            return v;
    }
    notFound();
}

Variant Collection::item(const Variant &key)
{
    if (key.isNumeric()) {
        const std::int64_t i = key.toInt64();
        if (i < 0 || i >= count())
            notFound();
        return itemAt(std::int32_t(i));
    }
    if (key.stringIf())
        return itemNamed(*key.stringIf());
    throw Error("Invalid collection key.", codes::TypeMismatch, std::string(className()));
}

Variant Collection::invoke(Invoke kind, const std::string &member, const Args &args)
{
    if (member == "count") {
        if (kind == Invoke::Put)
            readOnly("Count");
        return count();
    }
    if (member == "item" && kind != Invoke::Put)
        return item(arg(args, 0));
    return invokeMore(kind, member, args);
}

Variant Collection::invokeMore(Invoke, const std::string &member, const Args &)
{
    noMember(member);
}

void Collection::notFound()
{
    throw Error("Item not found in this collection.", 3265, "Collection");
}

} // namespace automation
