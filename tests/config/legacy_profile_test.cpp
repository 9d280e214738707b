#include <gtest/gtest.h>

#include <string>

#include "config/config_fixture.h"
#include "legacy_profile.h"

using config_test::Crlf;
using config_test::Exists;
using config_test::FaultScope;
using config_test::HomeLayout;
using config_test::Read;
using config_test::Write;

namespace {

class LegacyProfile : public ::testing::Test {
protected:
    int Create() { return CreateLegacyProfile(home.SystemDir().c_str()); }
    std::string Profile() { return Read(home.System("PROFILE.INI")); }

    // The profile made from the given cache and network values.
    static std::string Expected(const char* low, const char* preloadLines, const char* btCache, const char* idleAbort,
                                const char* parallel, const char* relevance, const char* connect, const char* timeWait,
                                const char* routines) {
        std::string text = Crlf({"[IndexCache]", low, "MediumLimit=", "HighLimit=", "MemorySize=", "DiskSize="});
        text += preloadLines;
        text += Crlf({"", "[Maintain]", btCache, idleAbort, "", "[Retrieval]", parallel, relevance, "", "[Network]",
                      connect, timeWait, "", "[Concurrent]", routines});
        return text;
    }

    HomeLayout home;
};

TEST_F(LegacyProfile, WithoutOldFilesHoldsExactlyTheDefaultLines) {
    ASSERT_EQ(Create(), 1);
    EXPECT_EQ(Profile(), Crlf({"[IndexCache]", "LowLimit=",           "MediumLimit=",   "HighLimit=",
                               "MemorySize=",  "DiskSize=",           "Preload=",       "",
                               "[Maintain]",   "BTCacheEnable=WRITE", "IdleTaskAbort=", "",
                               "[Retrieval]",  "ParallelLimit=",      "RelevanceMode=", "",
                               "[Network]",    "ConnectCache=",       "TimeWaitMust=",  "",
                               "[Concurrent]", "RoutineLimit=32"}));
    EXPECT_EQ(home.SystemListing(), "PROFILE.INI ");
}

TEST_F(LegacyProfile, ExistingProfileLeavesEverythingAlone) {
    Write(home.System("PROFILE.INI"), "[Mine]\r\n");
    Write(home.System("CACHE.CFG"), "LowLimit=5\r\n");
    Write(home.System("NET.CFG"), "ConnectCache=TRUE\r\n");
    ASSERT_EQ(Create(), 1);
    EXPECT_EQ(Profile(), "[Mine]\r\n");
    EXPECT_TRUE(Exists(home.System("CACHE.CFG")));
    EXPECT_TRUE(Exists(home.System("NET.CFG")));
}

TEST_F(LegacyProfile, CacheAndNetworkValuesBecomeKeysAndTheOldFilesGo) {
    Write(home.System("CACHE.CFG"),
          "LowLimit=10\nMediumLimit=abc\nDiskSize=\nBTreeIndex=TRUE\n"
          "IdleTaskAbort=no\nParallel=3\nRelevanceMode=word_v1\nUnknown=5\n");
    Write(home.System("NET.CFG"), "ConnectCache=FALSE\r\nTimeWaitMust=remote\r\nMaxConcurNum=12\r\n");
    ASSERT_EQ(Create(), 1);
    EXPECT_EQ(Profile(),
              Expected("LowLimit=10", "Preload=\r\n", "BTCacheEnable=TRUE", "IdleTaskAbort=FALSE", "ParallelLimit=3",
                       "RelevanceMode=WORD_V1", "ConnectCache=FALSE", "TimeWaitMust=REMOTE", "RoutineLimit=12"));
    EXPECT_EQ(home.SystemListing(), "PROFILE.INI ");
}

TEST_F(LegacyProfile, OddValuesFallBackToTheDefaults) {
    Write(home.System("CACHE.CFG"),
          "LowLimit=-4\nBTreeIndex=FALSE\nParallel=0\nRelevanceMode=WORD_V2\n"
          "RelevanceMode=PHRASE\n");
    Write(home.System("NET.CFG"), "ConnectCache=1\nTimeWaitMust=yes\nMaxConcurNum=-5\n");
    ASSERT_EQ(Create(), 1);
    EXPECT_EQ(Profile(), Expected("LowLimit=", "Preload=\r\n", "BTCacheEnable=FALSE",
                                  "IdleTaskAbort=", "ParallelLimit=", "RelevanceMode=WORD_V2",
                                  "ConnectCache=", "TimeWaitMust=TRUE", "RoutineLimit=32"));
}

TEST_F(LegacyProfile, EveryPreloadItemBecomesALineAndCacheFileIsKept) {
    const std::string cache = "Preload=BOOKS\nLowLimit=1\nPreload=\nPreload = NEWS\n";
    Write(home.System("CACHE.CFG"), cache);
    ASSERT_EQ(Create(), 1);
    EXPECT_EQ(Profile(), Expected("LowLimit=1", "Preload=BOOKS\r\nPreload=\r\nPreload=NEWS\r\n", "BTCacheEnable=WRITE",
                                  "IdleTaskAbort=", "ParallelLimit=", "RelevanceMode=", "ConnectCache=",
                                  "TimeWaitMust=", "RoutineLimit=32"));
    // The profile carries only one Preload value into the new release, so the
    // file with all of them stays.
    EXPECT_EQ(Read(home.System("CACHE.CFG")), cache);
}

TEST_F(LegacyProfile, UnreadableLineKeepsTheOldFileAndUsesTheItemsBeforeIt) {
    const std::string net = "ConnectCache=TRUE\n" + std::string(1100, 'x') + "\nMaxConcurNum=4\n";
    Write(home.System("NET.CFG"), net);
    ASSERT_EQ(Create(), 1);
    const std::string profile = Profile();
    EXPECT_NE(profile.find("ConnectCache=TRUE\r\n"), std::string::npos);
    EXPECT_NE(profile.find("RoutineLimit=32\r\n"), std::string::npos);
    EXPECT_EQ(Read(home.System("NET.CFG")), net);
}

TEST_F(LegacyProfile, ReadErrorMakesNoProfileSoThatARerunConvertsEverything) {
    const std::string cache = "LowLimit=1\nMediumLimit=2\nHighLimit=3\n";
    Write(home.System("CACHE.CFG"), cache);
    {
        FaultScope fault("Z_ReadProfileItem:2");
        EXPECT_EQ(Create(), 0);
    }
    EXPECT_FALSE(Exists(home.System("PROFILE.INI")));
    EXPECT_FALSE(Exists(home.System("PROFILE.INI.NEW")));
    EXPECT_EQ(Read(home.System("CACHE.CFG")), cache);
    ASSERT_EQ(Create(), 1);
    EXPECT_NE(Profile().find("HighLimit=3\r\n"), std::string::npos);
}

}  // namespace
