#pragma once

// Scriptable stand-ins for engine objects: properties, methods and injected failures per
// member, and a shared log of every call and assignment.

#include "automation/Error.h"
#include "automation/Object.h"
#include "automation/Text.h"
#include "automation/Variant.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fakes {

using automation::Args;
using automation::Invoke;
using automation::Variant;

using CallLog = std::vector<std::string>;
using LogPtr = std::shared_ptr<CallLog>;

// A value as the log shows it: strings quoted, Booleans as True/False, objects by class name.
inline std::string describe(const Variant &v)
{
    switch (v.type()) {
    case automation::VarType::Empty: return "Empty";
    case automation::VarType::Null: return "Null";
    case automation::VarType::String: return '"' + *v.stringIf() + '"';
    case automation::VarType::Object: return "<" + std::string(v.object()->className()) + ">";
    case automation::VarType::Bytes: return "<bytes>";
    case automation::VarType::Array: return "<array>";
    default: return v.toText();
    }
}

inline std::string describeCall(std::string_view cls, const std::string &member, const Args &args)
{
    std::string text = std::string(cls) + "." + member + "(";
    for (std::size_t i = 0; i < args.size(); ++i)
        text += (i ? ", " : "") + describe(args[i]);
    return text + ")";
}

class FakeObject : public automation::Object {
public:
    using Method = std::function<Variant(const Args &)>;

    FakeObject(std::string cls, LogPtr log) : cls_(std::move(cls)), log_(std::move(log)) {}
    std::string_view className() const override { return cls_; }

    FakeObject &set(std::string_view member, Variant value)
    {
        props_[automation::lowerAscii(member)] = std::move(value);
        return *this;
    }
    // A logged method; Get and Call both reach it.
    FakeObject &on(std::string_view member, Method method)
    {
        methods_[automation::lowerAscii(member)] = std::move(method);
        return *this;
    }
    // Every access of the member throws an engine error with this message.
    FakeObject &fail(std::string_view member, std::string message)
    {
        failures_[automation::lowerAscii(member)] = std::move(message);
        return *this;
    }
    Variant prop(std::string_view member) const
    {
        auto it = props_.find(automation::lowerAscii(member));
        return it == props_.end() ? Variant() : it->second;
    }

protected:
    Variant invoke(Invoke kind, const std::string &member, const Args &args) override
    {
        if (auto f = failures_.find(member); f != failures_.end()) {
            log_->push_back(describeCall(cls_, member, args) + " failed");
            throw automation::Error(f->second, 3000, "FakeEngine");
        }
        if (kind == Invoke::Put) {
            log_->push_back(cls_ + "." + member + " := " + describe(args.at(0)));
            props_[member] = args.at(0);
            return {};
        }
        if (auto m = methods_.find(member); m != methods_.end()) {
            log_->push_back(describeCall(cls_, member, args));
            return m->second(args);
        }
        if (auto p = props_.find(member); p != props_.end())
            return p->second;
        noMember(member);
    }

private:
    std::string cls_;
    LogPtr log_;
    std::map<std::string, Variant> props_;
    std::map<std::string, Method> methods_;
    std::map<std::string, std::string> failures_;
};

// Items by index or Name; Append, Delete (by Name) and Refresh are logged.
class FakeCollection : public automation::Collection {
public:
    FakeCollection(std::string cls, LogPtr log) : cls_(std::move(cls)), log_(std::move(log)) {}
    std::string_view className() const override { return cls_; }

    std::vector<Variant> items;

    std::int32_t count() override { return std::int32_t(items.size()); }
    Variant itemAt(std::int32_t index) override { return items.at(std::size_t(index)); }

protected:
    Variant invokeMore(Invoke kind, const std::string &member, const Args &args) override
    {
        if (member == "append") {
            log_->push_back(describeCall(cls_, member, args));
            items.push_back(arg(args, 0));
            return {};
        }
        if (member == "delete") {
            log_->push_back(describeCall(cls_, member, args));
            const std::string name = arg(args, 0).toText();
            std::erase_if(items, [&](const Variant &v) { return v.get("Name").toText() == name; });
            return {};
        }
        if (member == "refresh") {
            log_->push_back(describeCall(cls_, member, args));
            return {};
        }
        return Collection::invokeMore(kind, member, args);
    }

private:
    std::string cls_;
    LogPtr log_;
};

inline std::shared_ptr<FakeObject> makeObject(std::string cls, const LogPtr &log,
                                              std::string name = {})
{
    auto object = std::make_shared<FakeObject>(std::move(cls), log);
    if (!name.empty())
        object->set("Name", name);
    return object;
}

} // namespace fakes
