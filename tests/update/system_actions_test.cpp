#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "system_actions.h"

using namespace upd;

TEST(ShutdownRules, ModeFromDataAndFlagsOfEachMode) {
    EXPECT_EQ(ShutdownModeForData(L"hybrid_shutdown"), kExitModeHybridShutdown);
    EXPECT_EQ(ShutdownModeForData(L"HYBRID_SHUTDOWN"), kExitModeHybridShutdown);
    EXPECT_EQ(ShutdownModeForData(L"HYBRID_SHUTDOWN "), kExitModeShutdown);
    EXPECT_EQ(ShutdownModeForData(L"HYBRID_SHUTDOWN_X"), kExitModeShutdown);
    EXPECT_EQ(ShutdownModeForData(L""), kExitModeShutdown);
    uint32_t flags = 0;
    EXPECT_TRUE(ExitWindowsFlagsForMode(1, &flags));
    EXPECT_EQ(flags, 0x2u);
    EXPECT_TRUE(ExitWindowsFlagsForMode(2, &flags));
    EXPECT_EQ(flags, 0x1u);
    EXPECT_TRUE(ExitWindowsFlagsForMode(3, &flags));
    EXPECT_EQ(flags, 0x400001u);
    flags = 99;
    EXPECT_FALSE(ExitWindowsFlagsForMode(0, &flags));
    EXPECT_FALSE(ExitWindowsFlagsForMode(4, &flags));
    EXPECT_EQ(flags, 99u);
    EXPECT_EQ(Wow64TaskResult(1), 0u);
    EXPECT_EQ(Wow64TaskResult(0), 1u);
}

namespace {

// A folder tree in memory; records the registrations in order.
class FakeTree : public IFolderRemoval {
public:
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>* entries) override {
        listed.push_back(folder);
        auto it = tree.find(folder);
        if (it == tree.end()) return false;
        *entries = it->second;
        return true;
    }
    void RegisterDelete(const std::wstring& path) override { registered.push_back(path); }
    std::map<std::wstring, std::vector<FolderEntry>> tree;
    std::vector<std::wstring> listed, registered;
};

}  // namespace

TEST(FolderRemoval, DepthFirstEachFolderAfterItsContents) {
    FakeTree t;
    t.tree[L"C:\\pkg"] = {{L".", true}, {L"..", true}, {L"Update.exe"}, {L"config", true}, {L"fw", true},
                          {L"readme.txt"}};
    t.tree[L"C:\\pkg\\config"] = {{L"."}, {L".."}, {L"config.ini"}};
    t.tree[L"C:\\pkg\\fw"] = {{L"."}, {L".."}, {L"deep", true}, {L"a.bin"}};
    t.tree[L"C:\\pkg\\fw\\deep"] = {{L"."}, {L".."}};
    DeleteFolderContentsWith(t, L"C:\\pkg");
    EXPECT_EQ(t.registered, (std::vector<std::wstring>{
                                L"C:\\pkg\\Update.exe", L"C:\\pkg\\config\\config.ini", L"C:\\pkg\\config",
                                L"C:\\pkg\\fw\\deep", L"C:\\pkg\\fw\\a.bin", L"C:\\pkg\\fw", L"C:\\pkg\\readme.txt"}));
}

TEST(FolderRemoval, UnlistableFoldersAndLinks) {
    FakeTree gone;
    DeleteFolderContentsWith(gone, L"C:\\gone");
    EXPECT_EQ(gone.registered, std::vector<std::wstring>{L"C:\\gone"});

    FakeTree t;
    // A subfolder that cannot be listed is registered itself (once from the
    // failed listing, once as an entry of its parent).
    t.tree[L"C:\\pkg"] = {{L"locked", true}};
    DeleteFolderContentsWith(t, L"C:\\pkg");
    EXPECT_EQ(t.registered, (std::vector<std::wstring>{L"C:\\pkg\\locked", L"C:\\pkg\\locked"}));

    // A junction is registered as a link and never walked: its target's
    // files stay, and a link back to a parent cannot loop.
    FakeTree j;
    j.tree[L"C:\\pkg"] = {{L"back", true, true}, {L"x.txt"}};
    j.tree[L"C:\\pkg\\back"] = {{L"back", true, true}};
    DeleteFolderContentsWith(j, L"C:\\pkg");
    EXPECT_EQ(j.registered, (std::vector<std::wstring>{L"C:\\pkg\\back", L"C:\\pkg\\x.txt"}));
    EXPECT_EQ(j.listed, std::vector<std::wstring>{L"C:\\pkg"});
}
