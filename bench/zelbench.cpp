// zelbench: runs one piece of the upgrade on prepared files and prints how
// long it took (wall and processor seconds) and the process's peak memory.
// bench/run.sh prepares the files, runs the references and compares.
//
//   zelbench view HOME                  UpdateDictFile of VIEW.DIC
//   zelbench view-journal HOME          the same as the upgrade's dictionary
//                                       phase makes it: under the file
//                                       journal, which is then flushed and
//                                       discarded; with the bytes the
//                                       process wrote
//   zelbench dictionary HOME            ShellOpen/ShellClose, the nine
//                                       UpdateDictFile, then the dictionary
//                                       steps that need no lexicon sources,
//                                       under a file journal in HOME/bench-
//                                       journal as the upgrade journals them
//   zelbench lexicon HOME SOURCE ID     ZKF_CreateLexicon (GB18030)
//   zelbench asslex HOME KIND SOURCE    ZKF_CreateAssLexicon (GB18030)
//   zelbench thesaurus HOME SOURCE ID   ZKF_LoadDBRecords, ZKF_OptimizeDB
//   zelbench profile SYSDIR/ PKGDIR/    MergeProfile
//   zelbench log SYSDIR/ PKGDIR/        MergeLogConfig
//
// Each figure is printed as "name seconds cpu-seconds" on its own line,
// the peak memory as "peak_rss_bytes N", a count as "name N".
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "data_formats.h"
#include "dict_file_headers.h"
#include "host_libraries.h"
#include "log_config.h"
#include "profile_merge.h"
#include "relation_columns.h"
#include "run_context.h"
#include "system_config.h"
#include "system_databases.h"
#include "zelkit.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace {

struct Timer {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
    void Report(const char* name) const {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
        std::printf("%s %.6f %.6f\n", name, seconds, cpuSeconds);
    }
};

void ReportPeakMemory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak_rss_bytes %lld\n", static_cast<long long>(usage.ru_maxrss) * 1024);
}

// The bytes the process has handed to write calls so far (Linux's
// /proc/self/io), or -1.
long long BytesWritten() {
    std::FILE* io = std::fopen("/proc/self/io", "r");
    if (io == nullptr) return -1;
    char line[128];
    long long written = -1;
    while (std::fgets(line, sizeof line, io) != nullptr) {
        if (std::sscanf(line, "wchar: %lld", &written) == 1) break;
    }
    std::fclose(io);
    return written;
}

int Fail(const char* what) {
    char text[Z_MAX_LINE];
    Z_GetLastErrorPrompt(text, sizeof text);
    std::fprintf(stderr, "zelbench: %s failed: %u %s\n", what, static_cast<unsigned>(Z_GetLastError()), text);
    return 1;
}

void QuietLoad(int32_t, intptr_t) {}
void QuietOptimize(int32_t, intptr_t) {}

int View(const char* home) {
    Timer timer;
    if (!UpdateDictFile(5, home)) return Fail("UpdateDictFile VIEW.DIC");
    timer.Report("view_convert");
    return 0;
}

// The run's journal, where the upgrade keeps it.
std::string JournalOf(const char* home, std::string* record) {
    *record = std::string(home) + "/system/UPGRADE.RUN";
    return *record + "/JOURNAL";
}

int ViewUnderJournal(const char* home) {
    std::string record;
    const std::string journal = JournalOf(home, &record);
    // The upgrade makes its record's folder at its start, long before.
    if (Z_DirExists(record.c_str()) == 0 && !Z_CreateDir(record.c_str(), 0)) return Fail("Z_CreateDir");
    const long long before = BytesWritten();
    Timer timer;
    const std::unique_ptr<ZJournalObject, JournalFree> opened(Z_OpenFileJournal(journal.c_str(), home, record.c_str()));
    if (opened == nullptr) return Fail("Z_OpenFileJournal");
    if (!UpdateDictFile(5, home, nullptr, opened.get())) return Fail("UpdateDictFile VIEW.DIC");
    Z_CloseFileJournal(opened.get());
    if (!Z_DiscardFileJournal(opened.get(), journal.c_str(), home)) return Fail("Z_DiscardFileJournal");
    timer.Report("view_journal");
    std::printf("view_journal_written_bytes %lld\n", BytesWritten() - before);
    return 0;
}

