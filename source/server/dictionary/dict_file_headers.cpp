#include "dict_file_headers.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "dict_file_rewrite.h"
#include "dictionary_paths.h"
#include "view_record_layout.h"
#include "zelkit.h"

namespace {

constexpr uint16_t DICT_FILE_COUNT = 9;
constexpr uint16_t VIEW_FILE_INDEX = 5;

// The nine file names by index, then the version titles from oldest to
// current.
const char* const kDictTexts[] = {
    "CONFIG.DIC",
    "GROUP.DIC",
    "USER.DIC",
    "BASE.DIC",
    "BASECOL.DIC",
    "VIEW.DIC",
    "VIEWCOL.DIC",
    "RIGHT.DIC",
    "FORMAT.DIC",
    "ZEL4.0 Data Dictionary",
    "ZEL4.0 Data Dictionary V4.0.0",
    "4.01",
    "4.02",
};
constexpr int TITLE_RELEASE40 = 9;
constexpr int TITLE_RELEASE40_V400 = 10;
constexpr int TITLE_RELEASE401 = 11;
constexpr int TITLE_CURRENT = 12;

// The 96-byte header that starts every dictionary file.
constexpr size_t HEADER_SIZE = 96;
constexpr size_t RECORD_SIZE_OFFSET = 8;
constexpr size_t RECORD_COUNT_OFFSET = 12;
constexpr size_t TITLE_OFFSET = 32;
constexpr size_t TITLE_FIELD_SIZE = 64;

uint32_t LoadU32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void StoreU32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The title as a text, read within its field even when no NUL ends it there.
void ReadTitle(const uint8_t* header, char (&title)[TITLE_FIELD_SIZE + 1]) {
    std::memcpy(title, header + TITLE_OFFSET, TITLE_FIELD_SIZE);
    title[TITLE_FIELD_SIZE] = '\0';
}

// Only the current title and its NUL are written; the rest of the field keeps
// its old bytes, as every earlier upgrade left them.
void PutCurrentTitle(uint8_t* header) {
    const char* current = kDictTexts[TITLE_CURRENT];
    std::memcpy(header + TITLE_OFFSET, current, std::strlen(current) + 1);
}

bool TitleIs(const char* title, int position) { return ZSTRCMPI(title, kDictTexts[position]) == 0; }

constexpr const char* kUpdateCall = "UpdateDictFile";
constexpr const char* kCheckCall = "CheckDictFile";

// A file this step will not change, refused with a text that names it and
// says why; the driver puts the file's label in front.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
bool Refuse(const char* call, const char* format, ...) {
    char text[Z_MAX_LINE];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Z_SetLastErrorText(Z_ERROR_BAD_ARGUMENT, "%s: %s", call, text);
    return false;
}

struct OpenDictFile {
    HZFILE handle = nullptr;
    ~OpenDictFile() { Close(); }
    void Close() {
        if (handle != nullptr) Z_CloseFile(handle);
        handle = nullptr;
    }
};

struct MemBlockFree {
    void operator()(uint8_t* block) const { Z_MemFree(block); }
};

// Every file but VIEW.DIC: a new header in front of the unchanged records.
// While a file journal records the file (the upgrade's dictionary phase),
// the header is written in place: the journal holds the file as it was and
// puts it back whatever a crash leaves. Otherwise the file is written anew
// beside the old one and replaces it in one step.
bool RewriteHeader(OpenDictFile& file, const char* path, const uint8_t* header, HZJOURNAL journal) {
    if (Z_IsFileJournalled(journal, path)) {
        return Z_SeekFile(file.handle, 0) &&
               Z_WriteFile(file.handle, header, HEADER_SIZE, 1) == static_cast<int64_t>(HEADER_SIZE) &&
               Z_FileError(file.handle) == 0;
    }
    DictFileRewrite rewrite;
    if (!rewrite.Begin(path) || !rewrite.Write(header, HEADER_SIZE) || !rewrite.CopyRest(file.handle)) return false;
    file.Close();
    return rewrite.Commit();
}

// Records converted per read and write: about half a megabyte, so a large
// VIEW.DIC streams through two small buffers instead of being held whole.
constexpr uint32_t VIEW_RECORDS_PER_CHUNK = 8192;

// VIEW.DIC: a new header and every record in the current layout. The records
// are only understood at 72 bytes each and only when the header's count
// accounts for the whole file; anything else is refused untouched, since
// converting it would mix layouts or drop records behind a current title.
// A file without records has nothing to mix or drop: whatever record size it
// claims, it gets the current header. The new file is written beside the old
// one and replaces it only when every record has been read and written.
// The records of a VIEW.DIC that the conversion takes: none, or records of
// 72 bytes, at most 4 GiB of them.
bool ViewRecordsConvertible(const char* call, const char* path, const uint8_t* header) {
    const uint32_t recordSize = LoadU32(header + RECORD_SIZE_OFFSET);
    const uint32_t recordCount = LoadU32(header + RECORD_COUNT_OFFSET);
    if (recordSize != VIEW_RECORD_SIZE && recordCount != 0) {
        return Refuse(call, "%s holds records of %u bytes; only records of %u bytes can be converted", path, recordSize,
                      static_cast<unsigned>(VIEW_RECORD_SIZE));
    }
    if (static_cast<uint64_t>(recordSize) * recordCount > UINT32_MAX) {
        return Refuse(call, "%s announces %u records of %u bytes, more than 4 GiB", path, recordCount, recordSize);
    }
    return true;
}

bool RewriteViewFile(OpenDictFile& file, const char* path, uint8_t* header, const char* oldTitle) {
    if (!ViewRecordsConvertible(kUpdateCall, path, header)) return false;
    uint32_t recordSize = LoadU32(header + RECORD_SIZE_OFFSET);
    uint32_t recordCount = LoadU32(header + RECORD_COUNT_OFFSET);
    uint64_t bodySize = static_cast<uint64_t>(recordSize) * recordCount;
    uint64_t fileSize = 0;
    if (!Z_GetFileSize(path, &fileSize)) return false;
    if (fileSize != HEADER_SIZE + bodySize) {
        return Refuse(kUpdateCall,
                      "%s is %llu bytes long, but its header announces %u records of %u bytes (%llu bytes with the "
                      "header)",
                      path, static_cast<unsigned long long>(fileSize), recordCount, recordSize,
                      static_cast<unsigned long long>(HEADER_SIZE + bodySize));
    }

    // Records under a title of no known layout are kept as they are.
    bool convert = true;
    ViewLayout layout = ViewLayout::Release40;
    if (TitleIs(oldTitle, TITLE_RELEASE40) || TitleIs(oldTitle, TITLE_RELEASE40_V400)) {
        layout = ViewLayout::Release40;
    } else if (TitleIs(oldTitle, TITLE_RELEASE401)) {
        layout = ViewLayout::Release401;
    } else {
        convert = false;
    }

    const uint32_t chunkRecords = recordCount < VIEW_RECORDS_PER_CHUNK ? recordCount : VIEW_RECORDS_PER_CHUNK;
    const size_t chunkBytes = chunkRecords > 0 ? static_cast<size_t>(chunkRecords) * VIEW_RECORD_SIZE : 1;
    std::unique_ptr<uint8_t, MemBlockFree> oldRecords(static_cast<uint8_t*>(Z_MemAlloc(chunkBytes, 0)));
    if (!oldRecords) return false;
    std::unique_ptr<uint8_t, MemBlockFree> newRecords(static_cast<uint8_t*>(Z_MemAlloc(chunkBytes, 0)));
    if (!newRecords) return false;

    StoreU32(header + RECORD_SIZE_OFFSET, VIEW_RECORD_SIZE);
    PutCurrentTitle(header);

    DictFileRewrite rewrite;
    if (!rewrite.Begin(path) || !rewrite.Write(header, HEADER_SIZE)) return false;
    for (uint32_t done = 0; done < recordCount;) {
        const uint32_t count = recordCount - done < chunkRecords ? recordCount - done : chunkRecords;
        const int64_t bytes = static_cast<int64_t>(count) * VIEW_RECORD_SIZE;
        if (Z_ReadFile(file.handle, oldRecords.get(), bytes, 1) != bytes) return false;
        const uint8_t* written = oldRecords.get();
        if (convert) {
            ConvertViewRecords(oldRecords.get(), layout, newRecords.get(), count);
            written = newRecords.get();
        }
        if (!rewrite.Write(written, static_cast<uint64_t>(bytes))) return false;
        done += count;
    }
    file.Close();
    return rewrite.Commit();
}

}  // namespace

