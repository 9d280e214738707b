// The home zelhome makes without a description: a server of the previous
// release, as the upgrade finds it.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "zelhome_test_support.h"

namespace zelhome_test {
namespace {

namespace fs = std::filesystem;

class DefaultHome : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        run_ = new ZelhomeRun();
        zel::testing::ProgramResult made = run_->New(run_->Home());
        ASSERT_EQ(made.exitCode, 0) << made.output;
        dump_ = new Json(run_->DumpJson(run_->Home()));
    }
    static void TearDownTestSuite() {
        delete dump_;
        delete run_;
    }
    static std::string File(const std::string& relative) {
        return zel::testing::ReadFileText(fs::path(run_->Home()) / fs::path(relative));
    }

    static ZelhomeRun* run_;
    static Json* dump_;
};

ZelhomeRun* DefaultHome::run_ = nullptr;
Json* DefaultHome::dump_ = nullptr;

TEST_F(DefaultHome, DictionaryFilesCarryTheOldestTitle) {
    const Json& files = (*dump_)["dictionary_files"];
    ASSERT_EQ(files.size(), 9u);
    for (const auto& [name, file] : files.items()) EXPECT_EQ(file["title"], "ZEL4.0 Data Dictionary") << name;
    EXPECT_EQ(files["VIEW.DIC"]["record_size"], 72);
    EXPECT_EQ(files["VIEW.DIC"]["record_count"], 3);
    ASSERT_EQ((*dump_)["view_records"].size(), 3u);
    EXPECT_EQ((*dump_)["view_records"][0].get<std::string>().substr(64, 12), "606162636465");
}

TEST_F(DefaultHome, ConfigurationIsThatOfTheOldRelease) {
    EXPECT_EQ((*dump_)["native_charset"], 0);
    const Json& config = (*dump_)["config"];
    EXPECT_EQ(config["memory"], 64);
    EXPECT_EQ(config["field18"], 24);
    EXPECT_EQ(config["field20"], 24);
    ASSERT_EQ(config["charsets"].size(), 1u);
    EXPECT_EQ(config["charsets"][0]["code"], 0x20);
}

TEST_F(DefaultHome, SystemLexiconsCarryTheirOldNames) {
    struct Expected {
        const char* name;
        uint32_t kind;
        uint32_t charset;
    };
    for (const Expected& e : {Expected{"SEGMENT_GB", 0x200000, 0x10}, Expected{"STOP_GB", 0x400000, 0x10},
                              Expected{"SEGMENT_BIG", 0x200000, 0x20}, Expected{"STOP_BIG", 0x400000, 0x20},
                              Expected{"STOP_ENG", 0x400000, 0x30}, Expected{"CHINESE_ALL_GB", 0x200000, 0x10},
                              Expected{"THESAURUS_BIG", 0x700000, 0x20}, Expected{"SDIBOOK", 0x300000, 0x10}}) {
        const Json* db = FindDatabase(*dump_, e.name);
        ASSERT_NE(db, nullptr) << e.name;
        EXPECT_EQ((*db)["owner"], "SYSTEM");
        EXPECT_EQ((*db)["kind"], e.kind) << e.name;
        EXPECT_EQ((*db)["charset"], e.charset) << e.name;
        EXPECT_EQ((*db)["directory"], "dict") << e.name;
        EXPECT_TRUE((*db)["data"]["exists"]) << e.name;
        EXPECT_GT((*db)["data"]["records"], 0) << e.name;
    }
    const Json& thesaurus = *FindDatabase(*dump_, "THESAURUS_BIG");
    ASSERT_EQ(thesaurus["columns"].size(), 14u);
    EXPECT_EQ(thesaurus["columns"][0]["name"], "CTM");
    EXPECT_EQ(thesaurus["columns"][0]["flags"][1], 0);
    EXPECT_EQ(thesaurus["columns"][13]["name"], "CPCC");
    EXPECT_EQ(thesaurus["columns"][13]["type"], 0x60);
}

TEST_F(DefaultHome, UserIndicesUseTheGbLexicons) {
    uint32_t segment = (*FindDatabase(*dump_, "SEGMENT_GB"))["id"];
    uint32_t stop = (*FindDatabase(*dump_, "STOP_GB"))["id"];
    int users = 0;
    for (const Json& db : (*dump_)["databases"]) {
        if (db["owner"] == "SYSTEM") continue;
        ++users;
        EXPECT_EQ(db["index_segment"], segment) << db["name"];
        EXPECT_EQ(db["index_stop"], stop) << db["name"];
        EXPECT_TRUE(db["data"]["indexed"]) << db["name"];
        EXPECT_FALSE(db["columns"].empty()) << db["name"];
    }
    EXPECT_GE(users, 2);
}

TEST_F(DefaultHome, DataFormatsAreTheOldOnes) {
    for (const char* name : {"DOC", "EML", "WORD", "TEXT", "HTML", "MYFMT"}) {
        EXPECT_NE(FindFormat(*dump_, name), nullptr) << name;
    }
    EXPECT_EQ((*FindFormat(*dump_, "WORD"))["extensions"], "doc;dot");
    EXPECT_EQ((*FindFormat(*dump_, "DOC"))["class"], "DOCS");
    // Without a native character set, descriptions are stored in GB18030.
    const Json& mine = *FindFormat(*dump_, "MYFMT");
    EXPECT_EQ(mine["description_hex"].get<std::string>().substr(0, 8), "ced2b5c4");
    EXPECT_EQ(mine["description"].get<std::string>().substr(0, 6), "\xE6\x88\x91\xE7\x9A\x84");
}

TEST_F(DefaultHome, FilesOfAnInstalledServerArePresent) {
    for (const char* program :
         {"z40server.exe", "z40searcher.exe", "z40mirror.exe", "z40shutdown.exe", "z40service.exe", "z40console.exe"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::path(run_->Home()) / "bin" / program)) << program;
    }
    EXPECT_NE(File("system/CACHE.CFG").find("BTreeIndex=TRUE\r\n"), std::string::npos);
    EXPECT_NE(File("system/NET.CFG").find("MaxConcurNum=16\r\n"), std::string::npos);
    EXPECT_NE(File("system/LOG.CFG").find("LOGIN           1\r\n"), std::string::npos);
    EXPECT_EQ(File("bin/z40startup.bat").find("\r\nz40server.exe"), 9u);
    EXPECT_NE(File("bin/z40cleanup.bat").find("z40mirror.exe -shutdown"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(fs::path(run_->Home()) / "dict" / "ZEL_Single.BIG"));
    std::string start = File("system/START.INF");
    size_t second = start.find("\r\n", start.find("\r\n") + 2);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(start.substr(second + 2), "1\r\n");
}

}  // namespace
}  // namespace zelhome_test
