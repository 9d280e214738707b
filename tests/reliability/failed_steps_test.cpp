// Failures inside a step that used to be passed over, each failed once in a
// whole upgrade: the run must say so (its status, an ERROR line with the
// cause), and the same command run again must leave exactly what a clean run
// leaves. Besides, the rows whose first run is disturbed otherwise (a move
// of LOG.CFG stopped half-way, new programs already in place) must end as
// their row says.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "reliability/sweep_outcome.h"
#include "reliability/sweep_scenarios.h"
#include "support/row_sample.h"

namespace zel::testing {
namespace {

// The report beside the log the output names holds the run's status and
// each step that failed, with its code and cause.
void ExpectReportOfRun(const std::string& output, int status, const std::vector<std::string>& failedSteps) {
    const std::string named = "The log of this run: ";
    const size_t at = output.find(named);
    ASSERT_NE(at, std::string::npos) << output;
    std::filesystem::path report = output.substr(at + named.size(), output.find('\n', at) - at - named.size());
    report.replace_extension(".json");
    const nlohmann::json json = nlohmann::json::parse(ReadFileText(report));
    EXPECT_EQ(json["status"], status);
    EXPECT_EQ(json["changed"], status != 1) << json.dump();
    for (const std::string& step : failedSteps) {
        bool found = false;
        for (const nlohmann::json& failed : json["failed_steps"]) {
            if (failed["step"] != step) continue;
            found = true;
            EXPECT_NE(failed["code"], 0) << failed;
            EXPECT_FALSE(failed["cause"].get<std::string>().empty()) << failed;
        }
        EXPECT_TRUE(found) << step << " missing from " << json["failed_steps"];
    }
}

namespace fs = std::filesystem;

using FaultLog = std::vector<std::string>;

FaultLog ReadFaultLog(const fs::path& path) {
    FaultLog names;
    std::ifstream stream(path);
    for (std::string line; std::getline(stream, line);) names.push_back(line);
    return names;
}

// Fault points are counted from 1; 0 means none was found.
int Nth(const FaultLog& log, const std::string& name, int n) {
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == name && --n == 0) return static_cast<int>(i + 1);
    }
    return 0;
}

int Last(const FaultLog& log, const std::string& name) {
    for (size_t i = log.size(); i > 0; --i) {
        if (log[i - 1] == name) return static_cast<int>(i);
    }
    return 0;
}

// The first call of name after point from (counted from 1).
int FirstFrom(const FaultLog& log, const std::string& name, int from) {
    for (size_t i = static_cast<size_t>(from); from > 0 && i < log.size(); ++i) {
        if (log[i] == name) return static_cast<int>(i + 1);
    }
    return 0;
}

// The first call of name after the first call of after.
int FirstAfter(const FaultLog& log, const std::string& name, const std::string& after) {
    return FirstFrom(log, name, Nth(log, after, 1));
}

// The last call of name before the n-th call of before.
[[maybe_unused]] int LastBefore(const FaultLog& log, const std::string& name, const std::string& before, int n) {
    for (int i = Nth(log, before, n) - 1; i > 0; --i) {
        if (log[static_cast<size_t>(i - 1)] == name) return i;
    }
    return 0;
}

