#include "dict_files.h"

#include <cstring>

#include "path_text.h"
#include "record_codec.h"
#include "record_layouts.h"
#include "zelkit.h"

namespace zel::shell {

const char* const DICT_FILE_NAMES[DICT_FILE_COUNT] = {
    "CONFIG.DIC", "GROUP.DIC",   "USER.DIC",  "BASE.DIC",   "BASECOL.DIC",
    "VIEW.DIC",   "VIEWCOL.DIC", "RIGHT.DIC", "FORMAT.DIC",
};

const char* const DICT_TITLES[DICT_TITLE_COUNT] = {
    "ZEL4.0 Data Dictionary",
    "ZEL4.0 Data Dictionary V4.0.0",
    "4.01",
    "4.02",
};

DictFailure ToolkitFailure(const std::string& what) {
    DictFailure failure;
    failure.code = Z_GetLastError();
    if (failure.code == Z_ERROR_NONE) failure.code = Z_ERROR_IO;
    const char* cause = Z_GetLastErrorPrompt(nullptr, 0);
    failure.text = what + ((cause != nullptr && cause[0] != '\0') ? ": " + std::string(cause) : "");
    return failure;
}

namespace {

void SetFailure(DictFailure* failure, uint32_t code, const std::string& text) {
    if (failure != nullptr) *failure = DictFailure{code, text};
}

}  // namespace

bool IsKnownDictTitle(const std::string& title) {
    for (const char* known : DICT_TITLES) {
        if (ZSTRCMPI(title.c_str(), known) == 0) return true;
    }
    return false;
}

std::string HeaderTitle(const uint8_t* header) { return ReadStoredText(header, HEADER_TITLE, HEADER_TITLE_FIELD); }

bool SetHeaderTitle(uint8_t* header, const std::string& title) {
    if (title.size() >= HEADER_TITLE_FIELD || title.find('\0') != std::string::npos) return false;
    std::memset(header + HEADER_TITLE, 0, HEADER_TITLE_FIELD);
    std::memcpy(header + HEADER_TITLE, title.data(), title.size());
    return true;
}

std::string SystemDirectory(const std::string& home) {
    std::string path = home;
    if (!zel::toolkit::EndsWithPathSeparator(path)) path += Z_PATH_SEPARATOR;
    return path + "system";
}

std::string DictFilePath(const std::string& home, int index) {
    return SystemDirectory(home) + Z_PATH_SEPARATOR + DICT_FILE_NAMES[index];
}

bool CheckDictHeader(const std::string& path, const uint8_t* header, uint64_t fileSize, DictFailure* failure) {
    const uint64_t recordSize = ReadStoredInteger(header, HEADER_RECORD_SIZE, 4);
    const uint64_t recordCount = ReadStoredInteger(header, HEADER_RECORD_COUNT, 4);
    const std::string title = HeaderTitle(header);
    if (!IsKnownDictTitle(title)) {
        SetFailure(failure, Z_ERROR_BAD_ARGUMENT, path + " has the unknown version title \"" + title + "\"");
        return false;
    }
    if (recordSize == 0 && recordCount != 0) {
        SetFailure(failure, Z_ERROR_BAD_ARGUMENT,
                   path + ": its header counts " + std::to_string(recordCount) + " records of 0 bytes");
        return false;
    }
    const uint64_t needed = DICT_HEADER_SIZE + recordSize * recordCount;
    if (fileSize == needed) return true;
    const std::string counted = std::to_string(recordCount) + " records of " + std::to_string(recordSize) + " bytes (" +
                                std::to_string(needed) + " bytes with the header), but the file is " +
                                std::to_string(fileSize) + " bytes long";
    SetFailure(failure, Z_ERROR_BAD_ARGUMENT,
               fileSize < needed ? path + " is cut short: its header announces " + counted
                                 : path + " is longer than its header says: the header announces " + counted);
    return false;
}

bool ReadDictFile(const std::string& path, bool keepRecords, DictFile* file, DictFailure* failure) {
    file->path = path;
    file->records.clear();
    uint64_t size = 0;
    if (!Z_GetFileSize(path.c_str(), &size)) {
        if (failure != nullptr) *failure = ToolkitFailure("cannot find " + path);
        return false;
    }
    if (size < DICT_HEADER_SIZE) {
        SetFailure(failure, Z_ERROR_BAD_ARGUMENT, path + " is shorter than its 96-byte header");
        return false;
    }
    HZFILE handle = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, 0);
    if (handle == nullptr) {
        if (failure != nullptr) *failure = ToolkitFailure("cannot open " + path);
        return false;
    }
    bool ok = Z_ReadFile(handle, file->header.data(), DICT_HEADER_SIZE, 1) == DICT_HEADER_SIZE;
    if (!ok && failure != nullptr) *failure = ToolkitFailure("cannot read the header of " + path);
    if (ok) {
        file->recordSize = static_cast<uint32_t>(ReadStoredInteger(file->header.data(), HEADER_RECORD_SIZE, 4));
        file->recordCount = static_cast<uint32_t>(ReadStoredInteger(file->header.data(), HEADER_RECORD_COUNT, 4));
        ok = CheckDictHeader(path, file->header.data(), size, failure);
    }
    if (ok && keepRecords && file->recordCount > 0) {
        std::vector<uint8_t> body(static_cast<size_t>(uint64_t{file->recordSize} * file->recordCount));
        ok = Z_ReadFile(handle, body.data(), static_cast<int64_t>(body.size()), 1) == static_cast<int64_t>(body.size());
        if (!ok && failure != nullptr) *failure = ToolkitFailure("cannot read the records of " + path);
        for (uint32_t i = 0; ok && i < file->recordCount; ++i) {
            auto first = body.begin() + static_cast<ptrdiff_t>(uint64_t{i} * file->recordSize);
            file->records.emplace_back(first, first + file->recordSize);
        }
    }
    Z_CloseFile(handle);
    return ok;
}

