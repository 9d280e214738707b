// The names a folder holds, for a caller that keeps records of its own in
// one folder: a folder that cannot be listed is a failure, never a folder
// without entries.
#include <string>
#include <vector>

#include "env.h"
#include "fault_table.h"
#include "toolkit_internal.h"

using namespace zel::toolkit;

namespace {

uint32_t KindNumber(Kind kind) {
    switch (kind) {
        case Kind::Missing: return Z_FILE_MISSING;
        case Kind::Regular: return Z_FILE_REGULAR;
        case Kind::Folder: return Z_FILE_DIRECTORY;
        case Kind::Link: return Z_FILE_LINK;
        case Kind::Other: break;
    }
    return Z_FILE_OTHER;
}

}  // namespace

int Z_ListFolder(const char* folder, const char* wildcard, ZFolderCallback found, void* context) {
    const EntryPoint call("Z_ListFolder");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_ListFolder", folder)) return 0;
    if (wildcard == nullptr || wildcard[0] == '\0' || found == nullptr) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_ListFolder: no wildcard or callback given");
    }
    Result<std::vector<Entry>> entries = Files().List(folder);
    if (!entries.ok()) return FailStatus("Z_ListFolder", "list", folder, entries.status());
    for (const Entry& entry : *entries) {
        if (!MatchesWildcard(entry.name, wildcard)) continue;
        // A '?' in place of a character the code page cannot write could
        // name another file, or none.
        if (!entry.exact) {
            return Fail(Z_ERROR_CHARSET,
                        "Z_ListFolder: cannot list %s: the name %s cannot be written in the system code page", folder,
                        entry.name.c_str());
        }
        if (found(entry.name.c_str(), KindNumber(entry.kind), context) == 0) break;
    }
    return 1;
}
