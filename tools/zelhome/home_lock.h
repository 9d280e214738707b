// Reading a home while no upgrade works on it: an upgrade holds the lock
// file HOME/system/UPGRADE.LCK exclusively for as long as it runs; a reader
// holds it shared, so that no upgrade starts while it reads.
#pragma once

#include <string>

#include "zelkit.h"

namespace zelhome {

class HomeReadLock {
public:
    explicit HomeReadLock(const std::string& home);
    ~HomeReadLock() { Z_UnlockPath(lock_); }
    HomeReadLock(const HomeReadLock&) = delete;
    HomeReadLock& operator=(const HomeReadLock&) = delete;

    // An upgrade of the home runs now: what a reader would see is half done.
    bool UpgradeRunning() const { return running_; }

private:
    HZLOCK lock_ = nullptr;
    bool running_ = false;
};

std::string UpgradeRunningMessage(const std::string& home);

}  // namespace zelhome