// The ZEL_FAULT that fails the first operation op (fs.List, fs.FlushFolder)
// inside the point-th public call of a run whose every point the sites file
// lists ("<all:N>\t<name>\t..."): the operations of a call follow it there.
std::string OperationInCall(const fs::path& sites, int point, const std::string& op) {
    std::ifstream stream(sites);
    int calls = 0;
    for (std::string line; std::getline(stream, line);) {
        const size_t tab = line.find('\t');
        const std::string name = line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
        if (name.rfind("fs.", 0) != 0) {
            if (++calls > point) break;
        } else if (calls == point && name == op) {
            return "all:" + line.substr(0, tab);
        }
    }
    return "";
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

fs::path Bin(const UpgradeWorld& world, const std::string& name) { return world.Home() / "bin" / name; }
fs::path System(const UpgradeWorld& world, const std::string& name) { return world.Home() / "system" / name; }

const char* const kOldPrograms[] = {"z40server.exe",   "z40searcher.exe", "z40mirror.exe",
                                    "z40shutdown.exe", "z40service.exe",  "z40console.exe"};
const char* const kNewPrograms[] = {"zelserver.exe",   "zelsearcher.exe", "zelmirror.exe",
                                    "zemshutdown.exe", "zemservice.exe",  "zemconsole.exe"};

struct FailedStepRow {
    std::string name;
    std::string home;  // zelhome's description of the home (empty: the typical home)
    std::vector<std::string> arguments;
    std::function<void(const UpgradeWorld&)> prepare;  // the home of both runs (may be empty)
    std::function<int(const FaultLog&)> point;         // the fault point of a clean run to fail (may be empty)
    std::function<void(const UpgradeWorld&)> disturb;  // the home of the tested run only (may be empty)
    int exitCode;
    std::string errorLine;  // a part of an ERROR line of the tested run (may be empty)
    std::function<void(const UpgradeWorld&, const std::string& output)> check;  // after the tested run (may be empty)
    std::string input = "";                                                     // typed at the questions of every run
    std::string fault = "";  // ZEL_FAULT of the tested run, when no point is given
    // With status 2, the list of failed steps that closes the run.
    std::vector<std::string> failedSteps = {"rename the previous release's programs"};
    // When given, the operation of the public call at point that fails,
    // with the system's error ZEL_FAULT_AS names (may be empty).
    std::string operation = "";
    std::string faultAs = "";
};

// An existence test of the tested run that cannot tell (ZEL_FAULT=
// Z_FileExists@END): its step fails, naming the file and the cause, where
// the file used to be taken for missing.
FailedStepRow CannotTell(const std::string& name, const std::vector<std::string>& arguments, const std::string& fault,
                         int exitCode, const std::string& errorLine, std::vector<std::string> failedSteps,
                         std::function<void(const UpgradeWorld&)> check) {
    const std::string file = fault.substr(fault.find('@') + 1, fault.find(':') - fault.find('@') - 1);
    FailedStepRow row{name, "", arguments, nullptr, nullptr, nullptr, exitCode, errorLine, nullptr};
    row.check = [file, check](const UpgradeWorld& world, const std::string& output) {
        EXPECT_TRUE(Contains(output, file + ": injected failure (ZEL_FAULT)")) << output;
        if (check) check(world);
    };
    row.fault = fault;
    row.failedSteps = std::move(failedSteps);
    return row;
}

FailedStepRow WithHome(FailedStepRow row, std::function<void(const UpgradeWorld&)> prepare) {
    row.prepare = std::move(prepare);
    return row;
}

FailedStepRow WithDisturbance(FailedStepRow row, std::function<void(const UpgradeWorld&)> disturb) {
    row.disturb = std::move(disturb);
    return row;
}

// What a run that removed the old service and stopped before the new one
// leaves: the service gone, the record of it in the home.
void RemovedByAnEarlierRun(const UpgradeWorld& world) {
    DeleteServiceIfPresent(OLD_SERVICE);
    WriteFileText(System(world, "OLDSERVICE.INF"),
                  "[RemovedService]\r\nName=ZEL40SERVICE\r\nDisplayName=ZEL4.0\r\nBinaryPath=\"" +
                      SystemText(Bin(world, "z40service.exe")) +
                      "\" -resident\r\nStartType=3\r\nDependencies=tcpip\r\nAccount=LocalSystem\r\n");
}

// The system's text for EIO injected by the fault table.
#ifdef _WIN32
constexpr const char* kInjectedIoText = "I/O device error";
#else
constexpr const char* kInjectedIoText = "Input/output error";
#endif

// A resumed run whose first look at the interrupted run's record fails
// (fault, EIO): status 1 with the reason, the record neither damaged nor to
// be forgotten, the journal kept.
FailedStepRow UnreadableRecord(const char* name, const char* fault, const char* message, std::string reason) {
    FailedStepRow row{name, "", {"NEW:1", "CS:1", "OLD:N"}, KillInTheDictionaryPhase, nullptr, nullptr, 1, message,
                      nullptr};
    row.fault = fault;
    row.faultAs = "EIO";
    row.failedSteps = {};
    row.check = [reason](const UpgradeWorld& world, const std::string& output) {
        EXPECT_TRUE(Contains(output, reason)) << output;
        EXPECT_FALSE(Contains(output, "damaged")) << output;
        EXPECT_FALSE(Contains(output, "forget-run")) << output;
        EXPECT_TRUE(fs::exists(world.Home() / "system" / "UPGRADE.RUN" / "JOURNAL" / "JOURNAL"));
    };
    return row;
}

#ifndef _WIN32
// The service manager's files fail under the tested run where their failure
// used to read as "no service", or as access denied whatever the cause: the
// removal stops with the reason's Windows code, the old service registered
// (again) and nothing owed.
FailedStepRow ServiceStoreFails(const std::string& name, std::function<int(const FaultLog&)> point,
                                const std::string& operation, const std::string& as, const std::string& reason,
                                std::function<void(const std::string&)> check = nullptr) {
    FailedStepRow row{name,
                      "",
                      {"NEW:1", "CS:1", "OLD:N"},
                      nullptr,
                      std::move(point),
                      nullptr,
                      1,
                      "ERROR: remove the previous release's service: " + reason,
                      nullptr};
    row.check = [check](const UpgradeWorld& world, const std::string& output) {
        EXPECT_TRUE(QueryRegisteredService(OLD_SERVICE).exists);
        EXPECT_FALSE(QueryRegisteredService(NEW_SERVICE).exists);
        EXPECT_FALSE(fs::exists(world.Home() / "system" / "OLDSERVICE.INF"));
        if (check) check(output);
    };
    row.failedSteps = {};
    row.operation = operation;
    row.faultAs = as;
    return row;
}
#endif

// Every "\r" of a Windows text file's line ends, none on its own.
bool CarriageReturnsEndLines(const std::string& text) {
    for (size_t at = text.find('\r'); at != std::string::npos; at = text.find('\r', at + 1)) {
        if (at + 1 >= text.size() || text[at + 1] != '\n') return false;
    }
    return true;
}

std::vector<FailedStepRow> Rows() {
    const std::vector<std::string> oldNamesKept = {"NEW:1", "CS:1", "OLD:Y"};
    const std::vector<std::string> oldNamesDropped = {"NEW:1", "CS:1", "OLD:N"};
    const std::string cannotLook = ": Z_FileExists: cannot look at ";
    const std::string profileSteps[] = {"make PROFILE.INI from the old files when missing",
                                         "merge PROFILE.INI into the template", "add the start-up programs section",
                                         "rename the previous release's programs"};
    return {
        // Existence tests that could not tell, each once: the file was taken
        // for missing, and the step went on without it.
        CannotTell("phase 1 cannot tell whether the new server is there", oldNamesDropped, "Z_FileExists@zelserver.exe",
                   1, "ERROR: 1999 note whether the new server program and the profile are there" + cannotLook, {},
                   [](const UpgradeWorld& world) {
                       EXPECT_TRUE(QueryRegisteredService(OLD_SERVICE).exists);
                       EXPECT_TRUE(fs::exists(System(world, "CACHE.CFG")));
                   }),
        CannotTell("LOG.CFG cannot be looked at", oldNamesDropped, "Z_FileExists@LOG.CFG", 2,
                   "ERROR: 1999 LOG.CFG becomes LOG.INI" + cannotLook,
                   {"LOG.CFG becomes LOG.INI", "merge LOG.INI into the template"},
                   [](const UpgradeWorld& world) {
                       EXPECT_TRUE(fs::exists(System(world, "LOG.CFG")));
                       EXPECT_FALSE(fs::exists(System(world, "LOG.INI")));
                   }),
        CannotTell("CACHE.CFG cannot be looked at", oldNamesDropped, "Z_FileExists@CACHE.CFG", 2,
                   "ERROR: 1999 " + profileSteps[0] + cannotLook,
                   {profileSteps[0], profileSteps[1], profileSteps[2], profileSteps[3]},
                   [](const UpgradeWorld& world) {
                       EXPECT_TRUE(fs::exists(System(world, "CACHE.CFG")));
                       EXPECT_TRUE(fs::exists(System(world, "NET.CFG")));
                       EXPECT_FALSE(fs::exists(System(world, "PROFILE.INI")));
                   }),
        CannotTell("NET.CFG cannot be looked at", oldNamesDropped, "Z_FileExists@NET.CFG", 2,
                   "ERROR: 1999 " + profileSteps[0] + cannotLook,
                   {profileSteps[0], profileSteps[1], profileSteps[2], profileSteps[3]},
                   [](const UpgradeWorld& world) {
                       EXPECT_TRUE(fs::exists(System(world, "NET.CFG")));
                       EXPECT_FALSE(fs::exists(System(world, "PROFILE.INI")));
                   }),
        // The start file is not converted; the renaming keeps it under the
        // name it keeps files it cannot convert, and the rerun converts it.
        CannotTell("z40startup.bat cannot be looked at", oldNamesDropped, "Z_FileExists@z40startup.bat", 2,
                   "ERROR: 1999 " + profileSteps[2] + cannotLook, {profileSteps[2]},
                   [](const UpgradeWorld& world) {
                       EXPECT_TRUE(fs::exists(Bin(world, "startup-z40.bat.BAK")));
                       EXPECT_FALSE(Contains(ReadFileText(System(world, "PROFILE.INI")), "zelsearcher.exe"));
                   }),
        // The profile is not written, the backup it owed not kept: the
        // renaming keeps it before it rewrites the launch lines in place,
        // or the administrator's lines would be gone once the rerun keeps
        // the rewritten profile as its backup.
        WithHome(CannotTell("the profile's backup cannot be looked at", oldNamesDropped, "Z_FileExists@PROFILE.INI.BAK:2",
                            2, "ERROR: 1999 write PROFILE.INI" + cannotLook, {"write PROFILE.INI"},
                            [](const UpgradeWorld& world) {
                                EXPECT_TRUE(Contains(ReadFileText(System(world, "PROFILE.INI.BAK")),
                                                     "\r\nProgramStart=z40server.exe 7000\r\n"));
                            }),
                 [](const UpgradeWorld& world) {
                     WriteFileText(System(world, "PROFILE.INI"),
                                   "[IndexCache]\r\nMemorySize=512\r\n\r\n"
                                   "[AutoBatch]\r\nProgramStart=z40server.exe 7000\r\nProgramClose=z40shutdown.exe\r\n");
                 }),
        CannotTell("the new server cannot be looked at for its copy under the old name", oldNamesKept,
                   "Z_FileExists@zelserver.exe:2", 2, "ERROR: 1999 " + profileSteps[3] + cannotLook,
                   {profileSteps[3]},
                   [](const UpgradeWorld& world) {
                       EXPECT_FALSE(fs::exists(Bin(world, "z40server.exe")));
                       EXPECT_TRUE(fs::exists(Bin(world, "z40searcher.exe")));
                   }),
        // A run after one that removed the old service and stopped: a
        // record of it that cannot be looked at is no "nothing owed" (the
        // first look is the check's).
        WithDisturbance(CannotTell("the record of the removed service cannot be looked at", oldNamesDropped,
                                   "Z_NameExists@OLDSERVICE.INF:2", 1,
                                   "ERROR: remove the previous release's service: Z_NameExists: cannot look at ", {},
                                   [](const UpgradeWorld& world) {
                                       EXPECT_TRUE(fs::exists(System(world, "OLDSERVICE.INF")));
                                       EXPECT_FALSE(QueryRegisteredService(NEW_SERVICE).exists);
                                   }),
                        RemovedByAnEarlierRun),
#ifndef _WIN32
        // The service manager's files are the stand-in's: Windows keeps its
        // own.
        ServiceStoreFails(
            "the services cannot be listed when the old one is looked up",
            [](const FaultLog& log) { return LastBefore(log, "Z_ListFolder", "Z_ContrastFile", 2); }, "fs.List",
            "EMFILE", "The system cannot open the file. (4)"),
        ServiceStoreFails(
            "a service file cannot be read when the old service is looked up",
            [](const FaultLog& log) { return LastBefore(log, "Z_ReadFile", "Z_ContrastFile", 2); }, "", "",
            "The system cannot read from the specified device. (30)"),
        // The name went, its folder's flush failed: the service is gone, so
        // the record stays until the stop registers it again.
        ServiceStoreFails(
            "the old service's file is deleted but its folder cannot be flushed",
            [](const FaultLog& log) { return FirstAfter(log, "Z_DeleteFile", "DeleteService"); }, "fs.FlushFolder",
            "EIO", "The system cannot write to the specified device. (29)",
            [](const std::string& output) {
                EXPECT_TRUE(Contains(output, "The old service ZEL40SERVICE was registered again")) << output;
            }),
        // The record of the old service was written, but its folder's flush
        // failed: the service is left as it was, so nothing may be owed.
        [] {
            FailedStepRow row = ServiceStoreFails(
                "the record of the removed service is written but its folder cannot be flushed",
                [](const FaultLog& log) { return LastBefore(log, "Z_ReplaceFile", "DeleteService", 1); },
                "fs.FlushFolder", "EIO", "Z_ReplaceFile: ");
            row.check = [](const UpgradeWorld& world, const std::string& output) {
                EXPECT_TRUE(Contains(output, "Input/output error")) << output;
                EXPECT_TRUE(QueryRegisteredService(OLD_SERVICE).exists);
                EXPECT_FALSE(fs::exists(world.Home() / "system" / "OLDSERVICE.INF"));
            };
            return row;
        }(),
        // The record's work file was made but cannot be looked at: the
        // failed create takes it away again.
        [] {
            FailedStepRow row = ServiceStoreFails(
                "the work file of the removed service's record is made but cannot be looked at",
                [](const FaultLog& log) { return LastBefore(log, "Z_CreateFile", "DeleteService", 1); },
                "fs.FileLook", "EIO", "Z_CreateFile: cannot create ");
            row.check = [](const UpgradeWorld& world, const std::string& output) {
                EXPECT_TRUE(Contains(output, "Input/output error")) << output;
                EXPECT_TRUE(QueryRegisteredService(OLD_SERVICE).exists);
                EXPECT_FALSE(fs::exists(world.Home() / "system" / "OLDSERVICE.INF.NEW"));
            };
            return row;
        }(),
#endif
        // In the dictionary phase: the run stops, everything put back.
        CannotTell("a relation database's data cannot be looked at", oldNamesDropped, "Z_FileExists@DB12.dat", 1,
                   "ERROR: 1999 upgrade the lexicons and relation databases: ZKF_LoadDBRecords: cannot tell whether ", {},
                   [](const UpgradeWorld& world) { EXPECT_FALSE(fs::exists(world.Home() / "dict" / "DB12.dat")); }),
        CannotTell("an index to remove cannot be looked at", {"NEW:1", "CS:1", "OLD:N", "DIC:RIX"},
                   "Z_FileExists@DB9.idx", 1, "ERROR: 1999 upgrade the lexicons and relation databases: ZKF_RemoveDBIndices: ",
                   {},
                   [](const UpgradeWorld& world) {
                       EXPECT_TRUE(fs::exists(world.Home() / "data" / "library" / "DB9.idx"));
                   }),
        CannotTell("a lexicon to rename cannot be looked at", oldNamesDropped, "Z_FileExists@ZEL_Ambiguous.BIG", 1,
                   "ERROR: 1999 upgrade the lexicons and relation databases" + cannotLook, {},
                   [](const UpgradeWorld& world) {
                       EXPECT_TRUE(fs::exists(world.Home() / "dict" / "ZEL_Ambiguous.BIG"));
                   }),
        // Whether an interrupted run left its record cannot be told: the run
        // stops with the reason, and does not take the home's record for a
        // damaged one (nor sends the administrator to forget it).
        [] {
            FailedStepRow row{"whether an interrupted run left its journal cannot be told", "", {"NEW:1", "CS:1", "OLD:N"},
                              nullptr, nullptr, nullptr, 1, "cannot be told: ", nullptr};
            row.fault = "fs.Look@Z_HasFileJournal";
            row.faultAs = "EIO";
            row.failedSteps = {};
            row.check = [](const UpgradeWorld&, const std::string& output) {
                EXPECT_TRUE(Contains(output, kInjectedIoText)) << output;
                EXPECT_FALSE(Contains(output, "damaged")) << output;
                EXPECT_FALSE(Contains(output, "forget-run")) << output;
            };
            return row;
        }(),
        // The home's identity, which an interrupted run's record must
        // match, cannot be told: no other home's record, but a stop with
        // the reason (the seventeenth look of a resumed run's Z_GetFileInfo
        // is the home's own).
        [] {
            FailedStepRow row{"the home's identity cannot be told when an interrupted run's record is checked", "",
                              {"NEW:1", "CS:1", "OLD:N"},
                              KillInTheDictionaryPhase,
                              nullptr, nullptr, 1, "cannot be told: Z_GetFileInfo: cannot look at ", nullptr};
            row.fault = "fs.Look@Z_GetFileInfo:17";
            row.faultAs = "EIO";
            row.failedSteps = {};
            row.check = [](const UpgradeWorld& world, const std::string& output) {
                EXPECT_TRUE(Contains(output, kInjectedIoText)) << output;
                EXPECT_FALSE(Contains(output, "another home folder")) << output;
                EXPECT_TRUE(fs::exists(world.Home() / "system" / "UPGRADE.RUN" / "JOURNAL" / "JOURNAL"));
            };
            return row;
        }(),
        // The record of an interrupted run, or its journal, is there but
        // cannot be read: the run stops with the system's reason, and takes
        // neither for damaged (nor sends the administrator to forget them).
        UnreadableRecord("an interrupted run's record cannot be read", "fs.Read@Z_ReadFile:1",
                         "cannot be told: Z_ReadFile: cannot read ", std::string("RUN.INI: ") + kInjectedIoText),
        UnreadableRecord("an interrupted run's journal cannot be read", "fs.Read@Z_CheckFileJournal:1",
                         "cannot be told: Z_CheckFileJournal: cannot read the file journal in ", kInjectedIoText),
        // A run killed once its journal ended left RUN.INI saying a journal
        // was kept; whether the journal ended cannot be told: a stop with
        // the reason, never a lost journal.
        [] {
            FailedStepRow row{"whether an interrupted run's journal ended cannot be told", "",
                              {"NEW:1", "CS:1", "OLD:N"},
                              [](const UpgradeWorld& world) {
                                  SetEnvironment("ZEL_FAULT", "Z_CloneFile:1");
                                  SetEnvironment("ZEL_FAULT_END", "kill");
                                  world.Upgrade({"NEW:1", "CS:1", "OLD:N"});
                                  UnsetEnvironment("ZEL_FAULT_END");
                                  UnsetEnvironment("ZEL_FAULT");
                              },
                              nullptr, nullptr, 1, "cannot be told: Z_FileJournalEnded: cannot look at ", nullptr};
            row.fault = "fs.Look@Z_FileJournalEnded";
            row.faultAs = "EIO";
            row.failedSteps = {};
            row.check = [](const UpgradeWorld& world, const std::string& output) {
                EXPECT_TRUE(Contains(output, kInjectedIoText)) << output;
                EXPECT_FALSE(Contains(output, "forget-run")) << output;
                EXPECT_TRUE(fs::exists(world.Home() / "system" / "UPGRADE.RUN" / "JOURNAL" / "JOURNAL.GONE"));
            };
            return row;
        }(),
        // The journal of the nine dictionary files fails before any file's
        // label: its ERROR line names the step.
        {"the nine dictionary files cannot be recorded", "", oldNamesDropped, nullptr,
         [](const FaultLog& log) { return Nth(log, "Z_JournalFile", 1); }, nullptr, 1,
         "ERROR: 1999 bring the nine dictionary files to the current title: Z_JournalFile: injected failure", nullptr},
        // The journal of the finished dictionary phase cannot be set aside
        // (its removal's one step): it is still whole, and the stop puts the
        // phase back with it. Once it is set aside, the phase is done; what
        // cannot be removed of it then goes with the run's record.
        {"the journal of the finished phase cannot be set aside", "", oldNamesDropped, nullptr, nullptr, nullptr, 1,
         "ERROR: 1999 end the journal of the dictionary phase: Z_RemoveFileJournal: cannot remove ", nullptr, "",
         "fs.Rename@Z_RemoveFileJournal"},
        {"a saved file of the set-aside journal cannot be removed", "", oldNamesDropped, nullptr, nullptr, nullptr, 0,
         "", nullptr, "", "fs.Remove@Z_RemoveFileJournal"},
        // The system gives no second name of the replaced LOG.INI (no links
        // there, or a file the user may read but not write where links are
        // guarded): the backup is a copy, and the run ends as ever.
        {"the replaced LOG.INI gets no second name", "", oldNamesDropped, nullptr, nullptr, nullptr, 0, "",
         [](const UpgradeWorld& world, const std::string&) {
             EXPECT_TRUE(fs::is_regular_file(System(world, "LOG.INI.BAK")));
             EXPECT_FALSE(fs::exists(System(world, "LOG.INI.BAK.zel-copy")));
         },
         "", "fs.Link@Z_KeepBackup"},
        // No database that would refuse the native character set chosen.
        {"the native character set is not set", R"({"databases": []})", oldNamesDropped, nullptr,
         [](const FaultLog& log) { return Nth(log, "SetSystemCharset", 2); }, nullptr, 1,
         "ERROR: 1999 select the native character set: SetSystemCharset: injected failure",
         [](const UpgradeWorld& world, const std::string&) {
             // The phase stopped, so nothing of the files was copied.
             EXPECT_FALSE(fs::exists(Bin(world, "zemconsole.exe")));
         }},
        // The first comparison is the check of the new service's name,
        // the second the removal's own.
        {"the old service's program cannot be compared with HOME/bin", "", oldNamesDropped, nullptr,
         [](const FaultLog& log) { return Nth(log, "Z_ContrastFile", 2); }, nullptr, 1,
         "ERROR: remove the previous release's service: Z_ContrastFile: injected failure",
         [](const UpgradeWorld& world, const std::string&) {
             EXPECT_TRUE(QueryRegisteredService(OLD_SERVICE).exists);
             EXPECT_TRUE(fs::exists(Bin(world, "z40service.exe")));
         }},
        // The service's name recorded under another name: removed with the
        // old service, or it would name the new one.
        {"the record of the service's name cannot be removed", "", oldNamesDropped,
         [](const UpgradeWorld& world) { WriteFileText(System(world, "SERVICE.INF"), "ZEL Custom"); },
         [](const FaultLog& log) { return FirstAfter(log, "Z_DeleteFile", "Z_ContrastFile"); }, nullptr, 1,
         "ERROR: remove the previous release's service: Z_DeleteFile: ",
         [](const UpgradeWorld& world, const std::string&) {
             EXPECT_TRUE(QueryRegisteredService(OLD_SERVICE).exists);
             EXPECT_FALSE(QueryRegisteredService(NEW_SERVICE).exists);
             EXPECT_EQ(ReadFileText(System(world, "SERVICE.INF")), "ZEL Custom");
         }},
        // The dictionary was opened to be read only: a close that fails
        // still lets it go, and the later opens go on.
        {"the check's close of the dictionary shell fails", "", oldNamesDropped, nullptr, nullptr, nullptr, 0, "",
         nullptr, "", "ShellClose"},
        {"the dictionary phase's close of the shell fails", "", oldNamesDropped, nullptr,
         [](const FaultLog& log) { return Last(log, "ShellClose"); }, nullptr, 1,
         "ERROR: 1999 close the dictionary shell: ShellClose: injected failure", nullptr},
        // A record of a database that cannot be read is no database missing
        // from the dictionary.
        [] {
            FailedStepRow row{"a database's record cannot be read where the kernel looks for it", "", {"NEW:1", "CS:1", "OLD:N"},
                              nullptr, [](const FaultLog& log) { return FirstAfter(log, "Z_ReadFile", "ZKF_LoadDBRecords"); },
                              nullptr, 1, "cannot read the record of database ", nullptr};
            row.failedSteps = {};
            row.check = [](const UpgradeWorld&, const std::string& output) {
                EXPECT_FALSE(Contains(output, "is not in the data dictionary")) << output;
            };
            return row;
        }(),
        // The lock file the run made stays when it cannot be removed: the
        // run says so, and the next one takes the file as its lock.
        {"the lock of the home cannot be removed at the end", "", oldNamesDropped, nullptr, nullptr, nullptr, 2,
         "ERROR: 1999 remove the lock of the home: Z_UnlockPath: injected failure", nullptr, "", "Z_UnlockPath",
         {"remove the lock of the home"}},
        {"the old programs cannot be deleted", "", oldNamesDropped, nullptr,
         [](const FaultLog& log) { return Nth(log, "Z_DeleteFiles", 1); }, nullptr, 2,
         "rename the previous release's programs: Z_DeleteFiles: injected failure", nullptr},
        // Its log holds what the console showed, folded, with the answers
        // typed, the ERROR line and the exit status; the console names it
        // at the start and in the summary, which lists the failed step.
        {"the log of a run that finishes with errors",
         "",
         {"NEW:1", "OLD:N"},
         nullptr,
         [](const FaultLog& log) { return Nth(log, "Z_DeleteFiles", 1); },
         nullptr,
         2,
         "ERROR: 1999 rename the previous release's programs: Z_DeleteFiles: injected failure",
         [](const UpgradeWorld& world, const std::string& output) {
             const std::vector<fs::path> logs = RunLogs(world.Home());
             ASSERT_EQ(logs.size(), 1u);
             const std::string named = "The log of this run: " + SystemText(logs[0]) + "\n";
             // Named before anything changes: the questions come after it.
             const size_t namedAt = output.find("\n" + named + "\n");
             EXPECT_NE(namedAt, std::string::npos) << output;
             EXPECT_LT(namedAt, output.find("\nNow, Removing the old service...")) << output;
             EXPECT_TRUE(Contains(output, "\nSummary of the upgrade:\n  Changed:\n    dictionary files brought to "
                                          "the current title: 9\n"))
                 << output;
             EXPECT_TRUE(Contains(output, "\n  Steps that failed:\n    rename the previous release's programs\n  " +
                                              named + "\n"))
                 << output;
             const std::string log = ReadFileText(logs[0]);
             EXPECT_EQ(log.rfind("ZEL(R) Enterprise Database Upgrade 6.80.5290.64, run of ", 0), 0u) << log;
             EXPECT_TRUE(Contains(log, "\r\nArguments: " + world.HomeArgument() + " NEW:1 OLD:N\r\n")) << log;
             EXPECT_TRUE(Contains(log, "\r\nYou select: 1\r\n")) << log;
             EXPECT_TRUE(Contains(log, "\r\nCopying: zemservice.exe\r\nCopying: zelkit64.dll\r\n")) << log;
             EXPECT_TRUE(Contains(log, "\r\nERROR: 1999 rename the previous release's programs: Z_DeleteFiles: "))
                 << log;
             EXPECT_TRUE(Contains(log, "\r\n  Steps that failed:\r\n    rename the previous release's programs\r\n"))
                 << log;
             const std::string end = "\r\n\r\nExit status: 2\r\n";
             EXPECT_TRUE(log.size() > end.size() && log.compare(log.size() - end.size(), end.size(), end) == 0) << log;
             EXPECT_EQ(log.find('\a'), std::string::npos);
             EXPECT_TRUE(CarriageReturnsEndLines(log)) << log;
         },
         "1\n"},
        {"an old name cannot be kept", "", oldNamesKept, nullptr,
         [](const FaultLog& log) { return Last(log, "Z_CloneFile"); }, nullptr, 2,
         "rename the previous release's programs: Z_CloneFile: injected failure", nullptr},
        {"the kernel cannot read the names of a new database's columns", "", oldNamesDropped, nullptr,
         [](const FaultLog& log) { return FirstAfter(log, "GetDColumnInfo", "ZKF_CreateDB"); }, nullptr, 1,
         "ZKF_CreateDB: cannot read the names of the columns of database ", nullptr},
        // VIEW.DIC is written anew first, then the headers in place, each
        // after a seek to its start.
        {"a header of a dictionary file cannot be written", "", oldNamesDropped, nullptr,
         [](const FaultLog& log) {
             return FirstFrom(log, "Z_WriteFile", FirstAfter(log, "Z_SeekFile", "Z_JournalFile"));
         },
         nullptr, 1,
         "ERROR: 17400 UPDATE CONFIG: Z_WriteFile: cannot write ",
         [](const UpgradeWorld&, const std::string& output) {
             EXPECT_TRUE(Contains(output, "CONFIG.DIC: injected failure (ZEL_FAULT)\n")) << output;
         }},
        // A move of LOG.CFG to LOG.INI stopped between its link and its
        // removal (a file system without a rename that refuses to replace):
        // the run finishes the move.
        {"LOG.CFG and LOG.INI left as two names of one file", "", oldNamesDropped, nullptr, nullptr,
         [](const UpgradeWorld& world) { fs::create_hard_link(System(world, "LOG.CFG"), System(world, "LOG.INI")); }, 0,
         "", [](const UpgradeWorld& world, const std::string&) { EXPECT_FALSE(fs::exists(System(world, "LOG.CFG"))); }},
        // The same for a start file an earlier run began to keep under its
        // kept name: the kept file is the one converted.
        {"z40startup.bat and startup-z40.bat.BAK left as two names of one file", "", oldNamesDropped, nullptr, nullptr,
         [](const UpgradeWorld& world) {
             fs::create_hard_link(Bin(world, "z40startup.bat"), Bin(world, "startup-z40.bat.BAK"));
         },
         0, "", nullptr},
        // The new programs were there before the upgrade: no question, the
        // old names come back as copies, and the renaming leaves the profile
        // (which names old programs) as the merge made it.
        {"the new programs already in place",
         "",
         {"NEW:0", "CS:1"},
         [](const UpgradeWorld& world) {
             WriteFileText(System(world, "PROFILE.INI"),
                           "[AutoBatch]\r\nProgramStart=z40server.exe &PORT &BLOCK\r\nProgramClose=z40shutdown.exe\r\n");
             for (const char* name : kNewPrograms) {
                 // The console program comes in one variant per character set.
                 const fs::path source = world.Package() / (std::string(name) == "zemconsole.exe" ? "GB" : "") / name;
                 fs::copy_file(source, Bin(world, name), fs::copy_options::overwrite_existing);
             }
         },
         nullptr,
         nullptr,
         0,
         "",
         [](const UpgradeWorld& world, const std::string& output) {
             EXPECT_FALSE(Contains(output, "Do you want to kepp to the old names?")) << output;
             for (size_t i = 0; i < 6; ++i) {
                 EXPECT_EQ(ReadFileText(Bin(world, kOldPrograms[i])), ReadFileText(Bin(world, kNewPrograms[i])))
                     << kOldPrograms[i];
             }
             const std::string profile = ReadFileText(System(world, "PROFILE.INI"));
             EXPECT_TRUE(Contains(profile, "ProgramStart=z40server.exe &PORT &BLOCK\r\n")) << profile;
             EXPECT_TRUE(Contains(profile, "ProgramClose=z40shutdown.exe\r\n")) << profile;
         }},
    };
}

TEST(FailedSteps, EachRowSaysWhatItDidAndTheRerunEndsAsACleanRun) {
    for (const FailedStepRow& row : RowSample().Of(Rows())) {
        SCOPED_TRACE(row.name);
        UpgradeWorld world;
        ASSERT_EQ(world.MakeHome(row.home).exitCode, 0);
        if (row.prepare) row.prepare(world);
        ScratchDir keep("failed-steps");
        ServiceState services;
        ASSERT_TRUE(services.Prepare(world, keep.Root() / "services"));
        CopyTree(world.Home(), keep.Root() / "home");

        // A clean run of the same home: its fault points and its result.
        SetEnvironment("ZEL_FAULT_LOG", keep.Path("points.log"));
        if (!row.operation.empty()) SetEnvironment("ZEL_FAULT_SITES", keep.Path("sites.log"));
        const ProgramResult clean = world.Upgrade(row.arguments, row.input);
        UnsetEnvironment("ZEL_FAULT_LOG");
        UnsetEnvironment("ZEL_FAULT_SITES");
        ASSERT_EQ(clean.exitCode, 0) << clean.output;
        const SweepOutcome cleanOutcome = ObserveOutcome(world);

        CopyTree(keep.Root() / "home", world.Home());
        services.Restore(world);
        if (row.disturb) row.disturb(world);
        if (row.point) {
            const int point = row.point(ReadFaultLog(keep.Root() / "points.log"));
            ASSERT_GT(point, 0) << "the clean run passes no such fault point";
            const std::string fault = row.operation.empty()
                                          ? "*:" + std::to_string(point)
                                          : OperationInCall(keep.Root() / "sites.log", point, row.operation);
            ASSERT_FALSE(fault.empty()) << "the call at " << point << " makes no " << row.operation;
            SetEnvironment("ZEL_FAULT", fault);
        } else if (!row.fault.empty()) {
            SetEnvironment("ZEL_FAULT", row.fault);
        }
        if (!row.faultAs.empty()) SetEnvironment("ZEL_FAULT_AS", row.faultAs);
        const ProgramResult tested = world.Upgrade(row.arguments, row.input);
        UnsetEnvironment("ZEL_FAULT");
        UnsetEnvironment("ZEL_FAULT_AS");
        EXPECT_EQ(tested.exitCode, row.exitCode) << tested.output;
        EXPECT_TRUE(Contains(tested.output, row.errorLine)) << tested.output;
        if (row.exitCode == 2) {
            std::string list = "\nThese steps failed:\n";
            for (const std::string& step : row.failedSteps) list += "    " + step + "\n";
            EXPECT_TRUE(Contains(tested.output, list + "Their ERROR lines")) << tested.output;
        }
        ExpectReportOfRun(tested.output, row.exitCode, row.exitCode == 2 ? row.failedSteps : std::vector<std::string>{});
        if (row.check) row.check(world, tested.output);
        std::vector<std::string> differences;
        if (row.exitCode == 0) CompareOutcome(cleanOutcome, ObserveOutcome(world), "the run: ", &differences);

        const ProgramResult rerun = world.Upgrade(row.arguments, row.input);
        EXPECT_EQ(rerun.exitCode, 0) << rerun.output;
        CompareOutcome(cleanOutcome, ObserveOutcome(world), "the rerun: ", &differences);
        for (const std::string& difference : differences) ADD_FAILURE() << difference;
        ServiceState::Remove();
    }
}

}  // namespace
}  // namespace zel::testing
