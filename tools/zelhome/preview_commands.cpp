#include "preview_commands.h"

#include <cstdio>
#include <string>
#include <vector>

#include "home_diff.h"
#include "home_lock.h"
#include "home_paths.h"
#include "home_snapshot.h"
#include "preview.h"

namespace zelhome {

namespace {

// argv[0] zelhome, argv[1] the command; --package DIR may come first.
std::vector<std::string> Words(int argc, char** argv, std::string* packageDir, bool* packageGiven) {
    std::vector<std::string> words;
    int i = 2;
    if (argc > 3 && std::string(argv[2]) == "--package") {
        *packageDir = argv[3];
        *packageGiven = true;
        i = 4;
    }
    for (; i < argc; ++i) words.push_back(argv[i]);
    return words;
}

void Print(const std::string& report) { std::fwrite(report.data(), 1, report.size(), stdout); }

}  // namespace

int PreviewCommand(int argc, char** argv) {
    PreviewRequest request;
    bool packageGiven = false;
    std::vector<std::string> words = Words(argc, argv, &request.packageDir, &packageGiven);
    if (words.empty()) {
        std::fprintf(stderr, "usage: zelhome preview [--package DIR] HOME [upgrade arguments...]\n");
        return PREVIEW_BLOCKED;
    }
    if (!packageGiven) request.packageDir = DefaultPackageDir(argv[0]);
    request.home = words[0];
    for (const std::string& path : {request.home, request.packageDir}) {
        std::string message;
        if (!CheckPathArgument(path, &message)) {
            std::fprintf(stderr, "zelhome: %s\n", message.c_str());
            return PREVIEW_BLOCKED;
        }
    }
    request.upgradeArgs.assign(words.begin() + 1, words.end());
    std::string report;
    const int status = RunPreview(request, &report);
    Print(report);
    return status;
}

int DiffCommand(int argc, char** argv) {
    std::string packageDir;
    bool packageGiven = false;
    std::vector<std::string> words = Words(argc, argv, &packageDir, &packageGiven);
    if (words.size() != 2) {
        std::fprintf(stderr, "usage: zelhome diff [--package DIR] BEFORE AFTER\n");
        return 2;
    }
    if (!packageGiven) packageDir = DefaultPackageDir(argv[0]);
    HomeSnapshot before, after;
    std::string message;
    for (const std::string& path : {words[0], words[1], packageDir}) {
        if (!CheckPathArgument(path, &message)) {
            std::fprintf(stderr, "zelhome: %s\n", message.c_str());
            return 2;
        }
    }
    const HomeReadLock beforeLock(words[0]);
    const HomeReadLock afterLock(words[1]);
    for (const HomeReadLock* lock : {&beforeLock, &afterLock}) {
        if (lock->UpgradeRunning()) {
            std::fprintf(stderr, "zelhome: %s\n",
                         UpgradeRunningMessage(lock == &beforeLock ? words[0] : words[1]).c_str());
            return 2;
        }
    }
    if (!TakeSnapshot(words[0], &before, &message) || !TakeSnapshot(words[1], &after, &message)) {
        std::fprintf(stderr, "zelhome: %s\n", message.c_str());
        return 2;
    }
    Print(ReportHomeDiff(before, after, ReadPackageFiles(packageDir)));
    return 0;
}

}  // namespace zelhome
