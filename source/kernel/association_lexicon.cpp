#include "association_lexicon.h"

#include "data_file.h"
#include "database_location.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "text_convert.h"
#include "zelkit.h"
#include "zemkernel.h"

namespace zel::kernel {

const char* AssociationKindName(int kind) {
    switch (kind) {
        case 4444: return "Ambiguous";
        case 5555: return "WBigram";
        case 6666: return "CBigram";
        case 7777: return "Single";
        default: return nullptr;
    }
}

const char* AssociationSuffix(int charset) {
    switch (charset) {
        case Z_CHARSET_GB18030: return "GB";
        case Z_CHARSET_BIG5: return "BIG5";
        case Z_CHARSET_UTF8: return "UTF8";
        default: return nullptr;
    }
}

bool BuildAssociationFile(const char* operation, const std::string& source, int charset, const std::string& target,
                          uint64_t* dropped) {
    *dropped = 0;
    const int there = FileThere(operation, source);
    if (there < 0) return false;
    if (there == 0) return Fail(operation, Z_ERROR_NOT_FOUND, "the source file %s does not exist", source.c_str());
    std::string contents;
    if (!ReadWholeFile(operation, source, &contents)) return false;
    std::string_view text = WithoutByteOrderMark(contents);

    std::string converted;
    converted.reserve(text.size() + text.size() / 4);
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(&line)) {
        switch (AppendConverted(line, charset, &converted)) {
            case Conversion::kConverted: converted.push_back('\n'); break;
            case Conversion::kUnencodable: ++*dropped; break;
            case Conversion::kInvalid:
                return Fail(operation, Z_ERROR_CHARSET, "line %llu of %s is not UTF-8 text",
                            Number(cursor.LineNumber()), source.c_str());
        }
    }
    AtomicFileWriter writer(operation, target);
    return writer.Open() && writer.Write(converted) && writer.Commit();
}

}  // namespace zel::kernel

using namespace zel::kernel;

int ZKF_CreateAssLexicon(int lexiconKind, int nativeCharset, const char* sourcePath, int) {
    static const char* const operation = "ZKF_CreateAssLexicon";
    if (Z_FaultPoint(operation)) return 0;
    const char* kindName = AssociationKindName(lexiconKind);
    if (kindName == nullptr) {
        return Fail(operation, Z_ERROR_BAD_ARGUMENT, "%d is not a segmentation lexicon kind", lexiconKind);
    }
    const char* suffix = AssociationSuffix(nativeCharset);
    if (suffix == nullptr) {
        return Fail(operation, Z_ERROR_BAD_ARGUMENT, "%d is not a character set number", nativeCharset);
    }
    if (sourcePath == nullptr || sourcePath[0] == '\0') {
        return Fail(operation, Z_ERROR_BAD_ARGUMENT, "no source file given");
    }
    std::string directory;
    if (!LocateHomeDictDirectory(operation, &directory)) return 0;
    if (!EnsureDirectory(operation, directory)) return 0;
    std::string target = JoinPath(directory, std::string("ZEL_") + kindName + "." + suffix);
    uint64_t dropped = 0;
    return BuildAssociationFile(operation, sourcePath, nativeCharset, target, &dropped) ? 1 : 0;
}
