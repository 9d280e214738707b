// Roots, facts about files, and the search for links the link rule refuses.
#include <cstring>
#include <string>
#include <vector>

#include "fault_table.h"
#include "platform_files.h"
#include "path_lexical.h"
#include "path_text.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

using namespace zel::toolkit;

namespace {

uint32_t KindCode(FileKind kind) {
    switch (kind) {
        case FileKind::Missing: return Z_FILE_MISSING;
        case FileKind::Regular: return Z_FILE_REGULAR;
        case FileKind::Directory: return Z_FILE_DIRECTORY;
        case FileKind::Link: return Z_FILE_LINK;
        case FileKind::Other: return Z_FILE_OTHER;
    }
    return Z_FILE_OTHER;
}

// 1 found, 0 none, -1 failure (last error set).
int Search(const std::string& folder, int depth, std::string& found) {
    std::vector<DirectoryEntry> entries;
    Problem problem;
    if (!PlatformListDirectory(folder.c_str(), entries, problem)) {
        if (problem.code == Z_ERROR_UNSAFE_LINK) {
            found = folder;
            Fail(problem.code, "%s", problem.text.c_str());
            return 1;
        }
        FailProblem("Z_FindUnsafeLink", "list", folder.c_str(), problem);
        return -1;
    }
    for (const DirectoryEntry& entry : entries) {
        const std::string path = JoinName(folder, entry.name);
        if (entry.kind == FileKind::Link) {
            FileFacts facts;
            if (!PlatformFacts(path.c_str(), LastName::Follow, facts, problem)) {
                if (problem.code != Z_ERROR_UNSAFE_LINK) {
                    FailProblem("Z_FindUnsafeLink", "follow", path.c_str(), problem);
                    return -1;
                }
                found = path;
                Fail(problem.code, "%s", problem.text.c_str());
                return 1;
            }
            continue;  // what an allowed link names is the administrator's
        }
        if (entry.kind == FileKind::Directory && depth > 0) {
            const int result = Search(path, depth - 1, found);
            if (result != 0) return result;
        }
    }
    return 0;
}

}  // namespace

int Z_AddFileRoot(const char* directory) {
    if (RejectEmptyPath("Z_AddFileRoot", directory)) return 0;
    if (Status added = Platform().AddRoot(directory); !added.ok()) {
        return FailStatus("Z_AddFileRoot", "open", directory, added);
    }
    return 1;
}

void Z_ClearFileRoots() { Platform().ClearRoots(); }

int Z_GetFileInfo(const char* path, uint32_t flags, ZFileInfo* info) {
    const EntryPoint call("Z_GetFileInfo", false);
    if (RejectEmptyPath("Z_GetFileInfo", path)) return 0;
    if (info == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_GetFileInfo: no place for the facts given");
    FileFacts facts;
    Problem problem;
    const LastName last = (flags & (Z_NO_LINK | Z_OWN_FILE)) != 0 ? LastName::Itself : LastName::Follow;
    if (!PlatformFacts(path, last, facts, problem)) return FailProblem("Z_GetFileInfo", "look at", path, problem);
    // A record that is there must be the program's own; a link is no
    // record and is told as one.
    Ownership ownership;
    if ((flags & Z_OWN_FILE) != 0 && (facts.kind == FileKind::Regular || facts.kind == FileKind::Directory) &&
        (!PlatformOwnership(path, last, ownership, problem) || !OwnFile(ownership, problem))) {
        return FailProblem("Z_GetFileInfo", "trust", path, problem);
    }
    std::memset(info, 0, sizeof *info);
    info->kind = KindCode(facts.kind);
    info->links = static_cast<uint32_t>(facts.links);
    info->size = facts.size;
    info->volume = facts.volume;
    info->index = facts.index;
    return 1;
}

int Z_FindUnsafeLink(const char* directory, int depth, char* found, int size) {
    const EntryPoint call("Z_FindUnsafeLink", false);
    if (RejectEmptyPath("Z_FindUnsafeLink", directory)) return -1;
    std::string path;
    const int result = Search(directory, depth, path);
    if (result == 1 && found != nullptr && size > 0) {
        std::strncpy(found, path.c_str(), static_cast<size_t>(size) - 1);
        found[size - 1] = '\0';
    }
    return result;
}
