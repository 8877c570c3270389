#include "platform/Folders.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A prefix with bin/, and share/jetwarden when `installed`.
struct Tree {
    TempDir root;
    std::string bin = root.file("bin");
    std::string user = root.file("user");
    explicit Tree(bool installed)
    {
        fs::create_directories(bin);
        if (installed)
            fs::create_directories(root.file("share/jetwarden"));
    }
};

} // namespace

TEST(Folders, InstalledProgramFindsItsDataFolderAndNeverWritesIntoBin)
{
    Tree tree(true);
    EXPECT_EQ(platform::installedDataDir(tree.bin), tree.root.file("share/jetwarden"));
    // bin/ is writable here (as it is for root or a prefix in the home folder): still the
    // user's data folder.
    ASSERT_EQ(access(tree.bin.c_str(), W_OK), 0);
    EXPECT_EQ(platform::appFilesDirFor(tree.bin, tree.user), tree.user);
}

TEST(Folders, BuildTreeKeepsFilesBesideTheProgramWhileWritable)
{
    Tree tree(false);
    EXPECT_EQ(platform::installedDataDir(tree.bin), "");
    EXPECT_EQ(platform::appFilesDirFor(tree.bin, tree.user), tree.bin);
    if (geteuid() != 0) { // root may write anywhere
        ::chmod(tree.bin.c_str(), 0555);
        EXPECT_EQ(platform::appFilesDirFor(tree.bin, tree.user), tree.user);
        ::chmod(tree.bin.c_str(), 0755);
    }
}
