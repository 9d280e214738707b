// Descriptions: what `new` takes, `dump` gives back; bad ones are refused
// by key and leave nothing behind.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "zelhome_test_support.h"
#include "zemshell.h"

namespace zelhome_test {
namespace {

namespace fs = std::filesystem;

const char* const DESCRIPTION = R"json({
  "dictionary_files": {"VIEW.DIC": {"title": "4.01", "record_size": 4}, "RIGHT.DIC": {"title": "4.02", "record_size": 16, "record_count": 2}},
  "view_records": ["01020304", "0a0b0c0d"],
  "native_charset": 3,
  "config": {"memory": 128, "field18": 12, "field20": 0,
             "charsets": [{"code": 16, "segment": 1, "stop": 2, "thesaurus": 0, "synonym": 0, "antonym": 0}]},
  "databases": [
    {"id": 4, "owner": "NEWS", "name": "DAILY", "kind": "0x100000", "charset": 64, "records": 3,
     "index_segment": 1, "index_stop": 0, "directory": "data/news", "description": "Daily news",
     "columns": [{"number": 1, "name": "TITLE", "type": 96, "byte84": 60, "flags": [1, 1, 0, 1, 0], "description": "Title"},
                 {"number": 2, "name": "DAY", "type": 32, "byte84": 8, "flags": [0, 0, 1, 0, 0], "description": ""}],
     "data": {"exists": true, "records": 3, "indexed": true}},
    {"id": 1, "owner": "SYSTEM", "name": "SEGMENT_UTF8", "kind": 2097152, "charset": 64, "records": 0,
     "index_segment": 0, "index_stop": 0, "directory": "dict", "description": "",
     "columns": [], "data": {"exists": false, "records": 0, "indexed": false}}
  ],
  "formats": [
    {"id": 7, "flag": 0, "name": "NOTE", "class": "TEXT", "extensions": "note", "description": "Überblick"}
  ],
  "files": {"system/START.INF": "a\r\nb\r\n1\r\n"}
})json";

TEST(ZelhomeDescription, DumpGivesBackWhatNewTook) {
    ZelhomeRun run;
    zel::testing::ProgramResult made = run.New(run.Home(), DESCRIPTION);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    Json dump = run.DumpJson(run.Home());
    Json given = Json::parse(DESCRIPTION);

    EXPECT_EQ(dump["dictionary_files"]["VIEW.DIC"]["title"], "4.01");
    EXPECT_EQ(dump["dictionary_files"]["VIEW.DIC"]["record_count"], 2);
    EXPECT_EQ(dump["dictionary_files"]["RIGHT.DIC"]["record_count"], 2);
    EXPECT_EQ(dump["dictionary_files"]["BASE.DIC"]["title"], "ZEL4.0 Data Dictionary");
    EXPECT_EQ(dump["view_records"], given["view_records"]);
    EXPECT_EQ(dump["native_charset"], 3);
    EXPECT_EQ(dump["config"], given["config"]);
    ASSERT_EQ(dump["databases"].size(), 2u);
    EXPECT_EQ(dump["databases"][0], given["databases"][1]);  // in id order
    Json daily = given["databases"][0];
    daily["kind"] = 0x100000;
    EXPECT_EQ(dump["databases"][1], daily);
    EXPECT_EQ(dump["formats"][0]["description"], "Überblick");
    EXPECT_EQ(dump["formats"][0]["description_hex"], "c39c626572626c69636b");  // UTF-8 is the native set
    EXPECT_EQ(zel::testing::ReadFileText(fs::path(run.Home()) / "system" / "START.INF"), "a\r\nb\r\n1\r\n");

    // The dump is itself a description of the same home.
    const std::string copy = run.Home("copy");
    made = run.New(copy, dump.dump());
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_EQ(run.DumpJson(copy), dump);
}

