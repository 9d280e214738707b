#include "half_move.h"

#include "zelkit.h"

bool IsHalfMoved(const char* oldPath, const char* newPath) {
    ZFileInfo oldInfo{};
    ZFileInfo newInfo{};
    return Z_GetFileInfo(oldPath, Z_NO_LINK, &oldInfo) && Z_GetFileInfo(newPath, Z_NO_LINK, &newInfo) &&
           oldInfo.kind == Z_FILE_REGULAR && newInfo.kind == Z_FILE_REGULAR && oldInfo.links > 1 &&
           oldInfo.volume == newInfo.volume && oldInfo.index == newInfo.index;
}

bool FinishHalfMove(const char* oldPath, const char* newPath) {
    return !IsHalfMoved(oldPath, newPath) || Z_DeleteFile(oldPath) != 0;
}
