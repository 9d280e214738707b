#include "config_rewrite.h"

#include "config_replace.h"
#include "config_text.h"

bool RewriteConfigFile(const char* sourcePath, const char* workPath, const WriteWorkFile& write,
                       const PutWorkFileInPlace& putInPlace) {
    HZFILE source = Z_OpenFile(sourcePath, Z_MODE_READ, 0, nullptr, 0);
    if (source == nullptr) {
        return false;
    }
    HZFILE work = Z_CreateFile(workPath, Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (work == nullptr) {
        CloseReadFile(source);
        return false;
    }
    bool whole = write(source, work);
    if (Z_FileError(source) || Z_FileError(work)) {
        whole = false;
    }
    // A close that fails may have lost the last bytes of the work file.
    if (!Z_CloseFile(work)) {
        whole = false;
    }
    CloseReadFile(source);
    const bool done = whole && putInPlace();
    // A work file left behind would be taken for a half-made one by the
    // next run, so failing to delete it fails the rewrite.
    return EndWithWorkFile(!done, workPath);
}

bool WriteRewrittenLines(HZFILE source, HZFILE work, const RewriteLine& rewrite) {
    char line[Z_MAX_LINE];
    std::string written;
    while (Z_ReadFileLine(source, line, Z_MAX_LINE, nullptr)) {
        if (!rewrite(line, &written) || !Z_WriteFileLineEx(work, written.c_str(), 1)) {
            return false;
        }
    }
    return true;
}
