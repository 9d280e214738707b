// Path buffers and directories: building paths in fixed buffers, the current
// directory, and questions about where files lie.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "fault_table.h"
#include "path_lexical.h"
#include "path_text.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace fs = std::filesystem;
using namespace zel::toolkit;

namespace {

bool IsSeparatorCharacter(fs::path::value_type c) {
#ifdef _WIN32
    return c == L'\\' || c == L'/';
#else
    return c == '/';
#endif
}

// Paths compared by name when the directories cannot be asked whether they
// are the same (one of them is missing). Compared in the file system's own
// characters, where no character's byte can pass for a separator.
fs::path::string_type LexicalKey(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) absolute = path;
    fs::path::string_type key = absolute.lexically_normal().native();
    while (key.size() > 1 && IsSeparatorCharacter(key.back())) key.pop_back();
#ifdef _WIN32
    for (wchar_t& c : key) {
        if (c == L'/')
            c = L'\\';
        else if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
#endif
    return key;
}

std::string WithoutTrailingSeparators(const char* text) {
    std::string path = text ? text : "";
    while (path.size() > 1 && EndsWithPathSeparator(path)) {
        // "C:\" must keep its separator to stay the root, not the drive's
        // current directory.
        if (path.size() == 3 && path[1] == ':') break;
        path.pop_back();
    }
    return path;
}

// Whether two paths name one file or folder: by identity when both exist,
// otherwise by their names.
bool SamePlace(const fs::path& a, const fs::path& b) {
    std::string textA;
    std::string textB;
    TextFromPath(a, textA);
    TextFromPath(b, textB);
    FileFacts factsA;
    FileFacts factsB;
    Problem problem;
    if (PlatformFacts(textA.c_str(), LastName::Follow, factsA, problem) &&
        PlatformFacts(textB.c_str(), LastName::Follow, factsB, problem) && factsA.kind != FileKind::Missing &&
        factsB.kind != FileKind::Missing) {
        return factsA.volume == factsB.volume && factsA.index == factsB.index;
    }
    return LexicalKey(a) == LexicalKey(b);
}

FileKind KindOf(const char* path) {
    FileFacts facts;
    Problem problem;
    return PlatformFacts(path, LastName::Follow, facts, problem) ? facts.kind : FileKind::Missing;
}

int CopyOut(const char* operation, const std::string& text, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "%s: no buffer given", operation);
    }
    if (text.size() + 1 > static_cast<size_t>(size)) {
        return Fail(Z_ERROR_TOO_LONG, "%s: %s does not fit a buffer of %d", operation, text.c_str(), size);
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

// The running program's path, refused when the system code page cannot
// write it: the package directory is taken from it, and every path of the
// run built on a garbled one would name nothing. known: the system's
// reason when it cannot say, for the caller that needs the path.
bool OwnProgramPath(const char* operation, fs::path& own, Status& known) {
    known = PlatformProgramPath(own);
    std::string text;
    if (known.ok() && !TextFromPath(own, text)) {
        FailCodePage(operation, "the running program's path", text);
        return false;
    }
    return true;
}

}  // namespace

namespace zel::toolkit {

int FailCodePage(const char* operation, const char* what, const std::string& text) {
    return Fail(Z_ERROR_CHARSET,
                "%s: %s %s holds characters that the system code page %u cannot write; use a folder whose name "
                "that code page can write",
                operation, what, text.c_str(), SystemCodePage());
}

}  // namespace zel::toolkit

