#pragma once

#include "DatabaseCore.h"
#include "automation/Error.h"
#include "automation/Object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dbengine {

// The error every catalogue collection and object gives for a name it does not hold:
// "<kind> '<name>' does not exist in this database." with the code ItemNotFound.
automation::Error notFound(std::string_view kind, std::string_view name, std::string_view source);

// The shape the catalogue collections (tables, queries, relations, containers) share: Count and
// Item by index or name, Delete by name, Refresh.
//
// Fetching a collection (`fetch`) and Refresh ask the file for other connections' changes; Count
// and Item by index then trust the catalogue the engine holds unless this connection changed
// something since. Enumerating a collection of n items thus checks the file once, not n times.
// Item by name and Delete look the name up after asking the file.
template <class Entry>
class CatalogueCollection : public automation::Collection {
public:
    template <class C>
    static automation::Variant fetch(std::shared_ptr<DatabaseCore> core)
    {
        auto collection = std::make_shared<C>(std::move(core));
        static_cast<CatalogueCollection &>(*collection).entries(DatabaseCore::Check::File);
        return collection;
    }

    std::string_view className() const override { return className_; }
    std::int32_t count() override { return std::int32_t(entries(DatabaseCore::Check::Engine).size()); }
    automation::Variant itemAt(std::int32_t index) override
    {
        const std::vector<Entry> &all = entries(DatabaseCore::Check::Engine);
        if (index < 0 || std::size_t(index) >= all.size())
            automation::Collection::notFound();
        return make(all[std::size_t(index)]);
    }
    automation::Variant itemNamed(std::string_view name) override
    {
        const Entry *entry = find(name);
        if (!entry)
            throw missing(name);
        return make(*entry);
    }

protected:
    CatalogueCollection(std::shared_ptr<DatabaseCore> core, std::string_view className, std::string_view kind)
        : core_(std::move(core)), className_(className), kind_(kind) {}

    virtual const std::vector<Entry> &entries(DatabaseCore::Check check) = 0;
    virtual const Entry *find(std::string_view name) = 0;
    virtual automation::Variant make(const Entry &entry) = 0;
    // Delete: removes the named item; collections without Delete keep this.
    virtual void remove(const std::string &) { noMember("delete"); }

    automation::Error missing(std::string_view name) const
    {
        return dbengine::notFound(kind_, name, "DAO." + className_);
    }

    automation::Variant invokeMore(automation::Invoke kind, const std::string &m,
                                   const automation::Args &args) override
    {
        if (m == "delete" && kind == automation::Invoke::Call) {
            remove(arg(args, 0).toText());
            return {};
        }
        if (m == "refresh") {
            entries(DatabaseCore::Check::File);
            return {};
        }
        noMember(m);
    }

    std::shared_ptr<DatabaseCore> core_;

private:
    std::string className_;
    std::string kind_;
};

} // namespace dbengine
