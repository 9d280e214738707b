#include "autobatch_section.h"

#include <cstring>

#include "config_paths.h"
#include "zelkit.h"

namespace {

// The largest batch file that is read; a larger one is left alone.
constexpr uint64_t MAX_BATCH_FILE_SIZE = 32768;

constexpr const char* SEARCHER_START = "ProgramStart=zelsearcher.exe &PORT &BLOCK";
constexpr const char* MIRROR_START = "ProgramStart=zelmirror.exe &PORT &BLOCK";
constexpr const char* MIRROR_CLOSE = "ProgramClose=zelmirror.exe -shutdown &PORT &BLOCK";

// The profile line a lower-cased batch line turns into, or null.
using BatchLineRule = const char* (*)(const char* line);

// The batch files of the previous release launch its programs under their
// old names, so a line counts when it names the program under either name.
bool NamesProgram(const char* line, const char* newName, const char* oldName) {
    return Z_GetFirstSubStrOffset(line, -1, newName, -1, 0) >= 0 ||
           Z_GetFirstSubStrOffset(line, -1, oldName, -1, 0) >= 0;
}

const char* StartLineFor(const char* line) {
    if (NamesProgram(line, "zelsearcher", "z40searcher")) {
        return SEARCHER_START;
    }
    if (NamesProgram(line, "zelmirror", "z40mirror")) {
        return MIRROR_START;
    }
    return nullptr;
}

const char* CloseLineFor(const char* line) {
    return NamesProgram(line, "zelmirror", "z40mirror") ? MIRROR_CLOSE : nullptr;
}

// Turns the lines of one old batch file into profile lines, then deletes the
// file. A file that is missing, too large or cannot be opened is left alone,
// and so is one that could not be read or whose lines were not all written,
// so that no launch is lost.
void ConvertBatchFile(HZFILE profile, const char* batchPath, char* buffer, BatchLineRule rule) {
    uint64_t size = 0;
    if (!Z_IsValidFileName(batchPath) || !Z_GetFileSize(batchPath, &size) || size > MAX_BATCH_FILE_SIZE) {
        return;
    }
    HZFILE batch = Z_OpenFile(batchPath, Z_MODE_READ, 0, nullptr, 0);
    if (batch == nullptr) {
        return;
    }
    int converted = 1;
    int64_t length = static_cast<int64_t>(size);
    if (length > 0) {
        converted = Z_ReadFile(batch, buffer, length, 1) == length;
    }
    if (converted && length > 0) {
        buffer[length] = '\0';
        int count = Z_SegmentMultiStr(buffer, "\r\n", 0);
        char* line = buffer;
        for (int index = 0; index < count; ++index) {
            size_t lineLength = std::strlen(line);
            Z_ToLowerStr(line, -1, 0);
            const char* profileLine = rule(line);
            if (profileLine != nullptr && !Z_WriteFileLineEx(profile, profileLine, 1)) {
                converted = 0;
                break;
            }
            line += lineLength + 1;
        }
    }
    Z_CloseFile(batch);
    if (converted) {
        Z_DeleteFile(batchPath);
    }
}

}  // namespace

bool AddAutoBatchSection(const char* binDir) {
    char profilePath[Z_MAX_PATH];
    char startPath[Z_MAX_PATH];
    char stopPath[Z_MAX_PATH];
    char systemDir[Z_MAX_PATH];
    if (!SystemDirFromBinDir(systemDir, binDir) || !JoinConfigPath(profilePath, systemDir, "PROFILE.INI") ||
        !JoinConfigPath(startPath, binDir, "z40startup.bat") || !JoinConfigPath(stopPath, binDir, "z40cleanup.bat")) {
        return false;
    }
    // Opened for update, never truncated: the section is only appended.
    HZFILE profile = Z_OpenFile(profilePath, Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (profile == nullptr) {
        return false;
    }
    int found = Z_SeekProfileSect(profile, "AutoBatch");
    if (found != 0) {
        // An existing section is never changed, even without the server lines.
        Z_CloseFile(profile);
        return found > 0;
    }
    if (!Z_SeekFileEnd(profile) || !Z_WriteFileLineEx(profile, "", 1) ||
        !Z_WriteFileLineEx(profile, "[AutoBatch]", 1) ||
        !Z_WriteFileLineEx(profile, "ProgramStart=zelserver.exe &PORT &BLOCK", 1) ||
        !Z_WriteFileLineEx(profile, "ProgramClose=zemshutdown.exe &PORT &BLOCK", 1)) {
        Z_CloseFile(profile);
        return false;
    }
    char* buffer = static_cast<char*>(Z_MemAlloc(MAX_BATCH_FILE_SIZE + 1, 0));
    if (buffer == nullptr) {
        Z_CloseFile(profile);
        return false;
    }
    ConvertBatchFile(profile, startPath, buffer, StartLineFor);
    ConvertBatchFile(profile, stopPath, buffer, CloseLineFor);
    Z_MemFree(buffer);
    Z_CloseFile(profile);
    return true;
}