int Z_AppendSubdirSymbol(char* path, int flag) {
    if (path == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_AppendSubdirSymbol: no path given");
    size_t length = strnlen(path, Z_MAX_PATH);
    if (length >= static_cast<size_t>(Z_MAX_PATH)) {
        return Fail(Z_ERROR_TOO_LONG, "Z_AppendSubdirSymbol: path is not terminated within %d characters", Z_MAX_PATH);
    }
    if (length == 0 && flag == 1) return 1;
    if (EndsWithPathSeparator(std::string(path, length))) return 1;
    if (length + 2 > static_cast<size_t>(Z_MAX_PATH)) {
        return Fail(Z_ERROR_TOO_LONG, "Z_AppendSubdirSymbol: %s is too long for another separator", path);
    }
    path[length] = Z_PATH_SEPARATOR;
    path[length + 1] = '\0';
    return 1;
}

int Z_AppendPath(char* path, const char* text) {
    if (path == nullptr || text == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_AppendPath: no path given");
    size_t length = strnlen(path, Z_MAX_PATH);
    size_t added = std::strlen(text);
    if (length + added + 1 > static_cast<size_t>(Z_MAX_PATH)) {
        return Fail(Z_ERROR_TOO_LONG, "Z_AppendPath: %.*s%s would be longer than %d characters",
                    static_cast<int>(length), path, text, Z_MAX_PATH - 1);
    }
    std::memcpy(path + length, text, added + 1);
    return 1;
}

int Z_DeappendSubdirSymbol(char* path) {
    if (path == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DeappendSubdirSymbol: no path given");
    std::string trimmed = WithoutTrailingSeparators(path);
    path[trimmed.size()] = '\0';
    return 1;
}

int Z_ChangeDir(const char* path) {
    const EntryPoint call("Z_ChangeDir");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_ChangeDir", path)) return 0;
    std::error_code error;
    fs::current_path(PathFromText(path), error);
    if (error) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_ChangeDir: cannot change to %s: %s", path, error.message().c_str());
    }
    return 1;
}

int Z_GotoProgramDir(const char* programPath) {
    const EntryPoint call("Z_GotoProgramDir");
    if (call.Failed()) return 0;
    fs::path own;
    Status known;
    if (!OwnProgramPath("Z_GotoProgramDir", own, known)) return 0;
    fs::path directory;
    if (programPath != nullptr && programPath[0] != '\0') directory = PathFromText(programPath).parent_path();
    if (directory.empty()) {
        // Started by name through the search path: only the system knows
        // where the program lies.
        if (!known.ok()) return FailStatus("Z_GotoProgramDir", "find", "the running program's path", known);
        directory = own.parent_path();
    }
    std::error_code error;
    fs::current_path(directory, error);
    if (error) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_GotoProgramDir: cannot change to %s: %s", DisplayText(directory).c_str(),
                    error.message().c_str());
    }
    return 1;
}

char* Z_GetCurrentDir(char* buffer, int size) {
    const EntryPoint call("Z_GetCurrentDir");
    if (call.Failed()) return nullptr;
    std::error_code error;
    fs::path current = fs::current_path(error);
    if (error) {
        Fail(Z_ERROR_IO, "Z_GetCurrentDir: cannot read the current directory: %s", error.message().c_str());
        return nullptr;
    }
    std::string text;
    if (!TextFromPath(current, text)) {
        FailCodePage("Z_GetCurrentDir", "the current directory", text);
        return nullptr;
    }
    return CopyOut("Z_GetCurrentDir", text, buffer, size) ? buffer : nullptr;
}

int Z_MakeAbsolutePath(char* path) {
    const EntryPoint call("Z_MakeAbsolutePath");
    if (call.Failed()) return 0;
    if (path == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_MakeAbsolutePath: no path given");
    if (IsAbsolutePath(path)) return 1;
    LexicalPath lexical;
    if (!MakeLexical(path, lexical)) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_MakeAbsolutePath: %s cannot be taken against the current directory", path);
    }
    return CopyOut("Z_MakeAbsolutePath", lexical.Text(), path, Z_MAX_PATH);
}

char* Z_GetProgramPath(char* buffer, int size) {
    const EntryPoint call("Z_GetProgramPath");
    if (call.Failed()) return nullptr;
    fs::path own;
    Status known;
    if (!OwnProgramPath("Z_GetProgramPath", own, known)) return nullptr;
    if (!known.ok()) {
        FailStatus("Z_GetProgramPath", "find", "the running program's path", known);
        return nullptr;
    }
    return CopyOut("Z_GetProgramPath", DisplayText(own), buffer, size) ? buffer : nullptr;
}

int Z_CreateDir(const char* path, int flags) {
    const EntryPoint call("Z_CreateDir");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_CreateDir", path)) return 0;
    Problem problem;
    const FolderAccess access =
        (static_cast<uint32_t>(flags) & Z_OWN_FILE) != 0 ? FolderAccess::Private : FolderAccess::Shared;
    if (!PlatformMakeDirectories(WithoutTrailingSeparators(path).c_str(), access, problem)) {
        return FailProblem("Z_CreateDir", "create", path, problem);
    }
    return 1;
}

