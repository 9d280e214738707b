#include "help_text.h"

#include <cstdio>

#include "console.h"
#include "zelkit.h"

namespace {

constexpr const char* kHelpLines[] = {
    "-ver .......... show the version.\n",
    "-show ......... show the given arguments.\n",
    "-check ........ check the home and the package, list what the run would do; change nothing.\n",
    "CS:0 .......... don't set system native charset.\n",
    "CS:1 .......... set system native charset with GB18030.\n",
    "CS:2 .......... set system native charset with UTF8.\n",
    "CS:3 .......... set system native charset with BIG5.\n",
    "OLD:YES ....... retain old names of programs.\n",
    "OLD:NO ........ don't retain old names of programs.\n",
    "DIR:path ...... input the directory of ZEL Server.\n",
    "NEW:0 ......... don't add new dictionaries.\n",
    "NEW:1 ......... add/modify lexicons for GB18030.\n",
    "NEW:2 ......... add/modify lexicons for UTF8.\n",
    "NEW:3 ......... add/modify lexicons for BIG5.\n",
    "DIC:RIX ....... modify lexicons and delete indices of related databases.\n",
    "DIC:REW ....... modify lexicons only.\n",
    "ENT:REW ....... replace entity lexicon.\n",
    "ENT:ADD ....... append entity lexicon.\n",
};

bool StartsWith(const char* line, const char* key) {
    for (; *key != '\0'; ++key, ++line) {
        if (*line == '\0' || (*line | 0x20) != (*key | 0x20)) return false;
    }
    return true;
}

}  // namespace

void PrintHelp() {
    ConsolePrint("\n");
    for (const char* line : kHelpLines) ConsolePrint("%s", line);
    ConsolePrint("\n");
}

void PrintHelpFor(const char* key) {
    bool any = false;
    for (const char* line : kHelpLines) any = any || StartsWith(line, key);
    if (!any) {
        PrintHelp();
        return;
    }
    ConsolePrint("\n");
    for (const char* line : kHelpLines) {
        if (StartsWith(line, key)) ConsolePrint("%s", line);
    }
    ConsolePrint("\n");
}
