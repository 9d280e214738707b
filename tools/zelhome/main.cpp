// zelhome: makes home directories of the previous release and shows what a
// home's data dictionary and kernel hold, in one JSON schema.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "default_home.h"
#include "forget_run.h"
#include "home_builder.h"
#include "home_description.h"
#include "home_lock.h"
#include "home_paths.h"
#include "home_reader.h"
#include "host_libraries.h"
#include "preview_commands.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_REFUSED = 2;  // bad arguments, a bad description, not a home

int Usage() {
    std::fprintf(stderr,
                 "usage: zelhome new HOME [DESCRIPTION.json]\n"
                 "       zelhome dump HOME\n"
                 "       zelhome preview [--package DIR] HOME [upgrade arguments...]\n"
                 "       zelhome diff [--package DIR] BEFORE AFTER\n"
                 "       zelhome forget-run HOME\n");
    return EXIT_REFUSED;
}

zelhome::Json ReadJsonFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw zelhome::DescriptionError(path + ": cannot be read");
    std::ostringstream text;
    text << file.rdbuf();
    try {
        return zelhome::Json::parse(text.str());
    } catch (const zelhome::Json::parse_error& error) {
        throw zelhome::DescriptionError(path + ": not valid JSON: " + error.what());
    }
}

int New(const std::string& home, const char* descriptionPath) {
    std::string refused;
    if (!zelhome::CheckPathArgument(home, &refused)) throw zelhome::DescriptionError(refused);
    zelhome::HomeDescription description = zelhome::DefaultHome();
    if (descriptionPath != nullptr) description = zelhome::ParseDescription(ReadJsonFile(descriptionPath), description);
    std::string message;
    if (!zelhome::MakeHome(home, description, &message)) {
        std::fprintf(stderr, "zelhome: cannot make %s: %s\n", home.c_str(), message.c_str());
        return EXIT_FAILED;
    }
    std::printf("zelhome: made %s\n", home.c_str());
    return EXIT_OK;
}

int Dump(const std::string& home) {
    std::string message;
    if (!zelhome::CheckPathArgument(home, &message)) throw zelhome::DescriptionError(message);
    const zelhome::HomeReadLock lock(home);
    if (lock.UpgradeRunning()) {
        std::fprintf(stderr, "zelhome: %s\n", zelhome::UpgradeRunningMessage(home).c_str());
        return EXIT_FAILED;
    }
    zelhome::HomeDescription description;
    if (!zelhome::ReadHome(home, &description, &message)) {
        std::fprintf(stderr, "zelhome: cannot read %s: %s\n", home.c_str(), message.c_str());
        return EXIT_FAILED;
    }
    std::cout << zelhome::DescriptionToJson(description).dump(2, ' ', false, zelhome::Json::error_handler_t::replace)
              << "\n";
    return EXIT_OK;
}

}  // namespace

int main(int argc, char** argv) {
    ConnectHostLibraries();
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    try {
        if (command == "new" && (argc == 3 || argc == 4)) return New(argv[2], argc == 4 ? argv[3] : nullptr);
        if (command == "dump" && argc == 3) return Dump(argv[2]);
        if (command == "preview") return zelhome::PreviewCommand(argc, argv);
        if (command == "diff") return zelhome::DiffCommand(argc, argv);
        if (command == "forget-run") return zelhome::ForgetRunCommand(argc, argv);
    } catch (const zelhome::DescriptionError& error) {
        std::fprintf(stderr, "zelhome: %s\n", error.what());
        return EXIT_REFUSED;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zelhome: %s\n", error.what());
        return EXIT_FAILED;
    }
    return Usage();
}
