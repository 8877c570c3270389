#include "Containers.h"

#include "automation/Text.h"

#include <algorithm>

namespace dbengine {

using automation::Date;
using automation::Invoke;
using automation::Variant;

namespace {

const char *const kContainers[] = {"Databases", "Forms", "Modules", "Relationships", "Reports", "Scripts", "Tables"};

struct DocumentInfo {
    std::string name;
    std::string container;
    Date created, updated;
};

class DocumentObject : public automation::Object {
public:
    explicit DocumentObject(DocumentInfo info) : info_(std::move(info)) {}
    std::string_view className() const override { return "Document"; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &) override
    {
        if (kind == Invoke::Put)
            readOnly(m);
        if (m == "name")
            return info_.name;
        if (m == "container")
            return info_.container;
        if (m == "datecreated")
            return info_.created;
        if (m == "lastupdated")
            return info_.updated;
        if (m == "owner")
            return std::string("admin");
        noMember(m);
    }

private:
    DocumentInfo info_;
};

class ContainerObject : public automation::Object {
public:
    ContainerObject(std::shared_ptr<DatabaseCore> core, std::string name)
        : core_(std::move(core)), name_(std::move(name)) {}
    std::string_view className() const override { return "Container"; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &) override
    {
        if (kind == Invoke::Put)
            readOnly(m);
        if (m == "name")
            return name_;
        if (m == "owner")
            return std::string("admin");
        if (m == "documents")
            return documents();
        noMember(m);
    }

private:
    Variant documents()
    {
        std::vector<DocumentInfo> docs;
        const Date created = core_->fileCreated(), updated = core_->fileModified();
        if (name_ == "Databases") {
            docs.push_back({"MSysDb", name_, created, updated});
        } else if (name_ == "Tables") {
            for (const TableEntry &t : core_->tables())
                docs.push_back({t.name, name_, created, updated});
            for (const QueryEntry &q : core_->queries())
                docs.push_back({q.name, name_, q.created.value_or(created), q.updated.value_or(updated)});
            std::sort(docs.begin(), docs.end(), [](auto &a, auto &b) {
                return automation::lowerAscii(a.name) < automation::lowerAscii(b.name);
            });
        } else if (name_ == "Relationships") {
            for (const RelationEntry &r : core_->relations())
                docs.push_back({r.name, name_, created, updated});
        }
        std::vector<Variant> items;
        for (DocumentInfo &d : docs)
            items.emplace_back(std::make_shared<DocumentObject>(std::move(d)));
        return std::make_shared<ListCollection>("Documents", std::move(items));
    }

    std::shared_ptr<DatabaseCore> core_;
    std::string name_;
};

} // namespace

std::int32_t Containers::count()
{
    core_->db();
    return std::int32_t(std::size(kContainers));
}

Variant Containers::itemAt(std::int32_t index)
{
    if (index < 0 || index >= count())
        notFound();
    return std::make_shared<ContainerObject>(core_, kContainers[index]);
}

Variant Containers::invokeMore(Invoke, const std::string &m, const automation::Args &)
{
    if (m == "refresh")
        return {};
    noMember(m);
}

} // namespace dbengine
