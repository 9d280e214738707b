// Text conversion between the server's character sets, and the set chosen
// for the following lexicon work.
#include <cstring>

#include "charset_codec.h"
#include "toolkit_internal.h"

using namespace zel::toolkit;

namespace {

int assignedCharset = Z_CHARSET_NONE;

bool IsCharsetNumber(int charset) { return charset >= Z_CHARSET_NONE && charset <= Z_CHARSET_UTF8; }

}  // namespace

int Z_TranslateText(const char* source, int sourceCharset, char* target, int targetCharset, int /*flags*/,
                    int targetSize) {
    if (source == nullptr || target == nullptr || targetSize <= 0) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_TranslateText: missing argument");
        return -1;
    }
    if (!IsCharsetNumber(sourceCharset) || !IsCharsetNumber(targetCharset)) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_TranslateText: unknown character set %d or %d", sourceCharset, targetCharset);
        return -1;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(source);
    const size_t length = std::strlen(source);
    const size_t room = static_cast<size_t>(targetSize) - 1;
    // Without a set on either side there is nothing to convert: the bytes
    // stay as they are.
    if (sourceCharset == Z_CHARSET_NONE || targetCharset == Z_CHARSET_NONE) {
        if (length > room) {
            target[0] = '\0';
            Fail(Z_ERROR_TOO_LONG, "Z_TranslateText: the text needs %zu bytes, the buffer holds %zu", length, room);
            return -1;
        }
        std::memcpy(target, source, length + 1);
        return static_cast<int>(length);
    }
    size_t written = 0;
    size_t position = 0;
    while (position < length) {
        unsigned char encoded[4];
        int encodedLength = 0;
        char32_t codePoint = 0;
        int consumed = zel::charset::DecodeChar(sourceCharset, bytes + position, length - position, &codePoint);
        if (consumed > 0) {
            encodedLength = zel::charset::EncodeChar(targetCharset, codePoint, encoded);
            position += static_cast<size_t>(consumed);
        } else {
            // A byte that starts no character of the source set.
            ++position;
        }
        if (encodedLength <= 0) {
            encoded[0] = '?';
            encodedLength = 1;
        }
        if (written + static_cast<size_t>(encodedLength) > room) {
            target[0] = '\0';
            Fail(Z_ERROR_TOO_LONG, "Z_TranslateText: the converted text does not fit %d bytes", targetSize);
            return -1;
        }
        std::memcpy(target + written, encoded, static_cast<size_t>(encodedLength));
        written += static_cast<size_t>(encodedLength);
    }
    target[written] = '\0';
    return static_cast<int>(written);
}

int Z_AssignCharset(int charset, int /*flags*/) {
    if (!IsCharsetNumber(charset)) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_AssignCharset: unknown character set %d", charset);
    }
    assignedCharset = charset;
    return 1;
}

int Z_GetAssignedCharset() { return assignedCharset; }
