#include "half_move.h"

#include "zelkit.h"

int IsHalfMoved(const char* oldPath, const char* newPath) {
    ZFileInfo oldInfo{};
    ZFileInfo newInfo{};
    if (!Z_GetFileInfo(oldPath, Z_NO_LINK, &oldInfo) || !Z_GetFileInfo(newPath, Z_NO_LINK, &newInfo)) return -1;
    return oldInfo.kind == Z_FILE_REGULAR && newInfo.kind == Z_FILE_REGULAR && oldInfo.links > 1 &&
                   oldInfo.volume == newInfo.volume && oldInfo.index == newInfo.index
               ? 1
               : 0;
}

bool FinishHalfMove(const char* oldPath, const char* newPath) {
    const int half = IsHalfMoved(oldPath, newPath);
    return half == 0 || (half > 0 && Z_DeleteFile(oldPath) != 0);
}
