#pragma once

#include "fakes/FakeObject.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace fakes {

// A small engine graph: engine, one workspace with users and groups, one database with its
// catalogue collections. Every call and assignment lands in `log`.
struct FakeDao {
    FakeDao();

    LogPtr log = std::make_shared<CallLog>();
    std::shared_ptr<FakeObject> engine;
    std::shared_ptr<FakeObject> workspace;
    std::shared_ptr<FakeObject> database;
    std::shared_ptr<FakeCollection> workspaces;
    std::shared_ptr<FakeCollection> users;
    std::shared_ptr<FakeCollection> groups;
    std::shared_ptr<FakeCollection> tableDefs;
    std::shared_ptr<FakeCollection> queryDefs;
    std::shared_ptr<FakeCollection> relations;
    std::shared_ptr<FakeCollection> containers;

    // A user whose Groups collection holds the named groups.
    std::shared_ptr<FakeObject> addUser(const std::string &name,
                                        std::initializer_list<std::string> groupNames = {});
    std::shared_ptr<FakeObject> addGroup(const std::string &name);
    // A container with documents of the given names.
    std::shared_ptr<FakeObject> addContainer(const std::string &name,
                                             std::initializer_list<std::string> documents);
};

} // namespace fakes
