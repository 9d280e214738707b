// The nine data-dictionary files of HOME/system: their names, the 96-byte
// header and whole-file reading and replacing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::shell {

enum DictFileIndex {
    CONFIG_FILE = 0,
    GROUP_FILE,
    USER_FILE,
    BASE_FILE,
    BASECOL_FILE,
    VIEW_FILE,
    VIEWCOL_FILE,
    RIGHT_FILE,
    FORMAT_FILE,
    DICT_FILE_COUNT
};

extern const char* const DICT_FILE_NAMES[DICT_FILE_COUNT];

constexpr uint32_t DICT_HEADER_SIZE = 96;
constexpr uint32_t HEADER_RECORD_SIZE = 8;
constexpr uint32_t HEADER_RECORD_COUNT = 12;
constexpr uint32_t HEADER_TITLE = 32;
constexpr uint32_t HEADER_TITLE_FIELD = 64;

// The version titles the shell opens, oldest first.
constexpr int DICT_TITLE_COUNT = 4;
extern const char* const DICT_TITLES[DICT_TITLE_COUNT];
constexpr const char* OLDEST_DICT_TITLE = "ZEL4.0 Data Dictionary";

// Without regard to case.
bool IsKnownDictTitle(const std::string& title);
// The title field read as text; a field without NUL ends at the header's end.
std::string HeaderTitle(const uint8_t* header);
// Clears the whole title field and writes title (at most 63 characters).
bool SetHeaderTitle(uint8_t* header, const std::string& title);

// A failure's toolkit code and text, for the operation to report.
struct DictFailure {
    uint32_t code = 0;
    std::string text;
};

struct DictFile {
    std::string path;
    std::array<uint8_t, DICT_HEADER_SIZE> header{};
    uint32_t recordSize = 0;
    uint32_t recordCount = 0;
    std::vector<std::vector<uint8_t>> records;  // only when read with keepRecords
};

// The toolkit's last error, after what: "<what>: <toolkit text>".
DictFailure ToolkitFailure(const std::string& what);

// HOME/system/NAME; home may end with a separator or not.
std::string SystemDirectory(const std::string& home);
std::string DictFilePath(const std::string& home, int index);

// Checks a header read from the file at path of fileSize bytes: a known
// title, and a length of exactly the header and the records it counts. A
// file of another length is refused whole, naming its count, record size
// and length: records beyond the count would be lost at the next write, and
// a count beyond the records would be read as records that are not there.
bool CheckDictHeader(const std::string& path, const uint8_t* header, uint64_t fileSize, DictFailure* failure);

// Reads the header and checks it (CheckDictHeader); with keepRecords also
// the records.
bool ReadDictFile(const std::string& path, bool keepRecords, DictFile* file, DictFailure* failure);

// Writes the header (record size and count set from file) and the records
// to NAME.TMP beside the file, then moves it over the file in one step, so
// the file is always either the old or the new one whole. file.header is
// updated only on success.
bool WriteDictFile(DictFile& file, DictFailure* failure);

// Writes a whole file of the given header and raw records the same safe way.
bool WriteDictFileImage(const std::string& path, const std::vector<uint8_t>& image, DictFailure* failure);

// The record size the shell stores in each file (VIEW.DIC: 72; the other
// uninterpreted files: 64).
uint32_t StoredRecordSize(int index);

// Makes HOME/system (when missing) and the nine files with no records, each
// titled title.
bool CreateEmptyDictionary(const std::string& home, const std::string& title, DictFailure* failure);

}  // namespace zel::shell
