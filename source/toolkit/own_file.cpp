#include "own_file.h"

#include <cstdio>
#include <string>
#include <vector>

#include "file_attributes.h"
#include "toolkit_internal.h"

namespace zel::toolkit {

bool SeparateHardLinks(const char* operation, const char* path, LastName last) {
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path, last, facts, problem)) {
        // A file with other names that passed for one without would be
        // changed for all of them: only a missing one goes on, and the open
        // that follows says so.
        if (problem.code == Z_ERROR_NOT_FOUND) return true;
        return FailProblem(operation, "look at", path, problem);
    }
    if (facts.kind != FileKind::Regular || facts.links <= 1) return true;
    const std::string resolved = PlatformResolvedPath(path);
    const std::string copy = resolved + ".zel-copy";
    std::FILE* in = PlatformOpenStream(resolved.c_str(), StreamMode::Read, LastName::Itself, problem);
    if (in == nullptr) return FailProblem(operation, "open", path, problem);
    std::FILE* out = PlatformOpenStream(copy.c_str(), StreamMode::CreateNew, LastName::Itself, problem);
    if (out == nullptr) {
        std::fclose(in);
        return FailProblem(operation, "create", copy.c_str(), problem);
    }
    std::vector<char> block(1 << 16);
    bool copied = true;
    for (size_t count; (count = std::fread(block.data(), 1, block.size(), in)) > 0;) {
        if (std::fwrite(block.data(), 1, count, out) != count) copied = false;
    }
    copied = copied && !std::ferror(in);
    std::fclose(in);
    copied = std::fclose(out) == 0 && copied;
    FileAttributes attributes;
    const bool replaces = copied && ReplacementAttributes(resolved.c_str(), attributes);
    if (!copied ||
        !PlatformReplaceFile(copy.c_str(), resolved.c_str(), ReplaceSource::MadeHere, replaces ? &attributes : nullptr,
                             problem)) {
        Problem ignored;
        PlatformDeleteFile(copy.c_str(), ignored);
        if (problem.text.empty()) problem = Problem{Z_ERROR_IO, "its copy could not be written"};
        return FailProblem(operation, "separate the hard links of", path, problem);
    }
    return true;
}

}  // namespace zel::toolkit
