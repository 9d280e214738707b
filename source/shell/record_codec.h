// Field-by-field translation between the records exchanged through the shell
// interface (texts as pointers) and the fixed-size records of the dictionary
// files (texts in fixed fields). One table per record kind drives encoding,
// decoding and the "no change" updates, so the three can never disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::shell {

enum class FieldKind { Integer, Text };

struct FieldLayout {
    std::string name;  // for messages and the file format description
    FieldKind kind;
    uint32_t memoryOffset;  // in the exchanged record
    uint32_t diskOffset;    // in the stored record
    uint32_t width;         // integer: 1, 2, 4 or 8 bytes; text: field size, NUL included
};

struct RecordLayout {
    std::string fileName;
    uint32_t diskSize = 0;
    std::vector<FieldLayout> fields;

    // Appends a field at the next free stored offset.
    void Add(const std::string& name, FieldKind kind, uint32_t memoryOffset, uint32_t width);
    const FieldLayout* Find(const std::string& name) const;
};

// Stored little-endian integers and NUL-padded texts.
uint64_t ReadStoredInteger(const uint8_t* stored, uint32_t offset, uint32_t width);
void WriteStoredInteger(uint8_t* stored, uint32_t offset, uint32_t width, uint64_t value);
std::string ReadStoredText(const uint8_t* stored, uint32_t offset, uint32_t width);

uint64_t ReadField(const FieldLayout& field, const uint8_t* stored);
std::string ReadTextField(const FieldLayout& field, const uint8_t* stored);

// Writes every field of record into stored (diskSize bytes). A null text is
// stored empty. A text longer than its field fails with a message naming the
// field; stored is then unchanged.
bool EncodeRecord(const RecordLayout& layout, const void* record, uint8_t* stored, std::string* error);

// Writes only the fields of update that do not hold their "no change" value
// (integers all ones, texts null or the one-byte text 0xFF). Nothing is
// written when a text does not fit.
bool ApplyUpdate(const RecordLayout& layout, const void* update, uint8_t* stored, std::string* error);

// Room the texts of a stored record need when decoded (terminators included).
size_t DecodedTextBytes(const RecordLayout& layout, const uint8_t* stored);
// Fills the layout's fields of record; texts are copied to *textArea, which
// advances past them.
void DecodeRecord(const RecordLayout& layout, const uint8_t* stored, void* record, char** textArea);

}  // namespace zel::shell
