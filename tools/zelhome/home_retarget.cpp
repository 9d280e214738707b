#include "home_retarget.h"

#include <cstring>
#include <filesystem>
#include <vector>

#include "home_paths.h"
#include "shell_admin.h"
#include "zelkit.h"
#include "zemshell.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

std::string LastError(const std::string& what) {
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    return what + ": " + std::to_string(Z_GetLastError()) + " " + (text != nullptr ? text : "");
}

struct Move {
    uint32_t id;
    std::string directory;
};

// Which directories move; read before any is written, so the chain is not
// used while the dictionary changes.
bool PlanMoves(ObjectEnv* env, const std::string& original, const std::string& copy, std::vector<Move>* moves,
               std::string* message) {
    DatabaseRecord* chain = GetDatabaseInfo(env, 0, "*", "*");
    if (chain == nullptr) {
        if (Z_GetLastError() == zel::shell::SHELL_ERROR_NOT_FOUND) return true;
        *message = LastError("databases");
        return false;
    }
    for (DatabaseRecord* r = chain; r != nullptr; r = r->next) {
        const std::string stored = r->directory != nullptr ? r->directory : "";
        if (stored.empty()) continue;
        const std::string described = DescribedDirectory(PathFromText(original), stored);
        if (PathFromText(described).is_absolute()) continue;  // outside the home: shared, left as it is
        moves->push_back(Move{r->id, StoredDirectory(PathFromText(copy), described)});
    }
    FreeDatabaseInfo(chain);
    return true;
}

bool ApplyMove(ObjectEnv* env, const Move& move, std::string* message) {
    DatabaseRecord update;
    std::memset(&update, 0xFF, sizeof update);  // every integer field: no change
    update.name = nullptr;
    update.secondName = nullptr;
    update.owner = nullptr;
    update.text96 = update.text104 = update.text112 = update.text120 = update.text128 = nullptr;
    update.text176 = nullptr;
    update.description = nullptr;
    update.next = nullptr;
    std::vector<char> directory(move.directory.begin(), move.directory.end());
    directory.push_back('\0');
    update.directory = directory.data();
    if (!UpdateDatabaseInfo(env, move.id, nullptr, nullptr, &update)) {
        *message = LastError("database " + std::to_string(move.id));
        return false;
    }
    return true;
}

}  // namespace

bool RetargetDirectories(const std::string& original, const std::string& copy, std::string* message) {
    if (!ShellOpen(copy.c_str(), -1, -1, -1, -1)) {
        *message = LastError("ShellOpen " + copy);
        return false;
    }
    ObjectEnv env{};
    std::vector<Move> moves;
    bool ok = GetObjectEnv(OBJECT_DATABASE, &env) != nullptr;
    if (!ok) *message = LastError("dictionary");
    env.objectKind = OBJECT_DATABASE;
    ok = ok && PlanMoves(&env, original, copy, &moves, message);
    for (const Move& move : moves) ok = ok && ApplyMove(&env, move, message);
    ShellClose();
    return ok;
}

}  // namespace zelhome
