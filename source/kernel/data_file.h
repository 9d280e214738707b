// The kernel's files for one database, named by the database id so that a
// renamed lexicon keeps its data:
//   DB<id>.dat  a header of "key value" lines ended by an empty line, then
//               one record per line (fields separated by TAB, text in the
//               character set named in the header);
//   DB<id>.idx  the index, present only when the database has one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel::kernel {

struct ColumnHeader {
    uint32_t number = 0;
    std::string type;  // "CHAR", "DATE", ... or empty
    std::string name;  // may be empty: the kernel is not always told one
};

struct DataHeader {
    int charset = 0;  // Z_CHARSET_* of the stored text
    uint64_t records = 0;
    uint64_t unencodable = 0;  // entries the character set could not hold at the last build
    std::vector<ColumnHeader> columns;
};

std::string DataFileName(uint32_t id);
std::string IndexFileName(uint32_t id);

std::string FormatDataHeader(const DataHeader& header);

// Reads only the header of a data file.
bool ReadDataHeader(const char* operation, const std::string& path, DataHeader* header);

// Reads a whole data file; body is the record lines after the header. The
// record count of the header must match the lines.
bool ReadDataFile(const char* operation, const std::string& path, DataHeader* header, std::string* contents,
                  std::string_view* body);

// Replaces the data file with the header and the records, one per line (in
// place while the file journal records it: AtomicFileWriter).
// header.records is set to the number of lines.
bool WriteDataFile(const char* operation, const std::string& path, DataHeader header,
                   const std::vector<std::string_view>& lines);

// The index covers the given number of records.
bool WriteIndexFile(const char* operation, const std::string& path, uint64_t records);

// Walks text line by line; a line end is LF or CR LF and is not part of the
// line. A last line without a line end still counts.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool Next(std::string_view* line);
    size_t Position() const { return position_; }
    size_t LineNumber() const { return lineNumber_; }

private:
    std::string_view text_;
    size_t position_ = 0;
    size_t lineNumber_ = 0;
};

}  // namespace zel::kernel
