#pragma once

#include "FakeDao.h"

#include "automation/Registry.h"
#include "engine/MSAccess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace fakes {

// A fresh temporary folder made the current directory, with the user's data folder inside it,
// so the system.mdw search sees only what a test puts there.
class ScopedWorkFolder {
public:
    ScopedWorkFolder()
    {
        char pattern[] = "/tmp/jw-access-XXXXXX";
        root_ = mkdtemp(pattern);
        previous_ = std::filesystem::current_path();
        if (const char *xdg = std::getenv("XDG_DATA_HOME"))
            previousXdg_ = xdg;
        setenv("XDG_DATA_HOME", (root_ / "xdg").c_str(), 1);
        std::filesystem::create_directories(root_ / "cwd");
        std::filesystem::current_path(root_ / "cwd");
    }
    ~ScopedWorkFolder()
    {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        if (previousXdg_)
            setenv("XDG_DATA_HOME", previousXdg_->c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        std::filesystem::remove_all(root_, ec);
    }
    const std::filesystem::path &root() const { return root_; }

private:
    std::filesystem::path root_;
    std::filesystem::path previous_;
    std::optional<std::string> previousXdg_;
};

// An access object wired to a fake engine registered under a test ProgID.
class AccessTest : public testing::Test {
protected:
    static constexpr const char *ProgId = "JwTest.Engine";

    void SetUp() override
    {
        automation::Registry::instance().registerClass(ProgId, [this] { return dao.engine; });
        access.EngineProgID = ProgId;
    }
    void TearDown() override { automation::Registry::instance().unregisterClass(ProgId); }

    void activate()
    {
        access.setEngineActive(true);
        ASSERT_TRUE(access.EngineActive()) << access.LastError;
    }
    void openWorkspace()
    {
        activate();
        access.setWorkspaceOpen(true);
        ASSERT_TRUE(access.WorkspaceOpen()) << access.LastError;
    }
    void openDatabase()
    {
        openWorkspace();
        access.DatabaseName = "/data/north.mdb";
        access.setDatabaseOpen(true);
        ASSERT_TRUE(access.DatabaseOpen()) << access.LastError;
        dao.log->clear();
    }

    ScopedWorkFolder folder;
    FakeDao dao;
    engine::TMSAccess access;
};

} // namespace fakes
