#include "record_codec.h"

#include <cstring>

#include "dictionary_records.h"

namespace zel::shell {

void RecordLayout::Add(const std::string& name, FieldKind kind, uint32_t memoryOffset, uint32_t width) {
    fields.push_back(FieldLayout{name, kind, memoryOffset, diskSize, width});
    diskSize += width;
}

const FieldLayout* RecordLayout::Find(const std::string& name) const {
    for (const FieldLayout& field : fields) {
        if (field.name == name) return &field;
    }
    return nullptr;
}

uint64_t ReadStoredInteger(const uint8_t* stored, uint32_t offset, uint32_t width) {
    uint64_t value = 0;
    for (uint32_t i = 0; i < width; ++i) value |= static_cast<uint64_t>(stored[offset + i]) << (8 * i);
    return value;
}

void WriteStoredInteger(uint8_t* stored, uint32_t offset, uint32_t width, uint64_t value) {
    for (uint32_t i = 0; i < width; ++i) stored[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

namespace {

// The length of a stored text: up to its first zero byte, or its field's
// whole width.
size_t StoredTextLength(const uint8_t* stored, const FieldLayout& field) {
    const void* end = std::memchr(stored + field.diskOffset, 0, field.width);
    return end != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(end) - (stored + field.diskOffset))
                          : field.width;
}

}  // namespace

std::string ReadStoredText(const uint8_t* stored, uint32_t offset, uint32_t width) {
    const char* text = reinterpret_cast<const char*>(stored + offset);
    size_t length = 0;
    while (length < width && text[length] != '\0') ++length;
    return std::string(text, length);
}

uint64_t ReadField(const FieldLayout& field, const uint8_t* stored) {
    return ReadStoredInteger(stored, field.diskOffset, field.width);
}

std::string ReadTextField(const FieldLayout& field, const uint8_t* stored) {
    return ReadStoredText(stored, field.diskOffset, field.width);
}

namespace {

// Reads an integer member of the exchanged record by its own width, so the
// result is right whatever the byte order.
uint64_t ReadMemberInteger(const void* record, const FieldLayout& field) {
    const uint8_t* at = static_cast<const uint8_t*>(record) + field.memoryOffset;
    switch (field.width) {
        case 1: {
            uint8_t v;
            std::memcpy(&v, at, 1);
            return v;
        }
        case 2: {
            uint16_t v;
            std::memcpy(&v, at, 2);
            return v;
        }
        case 4: {
            uint32_t v;
            std::memcpy(&v, at, 4);
            return v;
        }
        default: {
            uint64_t v;
            std::memcpy(&v, at, 8);
            return v;
        }
    }
}

void WriteMemberInteger(void* record, const FieldLayout& field, uint64_t value) {
    uint8_t* at = static_cast<uint8_t*>(record) + field.memoryOffset;
    switch (field.width) {
        case 1: {
            uint8_t v = static_cast<uint8_t>(value);
            std::memcpy(at, &v, 1);
            break;
        }
        case 2: {
            uint16_t v = static_cast<uint16_t>(value);
            std::memcpy(at, &v, 2);
            break;
        }
        case 4: {
            uint32_t v = static_cast<uint32_t>(value);
            std::memcpy(at, &v, 4);
            break;
        }
        default: {
            std::memcpy(at, &value, 8);
            break;
        }
    }
}

const char* ReadMemberText(const void* record, const FieldLayout& field) {
    const char* text = nullptr;
    std::memcpy(&text, static_cast<const uint8_t*>(record) + field.memoryOffset, sizeof text);
    return text;
}

uint64_t AllOnes(uint32_t width) { return width >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * width)) - 1; }

bool TextFits(const FieldLayout& field, const char* text, std::string* error) {
    if (text == nullptr) return true;
    size_t length = std::strlen(text);
    if (length < field.width) return true;
    if (error != nullptr) {
        *error = "the " + field.name + " text (" + std::to_string(length) + " bytes) does not fit its field of " +
                 std::to_string(field.width - 1) + " bytes";
    }
    return false;
}

void StoreText(uint8_t* stored, const FieldLayout& field, const char* text) {
    std::memset(stored + field.diskOffset, 0, field.width);
    if (text != nullptr) std::memcpy(stored + field.diskOffset, text, std::strlen(text));
}

}  // namespace

bool EncodeRecord(const RecordLayout& layout, const void* record, uint8_t* stored, std::string* error) {
    for (const FieldLayout& field : layout.fields) {
        if (field.kind == FieldKind::Text && !TextFits(field, ReadMemberText(record, field), error)) return false;
    }
    for (const FieldLayout& field : layout.fields) {
        if (field.kind == FieldKind::Integer) {
            WriteStoredInteger(stored, field.diskOffset, field.width, ReadMemberInteger(record, field));
        } else {
            StoreText(stored, field, ReadMemberText(record, field));
        }
    }
    return true;
}

bool ApplyUpdate(const RecordLayout& layout, const void* update, uint8_t* stored, std::string* error) {
    for (const FieldLayout& field : layout.fields) {
        if (field.kind != FieldKind::Text) continue;
        const char* text = ReadMemberText(update, field);
        if (text != nullptr && !IsUnchangedText(text) && !TextFits(field, text, error)) return false;
    }
    for (const FieldLayout& field : layout.fields) {
        if (field.kind == FieldKind::Integer) {
            uint64_t value = ReadMemberInteger(update, field);
            if (value != AllOnes(field.width)) WriteStoredInteger(stored, field.diskOffset, field.width, value);
        } else {
            const char* text = ReadMemberText(update, field);
            if (text != nullptr && !IsUnchangedText(text)) StoreText(stored, field, text);
        }
    }
    return true;
}

size_t DecodedTextBytes(const RecordLayout& layout, const uint8_t* stored) {
    size_t bytes = 0;
    for (const FieldLayout& field : layout.fields) {
        if (field.kind == FieldKind::Text) bytes += StoredTextLength(stored, field) + 1;
    }
    return bytes;
}

void DecodeRecord(const RecordLayout& layout, const uint8_t* stored, void* record, char** textArea) {
    for (const FieldLayout& field : layout.fields) {
        if (field.kind == FieldKind::Integer) {
            WriteMemberInteger(record, field, ReadField(field, stored));
            continue;
        }
        // Straight from the stored bytes into the text area: a chain of every
        // database record is decoded so, and no string is made for it.
        const size_t length = StoredTextLength(stored, field);
        char* copy = *textArea;
        std::memcpy(copy, stored + field.diskOffset, length);
        copy[length] = '\0';
        *textArea += length + 1;
        std::memcpy(static_cast<uint8_t*>(record) + field.memoryOffset, &copy, sizeof copy);
    }
}

}  // namespace zel::shell
