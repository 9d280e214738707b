// Profile (INI) readers: sections "[name]" and items "key=value". Lines that
// are neither are passed over and, when the caller gives a pass-through
// file, copied there as they are, so that a rewritten profile keeps the
// comments and blank lines of the file it was made from.
#include <cstring>
#include <string>

#include "fault_table.h"
#include "file_object.h"
#include "profile_text.h"
#include "toolkit_internal.h"

using namespace zel::toolkit;

namespace {

// Search lines carry no caller buffer; this only keeps a damaged file from
// filling the memory.
constexpr size_t kLongestSearchedLine = 1u << 20;

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
    const EntryPoint call("Z_SeekProfileSect");
    if (call.Failed()) {
        MarkFailed(file);
        return -1;
    }
    if (!Rewind(file, "Z_SeekProfileSect")) return -1;
    const std::string wanted = TrimmedProfileText(name);
    std::string raw;
    for (;;) {
        switch (ReadLine(file, raw, kLongestSearchedLine, "Z_SeekProfileSect")) {
            case LineResult::Error: return -1;
            case LineResult::End: return 0;
            case LineResult::Line: break;
        }
        const ProfileLine line = ParseProfileLine(raw);
        if (line.kind == ProfileLineKind::Header && EqualIgnoringCase(line.name, wanted)) return 1;
    }
}

int Z_ReadProfileSect(HZFILE file, char* buffer, int size, HZFILE passThrough) {
    if (file == nullptr || buffer == nullptr || size <= 0) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_ReadProfileSect: missing argument");
        return -1;
    }
    const EntryPoint call("Z_ReadProfileSect");
    if (call.Failed()) {
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
        const ProfileLine line = ParseProfileLine(raw);
        if (line.kind == ProfileLineKind::Header) {
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
    const EntryPoint call("Z_ReadProfileItem");
    if (call.Failed()) {
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
        const ProfileLine line = ParseProfileLine(raw);
        if (line.kind == ProfileLineKind::Header) {
            PushBackLine(file, raw, offset);
            return 0;
        }
        if (line.kind == ProfileLineKind::Other) {
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
