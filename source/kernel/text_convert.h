// Conversion of the UTF-8 source texts into the character set a lexicon or
// database is kept in.
#pragma once

#include <string>
#include <string_view>

namespace zel::kernel {

enum class Conversion {
    kConverted,
    kUnencodable,  // valid UTF-8, but the set has no code for some character
    kInvalid,      // not UTF-8 at all
};

// Appends utf8 converted to charset (Z_CHARSET_*; none keeps the bytes) to
// out. Unless the whole text converts, out is left as it was.
Conversion AppendConverted(std::string_view utf8, int charset, std::string* out);

// The text without a UTF-8 byte order mark at its start.
std::string_view WithoutByteOrderMark(std::string_view text);

}  // namespace zel::kernel
