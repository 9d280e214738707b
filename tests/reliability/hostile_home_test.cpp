// A home that the server's own account can write, or that was damaged, given
// to the real program run by the administrator: one table row per way in
// (planted links, links at the run's own record, a record changed by hand or
// by a failing disk, a home moved or copied in the middle of a run, a home
// that belongs to another user, the server's own account attacking the run:
// set-id files, records it forged, a root-only file linked into the home, a
// configuration file too large, log names taken in advance). Each row's run
// either stops before it changes anything, saying what is wrong, or ends as
// a clean run of the same home ends (or, where the home differs from a
// clean one by design, finishes); nothing outside the home changes, and no
// file the run made is set-id, whatever the row.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "server_account.h"
#include "support/row_sample.h"
#include "support/upgrade_fixture.h"
#include "zelkit.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kArguments = {"NEW:1", "CS:1", "OLD:N"};
// A kill at this point of a run with kArguments leaves a journal with the
// pages of the eight dictionary files changed in place (P lines 2 to 20;
// files this small are saved whole at their first change), VIEW.DIC moved
// aside as SAVED.1 (line 22), the four BIG lexicons moved aside as SAVED.2
// to SAVED.5 (lines 23 to 29, each followed by the BIG5 name it was
// renamed to), lines for the segmentation lexicon files and the files the
// run made (to line 39), and a kernel work file written but not yet moved,
// dict/ZEL_Ambiguous.GB.new.
constexpr const char* kInterruptAt = "Z_ReplaceFile:3";
// What a file outside the home holds; nothing of it may reach the home.
constexpr const char* kSecret = "root's own file, readable by root alone\n";

const char* const kRecord = "system/UPGRADE.RUN";
const char* const kRunIni = "system/UPGRADE.RUN/RUN.INI";
const char* const kJournalDir = "system/UPGRADE.RUN/JOURNAL";
const char* const kJournal = "system/UPGRADE.RUN/JOURNAL/JOURNAL";

std::string Saved(int copy) { return std::string(kJournalDir) + "/SAVED." + std::to_string(copy); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// ---- owners (POSIX) ------------------------------------------------------------

// The server's own account owns the home in the rows that need root; they
// are skipped otherwise.
unsigned AccountUid() {
    const ServerAccount* account = TheServerAccount();
    return account != nullptr ? account->uid : 0;
}

// The name itself (a link, not what it names) goes to the server's account.
void GiveToUser(const fs::path& path) {
    if (const ServerAccount* account = TheServerAccount()) GiveToAccount(path, *account);
}

// What the administrator's run made in a home stays root's when the home is
// given to the server's account: the run's records.
bool IsRunsOwn(const std::string& relative) {
    return relative.rfind("system/UPGRADE.RUN", 0) == 0 || relative == "system/UPGRADE.LCK" ||
           relative == "system/OLDSERVICE.INF" || relative == "system/SERVICE.INF";
}

void GiveHomeToAccount(const fs::path& home) {
    GiveToUser(home);
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
        if (!IsRunsOwn(entry.path().lexically_relative(home).generic_string())) GiveToUser(entry.path());
    }
}

std::string OwnerText(const fs::path& path) {
#ifndef _WIN32
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) return " owner?";
    return " owner " + std::to_string(status.st_uid) + ":" + std::to_string(status.st_gid);
#else
    (void)path;
    return "";
#endif
}

// ---- what a folder holds ---------------------------------------------------------

using Snapshot = std::map<std::string, std::string>;

std::string PermsText(fs::perms perms) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(perms) & 07777u);
    return text;
}

// The lock is made and removed by every run, zelhome's readers included,
// and every run leaves its log: neither is a file the home holds.
bool IsLock(const std::string& relative) { return relative == "system/UPGRADE.LCK" || IsRunLogOrReport(relative); }

// Every name below root as it is: what it is, its permission bits and owner,
// a file's bytes, a link's target (never followed).
Snapshot Exactly(const fs::path& root) {
    Snapshot snapshot;
    if (!fs::exists(fs::symlink_status(root))) return snapshot;
    for (auto entry = fs::recursive_directory_iterator(root); entry != fs::recursive_directory_iterator(); ++entry) {
        const fs::path& path = entry->path();
        const std::string relative = path.lexically_relative(root).generic_string();
        if (IsLock(relative)) continue;
        const fs::file_status status = fs::symlink_status(path);
        std::string text;
        switch (status.type()) {
            case fs::file_type::symlink: text = "link to " + fs::read_symlink(path).string(); break;
            case fs::file_type::directory: text = "folder " + PermsText(status.permissions()); break;
            case fs::file_type::regular:
                text =
                    "file " + PermsText(status.permissions()) + ", " + std::to_string(fs::file_size(path)) + " bytes";
                break;
            default: text = "other"; break;
        }
        text += OwnerText(path);
        if (status.type() == fs::file_type::regular) text += "\n" + ReadFileText(path);
        snapshot[relative] = text;
    }
    return snapshot;
}

// The bytes of a home as a clean run's compare with them: the scratch
// folder's own path, which the dictionary stores, made the same in every
// world; in RUN.INI the home's identity (device and inode differ from
// world to world) and the checksum over it left out.
std::string Comparable(const std::string& relative, std::string bytes, const fs::path& world) {
    ReplaceAll(bytes, world.string(), "<WORLD>");
    if (relative != kRunIni) return bytes;
    std::string kept;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        const std::string line = bytes.substr(start, end - start);
        if (line.rfind("Home=", 0) != 0 && line.rfind("Checksum=", 0) != 0) kept += line;
        start = end;
    }
    return kept;
}

// The home as the server sees it: links the administrator made followed,
// a file by its permission bits and bytes.
Snapshot AsSeen(const fs::path& home, const fs::path& world) {
    Snapshot snapshot;
    const auto options = fs::directory_options::follow_directory_symlink;
    for (auto entry = fs::recursive_directory_iterator(home, options); entry != fs::recursive_directory_iterator();
         ++entry) {
        const fs::path& path = entry->path();
        const std::string relative = path.lexically_relative(home).generic_string();
        if (IsLock(relative)) continue;
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (error || !fs::exists(status)) {
            snapshot[relative] = "a link that leads nowhere";
        } else if (fs::is_directory(status)) {
            snapshot[relative] = "folder " + PermsText(status.permissions());
        } else if (fs::is_regular_file(status)) {
            snapshot[relative] =
                "file " + PermsText(status.permissions()) + "\n" + Comparable(relative, ReadFileText(path), world);
        } else {
            snapshot[relative] = "other";
        }
    }
    return snapshot;
}

// The names at which two snapshots differ, for a failure message.
std::string Differences(const Snapshot& expected, const Snapshot& found) {
    std::string text;
    for (const auto& [path, what] : expected) {
        const auto other = found.find(path);
        if (other == found.end()) {
            text += "  " + path + " is missing\n";
        } else if (other->second != what) {
            text += "  " + path + " differs: " + what.substr(0, what.find('\n')) + " / " +
                    other->second.substr(0, other->second.find('\n')) + "\n";
        }
    }
    for (const auto& [path, what] : found) {
        if (expected.count(path) == 0) text += "  " + path + " is new: " + what.substr(0, what.find('\n')) + "\n";
    }
    return text;
}

// ---- a world with a home, and a folder beside it the home must never reach -----

// The installed configuration of the package, so that PROFILE.INI and
// LOG.INI are merged under their work names.
void GiveInstalledConfiguration(const UpgradeWorld& world) {
    for (const char* name : {"PROFILE.INI", "LOG.INI"}) {
        fs::copy_file(world.Package() / name, world.Home() / "system" / name, fs::copy_options::overwrite_existing);
    }
}

class Scene {
public:
    Scene() {
        made_ = world.MakeHome().exitCode == 0;
        if (!made_) return;
        GiveInstalledConfiguration(world);
        home = world.Home();
        WriteFileText(Outside() / "secret", kSecret);
        fs::permissions(Outside() / "secret", fs::perms::owner_read | fs::perms::owner_write);
        WriteFileText(Outside() / "folder" / "kept", "a file of another installation\n");
        fs::create_directories(Admin());
        untouchable.push_back(Outside());
    }

