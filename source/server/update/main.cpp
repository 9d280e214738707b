// The program's entry: answers the informational switches, otherwise runs
// the upgrade.
#include <cstdio>

#include "command_check.h"
#include "command_line.h"
#include "console.h"
#include "help_text.h"
#include "host_libraries.h"
#include "upgrade_sequence.h"
#include "zelkit.h"

namespace {

void ShowArguments(int argc, char** argv) {
    ConsolePrint("\nYour given arguments:\n");
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr || argv[i][0] == '\0' || ZSTRCMPI(argv[i], "-SHOW") == 0) continue;
        ConsolePrint("%s\n", argv[i]);
    }
    ConsolePrint("\n");
}

}  // namespace

int main(int argc, char** argv) {
    ConnectHostLibraries();
    StoreArguments(argc, argv);
    StartConsole();
    if (FindArgument("-VER", nullptr, 0)) {
        ConsolePrint("%.2f.%d.%d%s\n", 6.8, 5290, 64, "");
        return EXIT_FINISHED;
    }
    if (HelpAsked()) {
        PrintHelp();
        return EXIT_FINISHED;
    }
    if (FindArgument("-SHOW", nullptr, 0)) {
        ShowArguments(argc, argv);
        return EXIT_FINISHED;
    }
    // Taken with the run's other arguments: the checks of exactly that run.
    if (FindArgument("-CHECK", nullptr, 0)) return RunUpgrade(RunMode::Check);
    return RunUpgrade();
}
