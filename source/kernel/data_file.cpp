#include "data_file.h"

#include <charconv>
#include <cstring>

#include "kernel_failure.h"
#include "kernel_files.h"
#include "zelkit.h"

namespace zel::kernel {
namespace {

constexpr std::string_view kDataMagic = "ZELDATA 1";
constexpr std::string_view kIndexMagic = "ZELINDEX 1";
// A header holds a few lines per column; no real database comes near this.
constexpr size_t kHeaderLimit = 4 << 20;

bool ParseNumber(std::string_view text, uint64_t* value) {
    if (text.empty()) return false;
    auto result = std::from_chars(text.data(), text.data() + text.size(), *value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// Splits "key rest" at the first blank.
void SplitKey(std::string_view line, std::string_view* key, std::string_view* rest) {
    size_t blank = line.find(' ');
    *key = line.substr(0, blank);
    *rest = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
}

bool ParseColumn(std::string_view rest, ColumnHeader* column) {
    std::string_view number;
    std::string_view afterNumber;
    SplitKey(rest, &number, &afterNumber);
    uint64_t value = 0;
    if (!ParseNumber(number, &value) || value > UINT32_MAX) return false;
    column->number = static_cast<uint32_t>(value);
    std::string_view type;
    std::string_view name;
    SplitKey(afterNumber, &type, &name);
    column->type = std::string(type);
    column->name = std::string(name);
    return true;
}

// Parses the header at the start of text; *bodyOffset is where the records
// begin. False when text is not (or not yet) a complete header.
bool ParseHeader(std::string_view text, DataHeader* header, size_t* bodyOffset, std::string* problem) {
    LineCursor cursor(text);
    std::string_view line;
    if (!cursor.Next(&line) || line != kDataMagic) {
        *problem = "it is not a kernel data file";
        return false;
    }
    *header = DataHeader();
    while (cursor.Next(&line)) {
        if (line.empty()) {
            *bodyOffset = cursor.Position();
            return true;
        }
        std::string_view key;
        std::string_view rest;
        SplitKey(line, &key, &rest);
        uint64_t value = 0;
        bool ok = true;
        if (key == "charset") {
            ok = ParseNumber(rest, &value) && value <= Z_CHARSET_UTF8;
            header->charset = static_cast<int>(value);
        } else if (key == "records") {
            ok = ParseNumber(rest, &header->records);
        } else if (key == "unencodable") {
            ok = ParseNumber(rest, &header->unencodable);
        } else if (key == "column") {
            ColumnHeader column;
            ok = ParseColumn(rest, &column);
            header->columns.push_back(std::move(column));
        }
        // Other keys belong to later versions of the format and are passed over.
        if (!ok) {
            *problem = "its header line " + std::to_string(cursor.LineNumber()) + " is damaged";
            return false;
        }
    }
    *problem = "its header is incomplete";
    return false;
}

}  // namespace

bool LineCursor::Next(std::string_view* line) {
    if (position_ >= text_.size()) return false;
    const char* start = text_.data() + position_;
    size_t remaining = text_.size() - position_;
    const void* found = std::memchr(start, '\n', remaining);
    size_t length = found ? static_cast<size_t>(static_cast<const char*>(found) - start) : remaining;
    position_ += found ? length + 1 : length;
    if (length > 0 && start[length - 1] == '\r') --length;
    *line = std::string_view(start, length);
    ++lineNumber_;
    return true;
}

std::string DataFileName(uint32_t id) { return "DB" + std::to_string(id) + ".dat"; }

std::string IndexFileName(uint32_t id) { return "DB" + std::to_string(id) + ".idx"; }

std::string FormatDataHeader(const DataHeader& header) {
    std::string text(kDataMagic);
    text += "\ncharset " + std::to_string(header.charset);
    text += "\nrecords " + std::to_string(header.records);
    text += "\nunencodable " + std::to_string(header.unencodable);
    for (const ColumnHeader& column : header.columns) {
        text += "\ncolumn " + std::to_string(column.number) + " " + column.type + " " + column.name;
    }
    text += "\n\n";
    return text;
}

bool ReadDataHeader(const char* operation, const std::string& path, DataHeader* header) {
    std::string head;
    if (!ReadFileHead(operation, path, "\n\n", kHeaderLimit, &head)) return false;
    size_t bodyOffset = 0;
    std::string problem;
    if (!ParseHeader(head, header, &bodyOffset, &problem)) {
        return Fail(operation, Z_ERROR_IO, "cannot use %s: %s", path.c_str(), problem.c_str());
    }
    return true;
}

bool ReadDataFile(const char* operation, const std::string& path, DataHeader* header, std::string* contents,
                  std::string_view* body) {
    if (!ReadWholeFile(operation, path, contents)) return false;
    size_t bodyOffset = 0;
    std::string problem;
    if (!ParseHeader(*contents, header, &bodyOffset, &problem)) {
        return Fail(operation, Z_ERROR_IO, "cannot use %s: %s", path.c_str(), problem.c_str());
    }
    *body = std::string_view(*contents).substr(bodyOffset);
    uint64_t lines = 0;
    for (char c : *body) lines += c == '\n';
    if (!body->empty() && body->back() != '\n') ++lines;
    if (lines != header->records) {
        return Fail(operation, Z_ERROR_IO, "cannot use %s: it holds %llu records, its header says %llu", path.c_str(),
                    static_cast<unsigned long long>(lines), static_cast<unsigned long long>(header->records));
    }
    return true;
}

bool WriteDataFile(const char* operation, const std::string& path, DataHeader header,
                   const std::vector<std::string_view>& lines) {
    header.records = lines.size();
    AtomicFileWriter writer(operation, path, WhileJournalled::InPlace);
    if (!writer.Open() || !writer.Write(FormatDataHeader(header))) return false;
    for (std::string_view line : lines) {
        if (!writer.Write(line) || !writer.Write("\n")) return false;
    }
    return writer.Commit();
}

bool WriteIndexFile(const char* operation, const std::string& path, uint64_t records) {
    AtomicFileWriter writer(operation, path);
    std::string text(kIndexMagic);
    text += "\nrecords " + std::to_string(records) + "\n\n";
    return writer.Open() && writer.Write(text) && writer.Commit();
}

}  // namespace zel::kernel