    bool Made() const { return made_; }
    fs::path Root() const { return world.Home().parent_path(); }
    // What no run on the home may change: files a planted link names.
    fs::path Outside() const { return Root() / "outside"; }
    // Where the administrator keeps what his own links in the home name.
    fs::path Admin() const { return Root() / "admin"; }
    fs::path In(const std::string& relative) const { return home / relative; }

    ProgramResult Upgrade() const {
        std::vector<std::string> args = {"DIR:" + SystemText(home)};
        args.insert(args.end(), kArguments.begin(), kArguments.end());
        return world.UpgradeRaw(args);
    }
    ProgramResult Dump() const { return RunProgram(NativePath(BuiltZelhome()), {"dump", SystemText(home)}); }
    ProgramResult Preview() const {
        std::vector<std::string> args = {"preview", "--package", SystemText(world.Package()), SystemText(home)};
        args.insert(args.end(), kArguments.begin(), kArguments.end());
        return RunProgram(NativePath(BuiltZelhome()), args);
    }

    // The run killed in the dictionary phase, its record left.
    bool Interrupt() {
        SetEnvironment("ZEL_FAULT", kInterruptAt);
        SetEnvironment("ZEL_FAULT_END", "kill");
        Upgrade();
        UnsetEnvironment("ZEL_FAULT");
        UnsetEnvironment("ZEL_FAULT_END");
        return fs::is_regular_file(In(kJournal)) && fs::is_regular_file(In(Saved(5))) &&
               fs::is_regular_file(In("dict/ZEL_Ambiguous.GB.new"));
    }

    // The home (or the interrupted home) in another place of the same world.
    void MoveHome(const std::string& name) {
        const fs::path moved = Root() / name;
        fs::rename(home, moved);
        home = moved;
    }
    void CopyHome(const std::string& name) {
        const fs::path copy = Root() / name;
        CopyTree(home, copy);
        untouchable.push_back(home);
        home = copy;
    }

    UpgradeWorld world;
    fs::path home;  // where the row's run works
    std::vector<fs::path> untouchable;

private:
    bool made_ = false;
};

// ---- the ways in ------------------------------------------------------------------

void Link(const fs::path& at, const fs::path& target) {
    std::error_code ignored;
    fs::remove(at, ignored);
    if (fs::is_directory(target)) {
        fs::create_directory_symlink(target, at);
    } else {
        fs::create_symlink(target, at);
    }
}

// A link at a name of the home to the root-only file beside it.
std::function<void(Scene&)> LinkOut(const std::string& relative) {
    return [relative](Scene& scene) { Link(scene.In(relative), scene.Outside() / "secret"); };
}

// What the home held at relative goes to folder, a link in its place.
void MoveAway(Scene& scene, const std::string& relative, const fs::path& folder) {
    const fs::path away = folder / fs::path(relative).filename();
    fs::rename(scene.In(relative), away);
    Link(scene.In(relative), away);
}

std::function<void(Scene&)> MovedOut(const std::string& relative) {
    return [relative](Scene& scene) { MoveAway(scene, relative, scene.Outside()); };
}

// The administrator's own link (root's) to what he keeps elsewhere.
std::function<void(Scene&)> AdminLink(const std::string& relative) {
    return [relative](Scene& scene) { MoveAway(scene, relative, scene.Admin()); };
}

// The same link, given to the server's account.
std::function<void(Scene&)> OtherUsersLink(const std::string& relative) {
    return [relative](Scene& scene) {
        MoveAway(scene, relative, scene.Outside());
        GiveToUser(scene.In(relative));
    };
}

// The server's account planted a link to the root-only file.
std::function<void(Scene&)> OtherUsersLinkOut(const std::string& relative) {
    return [relative](Scene& scene) {
        Link(scene.In(relative), scene.Outside() / "secret");
        GiveToUser(scene.In(relative));
    };
}

// The whole home given to the server's account, as a home whose service
// runs under that account may be; the records a run of the administrator
// made in it stay his.
std::function<void(Scene&)> OtherUsersHome() {
    return [](Scene& scene) { GiveHomeToAccount(scene.home); };
}

std::function<void(Scene&)> HardLinkOut(const std::string& relative) {
    return [relative](Scene& scene) {
        fs::create_hard_link(scene.In(relative), scene.Outside() / fs::path(relative).filename());
    };
}

// LOG.INI with a value of the administrator's, which the merge keeps in a
// new file: the old one is backed up.
const std::string kAdminsLogSettings = "GET_CONFIG 1\r\n";

std::function<void(Scene&)> AdminsLogSettings(unsigned mode) {
    return [mode](Scene& scene) {
        WriteFileText(scene.In("system/LOG.INI"), kAdminsLogSettings);
        fs::permissions(scene.In("system/LOG.INI"), static_cast<fs::perms>(mode));
    };
}

std::function<void(Scene&)> Interrupted() {
    return [](Scene& scene) { ASSERT_TRUE(scene.Interrupt()) << "the killed run left no journal"; };
}

// A named pipe, which a reader waits on for ever unless it looks first.
std::function<void(Scene&)> Pipe(const std::string& relative) {
    return [relative](Scene& scene) {
#ifndef _WIN32
        ASSERT_EQ(::mkfifo(scene.In(relative).c_str(), 0600), 0) << relative;
#else
        (void)scene;
#endif
    };
}

std::function<void(Scene&)> Removed(const std::string& relative) {
    return [relative](Scene& scene) { fs::remove_all(scene.In(relative)); };
}

std::function<void(Scene&)> CutTo(const std::string& relative, uintmax_t size) {
    return [relative, size](Scene& scene) { fs::resize_file(scene.In(relative), size); };
}

// Grown to 65 MiB without writing a byte (sparse).
std::function<void(Scene&)> Huge(const std::string& relative) { return CutTo(relative, 65u << 20); }

std::function<void(Scene&)> BitFlipped(const std::string& relative, size_t at) {
    return [relative, at](Scene& scene) {
        std::string bytes = ReadFileText(scene.In(relative));
        ASSERT_LT(at, bytes.size()) << relative;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x04);
        WriteFileText(scene.In(relative), bytes);
    };
}

// The bytes of the page a P line saved, which follow its LF (its fourth
// field); none after any other line.
size_t PageSize(const std::string& line) {
    if (line.compare(0, 2, "P ") != 0) return 0;
    size_t at = 0;
    for (int field = 0; field < 3; ++field) at = line.find(' ', at) + 1;
    return std::stoull(line.substr(at, line.find(' ', at) - at));
}

// Where the journal's line `line` (from 1) starts, the pages of the P lines
// before it passed over.
size_t JournalLineStart(const std::string& text, int line) {
    size_t start = 0;
    for (int n = 1; n < line; ++n) {
        const size_t end = text.find('\n', start);
        start = end + 1 + PageSize(text.substr(start, end - start));
    }
    return start;
}

// A bit of the last character of a line (its path's) flipped.
std::function<void(Scene&)> FlippedInLine(const std::string& relative, int line) {
    return [relative, line](Scene& scene) {
        const std::string text = ReadFileText(scene.In(relative));
        BitFlipped(relative, text.find('\n', JournalLineStart(text, line)) - 1)(scene);
    };
}

// The number of the journal's lines.
int JournalLineCount(const Scene& scene) {
    const std::string text = ReadFileText(scene.In(kJournal));
    int lines = 0;
    while (JournalLineStart(text, lines + 1) < text.size()) ++lines;
    return lines;
}

// The interrupted run's rerun killed at fault, in its put-back; what it
// left of its work beside the files it was putting back stays.
std::function<void(Scene&)> PutBackKilledAt(const std::string& fault) {
    return [fault](Scene& scene) {
        SetEnvironment("ZEL_FAULT", fault);
        SetEnvironment("ZEL_FAULT_END", "kill");
        scene.Upgrade();
        UnsetEnvironment("ZEL_FAULT");
        UnsetEnvironment("ZEL_FAULT_END");
        bool staged = false;
        for (const auto& entry : fs::recursive_directory_iterator(scene.home)) {
            staged = staged || entry.path().filename().string().ends_with(".zel-undo");
        }
        ASSERT_TRUE(staged) << "the put-back left no second name beside a file";
    };
}

