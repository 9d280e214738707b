// The table of file operations over one walk, for every system: each
// operation walks its path by the link rule (walk.h), says "missing" the
// same way everywhere, and then makes its one system call on the place it
// found through P, the system's calls on a place (walk_posix.h,
// walk_win32.h):
//   Result<Facts> FactsAt(const Place&)            the facts of the name found (Look's answer)
//   Result<Ownership> OwnerAt(const Place&)        who owns the name found
//   Result<std::vector<Entry>> ListAt(Place&)      the names in the folder found
//   Result<std::unique_ptr<File>> OpenAt(Place&, const Path&, const OpenOptions&)
//   Status RenameAt(const Place& from, const Place& to, RenameMode)
//   Status LinkAt(const Place& existing, const Place& name)
//   Status RemoveAt(const Place&)                  also where the folder lists no name
//   Status MakeFolderAt(const Place&, bool ownerOnly)
//   Status RemoveFolderAt(const Place&)
//   Status FlushFolderAt(const Place&)
#pragma once

#include <cerrno>
#include <memory>
#include <vector>

#include "platform_files.h"
#include "walk.h"

namespace zel::toolkit {

template <class P>
class PlacedFileSystem : public PlatformFileSystem {
public:
    using Place = typename P::Place;

    Status Find(const Path& path, Last last, Place& place) const {
        LexicalPath lexical;
        if (!MakeLexical(path, lexical)) return Status::Refused(Code::Io, "the current directory cannot be read");
        if (Status walked = Walk<P>(roots_, lexical, last, place); !walked.ok()) return walked;
        P::Found(place);
        return Status();
    }

    Result<Facts> Look(const Path& path, Last last) override {
        Place place;
        if (Status found = Find(path, last, place); !found.ok()) return found;
        if (place.folderMissing || place.kind == Kind::Missing) return Facts{};
        return P::FactsAt(place);
    }

    Result<Path> Resolve(const Path& path, Last last) override {
        Place place;
        if (Status found = Find(path, last, place); !found.ok()) return found;
        return place.text;
    }

    Result<Ownership> Owner(const Path& path, Last last) override {
        Place place;
        if (Status found = Find(path, last, place); !found.ok()) return found;
        if (place.folderMissing || place.kind == Kind::Missing) return place.MissingStatus();
        return P::OwnerAt(place);
    }

    Result<std::vector<Entry>> List(const Path& folder) override {
        Place place;
        if (Status found = FindFolder(folder, place); !found.ok()) return found;
        return P::ListAt(place);
    }

    Result<std::unique_ptr<File>> Open(const Path& path, const OpenOptions& options) override {
        const bool creates = options.mode == OpenMode::CreateOnly;
        Place place;
        if (Status found = Find(path, creates ? Last::Itself : options.last, place); !found.ok()) return found;
        if (place.folderMissing) return place.MissingStatus();
        if (!creates) {
            switch (place.kind) {
                case Kind::Regular: break;
                case Kind::Missing: return place.MissingStatus();
                case Kind::Link: return Status::Refused(Code::UnsafeLink, "it is a link");
                case Kind::Folder: return Status::Refused(Code::IsFolder, "it is a directory");
                case Kind::Other: return Status::Refused(Code::NotRegular, "it is not a regular file");
            }
        }
        Result<std::unique_ptr<File>> opened = P::OpenAt(place, path, options);
        if (!creates || !opened.ok()) return opened;
        // Only a file made here may later move over another (durable_files.h).
        // One that cannot say who it is goes again: a failed create leaves
        // no name behind.
        Result<Facts> made = (*opened)->Look();
        if (!made.ok()) {
            (void)(*opened)->Close();
            (void)P::RemoveAt(place);
            return made.TakeStatus();
        }
        NoteMade(*made);
        return opened;
    }

    Status Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched) override {
        Place source;
        Place target;
        if (Status found = Find(from, Last::Itself, source); !found.ok()) return found;
        if (Status found = Find(to, mode == RenameMode::Replace ? Last::Follow : Last::Itself, target); !found.ok()) {
            return found;
        }
        if (source.folderMissing || source.kind == Kind::Missing) return source.MissingStatus();
        if (target.folderMissing) return target.MissingStatus();
        const Result<Facts> replaced = HeldFile(target);
        if (Status renamed = P::RenameAt(source, target, mode); !renamed.ok()) return renamed;
        if (replaced.ok()) ForgetMade(*replaced);
        if (touched != nullptr) *touched = Touched{target.text, source.text};
        return Status();
    }

    Status Link(const Path& existing, const Path& name, Touched* touched) override {
        Place from;
        Place to;
        if (Status found = Find(existing, Last::Follow, from); !found.ok()) return found;
        if (Status found = Find(name, Last::Itself, to); !found.ok()) return found;
        if (from.folderMissing || from.kind == Kind::Missing) return from.MissingStatus();
        if (to.folderMissing) return to.MissingStatus();
        if (Status linked = P::LinkAt(from, to); !linked.ok()) return linked;
        if (touched != nullptr) *touched = Touched{to.text, from.text};
        return Status();
    }

    Status Remove(const Path& path, Touched* touched) override {
        Place place;
        if (Status found = Find(path, Last::Itself, place); !found.ok()) return found;
        if (place.folderMissing) return place.MissingStatus();
        if (place.kind == Kind::Folder) return Status::Refused(Code::IsFolder, "it is a directory");
        const Result<Facts> removed = HeldFile(place);
        Status status = P::RemoveAt(place);
        if (status.ok() && removed.ok()) ForgetMade(*removed);
        return Changed(status, place, touched);
    }

    Status MakeFolder(const Path& path, bool ownerOnly, Touched* touched) override {
        Place place;
        if (Status found = Find(path, Last::Itself, place); !found.ok()) return found;
        if (place.folderMissing) return place.MissingStatus();
        if (place.kind != Kind::Missing) return Status::FromErrno(EEXIST);
        return Changed(P::MakeFolderAt(place, ownerOnly), place, touched);
    }

    Status RemoveFolder(const Path& path, Touched* touched) override {
        Place place;
        if (Status found = Find(path, Last::Itself, place); !found.ok()) return found;
        if (place.folderMissing || place.kind == Kind::Missing) return place.MissingStatus();
        // A link to a folder (a junction) is no folder of its own.
        if (place.kind != Kind::Folder) return Status::FromErrno(ENOTDIR);
        return Changed(P::RemoveFolderAt(place), place, touched);
    }

    Status FlushFolder(const Path& folder) override {
        Place place;
        if (Status found = FindFolder(folder, place); !found.ok()) return found;
        return P::FlushFolderAt(place);
    }

private:
    Status FindFolder(const Path& folder, Place& place) const {
        if (Status found = Find(folder, Last::Follow, place); !found.ok()) return found;
        if (place.folderMissing || place.kind == Kind::Missing) return place.MissingStatus();
        if (place.kind != Kind::Folder) return Status::FromErrno(ENOTDIR);
        return Status();
    }

    // The file a name about to go holds, while files made here are noted:
    // its identity is forgotten with the name.
    Result<Facts> HeldFile(const Place& place) const {
        if (!MadeAny() || place.folderMissing || place.kind != Kind::Regular) return Status::FromErrno(ENOENT);
        return P::FactsAt(place);
    }

    static Status Changed(Status status, const Place& place, Touched* touched) {
        if (status.ok() && touched != nullptr) *touched = Touched{place.text, {}};
        return status;
    }
};

}  // namespace zel::toolkit
