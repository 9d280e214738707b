// Malformed homes and packages, one table row each: the upgrade gives a clear
// message or the behaviour it defines, never crashes, and never loses an
// installed configuration file or shortens it into a rewrite.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "dict_file_headers.h"
#include "dict_files.h"
#include "support/registered_services.h"
#include "support/row_sample.h"
#include "support/upgrade_fixture.h"
#include "zemshell.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kArguments = {"NEW:1", "CS:1", "OLD:N"};
constexpr size_t kHeaderSize = 96;
const char* const kDictFiles[] = {"CONFIG.DIC", "GROUP.DIC",   "USER.DIC",  "BASE.DIC",  "BASECOL.DIC",
                                  "VIEW.DIC",   "VIEWCOL.DIC", "RIGHT.DIC", "FORMAT.DIC"};

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsConfigFile(const std::string& path) {
    if (path.rfind("system/", 0) != 0 || EndsWith(path, ".BAK")) return false;
    for (const char* end : {".INI", ".CFG", ".INF", ".DIC"}) {
        if (EndsWith(path, end)) return true;
    }
    return false;
}

// Whether a read-only file can be written all the same: root ignores file
// permissions on Linux (and Wine run as root inherits that).
bool ReadOnlyIsIgnored() {
    const fs::path probe = fs::temp_directory_path() / "zel-root-probe";
    WriteFileText(probe, "x");
    fs::permissions(probe, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    FILE* file = std::fopen(probe.string().c_str(), "ab");
    const bool writable = file != nullptr;
    if (file != nullptr) std::fclose(file);
    fs::permissions(probe, fs::perms::owner_all);
    fs::remove(probe);
    return writable;
}

void MakeReadOnly(const fs::path& path) {
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

std::string Junk(size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>((i * 131 + 7) % 256));
    return bytes;
}

// What a row expects of the run.
enum class Outcome {
    Completes,           // exit status 0, "Upgrade is finished!"
    FinishedWithErrors,  // exit status 2: a step failed, the others ran
    Refused,             // exit status 1: stopped before the files were copied
    NoCrash,             // any of them, as long as the program ends by itself
};

struct BadInputRow {
    std::string name;
    std::function<void(UpgradeWorld&)> prepare;
    Outcome outcome;
    std::string message;  // a part of the output the row expects (may be empty; {HOME} stands for the home)
    bool needsPermissions = false;
    std::vector<std::string> untouched = {};  // files of the home that must keep every byte
};

void Write(const fs::path& path, const std::string& bytes) { WriteFileText(path, bytes); }

// Sets the record count of a dictionary file's header, leaving its records.
void SetRecordCount(const fs::path& path, uint32_t count) {
    std::string bytes = ReadFileText(path);
    for (size_t i = 0; i < 4; ++i) bytes[12 + i] = static_cast<char>((count >> (8 * i)) & 0xFF);
    WriteFileText(path, bytes);
}
void Append(const fs::path& path, const std::string& bytes) { WriteFileText(path, ReadFileText(path) + bytes); }

std::string Separator() { return fs::path::preferred_separator == '\\' ? "\\" : "/"; }

std::vector<BadInputRow> Rows() {
    const std::string longLine(4000, 'L');
    std::vector<BadInputRow> rows = {
        {"truncated CONFIG.DIC (40 bytes)",
         [](UpgradeWorld& w) { fs::resize_file(w.Home() / "system" / "CONFIG.DIC", 40); }, Outcome::Refused,
         "is shorter than its 96-byte header"},
        {"truncated VIEW.DIC (0 bytes)", [](UpgradeWorld& w) { fs::resize_file(w.Home() / "system" / "VIEW.DIC", 0); },
         Outcome::Refused, "is shorter than its 96-byte header"},
        // A length that disagrees with the header is refused before anything
        // changes, naming the file, the count, the record size and the length.
        {"VIEW.DIC longer than its header says",
         [](UpgradeWorld& w) { Append(w.Home() / "system" / "VIEW.DIC", std::string(5, 'V')); },
         Outcome::Refused,
         "VIEW.DIC is longer than its header says: the header announces 3 records of 72 bytes (312 bytes with the "
         "header), but the file is 317 bytes long",
         false,
         {"system/VIEW.DIC"}},
        {"VIEW.DIC shorter than its header says",
         [](UpgradeWorld& w) {
             const fs::path view = w.Home() / "system" / "VIEW.DIC";
             fs::resize_file(view, fs::file_size(view) - 72);
         },
         Outcome::Refused,
         "VIEW.DIC is cut short: its header announces 3 records of 72 bytes (312 bytes with the header), but the "
         "file is 240 bytes long",
         false,
         {"system/VIEW.DIC"}},
        // Records the shell takes but the conversion does not understand:
        // refused untouched, the file's label and the cause in one line.
        {"VIEW.DIC with records of 80 bytes",
         [](UpgradeWorld& w) {
             const fs::path view = w.Home() / "system" / "VIEW.DIC";
             const std::string bytes = ReadFileText(view);
             std::string widened = bytes.substr(0, 96);
             for (size_t at = 96; at + 72 <= bytes.size(); at += 72)
                 widened += bytes.substr(at, 72) + std::string(8, '\0');
             for (size_t i = 0; i < 4; ++i) widened[8 + i] = static_cast<char>(i == 0 ? 80 : 0);
             Write(view, widened);
         },
         Outcome::Refused,
         "\nERROR: CheckDictFile: {HOME}" + Separator() + "system" + Separator() +
             "VIEW.DIC holds records of 80 bytes; only records of 72 bytes can be converted\n",
         false,
         {"system/VIEW.DIC"}},
        // Records behind the count would be lost at the first write.
        {"BASE.DIC header counting 8 of its 10 records",
         [](UpgradeWorld& w) { SetRecordCount(w.Home() / "system" / "BASE.DIC", 8); },
         Outcome::Refused,
         "BASE.DIC is longer than its header says: the header announces 8 records of 1653 bytes (13320 bytes with "
         "the header), but the file is 16626 bytes long",
         false,
         {"system/BASE.DIC", "system/BASECOL.DIC", "system/CONFIG.DIC"}},
        {"FORMAT.DIC header counting 5 of its 6 records",
         [](UpgradeWorld& w) { SetRecordCount(w.Home() / "system" / "FORMAT.DIC", 5); },
         Outcome::Refused,
         "FORMAT.DIC is longer than its header says: the header announces 5 records of 643 bytes (3311 bytes with "
         "the header), but the file is 3954 bytes long",
         false,
         {"system/FORMAT.DIC"}},
        {"unknown title in GROUP.DIC",
         [](UpgradeWorld& w) {
             const fs::path path = w.Home() / "system" / "GROUP.DIC";
             std::string bytes = ReadFileText(path);
             bytes.replace(32, 12, "NOT A TITLE\0", 12);
             Write(path, bytes);
         },
         Outcome::Refused, "has the version title \"NOT A TITLE\", of no release the upgrade knows"},
        {"binary junk in PROFILE.INI", [](UpgradeWorld& w) { Write(w.Home() / "system" / "PROFILE.INI", Junk(3000)); },
         Outcome::Completes, ""},
        {"very long line in PROFILE.INI",
         [longLine](UpgradeWorld& w) {
             Write(w.Home() / "system" / "PROFILE.INI", "[Server]\r\nName=" + longLine + "\r\nPort=5000\r\n");
         },
         Outcome::Completes, ""},
        {"UTF-8 byte order mark in PROFILE.INI",
         [](UpgradeWorld& w) { Write(w.Home() / "system" / "PROFILE.INI", "\xEF\xBB\xBF[Server]\r\nPort=5000\r\n"); },
         Outcome::Completes, ""},
        {"LF line ends in PROFILE.INI",
         [](UpgradeWorld& w) { Write(w.Home() / "system" / "PROFILE.INI", "[Server]\nPort=5000\nName=zel\n"); },
         Outcome::Completes, ""},
        {"duplicate sections and keys in PROFILE.INI",
         [](UpgradeWorld& w) {
             Write(w.Home() / "system" / "PROFILE.INI",
                   "[Server]\r\nPort=5000\r\nPort=5001\r\n[Server]\r\nName=zel\r\n");
         },
         Outcome::Completes, ""},
        {"binary junk in LOG.INI", [](UpgradeWorld& w) { Write(w.Home() / "system" / "LOG.INI", Junk(2000)); },
         Outcome::Completes, ""},
        // A LOG.INI line longer than the toolkit's line reader takes fails
        // the log merge: the installed file stays as it was and the run ends
        // with status 2 and the toolkit's error line.
        {"very long line in LOG.INI",
         [longLine](UpgradeWorld& w) { Write(w.Home() / "system" / "LOG.INI", "LOGIN 1\r\n" + longLine + " 5\r\n"); },
         Outcome::FinishedWithErrors, ""},
        {"LF line ends and duplicates in LOG.INI",
         [](UpgradeWorld& w) { Write(w.Home() / "system" / "LOG.INI", "LOGIN 1\nLOGIN 0\nLOGOUT 1\n"); },
         Outcome::Completes, ""},
        {"binary junk in CACHE.CFG", [](UpgradeWorld& w) { Write(w.Home() / "system" / "CACHE.CFG", Junk(2000)); },
         Outcome::Completes, ""},
        {"very long line and BOM in CACHE.CFG",
         [longLine](UpgradeWorld& w) {
             Write(w.Home() / "system" / "CACHE.CFG", "\xEF\xBB\xBFLowLimit=16\r\nX=" + longLine + "\r\nLowLimit=8\n");
         },
         Outcome::Completes, ""},
        {"binary junk in the start batch file",
         [](UpgradeWorld& w) { Write(w.Home() / "bin" / "z40startup.bat", Junk(3000)); }, Outcome::Completes, ""},
        {"very long line in the stop batch file",
         [longLine](UpgradeWorld& w) {
             Write(w.Home() / "bin" / "z40cleanup.bat", "@echo off\n" + longLine + "\nz40shutdown.exe 1\n");
         },
         Outcome::Completes, ""},
        {"START.INF that is not text", [](UpgradeWorld& w) { Write(w.Home() / "system" / "START.INF", Junk(500)); },
         Outcome::Completes, ""},
        // Package files changed and the manifest made again for them: what
        // the merges make of such templates.
        {"binary junk in the package's PROFILE.INI",
         [](UpgradeWorld& w) {
             Write(w.Package() / "PROFILE.INI", Junk(3000));
             w.StampPackage();
         },
         Outcome::Completes, ""},
        {"very long line in the package's LOG.INI",
         [longLine](UpgradeWorld& w) {
             Append(w.Package() / "LOG.INI", longLine + " 1\r\n");
             w.StampPackage();
         },
         Outcome::FinishedWithErrors, ""},
        // A package file the manifest names, changed or gone: refused before
        // the first change, each named.
        {"package's LOG.INI changed", [](UpgradeWorld& w) { Append(w.Package() / "LOG.INI", "X 1\r\n"); },
         Outcome::Refused, "is not whole: LOG.INI is "},
        {"package's zemshell64.dll changed, its size kept",
         [](UpgradeWorld& w) {
             std::string bytes = ReadFileText(w.Package() / "zemshell64.dll");
             bytes[0] = static_cast<char>(bytes[0] ^ 1);
             Write(w.Package() / "zemshell64.dll", bytes);
         },
         Outcome::Refused, "zemshell64.dll is not the file the manifest names (its SHA-256 differs)"},
        {"package without its manifest", [](UpgradeWorld& w) { fs::remove(w.Package() / "package.manifest"); },
         Outcome::Refused, "it has no manifest package.manifest"},
        {"package with a damaged manifest",
         [](UpgradeWorld& w) { Append(w.Package() / "package.manifest", "00 12 ../outside\n"); }, Outcome::Refused,
         "its manifest package.manifest is damaged at line "},
        // Blockers of every kind are named in one run, each with what to do.
        {"unknown title in GROUP.DIC and a package without zemload.exe",
         [](UpgradeWorld& w) {
             const fs::path path = w.Home() / "system" / "GROUP.DIC";
             std::string bytes = ReadFileText(path);
             bytes.replace(32, 12, "NOT A TITLE\0", 12);
             Write(path, bytes);
             fs::remove(w.Package() / "zemload.exe");
         },
         Outcome::Refused,
         "\n    - restore the home directory from its backup: its dictionary file GROUP.DIC cannot be brought to the "
         "current release\n    - unpack the whole release archive again"},
        {"package without the BIG5 console and zemservice.exe",
         [](UpgradeWorld& w) {
             fs::remove(w.Package() / "BIG5" / "zemconsole.exe");
             fs::remove(w.Package() / "zemservice.exe");
         },
         Outcome::Refused, "BIG5/zemconsole.exe is missing.\n\n\nERROR: The package in "},
        // The lexicon sources are the run's to leave out: said, not refused.
        {"package without wbigram.dic and stop.dic",
         [](UpgradeWorld& w) {
             fs::remove(w.Package() / "wbigram.dic");
             fs::remove(w.Package() / "stop.dic");
         },
         Outcome::Completes, "\nThe package has no stop.dic: what the upgrade builds from it is left out.\n"},
        {"missing system directory", [](UpgradeWorld& w) { fs::remove_all(w.Home() / "system"); }, Outcome::Refused,
         " has no system folder: it is not the home directory of a server"},
        {"missing bin directory", [](UpgradeWorld& w) { fs::remove_all(w.Home() / "bin"); },
         Outcome::FinishedWithErrors, "Z_CloneFile: "},
        {"missing package PROFILE.INI", [](UpgradeWorld& w) { fs::remove(w.Package() / "PROFILE.INI"); },
         Outcome::Refused, "is not whole: PROFILE.INI is missing."},
        {"directory in place of PROFILE.INI",
         [](UpgradeWorld& w) {
             fs::remove(w.Home() / "system" / "PROFILE.INI");
             fs::create_directories(w.Home() / "system" / "PROFILE.INI");
         },
         Outcome::FinishedWithErrors, ""},
        {"directory in place of CONFIG.DIC",
         [](UpgradeWorld& w) {
             fs::remove(w.Home() / "system" / "CONFIG.DIC");
             fs::create_directories(w.Home() / "system" / "CONFIG.DIC");
         },
         Outcome::Refused, "CONFIG.DIC is not a file"},
        {"read-only CONFIG.DIC", [](UpgradeWorld& w) { MakeReadOnly(w.Home() / "system" / "CONFIG.DIC"); },
         Outcome::NoCrash, "", true},
        {"read-only CACHE.CFG", [](UpgradeWorld& w) { MakeReadOnly(w.Home() / "system" / "CACHE.CFG"); },
         Outcome::NoCrash, "", true},
    };
    return rows;
}

// The watched files of a home whose bytes a run may only keep, replace with
// a whole new version, or move to a backup.
void ExpectNothingLost(const std::string& row, const DirectorySnapshot& before, const DirectorySnapshot& after,
                       const DirectorySnapshot& cleanBefore, const DirectorySnapshot& cleanAfter) {
    for (const auto& [path, bytes] : before) {
        if (!IsConfigFile(path)) continue;
        auto found = after.find(path);
        if (found == after.end()) {
            // Files a clean upgrade converts and removes may go.
            if (cleanAfter.count(path)) ADD_FAILURE() << row << ": " << path << " is missing";
            continue;
        }
        if (found->second == bytes) continue;
        auto backup = after.find(path + ".BAK");
        if (backup != after.end() && backup->second == bytes) continue;
        // A file the row left alone may become what a clean run makes of it.
        const bool untouched = cleanBefore.count(path) && cleanBefore.at(path) == bytes;
        if (untouched && cleanAfter.count(path) && cleanAfter.at(path) == found->second) continue;
        EXPECT_GE(found->second.size(), bytes.size()) << row << ": " << path << " was shortened";
    }
}

// An installed PROFILE.INI and LOG.INI (the package's), so that rows may
// spoil them.
void GiveInstalledConfiguration(const UpgradeWorld& world) {
    for (const char* name : {"PROFILE.INI", "LOG.INI"}) {
        if (!fs::exists(world.Home() / "system" / name))
            fs::copy_file(world.Package() / name, world.Home() / "system" / name);
    }
}

// The first "ERROR" line of a run's output, for the table.
std::string FirstErrorLine(const std::string& output) {
    const size_t at = output.find("ERROR");
    if (at == std::string::npos) return "";
    const size_t end = output.find_first_of("\r\n", at);
    return ": " + output.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

void RestoreWritable(const fs::path& root) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(root, error)) {
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, error);
    }
}

