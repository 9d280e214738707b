#include "autobatch_section.h"

#include <cstdio>
#include <string>
#include <vector>

#include "config_paths.h"
#include "config_text.h"
#include "console.h"
#include "first_failure.h"
#include "half_move.h"
#include "profile_backup.h"
#include "profile_draft_write.h"
#include "profile_text.h"
#include "program_lines.h"
#include "zelkit.h"

using zel::toolkit::FindProfileSection;
using zel::toolkit::ParseProfileLine;
using zel::toolkit::ProfileLine;
using zel::toolkit::ProfileTextSection;

namespace {

// The largest batch file that is read; a larger one is kept, not converted.
constexpr uint64_t MAX_BATCH_FILE_SIZE = 32768;

constexpr const char* AUTOBATCH_SECTION = "AutoBatch";
constexpr const char* SERVER_START = "ProgramStart=zelserver.exe &PORT &BLOCK";
constexpr const char* SERVER_CLOSE = "ProgramClose=zemshutdown.exe &PORT &BLOCK";
constexpr const char* SEARCHER_START = "ProgramStart=zelsearcher.exe &PORT &BLOCK";
constexpr const char* MIRROR_START = "ProgramStart=zelmirror.exe &PORT &BLOCK";
constexpr const char* MIRROR_CLOSE = "ProgramClose=zelmirror.exe -shutdown &PORT &BLOCK";
constexpr const char* LAUNCH_ARGUMENTS = "&PORT &BLOCK";

// The profile line a lower-cased batch line turns into, or null.
using BatchLineRule = const char* (*)(const std::string& line);

// The batch files of the previous release launch its programs under their
// old names, so a line counts when it names the program under either name.
bool NamesProgram(const std::string& line, const char* newName, const char* oldName) {
    return line.find(newName) != std::string::npos || line.find(oldName) != std::string::npos;
}

const char* StartLineFor(const std::string& line) {
    if (NamesProgram(line, "zelsearcher", "z40searcher")) return SEARCHER_START;
    if (NamesProgram(line, "zelmirror", "z40mirror")) return MIRROR_START;
    return nullptr;
}

const char* CloseLineFor(const std::string& line) {
    return NamesProgram(line, "zelmirror", "z40mirror") ? MIRROR_CLOSE : nullptr;
}

// An old batch file, and the name it is kept under when it cannot be
// converted: one the renaming's "z40*.*" does not match, so that its
// launches are not deleted with the old programs.
struct BatchFileKind {
    const char* name;
    const char* keptName;
    BatchLineRule rule;
};

constexpr BatchFileKind BATCH_FILES[] = {
    {"z40startup.bat", "startup-z40.bat.BAK", StartLineFor},
    {"z40cleanup.bat", "cleanup-z40.bat.BAK", CloseLineFor},
};

struct BatchFile {
    const BatchFileKind* kind = nullptr;
    char path[Z_MAX_PATH] = {};
    char keptPath[Z_MAX_PATH] = {};
    bool present = false;  // under its own name
    bool kept = false;     // only under the kept name: an earlier run could not convert it
    bool read = false;
    std::vector<const char*> launches;  // profile lines, in the file's order

    bool Found() const { return present || kept; }
    const char* Source() const { return present ? path : keptPath; }
};

bool LocateBatchFile(const char* binDir, const BatchFileKind& kind, BatchFile* file) {
    file->kind = &kind;
    if (!JoinConfigPath(file->path, binDir, kind.name) || !JoinConfigPath(file->keptPath, binDir, kind.keptName)) {
        return false;
    }
    // A file an earlier run began to keep has its move finished first.
    if (!FinishHalfMove(file->path, file->keptPath)) return false;
    // A batch file taken for missing would lose its launches with the old
    // programs: a name the system cannot tell about fails the step.
    const int present = Z_FileExists(file->path);
    const int kept = present == 0 ? Z_FileExists(file->keptPath) : 0;
    if (present < 0 || kept < 0) return false;
    file->present = present > 0;
    file->kept = kept > 0;
    return true;
}

// Reads the launches of a batch file: each line (ended by CR or LF),
// lower-cased, that its rule turns into a profile line. False with the
// last error set when the file is too large or cannot be read.
bool ReadLaunches(BatchFile* file) {
    const char* source = file->Source();
    uint64_t size = 0;
    if (!Z_GetFileSize(source, &size)) return false;
    if (size > MAX_BATCH_FILE_SIZE) {
        Z_SetLastErrorText(Z_ERROR_TOO_LONG, "%s is larger than %llu bytes and was not read", source,
                           static_cast<unsigned long long>(MAX_BATCH_FILE_SIZE));
        return false;
    }
    std::string text;
    if (!ReadConfigText(source, &text)) return false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        for (char& c : line) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        if (const char* launch = file->kind->rule(line)) file->launches.push_back(launch);
        start = end + 1;
    }
    file->read = true;
    return true;
}

