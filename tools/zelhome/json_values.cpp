#include "json_values.h"

#include <cstring>

namespace zelhome {

std::string KeyPath(const std::string& parent, const std::string& key) {
    return parent.empty() ? key : parent + "." + key;
}

std::string IndexPath(const std::string& parent, size_t index) { return parent + "[" + std::to_string(index) + "]"; }

void CheckKeys(const Json& object, const std::string& path, std::initializer_list<const char*> known) {
    for (auto item = object.begin(); item != object.end(); ++item) {
        bool found = false;
        for (const char* key : known) found = found || item.key() == key;
        if (!found) throw DescriptionError(KeyPath(path, item.key()) + ": unknown key");
    }
}

const Json& RequireObject(const Json& value, const std::string& path) {
    if (!value.is_object()) throw DescriptionError(path + ": must be an object");
    return value;
}

const Json& RequireArray(const Json& value, const std::string& path) {
    if (!value.is_array()) throw DescriptionError(path + ": must be an array");
    return value;
}

uint64_t ReadUnsigned(const Json& value, const std::string& path, uint64_t max) {
    uint64_t number = 0;
    if (value.is_number_unsigned()) {
        number = value.get<uint64_t>();
    } else if (value.is_number_integer()) {
        throw DescriptionError(path + ": must not be negative");
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        if (text.size() < 3 || text.size() > 18 || (text.rfind("0x", 0) != 0 && text.rfind("0X", 0) != 0)) {
            throw DescriptionError(path + ": \"" + text + "\" is neither a number nor a hex text like \"0x10\"");
        }
        for (size_t i = 2; i < text.size(); ++i) {
            char c = text[i];
            int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
            if (digit < 0) throw DescriptionError(path + ": \"" + text + "\" is not a hex number");
            number = number * 16 + static_cast<uint64_t>(digit);
        }
    } else {
        throw DescriptionError(path + ": must be a whole number");
    }
    if (number > max) throw DescriptionError(path + ": " + std::to_string(number) + " is above " + std::to_string(max));
    return number;
}

bool ReadBool(const Json& value, const std::string& path) {
    if (!value.is_boolean()) throw DescriptionError(path + ": must be true or false");
    return value.get<bool>();
}

std::string ReadText(const Json& value, const std::string& path, size_t maxLength) {
    if (!value.is_string()) throw DescriptionError(path + ": must be a text");
    std::string text = value.get<std::string>();
    if (text.size() > maxLength) {
        throw DescriptionError(path + ": longer than " + std::to_string(maxLength) + " bytes");
    }
    if (text.find('\0') != std::string::npos) throw DescriptionError(path + ": must not hold a NUL character");
    return text;
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

std::string FromHex(const std::string& hex, const std::string& path) {
    if (hex.size() % 2 != 0) throw DescriptionError(path + ": a hex text needs two digits per byte");
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int value = 0;
        for (size_t j = i; j < i + 2; ++j) {
            char c = hex[j];
            int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
            if (digit < 0) throw DescriptionError(path + ": \"" + hex + "\" is not a hex text");
            value = value * 16 + digit;
        }
        bytes += static_cast<char>(value);
    }
    return bytes;
}

}  // namespace zelhome