TEST(BadInput, EveryRowEndsAsTheTableSays) {
    // A clean run over an untouched home: which files an upgrade keeps.
    DirectorySnapshot cleanBefore, cleanAfter;
    {
        UpgradeWorld clean;
        ASSERT_EQ(clean.MakeHome().exitCode, 0);
        GiveInstalledConfiguration(clean);
        cleanBefore = SnapshotDirectory(clean.Home());
        const ProgramResult result = clean.Upgrade(kArguments);
        ASSERT_EQ(result.exitCode, 0) << result.output;
        cleanAfter = SnapshotDirectory(clean.Home());
    }
    const bool root = ReadOnlyIsIgnored();
    int tried = 0, completed = 0, withErrors = 0, refused = 0, skipped = 0;
    for (const BadInputRow& row : RowSample().Of(Rows())) {
        if (row.needsPermissions && root) {
            ++skipped;
            continue;
        }
        UpgradeWorld world;
        ASSERT_EQ(world.MakeHome().exitCode, 0) << row.name;
        GiveInstalledConfiguration(world);
        // The previous release's service of the home, which a refused run
        // leaves as it was.
        DeleteServiceIfPresent(OLD_SERVICE);
        DeleteServiceIfPresent(NEW_SERVICE);
        ASSERT_TRUE(RegisterService(OLD_SERVICE, "ZEL4.0",
                                    QuotedCommandLine(SystemText(world.Home() / "bin" / "z40service.exe"), "-resident")));
        const RegisteredService oldService = QueryRegisteredService(OLD_SERVICE);
        row.prepare(world);
        const DirectorySnapshot before = SnapshotDirectory(world.Home());
        // The check of the same run first: it changes nothing but its log and report,
        // and says what the run then does (status 2 is a run that finishes).
        std::vector<std::string> checkArguments = kArguments;
        checkArguments.push_back("-CHECK");
        const ProgramResult check = world.Upgrade(checkArguments);
        EXPECT_TRUE(SnapshotDirectory(world.Home()) == before) << row.name << ": the check changed the home";
        EXPECT_TRUE(TakeCheckLogAndReport(world.Home())) << row.name << ": the check's log and report";
        EXPECT_TRUE(QueryRegisteredService(OLD_SERVICE) == oldService && !QueryRegisteredService(NEW_SERVICE).exists)
            << row.name << ": the check changed the services";
        const ProgramResult result = world.Upgrade(kArguments);
        RestoreWritable(world.Home());
        const DirectorySnapshot after = SnapshotDirectory(world.Home());
        ++tried;
        const bool finished = result.output.find("Upgrade is finished!") != std::string::npos;
        // A crash shows as a signal (POSIX) or an exception code (Windows).
        EXPECT_TRUE(result.exitCode >= 0 && result.exitCode < 64) << row.name << ": exit " << result.exitCode << "\n"
                                                                  << result.output;
        // Under the sanitizer build a finding ends the program with status 1.
        EXPECT_EQ(result.output.find("Sanitizer"), std::string::npos) << row.name << "\n" << result.output;
        EXPECT_EQ(result.output.find("runtime error:"), std::string::npos) << row.name << "\n" << result.output;
        switch (row.outcome) {
            case Outcome::Completes:
                EXPECT_EQ(result.exitCode, 0) << row.name << "\n" << result.output;
                EXPECT_TRUE(finished) << row.name;
                break;
            case Outcome::FinishedWithErrors:
                EXPECT_EQ(result.exitCode, 2) << row.name << "\n" << result.output;
                EXPECT_TRUE(finished) << row.name;
                break;
            case Outcome::Refused:
                EXPECT_EQ(result.exitCode, 1) << row.name << "\n" << result.output;
                EXPECT_FALSE(finished) << row.name;
                // Refused before the first change, the home and the services
                // as they were.
                EXPECT_TRUE(after == before) << row.name << "\n" << result.output;
                EXPECT_TRUE(QueryRegisteredService(OLD_SERVICE) == oldService &&
                            !QueryRegisteredService(NEW_SERVICE).exists)
                    << row.name << ": the services changed";
                break;
            case Outcome::NoCrash: break;
        }
        if (row.outcome != Outcome::NoCrash) {
            // The check makes the run over a dry run: a run that would end
            // with failed steps is one the check does not pass, and it names
            // those steps.
            EXPECT_EQ(check.exitCode, result.exitCode == 0 ? 0 : 1) << row.name << "\n" << check.output;
            if (result.exitCode == 2) {
                EXPECT_NE(check.output.find("Steps that would fail:"), std::string::npos)
                    << row.name << "\n" << check.output;
            }
        }
        if (!row.message.empty()) {
            std::string message = row.message;
            if (const size_t at = message.find("{HOME}"); at != std::string::npos) {
                message.replace(at, 6, SystemText(world.Home()));
            }
            EXPECT_NE(result.output.find(message), std::string::npos) << row.name << "\n" << result.output;
            if (row.outcome == Outcome::Refused) {
                EXPECT_NE(check.output.find(message), std::string::npos) << row.name << "\n" << check.output;
            }
        }
        for (const std::string& path : row.untouched) {
            EXPECT_TRUE(after.count(path) != 0 && after.at(path) == before.at(path)) << row.name << ": " << path;
        }
        if (!finished)
            ++refused;
        else if (result.exitCode == 0)
            ++completed;
        else
            ++withErrors;
        std::printf("[ row ] %-45s exit %d, %s%s\n", row.name.c_str(), result.exitCode,
                    finished ? "finished" : "stopped", FirstErrorLine(result.output).c_str());
        ExpectNothingLost(row.name, before, after, cleanBefore, cleanAfter);
        DeleteServiceIfPresent(OLD_SERVICE);
        DeleteServiceIfPresent(NEW_SERVICE);
    }
    std::printf(
        "[ table ] %d rows run: %d finished cleanly, %d finished with status 2, %d stopped with status 1; "
        "%d read-only rows skipped (permissions are not enforced for this user)\n",
        tried, completed, withErrors, refused, skipped);
}

