#include "json_writer.h"

#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence at text[at], 0 when there is none
// (a stray continuation byte, a sequence cut short, an overlong form, a
// surrogate or a value past U+10FFFF).
size_t Utf8Length(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    uint32_t value = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0u) != 0x80u) return 0;
        value = (value << 6) | (byte(at + i) & 0x3Fu);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (overlong || surrogate || value > 0x10FFFF) return 0;
    return length;
}

void AppendEscape(std::string& out, unsigned char byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(byte));
    out += escape;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const size_t length = Utf8Length(text, at);
        if (length == 0) {
            AppendEscape(out, c);
            ++at;
            continue;
        }
        if (length > 1) {
            out.append(text.substr(at, length));
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscape(out, c);
        } else {
            out += static_cast<char>(c);
        }
        at += length;
    }
    out += '"';
    return out;
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!filled_.empty()) {
        if (filled_.back()) text_ += ',';
        filled_.back() = true;
    }
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    text_ += bracket;
    filled_.push_back(false);
}

void JsonWriter::Close(char bracket) {
    if (filled_.size() == 1 && filled_.back()) text_ += '\n';
    filled_.pop_back();
    text_ += bracket;
    if (filled_.empty()) text_ += '\n';
}

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    // One member a line at the top, so that the report reads in a text
    // editor too.
    if (filled_.size() == 1) text_ += "\n  ";
    text_ += JsonString(name);
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    text_ += JsonString(text);
}

void JsonWriter::Number(int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
}

void JsonWriter::Number(double value) {
    BeforeValue();
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    text_ += text;
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
}
