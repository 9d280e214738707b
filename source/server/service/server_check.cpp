// Whether a server of the home directory answers on this machine: the
// running server leaves its connection text on line 3 of START.INF.
#include <cstdio>

#include "service_migration.h"
#include "zelkit.h"
#include "zemdaemon.h"

bool IsServerRunning(const char* home) {
    char path[Z_MAX_PATH];
    if (std::snprintf(path, sizeof(path), "%s", home) >= static_cast<int>(sizeof(path))) return false;
    if (!Z_AppendSubdirSymbol(path, 1) || !Z_AppendPath(path, "system") || !Z_AppendSubdirSymbol(path, 1) ||
        !Z_AppendPath(path, "START.INF"))
        return false;

    HZFILE file = Z_OpenFile(path, Z_MODE_READ, 0, nullptr, 0);
    if (!file) return false;
    char connectText[Z_MAX_LINE];
    bool haveText = true;
    for (int line = 1; line <= 3 && haveText; ++line) {
        haveText = Z_ReadFileLine(file, connectText, sizeof(connectText), nullptr) != 0;
    }
    Z_CloseFile(file);
    if (!haveText || connectText[0] == '\0') return false;

    HZCONN connection = NetOpenConnect("127.0.0.1", connectText, nullptr);
    if (!connection) return false;
    tagCONNECTINFO info{};
    const int answered = NetGetConnectInfo(connection, &info, nullptr, nullptr);
    NetCloseConnect(connection);
    return answered;
}