// A fresh run killed once its journal ended (as it copies the first new
// program): RUN.INI still says a journal was kept, and JOURNAL.GONE says it
// ended; then what gone does to the record.
std::function<void(Scene&)> KilledAfterTheJournalEnded(std::function<void(Scene&)> then) {
    return [then](Scene& scene) {
        SetEnvironment("ZEL_FAULT", "Z_CloneFile:1");
        SetEnvironment("ZEL_FAULT_END", "kill");
        scene.Upgrade();
        UnsetEnvironment("ZEL_FAULT");
        UnsetEnvironment("ZEL_FAULT_END");
        ASSERT_TRUE(fs::is_regular_file(scene.In(kRunIni))) << "the killed run left no record";
        ASSERT_TRUE(fs::is_regular_file(scene.In(kJournal + std::string(".GONE")))) << "the journal did not end";
        ASSERT_FALSE(fs::exists(scene.In(kJournal))) << "the journal is still there";
        then(scene);
    };
}

std::function<void(Scene&)> Appended(const std::string& relative, const std::string& bytes) {
    return [relative, bytes](Scene& scene) {
        WriteFileText(scene.In(relative), ReadFileText(scene.In(relative)) + bytes);
    };
}

std::function<void(Scene&)> Both(std::function<void(Scene&)> first, std::function<void(Scene&)> second) {
    return [first, second](Scene& scene) {
        first(scene);
        second(scene);
    };
}

// The journal's lines as fields, a P line's page apart. A record's
// checksums are no secret: whoever can write the home can sign what he
// writes, so the rows that change a line sign it again and leave the other
// checks to find it.
struct JournalLine : std::vector<std::string> {
    JournalLine() = default;
    JournalLine(std::initializer_list<std::string> fields) : std::vector<std::string>(fields) {}
    std::string page;
};
using JournalLines = std::vector<JournalLine>;

JournalLines ReadJournalLines(const fs::path& path) {
    JournalLines lines;
    const std::string text = ReadFileText(path);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos;) {
        JournalLine fields;
        const std::string line = text.substr(start, end - start);
        size_t from = 0;
        for (size_t blank; (blank = line.find(' ', from)) != std::string::npos; from = blank + 1) {
            fields.push_back(line.substr(from, blank - from));
        }
        fields.push_back(line.substr(from));
        fields.page = text.substr(end + 1, PageSize(line));
        start = end + 1 + fields.page.size();
        lines.push_back(fields);
    }
    return lines;
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

// Each line's checksum is the CRC-32C of the one before it in hex, a blank
// and the line without it; it stands last in the header, before the path
// in the others.
size_t ChecksumField(const JournalLine& line, bool header) {
    if (header) return line.size() - 1;
    if (line[0] == "S" || line[0] == "M") return 5;
    return line[0] == "P" ? 6 : 2;
}

void WriteSignedJournal(const fs::path& path, const JournalLines& lines) {
    std::string text;
    uint32_t chain = 0;
    for (size_t number = 0; number < lines.size(); ++number) {
        std::vector<std::string> fields = lines[number];
        const size_t crcAt = ChecksumField(lines[number], number == 0);
        fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(crcAt));
        std::string bare;
        for (const std::string& field : fields) bare += (bare.empty() ? "" : " ") + field;
        const std::string chained = Hex(chain) + " " + bare;
        chain = Z_Crc32c(0, chained.data(), chained.size());
        fields.insert(fields.begin() + static_cast<std::ptrdiff_t>(crcAt), Hex(chain));
        std::string line;
        for (const std::string& field : fields) line += (line.empty() ? "" : " ") + field;
        text += line + "\n" + lines[number].page;
    }
    WriteFileText(path, text);
}

JournalLine* LineNaming(JournalLines& lines, const std::string& relative) {
    for (auto& line : lines) {
        if (line.back() == relative) return &line;
    }
    ADD_FAILURE() << "the journal has no line for " << relative;
    static JournalLine none = {"C", "0", "0", "none"};
    return &none;
}

std::function<void(Scene&)> SignedJournal(std::function<void(Scene&, JournalLines&)> change) {
    return [change](Scene& scene) {
        JournalLines lines = ReadJournalLines(scene.In(kJournal));
        change(scene, lines);
        WriteSignedJournal(scene.In(kJournal), lines);
    };
}

// A copy of the root-only file as a new SAVED.n, and a line before line
// `at` that names relative as saved there; the lines after it numbered anew.
void InsertSavedLine(Scene& scene, JournalLines& lines, size_t at, const std::string& relative) {
    uint64_t copy = 1;
    for (const auto& line : lines) {
        if (line[0] == "S" || line[0] == "M") copy = std::max<uint64_t>(copy, std::stoull(line[2]) + 1);
    }
    const std::string bytes = kSecret;
    WriteFileText(scene.In(Saved(static_cast<int>(copy))), bytes);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 {"S", "", std::to_string(copy), std::to_string(bytes.size()),
                  Hex(Z_Crc32c(0, bytes.data(), bytes.size())), "", relative});
    for (size_t number = 1; number < lines.size(); ++number) lines[number][1] = std::to_string(number);
}

// RUN.INI changed and given its checksum again.
std::function<void(Scene&)> SignedRunRecord(std::function<void(std::string&)> change) {
    return [change](Scene& scene) {
        std::string text = ReadFileText(scene.In(kRunIni));
        const size_t checksum = text.find("Checksum=");
        ASSERT_NE(checksum, std::string::npos);
        text.erase(checksum);
        change(text);
        WriteFileText(scene.In(kRunIni), text + "Checksum=" + Hex(Z_Crc32c(0, text.data(), text.size())) + "\n");
    };
}

std::function<void(std::string&)> ReplacedLine(const std::string& from, const std::string& to) {
    return [from, to](std::string& text) {
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
}

// The home's identity as a record names it (volume and index).
std::string HomeIdentityOf(const fs::path& home) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(SystemText(home).c_str(), 0, &info)) return "";
    return std::to_string(info.volume) + ":" + std::to_string(info.index);
}

// The journal's first line that saved a page of relative.
JournalLine* PageLineOf(JournalLines& lines, const std::string& relative) {
    for (auto& line : lines) {
        if (line[0] == "P" && line.back() == relative && !line.page.empty()) return &line;
    }
    ADD_FAILURE() << "the journal saved no page of " << relative;
    static JournalLine none;
    return &none;
}

// Every name the log of a run started in the coming half minute had before
// it took a random part (the plain one, -2 to -99), the account's files.
void PlantLogNames(Scene& scene) {
    const std::time_t now = std::time(nullptr);
    for (std::time_t second = now - 2; second < now + 30; ++second) {
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&second));
        for (int number = 1; number <= 99; ++number) {
            std::string name = "system/UPGRADE-";
            name += stamp;
            if (number > 1) {
                name += '-';
                name += std::to_string(number);
            }
            name += ".LOG";
            WriteFileText(scene.In(name), "the account's\n");
            GiveToUser(scene.In(name));
        }
    }
}

// ---- the table ---------------------------------------------------------------------

enum class Start { Fresh, Interrupted };

enum class Expect {
    Stops,      // status 1 before anything changed, the message names the cause
    EndsClean,  // as a clean run of a home in the same place ends
    Untouched,  // zelhome preview: the home as it was, byte for byte
    Finishes,   // status 0; the home differs from a clean run's by design
                // (modes and owners the row gave it), the row's check says how
};

struct Row {
    std::string name;
    Start start;
    std::function<void(Scene&)> prepare;
    Expect expect;
    std::string message = "";  // a part of the output the row expects
    bool needsRoot = false;    // gives names to the server's account
    // What the row checks besides, once the run has ended.
    std::function<void(const Scene&, const ProgramResult&)> check = nullptr;
};

const std::string kRecordLink = "the upgrade's record is never read or written through one";
const std::string kAnotherHome = "was made for another home folder";
const std::string kNotOwn = "is not this home's upgrade's own: ";
const std::string kOutsideHome = "names a path that does not lie inside the home";
const std::string kJournalCut = "journal's last record was cut by a crash and is passed over";

std::string NotFollowed() {
    return "belongs to user " + std::to_string(AccountUid()) +
           ", neither the user running this nor root, and is not followed";
}

std::string AccountOwnsIt() {
    return "belongs to user " + std::to_string(AccountUid()) + ", neither the user running this nor root";
}

// ---- the server's account attacks ------------------------------------------------

#ifndef _WIN32
unsigned ModeOf(const fs::path& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) return 0;
    return static_cast<unsigned>(status.st_mode) & 07777u;
}

