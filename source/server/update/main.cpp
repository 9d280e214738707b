// The program's entry: answers the informational switches, otherwise runs
// the upgrade.
#include <cstdio>

#include "command_line.h"
#include "host_libraries.h"
#include "upgrade_sequence.h"
#include "zelkit.h"

namespace {

constexpr const char* kHelpLines[] = {
    "-ver .......... show the version.\n",
    "-show ......... show the given arguments.\n",
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

void ShowArguments(int argc, char** argv) {
    std::printf("\nYour given arguments:\n");
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr || argv[i][0] == '\0' || ZSTRCMPI(argv[i], "-SHOW") == 0) continue;
        std::printf("%s\n", argv[i]);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    ConnectHostLibraries();
    StoreArguments(argc, argv);
    if (FindArgument("-VER", nullptr, 0)) {
        std::printf("%.2f.%d.%d%s\n", 6.8, 5290, 64, "");
        return EXIT_FINISHED;
    }
    if (FindArgument("-HELP", nullptr, 0)) {
        std::printf("\n");
        for (const char* line : kHelpLines) std::printf("%s", line);
        std::printf("\n");
        return EXIT_FINISHED;
    }
    if (FindArgument("-SHOW", nullptr, 0)) {
        ShowArguments(argc, argv);
        return EXIT_FINISHED;
    }
    const int status = RunUpgrade();
    std::fflush(stdout);
    return status;
}
