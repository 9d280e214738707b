#include "home_checks.h"

#include "config_size.h"
#include "fixed_path.h"
#include "run_record_file.h"
#include "service_migration.h"
#include "space_needed.h"
#include "zelkit.h"

namespace {

std::string LastErrorText() { return Z_GetLastErrorPrompt(nullptr, 0); }

}  // namespace

void CheckHomeLinks(const char* home, CheckFindings* findings) {
    // A home that is no folder has no links; the dictionary's check names it.
    const int folder = Z_DirExists(home);
    if (folder < 0) {
        findings->blockers.push_back({"The home cannot be looked at: " + LastErrorText(),
                                      "mend what keeps the home from being read"});
    }
    if (folder <= 0) return;
    char found[Z_MAX_LINE];
    switch (Z_FindUnsafeLink(home, kHomeLinkSearchDepth, found, sizeof found)) {
        case 0: return;
        case 1:
            findings->blockers.push_back({LastErrorText() + "!", std::string("remove the link ") + found +
                                                                     ", or put what it names in its place"});
            return;
        default:
            findings->blockers.push_back({"The home cannot be searched for links: " + LastErrorText(),
                                          "mend what keeps the home from being read"});
            return;
    }
}

void NoteRefusedRecord(const char* home, RecordCheck verdict, const std::string& why, CheckFindings* findings) {
    // Not knowing is no finding about the record: the way on is to mend
    // what keeps it from being read, not to forget it.
    if (verdict == RecordCheck::Unreadable) {
        findings->blockers.push_back(
            {std::string("Whether there is a record of an interrupted upgrade in ") + home + " cannot be told: " + why,
             "mend what keeps the home from being read"});
        return;
    }
    const std::string what = verdict == RecordCheck::Foreign ? " is not this home's upgrade's own: "
                                                             : " is damaged: ";
    // A record another account made or may change is never obeyed, whoever
    // wrote it; the way on is the same as for a damaged one.
    findings->blockers.push_back(
        {std::string("The record of an interrupted upgrade in ") + home + what + why + ".",
         std::string("restore the home directory from its backup; or, to go on with the home "
                     "as it is, remove the record with \"zelhome forget-run ") +
             home + "\""});
}

void CheckConfigSizes(const char* home, CheckFindings* findings) {
    const FixedPath system = FixedPath::Directory(home).Sub("system");
    if (!system.ok()) return;  // the dictionary's check names the home
    if (CheckConfigFileSizes(system.c_str())) return;
    findings->blockers.push_back({LastErrorText(), "make the file named above smaller, or move it away"});
}

void CheckServerStopped(const char* home, CheckFindings* findings) {
    if (!IsServerRunning(home)) return;
    findings->blockers.push_back({"The server is running, please shutdown!",
                                  "stop the server of the home (or its service) and wait until it has ended"});
}

void CheckFreeSpace(const char* home, const char* packageDir, bool modifyLexicons, CheckFindings* findings) {
    uint64_t available = 0;
    if (!Z_GetFreeSpace(home, &available)) {
        findings->notes.push_back("Warning: " + LastErrorText() + "; the free space is not checked.");
        return;
    }
    uint64_t needed = 0;
    if (!EstimateUpgradeSpace(home, packageDir, modifyLexicons, &needed)) {
        findings->blockers.push_back({"The room the upgrade needs cannot be reckoned: " + LastErrorText(),
                                      "mend what keeps the home or the package from being read"});
        return;
    }
    if (available >= needed) return;
    findings->blockers.push_back({std::string("Not enough free space on the volume of ") + home +
                                      ": the upgrade needs up to " + std::to_string(needed) + " bytes, " +
                                      std::to_string(available) + " bytes are free.",
                                  "make room on that volume"});
}
