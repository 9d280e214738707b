// A scratch home and package directory, the fake host reset, the run's state
// fresh and a command line of the test's choosing, for the lexicon steps.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "lexicon/fake_host.h"
#include "server/update/command_line.h"
#include "server/update/upgrade_state.h"
#include "support/scratch_dir.h"

namespace lexicon_test {

namespace fs = std::filesystem;

class LexiconStepTest : public ::testing::Test {
   protected:
    LexiconStepTest() : scratch_("lexicon") {
        fs::create_directories(HomeDict());
        fs::create_directories(Package());
        ResetUpgradeState();
        std::snprintf(g_packageDir, sizeof g_packageDir, "%s", Package().string().c_str());
        fake::Reset();
        SetArguments({});
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

    void SetArguments(const std::vector<std::string>& args) {
        words_ = {"upgrade"};
        words_.insert(words_.end(), args.begin(), args.end());
        pointers_.clear();
        for (std::string& word : words_) pointers_.push_back(word.data());
        pointers_.push_back(nullptr);
        StoreArguments(static_cast<int>(words_.size()), pointers_.data());
    }

    void CaptureOutput() { ::testing::internal::CaptureStdout(); }
    std::string CapturedOutput() { return ::testing::internal::GetCapturedStdout(); }

    ObjectEnv env_{};

   private:
    zel::testing::ScratchDir scratch_;
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
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
