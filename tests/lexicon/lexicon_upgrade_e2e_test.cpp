// The lexicon steps as an administrator meets them: the built upgrade program
// on homes made by zelhome, with the real shell and kernel stand-ins and the
// package's real source files; the result read back with `zelhome dump`.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Entries of a source file: its lines that hold something.
uint64_t SourceEntries(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    uint64_t count = 0;
    while (std::getline(file, line)) {
        if (!line.empty() && line != "\r") ++count;
    }
    return count;
}

// Databases of the previous release without any all-ideograph lexicon and
// without a BIG5 one, so that a GB18030 native charset fits every database.
const char* const kGbOnlyHome = R"json({"databases": [
  {"id": 1, "owner": "SYSTEM", "name": "SEGMENT_GB", "kind": "0x200000", "charset": "0x10", "records": 120,
   "directory": "dict", "description": "This is system segment dictionary",
   "data": {"exists": true, "records": 120, "indexed": false}},
  {"id": 2, "owner": "SYSTEM", "name": "stop_gb", "kind": "0x400000", "charset": "0x10", "records": 30,
   "directory": "dict", "description": "This is system stop dictionary",
   "data": {"exists": true, "records": 30, "indexed": false}},
  {"id": 3, "owner": "SYSTEM", "name": "segment_big", "kind": "0x200000", "charset": "0x20", "records": 0,
   "directory": "dict", "description": "This is system segment dictionary",
   "data": {"exists": true, "records": 100, "indexed": false}},
  {"id": 4, "owner": "SYSTEM", "name": "SYS$ENTITY", "kind": "0xA00000", "charset": "0x10", "records": 3,
   "directory": "dict", "description": "This is system entity dictionary",
   "data": {"exists": true, "records": 3, "indexed": false}},
  {"id": 9, "owner": "LIBRARY", "name": "BOOKS", "kind": "0x100000", "charset": "0x10", "records": 25,
   "index_segment": 1, "index_stop": 4, "directory": "data/library", "description": "Books of the library",
   "data": {"exists": true, "records": 25, "indexed": true}},
  {"id": 10, "owner": "NEWS", "name": "ARCHIVE", "kind": "0x100000", "charset": "0x10", "records": 40,
   "index_segment": 5, "index_stop": 2, "directory": "data/news", "description": "News archive",
   "data": {"exists": true, "records": 40, "indexed": true}}
]})json";