unsigned OwnerOf(const fs::path& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) return ~0u;
    return static_cast<unsigned>(status.st_uid);
}
#else
unsigned ModeOf(const fs::path&) { return 0; }
unsigned OwnerOf(const fs::path&) { return 0; }
#endif

void SetMode(const fs::path& path, unsigned mode) { fs::permissions(path, static_cast<fs::perms>(mode)); }

// The identities of the set-user-ID and set-group-ID files below root.
std::map<std::string, std::pair<uintmax_t, uintmax_t>> SetIdFiles(const fs::path& root) {
    std::map<std::string, std::pair<uintmax_t, uintmax_t>> found;
#ifndef _WIN32
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat status;
        if (::lstat(entry.path().c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        if ((status.st_mode & 06000) == 0) continue;
        found[entry.path().lexically_relative(root).generic_string()] = {status.st_dev, status.st_ino};
    }
#else
    (void)root;
#endif
    return found;
}

// The set-id files after a run that the run made: any that is none of the
// files that were there before (the run may move one to another name).
std::string SetIdFilesMade(const std::map<std::string, std::pair<uintmax_t, uintmax_t>>& before,
                           const fs::path& root) {
    std::set<std::pair<uintmax_t, uintmax_t>> identities;
    for (const auto& [path, identity] : before) identities.insert(identity);
    std::string made;
    for (const auto& [path, identity] : SetIdFiles(root)) {
        if (identities.count(identity) == 0) made += "  " + path + "\n";
    }
    return made;
}

// The account's set-id programs and configuration: a copy or a backup of
// any of them must not be a set-id file of root's.
// A value the merge drops, so that the run backs PROFILE.INI up.
void AddDroppedValue(Scene& scene) {
    const fs::path profile = scene.In("system/PROFILE.INI");
    WriteFileText(profile, ReadFileText(profile) + "\r\n[Dropped]\r\nKey=1\r\n");
}

std::function<void(Scene&)> AccountsSetIdFiles() {
    return [](Scene& scene) {
        AddDroppedValue(scene);
        GiveHomeToAccount(scene.home);
        SetMode(scene.In("system/PROFILE.INI"), 04755);
        SetMode(scene.In("system/LOG.INI"), 02755);
        SetMode(scene.In("bin/z40server.exe"), 04755);
        SetMode(scene.In("system/VIEW.DIC"), 06755);
    };
}

// The account's own bytes as a set-id new server program: the run, finding
// the new programs in place, copies them under the old names.
std::function<void(Scene&)> AccountsSetIdServerProgram() {
    return [](Scene& scene) {
        WriteFileText(scene.In("bin/zelserver.exe"), "the account's own program\n");
        GiveHomeToAccount(scene.home);
        SetMode(scene.In("bin/zelserver.exe"), 04755);
    };
}

// The administrator's own set-id files in a home of root's.
std::function<void(Scene&)> RootsSetIdFiles() {
    return [](Scene& scene) {
        AddDroppedValue(scene);
        SetMode(scene.In("system/PROFILE.INI"), 04755);
        SetMode(scene.In("bin/z40server.exe"), 06755);
    };
}

// A backup or a copy of the account's file is the account's, never root's.
std::function<void(const Scene&, const ProgramResult&)> CopyIsTheAccounts(const std::string& copy) {
    return [copy](const Scene& scene, const ProgramResult&) {
        ASSERT_TRUE(fs::is_regular_file(scene.In(copy))) << copy;
        EXPECT_EQ(OwnerOf(scene.In(copy)), AccountUid()) << copy;
        EXPECT_EQ(ModeOf(scene.In(copy)) & 06000u, 0u) << copy;
    };
}

// The record as the account would leave it had it made it anew with
// valid checksums: its folder and every file in it the account's (it
// cannot write root's own, so it renames root's folder away and makes its
// own).
void GiveRecordToAccount(Scene& scene) {
    if (fs::exists(scene.In(kRecord))) {
        if (const ServerAccount* account = TheServerAccount()) GiveTreeToAccount(scene.In(kRecord), *account);
    }
}

std::function<void(Scene&)> AccountsRecord(std::function<void(Scene&)> forge) {
    return [forge](Scene& scene) {
        GiveHomeToAccount(scene.home);
        forge(scene);
        GiveRecordToAccount(scene);
    };
}

void CheckForeignRecordMessage(const Scene&, const ProgramResult& result) {
    EXPECT_TRUE(Contains(result.output, AccountOwnsIt())) << result.output;
    EXPECT_TRUE(Contains(result.output, "zelhome forget-run")) << result.output;
}

// The way out the message names: zelhome forget-run removes what is not the
// upgrade's own (asked, and answered yes), and the next run goes through.
void ForgetRunMends(const Scene& scene, const ProgramResult& result) {
    CheckForeignRecordMessage(scene, result);
    const ProgramResult forgot =
        RunProgram(NativePath(BuiltZelhome()), {"forget-run", SystemText(scene.home)}, "yes\n");
    EXPECT_EQ(forgot.exitCode, 0) << forgot.output;
    for (const char* name : {kRecord, "system/OLDSERVICE.INF", "system/SERVICE.INF", "system/UPGRADE.LCK"}) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(scene.In(name)))) << name << " is left\n" << forgot.output;
    }
    const ProgramResult again = scene.Upgrade();
    EXPECT_EQ(again.exitCode, 0) << again.output;
}

// A damaged record given up: forget-run removes it, journal and all.
void ForgetRunRemovesTheJournal(const Scene& scene, const ProgramResult&) {
    const ProgramResult forgot =
        RunProgram(NativePath(BuiltZelhome()), {"forget-run", SystemText(scene.home)}, "yes\n");
    EXPECT_EQ(forgot.exitCode, 0) << forgot.output;
    EXPECT_FALSE(fs::exists(fs::symlink_status(scene.In(kRecord)))) << forgot.output;
}

// A file of the account's in the home's system folder under one of the
// run's own names.
std::function<void(Scene&)> AccountsSystemFile(const std::string& name, const std::string& text) {
    return [name, text](Scene& scene) {
        GiveHomeToAccount(scene.home);
        WriteFileText(scene.In("system/" + name), text);
        GiveToUser(scene.In("system/" + name));
    };
}

// What PROFILE.INI holds that only root may read: a value the merge drops
// (and names in its summary and log).
const std::string kRootOnlyValue = "rootonly-4711";

