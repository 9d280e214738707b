// A scratch home with a fresh data dictionary opened through the shell
// stand-in, a scratch package directory, and a fresh run context.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "run_context.h"
#include "support/scratch_dir.h"

namespace dictionary_test {

class DictionaryStepTest : public ::testing::Test {
protected:
    DictionaryStepTest();
    ~DictionaryStepTest() override;

    std::string Home() const { return scratch_.Path("home"); }
    std::string DictDir() const { return scratch_.Path("home/dict"); }
    void WritePackageFile(const std::string& name, const std::string& text) const;
    // The run's state as a fresh run starts it, with this package directory.
    void ResetRunState();

    // Turns ZEL_FAULT on (or off with an empty text) for the next calls.
    void SetFault(const std::string& selection);
    // ZEL_MEMDETECT, or unset with an empty text.
    void SetDetectedMemory(const std::string& megabytes);

    // A database of the dictionary, or null; released by the fixture.
    const DatabaseRecord* FindDatabase(const char* owner, const char* name);
    uint32_t NewDatabase(const char* name, uint32_t kind, uint16_t charsetCode);
    uint16_t NewColumn(uint32_t databaseId, const char* name, uint8_t flag95, uint8_t flag97);
    // The column's bytes 95 and 97, or -1 when there is no such column.
    int ColumnFlags(uint32_t databaseId, const char* name, uint8_t* flag95, uint8_t* flag97);

    RunContext run_;
    ObjectEnv& env_ = run_.env;
    DictionaryOutcome& outcome_ = run_.outcome;

private:
    zel::testing::ScratchDir scratch_{"dict-steps"};
    std::vector<DatabaseRecord*> found_;
};

// What a call printed to standard output.
std::string Printed(const std::function<void()>& call);
std::string LastErrorText();

}  // namespace dictionary_test
