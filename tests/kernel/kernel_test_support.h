// A scratch home for the kernel tests, with a small catalog of databases
// standing in for the open dictionary, and recorders for the progress
// callbacks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "database_location.h"
#include "fault_injection.h"
#include "support/run_program.h"
#include "support/scratch_dir.h"
#include "zelkit.h"
#include "zemkernel.h"

namespace kernel_test {

struct ProgressCall {
    int64_t stage;
    int64_t value;
    std::string text;  // the text value points to when stage is negative
    bool operator==(const ProgressCall&) const = default;
};

inline std::string LastErrorText() {
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    return text ? text : "";
}

inline std::vector<ProgressCall>& Calls() {
    static std::vector<ProgressCall> calls;
    return calls;
}

inline void RecordLoad(int32_t count, intptr_t value) {
    Calls().push_back({count, count < 0 ? 0 : value, count < 0 ? reinterpret_cast<const char*>(value) : ""});
}

inline void RecordOptimize(int32_t stage, intptr_t value) {
    Calls().push_back({stage, stage < 0 ? 0 : value, stage < 0 ? reinterpret_cast<const char*>(value) : ""});
}

inline void RecordLexicon(int32_t stage, int64_t percent) { Calls().push_back({stage, percent, ""}); }

class KernelTest : public ::testing::Test {
protected:
    KernelTest() : scratch_("kernel") {
        std::filesystem::create_directories(scratch_.Root() / "home" / "dict");
        std::filesystem::create_directories(scratch_.Root() / "package");
        Home() = scratch_.Path("home");
        Databases().clear();
        ColumnNames().clear();
        Calls().clear();
        catalog_.findDatabase = [](uint32_t id, zel::shell::DatabaseSummary* summary) {
            auto found = Databases().find(id);
            if (found == Databases().end()) return false;
            *summary = found->second;
            return true;
        };
        catalog_.openHomeDirectory = [] { return Home(); };
        catalog_.columnNames = [](uint32_t id) { return ColumnNames()[id]; };
        zel::kernel::SetCatalogForTesting(&catalog_);
        Z_AssignCharset(Z_CHARSET_GB18030, 1);
    }
    ~KernelTest() override {
        zel::kernel::SetCatalogForTesting(nullptr);
        Home().clear();
    }

    static std::string& Home() {
        static std::string home;
        return home;
    }
    static std::map<uint32_t, zel::shell::DatabaseSummary>& Databases() {
        static std::map<uint32_t, zel::shell::DatabaseSummary> databases;
        return databases;
    }

    static std::map<uint32_t, std::map<uint32_t, std::string>>& ColumnNames() {
        static std::map<uint32_t, std::map<uint32_t, std::string>> names;
        return names;
    }

    std::string DictDir() const { return scratch_.Path("home/dict"); }
    std::string DataPath(uint32_t id) const { return scratch_.Path("home/dict/DB" + std::to_string(id) + ".dat"); }
    std::string IndexPath(uint32_t id) const { return scratch_.Path("home/dict/DB" + std::to_string(id) + ".idx"); }

    // A database of the dictionary, kept in HOME/dict (the record naming it).
    void AddDatabase(uint32_t id, const std::string& name = "DB") {
        zel::shell::DatabaseSummary summary;
        summary.id = id;
        summary.owner = "SYSTEM";
        summary.name = name;
        summary.directory = DictDir();
        Databases()[id] = summary;
    }

    // Makes the database in the kernel with CHAR columns of the given names
    // (known to the dictionary, as the kernel is handed numbers only).
    void CreateDatabase(uint32_t id, const std::vector<std::string>& columnNames = {}) {
        AddDatabase(id);
        std::vector<KernelColumnEntry> entries(columnNames.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            entries[i] = KernelColumnEntry{};
            entries[i].columnNumber = static_cast<uint32_t>(i + 1);
            std::snprintf(entries[i].typeName, sizeof(entries[i].typeName), "CHAR");
            if (!columnNames[i].empty()) ColumnNames()[id][entries[i].columnNumber] = columnNames[i];
        }
        std::string directory = DictDir();
        tagZKS_CreateDB request{};
        request.databaseId = id;
        request.directory = directory.data();
        request.columnCount = static_cast<uint32_t>(entries.size());
        request.columns = entries.empty() ? nullptr : entries.data();
        ASSERT_EQ(ZKF_CreateDB(&request), 1) << Z_GetLastErrorPrompt(nullptr, 0);
    }

    // A file of the package directory with the given bytes.
    std::string PackageFile(const std::string& name, const std::string& bytes) {
        std::string path = scratch_.Path("package/" + name);
        zel::testing::WriteFileText(path, bytes);
        return path;
    }

    std::string Read(const std::string& path) const { return zel::testing::ReadFileText(path); }

    // The record lines of a data file, after its header.
    std::vector<std::string> RecordLines(uint32_t id) const {
        std::string text = Read(DataPath(id));
        size_t body = text.find("\n\n");
        std::vector<std::string> lines;
        if (body == std::string::npos) return lines;
        size_t start = body + 2;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }

    static std::string LastError() { return LastErrorText(); }

    zel::testing::ScratchDir scratch_;
    zel::kernel::CatalogForTesting catalog_;
};

// Turns fault injection on for one scope and off again afterwards.
class FaultScope {
public:
    explicit FaultScope(const std::string& fault) {
        zel::testing::SetEnvironment("ZEL_FAULT", fault);
        ZelResetFaultInjection();
    }
    ~FaultScope() {
        zel::testing::UnsetEnvironment("ZEL_FAULT");
        ZelResetFaultInjection();
    }
};

}  // namespace kernel_test