// A launch as key and program with its arguments, the launch arguments the
// upgrade adds left out.
struct Launch {
    std::string key;
    std::string value;
};

Launch ParseLaunch(const ProfileLine& item) {
    Launch launch{item.name, item.value};
    const size_t suffix = std::char_traits<char>::length(LAUNCH_ARGUMENTS);
    if (launch.value.size() >= suffix &&
        ZSTRCMPI(launch.value.c_str() + launch.value.size() - suffix, LAUNCH_ARGUMENTS) == 0) {
        launch.value = TrimmedText(launch.value.substr(0, launch.value.size() - suffix));
    }
    return launch;
}

bool SameLaunch(const Launch& a, const Launch& b) {
    return !a.key.empty() && ZSTRCMPI(a.key.c_str(), b.key.c_str()) == 0 &&
           ZSTRCMPI(a.value.c_str(), b.value.c_str()) == 0;
}

// Whether an item of the section launches what a batch file's line does,
// also once the renaming has given an old program its new name.
bool Holds(const ProfileLine& item, const char* launchLine) {
    const Launch launch = ParseLaunch(ParseProfileLine(launchLine));
    if (SameLaunch(ParseLaunch(item), launch)) return true;
    // The renaming reads the line's fields at "=", blanks and tabs, which
    // the item's key and value give alike.
    const std::string line = item.name + "=" + item.value;
    if (line.size() >= static_cast<size_t>(Z_MAX_LINE)) return false;
    char rebuilt[REBUILT_LINE_SIZE];
    const char* renamed = RebuildProgramLine(line.c_str(), rebuilt);
    return renamed != nullptr && renamed != line.c_str() && SameLaunch(ParseLaunch(ParseProfileLine(renamed)), launch);
}

// The batch files' launches the section does not hold yet, in their order.
// Each item holds one launch, so that a program the batch file launches
// twice is launched twice.
std::vector<const char*> LaunchesToAdd(const ProfileTextSection& section, const BatchFile* files, size_t count) {
    std::vector<bool> used(section.items.size(), false);
    std::vector<const char*> added;
    for (size_t f = 0; f < count; ++f) {
        for (const char* launch : files[f].launches) {
            bool held = false;
            for (size_t i = 0; i < section.items.size() && !held; ++i) {
                if (!used[i] && Holds(section.items[i], launch)) used[i] = held = true;
            }
            if (!held) added.push_back(launch);
        }
    }
    return added;
}

// The profile with its start-up section: appended with the server's own
// lines when there is none, otherwise the launches it lacks added after its
// last item. False when nothing changes.
bool BuildProfile(const std::string& profile, const BatchFile* files, size_t count, std::string* updated) {
    const ProfileTextSection section = FindProfileSection(profile, AUTOBATCH_SECTION);
    std::string lines;
    for (const char* launch : LaunchesToAdd(section, files, count)) lines += std::string(launch) + Z_LINE_END;
    if (!section.found) {
        *updated = profile + Z_LINE_END + "[AutoBatch]" + Z_LINE_END + SERVER_START + Z_LINE_END + SERVER_CLOSE +
                   Z_LINE_END + lines;
        return true;
    }
    if (lines.empty()) return false;
    *updated =
        profile.substr(0, section.end) + (section.endUnended ? Z_LINE_END : "") + lines + profile.substr(section.end);
    return true;
}

