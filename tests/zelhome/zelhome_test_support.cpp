#include "zelhome_test_support.h"

#include <gtest/gtest.h>

namespace zelhome_test {

using zel::testing::NativePath;
using zel::testing::ProgramResult;
using zel::testing::RunProgram;

ProgramResult ZelhomeRun::New(const std::string& home, const std::string& description) {
    std::vector<std::string> args = {"new", home};
    if (!description.empty()) {
        std::string path = scratch_.Path("description" + std::to_string(++descriptions_) + ".json");
        zel::testing::WriteFileText(path, description);
        args.push_back(path);
    }
    return RunProgram(NativePath(ZELHOME_PATH), args);
}

ProgramResult ZelhomeRun::Dump(const std::string& home) const {
    return RunProgram(NativePath(ZELHOME_PATH), {"dump", home});
}

Json ZelhomeRun::DumpJson(const std::string& home) const {
    ProgramResult result = Dump(home);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    Json json = Json::parse(result.output, nullptr, false);
    EXPECT_FALSE(json.is_discarded()) << result.output;
    return json;
}

const Json* FindDatabase(const Json& dump, const std::string& name) {
    for (const Json& db : dump["databases"]) {
        if (db["name"] == name) return &db;
    }
    return nullptr;
}

const Json* FindFormat(const Json& dump, const std::string& name) {
    for (const Json& format : dump["formats"]) {
        if (format["name"] == name) return &format;
    }
    return nullptr;
}

}  // namespace zelhome_test