int Z_RemoveDir(const char* path) {
    const EntryPoint call("Z_RemoveDir");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_RemoveDir", path)) return 0;
    Problem problem;
    if (!PlatformRemoveDirectory(WithoutTrailingSeparators(path).c_str(), problem)) {
        return FailProblem("Z_RemoveDir", "remove", path, problem);
    }
    return 1;
}

// A path the link rule refuses leads to no file or folder.
int Z_IsValidFileName(const char* path) {
    const EntryPoint call("Z_IsValidFileName", false);
    if (path == nullptr || path[0] == '\0') return 0;
    return KindOf(path) == FileKind::Regular ? 1 : 0;
}

int Z_IsValidFilePath(const char* path, int /*flags*/) {
    const EntryPoint call("Z_IsValidFilePath", false);
    if (path == nullptr || path[0] == '\0') return 0;
    return KindOf(WithoutTrailingSeparators(path).c_str()) == FileKind::Directory ? 1 : 0;
}

namespace {

// The three answers of an existence test. The fault point comes first, so
// that a test can make any of them "could not tell".
int Exists(const char* operation, const char* path, LastName last, bool (*fits)(FileKind)) {
    if (FaultPointOn(operation, path)) {
        Fail(Z_ERROR_INJECTED, "%s: cannot look at %s: injected failure (ZEL_FAULT)", operation,
             path != nullptr ? path : "(null)");
        return -1;
    }
    if (RejectEmptyPath(operation, path)) return -1;
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path, last, facts, problem)) {
        // A folder on the way that is no folder leaves no place for the name.
        if (problem.code == Z_ERROR_NOT_FOUND) return 0;
        FailProblem(operation, "look at", path, problem);
        return -1;
    }
    return fits(facts.kind) ? 1 : 0;
}

}  // namespace

int Z_FileExists(const char* path) {
    return Exists("Z_FileExists", path, LastName::Follow, [](FileKind kind) { return kind == FileKind::Regular; });
}

int Z_DirExists(const char* path) {
    const std::string trimmed = WithoutTrailingSeparators(path);
    return Exists("Z_DirExists", path != nullptr ? trimmed.c_str() : nullptr, LastName::Follow,
                  [](FileKind kind) { return kind == FileKind::Directory; });
}

int Z_NameExists(const char* path) {
    return Exists("Z_NameExists", path, LastName::Itself, [](FileKind kind) { return kind != FileKind::Missing; });
}

int Z_IsSameFilePath(const char* dir1, const char* dir2) {
    const EntryPoint call("Z_IsSameFilePath", false);
    if (dir1 == nullptr || dir2 == nullptr || dir1[0] == '\0' || dir2[0] == '\0') return 0;
    return SamePlace(PathFromText(WithoutTrailingSeparators(dir1)), PathFromText(WithoutTrailingSeparators(dir2))) ? 1
                                                                                                                   : 0;
}

int Z_CheckPathText(const char* path) {
    if (RejectEmptyPath("Z_CheckPathText", path)) return 0;
    const std::string problem = PathTextProblem(path);
    if (problem.empty()) return 1;
    return Fail(Z_ERROR_CHARSET, "Z_CheckPathText: %s %s", path, problem.c_str());
}

int Z_GetFileNamePathLength(const char* path) {
    if (path == nullptr) return 0;
    return static_cast<int>(NameStart(path));
}

int Z_ContrastFile(const char* file, const char* dir, ZContrastResult* result) {
    const EntryPoint call("Z_ContrastFile");
    if (call.Failed()) return 0;
    if (result == nullptr || file == nullptr || dir == nullptr) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_ContrastFile: missing argument");
    }
    *result = ZContrastResult{};
    const fs::path filePath = PathFromText(WithoutTrailingSeparators(file));
    const fs::path directory = PathFromText(WithoutTrailingSeparators(dir));
    fs::path parent = filePath.parent_path();
    if (parent.empty()) parent = ".";
    result->inDirectory = SamePlace(parent, directory) ? 1 : 0;
    result->sameName = SamePlace(filePath, directory) ? 1 : 0;
    return 1;
}
