#include "run_record_file.h"

#include <cstdio>

#include "zelkit.h"

namespace {

constexpr const char* kChecksumKey = "Checksum=";
constexpr const char* kKeys[] = {"ServerProgramAbsent", "ProfileMissing", "OldProgramsFound", "LexiconCharset",
                                 "NativeCharset",       "Journal",        "Home"};
constexpr const char* kRequired[] = {"ServerProgramAbsent", "ProfileMissing", "OldProgramsFound", "Journal", "Home"};

std::string ChecksumLine(const std::string& lines) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(Z_Crc32c(0, lines.data(), lines.size())));
    return std::string(kChecksumKey) + hex + "\n";
}

bool IsFlag(const std::string& value) { return value == "0" || value == "1"; }

// Only values a run writes.
bool Allowed(const std::string& key, const std::string& value) {
    if (key == "ServerProgramAbsent" || key == "ProfileMissing" || key == "OldProgramsFound" || key == "Journal") {
        return IsFlag(value);
    }
    if (key == "LexiconCharset") return value == "16" || value == "32" || value == "48" || value == "64";
    if (key == "NativeCharset") return value == "0" || value == "1" || value == "2" || value == "3";
    if (key == "Home") {
        const size_t colon = value.find(':');
        return colon != std::string::npos && colon > 0 && colon + 1 < value.size() &&
               value.find_first_not_of("0123456789:") == std::string::npos &&
               value.find(':', colon + 1) == std::string::npos;
    }
    return false;
}

}  // namespace

std::string FormatRunRecord(const RunRecordValues& values) {
    std::string lines;
    for (const char* key : kKeys) {
        auto found = values.find(key);
        if (found != values.end()) lines += std::string(key) + "=" + found->second + "\n";
    }
    return lines + ChecksumLine(lines);
}

bool ParseRunRecord(const std::string& text, RunRecordValues* values, std::string* why) {
    values->clear();
    if (text.empty() || text.back() != '\n') {
        *why = "it is cut short";
        return false;
    }
    const size_t previous = text.rfind('\n', text.size() - 2);
    const size_t checksumStart = previous == std::string::npos ? 0 : previous + 1;
    const std::string body = text.substr(0, checksumStart);
    if (text.compare(checksumStart, std::string::npos, ChecksumLine(body)) != 0) {
        *why = "its checksum does not match its contents";
        return false;
    }
    for (size_t start = 0; start < body.size();) {
        const size_t end = body.find('\n', start);
        const std::string line = body.substr(start, end - start);
        start = end + 1;
        const size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (equals == std::string::npos || !Allowed(key, value) || !values->emplace(key, value).second) {
            *why = "the line \"" + line + "\" is none a run writes";
            return false;
        }
    }
    for (const char* required : kRequired) {
        if (values->count(required) == 0) {
            *why = std::string("it lacks ") + required;
            return false;
        }
    }
    return true;
}