std::vector<Row> Rows() {
    using S = Start;
    using E = Expect;
    auto asLeft = [](Scene&) {};
    return {
        // A link at a work name is removed as a name; the work file is made
        // anew where it stood, and the link's target keeps every byte.
        {"link at system/VIEW.DIC.NEW", S::Fresh, LinkOut("system/VIEW.DIC.NEW"), E::EndsClean},
        {"link at bin/zelserver.exe.zel-copy", S::Fresh, LinkOut("bin/zelserver.exe.zel-copy"), E::EndsClean},
        {"link at system/PROFILE.INI.NEW", S::Fresh, LinkOut("system/PROFILE.INI.NEW"), E::EndsClean},
        {"link at system/PROFILE.NEW", S::Fresh, LinkOut("system/PROFILE.NEW"), E::EndsClean},
        {"link at system/LOG.INI.NEW", S::Fresh, LinkOut("system/LOG.INI.NEW"), E::EndsClean},
        {"link at the kernel's dict/DB12.dat.new", S::Fresh, LinkOut("dict/DB12.dat.new"), E::EndsClean},
        {"link at the kernel's dict/ZEL_Ambiguous.GB.new", S::Fresh, LinkOut("dict/ZEL_Ambiguous.GB.new"),
         E::EndsClean},
        {"link at UPGRADE.RUN/RUN.INI.NEW", S::Fresh,
         [](Scene& scene) {
             fs::create_directories(scene.In(kRecord));
             Link(scene.In(std::string(kRunIni) + ".NEW"), scene.Outside() / "secret");
         },
         E::EndsClean},
        {"links at JOURNAL/JOURNAL.NEW and a left-over SAVED.1", S::Fresh,
         [](Scene& scene) {
             fs::create_directories(scene.In(kJournalDir));
             Link(scene.In(std::string(kJournal) + ".NEW"), scene.Outside() / "secret");
             Link(scene.In(Saved(1)), scene.Outside() / "secret");
         },
         E::EndsClean},
        {"link at system/VIEW.DIC.zel-undo during the put-back", S::Interrupted, LinkOut("system/VIEW.DIC.zel-undo"),
         E::EndsClean},
        // The put-back itself ended between a saved file's second name beside
        // its recorded one and its move there: the next run clears the work
        // name and puts everything back.
        {"the put-back killed between its link and its move", S::Interrupted,
         PutBackKilledAt("fs.Rename@Z_UndoFileJournal"), E::EndsClean},
        {"folder at system/VIEW.DIC.zel-undo during the put-back", S::Interrupted,
         [](Scene& scene) { fs::create_directories(scene.In("system/VIEW.DIC.zel-undo")); }, E::Stops,
         "a work name of the undo"},
        {"link at dict/ZEL_Ambiguous.BIG.zel-undo during the put-back", S::Interrupted,
         LinkOut("dict/ZEL_Ambiguous.BIG.zel-undo"), E::EndsClean},
        {"link at the half-written dict/ZEL_Ambiguous.GB.new", S::Interrupted, LinkOut("dict/ZEL_Ambiguous.GB.new"),
         E::EndsClean},
        {"link at system/VIEW.DIC.NEW to a folder outside", S::Fresh,
         [](Scene& scene) { Link(scene.In("system/VIEW.DIC.NEW"), scene.Outside() / "folder"); }, E::EndsClean},
        {"hard link at system/VIEW.DIC.NEW to a file outside", S::Fresh,
         [](Scene& scene) { fs::create_hard_link(scene.Outside() / "secret", scene.In("system/VIEW.DIC.NEW")); },
         E::EndsClean},
        {"named pipe at system/VIEW.DIC.NEW", S::Fresh, Pipe("system/VIEW.DIC.NEW"), E::EndsClean},
        // A file with a second name outside the home is replaced, never
        // changed in place, and so is one the put-back gives its bytes again.
        {"system/CONFIG.DIC with a hard link outside", S::Fresh, HardLinkOut("system/CONFIG.DIC"), E::EndsClean},
        {"system/CONFIG.DIC with a hard link outside, put back", S::Interrupted, HardLinkOut("system/CONFIG.DIC"),
         E::EndsClean},

        // The record's own names are never taken through a link, whoever
        // made it.
        {"system/UPGRADE.RUN a link", S::Interrupted, MovedOut(kRecord), E::Stops, kRecordLink},
        {"UPGRADE.RUN/RUN.INI a link", S::Interrupted, MovedOut(kRunIni), E::Stops, kRecordLink},
        {"UPGRADE.RUN/JOURNAL a link", S::Interrupted, MovedOut(kJournalDir), E::Stops, kRecordLink},
        {"JOURNAL/JOURNAL a link", S::Interrupted, MovedOut(kJournal), E::Stops, kRecordLink},
        {"JOURNAL/SAVED.4 a link", S::Interrupted, MovedOut(Saved(4)), E::Stops, "SAVED.4 is not a file"},
        {"JOURNAL/SAVED.4 a hard link of a file outside", S::Interrupted, HardLinkOut(Saved(4)), E::Stops,
         "SAVED.4 has other names"},
        {"system/OLDSERVICE.INF a link", S::Fresh, LinkOut("system/OLDSERVICE.INF"), E::Stops, kRecordLink},
        {"dangling link at system/UPGRADE.LCK", S::Fresh,
         [](Scene& scene) { Link(scene.In("system/UPGRADE.LCK"), scene.Outside() / "made-by-the-lock"); },
         E::EndsClean},

        // Links the administrator made are followed; the same links made by
        // the server's account stop the run before anything changes.
        {"system/PROFILE.INI root's link", S::Fresh, AdminLink("system/PROFILE.INI"), E::EndsClean},
        {"system/PROFILE.INI another user's link", S::Fresh, OtherUsersLink("system/PROFILE.INI"), E::Stops,
         NotFollowed(), true},
        {"bin root's link", S::Fresh, AdminLink("bin"), E::EndsClean},
        {"bin another user's link", S::Fresh, OtherUsersLink("bin"), E::Stops, NotFollowed(), true},
        {"system root's link", S::Fresh, AdminLink("system"), E::EndsClean},
        {"system another user's link", S::Fresh, OtherUsersLink("system"), E::Stops, NotFollowed(), true},
        // The journal saves and puts back through the administrator's links.
        {"system root's link, the run interrupted", S::Fresh, Both(AdminLink("system"), Interrupted()), E::EndsClean},
        {"system/FORMAT.DIC root's link, the run interrupted", S::Fresh,
         Both(AdminLink("system/FORMAT.DIC"), Interrupted()), E::EndsClean},

        // Lines that lead out of the home, signed as the program signs them.
        {"journal line naming an absolute path", S::Interrupted, SignedJournal([](Scene& scene, JournalLines& lines) {
             LineNaming(lines, "system/VIEW.DIC")->back() = (scene.Outside() / "secret").generic_string();
         }),
         E::Stops, kOutsideHome},
        {"journal line naming ../outside/secret", S::Interrupted, SignedJournal([](Scene&, JournalLines& lines) {
             LineNaming(lines, "dict/DB11.dat")->back() = "../outside/secret";
         }),
         E::Stops, kOutsideHome},
        {"journal line naming system/../../outside/secret", S::Interrupted,
         SignedJournal([](Scene&, JournalLines& lines) {
             LineNaming(lines, "system/VIEW.DIC")->back() = "system/../../outside/secret";
         }),
         E::Stops, kOutsideHome},
        // A last line that fails its checksum, with nothing after it: the
        // bytes of a write a crash cut, whose change was never made.
        {"journal line added", S::Interrupted, Appended(kJournal, "C 27 00000000 system/PROFILE.INI\n"), E::EndsClean,
         kJournalCut},
        {"journal's last line bit-flipped", S::Interrupted, [](Scene& scene) { FlippedInLine(kJournal, JournalLineCount(scene))(scene); },
         E::EndsClean, kJournalCut},
        {"journal line added and signed, naming a recorded file again", S::Interrupted,
         SignedJournal([](Scene&, JournalLines& lines) {
             lines.push_back({"C", std::to_string(lines.size()), "", "system/VIEW.DIC"});
         }),
         E::Stops, "names a file the journal cannot have recorded: system/VIEW.DIC"},
        {"journal line added and signed, no file where pages were saved", S::Interrupted,
         SignedJournal([](Scene&, JournalLines& lines) {
             lines.push_back({"C", std::to_string(lines.size()), "", "system/CONFIG.DIC"});
         }),
         E::Stops, "says there was no file where pages of one were saved: system/CONFIG.DIC"},
        {"journal line signed, naming a missing copy", S::Interrupted,
         SignedJournal([](Scene&, JournalLines& lines) { (*LineNaming(lines, "system/VIEW.DIC"))[2] = "99"; }),
         E::Stops, "SAVED.99 is missing"},
        {"journal line signed, with a wrong length", S::Interrupted,
         SignedJournal([](Scene&, JournalLines& lines) { (*LineNaming(lines, "system/VIEW.DIC"))[3] = "311"; }),
         E::Stops, "SAVED.1 holds 312 bytes, the journal says 311"},
        {"journal lines signed, out of their order", S::Interrupted,
         SignedJournal([](Scene&, JournalLines& lines) { std::swap(lines[3], lines[4]); }), E::Stops,
         "comes out of its place"},
        // Lines whose every check passes, naming what the put-back cannot
        // put back: the journal is refused before its first file goes back,
        // not obeyed up to the line that fails.
        {"journal line signed, saving a folder", S::Interrupted,
         SignedJournal([](Scene& scene, JournalLines& lines) { InsertSavedLine(scene, lines, 8, "bin"); }), E::Stops,
         "line 9 saved the file bin, and a folder is there now"},
        {"journal line signed, through another user's link below the searched depth", S::Interrupted,
         Both(
             [](Scene& scene) {
                 fs::create_directories(scene.In("data/news/a/b/c"));
                 Link(scene.In("data/news/a/b/c/evil"), scene.Outside() / "folder");
                 GiveToUser(scene.In("data/news/a/b/c/evil"));
             },
             SignedJournal([](Scene& scene, JournalLines& lines) {
                 InsertSavedLine(scene, lines, 8, "data/news/a/b/c/evil/kept");
             })),
         E::Stops, NotFollowed(), true},
        {"folder of saved files deleted", S::Interrupted, Removed("dict"), E::Stops,
         "line 23 saved the file dict/ZEL_Ambiguous.BIG, and its folder is gone"},
        {"journal made for another folder", S::Interrupted,
         SignedJournal([](Scene&, JournalLines& lines) { lines[0][3] = "1"; }), E::Stops, kAnotherHome},

        {"saved copy missing", S::Interrupted, Removed(Saved(4)), E::Stops, "SAVED.4 is missing"},
        {"saved file bit-flipped", S::Interrupted, BitFlipped(Saved(1), 200), E::Stops, "SAVED.1 fails its checksum"},
        {"saved file longer", S::Interrupted, Appended(Saved(1), "x"), E::Stops,
         "SAVED.1 holds 313 bytes, the journal says 312"},
        {"journal emptied", S::Interrupted, CutTo(kJournal, 0), E::Stops,
         "its first line is not a whole journal header"},
        {"journal cut in its header", S::Interrupted, CutTo(kJournal, 20), E::Stops,
         "its first line is not a whole journal header"},
        {"journal cut in its seventh line", S::Interrupted,
         [](Scene& scene) {
             const std::string text = ReadFileText(scene.In(kJournal));
             fs::resize_file(scene.In(kJournal), JournalLineStart(text, 7) + 10);
         },
         E::Stops, "SAVED.2 is named by none of its lines"},
        // Whole lines lost from the end: the files they named stay changed
        // after an undo (here the four BIG lexicons would stay under their
        // BIG5 names); the SAVED files beyond the last line's tell.
        {"journal cut after its twenty-second line", S::Interrupted,
         [](Scene& scene) {
             const std::string text = ReadFileText(scene.In(kJournal));
             fs::resize_file(scene.In(kJournal), JournalLineStart(text, 23));
         },
         E::Stops, "SAVED.3 is named by none of its lines"},
        {"journal bit-flipped", S::Interrupted, FlippedInLine(kJournal, 3), E::Stops, "line 3 fails its checksum",
         false, ForgetRunRemovesTheJournal},
        {"journal huge (sparse, 65 MiB)", S::Interrupted, Huge(kJournal), E::Stops, "is longer than any journal line"},
        {"journal deleted, RUN.INI saying Journal=1", S::Interrupted, Removed(kJournal), E::Stops,
         "says the dictionary phase kept a journal"},
        {"journal folder deleted, RUN.INI saying Journal=1", S::Interrupted, Removed(kJournalDir), E::Stops,
         "says the dictionary phase kept a journal"},
        {"journal without RUN.INI", S::Interrupted, Removed(kRunIni), E::Stops, "is there without"},
        {"JOURNAL without RUN.INI, made by hand in a fresh home", S::Fresh,
         [](Scene& scene) {
             fs::create_directories(scene.In(kJournalDir));
             WriteFileText(scene.In(kJournal), "ZELJOURNAL 2 1 1 system/UPGRADE.RUN 00000000\n");
         },
         E::Stops, "JOURNAL is damaged"},
        // A run killed between the opening of its journal and its first
        // record leaves a journal that records nothing: no damage, and the
        // next run ends as a clean one.
        {"a journal that records nothing, without RUN.INI", S::Fresh,
         [](Scene& scene) {
             SetEnvironment("ZEL_FAULT", "Z_ReplaceFile:1");
             SetEnvironment("ZEL_FAULT_END", "kill");
             scene.Upgrade();
             UnsetEnvironment("ZEL_FAULT");
             UnsetEnvironment("ZEL_FAULT_END");
             ASSERT_TRUE(fs::is_regular_file(scene.In(kJournal))) << "the killed run left no journal";
             ASSERT_FALSE(fs::exists(scene.In(kRunIni))) << "the killed run wrote its record";
         },
         E::EndsClean},

        {"a run killed after its journal ended", S::Fresh, KilledAfterTheJournalEnded([](Scene&) {}), E::EndsClean},
        {"JOURNAL.GONE deleted after the journal ended, RUN.INI saying Journal=1", S::Fresh,
         KilledAfterTheJournalEnded([](Scene& scene) { fs::remove(scene.In(kJournal + std::string(".GONE"))); }),
         E::Stops, "says the dictionary phase kept a journal"},

        {"RUN.INI emptied", S::Interrupted, CutTo(kRunIni, 0), E::Stops, "it is cut short"},
        {"RUN.INI cut short", S::Interrupted, CutTo(kRunIni, 40), E::Stops, "RUN.INI: it is cut short"},
        {"RUN.INI bit-flipped", S::Interrupted, BitFlipped(kRunIni, 3), E::Stops, "its checksum does not match"},
        {"RUN.INI huge (sparse, 65 MiB)", S::Interrupted, Huge(kRunIni), E::Stops, "more than any record of a run"},
        {"RUN.INI signed, Journal=2", S::Interrupted, SignedRunRecord(ReplacedLine("Journal=1", "Journal=2")), E::Stops,
         "the line \"Journal=2\" is none a run writes"},
        {"RUN.INI signed, Journal=0 with a journal", S::Interrupted,
         SignedRunRecord(ReplacedLine("Journal=1", "Journal=0")), E::EndsClean},
        {"RUN.INI signed, an unknown key", S::Interrupted,
         SignedRunRecord([](std::string& text) { text += "Path=/etc\n"; }), E::Stops,
         "the line \"Path=/etc\" is none a run writes"},
        {"RUN.INI signed, LexiconCharset=17", S::Interrupted,
         SignedRunRecord([](std::string& text) { text += "LexiconCharset=17\n"; }), E::Stops,
         "the line \"LexiconCharset=17\" is none a run writes"},
        {"RUN.INI signed, a key twice", S::Interrupted,
         SignedRunRecord([](std::string& text) { text += "ProfileMissing=1\n"; }), E::Stops,
         "the line \"ProfileMissing=1\" is none a run writes"},
        {"RUN.INI signed, without Home", S::Interrupted,
         SignedRunRecord([](std::string& text) { text.erase(text.find("Home=")); }), E::Stops, "it lacks Home"},
        {"RUN.INI signed, naming another home", S::Interrupted,
         SignedRunRecord([](std::string& text) { text.replace(text.find("Home=") + 5, 1, "9"); }), E::Stops,
         kAnotherHome},
        {"RUN.INI a named pipe", S::Interrupted, Both(Removed(kRunIni), Pipe(kRunIni)), E::Stops,
         "RUN.INI is not a file"},
        {"system/UPGRADE.RUN a file", S::Fresh, [](Scene& scene) { WriteFileText(scene.In(kRecord), kSecret); },
         E::Stops, "UPGRADE.RUN is not a folder"},
        {"RUN.INI made by hand in a fresh home", S::Fresh,
         [](Scene& scene) {
             fs::create_directories(scene.In(kRecord));
             WriteFileText(scene.In(kRunIni), "ServerProgramAbsent=0\nJournal=1\n");
         },
         E::Stops, "its checksum does not match"},

        // An interrupted home moved in its volume keeps its identity, and its
        // record; a copy's record was made for another home, and is refused
        // before it touches either.
        {"interrupted home moved", S::Interrupted, [](Scene& scene) { scene.MoveHome("moved"); }, E::EndsClean},
        {"interrupted home copied", S::Interrupted, [](Scene& scene) { scene.CopyHome("copy"); }, E::Stops,
         kAnotherHome},

        {"zelhome preview of an interrupted home", S::Interrupted, asLeft, E::Untouched},

        // The home belongs to the server's account, which planted the links.
        {"home of another user", S::Fresh, OtherUsersHome(), E::EndsClean, "", true},
        {"home of another user, its link at system/VIEW.DIC.NEW", S::Fresh,
         Both(OtherUsersHome(), OtherUsersLinkOut("system/VIEW.DIC.NEW")), E::Stops, NotFollowed(), true},
        {"home of another user, its link at dict/DB1.dat", S::Fresh,
         Both(OtherUsersHome(), OtherUsersLink("dict/DB1.dat")), E::Stops, NotFollowed(), true},
        {"home of another user, its dangling link at system/UPGRADE.LCK", S::Fresh,
         Both(OtherUsersHome(),
              [](Scene& scene) {
                  Link(scene.In("system/UPGRADE.LCK"), scene.Outside() / "made-by-the-lock");
                  GiveToUser(scene.In("system/UPGRADE.LCK"));
              }),
         E::EndsClean, "", true},
        {"interrupted home of another user, its link at system/CONFIG.DIC, to be put back", S::Interrupted,
         Both(OtherUsersHome(), OtherUsersLink("system/CONFIG.DIC")), E::Stops, NotFollowed(), true},
        {"interrupted home of another user, its link at JOURNAL/SAVED.2", S::Interrupted,
         Both(OtherUsersHome(), OtherUsersLink(Saved(2))), E::Stops, NotFollowed(), true},

        // Set-id files: no copy, backup or replacement the run makes is
        // set-id; a backup of the account's file is the account's.
        {"set-id files of the server's account (PROFILE.INI, LOG.INI, bin/z40server.exe, VIEW.DIC)", S::Fresh,
         AccountsSetIdFiles(), E::Finishes, "", true, CopyIsTheAccounts("system/PROFILE.INI.BAK")},
        {"the account's set-id bin/zelserver.exe, copied under the old names", S::Fresh, AccountsSetIdServerProgram(),
         E::Finishes, "", true, CopyIsTheAccounts("bin/z40server.exe")},
        {"root's set-id PROFILE.INI and bin/z40server.exe", S::Fresh, RootsSetIdFiles(), E::Finishes, "", false,
         [](const Scene& scene, const ProgramResult&) {
             EXPECT_EQ(ModeOf(scene.In("system/PROFILE.INI.BAK")), 0755u);
             EXPECT_EQ(ModeOf(scene.In("system/PROFILE.INI")), 0755u);
         }},

        // A backup is the replaced file itself, kept by a second name; a
        // file with a name outside the home is copied, so that the backup
        // is no name of a file the home does not hold.
        {"the administrator's read-only LOG.INI, kept as its own backup", S::Fresh, AdminsLogSettings(0440),
         E::Finishes, "", false,
         [](const Scene& scene, const ProgramResult&) {
             EXPECT_EQ(ReadFileText(scene.In("system/LOG.INI.BAK")), kAdminsLogSettings);
             EXPECT_EQ(fs::hard_link_count(scene.In("system/LOG.INI.BAK")), 1u);
#ifndef _WIN32
             EXPECT_EQ(ModeOf(scene.In("system/LOG.INI.BAK")), 0440u) << "a copy, not the file itself";
#endif
         }},
        {"LOG.INI with a hard link outside, backed up by a copy", S::Fresh,
         Both(AdminsLogSettings(0644), HardLinkOut("system/LOG.INI")), E::Finishes, "", false,
         [](const Scene& scene, const ProgramResult&) {
             EXPECT_EQ(ReadFileText(scene.In("system/LOG.INI.BAK")), kAdminsLogSettings);
             EXPECT_EQ(ReadFileText(scene.Outside() / "LOG.INI"), kAdminsLogSettings);
             EXPECT_EQ(fs::hard_link_count(scene.Outside() / "LOG.INI"), 1u) << "the backup is a name of it";
         }},

        // Records the server's account wrote, every checksum valid: refused,
        // whatever they say, before anything changes.
        {"the account's RUN.INI, signed, keeping the old programs", S::Fresh,
         AccountsRecord([](Scene& scene) {
             fs::create_directories(scene.In(kRecord));
             WriteFileText(scene.In(kRunIni), "ServerProgramAbsent=0\nProfileMissing=1\nOldProgramsFound=1\n"
                                              "Journal=0\nHome=" + HomeIdentityOf(scene.home) + "\nChecksum=0\n");
             SignedRunRecord([](std::string&) {})(scene);
         }),
         E::Stops, kNotOwn, true, ForgetRunMends},
        {"the account's journal, a saved page of its own for system/CONFIG.DIC", S::Interrupted,
         AccountsRecord(SignedJournal([](Scene&, JournalLines& lines) {
             JournalLine& page = *PageLineOf(lines, "system/CONFIG.DIC");
             page.page.assign(page.page.size(), 'A');
             page[4] = Hex(Z_Crc32c(0, page.page.data(), page.page.size()));
         })),
         E::Stops, kNotOwn, true, CheckForeignRecordMessage},
        {"the account's journal, a saved copy of its own for bin/zemmaster.exe", S::Interrupted,
         AccountsRecord(SignedJournal(
             [](Scene& scene, JournalLines& lines) { InsertSavedLine(scene, lines, 8, "bin/zemmaster.exe"); })),
         E::Stops, kNotOwn, true, CheckForeignRecordMessage},
        {"the account's journal, a root-only file it says the run made", S::Interrupted,
         Both(
             [](Scene& scene) {
                 WriteFileText(scene.In("system/ROOTONLY.DAT"), kSecret);
                 SetMode(scene.In("system/ROOTONLY.DAT"), 0600);
             },
             AccountsRecord(SignedJournal([](Scene&, JournalLines& lines) {
                 lines.push_back({"C", std::to_string(lines.size()), "", "system/ROOTONLY.DAT"});
             }))),
         E::Stops, kNotOwn, true, CheckForeignRecordMessage},
        {"the account's journal, a file it says the run removed (bin/planted.exe)", S::Interrupted,
         AccountsRecord(SignedJournal(
             [](Scene& scene, JournalLines& lines) { InsertSavedLine(scene, lines, 8, "bin/planted.exe"); })),
         E::Stops, kNotOwn, true, CheckForeignRecordMessage},
        {"the account's RUN.INI, signed, naming another home", S::Interrupted,
         AccountsRecord(SignedRunRecord([](std::string& text) { text.replace(text.find("Home=") + 5, 1, "9"); })),
         E::Stops, kNotOwn, true, CheckForeignRecordMessage},
        {"the account's OLDSERVICE.INF, a service owed", S::Fresh,
         AccountsSystemFile("OLDSERVICE.INF", "[RemovedService]\r\nName=ZEL40SERVICE\r\n"), E::Stops, kNotOwn, true,
         ForgetRunMends},
        {"the account's SERVICE.INF, naming another service", S::Fresh, AccountsSystemFile("SERVICE.INF", "sshd"),
         E::Stops, kNotOwn, true, ForgetRunMends},
        {"the account's UPGRADE.LCK", S::Fresh, AccountsSystemFile("UPGRADE.LCK", ""), E::Stops, kNotOwn, true,
         ForgetRunMends},
        // Root's record, but others may write it: nobody can tell who did.
        {"RUN.INI that others may write", S::Interrupted, [](Scene& scene) { SetMode(scene.In(kRunIni), 0666); },
         E::Stops, "group or others may write it (mode 0666)"},
        {"UPGRADE.RUN that others may write", S::Interrupted, [](Scene& scene) { SetMode(scene.In(kRecord), 0777); },
         E::Stops, "group or others may write it (mode 0777)"},
        {"JOURNAL folder that others may write", S::Interrupted,
         [](Scene& scene) { SetMode(scene.In(kJournalDir), 0777); }, E::Stops,
         "group or others may write it (mode 0777)"},

        // A root-only file linked into the home: nothing the run leaves
        // lets the account read what it holds (the log is root's alone).
        {"PROFILE.INI a hard link to a root-only file", S::Fresh,
         [](Scene& scene) {
             GiveHomeToAccount(scene.home);
             const fs::path rootOnly = scene.Outside() / "rootonly.ini";
             std::string text = ReadFileText(scene.In("system/PROFILE.INI"));
             ReplaceAll(text, "LowLimit=64", "Password=" + kRootOnlyValue + "\r\nLowLimit=64");
             WriteFileText(rootOnly, text);
             SetMode(rootOnly, 0600);
             fs::remove(scene.In("system/PROFILE.INI"));
             fs::create_hard_link(rootOnly, scene.In("system/PROFILE.INI"));
         },
         E::Finishes, "", true,
         [](const Scene& scene, const ProgramResult& result) {
             const std::vector<std::string> readable =
                 ReadableByAccount(*TheServerAccount(), scene.home, kRootOnlyValue);
             for (const std::string& path : readable) ADD_FAILURE() << "the account can read " << path;
             const std::vector<fs::path> logs = RunLogs(scene.home);
             ASSERT_EQ(logs.size(), 1u);
             EXPECT_TRUE(Contains(ReadFileText(logs.front()), kRootOnlyValue)) << "the row tests no dropped value";
             EXPECT_EQ(ModeOf(logs.front()), 0600u);
             (void)result;
         }},

        // A configuration file no real one comes near: refused before the
        // first change, by its size, never read.
        {"PROFILE.INI of 200 MB", S::Fresh, CutTo("system/PROFILE.INI", 200u << 20), E::Stops,
         "holds 209715200 bytes, more than the 16777216 bytes (16 MiB)"},
        {"LOG.INI of 17 MiB", S::Fresh, CutTo("system/LOG.INI", 17u << 20), E::Stops,
         "holds 17825792 bytes, more than the 16777216 bytes (16 MiB)"},

        // Every name a log of this minute could have had before, taken by
        // the account: the run makes its log all the same.
        {"99 log names planted for every second of the coming half minute", S::Fresh,
         [](Scene& scene) {
             GiveHomeToAccount(scene.home);
             PlantLogNames(scene);
         },
         E::EndsClean, "", true,
         [](const Scene& scene, const ProgramResult& result) {
             const std::string marker = "The log of this run: ";
             const size_t at = result.output.find(marker);
             ASSERT_NE(at, std::string::npos) << result.output;
             const size_t end = result.output.find_first_of("\r\n", at);
             const fs::path log = result.output.substr(at + marker.size(), end - at - marker.size());
             EXPECT_TRUE(Contains(ReadFileText(log), "Exit status: 0")) << log;
             EXPECT_EQ(OwnerOf(log), 0u);
             EXPECT_EQ(ModeOf(log), 0600u);
             EXPECT_EQ(log.parent_path(), scene.In("system"));
         }},
    };
}

