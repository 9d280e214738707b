// Profile (INI) readers: sections "[name]" and items "key=value". Lines that
// are neither are passed over and, when the caller gives a pass-through
// file, copied there as they are, so that a rewritten profile keeps the
// comments and blank lines of the file it was made from.
#include <cstring>
#include <string>

#include "file_object.h"
#include "toolkit_internal.h"

using namespace zel::toolkit;

namespace {

// Search lines carry no caller buffer; this only keeps a damaged file from
// filling the memory.
constexpr size_t kLongestSearchedLine = 1u << 20;

enum class LineKind { Header, Item, Other };

struct ProfileLine {
    LineKind kind = LineKind::Other;
    std::string name;   // section name, or the item's key
    std::string value;  // the item's value
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

ProfileLine Classify(const std::string& raw) {
    ProfileLine line;
    std::string text = Trimmed(raw);
    if (text.empty() || text[0] == ';' || text[0] == '#') return line;
    // A header runs from "[" to the first "]"; what follows on the line (a
    // comment) is ignored, as Windows' own profile functions do.
    size_t closing = text.find(']');
    if (text[0] == '[' && closing != std::string::npos) {
        line.kind = LineKind::Header;
        line.name = Trimmed(text.substr(1, closing - 1));
        return line;
    }
    size_t equals = text.find('=');
    if (equals == std::string::npos) return line;
    std::string key = Trimmed(text.substr(0, equals));
    if (key.empty()) return line;
    line.kind = LineKind::Item;
    line.name = key;
    line.value = Trimmed(text.substr(equals + 1));
    return line;
}

bool IsBooleanText(const std::string& value, int32_t& truth) {
    static const char* const trueWords[] = {"TRUE", "YES", "ON"};
    static const char* const falseWords[] = {"FALSE", "NO", "OFF"};
    for (const char* word : trueWords) {
        if (EqualIgnoringCase(value, word)) {
            truth = 1;
            return true;
        }
    }
    for (const char* word : falseWords) {
        if (EqualIgnoringCase(value, word)) {
            truth = 0;
            return true;
        }
    }
    return false;
}

// A decimal number with an optional sign that fits a signed 32-bit integer;
// anything larger is text, so that no caller sees a value wrapped around.
bool IsNumberText(const std::string& value, uint32_t& number) {
    size_t position = 0;
    bool negative = false;
    if (position < value.size() && (value[position] == '+' || value[position] == '-')) {
        negative = value[position] == '-';
        ++position;
    }
    if (position == value.size()) return false;
    int64_t magnitude = 0;
    for (; position < value.size(); ++position) {
        char c = value[position];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) return false;
    }
    if (!negative && magnitude > 2147483647LL) return false;
    int64_t signedValue = negative ? -magnitude : magnitude;
    number = static_cast<uint32_t>(static_cast<int32_t>(signedValue));
    return true;
}

bool PassOver(HZFILE passThrough, const std::string& raw, const char* operation) {
    if (passThrough == nullptr) return true;
    return WriteLine(passThrough, raw, operation);
}

}  // namespace

int Z_SeekProfileSect(HZFILE file, const char* name) {
    if (file == nullptr || name == nullptr) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_SeekProfileSect: missing argument");
        return -1;
    }
    if (Z_FaultPoint("Z_SeekProfileSect")) {
        MarkFailed(file);
        return -1;
    }
    if (!Rewind(file, "Z_SeekProfileSect")) return -1;
    const std::string wanted = Trimmed(name);
    std::string raw;
    for (;;) {
        switch (ReadLine(file, raw, kLongestSearchedLine, "Z_SeekProfileSect")) {
            case LineResult::Error: return -1;
            case LineResult::End: return 0;
            case LineResult::Line: break;
        }
        ProfileLine line = Classify(raw);
        if (line.kind == LineKind::Header && EqualIgnoringCase(line.name, wanted)) return 1;
    }
}

int Z_ReadProfileSect(HZFILE file, char* buffer, int size, HZFILE passThrough) {
    if (file == nullptr || buffer == nullptr || size <= 0) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_ReadProfileSect: missing argument");
        return -1;
    }
    if (Z_FaultPoint("Z_ReadProfileSect")) {
        MarkFailed(file);
        return -1;
    }
    std::string raw;
    for (;;) {
        switch (ReadLine(file, raw, static_cast<size_t>(size) - 1, "Z_ReadProfileSect")) {
            case LineResult::Error: return -1;
            case LineResult::End: return 0;
            case LineResult::Line: break;
        }
        ProfileLine line = Classify(raw);
        if (line.kind == LineKind::Header) {
            std::memcpy(buffer, line.name.c_str(), line.name.size() + 1);
            return 1;
        }
        if (!PassOver(passThrough, raw, "Z_ReadProfileSect")) return -1;
    }
}

int Z_ReadProfileItem(HZFILE file, char* buffer, int* size, int32_t* boolean, uint32_t* number, HZFILE passThrough) {
    if (file == nullptr || buffer == nullptr || size == nullptr || *size <= 0) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_ReadProfileItem: missing argument");
        return -1;
    }
    if (Z_FaultPoint("Z_ReadProfileItem")) {
        MarkFailed(file);
        return -1;
    }
    // key, NUL, value, NUL is never longer than the raw line and its
    // terminator, so a line that fits the buffer gives an item that fits.
    const size_t room = static_cast<size_t>(*size);
    std::string raw;
    for (;;) {
        int64_t offset = 0;
        switch (ReadLine(file, raw, room - 1, "Z_ReadProfileItem", &offset)) {
            case LineResult::Error: return -1;
            case LineResult::End: return 0;
            case LineResult::Line: break;
        }
        ProfileLine line = Classify(raw);
        if (line.kind == LineKind::Header) {
            PushBackLine(file, raw, offset);
            return 0;
        }
        if (line.kind == LineKind::Other) {
            if (!PassOver(passThrough, raw, "Z_ReadProfileItem")) return -1;
            continue;
        }
        std::memcpy(buffer, line.name.c_str(), line.name.size() + 1);
        std::memcpy(buffer + line.name.size() + 1, line.value.c_str(), line.value.size() + 1);
        *size = static_cast<int>(line.name.size() + 1);
        int32_t truth = 0;
        uint32_t value = 0;
        if (IsBooleanText(line.value, truth)) {
            if (boolean != nullptr) *boolean = truth;
            return Z_ITEM_BOOLEAN;
        }
        if (IsNumberText(line.value, value)) {
            if (number != nullptr) *number = value;
            return Z_ITEM_NUMBER;
        }
        return Z_ITEM_TEXT;
    }
}
