// Locks on files that the system drops with the process (Z_LockPath).
#include <memory>
#include <new>
#include <string>

#include "fault_table.h"
#include "platform_files.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

struct ZLockObject {
    std::unique_ptr<zel::toolkit::Lock> held;
    std::string path;
};

using namespace zel::toolkit;

HZLOCK Z_LockPath(const char* path, int exclusive) {
    const EntryPoint call("Z_LockPath");
    if (call.Failed()) return nullptr;
    if (RejectEmptyPath("Z_LockPath", path)) return nullptr;
    Result<std::unique_ptr<Lock>> taken =
        Platform().TakeLock(path, exclusive != 0 ? LockMode::Exclusive : LockMode::Shared);
    if (!taken.ok()) {
        const Status& status = taken.status();
        if (status.code() == Code::Busy && status.systemError() != 0) {
            Fail(Z_ERROR_LOCKED, "Z_LockPath: %s is locked by another process", path);
        } else if (status.IsNotFound() && exclusive == 0) {
            Fail(Z_ERROR_NOT_FOUND, "Z_LockPath: %s does not exist", path);
        } else {
            FailStatus("Z_LockPath", "lock", path, status);
        }
        return nullptr;
    }
    ZLockObject* lock = new (std::nothrow) ZLockObject;
    if (lock == nullptr) {
        Fail(Z_ERROR_NO_MEMORY, "Z_LockPath: no memory to lock %s", path);
        return nullptr;
    }
    lock->held = taken.TakeValue();
    lock->path = path;
    return lock;
}

int Z_UnlockPath(HZLOCK lock) {
    if (lock == nullptr) return 1;
    const EntryPoint call("Z_UnlockPath");
    // A failure, injected or real, still lets the lock go.
    const Status released = lock->held->Release();
    const std::string path = lock->path;
    delete lock;
    if (call.Failed()) return 0;
    if (!released.ok()) return FailStatus("Z_UnlockPath", "remove", path, released);
    return 1;
}
