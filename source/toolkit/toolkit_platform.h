// The few calls that differ between Windows and the other systems; each
// platform file (toolkit_posix.cpp, toolkit_win32.cpp) supplies them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace zel::toolkit {

// Full path of the running program; false when the system cannot say.
bool PlatformProgramPath(std::filesystem::path& path);

// While it lives, console input arrives in the encoding of the narrow
// texts: a Windows console reads in its own input code page, often the OEM
// one (850 beside the system's 1252).
class PlatformConsoleInput {
public:
    PlatformConsoleInput();
    ~PlatformConsoleInput();
    PlatformConsoleInput(const PlatformConsoleInput&) = delete;
    PlatformConsoleInput& operator=(const PlatformConsoleInput&) = delete;

private:
    [[maybe_unused]] unsigned savedCodePage_ = 0;  // Windows: the console's own, given back at the end
};

// Moves source over target in one step, the target may exist, so that the
// move survives a crash of the machine: source's bytes reach the disk
// first, the move is made, then the directory entry reaches the disk. The
// target keeps what the administrator set on it (permission bits, owner
// where the process may set it); a target that is a symbolic link has the
// file it names replaced, not the link. On failure returns false with the
// system's text in reason.
bool PlatformReplaceFile(const char* source, const char* target, std::string& reason);
// Renames oldPath to newPath, a name that must be free, durably as above
// (the file's bytes first).
bool PlatformRenameFile(const char* oldPath, const char* newPath, std::string& reason);
// Removes a file; its directory entry reaches the disk before the return.
bool PlatformDeleteFile(const char* path, std::string& reason);
// Removes an empty directory.
bool PlatformRemoveDirectory(const char* path, std::string& reason);
// Sends what was written to an open stream down to the disk.
bool PlatformFlushStream(std::FILE* stream);
// Sends a file's bytes down to the disk, by its name.
bool PlatformFlushFile(const char* path, std::string& reason);
// Cuts the file under a stream (flushed before) to size bytes.
bool PlatformTruncateStream(std::FILE* stream, int64_t size, std::string& reason);
// Sends the directory entry of a file just made down to the disk.
bool PlatformFlushDirectoryOf(const char* path, std::string& reason);

// The file a path names, following symbolic links; the path itself when it
// names none. Absolute and without "." and "..".
std::string PlatformResolvedPath(const char* path);
enum class FileKind { Missing, Regular, Other };
FileKind PlatformFileKind(const char* path);

// A lock on a file that the system drops when the process ends, however it
// ends. Exclusive: the file is made when missing, and it goes again when the
// lock is released. Shared: the file must exist. Busy when another
// process holds a lock that rules this one out.
enum class LockResult { Held, Busy, Missing, Failed };
LockResult PlatformLockFile(const char* path, bool exclusive, intptr_t* handle, std::string& reason);
void PlatformUnlockFile(const char* path, bool exclusive, intptr_t handle);

// Ends the process at once, as a kill would: no destructors, no clean-up.
[[noreturn]] void PlatformEndAbruptly();

// Physical memory in megabytes, 0 when unknown.
uint64_t PlatformPhysicalMemoryMegabytes();

// 64-bit positioning of a stdio stream (long is 32 bits on Windows).
int PlatformSeek(std::FILE* stream, int64_t offset, int origin);
int64_t PlatformTell(std::FILE* stream);

}  // namespace zel::toolkit
