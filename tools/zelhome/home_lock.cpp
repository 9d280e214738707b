#include "home_lock.h"

namespace zelhome {

HomeReadLock::HomeReadLock(const std::string& home) {
    std::string path = home;
    if (!path.empty() && path.back() != '/' && path.back() != Z_PATH_SEPARATOR) path += Z_PATH_SEPARATOR;
    path += std::string("system") + Z_PATH_SEPARATOR + "UPGRADE.LCK";
    // No lock file: no upgrade has the home; a reader does not make one.
    lock_ = Z_LockPath(path.c_str(), 0);
    running_ = lock_ == nullptr && Z_GetLastError() == Z_ERROR_LOCKED;
}

std::string UpgradeRunningMessage(const std::string& home) {
    return "an upgrade of " + home + " is running; try again when it has ended";
}

}  // namespace zelhome
