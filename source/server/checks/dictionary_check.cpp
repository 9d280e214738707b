#include "dictionary_check.h"

#include <string>

#include "dict_file_headers.h"
#include "fixed_path.h"
#include "zelkit.h"
#include "zemshell.h"

namespace {

constexpr uint16_t kDictFileCount = 9;

std::string LastErrorText() { return Z_GetLastErrorPrompt(nullptr, 0); }

}  // namespace

void CheckDictionary(const char* home, CheckFindings* findings) {
    const FixedPath system = FixedPath::Directory(home).Sub("system");
    const int there = system.ok() ? Z_DirExists(system.c_str()) : 0;
    if (there < 0) {
        findings->blockers.push_back({"The system folder of the home cannot be looked at: " + LastErrorText(),
                                      "mend what keeps the home from being read"});
        return;
    }
    if (there == 0) {
        findings->blockers.push_back({std::string(home) + " has no system folder: it is not the home directory of a "
                                                          "server",
                                      "give DIR: the home directory of the installed server"});
        return;
    }
    bool whole = true;
    for (uint16_t index = 0; index < kDictFileCount; ++index) {
        if (CheckDictFile(index, home)) continue;
        whole = false;
        findings->blockers.push_back(
            {LastErrorText(), std::string("restore the home directory from its backup: its dictionary file ") +
                                  DictFileName(index) + " cannot be brought to the current release"});
    }
    // The shell reads the whole dictionary; what it would stop at in the
    // dictionary phase stops the run here, before the old service goes. A
    // file found damaged above would only be named again.
    if (!whole) return;
    if (ShellOpen(home, -1, -1, -1, -1) == 0) {
        findings->blockers.push_back({"The dictionary shell does not open the home: " + LastErrorText(),
                                      "restore the home directory from its backup, or mend what the line names"});
        return;
    }
    // Opened to read only: a close that fails loses nothing.
    ShellClose();
}