class LexiconUpgrade : public ::testing::Test {
protected:
    void MakeHome(const std::string& description = "") {
        const ProgramResult made = world.MakeHome(description);
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    ProgramResult Run(const std::vector<std::string>& args, const std::string& input = "") {
        std::vector<std::string> all = args;
        all.push_back("OLD:N");
        ProgramResult result = world.Upgrade(all, input);
        // Windows' text mode writes each line end as CR LF.
        for (size_t at; (at = result.output.find("\r\n")) != std::string::npos;) result.output.erase(at, 1);
        return result;
    }
    Json Dump() const {
        const ProgramResult dumped = world.DumpHome();
        EXPECT_EQ(dumped.exitCode, 0) << dumped.output;
        return Json::parse(dumped.output.substr(dumped.output.find('{')));
    }
    static const Json* Find(const Json& dump, const std::string& name) {
        for (const Json& db : dump["databases"]) {
            if (db["name"] == name) return &db;
        }
        return nullptr;
    }
    uint64_t Entries(const std::string& file) const { return SourceEntries(world.Package() / file); }
    fs::path Dict(const std::string& name) const { return world.Home() / "dict" / name; }

    UpgradeWorld world;
};

// ---- native character set ------------------------------------------------------

TEST_F(LexiconUpgrade, HomeWithNativeCharsetIsNeitherWarnedNorAsked) {
    MakeHome(R"json({"native_charset": 2})json");
    const ProgramResult result = Run({"NEW:0", "CS:1"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(Contains(result.output, "native character set")) << result.output;
    EXPECT_FALSE(Contains(result.output, "Please select the character set for ZEL Server"));
    EXPECT_EQ(Dump()["native_charset"], 2);
}

TEST_F(LexiconUpgrade, IncompatibleDatabaseIsNamedAndTheSettingIgnored) {
    MakeHome();
    const ProgramResult result = Run({"NEW:0", "CS:3"});
    EXPECT_TRUE(Contains(result.output,
                         "\nThe native charset defined is incompatible with the language"
                         "\nof SYSTEM.SEGMENT_GB, and the setting is ignored!\n"))
        << result.output;
    EXPECT_EQ(Dump()["native_charset"], 0);
}

TEST_F(LexiconUpgrade, MenuAsksAgainThenSetsTheCompatibleCharset) {
    // segment_big is BIG5: drop it so that GB18030 fits every database.
    Json description = Json::parse(kGbOnlyHome);
    description["databases"].erase(2);
    MakeHome(description.dump());
    const ProgramResult result = Run({"NEW:0"}, "5\n1\n");
    const std::string menu = "\nPlease select the character set for ZEL Server:";
    const size_t first = result.output.find(menu);
    ASSERT_NE(first, std::string::npos) << result.output;
    EXPECT_NE(result.output.find(menu, first + 1), std::string::npos);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(Dump()["native_charset"], 1);
}

// ---- system lexicons -------------------------------------------------------------

TEST_F(LexiconUpgrade, AddModeRenamesOldNamesAndBuildsWhatIsMissing) {
    MakeHome(kGbOnlyHome);
    const ProgramResult result = Run({"NEW:3", "CS:0"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // segment_big becomes SEGMENT_BIG5 and is then not created anew.
    EXPECT_FALSE(Contains(result.output, "Creating new system SEGMENT_BIG5...")) << result.output;
    EXPECT_TRUE(Contains(result.output, "Creating new system STOP_BIG5...\n"));
    EXPECT_TRUE(Contains(result.output, "Creating new system IDEO_ALL_GB...\n"));
    EXPECT_TRUE(Contains(result.output, "Creating new system IDEO_ALL_BIG5...\n"));

    const Json dump = Dump();
    const Json* segment = Find(dump, "SEGMENT_BIG5");
    ASSERT_NE(segment, nullptr);
    EXPECT_EQ((*segment)["id"], 3);
    EXPECT_EQ((*segment)["records"], 100);  // counted by the kernel when renamed
    EXPECT_EQ((*segment)["data"]["records"], 100);
    EXPECT_EQ(Find(dump, "stop_gb")->at("data")["records"], 30);
    EXPECT_EQ(Find(dump, "STOP_BIG5")->at("charset"), 0x20);
    // BIG5 lacks the simplified characters of many stop words: those are
    // left out, and the dictionary records what was built.
    const Json& stop = *Find(dump, "STOP_BIG5");
    EXPECT_EQ(stop["records"], stop["data"]["records"]);
    EXPECT_GT(stop["records"].get<uint64_t>(), 0u);
    EXPECT_LT(stop["records"].get<uint64_t>(), Entries("stop.dic"));
    // Each all-ideograph lexicon holds every ideograph its own set encodes.
    EXPECT_EQ(Find(dump, "IDEO_ALL_GB")->at("charset"), 0x10);
    EXPECT_EQ(Find(dump, "IDEO_ALL_GB")->at("data")["records"], 93867);
    EXPECT_EQ(Find(dump, "IDEO_ALL_BIG5")->at("charset"), 0x20);
    EXPECT_EQ(Find(dump, "IDEO_ALL_BIG5")->at("records"), 13063);
    // No "ENT:": the installed entity lexicon stays.
    EXPECT_EQ(Find(dump, "SYS$ENTITY")->at("data")["records"], 3);
}

TEST_F(LexiconUpgrade, RixRefillsUnderTheOldIdsAndRemovesDependentIndices) {
    MakeHome(kGbOnlyHome);
    const ProgramResult result = Run({"NEW:1", "DIC:RIX", "CS:0"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contains(result.output, "Creating new system SEGMENT_GB...\nCreating new system STOP_GB...\n"))
        << result.output;
    EXPECT_TRUE(Contains(result.output,
                         "\nDeleting the indices of related databases...\nPlease rebuild these indices manually!!!\n"
                         "\tLIBRARY.BOOKS\n\tNEWS.ARCHIVE\n"));
    // The summary names them again at the end.
    EXPECT_TRUE(Contains(result.output, "\n    indices removed, to rebuild: LIBRARY.BOOKS, NEWS.ARCHIVE\n"))
        << result.output;
    EXPECT_TRUE(Contains(result.output, "\n    lexicons refilled: SEGMENT_GB, STOP_GB\n")) << result.output;

    const Json dump = Dump();
    EXPECT_EQ(Find(dump, "SEGMENT_GB")->at("id"), 1);
    EXPECT_EQ(Find(dump, "SEGMENT_GB")->at("records"), Entries("segment.dic"));
    EXPECT_EQ(Find(dump, "SEGMENT_GB")->at("data")["records"], Entries("segment.dic"));
    EXPECT_EQ(Find(dump, "stop_gb")->at("id"), 2);
    EXPECT_EQ(Find(dump, "stop_gb")->at("data")["records"], Entries("stop.dic"));
    EXPECT_FALSE(Find(dump, "BOOKS")->at("data")["indexed"]);
    EXPECT_FALSE(Find(dump, "ARCHIVE")->at("data")["indexed"]);
}

TEST_F(LexiconUpgrade, RewOnlyListsDependentIndices) {
    MakeHome(kGbOnlyHome);
    const ProgramResult result = Run({"NEW:1", "DIC:REW", "CS:0"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contains(result.output,
                         "\nPlease remove and rebuild these indices manually!!!\n\tLIBRARY.BOOKS\n\tNEWS.ARCHIVE\n"))
        << result.output;
    EXPECT_TRUE(Contains(result.output, "\n    indices to remove and rebuild by hand: LIBRARY.BOOKS, NEWS.ARCHIVE\n"))
        << result.output;
    // The bells that call the administrator to a console are left out of a pipe.
    EXPECT_EQ(result.output.find_first_of("\r\a"), std::string::npos) << result.output;
    const Json dump = Dump();
    EXPECT_TRUE(Find(dump, "BOOKS")->at("data")["indexed"]);
    EXPECT_TRUE(Find(dump, "ARCHIVE")->at("data")["indexed"]);
}

TEST_F(LexiconUpgrade, Utf8WithoutNativeCharsetIsSkipped) {
    MakeHome(kGbOnlyHome);
    const ProgramResult result = Run({"NEW:2", "CS:0"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(Contains(result.output, "_UTF8")) << result.output;
    EXPECT_FALSE(Contains(result.output, "Creating new system ambiguous.dic")) << result.output;
    EXPECT_FALSE(fs::exists(Dict("ZEL_Single.UTF8")));
    const Json dump = Dump();
    EXPECT_EQ(Find(dump, "SEGMENT_UTF8"), nullptr);
    EXPECT_EQ(Find(dump, "IDEO_ALL_UTF8"), nullptr);
}

// ---- entity lexicon --------------------------------------------------------------

TEST_F(LexiconUpgrade, EntityLexiconIsAppendedOrReplacedOnRequest) {
    MakeHome(kGbOnlyHome);
    ProgramResult result = Run({"NEW:0", "CS:0", "ENT:add"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contains(result.output, "Appending dictionary SYS$ENTITY...\n")) << result.output;
    EXPECT_EQ(Find(Dump(), "SYS$ENTITY")->at("data")["records"], 3 + Entries("entity.dic"));

    result = Run({"NEW:0", "CS:0", "ENT:REW"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contains(result.output, "Replacing dictionary SYS$ENTITY...\n")) << result.output;
    EXPECT_EQ(Find(Dump(), "SYS$ENTITY")->at("data")["records"], Entries("entity.dic"));
}

TEST_F(LexiconUpgrade, UnsupportedEntValueStopsTheRun) {
    MakeHome(kGbOnlyHome);
    const ProgramResult result = Run({"NEW:0", "CS:0", "ENT:MERGE"});
    EXPECT_TRUE(Contains(result.output, "\nERROR: The argument(ENT:MERGE) is not supported!\n")) << result.output;
    EXPECT_FALSE(Contains(result.output, "Upgrade is finished!"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(Find(Dump(), "SYS$ENTITY")->at("data")["records"], 3);
}

TEST_F(LexiconUpgrade, WithoutEntitySourceTheEntityLexiconIsNeitherMadeNorTouched) {
    MakeHome();
    fs::remove(world.Package() / "entity.dic");
    const ProgramResult result = Run({"NEW:1", "CS:0", "ENT:REW"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // Named only where the summary says what was not done, and why.
    const size_t summary = result.output.rfind("\nSummary of the upgrade:\n");
    EXPECT_FALSE(Contains(result.output.substr(0, summary), "SYS$ENTITY")) << result.output;
    EXPECT_TRUE(Contains(result.output, "\n  Not done:\n    lexicon SYS$ENTITY: the package has no entity.dic\n"))
        << result.output;
    EXPECT_EQ(Find(Dump(), "SYS$ENTITY"), nullptr);
}

// ---- segmentation lexicon files ----------------------------------------------------

TEST_F(LexiconUpgrade, SegmentationFilesAreRenamedBuiltOrKept) {
    MakeHome();  // holds the four .BIG files and ZEL_Single.GB of the old release
    const std::string oldSingle = ReadFileText(Dict("ZEL_Single.GB"));
    const std::string oldBig5 = ReadFileText(Dict("ZEL_WBigram.BIG"));
    const ProgramResult result = Run({"NEW:1", "CS:0"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contains(result.output,
                         "Creating new system ambiguous.dic...\nCreating new system wbigram.dic...\n"
                         "Creating new system cbigram.dic...\n"))
        << result.output;
    EXPECT_FALSE(Contains(result.output, "Creating new system single.dic..."));
    EXPECT_EQ(ReadFileText(Dict("ZEL_Single.GB")), oldSingle);
    EXPECT_EQ(ReadFileText(Dict("ZEL_WBigram.BIG5")), oldBig5);
    EXPECT_FALSE(fs::exists(Dict("ZEL_WBigram.BIG")));
    EXPECT_EQ(SourceEntries(Dict("ZEL_CBigram.GB")), Entries("cbigram.dic"));
    const Json dump = Dump();
    EXPECT_EQ(Find(dump, "SYS$ENTITY")->at("records"), Entries("entity.dic"));
    EXPECT_EQ(Find(dump, "SYS$ENTITY")->at("data")["records"], Entries("entity.dic"));
    EXPECT_EQ(Find(dump, "IDEO_ALL_BIG5")->at("data")["records"], 13063);

    const ProgramResult again = Run({"NEW:1", "CS:0", "DIC:REW"});
    EXPECT_TRUE(Contains(again.output, "Creating new system single.dic...\n")) << again.output;
    EXPECT_EQ(SourceEntries(Dict("ZEL_Single.GB")), Entries("single.dic"));
}

TEST_F(LexiconUpgrade, KernelFailureStopsTheRunAndPutsTheDictionaryBack) {
    MakeHome();
    const Json before = Dump();
    const DirectorySnapshot files = SnapshotDirectory(world.Home());
    SetEnvironment("ZEL_FAULT", "ZKF_CreateAssLexicon:2");
    const ProgramResult result = Run({"NEW:1", "CS:0"});
    UnsetEnvironment("ZEL_FAULT");
    EXPECT_TRUE(Contains(result.output, "Creating new system wbigram.dic...\n\nERROR: 1999 ")) << result.output;
    EXPECT_FALSE(Contains(result.output, "cbigram.dic"));
    EXPECT_FALSE(Contains(result.output, "Upgrade is finished!"));
    // A stop changes nothing of the dictionary phase: the file built before
    // the failure goes again, and every dictionary file is as it was.
    EXPECT_FALSE(fs::exists(Dict("ZEL_Ambiguous.GB")));
    EXPECT_FALSE(fs::exists(Dict("ZEL_WBigram.GB")));
    EXPECT_EQ(Dump(), before);
    const DirectorySnapshot after = SnapshotDirectory(world.Home());
    for (const auto& [path, bytes] : files) {
        if (path.rfind("system/", 0) == 0 || path.rfind("dict/", 0) == 0) {
            EXPECT_TRUE(after.count(path) && after.at(path) == bytes) << path;
        }
    }
}

// A rerun passes over the system dictionaries a stopped run had made, so the
// stopped run enters them in the configuration's charset entries itself; a
// stop while one is made takes that one away again. Either way the rerun
// ends with the charset entries of an uninterrupted run.
TEST_F(LexiconUpgrade, StoppedRunLeavesTheCharsetEntriesForTheRerun) {
    MakeHome();
    const Json before = Dump();
    ASSERT_EQ(Run({"NEW:1", "CS:1"}).exitCode, 0);
    const Json clean = Dump();

    for (const char* fault : {"ZKF_CreateAssLexicon", "ZKF_OptimizeDB:2", "NewDColumnInfo:5"}) {
        SCOPED_TRACE(fault);
        UpgradeWorld stopped;
        ASSERT_EQ(stopped.MakeHome().exitCode, 0);
        SetEnvironment("ZEL_FAULT", fault);
        ProgramResult result = stopped.Upgrade({"NEW:1", "CS:1", "OLD:N"});
        UnsetEnvironment("ZEL_FAULT");
        EXPECT_EQ(result.exitCode, 1) << result.output;
        result = stopped.Upgrade({"NEW:1", "CS:1", "OLD:N"});
        EXPECT_EQ(result.exitCode, 0) << result.output;

        const ProgramResult dumped = stopped.DumpHome();
        const Json rerun = Json::parse(dumped.output.substr(dumped.output.find('{')));
        // Ids are never reused, so a dictionary made again has a later id:
        // compare the entries by the names of the databases they name.
        auto named = [](const Json& dump) {
            std::map<uint64_t, std::string> names;
            for (const Json& db : dump["databases"]) names[db["id"].get<uint64_t>()] = db["name"].get<std::string>();
            std::vector<std::string> entries;
            for (const Json& entry : dump["config"]["charsets"]) {
                std::string line = std::to_string(entry["code"].get<int>());
                for (const char* field : {"segment", "stop", "thesaurus", "synonym", "antonym"}) {
                    const uint64_t id = entry[field].get<uint64_t>();
                    line += std::string(" ") + field + "=" + (id == 0 ? "0" : names[id]);
                }
                entries.push_back(line);
            }
            return entries;
        };
        EXPECT_EQ(named(rerun), named(clean));
        EXPECT_NE(named(rerun), named(before));
        for (const char* name : {"THESAURUS_GB", "SYNONYM_GB", "ANTONYM_GB"}) {
            const Json* db = Find(rerun, name);
            ASSERT_NE(db, nullptr) << name;
            EXPECT_EQ((*db)["records"], (*Find(clean, name))["records"]) << name;
            EXPECT_EQ((*db)["columns"].size(), (*Find(clean, name))["columns"].size()) << name;
        }
    }
}

}  // namespace
}  // namespace zel::testing
