// A scratch home and package directory, the fake host reset and a fresh run
// context with the choices of the test, for the lexicon steps.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "lexicon/fake_host.h"
#include "run_context.h"
#include "support/scratch_dir.h"

namespace lexicon_test {

namespace fs = std::filesystem;

class LexiconStepTest : public ::testing::Test {
protected:
    LexiconStepTest() : scratch_("lexicon") {
        fs::create_directories(HomeDict());
        fs::create_directories(Package());
        std::snprintf(run_.choices.home, sizeof run_.choices.home, "%s", HomeText().c_str());
        std::snprintf(run_.choices.packageDir, sizeof run_.choices.packageDir, "%s", Package().string().c_str());
        fake::Reset();
        env_.objectKind = 0;
    }

    fs::path Home() const { return scratch_.Root() / "home"; }
    fs::path HomeDict() const { return Home() / "dict"; }
    fs::path Package() const { return scratch_.Root() / "package"; }
    std::string HomeText() const { return Home().string(); }

    void WritePackageFile(const std::string& name, const std::string& text = "word 1 n\n") {
        zel::testing::WriteFileText(Package() / name, text);
    }
    void WriteDictFile(const std::string& name, const std::string& text = "old") {
        zel::testing::WriteFileText(HomeDict() / name, text);
    }

    // The choices "CS:" and "ENT:" give, as the driver reads them.
    void SetArguments(const std::vector<std::string>& args) {
        run_.choices.nativeCharsetGiven = false;
        run_.choices.entity = EntityChoice::Keep;
        for (const std::string& arg : args) {
            if (arg.rfind("CS:", 0) == 0) {
                run_.choices.nativeCharsetGiven = true;
                std::snprintf(run_.choices.nativeCharsetAnswer, sizeof run_.choices.nativeCharsetAnswer, "%s",
                              arg.substr(3).c_str());
            } else if (arg.rfind("ENT:", 0) == 0) {
                ASSERT_TRUE(ParseEntityChoice(arg.substr(4).c_str(), &run_.choices.entity)) << arg;
            }
        }
    }

    void CaptureOutput() { ::testing::internal::CaptureStdout(); }
    std::string CapturedOutput() { return ::testing::internal::GetCapturedStdout(); }

    zel::testing::ScratchDir scratch_;
    RunContext run_;
    ObjectEnv& env_ = run_.env;
    DictionaryOutcome& outcome_ = run_.outcome;
};

inline fake::Database Lexicon(const std::string& name, uint32_t kind, uint16_t code, uint32_t count = 5) {
    fake::Database db;
    db.name = name;
    db.kind = kind;
    db.charsetCode = code;
    db.recordCount = count;
    return db;
}

}  // namespace lexicon_test
