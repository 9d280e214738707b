#include "package_manifest.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>

#include "fixed_path.h"
#include "open_read_file.h"
#include "zelkit.h"

namespace {

constexpr size_t kDigestDigits = 2 * Z_SHA256_SIZE;
// Far more files than a package holds: a manifest longer than this is not
// one the build wrote.
constexpr int kMostEntries = 10000;
constexpr int64_t kReadPiece = 1 << 16;

struct ManifestEntry {
    std::string digest;  // lower-case hex
    uint64_t size = 0;
    std::string name;
};

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// A name the build writes: plain names joined by '/', so that no line can
// lead the check out of the package.
bool IsPackageName(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.back() == '/') return false;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('/', start), name.size());
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find_first_of("\\:") != std::string::npos) return false;
        start = end + 1;
    }
    return true;
}

bool ParseEntry(const std::string& line, ManifestEntry* entry) {
    if (line.size() < kDigestDigits + 4 || line[kDigestDigits] != ' ') return false;
    entry->digest = line.substr(0, kDigestDigits);
    for (char c : entry->digest) {
        if (!IsHexDigit(c)) return false;
    }
    const size_t sizeEnd = line.find(' ', kDigestDigits + 1);
    if (sizeEnd == std::string::npos || sizeEnd == kDigestDigits + 1 || sizeEnd - kDigestDigits > 20) return false;
    entry->size = 0;
    for (size_t i = kDigestDigits + 1; i < sizeEnd; ++i) {
        if (line[i] < '0' || line[i] > '9') return false;
        entry->size = entry->size * 10 + static_cast<uint64_t>(line[i] - '0');
    }
    entry->name = line.substr(sizeEnd + 1);
    return IsPackageName(entry->name);
}

// The package's file of a manifest name ("GB/zemconsole.exe").
FixedPath PackagePath(const char* packageDir, const std::string& name) {
    FixedPath path = FixedPath::Directory(packageDir);
    size_t start = 0;
    for (size_t slash; (slash = name.find('/', start)) != std::string::npos; start = slash + 1) {
        path = path.Sub(name.substr(start, slash - start).c_str());
    }
    return path.File(name.substr(start).c_str());
}

// False with the toolkit's last error when the manifest cannot be read; a
// line the build does not write is a problem.
bool ReadManifest(const FixedPath& path, std::vector<ManifestEntry>* entries, PackageCheck* check) {
    const OpenReadFile file(path.c_str());
    if (file.handle == nullptr) return false;
    char line[Z_MAX_LINE];
    int number = 0;
    while (Z_ReadFileLine(file.handle, line, sizeof line, nullptr) == 1) {
        ++number;
        if (line[0] == '#' || line[0] == '\0') continue;
        ManifestEntry entry;
        if (static_cast<int>(entries->size()) >= kMostEntries || !ParseEntry(line, &entry)) {
            check->problems.push_back(std::string("its manifest ") + PACKAGE_MANIFEST_NAME + " is damaged at line " +
                                      std::to_string(number));
            return true;
        }
        entries->push_back(entry);
    }
    return Z_FileError(file.handle) == 0;
}

std::string HexOf(const uint8_t (&digest)[Z_SHA256_SIZE]) {
    std::string hex;
    for (uint8_t byte : digest) {
        hex += "0123456789abcdef"[byte >> 4];
        hex += "0123456789abcdef"[byte & 15];
    }
    return hex;
}

// The digest of what the file holds now, read through the toolkit as every
// file of the run is.
bool DigestOf(const FixedPath& path, std::string* digest) {
    const OpenReadFile file(path.c_str());
    if (file.handle == nullptr) return false;
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kReadPiece]);
    ZSha256 hash;
    Z_Sha256Begin(&hash);
    for (;;) {
        const int64_t count = Z_ReadFile(file.handle, piece.get(), kReadPiece, 0);
        if (count <= 0) break;
        Z_Sha256Add(&hash, piece.get(), static_cast<size_t>(count));
    }
    if (Z_FileError(file.handle) != 0) return false;
    uint8_t bytes[Z_SHA256_SIZE];
    Z_Sha256End(&hash, bytes);
    *digest = HexOf(bytes);
    return true;
}

// One listed file as it is in the package: false when it cannot be read.
bool CheckEntry(const char* packageDir, const ManifestEntry& entry, bool needed, PackageCheck* check) {
    const FixedPath path = PackagePath(packageDir, entry.name);
    ZFileInfo info{};
    if (!path.ok() || !Z_GetFileInfo(path.c_str(), 0, &info)) return false;
    if (info.kind == Z_FILE_MISSING) {
        if (needed) {
            check->problems.push_back(entry.name + " is missing");
        } else {
            check->skipped.push_back(entry.name);
        }
        return true;
    }
    if (info.kind != Z_FILE_REGULAR) {
        check->problems.push_back(entry.name + " is not a file");
        return true;
    }
    if (info.size != entry.size) {
        check->problems.push_back(entry.name + " is " + std::to_string(info.size) + " bytes long, not " +
                                  std::to_string(entry.size) + " as the manifest says");
        return true;
    }
    std::string digest;
    if (!DigestOf(path, &digest)) return false;
    if (digest != entry.digest) {
        check->problems.push_back(entry.name + " is not the file the manifest names (its SHA-256 differs)");
    }
    return true;
}

}  // namespace

const std::vector<std::string>& PackageFilesNeeded() {
    static const std::vector<std::string> names = {
        "zelserver.exe",   "zelsearcher.exe",   "zelmirror.exe",       "zelidenter.exe",
        "zemshutdown.exe", "zemdict.exe",       "zemmaster.exe",       "zemload.exe",
        "zemservice.exe",  "zelkit64.dll",      "zemkernel64.dll",     "zemsearch64.dll",
        "zemdaemon64.dll", "zemshell64.dll",    "zelrpc64.dll",        "zelapi64.dll",
        "readme.txt",      "GB/zemconsole.exe", "BIG5/zemconsole.exe", "UTF8/zemconsole.exe",
        "PROFILE.INI",     "LOG.INI",           "MIRROR.INI",          "OEM.INI",
    };
    return names;
}

bool CheckPackageFiles(const char* packageDir, PackageCheck* check) {
    const FixedPath manifest = FixedPath::Directory(packageDir).File(PACKAGE_MANIFEST_NAME);
    ZFileInfo info{};
    if (!manifest.ok() || !Z_GetFileInfo(manifest.c_str(), 0, &info)) return false;
    if (info.kind != Z_FILE_REGULAR) {
        check->problems.push_back(std::string("it has no manifest ") + PACKAGE_MANIFEST_NAME +
                                  ", so it is not known to be whole");
        return true;
    }
    std::vector<ManifestEntry> entries;
    const size_t problemsBefore = check->problems.size();
    if (!ReadManifest(manifest, &entries, check)) return false;
    if (check->problems.size() != problemsBefore) return true;

    const std::vector<std::string>& needed = PackageFilesNeeded();
    std::set<std::string> listed;
    for (const ManifestEntry& entry : entries) {
        listed.insert(entry.name);
        const bool isNeeded = std::find(needed.begin(), needed.end(), entry.name) != needed.end();
        if (!CheckEntry(packageDir, entry, isNeeded, check)) return false;
    }
    for (const std::string& name : needed) {
        if (listed.count(name) == 0) check->problems.push_back("its manifest does not list " + name);
    }
    return true;
}
