// Runs the built zelhome on a scratch directory.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "support/run_program.h"
#include "support/scratch_dir.h"

namespace zelhome_test {

using Json = nlohmann::ordered_json;

class ZelhomeRun {
public:
    ZelhomeRun() : scratch_("zelhome") {}

    std::string Home(const std::string& name = "home") const { return scratch_.Path(name); }
    // zelhome new HOME [description]
    zel::testing::ProgramResult New(const std::string& home, const std::string& description = "");
    zel::testing::ProgramResult Dump(const std::string& home) const;
    // Dumps home and parses the output (the test fails on a bad dump).
    Json DumpJson(const std::string& home) const;

private:
    zel::testing::ScratchDir scratch_;
    int descriptions_ = 0;
};

const Json* FindDatabase(const Json& dump, const std::string& name);
const Json* FindFormat(const Json& dump, const std::string& name);

}  // namespace zelhome_test
