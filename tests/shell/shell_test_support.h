// A scratch home with an empty dictionary, opened through the shell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/scratch_dir.h"
#include "zemshell.h"

namespace shell_test {

class ShellTest : public ::testing::Test {
protected:
    ShellTest();
    ~ShellTest() override;

    std::string Home() const { return scratch_.Path("home"); }
    std::string DictPath(const std::string& name) const;
    std::string FileBytes(const std::string& name) const;
    void Reopen();
    // Turns ZEL_FAULT on (or off with an empty text) for the next calls.
    void SetFault(const std::string& selection);

    // A user database with the given owner and name; returns its id.
    uint32_t AddDatabase(const char* owner, const char* name, uint32_t kind = 0x300000);
    uint16_t AddColumn(uint32_t databaseId, const char* name, uint32_t type = COLUMN_CHAR);
    std::vector<std::string> DatabaseNames(const char* owner = "*", const char* name = "*");

    ObjectEnv env_{};

private:
    zel::testing::ScratchDir scratch_{"shell"};
};

// Records whose every field means "no change".
DatabaseRecord UnchangedDatabase();
ColumnRecord UnchangedColumn();
DataFormatRecord UnchangedFormat();
SystemConfigRecord UnchangedConfig();

std::string LastError();

}  // namespace shell_test