bool WriteDictFileImage(const std::string& path, const std::vector<uint8_t>& image, DictFailure* failure) {
    std::string temporary = path + ".TMP";
    HZFILE handle = Z_CreateFile(temporary.c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (handle == nullptr) {
        if (failure != nullptr) *failure = ToolkitFailure("cannot create " + temporary);
        return false;
    }
    bool written =
        Z_WriteFile(handle, image.data(), static_cast<int64_t>(image.size()), 1) == static_cast<int64_t>(image.size());
    if (!written && failure != nullptr) *failure = ToolkitFailure("cannot write " + temporary);
    bool closed = Z_CloseFile(handle) != 0;
    if (written && !closed && failure != nullptr) *failure = ToolkitFailure("cannot write " + temporary);
    bool replaced = written && closed && Z_ReplaceFile(temporary.c_str(), path.c_str()) != 0;
    if (written && closed && !replaced && failure != nullptr) {
        *failure = ToolkitFailure("cannot replace " + path);
    }
    if (!replaced) Z_DeleteFile(temporary.c_str());
    return replaced;
}

bool WriteDictFile(DictFile& file, DictFailure* failure) {
    std::array<uint8_t, DICT_HEADER_SIZE> header = file.header;
    uint32_t count = static_cast<uint32_t>(file.records.size());
    WriteStoredInteger(header.data(), HEADER_RECORD_SIZE, 4, file.recordSize);
    WriteStoredInteger(header.data(), HEADER_RECORD_COUNT, 4, count);
    std::vector<uint8_t> image(header.begin(), header.end());
    image.reserve(DICT_HEADER_SIZE + size_t{file.recordSize} * count);
    for (const std::vector<uint8_t>& record : file.records) image.insert(image.end(), record.begin(), record.end());
    if (!WriteDictFileImage(file.path, image, failure)) return false;
    file.header = header;
    file.recordCount = count;
    return true;
}

uint32_t StoredRecordSize(int index) {
    switch (index) {
        case CONFIG_FILE: return SystemConfigLayout().diskSize;
        case BASE_FILE: return DatabaseLayout().diskSize;
        case BASECOL_FILE: return ColumnLayout().diskSize;
        case FORMAT_FILE: return DataFormatLayout().diskSize;
        case VIEW_FILE: return 72;
        default: return 64;
    }
}

bool CreateEmptyDictionary(const std::string& home, const std::string& title, DictFailure* failure) {
    std::string system = SystemDirectory(home);
    const int there = Z_DirExists(system.c_str());
    if (there < 0 || (there == 0 && !Z_CreateDir(system.c_str(), 0))) {
        if (failure != nullptr) *failure = ToolkitFailure("cannot create " + system);
        return false;
    }
    for (int index = 0; index < DICT_FILE_COUNT; ++index) {
        DictFile file;
        file.path = DictFilePath(home, index);
        file.recordSize = StoredRecordSize(index);
        if (!SetHeaderTitle(file.header.data(), title)) {
            SetFailure(failure, Z_ERROR_TOO_LONG, "the version title \"" + title + "\" is longer than 63 characters");
            return false;
        }
        if (!WriteDictFile(file, failure)) return false;
    }
    return true;
}

}  // namespace zel::shell
