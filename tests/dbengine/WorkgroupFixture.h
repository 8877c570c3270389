#pragma once

#include "automation/Error.h"
#include "automation/Registry.h"
#include "automation/Variant.h"
#include "dbengine/Engine.h"
#include "dbengine/ErrorCodes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// An engine whose system database is a new workgroup file in a temporary folder, and a
// workspace of "Admin" (no password) on it.
class WorkgroupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dbengine::registerEngine();
        engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
        mdw = dir.file("team.mdw");
        engine.call("CreateWorkgroup", {mdw, "Team", "Velmora", "team-0001"});
        engine.put("SystemDB", mdw);
        admin = login("Admin");
    }

    automation::Variant login(const std::string &user, const std::string &password = "")
    {
        return engine.call("CreateWorkspace", {"ws " + user + std::to_string(++logins), user, password, 2});
    }

    // A user appended through `ws` (Admin's unless given), added to `groups`.
    void addUser(const std::string &name, const std::string &pid, const std::string &password = "",
                 const std::vector<std::string> &groups = {})
    {
        admin.get("Users").call("Append", {admin.call("CreateUser", {name, pid, password})});
        for (const std::string &g : groups)
            admin.get("Groups").item(g).get("Users").call("Append", {admin.get("Groups").item(g).call("CreateUser", {name})});
    }
    void addGroup(const std::string &name, const std::string &pid)
    {
        admin.get("Groups").call("Append", {admin.call("CreateGroup", {name, pid})});
    }

    static std::vector<std::string> names(const automation::Variant &collection)
    {
        std::vector<std::string> out;
        const int n = collection.get("Count").toInt();
        for (int i = 0; i < n; ++i)
            out.push_back(collection.item(i).get("Name").toText());
        return out;
    }

    // The error code of what `f` throws, or 0 when it throws nothing.
    template <class F>
    static int errorCode(F &&f)
    {
        try {
            f();
        } catch (const automation::Error &e) {
            return e.code();
        }
        return 0;
    }
    // The message of what `f` throws, or "" when it throws nothing.
    template <class F>
    static std::string errorText(F &&f)
    {
        try {
            f();
        } catch (const automation::Error &e) {
            return e.what();
        }
        return {};
    }

    TempDir dir;
    std::string mdw;
    automation::Variant engine;
    automation::Variant admin;
    int logins = 0;
};
