// Loading records from a text file in the load format (see docs): UTF-8, one
// record per line, fields separated by TAB, the first field the main term.
#include <cstring>

#include "data_file.h"
#include "database_location.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "lexicon_entries.h"
#include "percent_steps.h"
#include "text_convert.h"
#include "zelkit.h"
#include "zemkernel.h"

using namespace zel::kernel;

namespace {

constexpr const char* kOperation = "ZKF_LoadDBRecords";

// Converts the records of the load file into stored record lines.
bool ParseLoadFile(const std::string& path, std::string_view text, int charset, size_t columnCount,
                   LexiconEntries* records) {
    records->Reserve(text.size(), text.size() / 16);
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(&line)) {
        if (line.empty() || line[0] == '#') continue;
        // Empty fields at the end stand for columns left empty.
        while (!line.empty() && line.back() == '\t') line.remove_suffix(1);
        if (line.empty() || line[0] == '\t') {
            return Fail(kOperation, Z_ERROR_BAD_ARGUMENT, "line %llu of %s has no main term",
                        Number(cursor.LineNumber()), path.c_str());
        }
        size_t fields = 1;
        for (char c : line) fields += c == '\t';
        if (columnCount > 0 && fields > columnCount) {
            return Fail(kOperation, Z_ERROR_BAD_ARGUMENT,
                        "line %llu of %s has %llu fields, the database has %llu columns", Number(cursor.LineNumber()),
                        path.c_str(), Number(fields), Number(columnCount));
        }
        size_t start = records->Buffer()->size();
        switch (AppendConverted(line, charset, records->Buffer())) {
            case Conversion::kConverted: records->EndEntry(start); break;
            case Conversion::kUnencodable: ++records->unencodable; break;
            case Conversion::kInvalid:
                return Fail(kOperation, Z_ERROR_CHARSET, "line %llu of %s is not UTF-8 text",
                            Number(cursor.LineNumber()), path.c_str());
        }
    }
    return true;
}

void FillReport(tagZKS_MaintDBReport* report, uint64_t loaded, uint64_t skipped) {
    if (report == nullptr) return;
    std::memset(report->data, 0, sizeof(report->data));
    std::memcpy(report->data, &loaded, sizeof(loaded));
    std::memcpy(report->data + 8, &skipped, sizeof(skipped));
}

}  // namespace

int64_t ZKF_LoadDBRecords(tagZKS_LoadDBRec* request, tagZKS_MaintDBReport* report, int, int) {
    if (Z_FaultPoint(kOperation)) return -1;
    if (request == nullptr || request->sourcePath == nullptr || request->sourcePath[0] == '\0') {
        Fail(kOperation, Z_ERROR_BAD_ARGUMENT, "no source file given");
        return -1;
    }
    const std::string sourcePath = request->sourcePath;
    const LoadProgressFunction progress = request->progress;
    DatabaseLocation location;
    if (!LocateDatabase(kOperation, request->databaseId, &location)) return -1;
    const int sourceThere = FileThere(kOperation, sourcePath);
    if (sourceThere < 0) return -1;
    if (sourceThere == 0) {
        Fail(kOperation, Z_ERROR_NOT_FOUND, "the source file %s does not exist", sourcePath.c_str());
        return -1;
    }
    if (progress != nullptr) progress(-1, reinterpret_cast<intptr_t>(request->sourcePath));

    DataHeader header;
    std::string data;
    std::string_view body;
    // Data taken for missing would be written anew without its records.
    const int dataThere = FileThere(kOperation, location.dataPath);
    if (dataThere < 0) return -1;
    if (dataThere > 0) {
        if (!ReadDataFile(kOperation, location.dataPath, &header, &data, &body)) return -1;
    } else if (!EnsureDirectory(kOperation, location.directory)) {
        return -1;
    }
    // Records join the database in the set its text is kept in already.
    if (header.charset == Z_CHARSET_NONE) header.charset = Z_GetAssignedCharset();

    std::string source;
    if (!ReadWholeFile(kOperation, sourcePath, &source)) return -1;
    LexiconEntries records;
    if (!ParseLoadFile(sourcePath, WithoutByteOrderMark(source), header.charset, header.columns.size(), &records)) {
        return -1;
    }
    std::vector<std::string_view> lines = records.InOrder();

    const uint64_t existing = header.records;
    header.records = existing + lines.size();
    header.unencodable = records.unencodable;
    AtomicFileWriter writer(kOperation, location.dataPath, WhileJournalled::InPlace);
    if (!writer.Open() || !writer.Write(FormatDataHeader(header)) || !writer.Write(body)) return -1;
    if (!body.empty() && body.back() != '\n' && !writer.Write("\n")) return -1;
    PercentSteps steps(lines.size());
    uint64_t written = 0;
    for (std::string_view line : lines) {
        if (!writer.Write(line) || !writer.Write("\n")) return -1;
        ++written;
        int percent = steps.Advance(written);
        if (percent > 0 && progress != nullptr) progress(static_cast<int32_t>(written), percent);
    }
    if (!writer.Commit()) return -1;

    const auto loaded = static_cast<int32_t>(lines.size());
    if (progress != nullptr) {
        progress(loaded, 100);
        progress(loaded, 0);
    }
    FillReport(report, lines.size(), records.unencodable);
    return static_cast<int64_t>(lines.size());
}
