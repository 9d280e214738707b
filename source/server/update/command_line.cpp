#include "command_line.h"

#include <cstring>

#include "zelkit.h"

namespace {

int g_argumentCount = 0;
char** g_argumentWords = nullptr;

}  // namespace

void StoreArguments(int argc, char** argv) {
    g_argumentCount = argc;
    g_argumentWords = argv;
}

const char* ProgramPathArgument() {
    return g_argumentCount > 0 && g_argumentWords != nullptr ? g_argumentWords[0] : "";
}

int ArgumentCount() { return g_argumentWords != nullptr ? g_argumentCount : 0; }

const char* ArgumentWord(int index) {
    if (index < 0 || index >= ArgumentCount() || g_argumentWords[index] == nullptr) return "";
    return g_argumentWords[index];
}

bool FindArgument(const char* key, char* buffer, int size) {
    const size_t keyLength = std::strlen(key);
    for (int i = 1; i < g_argumentCount; ++i) {
        const char* word = g_argumentWords[i];
        if (word == nullptr) continue;
        const size_t wordLength = std::strlen(word);
        // A word that carries its own quotes ("DIR:c:\x") is looked at inside them.
        const bool quoted = wordLength >= 2 && word[0] == '"' && word[wordLength - 1] == '"';
        const char* text = quoted ? word + 1 : word;
        if (ZSTRNCMPI(text, key, keyLength) != 0) continue;
        const char* value = text + keyLength;
        if (buffer == nullptr) {
            // A switch matches only as the whole word.
            const size_t rest = std::strlen(value);
            if (rest == (quoted ? 1u : 0u)) return true;
            continue;
        }
        if (size <= 0) return true;
        // Copy at most size characters and always terminate: a longer value is
        // cut to size - 1 characters.
        const size_t room = static_cast<size_t>(size);
        const size_t valueLength = std::strlen(value);
        const size_t copied = valueLength < room ? valueLength : room;
        std::memset(buffer, 0, room);
        std::memcpy(buffer, value, copied);
        buffer[room - 1] = '\0';
        const size_t kept = std::strlen(buffer);
        if (quoted && valueLength < room && kept > 0) buffer[kept - 1] = '\0';  // the closing quote
        return true;
    }
    return false;
}
