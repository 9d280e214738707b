#include "preview_blockers.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "dict_files.h"
#include "home_checks.h"
#include "home_paths.h"
#include "phase_one_checks.h"
#include "run_record_file.h"
#include "space_needed.h"
#include "zelkit.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

// A blocker as the report lists it: what is wrong, and under it what to do.
std::vector<std::string> Lines(const CheckFindings& findings) {
    std::vector<std::string> lines;
    for (const Blocker& blocker : findings.blockers) lines.push_back(blocker.what + "\n    to do: " + blocker.todo);
    return lines;
}

// Opening for update writes nothing, and answers as the upgrade's writes
// would: a read-only attribute on Windows, permissions elsewhere (which do
// not stop the superuser).
bool Writable(const fs::path& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    return file.is_open();
}

bool WritableDirectory(const fs::path& path) {
    std::error_code error;
    const fs::perms perms = fs::status(path, error).permissions();
    return error || (perms & fs::perms::owner_write) != fs::perms::none;
}

void CheckWritable(const std::string& home, std::vector<std::string>* blockers) {
    const fs::path root = PathFromText(home);
    for (const char* directory : {"", "bin", "system", "dict"}) {
        std::error_code error;
        const fs::path path = directory[0] == '\0' ? root : root / directory;
        if (fs::is_directory(path, error) && !WritableDirectory(path)) {
            blockers->push_back(std::string("read-only directory: ") + (directory[0] == '\0' ? "HOME" : directory));
        }
    }
    std::vector<std::string> files;
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        files.push_back(std::string("system/") + zel::shell::DICT_FILE_NAMES[index]);
    }
    for (const char* name : {"PROFILE.INI", "LOG.INI", "LOG.CFG", "CACHE.CFG", "NET.CFG", "MIRROR.CFG", "OEM.CFG"}) {
        files.push_back(std::string("system/") + name);
    }
    std::error_code error;
    for (fs::directory_iterator it(root / "bin", error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error)) files.push_back("bin/" + DisplayText(it->path().filename()));
    }
    for (const std::string& relative : files) {
        std::error_code missing;
        const fs::path path = root / PathFromText(relative);
        if (fs::is_regular_file(path, missing) && !Writable(path)) blockers->push_back("read-only file: " + relative);
    }
}

}  // namespace

uintmax_t SpaceNeeded(const std::string& home, const std::string& packageDir, bool modifyLexicons) {
    // The upgrade's own estimate, the figure its free-space check compares.
    uint64_t needed = 0;
    return EstimateUpgradeSpace(home.c_str(), packageDir.c_str(), modifyLexicons, &needed) ? needed : 0;
}

bool ModifiesLexicons(const std::vector<std::string>& upgradeArgs) {
    for (const std::string& arg : upgradeArgs) {
        if (arg.size() > 4 && ZSTRNCMPI(arg.c_str(), "DIC:", 4) == 0) return true;
    }
    return false;
}

std::vector<std::string> FindBlockers(const std::string& home, const std::string& packageDir, bool modifyLexicons,
                                      std::vector<std::string>* notes) {
    // The upgrade's own checks, in the order it makes them.
    CheckFindings findings;
    RunRecordValues values;
    std::string why;
    const RecordCheck verdict = CheckRunRecord(home.c_str(), &values, &why);
    if (verdict == RecordCheck::Damaged || verdict == RecordCheck::Foreign || verdict == RecordCheck::Unreadable) {
        NoteRefusedRecord(home.c_str(), verdict, why, &findings);
    }
    const CheckSubject subject{home.c_str(), packageDir.c_str(), modifyLexicons, false};
    for (HomeCheck check : HomeAndPackageChecks()) check(subject, &findings);
    *notes = findings.notes;
    std::vector<std::string> blockers = Lines(findings);
    CheckWritable(home, &blockers);
    return blockers;
}

}  // namespace zelhome
