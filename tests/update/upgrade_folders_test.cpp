// Whole upgrades with the package and the home in folders whose names are
// not ASCII or hold a blank, the old service registered in the service
// manager (Wine's in CI): every run must leave the same files, dictionary
// and services as the same run from a folder named in ASCII letters. On
// Windows the program runs twice, once in code page 1252 and once started
// with a Chinese locale in code page 936 (see README); each row runs where
// the system code page can write its folder's name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "support/registered_services.h"
#include "support/upgrade_fixture.h"

namespace zel::testing {

void PrintTo(const RegisteredService& service, std::ostream* out) {
    *out << (service.exists ? "registered: " : "not registered: ") << service.binaryPath << " (" << service.displayName
         << "), start type " << service.startType;
}

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kArguments = {"NEW:1", "CS:1", "OLD:N"};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The first line where two long texts part, for a failure message.
std::string FirstDifference(const std::string& a, const std::string& b) {
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    const size_t start = a.rfind('\n', at) == std::string::npos ? 0 : a.rfind('\n', at) + 1;
    auto line = [&](const std::string& text) { return text.substr(start, text.find('\n', at) - start); };
    return "first difference at byte " + std::to_string(at) + ":\n  " + line(a) + "\n  " + line(b);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// A folder named in ASCII letters whose name takes as many bytes as folder's
// in the system's narrow encoding: dictionary records store the home's
// path in fields of a fixed size, so both runs' files line up byte for byte.
fs::path AsciiFolder(const fs::path& folder) {
    std::string name = SystemText(folder);
    for (char& c : name) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letter) c = 'x';
    }
    return fs::path(name);
}

// The section of a preview report that lists the services.
std::string ServicesSection(const std::string& report) {
    std::string text;
    for (char c : report) {
        if (c != '\r') text += c;
    }
    const size_t start = text.find("== Services ==\n");
    if (start == std::string::npos) return "";
    return text.substr(start, text.find("\n\n", start) - start);
}

// What one run leaves, the home's path replaced by HOME and the world's
// folder by FOLDER in every text.
struct RunRecord {
    int previewStatus = -1;
    std::string previewServices;
    int exitCode = -1;
    std::string output;
    DirectorySnapshot home;
    std::string dump;
    RegisteredService oldService;
    RegisteredService newService;
};

// The home is named as its folder, so that its path ends in the folder's
// characters too.
RunRecord UpgradeIn(const fs::path& folder, bool quoteService) {
    RunRecord record;
    UpgradeWorld world(folder, folder);
    // Wine's service manager is shared by every test program of the prefix.
    DeleteServiceIfPresent(OLD_SERVICE);
    DeleteServiceIfPresent(NEW_SERVICE);
    const ProgramResult made = world.MakeHome();
    EXPECT_EQ(made.exitCode, 0) << made.output;
    const std::string home = SystemText(world.Home());
    const std::string place = SystemText(world.Package().parent_path());
    auto replaced = [&](const std::string& text) { return Replaced(Replaced(text, home, "HOME"), place, "FOLDER"); };
    const std::string program = SystemText(world.Home() / "bin" / "z40service.exe");
    EXPECT_TRUE(
        RegisterService(OLD_SERVICE, "ZEL4.0", (quoteService ? QuotedCommandLine(program) : program) + " -resident"));

    std::vector<std::string> previewArgs = {"preview", "--package", SystemText(world.Package()),
                                            SystemText(world.Home())};
    previewArgs.insert(previewArgs.end(), kArguments.begin(), kArguments.end());
    const ProgramResult preview = RunProgram(NativePath(BuiltZelhome()), previewArgs);
    record.previewStatus = preview.exitCode;
    record.previewServices = ServicesSection(preview.output);

    const ProgramResult result = world.Upgrade(kArguments);
    record.exitCode = result.exitCode;
    record.output = MaskRunLogNames(replaced(result.output));
    for (const auto& [path, bytes] : SnapshotDirectory(world.Home())) record.home[path] = replaced(bytes);
    record.dump = replaced(world.DumpHome().output);
    record.oldService = QueryRegisteredService(OLD_SERVICE);
    record.newService = QueryRegisteredService(NEW_SERVICE);
    record.newService.binaryPath = replaced(record.newService.binaryPath);
    DeleteServiceIfPresent(OLD_SERVICE);
    DeleteServiceIfPresent(NEW_SERVICE);
    return record;
}

void ExpectSameRun(const RunRecord& run, const RunRecord& ascii) {
    EXPECT_EQ(run.previewStatus, 0);
    EXPECT_TRUE(Contains(run.previewServices, "old service removed: ZEL40SERVICE")) << run.previewServices;
    EXPECT_EQ(run.previewServices, ascii.previewServices);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(run.output == ascii.output) << FirstDifference(run.output, ascii.output);
    EXPECT_TRUE(run.dump == ascii.dump) << FirstDifference(run.dump, ascii.dump);
    EXPECT_FALSE(run.oldService.exists);
    EXPECT_TRUE(run.newService.exists);
    EXPECT_EQ(run.oldService, ascii.oldService);
    EXPECT_EQ(run.newService, ascii.newService);
    for (const auto& [path, bytes] : ascii.home) {
        auto found = run.home.find(path);
        if (found == run.home.end())
            ADD_FAILURE() << path << " is missing";
        else if (found->second != bytes)
            ADD_FAILURE() << path << " differs";
    }
    for (const auto& [path, bytes] : run.home) {
        if (!ascii.home.count(path)) ADD_FAILURE() << path << " is there only in this run";
    }
}

