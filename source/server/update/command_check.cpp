#include "command_check.h"

#include <cstdio>
#include <string>

#include "command_line.h"
#include "console.h"
#include "help_text.h"
#include "zelkit.h"

namespace {

bool OneOf(const std::string& value, std::initializer_list<const char*> accepted, bool anyCase) {
    for (const char* text : accepted) {
        if ((anyCase ? ZSTRCMPI(value.c_str(), text) : ZSTRCMP(value.c_str(), text)) == 0) return true;
    }
    return false;
}

// The value a key takes; NEW: and DIC: give their own messages later, at
// the step that reads them, as they always did.
bool ValueTaken(const std::string& key, const std::string& value) {
    if (key == "CS:") return OneOf(value, {"0", "1", "2", "3"}, false);
    if (key == "OLD:") return OneOf(value, {"YES", "Y", "NO", "N"}, true);
    return true;
}

constexpr const char* kKeys[] = {"DIR:", "DIC:", "NEW:", "CS:", "OLD:", "ENT:"};
constexpr const char* kSwitches[] = {"-VER", "-HELP", "-SHOW", "-CHECK", "/?", "-?", "--HELP", "-H"};

void Refuse(const std::string& word, const char* key) {
    ConsolePrint("\nERROR: The argument(%s) is not supported!\n", word.c_str());
    PrintHelpFor(key);
}

}  // namespace

bool HelpAsked() {
    for (const char* word : {"-HELP", "/?", "-?", "--HELP", "-H"}) {
        if (FindArgument(word, nullptr, 0)) return true;
    }
    return false;
}

bool CheckCommandLine() {
    for (int index = 1; index < ArgumentCount(); ++index) {
        std::string word = ArgumentWord(index);
        // A word that carries its own quotes is looked at inside them, as
        // FindArgument reads it.
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"') word = word.substr(1, word.size() - 2);
        if (word.empty()) continue;
        bool known = false;
        for (const char* name : kSwitches) known = known || ZSTRCMPI(word.c_str(), name) == 0;
        for (const char* key : kKeys) {
            const std::string prefix = key;
            if (known || ZSTRNCMPI(word.c_str(), key, prefix.size()) != 0) continue;
            if (!ValueTaken(prefix, word.substr(prefix.size()))) {
                Refuse(word, key);
                return false;
            }
            known = true;
        }
        if (!known) {
            Refuse(word, "");
            return false;
        }
    }
    return true;
}
