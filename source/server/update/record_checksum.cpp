#include "record_checksum.h"

#include <cstdio>

#include "zelkit.h"

namespace {

constexpr const char* kKey = "Checksum=";

std::string ChecksumLine(const std::string& lines) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(Z_Crc32c(0, lines.data(), lines.size())));
    return std::string(kKey) + hex + "\n";
}

}  // namespace

std::string ChecksummedText(const std::string& lines) { return lines + ChecksumLine(lines); }

bool SplitChecksummedText(const std::string& text, std::string* lines) {
    if (text.empty() || text.back() != '\n') return false;
    const size_t start = text.rfind('\n', text.size() - 2);
    const size_t lineStart = start == std::string::npos ? 0 : start + 1;
    const std::string body = text.substr(0, lineStart);
    if (text.compare(lineStart, std::string::npos, ChecksumLine(body)) != 0) return false;
    *lines = body;
    return true;
}