// The code page this run was started for (ZEL_EXPECT_CODE_PAGE, set by the
// build for the Chinese run): a Wine started without the Chinese locale
// must fail here, not skip its Chinese rows quietly. Wine takes the code
// page from the locale's name alone, but without the locale on the host it
// cannot name a file in anything but ASCII.
TEST(UpgradeFolders, RunsInTheCodePageItWasStartedFor) {
    const char* expected = std::getenv("ZEL_EXPECT_CODE_PAGE");
    if (expected == nullptr || expected[0] == '\0') GTEST_SKIP() << "no code page asked for";
    EXPECT_EQ(SystemCodePage(), static_cast<unsigned>(std::strtoul(expected, nullptr, 10)))
        << "Wine was not started with the locale README names";
    ScratchDir scratch("codepage");
    std::error_code error;
    EXPECT_TRUE(fs::create_directory(scratch.Root() / fs::path(u8"中文"), error))
        << "no folder with a Chinese name can be made (" << error.message()
        << "): the host lacks the locale; start Wine with LOCPATH as README says";
}

struct FolderRow {
    const char* label;
    std::u8string folder;
    bool quoteService;
};

TEST(UpgradeFolders, RunFromFoldersWithOtherNamesEqualsTheRunFromAsciiFolders) {
    const FolderRow rows[] = {
        {"a Latin letter (code pages 1252 and 936)", u8"wé", true},
        // 0x9C in code page 1252, where Latin-1 has a control character.
        {"a letter of code page 1252 outside Latin-1", u8"wœ", true},
        {"Chinese (code page 936)", u8"中文目录", true},
        // The second byte of 淺 in code page 936 is a backslash: the home's
        // path ends in it.
        {"a character ending in a backslash byte (code page 936)", u8"深淺", true},
        {"a blank, the service registered without quotes", u8"ZEL Home", false},
    };
    std::map<fs::path, RunRecord> asciiRuns;
    int ran = 0;
    for (const FolderRow& row : rows) {
        const fs::path folder(row.folder);
        if (!SystemCanWrite(folder)) continue;
        SCOPED_TRACE(row.label);
        const fs::path ascii = AsciiFolder(folder);
        if (!asciiRuns.count(ascii)) asciiRuns[ascii] = UpgradeIn(ascii, true);
        ExpectSameRun(UpgradeIn(folder, row.quoteService), asciiRuns[ascii]);
        ++ran;
    }
    EXPECT_GE(ran, 2);
}

#ifdef _WIN32
// A folder name that the code page cannot write reaches the program as '?'
// or as look-alikes ("Łódź" as "Lódz"): the run names the problem and stops
// before it changes anything.
TEST(UpgradeFolders, HomeTheCodePageCannotWriteIsRefusedBeforeAnythingChanges) {
    int tried = 0;
    for (const std::u8string& name : {std::u8string(u8"中文"), std::u8string(u8"Łódź"), std::u8string(u8"ภาษา")}) {
        const fs::path folder(name);
        if (SystemCanWrite(folder)) continue;
        SCOPED_TRACE(SystemText(folder));
        UpgradeWorld world;
        ASSERT_EQ(world.MakeHome().exitCode, 0);
        const fs::path home = world.Home().parent_path() / folder / "home";
        fs::create_directories(home.parent_path());
        fs::rename(world.Home(), home);
        const DirectorySnapshot before = SnapshotDirectory(home);

        const ProgramResult result =
            RunProgramNative(world.Package() / "upgrade.exe", {L"DIR:" + home.native(), L"NEW:1", L"CS:1", L"OLD:N"});
        EXPECT_EQ(result.exitCode, 1) << result.output;
        EXPECT_TRUE(Contains(result.output, "\nERROR: 1007 Z_CheckPathText: ")) << result.output;
        EXPECT_TRUE(Contains(result.output, "system code page " + std::to_string(SystemCodePage()))) << result.output;
        EXPECT_FALSE(Contains(result.output, "Updating the data dictionaries")) << result.output;
        EXPECT_TRUE(SnapshotDirectory(home) == before);
        ++tried;
    }
    EXPECT_GE(tried, 1);
}

TEST(UpgradeFolders, PackageTheCodePageCannotWriteIsRefusedBeforeAnythingChanges) {
    const fs::path folder(u8"ภาษา");
    ASSERT_FALSE(SystemCanWrite(folder));
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    const fs::path package = world.Package().parent_path() / folder / "package";
    fs::create_directories(package.parent_path());
    fs::rename(world.Package(), package);
    DeleteServiceIfPresent(OLD_SERVICE);
    const std::string program = SystemText(world.Home() / "bin" / "z40service.exe");
    ASSERT_TRUE(RegisterService(OLD_SERVICE, "ZEL4.0", QuotedCommandLine(program, "-resident")));
    const RegisteredService service = QueryRegisteredService(OLD_SERVICE);
    const DirectorySnapshot before = SnapshotDirectory(world.Home());

    const ProgramResult result =
        RunProgramNative(package / "upgrade.exe", {L"DIR:" + world.Home().native(), L"NEW:1", L"CS:1", L"OLD:N"});
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_TRUE(Contains(result.output, "\nERROR: 1007 Z_GotoProgramDir: the running program's path "))
        << result.output;
    EXPECT_TRUE(Contains(result.output, "system code page " + std::to_string(SystemCodePage()))) << result.output;
    EXPECT_TRUE(SnapshotDirectory(world.Home()) == before);
    EXPECT_EQ(QueryRegisteredService(OLD_SERVICE), service);
    EXPECT_FALSE(QueryRegisteredService(NEW_SERVICE).exists);
    DeleteServiceIfPresent(OLD_SERVICE);
}
#endif

}  // namespace
}  // namespace zel::testing