// Everything a run leaves that a clean run's must equal.
struct Outcome {
    int status = -1;
    Snapshot home;
    std::string dump;
};

Outcome Observe(const Scene& scene, int status) {
    Outcome outcome;
    outcome.status = status;
    outcome.home = AsSeen(scene.home, scene.Root());
    const ProgramResult dumped = scene.Dump();
    outcome.dump = dumped.exitCode == 0 ? dumped.output : "zelhome dump failed: " + dumped.output;
    ReplaceAll(outcome.dump, scene.Root().string(), "<WORLD>");
    return outcome;
}

// A clean run over a home in the place a row's run works: the world's home,
// or the home moved or copied before the run.
Outcome CleanRun(const std::string& place) {
    Scene scene;
    if (!scene.Made()) return {};
    if (place == "moved") scene.MoveHome(place);
    return Observe(scene, scene.Upgrade().exitCode);
}

std::string FirstErrorLine(const std::string& output) {
    const size_t at = output.find("ERROR");
    if (at == std::string::npos) return "";
    const size_t end = output.find_first_of("\r\n", at);
    return ": " + output.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

TEST(HostileHome, EveryRowStopsBeforeAChangeOrEndsAsACleanRun) {
    std::map<std::string, Outcome> clean;
    for (const char* place : {"home", "moved"}) {
        clean[place] = CleanRun(place);
        ASSERT_FALSE(clean[place].home.empty()) << "the clean run in " << place << " could not be made";
    }
    ASSERT_EQ(clean["home"].status, 0);
    ASSERT_EQ(clean["moved"].status, 0);

    const bool root = TheServerAccount() != nullptr;
    int tried = 0, stopped = 0, endedClean = 0, finished = 0, skipped = 0;
    for (const Row& row : RowSample().Of(Rows())) {
        if (row.needsRoot && !root) {
            std::printf("[ row ] %-62s skipped: not root\n", row.name.c_str());
            ++skipped;
            continue;
        }
        SCOPED_TRACE(row.name);
        ++tried;
        Scene scene;
        ASSERT_TRUE(scene.Made());
        if (row.start == Start::Interrupted) {
            ASSERT_TRUE(scene.Interrupt()) << "the killed run left no journal where the table expects one";
        }
        row.prepare(scene);
        if (::testing::Test::HasFatalFailure()) return;
        const Snapshot homeBefore = Exactly(scene.home);
        const auto setIdBefore = SetIdFiles(scene.home);
        std::vector<Snapshot> untouchable;
        for (const fs::path& folder : scene.untouchable) untouchable.push_back(Exactly(folder));

        const ProgramResult result = row.expect == Expect::Untouched ? scene.Preview() : scene.Upgrade();
        const std::string output = "the run's output:\n" + result.output;

        for (size_t i = 0; i < scene.untouchable.size(); ++i) {
            const std::string changed = Differences(untouchable[i], Exactly(scene.untouchable[i]));
            EXPECT_TRUE(changed.empty()) << "outside the home, in " << scene.untouchable[i] << ":\n"
                                         << changed << output;
        }
        const std::string setIdMade = SetIdFilesMade(setIdBefore, scene.home);
        EXPECT_TRUE(setIdMade.empty()) << "set-id files the run made:\n" << setIdMade << output;
        EXPECT_TRUE(Contains(result.output, row.message)) << "expected \"" << row.message << "\"\n" << output;
        switch (row.expect) {
            case Expect::Stops: {
                ++stopped;
                EXPECT_EQ(result.exitCode, 1) << output;
                const std::string changed = Differences(homeBefore, Exactly(scene.home));
                EXPECT_TRUE(changed.empty()) << "the home changed:\n" << changed << output;
                break;
            }
            case Expect::EndsClean: {
                ++endedClean;
                const std::string place = scene.home.filename().string();
                const Outcome& expected = clean[place];
                Outcome found = Observe(scene, result.exitCode);
                // A stop takes away the record it made, and leaves the one of
                // the run it went on from.
                if (expected.status == 1) {
                    std::erase_if(found.home,
                                  [](const auto& entry) { return entry.first.rfind("system/UPGRADE.RUN", 0) == 0; });
                }
                EXPECT_EQ(found.status, expected.status) << output;
                const std::string changed = Differences(expected.home, found.home);
                EXPECT_TRUE(changed.empty()) << "the home differs from a clean run's:\n" << changed << output;
                EXPECT_TRUE(found.dump == expected.dump) << "the dictionary differs from a clean run's\n" << output;
                break;
            }
            case Expect::Untouched: {
                ++stopped;
                const std::string changed = Differences(homeBefore, Exactly(scene.home));
                EXPECT_TRUE(changed.empty()) << "zelhome preview changed the home it promises to leave as it "
                                                "was:\n"
                                             << changed << output;
                break;
            }
            case Expect::Finishes:
                ++finished;
                EXPECT_EQ(result.exitCode, 0) << output;
                break;
        }
        if (row.check) row.check(scene, result);
        std::printf("[ row ] %-62s exit %d%s\n", row.name.c_str(), result.exitCode,
                    FirstErrorLine(result.output).c_str());
    }
    std::printf(
        "[ table ] %d rows run: %d end as a clean run, %d finish, %d stop or leave the home as it was; %d rows "
        "skipped (not root: they give names to the server's account)\n",
        tried, endedClean, finished, stopped, skipped);
}

// zelhome preview copies the home (a root-only file linked into it among the
// rest) and runs the upgrade on the copy in a folder of the temporary folder
// that only the user running the preview may enter, from the moment it is
// made until it goes.
TEST(HostileHome, PreviewWorksInAFolderOfItsOwn) {
    Scene scene;
    ASSERT_TRUE(scene.Made());
    const fs::path temp = scene.Root() / "temp";
    fs::create_directories(temp);
    const char* saved = std::getenv("TMPDIR");
    const std::string before = saved != nullptr ? saved : "";
    SetEnvironment("TMPDIR", temp.string());
    std::atomic<bool> done{false};
    std::set<unsigned> modes;
    std::thread watcher([&] {
        while (!done) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(temp, error)) {
                if (entry.path().filename().string().rfind("zelhome-preview-", 0) == 0) {
                    modes.insert(ModeOf(entry.path()));
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const ProgramResult result = scene.Preview();
    done = true;
    watcher.join();
    if (saved != nullptr) {
        SetEnvironment("TMPDIR", before);
    } else {
        UnsetEnvironment("TMPDIR");
    }
    EXPECT_EQ(result.exitCode, 0) << result.output;
    ASSERT_FALSE(modes.empty()) << "the preview's folder was never seen";
    for (const unsigned mode : modes) EXPECT_EQ(mode, 0700u);
}

}  // namespace
}  // namespace zel::testing