// The dictionary header reader on every file cut short of its 96-byte
// header: refused, and the file left byte for byte as it was.
TEST(BadInput, DictionaryFilesTruncatedInTheHeaderAreRefusedUntouched) {
    ScratchDir scratch("bad-dict");
    const fs::path system = scratch.Root() / "home" / "system";
    fs::create_directories(system);
    const std::string home = (scratch.Root() / "home").string();
    int rows = 0;
    for (uint16_t index = 0; index < 9; ++index) {
        for (size_t length = 0; length < kHeaderSize; ++length) {
            std::string bytes = Junk(length);
            const fs::path path = system / kDictFiles[index];
            Write(path, bytes);
            EXPECT_EQ(UpdateDictFile(index, home.c_str()), 0) << kDictFiles[index] << " at " << length;
            EXPECT_EQ(ReadFileText(path), bytes) << kDictFiles[index] << " at " << length;
            ++rows;
        }
    }
    std::printf("[ table ] %d truncated dictionary files refused untouched\n", rows);
}

// The shell's reader on the same cut files, the other eight whole: ShellOpen
// refuses with a message naming the file, and changes nothing.
TEST(BadInput, ShellRefusesDictionaryFilesTruncatedInTheHeader) {
    ScratchDir scratch("bad-shell");
    const std::string home = (scratch.Root() / "home").string();
    zel::shell::DictFailure failure;
    ASSERT_TRUE(zel::shell::CreateEmptyDictionary(home, zel::shell::OLDEST_DICT_TITLE, &failure)) << failure.text;
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        const fs::path path = zel::shell::DictFilePath(home, index);
        const std::string whole = ReadFileText(path);
        for (size_t length = 0; length < kHeaderSize; length += 7) {
            Write(path, whole.substr(0, length));
            EXPECT_EQ(ShellOpen(home.c_str(), -1, -1, -1, -1), 0) << kDictFiles[index] << " at " << length;
            EXPECT_EQ(ReadFileText(path), whole.substr(0, length));
            if (::testing::Test::HasFailure()) ShellClose();
        }
        Write(path, whole);
    }
    ASSERT_NE(ShellOpen(home.c_str(), -1, -1, -1, -1), 0);
    ShellClose();
}

}  // namespace
}  // namespace zel::testing
