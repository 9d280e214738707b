// Locks on files that the system drops with the process (Z_LockPath).
#include <new>
#include <string>

#include "toolkit_internal.h"
#include "toolkit_platform.h"

struct ZLockObject {
    std::string path;
    bool exclusive = false;
    intptr_t handle = 0;
};

using namespace zel::toolkit;

HZLOCK Z_LockPath(const char* path, int exclusive) {
    if (Z_FaultPoint("Z_LockPath")) return nullptr;
    if (RejectEmptyPath("Z_LockPath", path)) return nullptr;
    intptr_t handle = 0;
    Problem problem;
    switch (PlatformLockFile(path, exclusive != 0, &handle, problem)) {
        case LockResult::Held: break;
        case LockResult::Busy:
            Fail(Z_ERROR_LOCKED, "Z_LockPath: %s is locked by another process", path);
            return nullptr;
        case LockResult::Missing: Fail(Z_ERROR_NOT_FOUND, "Z_LockPath: %s does not exist", path); return nullptr;
        case LockResult::Failed:
            FailProblem("Z_LockPath", "lock", path, problem);
            return nullptr;
    }
    ZLockObject* lock = new (std::nothrow) ZLockObject;
    if (lock == nullptr) {
        PlatformUnlockFile(path, exclusive != 0, handle);
        Fail(Z_ERROR_NO_MEMORY, "Z_LockPath: no memory to lock %s", path);
        return nullptr;
    }
    lock->path = path;
    lock->exclusive = exclusive != 0;
    lock->handle = handle;
    return lock;
}

void Z_UnlockPath(HZLOCK lock) {
    if (lock == nullptr) return;
    PlatformUnlockFile(lock->path.c_str(), lock->exclusive, lock->handle);
    delete lock;
}
