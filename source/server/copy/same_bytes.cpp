#include "same_bytes.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "open_read_file.h"
#include "zelkit.h"

namespace {

constexpr int64_t kComparePiece = 64 * 1024;

// Reads the next piece of each; false when either read fails or they part.
// A piece shorter than asked for is the end of the file (the sizes agreed).
int ComparePieces(HZFILE a, HZFILE b, uint64_t size) {
    std::unique_ptr<char[]> left(new char[kComparePiece]);
    std::unique_ptr<char[]> right(new char[kComparePiece]);
    for (uint64_t done = 0; done < size;) {
        const uint64_t rest = size - done;
        const int64_t want = rest < static_cast<uint64_t>(kComparePiece) ? static_cast<int64_t>(rest) : kComparePiece;
        if (Z_ReadFile(a, left.get(), want, 1) != want || Z_ReadFile(b, right.get(), want, 1) != want) {
            // A file that grew shorter while being read differs; one that
            // cannot be read is a failure to tell.
            return Z_FileError(a) != 0 || Z_FileError(b) != 0 ? -1 : 0;
        }
        if (std::memcmp(left.get(), right.get(), static_cast<size_t>(want)) != 0) return 0;
        done += static_cast<uint64_t>(want);
    }
    return 1;
}

}  // namespace

int HoldsSameBytes(const char* target, const char* source) {
    ZFileInfo targetInfo{};
    ZFileInfo sourceInfo{};
    if (!Z_GetFileInfo(target, 0, &targetInfo)) return -1;
    if (targetInfo.kind != Z_FILE_REGULAR || targetInfo.links != 1) return 0;
    if (!Z_GetFileInfo(source, 0, &sourceInfo)) return -1;
    // The copy then fails with the source's own reason.
    if (sourceInfo.kind != Z_FILE_REGULAR) return 0;
    if (targetInfo.size != sourceInfo.size) return 0;
    const OpenReadFile a(target);
    if (a.handle == nullptr) return -1;
    const OpenReadFile b(source);
    if (b.handle == nullptr) return -1;
    return ComparePieces(a.handle, b.handle, targetInfo.size);
}