TEST(ZelhomeDescription, DictionaryHoldsDirectoriesAbsolute) {
    ZelhomeRun run;
    // Given with a trailing separator, the home is still made in its place.
    zel::testing::ProgramResult made =
        run.New(run.Home() + static_cast<char>(fs::path::preferred_separator), DESCRIPTION);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_FALSE(fs::exists(fs::path(run.Home()) / ".zelhome-new"));
    ASSERT_EQ(ShellOpen(run.Home().c_str(), -1, -1, -1, -1), 1);
    ObjectEnv env{};
    DatabaseRecord* db = GetDatabaseInfo(GetObjectEnv(3, &env), 0, "NEWS", "DAILY");
    ASSERT_NE(db, nullptr);
    fs::path directory(db->directory);
    EXPECT_TRUE(directory.is_absolute()) << db->directory;
    EXPECT_TRUE(fs::equivalent(directory, fs::path(run.Home()) / "data" / "news")) << db->directory;
    FreeDatabaseInfo(db);
    ShellClose();
}

TEST(ZelhomeDescription, BadDescriptionIsRefusedByKeyAndLeavesNothing) {
    struct Case {
        const char* description;
        const char* key;
    };
    for (const Case& c : {
             Case{"{\"databases\": [", "not valid JSON"},
             Case{"{\"databases\": [{\"name\": \"X\", \"kind\": -1}]}", "databases[0].kind"},
             Case{"{\"databases\": [{\"name\": \"X\", \"colums\": []}]}", "databases[0].colums"},
             Case{"{\"databases\": [{\"name\": \"X\", \"charset\": \"0xZZ\"}]}", "databases[0].charset"},
             Case{"{\"databases\": [{\"id\": 2, \"name\": \"X\"}, {\"id\": 2, \"name\": \"Y\"}]}", "databases[1].id"},
             Case{"{\"databases\": [{\"name\": \"X\", \"columns\": [{\"name\": \"A\", \"flags\": [1]}]}]}",
                  "databases[0].columns[0].flags"},
             Case{"{\"formats\": [{\"id\": 1, \"name\": \"F\", \"flag\": \"yes\"}]}", "formats[0].flag"},
             Case{"{\"native_charset\": 4}", "native_charset"},
             Case{"{\"view_records\": [\"0102\"]}", "view_records[0]"},
             Case{"{\"files\": {\"../outside\": \"x\"}}", "files.../outside"},
             Case{"{\"dictionary_files\": {\"BASE.DIC\": {\"record_count\": 99}}}",
                  "dictionary_files.BASE.DIC.record_count"},
             Case{"[1, 2]", "JSON object"},
         }) {
        ZelhomeRun run;
        zel::testing::ProgramResult result = run.New(run.Home(), c.description);
        EXPECT_EQ(result.exitCode, 2) << c.description << "\n" << result.output;
        EXPECT_NE(result.output.find(c.key), std::string::npos) << c.description << "\n" << result.output;
        EXPECT_FALSE(fs::exists(run.Home())) << c.description;
        EXPECT_FALSE(fs::exists(run.Home() + ".zelhome-new")) << c.description;
    }
}

TEST(ZelhomeDescription, ExistingHomeIsNotOverwritten) {
    ZelhomeRun run;
    zel::testing::WriteFileText(fs::path(run.Home()) / "keep.txt", "mine");
    zel::testing::ProgramResult result = run.New(run.Home());
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_EQ(zel::testing::ReadFileText(fs::path(run.Home()) / "keep.txt"), "mine");
    EXPECT_FALSE(fs::exists(fs::path(run.Home()) / "system"));
}

TEST(ZelhomeDescription, DumpOfSomethingElseFails) {
    ZelhomeRun run;
    fs::create_directories(fs::path(run.Home()) / "system");
    zel::testing::ProgramResult result = run.Dump(run.Home());
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_NE(result.output.find("not a home directory"), std::string::npos) << result.output;
    EXPECT_EQ(run.Dump(run.Home("missing")).exitCode, 2);
    EXPECT_EQ(zel::testing::RunProgram(zel::testing::NativePath(ZELHOME_PATH), {"frobnicate"}).exitCode, 2);
}

}  // namespace
}  // namespace zelhome_test
