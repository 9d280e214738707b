#include "preview_blockers.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "dict_files.h"
#include "home_paths.h"
#include "package_list.h"
#include "run_record_file.h"
#include "space_needed.h"
#include "zelkit.h"
#include "zemdaemon.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

std::string StartInfLine3(const std::string& home) {
    std::ifstream file(PathFromText(home) / "system" / "START.INF", std::ios::binary);
    std::string line;
    for (int i = 0; i < 3; ++i) {
        if (!std::getline(file, line)) return "";
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}

// The upgrade's own check: a server of the home answers on this machine.
void CheckServer(const std::string& home, std::vector<std::string>* blockers) {
    const std::string connectText = StartInfLine3(home);
    if (connectText.empty()) return;
    HZCONN connection = NetOpenConnect("127.0.0.1", connectText.c_str(), nullptr);
    if (connection == nullptr) return;
    tagCONNECTINFO info{};
    if (NetGetConnectInfo(connection, &info, nullptr, nullptr) != 0) {
        info.serverText[sizeof info.serverText - 1] = '\0';
        blockers->push_back("a server answers for the home on 127.0.0.1, " + connectText + " (\"" +
                            std::string(info.serverText) + "\"): stop it first");
    }
    NetCloseConnect(connection);
}

void CheckDictionaryFiles(const std::string& home, std::vector<std::string>* blockers) {
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        zel::shell::DictFile file;
        zel::shell::DictFailure failure;
        if (!zel::shell::ReadDictFile(zel::shell::DictFilePath(home, index), index == zel::shell::VIEW_FILE, &file,
                                      &failure)) {
            blockers->push_back(std::string("the upgrade would refuse ") + zel::shell::DICT_FILE_NAMES[index] + ": " +
                                failure.text);
        }
    }
}

void CheckPackage(const std::string& packageDir, std::vector<std::string>* blockers) {
    for (const std::string& name : PackageCopyList()) {
        const int there = Z_FileExists(DisplayText(PathFromText(packageDir) / name).c_str());
        if (there < 0) blockers->push_back(std::string("package file ") + name + ": " + Z_GetLastErrorPrompt(nullptr, 0));
        if (there == 0) blockers->push_back("package file missing: " + name);
    }
}

void CheckSpace(const std::string& home, const std::string& packageDir, bool modifyLexicons,
                std::vector<std::string>* blockers) {
    std::error_code error;
    const fs::space_info space = fs::space(PathFromText(home), error);
    if (error) {
        blockers->push_back("the free space of the home's volume cannot be read: " + error.message());
        return;
    }
    const uintmax_t needed = SpaceNeeded(home, packageDir, modifyLexicons);
    if (space.available < needed) {
        blockers->push_back("not enough free space on the home's volume: " + std::to_string(needed) +
                            " bytes needed, " + std::to_string(space.available) + " bytes free");
    }
}

// Opening for update writes nothing, and answers as the upgrade's writes
// would: a read-only attribute on Windows, permissions elsewhere (which do
// not stop the superuser).
bool Writable(const fs::path& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    return file.is_open();
}

bool WritableDirectory(const fs::path& path) {
    std::error_code error;
    const fs::perms perms = fs::status(path, error).permissions();
    return error || (perms & fs::perms::owner_write) != fs::perms::none;
}

void CheckWritable(const std::string& home, std::vector<std::string>* blockers) {
    const fs::path root = PathFromText(home);
    for (const char* directory : {"", "bin", "system", "dict"}) {
        std::error_code error;
        const fs::path path = directory[0] == '\0' ? root : root / directory;
        if (fs::is_directory(path, error) && !WritableDirectory(path)) {
            blockers->push_back(std::string("read-only directory: ") + (directory[0] == '\0' ? "HOME" : directory));
        }
    }
    std::vector<std::string> files;
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        files.push_back(std::string("system/") + zel::shell::DICT_FILE_NAMES[index]);
    }
    for (const char* name : {"PROFILE.INI", "LOG.INI", "LOG.CFG", "CACHE.CFG", "NET.CFG", "MIRROR.CFG", "OEM.CFG"}) {
        files.push_back(std::string("system/") + name);
    }
    std::error_code error;
    for (fs::directory_iterator it(root / "bin", error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error)) files.push_back("bin/" + DisplayText(it->path().filename()));
    }
    for (const std::string& relative : files) {
        std::error_code missing;
        const fs::path path = root / PathFromText(relative);
        if (fs::is_regular_file(path, missing) && !Writable(path)) blockers->push_back("read-only file: " + relative);
    }
}

}  // namespace

uintmax_t SpaceNeeded(const std::string& home, const std::string& packageDir, bool modifyLexicons) {
    // The upgrade's own estimate, the figure its free-space check compares.
    uint64_t needed = 0;
    return EstimateUpgradeSpace(home.c_str(), packageDir.c_str(), modifyLexicons, &needed) ? needed : 0;
}

bool ModifiesLexicons(const std::vector<std::string>& upgradeArgs) {
    for (const std::string& arg : upgradeArgs) {
        if (arg.size() > 4 && ZSTRNCMPI(arg.c_str(), "DIC:", 4) == 0) return true;
    }
    return false;
}

namespace {

// What the upgrade refuses before it changes anything: a link in the home
// that the link rule does not follow, a damaged record of an interrupted
// run.
void CheckLinksAndRecord(const std::string& home, std::vector<std::string>* blockers) {
    char found[Z_MAX_LINE];
    if (Z_FindUnsafeLink(home.c_str(), kHomeLinkSearchDepth, found, sizeof found) == 1) {
        blockers->push_back(std::string("the upgrade does not follow a link in the home: ") +
                            Z_GetLastErrorPrompt(nullptr, 0));
    }
    RunRecordValues values;
    std::string why;
    switch (CheckRunRecord(home.c_str(), &values, &why)) {
        case RecordCheck::Damaged:
            blockers->push_back("the record of an interrupted upgrade is damaged: " + why +
                                " (zelhome forget-run removes it)");
            break;
        case RecordCheck::Foreign:
            blockers->push_back("the record of an interrupted upgrade is not this home's upgrade's own: " + why +
                                " (zelhome forget-run removes it)");
            break;
        case RecordCheck::None:
        case RecordCheck::Whole: break;
    }
}

}  // namespace

std::vector<std::string> FindBlockers(const std::string& home, const std::string& packageDir, bool modifyLexicons) {
    std::vector<std::string> blockers;
    CheckLinksAndRecord(home, &blockers);
    CheckServer(home, &blockers);
    CheckDictionaryFiles(home, &blockers);
    CheckPackage(packageDir, &blockers);
    CheckSpace(home, packageDir, modifyLexicons, &blockers);
    CheckWritable(home, &blockers);
    return blockers;
}

}  // namespace zelhome
