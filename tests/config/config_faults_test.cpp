// Every fault point that the configuration steps pass is failed in turn: the
// installed file must never be missing and must hold either its old content
// or the complete new one, with the old content kept as the backup.
#include <gtest/gtest.h>

#include <string>

#include "config/config_fixture.h"
#include "legacy_profile.h"
#include "log_config.h"
#include "profile_merge.h"

using config_test::ClearHome;
using config_test::Crlf;
using config_test::Exists;
using config_test::FaultScope;
using config_test::HomeLayout;
using config_test::ListFaultPoints;
using config_test::Read;
using config_test::Write;

namespace {

struct MergeCase {
    const char* fileName;
    std::string installed;
    std::string templateText;
    bool (*merge)(const char* systemDir, const char* packageDir);
};

void CheckEveryFaultOfAMerge(const MergeCase& merge) {
    HomeLayout home;
    const std::string installedPath = home.System(merge.fileName);
    const std::string backupPath = installedPath + ".BAK";
    const std::string newPath = installedPath + ".NEW";
    Write(home.Package(merge.fileName), merge.templateText);
    auto prepare = [&] {
        ClearHome(home);
        Write(installedPath, merge.installed);
        Write(backupPath, "backup of an earlier run");
    };
    auto run = [&] { return merge.merge(home.SystemDir().c_str(), home.PackageDir().c_str()); };

    prepare();
    const std::vector<std::string> points = ListFaultPoints(home, [&] { ASSERT_EQ(run(), 1); });
    const std::string merged = Read(installedPath);
    ASSERT_NE(merged, merge.installed);
    ASSERT_FALSE(points.empty());

    for (size_t n = 1; n <= points.size(); ++n) {
        SCOPED_TRACE("fault at " + points[n - 1] + " #" + std::to_string(n));
        prepare();
        int result;
        {
            FaultScope fault("*:" + std::to_string(n));
            result = run();
        }
        ASSERT_TRUE(Exists(installedPath));
        const std::string content = Read(installedPath);
        if (result == 1 || content == merged) {
            EXPECT_EQ(content, merged);
            EXPECT_EQ(Read(backupPath), merge.installed);
        } else {
            EXPECT_EQ(content, merge.installed);
        }
        // Only a failed delete may leave the work file behind.
        if (points[n - 1] != "Z_DeleteFile") {
            EXPECT_FALSE(Exists(newPath));
        }
    }
}

TEST(ConfigFaults, ProfileMergeNeverLosesTheInstalledProfile) {
    CheckEveryFaultOfAMerge({"PROFILE.INI",
                             Crlf({"[IndexCache]", "LowLimit=100", "[Retrieval]", "IgnoreSenPunct=1", "[Own]", "A=1"}),
                             Crlf({"; template", "[IndexCache]", "LowLimit=0", "DiskSize=5", "", "[Retrieval]",
                                   "IgnorePunct=TRUE", "[Security]", "LoginAttempts=5"}),
                             MergeProfile});
}

TEST(ConfigFaults, LogMergeNeverLosesTheInstalledLogConfiguration) {
    CheckEveryFaultOfAMerge({"LOG.INI", Crlf({"LOGIN 1", "LOGOUT 4", "EXTRA 3"}),
                             Crlf({"# template", "LOGIN 0 # on", "LOGOUT 0", "COMMAND 1"}), MergeLogConfig});
}

TEST(ConfigFaults, LegacyProfileIsCompleteOrAbsentAndOldFilesStayUntilItIs) {
    HomeLayout home;
    const std::string cache = "LowLimit=10\nBTreeIndex=TRUE\n";
    const std::string net = "ConnectCache=TRUE\nMaxConcurNum=12\n";
    auto prepare = [&] {
        ClearHome(home);
        Write(home.System("CACHE.CFG"), cache);
        Write(home.System("NET.CFG"), net);
    };
    auto run = [&] { return CreateLegacyProfile(home.SystemDir().c_str()); };

    prepare();
    const std::vector<std::string> points = ListFaultPoints(home, [&] { ASSERT_EQ(run(), 1); });
    const std::string profile = Read(home.System("PROFILE.INI"));

    for (size_t n = 1; n <= points.size(); ++n) {
        SCOPED_TRACE("fault at " + points[n - 1] + " #" + std::to_string(n));
        prepare();
        int result;
        {
            FaultScope fault("*:" + std::to_string(n));
            result = run();
        }
        if (result == 1) {
            // A read error ends an old file early; its values then stay in it.
            const std::string made = Read(home.System("PROFILE.INI"));
            if (made.find("LowLimit=10\r\n") == std::string::npos ||
                made.find("BTCacheEnable=TRUE\r\n") == std::string::npos) {
                EXPECT_EQ(Read(home.System("CACHE.CFG")), cache);
            }
            if (made.find("ConnectCache=TRUE\r\n") == std::string::npos ||
                made.find("RoutineLimit=12\r\n") == std::string::npos) {
                EXPECT_EQ(Read(home.System("NET.CFG")), net);
            }
        } else if (points[n - 1] == "Z_DeleteFile" && Exists(home.System("PROFILE.INI"))) {
            // The profile is whole and an old file could not go: it fails
            // the step, and keeps its values for the run that deletes it.
            EXPECT_EQ(Read(home.System("PROFILE.INI")), profile);
            EXPECT_TRUE(Exists(home.System("CACHE.CFG")) || Exists(home.System("NET.CFG")));
            EXPECT_TRUE(!Exists(home.System("CACHE.CFG")) || Read(home.System("CACHE.CFG")) == cache);
            EXPECT_TRUE(!Exists(home.System("NET.CFG")) || Read(home.System("NET.CFG")) == net);
        } else {
            // Nothing half-made, and the values still in the old files.
            EXPECT_FALSE(Exists(home.System("PROFILE.INI")));
            EXPECT_EQ(Read(home.System("CACHE.CFG")), cache);
            EXPECT_EQ(Read(home.System("NET.CFG")), net);
        }
        if (points[n - 1] != "Z_DeleteFile") {
            EXPECT_FALSE(Exists(home.System("PROFILE.INI.NEW")));
        }
    }
}

}  // namespace