// Moves a batch file that was not converted out of the way of "z40*.*" and
// says so in one line. False when it could not be moved.
bool KeepUnconverted(const BatchFile& file) {
    if (file.present) {
        if (!Z_RenameFile(file.path, file.keptPath)) return false;
        ConsolePrint(
            "\n%s was not converted and is kept as %s: move its launches to [AutoBatch] in PROFILE.INI by "
            "hand.\n",
            file.path, file.keptPath);
    } else {
        ConsolePrint("\n%s was not converted and stays: move its launches to [AutoBatch] in PROFILE.INI by hand.\n",
                     file.keptPath);
    }
    return true;
}

bool ProfilePath(const char* binDir, char* profilePath) {
    char systemDir[Z_MAX_PATH];
    return SystemDirFromBinDir(systemDir, binDir) && JoinConfigPath(profilePath, systemDir, "PROFILE.INI");
}

}  // namespace

bool AddAutoBatchSection(const char* binDir, bool profileMergeFailed, ProfileDraft* draft) {
    constexpr size_t count = sizeof(BATCH_FILES) / sizeof(BATCH_FILES[0]);
    char profilePath[Z_MAX_PATH];
    BatchFile files[count];
    if (!ProfilePath(binDir, profilePath)) return false;
    for (size_t f = 0; f < count; ++f) {
        if (!LocateBatchFile(binDir, BATCH_FILES[f], &files[f])) return false;
    }

    FirstFailure failure;
    std::string profile;
    const bool haveProfile = ProfileText(profilePath, *draft, &profile);
    if (!haveProfile) failure.Note();
    bool allRead = true;
    for (BatchFile& file : files) {
        if (file.Found() && !ReadLaunches(&file)) {
            failure.Note();
            allRead = false;
        }
    }
    // The whole new profile replaces the old one in one step, when the draft
    // is written: a failure leaves it as it was, never with a part of the
    // section. The two files are converted together or not at all, so that
    // a rerun adds the launches of both in the order one run gives; a
    // missing section gets the server's own lines all the same.
    bool inProfile = false;
    if (haveProfile) {
        std::string updated;
        const bool changed = BuildProfile(profile, files, allRead ? count : 0, &updated);
        const bool taken = !changed || !profileMergeFailed || OweProfileBackup(profile, profilePath, draft);
        if (changed && taken) {
            draft->held = true;
            draft->text = updated;
            draft->sectionAdded = true;
        }
        if (!taken) failure.Note();
        inProfile = taken && allRead;
    }

    bool converted = true;
    for (const BatchFile& file : files) {
        if (!file.Found()) continue;
        if (file.read && (inProfile || file.launches.empty())) {
            // A converted file goes once the profile holding its launches is
            // on the disk. One that cannot be deleted then loses nothing (its
            // launches are in the profile, and the next run finds them held
            // and deletes it), but the home is not yet what a clean run
            // leaves: that step fails.
            draft->afterWrite.push_back(file.Source());
            continue;
        }
        converted = false;
        // One that cannot be moved stays under its own name, where the
        // renaming keeps it before it deletes the old programs.
        KeepUnconverted(file);
    }
    if (!haveProfile || !converted) {
        failure.Restore();
        return false;
    }
    return failure.Restore();
}

bool AddAutoBatchSection(const char* binDir, bool profileMergeFailed) {
    char profilePath[Z_MAX_PATH];
    if (!ProfilePath(binDir, profilePath)) return false;
    ProfileDraft draft;
    FirstFailure failure;
    if (!AddAutoBatchSection(binDir, profileMergeFailed, &draft)) failure.Note();
    if (!WriteProfileDraft(profilePath, &draft)) failure.Note();
    return failure.Restore();
}

bool KeepBatchFilesNotInProfile(const char* binDir) {
    char profilePath[Z_MAX_PATH];
    if (!ProfilePath(binDir, profilePath)) return false;
    std::string profile;
    const bool haveProfile = ReadConfigText(profilePath, &profile);
    for (const BatchFileKind& kind : BATCH_FILES) {
        BatchFile file;
        if (!LocateBatchFile(binDir, kind, &file)) return false;
        if (!file.present) continue;
        bool held = ReadLaunches(&file) && file.launches.empty();
        if (!held && file.read && haveProfile) {
            const ProfileTextSection section = FindProfileSection(profile, AUTOBATCH_SECTION);
            held = section.found && LaunchesToAdd(section, &file, 1).empty();
        }
        if (!held && !KeepUnconverted(file)) return false;
    }
    return true;
}
