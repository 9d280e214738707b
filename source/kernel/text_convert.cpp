#include "text_convert.h"

#include "charset_codec.h"
#include "zelkit.h"

namespace zel::kernel {

Conversion AppendConverted(std::string_view utf8, int charset, std::string* out) {
    const size_t originalSize = out->size();
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const bool copyBytes = charset == Z_CHARSET_NONE || charset == Z_CHARSET_UTF8;
    bool unencodable = false;
    size_t i = 0;
    while (i < utf8.size()) {
        if (bytes[i] < 0x80) {
            // ASCII is the same in every set the server keeps text in.
            if (!unencodable) out->push_back(static_cast<char>(bytes[i]));
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        int used = zel::charset::DecodeChar(zel::charset::kUtf8, bytes + i, utf8.size() - i, &codePoint);
        if (used <= 0) {
            out->resize(originalSize);
            return Conversion::kInvalid;
        }
        if (!unencodable) {
            if (copyBytes) {
                out->append(utf8.data() + i, static_cast<size_t>(used));
            } else {
                unsigned char encoded[4];
                int length = zel::charset::EncodeChar(charset, codePoint, encoded);
                if (length <= 0) {
                    // Go on checking: a file that is not UTF-8 must still be told apart.
                    unencodable = true;
                } else {
                    out->append(reinterpret_cast<const char*>(encoded), static_cast<size_t>(length));
                }
            }
        }
        i += static_cast<size_t>(used);
    }
    if (unencodable) {
        out->resize(originalSize);
        return Conversion::kUnencodable;
    }
    return Conversion::kConverted;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") return text.substr(3);
    return text;
}

}  // namespace zel::kernel
