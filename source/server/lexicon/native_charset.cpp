// The server's native character set: asked for once, when the home has none,
// and set only when no existing database is of another character set.
#include "native_charset.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "charset_numbers.h"
#include "console.h"
#include "menu_answer.h"
#include "shell_answers.h"
#include "zelkit.h"
#include "zemshell.h"

namespace {

constexpr int kAnswerSize = 256;

// The set an answer picks as the native one; null for "0" (don't set) and
// any answer that picks none.
const CharsetNumbers* FindChoice(const char* answer) {
    const CharsetNumbers* set = CharsetOfAnswer(answer);
    return set != nullptr && set->IsNative() ? set : nullptr;
}

void PrintWarning() {
    ConsolePrint("\nWarning: There is no native character set in the system!\n");
    ConsolePrint("\nIf you set the native character set for system, it would");
    ConsolePrint("\nconvert text automatically from this set to the client's");
    ConsolePrint("\nlocal character set. And if you don't set, you could not");
    ConsolePrint("\ncreate the database with UTF8 character set.\n");
    ConsolePrint("\a\a");
}

void PrintMenu() {
    ConsolePrint("\nPlease select the character set for ZEL Server:");
    ConsolePrint("\n0: don't set the native charset.");
    ConsolePrint("\n1: set GB18030 as the native charset.");
    ConsolePrint("\n2: set UTF8 as the native charset.");
    ConsolePrint("\n3: set BIG5 as the native charset.");
    ConsolePrint("\nYou select: ");
}

// Asks until the answer is "0" (*choice null: nothing to set) or a choice.
// False at the end of input, which no asking again can answer.
bool AskChoice(const CharsetNumbers** choice) {
    char answer[kAnswerSize];
    for (;;) {
        PrintMenu();
        if (!ReadMenuAnswer(answer, kAnswerSize)) return false;
        if (ZSTRCMP(answer, "0") == 0) {
            *choice = nullptr;
            return true;
        }
        if ((*choice = FindChoice(answer)) != nullptr) return true;
    }
}

// Prints the first database whose character set conflicts with the choice
// and sets *compatible false. False when the databases cannot be listed.
bool CheckDatabases(ObjectEnv* env, uint16_t charsetCode, bool* compatible, std::string* refusedBy) {
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* list = GetDatabaseInfo(env, 0, "*", "*");
    // A listing that failed is not an empty dictionary: a native character
    // set, once set, cannot be taken back, so it is set only when every
    // database was seen to agree.
    if (list == nullptr && !ShellFoundNothing()) return false;
    *compatible = true;
    for (const DatabaseRecord* db = list; db != nullptr; db = db->next) {
        if (db->charsetCode == charsetCode || db->charsetCode == CHARSET_CODE_NONE) continue;
        ConsolePrint("\nThe native charset defined is incompatible with the language");
        ConsolePrint("\nof %s.%s, and the setting is ignored!\n", db->owner ? db->owner : "", db->name ? db->name : "");
        ConsolePrint("\a\a");
        *compatible = false;
        *refusedBy = std::string(db->owner ? db->owner : "") + "." + (db->name ? db->name : "");
        break;
    }
    if (list != nullptr) FreeDatabaseInfo(list);
    return true;
}

// Keeps an answer typed at the menu for the rest of the run and for a run
// that must go on after this one is cut short.
void KeepAnswer(RunContext& run, const CharsetNumbers* choice) {
    run.choices.nativeCharsetAnswered = true;
    std::snprintf(run.choices.nativeCharsetAnswer, sizeof run.choices.nativeCharsetAnswer, "%s",
                  choice != nullptr ? choice->answer : "0");
}

}  // namespace

bool AskNativeCharsetBeforeChanges(RunContext& run) {
    if (run.choices.nativeCharsetGiven) return true;
    // What the home holds is only read here. A home the shell cannot open
    // now is met again by the dictionary phase, which stops on it or, after
    // putting back an interrupted run, asks there.
    if (!ShellOpen(run.choices.home, -1, -1, -1, -1)) return true;
    int nativeCharset = 0;
    const bool known = QueryNativeCharset(&nativeCharset);
    // Nothing was written through the shell, so a close that fails loses
    // nothing; the question is what matters here.
    ShellClose();
    if (!known || nativeCharset != 0) return true;

    PrintWarning();
    run.nativeCharsetWarned = true;
    const CharsetNumbers* choice = nullptr;
    if (!AskChoice(&choice)) return false;
    KeepAnswer(run, choice);
    run.choices.nativeCharsetGiven = true;
    return true;
}

bool SelectNativeCharset(RunContext& run) {
    int nativeCharset = 0;
    // Not knowing whether the home has one, asking to set one could replace
    // it.
    if (!QueryNativeCharset(&nativeCharset)) return false;
    if (nativeCharset != 0) return true;

    // Answered before the first change, the warning was shown with the menu.
    if (!run.nativeCharsetWarned) PrintWarning();

    const CharsetNumbers* choice = nullptr;
    if (run.choices.nativeCharsetGiven) {
        choice = FindChoice(run.choices.nativeCharsetAnswer);
    } else if (!AskChoice(&choice)) {
        return false;
    } else {
        KeepAnswer(run, choice);
    }
    if (choice == nullptr) return true;

    // Remembered even when a database refuses the setting below.
    run.outcome.nativeCharsetChosen = choice->native;
    bool compatible = false;
    std::string refusedBy;
    if (!CheckDatabases(&run.env, choice->code, &compatible, &refusedBy)) return false;
    const std::string what = std::string("native character set ") + choice->suffix;
    if (!compatible) {
        run.actions.Skip(what, "incompatible with the language of " + refusedBy + "; the setting is ignored");
        return true;
    }
    // A setting that did not take leaves the home without the native
    // character set chosen, and every later step (the console program
    // above all) would go on as if none had been asked for.
    if (SetSystemCharset(choice->native) == 0) return false;
    run.actions.Note(ActionKind::ConfigValueReset, ActionGroup::Dictionary, "native character set", choice->suffix);
    return true;
}
