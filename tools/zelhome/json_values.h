// Reading single values of a description, each failure naming its key.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "home_description.h"

namespace zelhome {

// "databases[2].kind" and the like.
std::string KeyPath(const std::string& parent, const std::string& key);
std::string IndexPath(const std::string& parent, size_t index);

// Refuses keys outside known, so a misspelt key is not silently ignored.
void CheckKeys(const Json& object, const std::string& path, std::initializer_list<const char*> known);
const Json& RequireObject(const Json& value, const std::string& path);
const Json& RequireArray(const Json& value, const std::string& path);

// A whole number from 0 to max: a JSON integer, or a text "0x..." in hex.
uint64_t ReadUnsigned(const Json& value, const std::string& path, uint64_t max);
bool ReadBool(const Json& value, const std::string& path);
// A text of at most maxLength bytes.
std::string ReadText(const Json& value, const std::string& path, size_t maxLength);

std::string ToHex(const std::string& bytes);
std::string FromHex(const std::string& hex, const std::string& path);

}  // namespace zelhome
