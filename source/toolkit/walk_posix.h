// Off Windows: the walk's calls (walk.h). A place holds the open folder
// that holds the last name, so that the call that follows works on that
// folder (openat, renameat, unlinkat ...) and nothing swapped in along the
// path since can redirect it.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "walk.h"

namespace zel::toolkit {

struct PosixPrimitives {
    struct Place : WalkedName {
        Place() = default;
        ~Place();
        Place(Place&& other) noexcept;
        Place& operator=(Place&& other) noexcept;
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;

        int folder = -1;         // holds the last name; -1 when a folder on the way is missing
        struct stat found = {};  // the last name's, as its folder shows it (never followed)
    };

    static Status AtStart(const LexicalPath& path, Place& place);
    static Status BeginAtRoot(const FileRoot& root, Place& place);
    static Result<bool> BeginAt(const std::string& folder, Place& place);
    static Status LookUp(Place& place, const std::string& folder, const std::string& name, std::string& spelled);
    static Status ReadLink(Place& place, const LexicalPath& path, const std::string& folder, const std::string& link,
                           std::string& target);
    static Status Descend(Place& place, const std::string& folder);
    static void Release(Place& place);

    // The calls on a place found (placed_file_system.h).
    static void Found(Place& place);
    static Result<Facts> FactsAt(const Place& place);
    static Result<Ownership> OwnerAt(const Place& place);
    static Result<std::vector<Entry>> ListAt(Place& place);
    static Result<std::unique_ptr<File>> OpenAt(Place& place, const Path& path, const OpenOptions& options);
    static Status RenameAt(const Place& from, const Place& to, RenameMode mode);
    static Status LinkAt(const Place& existing, const Place& name);
    static Status RemoveAt(const Place& place);
    static Status MakeFolderAt(const Place& place, bool ownerOnly);
    static Status RemoveFolderAt(const Place& place);
    static Status FlushFolderAt(const Place& place);
};

using PosixPlace = PosixPrimitives::Place;

Kind KindOfMode(mode_t mode);
Facts FactsOfStat(const struct stat& status);
Ownership OwnershipOfStat(const struct stat& status);

}  // namespace zel::toolkit
