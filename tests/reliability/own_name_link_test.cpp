// A folder link out of the home at one of the upgrade's own names: the run
// stops before it changes anything, names the link, and leaves the folder
// the link names alone. The run's own names are never followed whoever
// owns the link, so the rows hold where every link is the running user's:
// natively as root, and under Wine, which shows a symbolic link of the host
// as a reparse point and every file as the user's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/folder_link.h"
#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct OwnNameRow {
    const char* folder;  // a real folder of system on the way to the link; may be empty
    const char* name;    // the link's name in it
};

const OwnNameRow kOwnNameRows[] = {
    {"", "UPGRADE.RUN"},         // the run record's folder
    {"UPGRADE.RUN", "JOURNAL"},  // the file journal's folder inside it
};

TEST(OwnNameLinks, RunStopsBeforeAnyChangeNamesTheLinkAndLeavesWhatItNamesAlone) {
    for (const OwnNameRow& row : kOwnNameRows) {
        SCOPED_TRACE(std::string(row.folder) + "/" + row.name);
        UpgradeWorld world;
        ASSERT_EQ(world.MakeHome().exitCode, 0);
        const fs::path outside = world.Home().parent_path() / "outside";
        WriteFileText(outside / "KEEP.TXT", "not the home's\r\n");
        const fs::path folder = world.Home() / "system" / row.folder;
        fs::create_directories(folder);
        const fs::path link = folder / row.name;
        std::string why;
        ASSERT_TRUE(MakeFolderLink(link, outside, &why)) << why;
        const DirectorySnapshot home = SnapshotDirectory(world.Home());
        const DirectorySnapshot named = SnapshotDirectory(outside);

        const ProgramResult result = world.Upgrade({"NEW:1", "CS:1", "OLD:N"});

        EXPECT_EQ(result.exitCode, 1) << result.output;
        EXPECT_TRUE(Contains(result.output, SystemText(link) + " is a link")) << result.output;
        EXPECT_TRUE(Contains(result.output, "Nothing was changed")) << result.output;
        EXPECT_FALSE(Contains(result.output, "Now, Updating")) << result.output;
        EXPECT_TRUE(SnapshotDirectory(world.Home()) == home);
        EXPECT_TRUE(SnapshotDirectory(outside) == named);
        EXPECT_TRUE(RemoveFolderLink(link, &why)) << why;
    }
}

}  // namespace
}  // namespace zel::testing
