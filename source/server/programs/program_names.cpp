#include "program_names.h"

#include "zelkit.h"

const ProgramNameRow g_programNames[PROGRAM_NAME_COUNT] = {
    {"z40server.exe", "zelserver.exe"},   {"z40searcher.exe", "zelsearcher.exe"},
    {"z40mirror.exe", "zelmirror.exe"},   {"z40shutdown.exe", "zemshutdown.exe"},
    {"z40service.exe", "zemservice.exe"}, {"z40console.exe", "zemconsole.exe"},
};

namespace {

struct ProgramValueRename {
    const char* key;
    const char* oldValue;
    const char* newValue;
};

// The mirror stops through its own program with -shutdown.
const ProgramValueRename valueRenames[] = {
    {"ProgramStart", "z40server", "zelserver"},
    {"ProgramStart", "z40searcher", "zelsearcher"},
    {"ProgramStart", "z40mirror", "zelmirror"},
    {"ProgramStart", "z40server.exe", "zelserver.exe"},
    {"ProgramStart", "z40searcher.exe", "zelsearcher.exe"},
    {"ProgramStart", "z40mirror.exe", "zelmirror.exe"},
    {"ProgramClose", "z40shutdown", "zemshutdown"},
    {"ProgramClose", "z40mirror", "zelmirror -shutdown"},
    {"ProgramClose", "z40shutdown.exe", "zemshutdown.exe"},
    {"ProgramClose", "z40mirror.exe", "zelmirror.exe -shutdown"},
    {"ShutdownCall", "z40shutdown", "zemshutdown"},
    {"ShutdownCall", "z40shutdown.exe", "zemshutdown.exe"},
};

}  // namespace

const char* FindRenamedProgramValue(const char* key, const char* value) {
    for (const ProgramValueRename& rename : valueRenames) {
        if (ZSTRCMPI(rename.key, key) == 0 && ZSTRCMPI(rename.oldValue, value) == 0) {
            return rename.newValue;
        }
    }
    return nullptr;
}

bool IsProgramLineKey(const char* key) {
    return ZSTRCMPI(key, "ProgramStart") == 0 || ZSTRCMPI(key, "ProgramClose") == 0 ||
           ZSTRCMPI(key, "ShutdownCall") == 0;
}
