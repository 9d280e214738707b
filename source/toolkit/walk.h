// The link rule, once for every system: a path followed one name at a
// time from an open folder, the root it lies beneath (Z_AddFileRoot) or,
// beneath no root, the folder that holds its last name as the system finds
// that folder. "." and ".." were taken by the path's text already
// (path_lexical.h); a link is followed only when the rule allows it (its
// owner is trusted, and as the last name it leads to a regular file or a
// folder), at most 32 deep.
//
// P holds the few calls each system makes its own way (walk_posix.h,
// walk_win32.h):
//   Status AtStart(const LexicalPath&, Place&)              the start of all paths ("/", "C:\")
//   Status BeginAtRoot(const FileRoot&, Place&)             the root as it was opened
//   Result<bool> BeginAt(const std::string& folder, Place&) a folder as the system finds it; false: missing
//   Status LookUp(Place&, const std::string& folder, const std::string& name, std::string& spelled)
//       what the name is in the held folder (place.kind; Missing is an answer) and its spelling on the disk
//   Status ReadLink(Place&, const LexicalPath&, const std::string& folder, const std::string& link,
//                   std::string& target)
//       the owner rule, then the absolute text of what the link names
//   Status Descend(Place&, const std::string& folder)      hold the named folder next, as itself
//   void Release(Place&)                                    let the folders go
#pragma once

#include <string>

#include "file_roots.h"
#include "file_system.h"
#include "path_lexical.h"

namespace zel::toolkit {

constexpr int kMostLinks = 32;

// Where a walk ended: the last name and the folder that holds it.
struct WalkedName {
    // A folder on the way is missing, or is a file (notFolder): the last
    // name is missing too, and nothing can be made there.
    bool folderMissing = false;
    bool notFolder = false;
    Kind kind = Kind::Missing;  // what the last name is, as its folder shows it
    std::string name;           // the last name (as the disk spells it on Windows)
    std::string text;           // the whole path as followed (links replaced)
    std::string folderText;     // the folder that holds the last name, as followed
    std::string notFolderText;  // with notFolder: the file on the way

    // The failure of an operation that needs the name (or its folder) there.
    Status MissingStatus() const;
};

void MissingFrom(const LexicalPath& path, size_t at, const std::string& folderText, WalkedName& place);

template <class P>
Status Walk(const RootList& roots, const LexicalPath& path, Last last, typename P::Place& place, int hops = 0) {
    if (hops > kMostLinks) return Status::Refused(Code::UnsafeLink, "it leads through more than 32 links");
    place = typename P::Place{};
    const size_t count = path.names.size();
    if (count == 0) return P::AtStart(path, place);
    size_t at = 0;
    std::string folderText;
    if (const FileRoot* root = roots.Beneath(path)) {
        at = root->path.names.size();
        folderText = root->path.Text();
        if (Status begun = P::BeginAtRoot(*root, place); !begun.ok()) return begun;
    } else {
        // Beneath no root, the folders on the way are the system's business.
        at = count - 1;
        folderText = path.Prefix(at);
        Result<bool> begun = P::BeginAt(folderText, place);
        if (!begun.ok()) return begun.TakeStatus();
        if (!*begun) {
            P::Release(place);
            MissingFrom(path, at, folderText, place);
            place.folderMissing = true;
            return Status();
        }
    }
    for (; at < count; ++at) {
        const bool isLast = at + 1 == count;
        std::string name;
        if (Status looked = P::LookUp(place, folderText, path.names[at], name); !looked.ok()) {
            P::Release(place);
            return looked;
        }
        if (place.kind == Kind::Missing) {
            // Missing: so is everything beneath it.
            if (!isLast) P::Release(place);
            MissingFrom(path, at, folderText, place);
            return Status();
        }
        const std::string here = JoinName(folderText, name);
        if (place.kind == Kind::Link && (!isLast || last == Last::Follow)) {
            std::string target;
            Status read = P::ReadLink(place, path, folderText, here, target);
            P::Release(place);
            if (!read.ok()) return read;
            for (size_t rest = at + 1; rest < count; ++rest) target = JoinName(target, path.names[rest]);
            LexicalPath next;
            if (!MakeLexical(target, next)) {
                return Status::Refused(Code::UnsafeLink, "the link " + here + " names " + target +
                                                             ", which cannot be followed");
            }
            if (Status walked = Walk<P>(roots, next, last, place, hops + 1); !walked.ok()) return walked;
            if (!isLast) return Status();
            // The link is the last name: what it names must be a file or a
            // folder.
            if (place.kind != Kind::Regular && place.kind != Kind::Folder) {
                P::Release(place);
                return Status::Refused(Code::UnsafeLink,
                                       "the link " + here + " leads to no file or folder and is not followed");
            }
            return Status();
        }
        if (isLast) {
            place.name = name;
            place.text = here;
            place.folderText = folderText;
            return Status();
        }
        if (place.kind != Kind::Folder) {
            // A file where a folder must be: nothing lies beneath it.
            P::Release(place);
            MissingFrom(path, at + 1, here, place);
            place.folderMissing = true;
            place.notFolder = true;
            place.notFolderText = here;
            return Status();
        }
        if (Status descended = P::Descend(place, here); !descended.ok()) {
            P::Release(place);
            return descended;
        }
        folderText = here;
    }
    return Status();  // not reached: the last name returns in the loop
}

}  // namespace zel::toolkit
