// The server's native character set: asked for once, when the home has none,
// and set only when no existing database is of another character set.
#include "server/lexicon/native_charset.h"

#include <cstdint>
#include <cstdio>

#include "server/host/zelkit.h"
#include "server/dictionary/shell_answers.h"
#include "server/host/zemshell.h"
#include "server/update/command_line.h"
#include "server/update/error_line.h"
#include "server/update/menu_answer.h"
#include "server/update/upgrade_state.h"

namespace {

constexpr int kAnswerSize = 256;

// The choices number the sets differently from the shell: "2" is UTF8 and
// "3" BIG5.
struct CharsetChoice {
    const char* answer;
    int nativeCharset;
    uint16_t charsetCode;
};
constexpr CharsetChoice kChoices[] = {
    {"1", Z_CHARSET_GB18030, CHARSET_CODE_GB18030},
    {"2", Z_CHARSET_UTF8, CHARSET_CODE_UTF8},
    {"3", Z_CHARSET_BIG5, CHARSET_CODE_BIG5},
};

bool g_failed = false;

const CharsetChoice* FindChoice(const char* answer) {
    for (const CharsetChoice& choice : kChoices) {
        if (ZSTRCMP(answer, choice.answer) == 0) return &choice;
    }
    return nullptr;
}

void PrintWarning() {
    std::printf("\nWarning: There is no native character set in the system!\n");
    std::printf("\nIf you set the native character set for system, it would");
    std::printf("\nconvert text automatically from this set to the client's");
    std::printf("\nlocal character set. And if you don't set, you could not");
    std::printf("\ncreate the database with UTF8 character set.\n");
    std::printf("\a\a");
    std::fflush(stdout);
}

void PrintMenu() {
    std::printf("\nPlease select the character set for ZEL Server:");
    std::printf("\n0: don't set the native charset.");
    std::printf("\n1: set GB18030 as the native charset.");
    std::printf("\n2: set UTF8 as the native charset.");
    std::printf("\n3: set BIG5 as the native charset.");
    std::printf("\nYou select: ");
    std::fflush(stdout);
}

// Asks until the answer is "0" (null result: nothing to set) or a choice.
// The end of input also gives null, with g_failed set.
const CharsetChoice* AskChoice() {
    char answer[kAnswerSize];
    for (;;) {
        PrintMenu();
        if (!ReadMenuAnswer(answer, kAnswerSize)) {
            g_failed = true;
            return nullptr;
        }
        if (ZSTRCMP(answer, "0") == 0) return nullptr;
        if (const CharsetChoice* choice = FindChoice(answer)) return choice;
    }
}

// Prints the first database whose character set conflicts with the choice;
// false when there is one.
bool AllDatabasesCompatible(ObjectEnv* env, uint16_t charsetCode) {
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* list = GetDatabaseInfo(env, 0, "*", "*");
    // A listing that failed is not an empty dictionary: a native character
    // set, once set, cannot be taken back, so it is set only when every
    // database was seen to agree.
    if (list == nullptr && !ShellFoundNothing()) {
        PrintToolkitErrorLine();
        return false;
    }
    bool compatible = true;
    for (const DatabaseRecord* db = list; db != nullptr; db = db->next) {
        if (db->charsetCode == charsetCode || db->charsetCode == CHARSET_CODE_NONE) continue;
        std::printf("\nThe native charset defined is incompatible with the language");
        std::printf("\nof %s.%s, and the setting is ignored!\n", db->owner ? db->owner : "", db->name ? db->name : "");
        std::printf("\a\a");
        std::fflush(stdout);
        compatible = false;
        break;
    }
    if (list != nullptr) FreeDatabaseInfo(list);
    return compatible;
}

}  // namespace

bool NativeCharsetSelectionFailed() {
    return g_failed;
}

void SelectNativeCharset(ObjectEnv* env) {
    g_failed = false;
    int nativeCharset = 0;
    if (!QueryNativeCharset(&nativeCharset)) {
        // Not knowing whether the home has one, asking to set one could
        // replace it.
        PrintToolkitErrorLine();
        g_failed = true;
        return;
    }
    if (nativeCharset != 0) return;

    PrintWarning();

    const CharsetChoice* choice = nullptr;
    char value[kAnswerSize];
    if (FindArgument("CS:", value, kAnswerSize)) {
        choice = FindChoice(value);
    } else {
        choice = AskChoice();
    }
    if (choice == nullptr) return;

    // Remembered even when a database refuses the setting below.
    g_nativeCharsetChosen = choice->nativeCharset;
    if (AllDatabasesCompatible(env, choice->charsetCode)) SetSystemCharset(choice->nativeCharset);
}
