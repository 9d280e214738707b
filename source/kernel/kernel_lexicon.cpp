// Lexicons: word lists kept sorted and without repeats, each entry encoded in
// the lexicon's character set.
#include <algorithm>

#include "data_file.h"
#include "database_location.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "lexicon_entries.h"
#include "zelkit.h"
#include "zemkernel.h"

using namespace zel::kernel;

namespace {

// The header of the lexicon's current data, if it has readable data; a
// lexicon being rebuilt whole does not depend on it. False when the system
// cannot tell whether there is data: an emptied lexicon keeps its
// character set from it.
bool ExistingHeaderOrNew(const char* operation, const DatabaseLocation& location, DataHeader* header) {
    *header = DataHeader();
    const int there = FileThere(operation, location.dataPath);
    if (there > 0) {
        KeepLastError keep;
        if (!ReadDataHeader(operation, location.dataPath, header)) *header = DataHeader();
    }
    return there >= 0;
}

int64_t WriteLexicon(const char* operation, const DatabaseLocation& location, DataHeader header,
                     const LexiconEntries& entries) {
    std::vector<std::string_view> sorted = entries.SortedUnique();
    header.unencodable = entries.unencodable;
    if (!WriteDataFile(operation, location.dataPath, header, sorted)) return -1;
    return static_cast<int64_t>(sorted.size());
}

}  // namespace

int64_t ZKF_CreateLexicon(uint32_t databaseId, const char* sourcePath, int noFile, tagZKS_DatabaseDict*, int) {
    static const char* const operation = "ZKF_CreateLexicon";
    if (Z_FaultPoint(operation)) return -1;
    DatabaseLocation location;
    if (!LocateDatabase(operation, databaseId, &location)) return -1;
    if (!EnsureDirectory(operation, location.directory)) return -1;

    DataHeader header;
    if (!ExistingHeaderOrNew(operation, location, &header)) return -1;
    const bool hasSource = sourcePath != nullptr && sourcePath[0] != '\0';
    LexiconEntries entries;
    if (hasSource) {
        header.charset = Z_GetAssignedCharset();
        if (!ReadLexiconSource(operation, sourcePath, header.charset, nullptr, &entries)) return -1;
    } else if (noFile != 0) {
        header.charset = Z_GetAssignedCharset();
        if (!CollectIdeographs(operation, header.charset, &entries)) return -1;
    } else if (header.charset == Z_CHARSET_NONE) {
        // Emptied. A lexicon keeps the character set its data names, so that
        // entries appended later are encoded alike.
        header.charset = Z_GetAssignedCharset();
    }
    return WriteLexicon(operation, location, header, entries);
}

int64_t ZKF_AppendLexicon(uint32_t databaseId, const char* sourcePath, int, LexiconProgressFunction progress) {
    static const char* const operation = "ZKF_AppendLexicon";
    if (Z_FaultPoint(operation)) return -1;
    if (sourcePath == nullptr || sourcePath[0] == '\0') {
        Fail(operation, Z_ERROR_BAD_ARGUMENT, "no source file given");
        return -1;
    }
    DatabaseLocation location;
    if (!LocateDatabase(operation, databaseId, &location)) return -1;
    if (progress != nullptr) progress(-1, 0);

    DataHeader header;
    std::string contents;
    std::vector<std::string_view> existing;
    const int there = FileThere(operation, location.dataPath);
    if (there < 0) return -1;
    if (there > 0) {
        std::string_view body;
        if (!ReadDataFile(operation, location.dataPath, &header, &contents, &body)) return -1;
        LineCursor cursor(body);
        std::string_view line;
        existing.reserve(header.records);
        while (cursor.Next(&line)) existing.push_back(line);
        // Stored lexicons are sorted already; only data written otherwise is not.
        if (!std::is_sorted(existing.begin(), existing.end())) std::sort(existing.begin(), existing.end());
        existing.erase(std::unique(existing.begin(), existing.end()), existing.end());
    } else if (!EnsureDirectory(operation, location.directory)) {
        return -1;
    }
    // Entries join the lexicon in the set its entries are kept in already.
    if (header.charset == Z_CHARSET_NONE) header.charset = Z_GetAssignedCharset();

    LexiconEntries added;
    if (!ReadLexiconSource(operation, sourcePath, header.charset, progress, &added)) return -1;
    std::vector<std::string_view> merged = MergeSorted(existing, added.SortedUnique());
    header.unencodable = added.unencodable;
    if (!WriteDataFile(operation, location.dataPath, header, merged)) return -1;
    if (progress != nullptr) progress(0, 100);
    return static_cast<int64_t>(merged.size() - existing.size());
}