const char* DictFileName(uint16_t index) { return index < DICT_FILE_COUNT ? kDictTexts[index] : nullptr; }

bool UpdateDictFile(uint16_t index, const char* home, bool* updated, HZJOURNAL journal) {
    if (index >= DICT_FILE_COUNT) return Refuse(kUpdateCall, "there is no dictionary file numbered %u", index);
    char path[Z_MAX_PATH];
    if (!BuildDirPath(path, home, "system", kDictTexts[index])) return false;

    OpenDictFile file;
    file.handle = Z_OpenFile(path, Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (file.handle == nullptr) return false;
    uint8_t header[HEADER_SIZE] = {};
    if (Z_ReadFile(file.handle, header, HEADER_SIZE, 1) != static_cast<int64_t>(HEADER_SIZE)) return false;

    char oldTitle[TITLE_FIELD_SIZE + 1];
    ReadTitle(header, oldTitle);
    // A current file is left byte for byte as it is, so a second run changes
    // nothing.
    if (TitleIs(oldTitle, TITLE_CURRENT)) return true;

    bool rewritten = false;
    if (index != VIEW_FILE_INDEX) {
        PutCurrentTitle(header);
        rewritten = RewriteHeader(file, path, header, journal);
    } else {
        rewritten = RewriteViewFile(file, path, header, oldTitle);
    }
    if (rewritten && updated != nullptr) *updated = true;
    return rewritten;
}

bool CheckDictFile(uint16_t index, const char* home) {
    if (index >= DICT_FILE_COUNT) return Refuse(kCheckCall, "there is no dictionary file numbered %u", index);
    char path[Z_MAX_PATH];
    if (!BuildDirPath(path, home, "system", kDictTexts[index])) return false;
    ZFileInfo info{};
    if (!Z_GetFileInfo(path, 0, &info)) return false;
    if (info.kind == Z_FILE_MISSING) return Refuse(kCheckCall, "%s is missing", path);
    if (info.kind != Z_FILE_REGULAR) return Refuse(kCheckCall, "%s is not a file", path);
    if (info.size < HEADER_SIZE) {
        return Refuse(kCheckCall, "%s is shorter than its %u-byte header", path, unsigned{HEADER_SIZE});
    }

    uint8_t header[HEADER_SIZE] = {};
    OpenDictFile file;
    file.handle = Z_OpenFile(path, Z_MODE_READ, 0, nullptr, 0);
    if (file.handle == nullptr) return false;
    if (Z_ReadFile(file.handle, header, HEADER_SIZE, 1) != static_cast<int64_t>(HEADER_SIZE)) return false;

    char title[TITLE_FIELD_SIZE + 1];
    ReadTitle(header, title);
    bool known = false;
    for (int position = TITLE_RELEASE40; position <= TITLE_CURRENT; ++position) {
        known = known || TitleIs(title, position);
    }
    if (!known) {
        return Refuse(kCheckCall, "%s has the version title \"%s\", of no release the upgrade knows", path, title);
    }

    // Records beyond the count would be lost at the first write of the
    // file, and a count beyond the records would be read as records that
    // are not there.
    const uint32_t recordSize = LoadU32(header + RECORD_SIZE_OFFSET);
    const uint32_t recordCount = LoadU32(header + RECORD_COUNT_OFFSET);
    const uint64_t needed = HEADER_SIZE + static_cast<uint64_t>(recordSize) * recordCount;
    if (info.size < needed) {
        return Refuse(kCheckCall,
                      "%s is cut short: its header announces %u records of %u bytes (%llu bytes with the header), but "
                      "the file is %llu bytes long",
                      path, recordCount, recordSize, static_cast<unsigned long long>(needed),
                      static_cast<unsigned long long>(info.size));
    }
    if (info.size > needed) {
        return Refuse(kCheckCall,
                      "%s is longer than its header says: the header announces %u records of %u bytes (%llu bytes "
                      "with the header), but the file is %llu bytes long",
                      path, recordCount, recordSize, static_cast<unsigned long long>(needed),
                      static_cast<unsigned long long>(info.size));
    }
    // A current VIEW.DIC is not converted again.
    return index != VIEW_FILE_INDEX || TitleIs(title, TITLE_CURRENT) ||
           ViewRecordsConvertible(kCheckCall, path, header);
}

bool JournalDictFileHeaders(const char* home, HZJOURNAL journal) {
    for (uint16_t index = 0; index < DICT_FILE_COUNT; ++index) {
        // VIEW.DIC is written anew beside itself, never in place.
        if (index == VIEW_FILE_INDEX) continue;
        char path[Z_MAX_PATH];
        if (!BuildDirPath(path, home, "system", kDictTexts[index])) return false;
        if (!Z_JournalRange(journal, path, 0, HEADER_SIZE)) return false;
    }
    return true;
}
