// How much room a volume has, and how much a folder holds: what a caller
// needs to tell, before it starts, whether its work will fit.
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "fault_table.h"
#include "path_lexical.h"
#include "path_text.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

using namespace zel::toolkit;

namespace {

// Regular files only, links not followed: what the folder itself holds.
bool AddFolderSize(const std::string& folder, const char* wildcard, int depth, uint64_t* bytes) {
    std::vector<DirectoryEntry> entries;
    Problem problem;
    if (!PlatformListDirectory(folder.c_str(), entries, problem)) {
        return FailProblem("Z_GetFolderSize", "list", folder.c_str(), problem) != 0;
    }
    for (const DirectoryEntry& entry : entries) {
        const std::string path = JoinName(folder, entry.name);
        if (entry.kind == FileKind::Directory && depth > 0) {
            if (!AddFolderSize(path, wildcard, depth - 1, bytes)) return false;
        } else if (entry.kind == FileKind::Regular && entry.exact && MatchesWildcard(entry.name, wildcard)) {
            FileFacts facts;
            if (PlatformFacts(path.c_str(), LastName::Itself, facts, problem)) *bytes += facts.size;
        }
    }
    return true;
}

}  // namespace

int Z_GetFreeSpace(const char* path, uint64_t* available) {
    const EntryPoint call("Z_GetFreeSpace");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_GetFreeSpace", path)) return 0;
    if (available == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_GetFreeSpace: no place for the size given");
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(PathFromText(path), error);
    if (error) {
        return Fail(Z_ERROR_IO, "Z_GetFreeSpace: cannot read the free space of the volume of %s: %s", path,
                    error.message().c_str());
    }
    *available = static_cast<uint64_t>(space.available);
    return 1;
}

int Z_GetFolderSize(const char* folder, const char* wildcard, int depth, uint64_t* bytes) {
    const EntryPoint call("Z_GetFolderSize", false);
    if (RejectEmptyPath("Z_GetFolderSize", folder)) return 0;
    if (bytes == nullptr || wildcard == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_GetFolderSize: no wildcard or size given");
    *bytes = 0;
    return AddFolderSize(folder, wildcard, depth, bytes) ? 1 : 0;
}
