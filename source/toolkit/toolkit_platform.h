// The toolkit's platform calls: those beside the files (system_posix.cpp,
// system_win32.cpp), and the file calls its sources made before the table
// of file operations (file_system.h), now composed over that table
// (platform_adapter.cpp) while they move onto it.
//
// Every call that takes a path follows it the way the toolkit promises for
// the folders given to Z_AddFileRoot: beneath such a root, one name at a
// time from the root as it was opened, a link followed only when the link
// rule allows it, and the last name taken as the call says. A path beneath
// no root is taken as the system takes it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "file_system.h"
#include "zelkit.h"

namespace zel::toolkit {

// Why a call failed: a toolkit error code (Z_ERROR_IO, Z_ERROR_NOT_FOUND,
// Z_ERROR_UNSAFE_LINK ...) and a text saying why, without the path.
struct Problem {
    uint32_t code = Z_ERROR_IO;
    std::string text;
};

// A failed operation of the table as a problem.
inline Problem ProblemOf(const Status& status) { return Problem{status.ToolkitCode(), status.reason()}; }

enum class FileKind { Missing, Regular, Directory, Link, Other };

struct FileFacts {
    FileKind kind = FileKind::Missing;
    uint64_t size = 0;
    uint64_t links = 0;
    // The file's identity: device and inode, or volume serial and file
    // index. The same for every name of one file.
    uint64_t volume = 0;
    uint64_t index = 0;
};

// Whether a file or a folder is the program's own: false, with the problem
// (Z_ERROR_NOT_OWN) saying why, when another account made it or may change
// it. The program obeys only records that are its own.
inline bool OwnFile(const Ownership& ownership, Problem& problem) {
    if (ownership.trusted && !ownership.othersMayWrite) return true;
    problem = Problem{Z_ERROR_NOT_OWN, ownership.refusal};
    return false;
}

// The attributes a work file is given on its own descriptor (Windows: its
// handle) before it takes its final name; never set by name.
struct FileAttributes {
    uint32_t mode = 0;  // permission bits; set-id and sticky bits are never set
    int64_t user = -1;  // owner and group, -1 to keep the work file's: only a
    int64_t group = -1;  // privileged process gives a file away
};

// What moves over a target in PlatformReplaceFile.
enum class ReplaceSource {
    // A work file this process made (CreateNew, OpenMode::CreateOnly):
    // refused when the name holds anything else by now.
    MadeHere,
    // A file of the home's own going back under its name (a second name the
    // file journal gave it): it keeps every attribute it has.
    SavedFile,
};

// How the last name of a path is taken.
enum class LastName {
    Follow,  // a link there is followed when the link rule allows it
    Itself,  // the name itself: a link there is the link
};

// Full path of the running program; the system's reason when it cannot
// say.
Status PlatformProgramPath(std::filesystem::path& path);

// While it lives, console input arrives in the encoding of the narrow
// texts: a Windows console reads in its own input code page, often the OEM
// one (850 beside the system's 1252).
class PlatformConsoleInput {
public:
    PlatformConsoleInput();
    ~PlatformConsoleInput();
    PlatformConsoleInput(const PlatformConsoleInput&) = delete;
    PlatformConsoleInput& operator=(const PlatformConsoleInput&) = delete;

    // Why input cannot arrive in that encoding; ok when it can.
    const Status& status() const { return status_; }

private:
    [[maybe_unused]] unsigned savedCodePage_ = 0;  // Windows: the console's own, given back at the end
    Status status_;
};

// Standard output is a console (a terminal), not a file, a pipe or nothing.
bool PlatformStdoutIsConsole();
// Writes text of the narrow encoding to the console of standard output so
// that it shows the characters meant: a Windows console gets it as wide
// text, whatever its own output code page. False when it could not.
bool PlatformWriteConsole(const char* text, size_t size);

class PlatformFileSystem;
// The system's table of file operations.
PlatformFileSystem& Platform();

// ---- what a path leads to -----------------------------------------------------
bool PlatformFacts(const char* path, LastName last, FileFacts& facts, Problem& problem);
// Who owns what path leads to (never through a link with LastName::Itself).
bool PlatformOwnership(const char* path, LastName last, Ownership& ownership, Problem& problem);
// The path as followed: links replaced by the text of what they name.
// Absolute, without "." and "..". The lexical form when it cannot be
// followed.
std::string PlatformResolvedPath(const char* path);

struct DirectoryEntry {
    std::string name;
    FileKind kind = FileKind::Other;  // a link is Link
    // False when the system code page cannot write the name: name then holds
    // '?' for each such character, good for a message or a wildcard only.
    bool exact = true;
};
bool PlatformListDirectory(const char* path, std::vector<DirectoryEntry>& entries, Problem& problem);

// ---- whole files -------------------------------------------------------------
// The calls below that change a name flush its folder afterwards, unless
// the flush may wait (durable_layer.h): the folder is then
// flushed once for a whole batch of changes.
//
// Moves source (a file, never through a link) over target in one step, the
// target may exist, so that the move survives a crash of the machine:
// source's bytes reach the disk first, the move is made, then the directory
// entry reaches the disk. A target that is a link the rule allows has the
// file it names replaced, not the link. Source is opened as itself and
// must be what `from` says; `attributes`, when given, are set on that open
// file before the move. Fails when, after the move, target holds anything
// but that file (another process swapped the work name meanwhile).
bool PlatformReplaceFile(const char* source, const char* target, ReplaceSource from,
                         const FileAttributes* attributes, Problem& problem);
// Removes a name (a link is removed, not what it names); its directory
// entry reaches the disk before the return.
bool PlatformDeleteFile(const char* path, Problem& problem);
// Gives the file that existing leads to (its last name followed by the link
// rule) the second name newPath, a free name that is never followed: the
// file journal keeps a file that is about to lose its name this way without
// copying a byte. The new name reaches the disk with the next flush of its
// folder. Unsupported where the file system has no hard links or the two
// names lie on different volumes; the caller then copies the file.
enum class LinkResult { Linked, Unsupported, Failed };
LinkResult PlatformLinkFile(const char* existing, const char* newPath, Problem& problem);
// Makes a directory, and the missing ones above it; each new entry reaches
// the disk before the return. A private one (the program's records) is
// made for its owner (and on Windows the Administrators and the system)
// alone; when it is there already, it must be the program's own
// (Z_ERROR_NOT_OWN otherwise).
enum class FolderAccess { Shared, Private };
bool PlatformMakeDirectories(const char* path, FolderAccess access, Problem& problem);
// Removes an empty directory.
bool PlatformRemoveDirectory(const char* path, Problem& problem);

// ---- flushes -------------------------------------------------------------------
// Sends a file's bytes down to the disk, by its name.
bool PlatformFlushFile(const char* path, Problem& problem);
// Sends a directory's entries down to the disk.
bool PlatformFlushDirectory(const char* path, Problem& problem);

// Ends the process at once, as a kill would: no destructors, no clean-up.
[[noreturn]] void PlatformEndAbruptly();

// Physical memory in megabytes, or the system's reason why it cannot tell.
Status PlatformPhysicalMemoryMegabytes(uint64_t* megabytes);

}  // namespace zel::toolkit