int Dictionary(const char* home) {
    {
        Timer timer;
        if (ShellOpen(home, -1, -1, -1, -1) == 0) return Fail("ShellOpen");
        timer.Report("shell_open");
        ShellClose();
    }
    // The upgrade records every file of its dictionary phase before the
    // first change; the shell then writes records in place.
    std::string record;
    const std::string journal = JournalOf(home, &record);
    std::unique_ptr<ZJournalObject, JournalFree> opened;
    {
        Timer timer;
        opened.reset(Z_OpenFileJournal(journal.c_str(), home, record.c_str()));
        if (opened == nullptr) return Fail("Z_OpenFileJournal");
        timer.Report("journal_open");
    }
    {
        Timer timer;
        for (uint16_t index = 0; index < 9; ++index) {
            if (!UpdateDictFile(index, home, nullptr, opened.get())) return Fail(DictFileName(index));
        }
        timer.Report("dict_files");
    }
    Timer total;
    if (ShellOpen(home, -1, -1, -1, -1) == 0) return Fail("ShellOpen");
    RunContext run;
    ObjectEnv& env = run.env;
    if (GetObjectEnv(3, &env) == nullptr) return Fail("GetObjectEnv");
    int native = SetSystemCharset(0);
    {
        Timer timer;
        if (!UpdateRelationColumns(&env)) return Fail("UpdateRelationColumns");
        timer.Report("relation_columns");
    }
    {
        Timer timer;
        if (!RemoveSdiBook(&env)) return Fail("RemoveSdiBook");
        timer.Report("remove_sdibook");
    }
    {
        Timer timer;
        if (!UpdateDataFormats(&env, native)) return Fail("UpdateDataFormats");
        timer.Report("data_formats");
    }
    {
        Timer timer;
        if (!UpdateSystemConfig(run)) return Fail("UpdateSystemConfig");
        timer.Report("system_config");
    }
    {
        Timer timer;
        if (!ShellClose()) return Fail("ShellClose");
        timer.Report("shell_close");
    }
    total.Report("dictionary_steps");
    {
        Timer timer;
        Z_CloseFileJournal(opened.get());
        if (!Z_DiscardFileJournal(opened.get(), journal.c_str(), home)) return Fail("Z_DiscardFileJournal");
        timer.Report("journal_discard");
    }
    return 0;
}

int Lexicon(const char* home, const char* source, uint32_t id) {
    if (ShellOpen(home, -1, -1, -1, -1) == 0) return Fail("ShellOpen");
    if (!Z_AssignCharset(Z_CHARSET_GB18030, 0)) return Fail("Z_AssignCharset");
    Timer timer;
    int64_t entries = ZKF_CreateLexicon(id, source, 0, nullptr, 0);
    if (entries < 0) return Fail("ZKF_CreateLexicon");
    timer.Report("lexicon_build");
    std::printf("entries %lld\n", static_cast<long long>(entries));
    ShellClose();
    return 0;
}

int AssLexicon(const char* home, int kind, const char* source) {
    if (ShellOpen(home, -1, -1, -1, -1) == 0) return Fail("ShellOpen");
    Timer timer;
    if (ZKF_CreateAssLexicon(kind, 1, source, 1) == 0) return Fail("ZKF_CreateAssLexicon");
    timer.Report("asslex_build");
    ShellClose();
    return 0;
}

int Thesaurus(const char* home, const char* source, uint32_t id) {
    if (ShellOpen(home, -1, -1, -1, -1) == 0) return Fail("ShellOpen");
    // A database whose data names no character set takes the assigned one.
    if (!Z_AssignCharset(Z_CHARSET_GB18030, 0)) return Fail("Z_AssignCharset");
    tagZKS_DeleteDBRec erase{};
    erase.databaseId = id;
    if (ZKF_DeleteDBRecords(&erase, 0, 0, nullptr) < 0) return Fail("ZKF_DeleteDBRecords");
    {
        tagZKS_LoadDBRec load{};
        load.databaseId = id;
        std::string path = source;
        load.sourcePath = path.data();
        load.value36 = 1;
        load.progress = QuietLoad;
        tagZKS_MaintDBReport report{};
        Timer timer;
        int64_t loaded = ZKF_LoadDBRecords(&load, &report, 0, 0);
        if (loaded < 0) return Fail("ZKF_LoadDBRecords");
        timer.Report("thesaurus_load");
        std::printf("records %lld\n", static_cast<long long>(loaded));
    }
    {
        tagZKS_OptimizeDB optimize{};
        optimize.databaseId = id;
        optimize.value4 = 1;
        optimize.progress = QuietOptimize;
        Timer timer;
        if (ZKF_OptimizeDB(&optimize) == 0) return Fail("ZKF_OptimizeDB");
        timer.Report("thesaurus_optimize");
    }
    ShellClose();
    return 0;
}

int Profile(const char* systemDir, const char* packageDir) {
    Timer timer;
    if (!MergeProfile(systemDir, packageDir)) return Fail("MergeProfile");
    timer.Report("profile_merge");
    return 0;
}

int Log(const char* systemDir, const char* packageDir) {
    Timer timer;
    if (!MergeLogConfig(systemDir, packageDir)) return Fail("MergeLogConfig");
    timer.Report("log_merge");
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: zelbench view HOME | view-journal HOME | dictionary HOME | lexicon HOME SOURCE ID |\n"
                 "       asslex HOME KIND SOURCE | thesaurus HOME SOURCE ID |\n"
                 "       profile SYSDIR/ PKGDIR/ | log SYSDIR/ PKGDIR/\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    ConnectHostLibraries();
    if (argc < 3) return Usage();
    std::string command = argv[1];
    int status = 2;
    if (command == "view") {
        status = View(argv[2]);
    } else if (command == "view-journal") {
        status = ViewUnderJournal(argv[2]);
    } else if (command == "dictionary") {
        status = Dictionary(argv[2]);
    } else if (command == "lexicon" && argc == 5) {
        status = Lexicon(argv[2], argv[3], static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)));
    } else if (command == "asslex" && argc == 5) {
        status = AssLexicon(argv[2], std::atoi(argv[3]), argv[4]);
    } else if (command == "thesaurus" && argc == 5) {
        status = Thesaurus(argv[2], argv[3], static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)));
    } else if (command == "profile" && argc == 4) {
        status = Profile(argv[2], argv[3]);
    } else if (command == "log" && argc == 4) {
        status = Log(argv[2], argv[3]);
    } else {
        return Usage();
    }
    ReportPeakMemory();
    return status;
}
